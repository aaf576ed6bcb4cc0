#include "cli/stamp_command.h"

namespace zelvora {

int RunStampCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  (void)args;
  (void)out;
  (void)err;
  return kExitUsage;
}

}  // namespace zelvora
