// The real zelvora-stamp on a pseudo-terminal: a question is put to a person only when both
// standard input and standard error are terminals, and a run never waits for an answer that
// nobody was asked for.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <chrono>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

constexpr char kPrompt[] = "[o] OK";

struct TerminalRun {
  int status = -1;       // the exit status; -1 when the program had to be killed
  std::string terminal;  // what the program wrote to the terminal
};

// Runs zelvora-stamp with `args`, its standard input and standard error connected to a
// pseudo-terminal or, when not, to /dev/null and the file `err_path`. Standard output goes to
// /dev/null. When the prompt of a question shows on the terminal, `answer` is typed. A
// program still running after ten seconds is killed.
TerminalRun RunOnTerminal(const std::vector<std::string>& args, bool input_on_terminal,
                          bool error_on_terminal, const std::string& err_path,
                          const std::string& answer = "") {
  int master = -1;
  int slave = -1;
  EXPECT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();
    const int null_in = open("/dev/null", O_RDONLY);
    const int null_out = open("/dev/null", O_WRONLY);
    const int err_file = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(input_on_terminal ? slave : null_in, STDIN_FILENO);
    dup2(null_out, STDOUT_FILENO);
    dup2(error_on_terminal ? slave : err_file, STDERR_FILENO);
    close(master);
    close(slave);
    std::vector<std::string> words = {ZELVORA_STAMP_BINARY};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(slave);

  TerminalRun run;
  bool answered = answer.empty();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    pollfd ready{master, POLLIN, 0};
    if (poll(&ready, 1, 50) > 0) {
      char buffer[4096];
      const ssize_t got = read(master, buffer, sizeof buffer);
      if (got > 0) run.terminal.append(buffer, static_cast<size_t>(got));
    }
    if (!answered && run.terminal.find(kPrompt) != std::string::npos) {
      EXPECT_EQ(write(master, answer.data(), answer.size()), static_cast<ssize_t>(answer.size()));
      answered = true;
    }
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      break;
    }
  }
  close(master);
  return run;
}

class TerminalQuestionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::WriteBytes(page, "<p><!--#ZELV#--></p>\r\n<a href=\"gone.htm\">gone</a>\r\n");
  }

  // A dry run whose only link is missing: under the default policy, one question.
  std::vector<std::string> Args() const { return {"--dry-run", page}; }

  testing::TempDir site{"tty"};
  const std::string page = site / "index.htm";
  const std::string err_path = site / "err.txt";
};

TEST_F(TerminalQuestionsTest, BothOnATerminalTheQuestionIsPutAndAnswered) {
  const TerminalRun run = RunOnTerminal(Args(), true, true, err_path, "o\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.terminal.find("次のファイルが見つかりません。"), std::string::npos);
  EXPECT_NE(run.terminal.find(kPrompt), std::string::npos);
}

TEST_F(TerminalQuestionsTest, WithStandardErrorRedirectedNobodyIsAskedAndTheRunStops) {
  const TerminalRun run = RunOnTerminal(Args(), true, false, err_path);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.terminal.find(kPrompt), std::string::npos);
  const std::string err = testing::ReadBytes(err_path);
  EXPECT_NE(err.find("→ 質問に答える端末がないため、キャンセルとして扱いました。"),
            std::string::npos);
  EXPECT_EQ(err.find(kPrompt), std::string::npos);
}

TEST_F(TerminalQuestionsTest, WithStandardInputRedirectedNobodyIsAskedAndTheRunStops) {
  const TerminalRun run = RunOnTerminal(Args(), false, true, err_path);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.terminal.find(kPrompt), std::string::npos);
  EXPECT_NE(run.terminal.find("→ 質問に答える端末がないため、キャンセルとして扱いました。"),
            std::string::npos);
}

}  // namespace
}  // namespace zelvora
