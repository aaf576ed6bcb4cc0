#include "engine/git_blobs.h"

#include <algorithm>

namespace zelvora {
namespace {

// The longest answer line: a name, a type and a size.
constexpr size_t kLongestAnswer = 256;

Status Unreadable(const std::string& answer) {
  return Status::Error("git cat-file: " + answer.substr(0, 120), git_code::kUnreadable);
}

}  // namespace

Result<uint64_t> GitBlobs::Ask(std::unique_ptr<GitCommand>* process, const char* option,
                               const std::string& name, const GitSettings& settings) {
  if (!*process) {
    auto started = GitCommand::Start(work_tree_, {"cat-file", option}, settings, true);
    if (!started.ok()) return started.status();
    *process = std::move(started).value();
  }
  GitCommand& git = **process;
  if (Status asked = git.Write(name + "\n"); !asked.ok()) return asked;
  auto answer = git.Next('\n', kLongestAnswer);
  if (!answer.ok()) return answer.status();
  // "<name> blob <size>", or "<name> missing"
  const std::string line = *answer ? std::string(**answer) : std::string();
  const std::string expected = name + " blob ";
  const std::string size = line.starts_with(expected) ? line.substr(expected.size()) : "";
  if (size.empty() || size.size() > 15 ||
      !std::all_of(size.begin(), size.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return Unreadable(line);
  }
  return static_cast<uint64_t>(std::stoull(size));
}

Result<std::string> GitBlobs::Read(const std::string& name, const GitSettings& settings) {
  auto size = Ask(&contents_, "--batch", name, settings);
  if (!size.ok()) return size.status();
  auto content = contents_->Take(*size + 1);  // the content and a line end
  if (!content.ok()) return content.status();
  std::string text = std::move(content).value();
  text.pop_back();
  return text;
}

Result<uint64_t> GitBlobs::Size(const std::string& name, const GitSettings& settings) {
  return Ask(&sizes_, "--batch-check", name, settings);
}

}  // namespace zelvora
