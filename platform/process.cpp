#include "platform/process.h"

#include "platform/running_program.h"

namespace zelvora {

Result<std::string> CaptureOutput(const std::vector<std::string>& argv,
                                  std::chrono::milliseconds timeout,
                                  const std::function<void()>& while_waiting) {
  ProgramStart start;
  start.argv = argv;
  start.time_limit = timeout;
  start.keep_waiting = [&while_waiting] {
    if (while_waiting) while_waiting();
    return true;
  };
  auto program = StartProgram(std::move(start));
  if (!program.ok()) return program.status();
  std::string text;
  char buffer[4096];
  for (;;) {
    const auto got = (*program)->Read(buffer);
    if (!got.ok()) return got.status();
    if (*got == 0) break;
    text.append(buffer, *got);
  }
  if (Status ended = (*program)->Finish(); !ended.ok()) return ended;
  return text;
}

}  // namespace zelvora
