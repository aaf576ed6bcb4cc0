// What git knows about the files of a site kept in a git work tree: the committer time of
// the newest commit reachable from HEAD that changed a file by more than its date areas.
// Stamping a page and committing it therefore never dates the page by that commit, and a
// change that HEAD does not hold (one a merge discarded) never dates it either.
//
// A work tree is found from a file's real path (symbolic links resolved: a site reached
// through a link, and a date source that is a link, are dated by what they lead to). Its
// history is read once per run for the folder the run works in — one "git log" limited to
// that folder (HistoryWalk), and another for the folder of a file outside it that is asked
// about. Whether a file is as HEAD holds it is told by its name (git's digest of its text)
// when its text is at hand, otherwise by "git status" for its folder. Versions of a file
// are looked at only for files that hold a date area, as far back as their changes are
// changes of date areas only: known by name when the version is the text without its date
// areas, told apart by size when smaller, read ("git cat-file") otherwise.
//
// A file counts as unchanged (git-dated) when it is tracked and differs from HEAD at most in
// its date areas. Untracked and ignored files, files changed otherwise, and files outside any
// work tree keep their last-write times. In a shallow clone the history is cut off: a file
// whose real change lies beyond it keeps its last-write time too.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/git_blobs.h"
#include "engine/git_command.h"
#include "engine/history_walk.h"
#include "platform/date_time.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace zelvora {

// What git says about one file.
struct GitFileDate {
  enum class Kind {
    kNoWorkTree,     // the file lies in no git work tree
    kGitMissing,     // it does, but there is no git program
    kHistoryFailed,  // git refused the work tree, failed, was too slow or printed nonsense
    kStopped,        // the run was aborted while git ran
    kCommitted,      // tracked and unchanged but for date areas: `commit_time` is its date
    kChanged,        // changed otherwise, untracked or ignored
    kBeyondHistory,  // last changed beyond the visible history of a shallow clone
  };
  Kind kind = Kind::kNoWorkTree;
  FileTime commit_time;     // for kCommitted
  std::string work_tree;    // the work tree's folder with its trailing "/", when there is one
  std::string complaint;    // for kHistoryFailed: what went wrong, in git's words if it said
  int failure_code = 0;     // for kHistoryFailed: a git_code (kFailed, kTimedOut, kUnreadable)
  bool first_look = false;  // this question made the work tree be read
  bool shallow = false;     // the work tree's history is shallow
};

class GitHistory {
 public:
  GitHistory();
  ~GitHistory();
  GitHistory(const GitHistory&) = delete;
  GitHistory& operator=(const GitHistory&) = delete;

  // Forgets every work tree read and ends git: a new run sees the repositories as they are
  // now. `start_folder` is the folder of the run's first page: the history of a work tree
  // is read for that folder first.
  void Clear(const std::string& start_folder = {});
  // How long git may take to answer one command (two minutes unless a test says otherwise).
  void SetTimeLimit(std::chrono::milliseconds limit) { time_limit_ = limit; }

  // What git says about `path`, an absolute path whose last-write time is `last_write`.
  // `text`, when given, is the file's content as the run read it (a page dated by itself);
  // otherwise the file is read through `fs` when its date areas matter. `keep_waiting` is
  // called while git runs; false stops git (kStopped). A file written after its work tree
  // was read (by this run, or by someone else meanwhile) is compared with HEAD anew.
  // `modern_tags`: date areas are found as the FollowAnyAnchor option reads tags.
  GitFileDate Lookup(FileSystem& fs, const std::string& path, FileTime last_write,
                     std::optional<std::string_view> text, bool modern_tags,
                     const std::function<bool()>& keep_waiting);

  // True the first time it is asked about `path`: a file that falls back to its last-write
  // time is named in the log once per run.
  bool FirstMention(const std::string& path) { return mentioned_.insert(path).second; }
  // True the first time in a run: a missing git is reported once.
  bool FirstMissingReport() { return !std::exchange(missing_reported_, true); }
  // True the first time in a run for `work_tree`: a failing git is reported once for it.
  bool FirstFailureReport(const std::string& work_tree) {
    return failures_reported_.insert(work_tree).second;
  }
  // How long git may take to answer one command.
  std::chrono::milliseconds time_limit() const { return time_limit_; }

 private:
  struct Walk;
  struct FolderStatus;
  struct WorkTree;
  struct Question;

  // `path` with every symbolic link on it resolved (as it is when that fails).
  std::string RealPathOf(FileSystem& fs, const std::string& path);
  // The work tree folder (with "/") that holds `folder` (with "/"), or "" when none.
  const std::string& WorkTreeOf(FileSystem& fs, const std::string& folder);
  Status ReadRepository(FileSystem& fs, WorkTree& tree);
  // The walk whose folder holds `in_tree`, read now when there is none.
  Result<Walk*> WalkFor(FileSystem& fs, WorkTree& tree, const std::string& in_tree);
  // Whether `in_tree`, last written at `last_write`, differs from HEAD, as "git status"
  // tells (asked once per folder).
  Result<bool> ChangedSinceHead(WorkTree& tree, const std::string& in_tree, FileTime last_write);
  Status ReadLog(WorkTree& tree, const std::string& from, const std::vector<std::string>& paths,
                 std::unordered_map<std::string, PathHistory>* histories);
  Result<GitFileDate::Kind> Judge(FileSystem& fs, WorkTree& tree, Question& question,
                                  const PathHistory& history, FileTime last_write, FileTime* time);
  Result<std::string> ReadBlob(WorkTree& tree, const std::string& blob);
  GitSettings Settings() const;

  std::chrono::milliseconds time_limit_{std::chrono::minutes(2)};
  std::function<bool()> keep_waiting_;  // of the question being answered
  bool modern_tags_ = false;            // of the question being answered
  std::string start_folder_;
  std::unordered_map<std::string, std::string> real_folders_;  // folder -> its real path
  std::unordered_map<std::string, std::string> folder_roots_;
  std::unordered_map<std::string, std::unique_ptr<WorkTree>> work_trees_;
  std::unordered_set<std::string> mentioned_;
  std::unordered_set<std::string> failures_reported_;
  bool missing_reported_ = false;
};

}  // namespace zelvora
