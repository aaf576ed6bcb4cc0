#include "tests/support/child_process.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "platform/terminal.h"

namespace zelvora::testing {

const char kHelperFlag[] = "--zelvora-helper=";
const char kHelperVariable[] = "ZELVORA_TEST_HELPER_AS";

namespace {

std::map<std::string, HelperMain>& Helpers() {
  static std::map<std::string, HelperMain> helpers;
  return helpers;
}

}  // namespace

bool RegisterHelper(const char* name, HelperMain main) {
  Helpers()[name] = main;
  return true;
}

int RunHelperIfRequested(int argc, char** argv) {
  // Arguments as UTF-8 also on Windows, where argv holds them in the ANSI code page.
  std::vector<std::string> args = ProgramArguments(argc, argv);
  std::string name;
  if (const char* as = std::getenv(kHelperVariable); as != nullptr && *as != '\0') {
    name = as;
  } else if (!args.empty() && args[0].starts_with(kHelperFlag)) {
    name = args[0].substr(std::strlen(kHelperFlag));
    args.erase(args.begin());
  } else {
    return -1;
  }
  const auto found = Helpers().find(name);
  if (found == Helpers().end()) return 99;
  return found->second(args);
}

}  // namespace zelvora::testing
