#include "tests/support/windows_process_win32.h"

#include <windows.h>

#include <psapi.h>  // after windows.h, which declares what it uses

#include <map>
#include <mutex>

namespace zelvora::testing {
namespace {

constexpr DWORD kTimeLimitMilliseconds = 300'000;

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

// `word` quoted so that the program's start-up (CommandLineToArgvW's rules) gives it back.
std::wstring Quoted(const std::wstring& word) {
  if (!word.empty() && word.find_first_of(L" \t\"") == std::wstring::npos) return word;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : word) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

// The test's environment with `added` (NAME=VALUE) put in, as a block of NUL-ended strings.
std::wstring EnvironmentBlock(const std::vector<std::string>& added) {
  std::map<std::wstring, std::wstring> variables;  // by upper-case name, as Windows compares
  const auto upper = [](std::wstring name) {
    CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
  };
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::wstring text(entry);
    const size_t equals = text.find(L'=', 1);
    if (equals != std::wstring::npos) variables[upper(text.substr(0, equals))] = text;
  }
  FreeEnvironmentStringsW(block);
  for (const std::string& assignment : added) {
    const std::wstring text = Wide(assignment);
    variables[upper(text.substr(0, text.find(L'=')))] = text;
  }
  std::wstring result;
  for (const auto& [name, text] : variables) result += text + L'\0';
  return result + L'\0';
}

HANDLE OpenForChild(const std::string& path, bool writing) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path.empty() ? L"NUL" : Wide(path).c_str(),
                     writing ? GENERIC_WRITE : GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                     writing ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::mutex& ProcessesMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<int, HANDLE>& Processes() {
  static std::map<int, HANDLE> processes;
  return processes;
}

}  // namespace

int StartProcess(const ChildCommand& command) {
  std::wstring command_line;
  for (const std::string& word : command.words) {
    if (!command_line.empty()) command_line += L' ';
    command_line += Quoted(Wide(word));
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = OpenForChild("", false);
  startup.hStdOutput = command.out_path.empty() ? GetStdHandle(STD_OUTPUT_HANDLE)
                                                : OpenForChild(command.out_path, true);
  startup.hStdError = command.err_path.empty() ? GetStdHandle(STD_ERROR_HANDLE)
                                               : OpenForChild(command.err_path, true);
  std::wstring environment = EnvironmentBlock(command.environment);
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(Wide(command.words.front()).c_str(), command_line.data(),
                                      nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                      environment.data(), nullptr, &startup, &process);
  CloseHandle(startup.hStdInput);
  if (!command.out_path.empty()) CloseHandle(startup.hStdOutput);
  if (!command.err_path.empty()) CloseHandle(startup.hStdError);
  if (!started) return -1;
  CloseHandle(process.hThread);
  const int pid = static_cast<int>(process.dwProcessId);
  const std::lock_guard<std::mutex> lock(ProcessesMutex());
  Processes()[pid] = process.hProcess;
  return pid;
}

int WaitForProcess(int pid, long* peak_kib) {
  HANDLE process;
  {
    const std::lock_guard<std::mutex> lock(ProcessesMutex());
    const auto found = Processes().find(pid);
    if (found == Processes().end()) return -1;
    process = found->second;
    Processes().erase(found);
  }
  if (WaitForSingleObject(process, kTimeLimitMilliseconds) != WAIT_OBJECT_0) {
    TerminateProcess(process, 255);
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
    return -1;
  }
  DWORD status = 0;
  const bool exited = GetExitCodeProcess(process, &status);
  PROCESS_MEMORY_COUNTERS memory{};
  if (peak_kib != nullptr && GetProcessMemoryInfo(process, &memory, sizeof memory)) {
    *peak_kib = static_cast<long>(memory.PeakWorkingSetSize / 1024);
  }
  CloseHandle(process);
  return exited ? static_cast<int>(status) : -1;
}

}  // namespace zelvora::testing
