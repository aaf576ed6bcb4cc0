// Reads a git history as "git log" streams it and works out, for every path it names, the
// changes along that path's own history from HEAD, newest first — the commits that
// "git log -- PATH" would show, one path at a time, out of one walk for a whole folder.
//
// The stream is what "git log --pretty=raw --parents --full-history --topo-order -m --raw
// --no-abbrev --no-renames -z HEAD -- PATHSPEC" prints: every commit that changed a path of
// the pathspec and every merge, with parents rewritten to such commits, and for a merge one
// list of changes against each parent that it differs from. A path's history follows the
// first parent of each commit, except at a merge that took the path from another parent:
// it follows the first parent whose version of the path the merge kept, as git does (a
// parent whose version differs from the merge's only in date areas counts as kept when no
// parent's version is kept whole). A merge that kept the path from no parent changed it.
//
// Only the versions' names (blob ids) are read; whether a change was more than a change of
// date areas is decided later, by the caller, when a path is asked about — except at merges,
// where the way on depends on it and `same_outside_date_areas` is asked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/status.h"

namespace zelvora {

// What the history says about one path.
struct PathHistory {
  struct Change {
    int64_t time = 0;  // committer time of the commit that made it
    // The version before the change. Empty when the change is more than a change of date
    // areas whatever the versions hold: it added the path, or a merge changed it against
    // every parent.
    std::string old_blob;
  };
  enum class End {
    kComplete,       // the last change is one of those whose old_blob is empty
    kBeyondHistory,  // after the changes listed, the history is cut off (a shallow clone)
    kMore,           // more changes follow; the walk stopped collecting them
    kUnknown,        // the history ended without the path's beginning
  };
  std::string head_blob;  // the path's version at HEAD; empty: not in HEAD
  std::vector<Change> changes;
  End end = End::kUnknown;
  std::string more_from;  // kMore: the commit whose history holds the next changes
};

// Whether two versions (blob ids) are the same text once their date areas are taken out.
using BlobComparer = std::function<Result<bool>(const std::string&, const std::string&)>;

class HistoryWalk {
 public:
  // `boundary`: the commits where a shallow clone's history is cut off. `max_changes`: how
  // many changes of one path are kept before its end is kMore.
  HistoryWalk(std::unordered_set<std::string> boundary, BlobComparer same_outside_date_areas,
              size_t max_changes = 16);

  // One NUL-separated piece of the stream, in order. Fails on output that does not parse, or
  // when a comparison fails; the walk is then useless.
  Status Feed(std::string_view piece);
  // The end of the stream.
  Status Finish();

  // Every path named, by its path in the work tree. Call after Finish.
  std::unordered_map<std::string, PathHistory>& paths() { return paths_; }

 private:
  struct MergePath {
    std::vector<std::string> old_blobs;  // per parent; empty where the parent kept the path
    std::vector<bool> differs;           // per parent: the merge changed the path against it
    std::string new_blob;
  };

  Status StartCommit(std::string_view header);
  Status ReadChangeLine(std::string_view line);
  Status OnChange(const std::string& path);
  Status EndCommit();
  Status EndMerge();
  bool Visits(const std::string& path) const;
  // Records a change of `path` (new version `new_blob`); returns false when the path's
  // history is complete now.
  bool Record(const std::string& path, const std::string& new_blob, PathHistory::Change change,
              const std::string& continues_at);
  void Close(const std::string& path, PathHistory::End end);
  void GoOn(const std::string& path, const std::string& at);

  const std::unordered_set<std::string> boundary_;
  const BlobComparer compare_;
  const size_t max_changes_;
  std::unordered_map<std::string, PathHistory> paths_;
  std::unordered_set<std::string> closed_;  // paths whose history is complete
  // Paths whose history left the first-parent line of HEAD: where each goes on, and the
  // paths waiting for each commit.
  std::unordered_map<std::string, std::string> off_line_;
  std::unordered_map<std::string, std::unordered_set<std::string>> waiting_;
  std::string line_next_;  // the next commit of the first-parent line ("" before the first)
  bool started_ = false;

  // The commit being read.
  std::string id_;
  std::vector<std::string> parents_;
  int64_t time_ = 0;
  bool on_line_ = false;                     // it lies on the first-parent line
  std::unordered_set<std::string> arrived_;  // off-line paths that reached it
  size_t block_ = 0;                         // the parent its listed changes are against
  std::unordered_map<std::string, MergePath> merge_paths_;
  // The change line read, waiting for its path.
  bool expect_path_ = false;
  std::string old_blob_;
  std::string new_blob_;
  char status_ = 0;
};

}  // namespace zelvora
