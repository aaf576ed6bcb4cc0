#include "tests/support/child_process.h"

#include <cstring>
#include <map>
#include <string>

namespace zelvora::testing {

const char kHelperFlag[] = "--zelvora-helper=";

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
  if (argc < 2 || std::strncmp(argv[1], kHelperFlag, std::strlen(kHelperFlag)) != 0) return -1;
  const auto found = Helpers().find(argv[1] + std::strlen(kHelperFlag));
  if (found == Helpers().end()) return 99;
  return found->second(std::vector<std::string>(argv + 2, argv + argc));
}

}  // namespace zelvora::testing
