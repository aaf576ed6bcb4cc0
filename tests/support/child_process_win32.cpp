#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/windows_process_win32.h"

namespace zelvora::testing {

int StartHelper(const std::string& name, const std::vector<std::string>& args) {
  ChildCommand command;
  command.words = {ZELVORA_TEST_HELPER_BINARY, kHelperFlag + name};
  command.words.insert(command.words.end(), args.begin(), args.end());
  return StartProcess(command);
}

int WaitForExit(int pid) { return WaitForProcess(pid); }

bool ProcessEnds(int pid) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return true;  // gone already
  const bool ended = WaitForSingleObject(process, 30'000) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

}  // namespace zelvora::testing
