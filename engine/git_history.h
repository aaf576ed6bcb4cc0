// What git knows about the files of a site kept in a git work tree: for each tracked file
// that is unchanged against HEAD, the committer time of the last commit that changed it.
//
// Each work tree is read once, when a file in it is first asked about: one "git rev-parse"
// (is it a work tree, is its history shallow), one walk of the history from HEAD ("git log
// --name-only"; the first commit that names a path is its last change) and one "git status"
// (paths with uncommitted changes, and untracked ones, keep their last-write times). So the
// cost is a few git processes per repository and run, not one per file.
//
// In a shallow clone the oldest visible commits (the boundary, listed in the repository's
// "shallow" file) name every path they hold, although most were last changed in history the
// clone does not have: the paths still without a date when the walk reaches a boundary commit
// are beyond the visible history, and keep their last-write times.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/date_time.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace zelvora {

// Runs `argv` (argv[0] is looked up on the PATH) and returns its standard output, calling
// `while_waiting` now and then while it runs. Fails with ENOENT when the program is not
// there, and with another code when it cannot be run or ends with a status other than 0.
using CommandRunner = std::function<Result<std::string>(
    const std::vector<std::string>& argv, const std::function<void()>& while_waiting)>;

// The real runner: CaptureOutput, with patience for a large repository; any failure once the
// program was found has the code ECHILD.
Result<std::string> RunCommandForOutput(const std::vector<std::string>& argv,
                                        const std::function<void()>& while_waiting);

// What git says about one file.
struct GitFileDate {
  enum class Kind {
    kNoWorkTree,     // the file lies in no git work tree
    kGitMissing,     // it does, but the git program cannot be started
    kHistoryFailed,  // git could not read the work tree or its history
    kCommitted,      // tracked and unchanged against HEAD: `commit_time` is its date
    kChanged,        // uncommitted changes, or untracked (ignored files included)
    kBeyondHistory,  // last changed beyond the visible history of a shallow clone
  };
  Kind kind = Kind::kNoWorkTree;
  FileTime commit_time;     // for kCommitted
  std::string work_tree;    // the work tree's folder with its trailing "/", when there is one
  bool first_look = false;  // this question made the work tree be read
  bool shallow = false;     // the work tree's history is shallow
};

class GitHistory {
 public:
  explicit GitHistory(CommandRunner run = RunCommandForOutput) : run_(std::move(run)) {}

  // Replaces the way git is run (tests run a fake, or a git that is missing).
  void SetRunner(CommandRunner run) { run_ = std::move(run); }
  // Forgets every work tree read: a new run sees the repositories as they are now.
  void Clear();

  // What git says about `path`, an absolute path whose last-write time is `last_write`. The
  // work tree is found by looking for a ".git" entry in the file's folder and the folders
  // above it, through `fs`, and read on the first question about it; `while_waiting` runs
  // while git does. A file written after its work tree was read (by this run, without a kept
  // time stamp, or by someone else meanwhile) counts as changed.
  GitFileDate Lookup(FileSystem& fs, const std::string& path, FileTime last_write,
                     const std::function<void()>& while_waiting = {});

  // True the first time it is asked about `path`: a file that falls back to its last-write
  // time is named in the log once per run.
  bool FirstMention(const std::string& path) { return mentioned_.insert(path).second; }
  // True the first time in a run: a missing git is reported once.
  bool FirstMissingReport() { return !std::exchange(missing_reported_, true); }

 private:
  struct WorkTree {
    GitFileDate::Kind failure = GitFileDate::Kind::kCommitted;  // kCommitted: read well
    bool shallow = false;
    FileTime read_at;  // the moment before git was asked about uncommitted changes
    std::unordered_map<std::string, int64_t> last_change;  // path in the tree -> commit time
    std::unordered_set<std::string> changed;               // uncommitted or untracked
    std::unordered_set<std::string> beyond_history;        // shallow clone: date unknown
  };

  // The work tree folder (with "/") that holds `folder` (with "/"), or "" when none.
  const std::string& WorkTreeOf(FileSystem& fs, const std::string& folder);
  WorkTree ReadWorkTree(FileSystem& fs, const std::string& root,
                        const std::function<void()>& while_waiting);
  Result<std::string> Git(const std::string& root, std::vector<std::string> args,
                          const std::function<void()>& while_waiting);

  CommandRunner run_;
  std::unordered_map<std::string, std::string> folder_roots_;
  std::unordered_map<std::string, WorkTree> work_trees_;
  std::unordered_set<std::string> mentioned_;
  bool missing_reported_ = false;
};

// Parsers of git's machine-readable output, exposed for their tests.
namespace git_output {

// From "git log --format=%x01%H %ct --name-only -z": the last change of each path, walking
// the commits newest first; at a commit in `boundary` (a shallow clone's oldest visible
// commits) every path not dated yet goes to `beyond_history` instead, and stays there.
void ReadLog(std::string_view log, const std::unordered_set<std::string>& boundary,
             std::unordered_map<std::string, int64_t>* last_change,
             std::unordered_set<std::string>* beyond_history);

// From "git status --porcelain=v1 -z": every path named, the sources of renames and copies
// included.
void ReadStatus(std::string_view status, std::unordered_set<std::string>* changed);

}  // namespace git_output

}  // namespace zelvora
