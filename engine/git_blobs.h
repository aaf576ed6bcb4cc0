// The versions git keeps of files, read on demand: their sizes through one
// "git cat-file --batch-check" and their content through one "git cat-file --batch", each
// started on first use and kept for the run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/git_command.h"

namespace zelvora {

class GitBlobs {
 public:
  explicit GitBlobs(std::string work_tree) : work_tree_(std::move(work_tree)) {}

  // The content of the version `name` (an object name). Fails when git cannot give it (a
  // missing object is kGitUnreadable) or fails as a GitCommand does.
  Result<std::string> Read(const std::string& name, const GitSettings& settings);
  // The size of the version `name`, without reading it.
  Result<uint64_t> Size(const std::string& name, const GitSettings& settings);

 private:
  // Asks `process` (started with `option` when not running) about `name` and returns the
  // size from its answer "<name> blob <size>".
  Result<uint64_t> Ask(std::unique_ptr<GitCommand>* process, const char* option,
                       const std::string& name, const GitSettings& settings);

  std::string work_tree_;
  std::unique_ptr<GitCommand> contents_;
  std::unique_ptr<GitCommand> sizes_;
};

}  // namespace zelvora
