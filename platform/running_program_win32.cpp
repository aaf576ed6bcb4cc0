// A helper program on Windows: its standard streams are named pipes that this process reads and
// writes with overlapped I/O, so that every wait is a wait for an event with a time-out and
// never blocks past the time limit or an abort; the program and whatever it starts belong to a
// job that ends them all together.
#include "platform/running_program.h"

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "platform/process.h"
#include "platform/process_win32.h"

namespace zelvora {
namespace {

using win32::ScopedHandle;

// How long one wait lasts before the caller is asked whether to go on.
constexpr DWORD kWaitSliceMs = 20;
// How much of the program's error output is kept: its first line is what a report shows.
constexpr size_t kErrorKept = 1024;
// The size of each pipe's buffer in the system.
constexpr DWORD kPipeBuffer = 64 << 10;
// The exit status of a program that was ended.
constexpr DWORD kEndedStatus = 1;

bool IsEndOfPipe(DWORD error) {
  return error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF || error == ERROR_NO_DATA ||
         error == ERROR_PIPE_NOT_CONNECTED;
}

// This process's end of a pipe to the program, read or written one overlapped operation at a
// time. An operation in progress is cancelled and waited for before the end closes, so the
// system never writes to memory that is gone.
class PipeEnd {
 public:
  PipeEnd() { overlapped_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
  ~PipeEnd() {
    Close();
    CloseHandle(overlapped_.hEvent);
  }
  PipeEnd(const PipeEnd&) = delete;
  PipeEnd& operator=(const PipeEnd&) = delete;

  void Adopt(ScopedHandle handle) { handle_ = std::move(handle); }
  bool open() const { return handle_.valid(); }
  bool pending() const { return pending_; }
  HANDLE event() const { return overlapped_.hEvent; }
  bool done() const {
    return pending_ && WaitForSingleObject(overlapped_.hEvent, 0) == WAIT_OBJECT_0;
  }

  // Starts reading into (or writing from) `data`, which must stay until the operation is
  // collected or cancelled. 0, or the system error of a start that failed.
  DWORD Start(char* data, DWORD size, bool writing) {
    const BOOL finished = writing ? WriteFile(handle_.get(), data, size, nullptr, &overlapped_)
                                  : ReadFile(handle_.get(), data, size, nullptr, &overlapped_);
    const DWORD error = finished ? 0 : GetLastError();
    if (finished || error == ERROR_IO_PENDING) {
      pending_ = true;  // the event tells its end, also when it finished at once
      return 0;
    }
    return error;
  }

  // The outcome of the operation that done() says has ended: 0 and the byte count in
  // `*count`, or the system error.
  DWORD Collect(DWORD* count) {
    pending_ = false;
    *count = 0;
    return GetOverlappedResult(handle_.get(), &overlapped_, count, FALSE) ? 0 : GetLastError();
  }

  void Cancel() {
    if (!pending_) return;
    CancelIoEx(handle_.get(), &overlapped_);
    DWORD ignored;
    GetOverlappedResult(handle_.get(), &overlapped_, &ignored, TRUE);
    pending_ = false;
  }

  void Close() {
    Cancel();
    handle_ = ScopedHandle();
  }

 private:
  ScopedHandle handle_;
  OVERLAPPED overlapped_{};
  bool pending_ = false;
};

// A pipe whose end for this process is overlapped and whose end for the program (`theirs`)
// is an ordinary handle, as programs expect of their standard streams.
struct Pipe {
  ScopedHandle ours;
  ScopedHandle theirs;
};

Result<Pipe> MakePipe(bool program_writes) {
  static std::atomic<unsigned> made{0};
  const std::wstring name = L"\\\\.\\pipe\\zelvora-" + std::to_wstring(GetCurrentProcessId()) +
                            L"-" + std::to_wstring(made++) + L"-" +
                            std::to_wstring(GetTickCount64());
  Pipe pipe;
  pipe.ours = ScopedHandle(
      CreateNamedPipeW(name.c_str(),
                       (program_writes ? PIPE_ACCESS_INBOUND : PIPE_ACCESS_OUTBOUND) |
                           FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                       PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                       1, kPipeBuffer, kPipeBuffer, 0, nullptr));
  if (!pipe.ours.valid()) return win32::LastError("cannot make the pipe", win32::Utf8(name));
  pipe.theirs = ScopedHandle(CreateFileW(
      name.c_str(),
      program_writes ? GENERIC_WRITE | FILE_READ_ATTRIBUTES : GENERIC_READ | FILE_WRITE_ATTRIBUTES,
      0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!pipe.theirs.valid()) return win32::LastError("cannot open the pipe", win32::Utf8(name));
  return pipe;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The name of an environment block's entry "NAME=VALUE"; the entries of the current folder
// of each drive ("=C:=C:\site") have names that begin with "=".
std::wstring_view NameOf(std::wstring_view entry) { return entry.substr(0, entry.find(L'=', 1)); }

// This process's environment with `changes` made (names compared without regard to letter
// case, as Windows does), sorted by name as the system wants it, as a block of NUL-ended
// entries.
std::wstring ChangedEnvironment(const std::vector<EnvironmentChange>& changes) {
  std::vector<std::wstring> entries;
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* entry = block; entry != nullptr && *entry != L'\0';
       entry += wcslen(entry) + 1) {
    const std::wstring_view name = NameOf(entry);
    const bool changed = std::any_of(changes.begin(), changes.end(), [&](const auto& change) {
      return SameName(win32::Wide(change.name), name);
    });
    if (!changed) entries.emplace_back(entry);
  }
  if (block != nullptr) FreeEnvironmentStringsW(block);
  for (const EnvironmentChange& change : changes) {
    if (change.value) entries.push_back(win32::Wide(change.name + "=" + *change.value));
  }
  std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    const std::wstring_view x = NameOf(a), y = NameOf(b);
    return CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(),
                                static_cast<int>(y.size()), TRUE) == CSTR_LESS_THAN;
  });
  std::wstring result;
  for (const std::wstring& entry : entries) result += entry + L'\0';
  return result + L'\0';
}

// A job whose last handle, when closed, ends every process in it.
ScopedHandle MakeJob() {
  ScopedHandle job(CreateJobObjectW(nullptr, nullptr));
  if (!job.valid()) return job;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                               sizeof limits)) {
    return ScopedHandle();
  }
  return job;
}

class WindowsProgram : public RunningProgram {
 public:
  WindowsProgram(ProgramStart start, std::string name)
      : start_(std::move(start)), name_(std::move(name)) {}
  ~WindowsProgram() override {
    if (!ended_) Kill();
    input_.Close();
    output_.Close();
    errors_.Close();
  }

  Status Spawn(const std::string& path);
  Result<size_t> Read(std::span<char> buffer) override;
  Status Write(std::string_view data) override;
  Status Finish() override;
  void Kill() override;

 private:
  // Waits until `target` (when not null) is signalled, or for one slice at most, keeping the
  // error output drained meanwhile. Fails when the time limit is used up or the caller says to
  // stop; the program is then ended.
  Status AwaitSignal(HANDLE target);
  void ReadErrors();
  Status EndedFor(Status reason);
  // Waits for the operation in progress on `end` to finish; on failure it is cancelled.
  Status AwaitOperation(PipeEnd& end);

  ProgramStart start_;
  std::string name_;
  ScopedHandle job_;
  ScopedHandle process_;
  bool ended_ = true;  // until a process is there
  DWORD exit_status_ = 0;
  PipeEnd input_;
  PipeEnd output_;
  PipeEnd errors_;
  char error_piece_[4096];
  std::string error_text_;
  ULONGLONG waited_ms_ = 0;
};

Status WindowsProgram::Spawn(const std::string& path) {
  auto output = MakePipe(true);
  if (!output.ok()) return output.status();
  auto errors = MakePipe(true);
  if (!errors.ok()) return errors.status();
  Result<Pipe> input =
      start_.with_input ? MakePipe(false) : Result<Pipe>(Pipe{ScopedHandle(), ScopedHandle()});
  if (!input.ok()) return input.status();
  const ScopedHandle null_device = start_.with_input ? ScopedHandle() : win32::OpenNullDevice();
  win32::ProcessPlan plan;
  plan.argv = start_.argv;
  plan.argv[0] = path;
  if (!start_.environment.empty()) plan.environment = ChangedEnvironment(start_.environment);
  plan.input = start_.with_input ? input->theirs.get() : null_device.get();
  plan.output = output->theirs.get();
  plan.errors = errors->theirs.get();
  // Suspended until it is in the job, so that nothing it starts escapes the job.
  plan.flags = CREATE_SUSPENDED;
  job_ = MakeJob();
  auto created = win32::CreateProgramProcess(plan);
  if (!created.ok()) return created.status();
  process_ = std::move(created.value().process);
  ended_ = false;
  if (job_.valid() && !AssignProcessToJobObject(job_.get(), process_.get())) {
    job_ = ScopedHandle();  // a job of this process's own that forbids it: ended one by one
  }
  ResumeThread(created.value().thread.get());
  output_.Adopt(std::move(output.value().ours));
  errors_.Adopt(std::move(errors.value().ours));
  if (start_.with_input) input_.Adopt(std::move(input.value().ours));
  return Status::Ok();
}

Status WindowsProgram::EndedFor(Status reason) {
  Kill();
  return reason;
}

void WindowsProgram::ReadErrors() {
  while (errors_.open()) {
    if (errors_.pending()) {
      if (!errors_.done()) return;
      DWORD got;
      if (errors_.Collect(&got) != 0) {
        errors_.Close();
        return;
      }
      const size_t room = kErrorKept - std::min(kErrorKept, error_text_.size());
      error_text_.append(error_piece_, std::min<size_t>(room, got));
    }
    if (errors_.Start(error_piece_, sizeof error_piece_, false) != 0) errors_.Close();
  }
}

Status WindowsProgram::AwaitSignal(HANDLE target) {
  const ULONGLONG limit = static_cast<ULONGLONG>(start_.time_limit.count());
  if (waited_ms_ >= limit) {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(start_.time_limit).count();
    return EndedFor(Status::Error(
        name_ + " did not answer within " + std::to_string(seconds) + " s", ETIMEDOUT));
  }
  ReadErrors();
  HANDLE handles[2];
  DWORD count = 0;
  if (target != nullptr) handles[count++] = target;
  if (errors_.pending() && target != errors_.event()) handles[count++] = errors_.event();
  const DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(limit - waited_ms_, kWaitSliceMs));
  const ULONGLONG before = GetTickCount64();
  if (count > 0) {
    WaitForMultipleObjects(count, handles, FALSE, slice);
  } else {
    Sleep(slice);
  }
  waited_ms_ += GetTickCount64() - before;
  ReadErrors();
  if (target != nullptr && WaitForSingleObject(target, 0) == WAIT_OBJECT_0) return Status::Ok();
  if (start_.keep_waiting && !start_.keep_waiting()) {
    return EndedFor(Status::Error(name_ + " was stopped", ECANCELED));
  }
  return Status::Ok();
}

Status WindowsProgram::AwaitOperation(PipeEnd& end) {
  while (!end.done()) {
    if (Status ready = AwaitSignal(end.event()); !ready.ok()) {
      end.Cancel();
      return ready;
    }
  }
  return Status::Ok();
}

Result<size_t> WindowsProgram::Read(std::span<char> buffer) {
  while (output_.open()) {
    const DWORD size = static_cast<DWORD>(std::min<size_t>(buffer.size(), MAXDWORD));
    DWORD error = output_.Start(buffer.data(), size, false);
    DWORD got = 0;
    if (error == 0) {
      if (Status done = AwaitOperation(output_); !done.ok()) return done;
      error = output_.Collect(&got);
    }
    if (IsEndOfPipe(error)) break;
    if (error != 0) {
      return EndedFor(win32::SystemError("cannot read from", name_, error));
    }
    if (got > 0 || size == 0) return size_t{got};
  }
  output_.Close();
  return size_t{0};
}

Status WindowsProgram::Write(std::string_view data) {
  if (!input_.open()) return Status::Error(name_ + " takes no input", EPIPE);
  while (!data.empty()) {
    const DWORD size = static_cast<DWORD>(std::min<size_t>(data.size(), 1 << 20));
    DWORD error = input_.Start(const_cast<char*>(data.data()), size, true);
    DWORD written = 0;
    if (error == 0) {
      if (Status done = AwaitOperation(input_); !done.ok()) return done;
      error = input_.Collect(&written);
    }
    if (IsEndOfPipe(error)) return Status::Error(name_ + " no longer reads its input", EPIPE);
    if (error != 0) return win32::SystemError("cannot write to", name_, error);
    data.remove_prefix(written);
  }
  return Status::Ok();
}

Status WindowsProgram::Finish() {
  input_.Close();
  char rest[4096];
  for (;;) {
    auto got = Read(rest);
    if (!got.ok()) return got.status();
    if (*got == 0) break;
  }
  while (!ended_) {
    if (WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process_.get(), &exit_status_);
      ended_ = true;
      break;
    }
    if (Status ready = AwaitSignal(process_.get()); !ready.ok()) return ready;
  }
  ReadErrors();  // what is there now; a process it left may hold the pipe
  if (exit_status_ == 0) return Status::Ok();
  const std::string complaint = FirstComplaint(error_text_);
  return Status::Error(
      complaint.empty() ? name_ + " ended with status " + std::to_string(exit_status_) : complaint,
      ECHILD);
}

void WindowsProgram::Kill() {
  if (ended_) return;
  if (job_.valid()) TerminateJobObject(job_.get(), kEndedStatus);
  TerminateProcess(process_.get(), kEndedStatus);
  WaitForSingleObject(process_.get(), INFINITE);
  ended_ = true;
  exit_status_ = kEndedStatus;
}

}  // namespace

Result<std::unique_ptr<RunningProgram>> StartProgram(ProgramStart start) {
  if (start.argv.empty()) return Status::Error("no program to run", EINVAL);
  const Result<std::string> path = FindProgram(start.argv[0]);
  if (!path.ok()) return path.status();
  const std::string name = start.argv[0];
  auto program = std::make_unique<WindowsProgram>(std::move(start), name);
  if (Status spawned = program->Spawn(*path); !spawned.ok()) return spawned;
  return std::unique_ptr<RunningProgram>(std::move(program));
}

}  // namespace zelvora
