#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace zelvora::testing {

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
