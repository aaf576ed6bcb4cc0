// One git command run for the dates of a stamp run, its output read piece by piece as git
// writes it, so that memory stays bounded whatever git prints.
//
// Every command runs in the work tree with the same safeguards: no optional locks (a trial
// run leaves .git/index alone), pathspecs taken literally, no prompts, and none of the
// variables that point git at another repository (a run started from a git hook inherits
// them). Waiting for git has a time limit, and the run's abort ends git at once.
#pragma once

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/running_program.h"
#include "platform/status.h"

namespace zelvora {

// The codes with which git's failures come back (Status::code()).
namespace git_code {
inline constexpr int kMissing = ENOENT;      // no git program on the PATH
inline constexpr int kFailed = ECHILD;       // git refused: the message is its complaint
inline constexpr int kTimedOut = ETIMEDOUT;  // git did not answer within the time limit
inline constexpr int kStopped = ECANCELED;   // the run was aborted while git ran
inline constexpr int kUnreadable = EBADMSG;  // git printed something that does not parse
}  // namespace git_code

struct GitSettings {
  std::chrono::milliseconds time_limit{std::chrono::minutes(2)};
  // Called while waiting for git; false ends git at once (the run was aborted).
  std::function<bool()> keep_waiting;
};

class GitCommand {
 public:
  // Starts "git ARGS" in `work_tree`; `with_input` gives git a pipe as standard input.
  static Result<std::unique_ptr<GitCommand>> Start(const std::string& work_tree,
                                                   const std::vector<std::string>& args,
                                                   const GitSettings& settings,
                                                   bool with_input = false);

  // The next piece of output up to `separator` (which is not part of it), or nothing at the
  // end of the output; a last piece without its separator counts. The view is valid until
  // the next call. A piece longer than `max_length` fails with git_code::kUnreadable.
  Result<std::optional<std::string_view>> Next(char separator, size_t max_length);
  // The next `count` bytes of output; fails with git_code::kUnreadable when the output ends first.
  Result<std::string> Take(size_t count);
  // Writes `data` to git's input.
  Status Write(std::string_view data) { return program_->Write(data); }
  // Waits for git to end; fails with git_code::kFailed and git's complaint when it failed.
  Status Finish() { return program_->Finish(); }

 private:
  explicit GitCommand(std::unique_ptr<RunningProgram> program) : program_(std::move(program)) {}
  // Reads more output into the buffer; false at its end.
  Result<bool> Fill();

  std::unique_ptr<RunningProgram> program_;
  std::string buffer_;  // output read, unread from start_ to end_
  size_t start_ = 0;
  size_t end_ = 0;
  size_t scanned_ = 0;  // how far the unread output is known to hold no separator
  bool ended_ = false;
};

// Runs "git ARGS" in `work_tree` and reads its output as lines, each at most `max_length`
// bytes, handing each to `line` (which may fail); then waits for git's end.
Status ReadGitLines(const std::string& work_tree, const std::vector<std::string>& args,
                    const GitSettings& settings, char separator, size_t max_length,
                    const std::function<Status(std::string_view)>& line);

}  // namespace zelvora
