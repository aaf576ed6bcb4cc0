#include "engine/git_command.h"

#include <algorithm>
#include <span>

namespace zelvora {
namespace {

// How much output one read asks for.
constexpr size_t kReadPiece = size_t{64} << 10;

// Variables that would make git read another repository than the work tree's own.
constexpr const char* kRepositoryVariables[] = {
    "GIT_DIR",        "GIT_WORK_TREE",        "GIT_INDEX_FILE",
    "GIT_COMMON_DIR", "GIT_OBJECT_DIRECTORY", "GIT_ALTERNATE_OBJECT_DIRECTORIES",
    "GIT_NAMESPACE",  "GIT_PREFIX",
};

}  // namespace

Result<std::unique_ptr<GitCommand>> GitCommand::Start(const std::string& work_tree,
                                                      const std::vector<std::string>& args,
                                                      const GitSettings& settings,
                                                      bool with_input) {
  ProgramStart start;
  start.argv = {"git", "--no-optional-locks", "--literal-pathspecs", "-C", work_tree,
                "-c",  "core.quotepath=off"};
  start.argv.insert(start.argv.end(), args.begin(), args.end());
  start.environment = {{"GIT_OPTIONAL_LOCKS", "0"}, {"GIT_TERMINAL_PROMPT", "0"}};
  for (const char* name : kRepositoryVariables) start.environment.push_back({name, std::nullopt});
  start.with_input = with_input;
  start.time_limit = settings.time_limit;
  start.keep_waiting = settings.keep_waiting;
  auto program = StartProgram(std::move(start));
  if (!program.ok()) {
    const Status& failure = program.status();
    return failure.code() == ENOENT ? failure : Status::Error(failure.message(), git_code::kFailed);
  }
  return std::unique_ptr<GitCommand>(new GitCommand(std::move(program).value()));
}

Result<bool> GitCommand::Fill() {
  if (ended_) return false;
  // Unread output moves to the front once most of the buffer lies behind it.
  if (start_ > 0 && (start_ == end_ || start_ >= buffer_.size() / 2)) {
    std::copy(buffer_.begin() + static_cast<long>(start_),
              buffer_.begin() + static_cast<long>(end_), buffer_.begin());
    end_ -= start_;
    scanned_ -= start_;
    start_ = 0;
  }
  if (buffer_.size() - end_ < kReadPiece) {
    buffer_.resize(std::max(buffer_.size() * 2, end_ + kReadPiece));
  }
  auto got = program_->Read(std::span<char>(buffer_.data() + end_, buffer_.size() - end_));
  if (!got.ok()) return got.status();
  end_ += *got;
  if (*got == 0) ended_ = true;
  return *got > 0;
}

Result<std::optional<std::string_view>> GitCommand::Next(char separator, size_t max_length) {
  for (;;) {
    const std::string_view unread(buffer_.data(), end_);
    const size_t found = unread.find(separator, scanned_);
    if (found != std::string_view::npos) {
      const std::string_view piece = unread.substr(start_, found - start_);
      start_ = scanned_ = found + 1;
      if (piece.size() > max_length) break;
      return std::optional<std::string_view>(piece);
    }
    scanned_ = end_;
    if (end_ - start_ > max_length) break;
    auto more = Fill();
    if (!more.ok()) return more.status();
    if (!*more) {
      if (start_ == end_) return std::optional<std::string_view>();
      const std::string_view last(buffer_.data() + start_, end_ - start_);
      start_ = scanned_ = end_;
      return std::optional<std::string_view>(last);
    }
  }
  return Status::Error("git printed a line longer than " + std::to_string(max_length) + " bytes",
                       git_code::kUnreadable);
}

Result<std::string> GitCommand::Take(size_t count) {
  while (end_ - start_ < count) {
    auto more = Fill();
    if (!more.ok()) return more.status();
    if (!*more) return Status::Error("git's output ended early", git_code::kUnreadable);
  }
  std::string taken = buffer_.substr(start_, count);
  start_ += count;
  scanned_ = std::max(scanned_, start_);
  return taken;
}

Status ReadGitLines(const std::string& work_tree, const std::vector<std::string>& args,
                    const GitSettings& settings, char separator, size_t max_length,
                    const std::function<Status(std::string_view)>& line) {
  auto git = GitCommand::Start(work_tree, args, settings);
  if (!git.ok()) return git.status();
  for (;;) {
    auto piece = (*git)->Next(separator, max_length);
    if (!piece.ok()) return piece.status();
    if (!*piece) break;
    if (Status taken = line(**piece); !taken.ok()) return taken;
  }
  return (*git)->Finish();
}

}  // namespace zelvora
