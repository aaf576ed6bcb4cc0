#include "platform/running_program.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "tests/support/program_output.h"
#include "tests/support/scoped_environment.h"

namespace zelvora {
namespace {

using namespace std::chrono_literals;

std::unique_ptr<RunningProgram> Start(std::vector<std::string> argv, ProgramStart start = {}) {
  start.argv = std::move(argv);
  auto program = StartProgram(std::move(start));
  EXPECT_TRUE(program.ok()) << program.status().message();
  return program.ok() ? std::move(program).value() : nullptr;
}

using testing::ReadAll;

TEST(RunningProgramTest, OutputIsReadAsItComesAndTheEndTellsTheStatus) {
  auto program = Start({"sh", "-c", "printf 'one\\n'; sleep 0.1; printf 'two\\0three'"});
  EXPECT_EQ(*ReadAll(*program), std::string("one\ntwo\0three", 13));
  EXPECT_TRUE(program->Finish().ok());
  ProgramStart missing;
  missing.argv = {"no-such-program-here"};
  EXPECT_EQ(StartProgram(missing).status().code(), ENOENT);
}

TEST(RunningProgramTest, AFailureTellsTheFirstLineOfComplaint) {
  auto complaining = Start({"sh", "-c",
                            "echo 'warning: first' >&2; echo 'fatal: no' >&2; "
                            "echo 'usage: more' >&2; exit 3"});
  const Status failed = complaining->Finish();
  EXPECT_EQ(failed.code(), ECHILD);
  EXPECT_EQ(failed.message(), "fatal: no");
  EXPECT_EQ(Start({"sh", "-c", "echo plain >&2; exit 1"})->Finish().message(), "plain");
  EXPECT_EQ(Start({"sh", "-c", "exit 4"})->Finish().message(), "sh ended with status 4");
}

TEST(RunningProgramTest, TheEnvironmentIsChangedForTheProgramOnly) {
  testing::ScopedEnvironment environment({{"ZELVORA_GONE", "here"}, {"ZELVORA_KEPT", "kept"}});
  ProgramStart start;
  start.environment = {{"ZELVORA_GONE", std::nullopt}, {"ZELVORA_NEW", "new value"}};
  auto program =
      Start({"sh", "-c", "echo \"${ZELVORA_GONE-unset} $ZELVORA_KEPT $ZELVORA_NEW\""}, start);
  EXPECT_EQ(*ReadAll(*program), "unset kept new value\n");
  EXPECT_TRUE(program->Finish().ok());
}

TEST(RunningProgramTest, InputAndOutputTakeTurns) {
  ProgramStart start;
  start.with_input = true;
  auto program = Start({"sh", "-c", "while read line; do echo \"<$line>\"; done"}, start);
  char answer[64];
  for (const std::string word : {"a", "bc"}) {
    ASSERT_TRUE(program->Write(word + "\n").ok());
    auto got = program->Read(answer);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(std::string(answer, *got), "<" + word + ">\n");
  }
  EXPECT_TRUE(program->Finish().ok());
  // A program that no longer reads its input is a failure, not the end of this process.
  auto gone = Start({"sh", "-c", "exit 0"}, start);
  Status written = Status::Ok();
  for (int i = 0; i < 100 && written.ok(); ++i) written = gone->Write(std::string(1 << 16, 'x'));
  EXPECT_EQ(written.code(), EPIPE);
}

TEST(RunningProgramTest, WaitingEndsAtTheTimeLimitOrWhenTheCallerStops) {
  ProgramStart start;
  start.time_limit = 200ms;
  auto slow = Start({"sleep", "30"}, start);
  char piece[8];
  EXPECT_EQ(slow->Read(piece).status().code(), ETIMEDOUT);
  EXPECT_EQ(slow->Finish().code(), ECHILD) << "ended";

  int asked = 0;
  start.time_limit = 60s;
  start.keep_waiting = [&asked] { return ++asked < 3; };
  auto stopped = Start({"sh", "-c", "sleep 30; echo late"}, start);
  EXPECT_EQ(stopped->Read(piece).status().code(), ECANCELED);
  EXPECT_EQ(asked, 3);
}

}  // namespace
}  // namespace zelvora
