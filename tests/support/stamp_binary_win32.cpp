#include <string>
#include <vector>

#include "tests/support/stamp_binary.h"
#include "tests/support/temp_dir.h"
#include "tests/support/windows_process_win32.h"

namespace zelvora::testing {

bool HaveFiuRun() { return false; }

// Failure injection with fiu-run and runs as another user exist on Linux only.
int StartStampBinary(const std::vector<std::string>& args, const BinaryOptions& options,
                     const std::string& out_path, const std::string& err_path) {
  if (!options.fiu_enable.empty() || options.user) return -1;
  ChildCommand command;
  command.words = {ZELVORA_STAMP_BINARY};
  command.words.insert(command.words.end(), args.begin(), args.end());
  command.environment = options.environment;
  command.out_path = out_path;
  command.err_path = err_path;
  return StartProcess(command);
}

BinaryRun RunStampBinary(const std::vector<std::string>& args, const BinaryOptions& options) {
  TempDir streams("streams");
  const std::string out_path = streams / "out";
  const std::string err_path = streams / "err";
  BinaryRun run;
  const int pid = StartStampBinary(args, options, out_path, err_path);
  if (pid < 0) return run;
  run.status = WaitForProcess(pid, &run.max_rss_kib);
  run.out = ReadBytes(out_path);
  run.err = ReadBytes(err_path);
  return run;
}

}  // namespace zelvora::testing
