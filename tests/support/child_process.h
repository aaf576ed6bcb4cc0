// Lets a test run code in a separate process of the test binary itself: a helper registered
// with ZELVORA_TEST_HELPER(name) runs when the binary is started as
// `zelvora_tests --zelvora-helper=name ARGS...`, instead of the tests.
#pragma once

#include <string>
#include <vector>

namespace zelvora::testing {

using HelperMain = int (*)(const std::vector<std::string>& args);

// The first argument of a helper's command line, followed by the helper's name.
extern const char kHelperFlag[];
// The environment variable that, when it names a helper, makes the binary run that helper with
// all its arguments, whatever they are: the binary copied as git.exe then answers as a git.
extern const char kHelperVariable[];

// Registers `main` under `name`; returns true so it can initialise a static.
bool RegisterHelper(const char* name, HelperMain main);

// When argv asks for a helper, runs it and returns its exit status; otherwise returns -1.
int RunHelperIfRequested(int argc, char** argv);

// Starts the test binary as helper `name` with `args`; returns the child's process id (-1
// when it could not be started).
int StartHelper(const std::string& name, const std::vector<std::string>& args);

// Waits for the process `pid` and returns its exit status (-1 when it did not exit normally).
int WaitForExit(int pid);

// True once the process `pid` (not a child of this one) has ended, waiting up to 30 seconds.
bool ProcessEnds(int pid);

}  // namespace zelvora::testing

#define ZELVORA_TEST_HELPER(name)                                      \
  static int name##_helper_main(const std::vector<std::string>& args); \
  [[maybe_unused]] static const bool name##_helper_registered =        \
      ::zelvora::testing::RegisterHelper(#name, &name##_helper_main);  \
  static int name##_helper_main([[maybe_unused]] const std::vector<std::string>& args)
