// Git repositories built by a test: git runs without the machine's or the user's
// configuration, as a fixed author, with commit times the test chooses; and fake "git"
// programs put first on the PATH, for a git that sleeps, hangs, prints nonsense or refuses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace zelvora::testing {

class GitSandbox {
 public:
  GitSandbox();

  // The sandbox's folder.
  const TempDir& dir() const { return dir_; }
  std::string operator/(std::string_view relative) const { return dir_ / relative; }

  // Runs "git ARGS" in `folder` and returns its output; fails the test when git fails,
  // unless `may_fail` (a merge that stops at a conflict, say).
  std::string Git(const std::string& folder, std::vector<std::string> args, bool may_fail = false);
  // The same, with `when` (JST) as the time of any commit it makes.
  std::string GitAt(const std::string& folder, int64_t when, std::vector<std::string> args,
                    bool may_fail = false);
  // Makes `folder` a new repository (branch "main").
  void Init(const std::string& folder);
  // Commits everything in `folder` at `when` (committer and author time, JST).
  void Commit(const std::string& folder, int64_t when, const std::string& message = "change");
  // Clones `origin` into `folder` (`depth` 0: the whole history) and gives every file of the
  // work tree the last-write time `checkout`, as a checkout on that day would.
  void Clone(const std::string& origin, const std::string& folder, int64_t checkout, int depth = 0);

 private:
  TempDir dir_{"git"};
  ScopedEnvironment environment_;
};

// A program called "git" in a folder of its own, put first on the PATH while it lives.
// `script` is a shell script body; "$REAL_GIT" names the real git.
class FakeGit {
 public:
  explicit FakeGit(const std::string& script);
  // The folder that holds it (and where a script may leave files).
  const std::string& folder() const { return dir_.path(); }

 private:
  TempDir dir_{"fake-git"};
  ScopedEnvironment path_;
};

}  // namespace zelvora::testing
