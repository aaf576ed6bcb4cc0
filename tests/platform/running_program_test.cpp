// Helper programs started and talked to on every system: the child is this test binary itself,
// run as one of the helpers below, so the same checks run on Linux and under wine.
#include "platform/running_program.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <iostream>
#include <string>
#include <thread>

#include "platform/process.h"
#include "platform/terminal.h"
#include "tests/support/child_process.h"
#include "tests/support/program_output.h"
#include "tests/support/scoped_environment.h"

namespace zelvora {
namespace {

using namespace std::chrono_literals;

// Writes its arguments to its output, each followed by a NUL.
ZELVORA_TEST_HELPER(echo_words) {
  UseUtf8StandardStreams();
  for (const std::string& word : args) std::cout << word << '\0';
  std::cout.flush();
  return 0;
}

// Takes its arguments as steps: "out:TEXT" and "err:TEXT" write TEXT and a line end to the
// output or the error output, "read" waits for a line of input, "wait:MS" waits, "exit:N"
// ends with status N.
ZELVORA_TEST_HELPER(script) {
  UseUtf8StandardStreams();
  for (const std::string& step : args) {
    const std::string value = step.substr(step.find(':') + 1);
    if (step.starts_with("out:")) std::cout << value << '\n' << std::flush;
    if (step.starts_with("err:")) std::cerr << value << '\n' << std::flush;
    if (step == "read") {
      std::string line;
      std::getline(std::cin, line);
    }
    if (step.starts_with("wait:")) std::this_thread::sleep_for(std::stoi(value) * 1ms);
    if (step.starts_with("exit:")) return std::stoi(value);
  }
  return 0;
}

// Answers each line of its input with the line in angle brackets.
ZELVORA_TEST_HELPER(bracket_lines) {
  UseUtf8StandardStreams();
  std::string line;
  while (std::getline(std::cin, line)) std::cout << '<' << line << ">\n" << std::flush;
  return 0;
}

// Writes the value of each environment variable its arguments name, or "unset".
ZELVORA_TEST_HELPER(print_variables) {
  UseUtf8StandardStreams();
  for (const std::string& name : args) {
    std::cout << testing::GetEnvironment(name.c_str()).value_or("unset") << '\n';
  }
  return 0;
}

// Starts helper "script" to wait a minute, writes that process's id, and waits a minute too.
ZELVORA_TEST_HELPER(parent_of_sleeper) {
  UseUtf8StandardStreams();
  std::cout << testing::StartHelper("script", {"wait:60000"}) << '\n' << std::flush;
  std::this_thread::sleep_for(60s);
  return 0;
}

std::vector<std::string> Helper(const std::string& name, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {ZELVORA_TEST_HELPER_BINARY, testing::kHelperFlag + name};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

std::unique_ptr<RunningProgram> Start(const std::string& helper,
                                      const std::vector<std::string>& args,
                                      ProgramStart start = {}) {
  start.argv = Helper(helper, args);
  auto program = StartProgram(std::move(start));
  EXPECT_TRUE(program.ok()) << program.status().message();
  return program.ok() ? std::move(program).value() : nullptr;
}

using testing::ReadAll;

TEST(HelperProgramTest, EveryArgumentReachesTheProgramExactly) {
  const std::vector<std::string> words = {"two words",
                                          "",
                                          "quote\"inside",
                                          "back\\slash\\",
                                          "\\\\server\\share\\",
                                          "ends\\\\\"",
                                          "\"",
                                          "日本語 の 名前",
                                          "tab\there",
                                          "%PATH%",
                                          "a&b|c<d>^e",
                                          "line\nend",
                                          "\\\""};
  std::string expected;
  for (const std::string& word : words) expected += word + '\0';
  auto program = Start("echo_words", words);
  ASSERT_TRUE(program);
  EXPECT_EQ(*ReadAll(*program), expected);
  EXPECT_TRUE(program->Finish().ok());
  EXPECT_EQ(*CaptureOutput(Helper("echo_words", {"a b", "\"c\""}), 60s),
            std::string("a b\0\"c\"\0", 8));
}

TEST(HelperProgramTest, OutputComesAsItIsWrittenAndTheEndTellsTheStatus) {
  ProgramStart start;
  start.with_input = true;
  // "two" is written only after the program has been given a line: the first read must
  // return "one" alone, while the program still runs.
  auto program = Start("script", {"out:one", "read", "out:two"}, start);
  ASSERT_TRUE(program);
  char piece[64];
  auto got = program->Read(piece);
  ASSERT_TRUE(got.ok()) << got.status().message();
  EXPECT_EQ(std::string(piece, *got), "one\n");
  ASSERT_TRUE(program->Write("go\n").ok());
  EXPECT_EQ(*ReadAll(*program), "two\n");
  EXPECT_TRUE(program->Finish().ok());

  ProgramStart missing;
  missing.argv = {"no-such-program-here"};
  EXPECT_EQ(StartProgram(missing).status().code(), ENOENT);
  EXPECT_EQ(CaptureOutput({"no-such-program-here"}, 1s).status().code(), ENOENT);
}

TEST(HelperProgramTest, AFailureTellsTheFirstLineOfComplaint) {
  const Status failed =
      Start("script", {"err:warning: first", "err:fatal: no", "err:usage: more", "exit:3"})
          ->Finish();
  EXPECT_EQ(failed.code(), ECHILD);
  EXPECT_EQ(failed.message(), "fatal: no");
  EXPECT_EQ(Start("script", {"err:plain", "exit:1"})->Finish().message(), "plain");
  const Status silent = Start("script", {"exit:4"})->Finish();
  EXPECT_EQ(silent.message(), std::string(ZELVORA_TEST_HELPER_BINARY) + " ended with status 4");
  EXPECT_EQ(CaptureOutput(Helper("script", {"out:partial", "exit:3"}), 60s).status().code(),
            ECHILD);
}

TEST(HelperProgramTest, FirstComplaintSkipsWarningsAndLineEnds) {
  EXPECT_EQ(FirstComplaint("warning: a\r\nerror: b\r\nfatal: c\r\n"), "error: b");
  EXPECT_EQ(FirstComplaint("\nhint: x\nmore"), "hint: x");
  EXPECT_EQ(FirstComplaint(""), "");
}

TEST(HelperProgramTest, TheEnvironmentIsChangedForTheProgramOnly) {
  testing::ScopedEnvironment environment({{"ZELVORA_GONE", "here"}, {"ZELVORA_KEPT", "kept"}});
  ProgramStart start;
  start.environment = {{"ZELVORA_GONE", std::nullopt}, {"ZELVORA_NEW", "new value"}};
  auto program = Start("print_variables", {"ZELVORA_GONE", "ZELVORA_KEPT", "ZELVORA_NEW"}, start);
  EXPECT_EQ(*ReadAll(*program), "unset\nkept\nnew value\n");
  EXPECT_TRUE(program->Finish().ok());
  EXPECT_EQ(testing::GetEnvironment("ZELVORA_GONE"), "here");
}

TEST(HelperProgramTest, InputAndOutputTakeTurns) {
  ProgramStart start;
  start.with_input = true;
  auto program = Start("bracket_lines", {}, start);
  char answer[64];
  for (const std::string word : {"a", "bc", "日本"}) {
    ASSERT_TRUE(program->Write(word + "\n").ok());
    auto got = program->Read(answer);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(std::string(answer, *got), "<" + word + ">\n");
  }
  EXPECT_TRUE(program->Finish().ok());
  // A program that no longer reads its input is a failure, not the end of this process.
  auto gone = Start("script", {"exit:0"}, start);
  Status written = Status::Ok();
  for (int i = 0; i < 100 && written.ok(); ++i) written = gone->Write(std::string(1 << 16, 'x'));
  EXPECT_EQ(written.code(), EPIPE);
}

TEST(HelperProgramTest, AWriteToAProgramThatDoesNotReadGivesUp) {
  ProgramStart start;
  start.with_input = true;
  start.time_limit = 300ms;
  auto deaf = Start("script", {"wait:60000"}, start);
  Status written = Status::Ok();
  for (int i = 0; i < 1000 && written.ok(); ++i) written = deaf->Write(std::string(1 << 16, 'x'));
  EXPECT_EQ(written.code(), ETIMEDOUT);

  int asked = 0;
  start.time_limit = 60s;
  start.keep_waiting = [&asked] { return ++asked < 3; };
  auto stopped = Start("script", {"wait:60000"}, start);
  written = Status::Ok();
  for (int i = 0; i < 1000 && written.ok(); ++i) {
    written = stopped->Write(std::string(1 << 16, 'x'));
  }
  EXPECT_EQ(written.code(), ECANCELED);
}

TEST(HelperProgramTest, WaitingEndsAtTheTimeLimitOrWhenTheCallerStops) {
  ProgramStart start;
  start.time_limit = 200ms;
  auto slow = Start("script", {"wait:60000"}, start);
  char piece[8];
  EXPECT_EQ(slow->Read(piece).status().code(), ETIMEDOUT);
  EXPECT_EQ(slow->Finish().code(), ECHILD) << "ended";
  EXPECT_EQ(CaptureOutput(Helper("script", {"wait:60000"}), 100ms).status().code(), ETIMEDOUT);

  int asked = 0;
  start.time_limit = 60s;
  start.keep_waiting = [&asked] { return ++asked < 3; };
  auto stopped = Start("script", {"wait:60000", "out:late"}, start);
  EXPECT_EQ(stopped->Read(piece).status().code(), ECANCELED);
  EXPECT_EQ(asked, 3);
}

TEST(HelperProgramTest, StoppingEndsTheProgramAndWhatItStarted) {
  bool stop = false;
  ProgramStart start;
  start.keep_waiting = [&stop] { return !stop; };
  auto parent = Start("parent_of_sleeper", {}, start);
  ASSERT_TRUE(parent);
  std::string line;
  char piece[1];
  while (line.empty() || line.back() != '\n') {
    auto got = parent->Read(piece);
    ASSERT_TRUE(got.ok() && *got == 1) << got.status().message();
    line += piece[0];
  }
  const int grandchild = std::stoi(line);
  ASSERT_GT(grandchild, 0);
  stop = true;
  EXPECT_EQ(parent->Read(piece).status().code(), ECANCELED);
  EXPECT_TRUE(testing::ProcessEnds(grandchild));
}

}  // namespace
}  // namespace zelvora
