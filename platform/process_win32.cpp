// Programs are found on the PATH with the extensions of PATHEXT that CreateProcessW starts
// itself (.exe, .com). Batch files (.bat, .cmd) are not started: Windows runs them through
// cmd.exe, which reads its own meaning into quotes, carets and percent signs of the arguments,
// so no quoting passes every argument exactly, and an argument could run commands. Git for
// Windows puts git.exe itself on the PATH.
#include "platform/process.h"

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "platform/paths.h"
#include "platform/process_win32.h"
#include "platform/windows_command_line.h"

namespace zelvora {
namespace win32 {
namespace {

// What the start of a program lets it inherit: only the given handles, listed in an attribute
// of the start (where the system offers it) and made inheritable for the moment of the start.
class InheritedHandles {
 public:
  explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
    std::sort(handles_.begin(), handles_.end());
    handles_.erase(std::unique(handles_.begin(), handles_.end()), handles_.end());
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                   handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
      DeleteProcThreadAttributeList(list);
      return;
    }
    list_ = list;
  }
  ~InheritedHandles() {
    if (list_ != nullptr) DeleteProcThreadAttributeList(list_);
  }
  InheritedHandles(const InheritedHandles&) = delete;
  InheritedHandles& operator=(const InheritedHandles&) = delete;

  LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

  void SetInheritable(bool inheritable) const {
    for (HANDLE handle : handles_) {
      SetHandleInformation(handle, HANDLE_FLAG_INHERIT, inheritable ? HANDLE_FLAG_INHERIT : 0);
    }
  }

 private:
  std::vector<HANDLE> handles_;
  std::vector<char> storage_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// One start at a time: where the attribute list is not honoured (older systems, wine), a
// program inherits whatever is inheritable at its start, which must not be another start's
// pipes (that program's output would then not end while this one runs).
std::mutex& StartMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

ScopedHandle OpenNullDevice() {
  return ScopedHandle(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

Result<CreatedProcess> CreateProgramProcess(const ProcessPlan& plan) {
  const auto command_line = WindowsCommandLine(plan.argv);
  if (!command_line.ok()) return command_line.status();
  std::wstring line = Wide(*command_line);
  const auto program = SystemPath(plan.argv.front());
  if (!program.ok()) return program.status();
  const InheritedHandles inherited({plan.input, plan.output, plan.errors});
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = plan.input;
  startup.StartupInfo.hStdOutput = plan.output;
  startup.StartupInfo.hStdError = plan.errors;
  startup.lpAttributeList = inherited.list();
  DWORD flags = plan.flags | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT;
  if (inherited.list() != nullptr) flags |= EXTENDED_STARTUPINFO_PRESENT;
  std::wstring environment = plan.environment;
  PROCESS_INFORMATION created{};
  BOOL started;
  DWORD error;
  {
    const std::lock_guard<std::mutex> lock(StartMutex());
    inherited.SetInheritable(true);
    started = CreateProcessW(program->c_str(), line.data(), nullptr, nullptr, TRUE, flags,
                             environment.empty() ? nullptr : environment.data(), nullptr,
                             &startup.StartupInfo, &created);
    error = GetLastError();
    inherited.SetInheritable(false);
  }
  if (!started) return SystemError("cannot start", plan.argv.front(), error);
  return CreatedProcess{ScopedHandle(created.hProcess), ScopedHandle(created.hThread)};
}

}  // namespace win32

namespace {

// The extension of `name` (".EXE"), upper-cased; empty when it has none.
std::string ExtensionOf(const std::string& name) {
  const size_t dot = name.find_last_of("./\\:");
  if (dot == std::string::npos || name[dot] != '.') return "";
  return AsciiUpper(name.substr(dot));
}

bool StartedDirectly(const std::string& extension) {
  return extension == ".EXE" || extension == ".COM";
}

// The extensions tried after a name without one: those of PATHEXT that CreateProcessW starts
// itself, in PATHEXT's order.
std::vector<std::string> ProgramExtensions() {
  const std::string listed = win32::EnvironmentVariable(L"PATHEXT").value_or(".COM;.EXE");
  std::vector<std::string> extensions;
  size_t start = 0;
  while (start <= listed.size()) {
    const size_t end = std::min(listed.find(';', start), listed.size());
    const std::string extension = AsciiUpper(listed.substr(start, end - start));
    // In lower case, as names are usually written (Windows finds either).
    if (StartedDirectly(extension)) extensions.push_back(AsciiLower(extension));
    start = end + 1;
  }
  if (extensions.empty()) extensions.push_back(".exe");
  return extensions;
}

bool IsFile(const std::string& path) {
  const auto system_path = win32::SystemPath(path);
  if (!system_path.ok()) return false;
  const DWORD attributes = GetFileAttributesW(system_path->c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// `base` when it is a program file, else `base` with the first extension that names one.
std::optional<std::string> ProgramFile(const std::string& base,
                                       const std::vector<std::string>& extensions) {
  if (StartedDirectly(ExtensionOf(base)) && IsFile(base)) return base;
  for (const std::string& extension : extensions) {
    if (IsFile(base + extension)) return base + extension;
  }
  return std::nullopt;
}

Status NotFound(const std::string& program) {
  return Status::Error(program + " is not found on the PATH", ENOENT);
}

// Creates the process of `argv` with nothing to read and nowhere to write, outside any job of
// this process where the job allows (so that it outlives this process, as a detached program
// should).
Result<win32::CreatedProcess> CreateDetached(const std::vector<std::string>& argv) {
  if (argv.empty()) return Status::Error("no program to start", EINVAL);
  const auto program = FindProgram(argv[0]);
  if (!program.ok()) return program.status();
  const win32::ScopedHandle null_device = win32::OpenNullDevice();
  win32::ProcessPlan plan;
  plan.argv = argv;
  plan.argv[0] = *program;
  plan.input = plan.output = plan.errors = null_device.get();
  plan.flags = CREATE_NEW_PROCESS_GROUP | CREATE_BREAKAWAY_FROM_JOB;
  auto created = win32::CreateProgramProcess(plan);
  if (!created.ok() && created.status().code() == EACCES) {
    plan.flags &= ~DWORD{CREATE_BREAKAWAY_FROM_JOB};  // a job that does not let go
    created = win32::CreateProgramProcess(plan);
  }
  return created;
}

}  // namespace

Result<std::string> FindProgram(const std::string& program) {
  if (program.empty()) return Status::Error("no program name", ENOENT);
  const std::string extension = ExtensionOf(program);
  if (extension == ".BAT" || extension == ".CMD") {
    return Status::Error(program + ": batch files are not started", ENOEXEC);
  }
  const std::vector<std::string> extensions = ProgramExtensions();
  if (program.find_first_of("/\\:") != std::string::npos) {
    if (IsFile(program)) return program;
    if (auto found = ProgramFile(program, extensions)) return *found;
    return Status::Error(program + " is not found", ENOENT);
  }
  // Only the PATH: not the current folder, which CreateProcessW would search first, so that a
  // git.exe lying in a site's folder is never started.
  const std::string path = win32::EnvironmentVariable(L"PATH").value_or("");
  size_t start = 0;
  while (start < path.size()) {
    const size_t end = std::min(path.find(';', start), path.size());
    std::string folder = path.substr(start, end - start);
    start = end + 1;
    std::erase(folder, '"');  // a folder may be quoted for its semicolons
    if (folder.empty()) continue;
    if (!folder.ends_with('\\') && !folder.ends_with('/')) folder += '\\';
    if (auto found = ProgramFile(folder + program, extensions)) return *found;
  }
  return NotFound(program);
}

Status StartDetached(const std::vector<std::string>& argv) {
  const auto created = CreateDetached(argv);
  return created.ok() ? Status::Ok() : created.status();
}

Status RunDetachedForVerdict(const std::vector<std::string>& argv,
                             std::chrono::milliseconds patience,
                             const std::function<void()>& while_waiting) {
  const auto created = CreateDetached(argv);
  if (!created.ok()) return created.status();
  constexpr DWORD kWaitSliceMs = 20;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(patience.count());
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD slice =
        now >= deadline ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kWaitSliceMs));
    if (WaitForSingleObject(created->process.get(), slice) == WAIT_OBJECT_0) break;
    if (GetTickCount64() >= deadline) return Status::Ok();  // still running: it has started
    if (while_waiting) while_waiting();
  }
  DWORD status = 0;
  if (!GetExitCodeProcess(created->process.get(), &status) || status == 0) return Status::Ok();
  return Status::Error(argv[0] + " ended with status " + std::to_string(status),
                       static_cast<int>(status));
}

}  // namespace zelvora
