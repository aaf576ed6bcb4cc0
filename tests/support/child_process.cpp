#include "tests/support/child_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <string>

namespace zelvora::testing {
namespace {

constexpr char kHelperFlag[] = "--zelvora-helper=";

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

int StartHelper(const std::string& name, const std::vector<std::string>& args) {
  std::vector<std::string> words = {ZELVORA_TEST_HELPER_BINARY, kHelperFlag + name};
  words.insert(words.end(), args.begin(), args.end());
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

int WaitForExit(int pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace zelvora::testing
