#include "engine/history_walk.h"

#include <algorithm>
#include <utility>

namespace zelvora {
namespace {

bool IsObjectName(std::string_view word) {
  return (word.size() == 40 || word.size() == 64) &&
         std::all_of(word.begin(), word.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool IsNoObject(std::string_view name) {
  return std::all_of(name.begin(), name.end(), [](char c) { return c == '0'; });
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  while (!line.empty()) {
    const size_t blank = std::min(line.find(' '), line.size());
    if (blank > 0) words.push_back(line.substr(0, blank));
    line.remove_prefix(std::min(blank + 1, line.size()));
  }
  return words;
}

Status Unreadable(std::string_view what) {
  return Status::Error("git log printed something that is not a history: " + std::string(what));
}

// The committer time from a commit's header lines ("committer NAME <MAIL> TIME ZONE").
bool CommitterTime(std::string_view header, int64_t* time) {
  const size_t line_start = header.find("\ncommitter ");
  if (line_start == std::string_view::npos) return false;
  std::string_view line = header.substr(line_start + 1);
  line = line.substr(0, line.find('\n'));
  const size_t mail_end = line.rfind('>');
  if (mail_end == std::string_view::npos) return false;
  const std::vector<std::string_view> words = Words(line.substr(mail_end + 1));
  if (words.size() != 2 || words[0].empty() || words[0].size() > 18) return false;
  int64_t value = 0;
  for (const char c : words[0]) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  *time = value;
  return true;
}

}  // namespace

HistoryWalk::HistoryWalk(std::unordered_set<std::string> boundary,
                         BlobComparer same_outside_date_areas, size_t max_changes)
    : boundary_(std::move(boundary)),
      compare_(std::move(same_outside_date_areas)),
      max_changes_(std::max<size_t>(max_changes, 1)) {}

Status HistoryWalk::Feed(std::string_view piece) {
  if (expect_path_) {
    expect_path_ = false;
    return OnChange(std::string(piece));
  }
  if (piece.empty()) return Status::Ok();
  if (piece.starts_with("commit ")) {
    // The first change line follows the message (whose lines are indented) on a line of
    // its own.
    const size_t change = piece.find("\n:");
    if (Status started = StartCommit(piece.substr(0, change)); !started.ok()) return started;
    return change == std::string_view::npos ? Status::Ok()
                                            : ReadChangeLine(piece.substr(change + 1));
  }
  if (piece.starts_with(':') && started_) return ReadChangeLine(piece);
  return Unreadable(piece.substr(0, 80));
}

Status HistoryWalk::Finish() {
  if (expect_path_) return Unreadable("a change without its path at the end");
  if (!started_) return Status::Ok();
  return EndCommit();
}

Status HistoryWalk::StartCommit(std::string_view header) {
  const std::string_view first_line = header.substr(0, header.find('\n'));
  std::vector<std::string_view> words = Words(first_line.substr(7));
  std::string_view from;
  if (words.size() >= 2 && words[words.size() - 2] == "(from" && words.back().ends_with(')')) {
    from = words.back().substr(0, words.back().size() - 1);
    words.resize(words.size() - 2);
  }
  if (words.empty() || !std::all_of(words.begin(), words.end(), IsObjectName)) {
    return Unreadable(first_line);
  }
  const auto parent_index = [&]() -> size_t {
    if (from.empty()) return 0;
    return static_cast<size_t>(std::find(words.begin() + 1, words.end(), from) - words.begin() - 1);
  };
  if (started_ && words[0] == id_) {  // the same merge's changes against its next parent
    block_ = parent_index();
    return block_ < parents_.size() ? Status::Ok() : Unreadable(first_line);
  }
  if (started_) {
    if (Status ended = EndCommit(); !ended.ok()) return ended;
  }
  id_ = std::string(words[0]);
  parents_.assign(words.begin() + 1, words.end());
  block_ = parent_index();
  if (!from.empty() && block_ >= parents_.size()) return Unreadable(first_line);
  if (!CommitterTime(header, &time_)) return Unreadable(first_line);
  on_line_ = !started_ || id_ == line_next_;
  started_ = true;
  arrived_.clear();
  if (auto waiting = waiting_.extract(id_); !waiting.empty())
    arrived_ = std::move(waiting.mapped());
  if (on_line_) {
    // Paths that left the first-parent line come back to it here.
    for (const std::string& path : arrived_) off_line_.erase(path);
    arrived_.clear();
  }
  return Status::Ok();
}

Status HistoryWalk::ReadChangeLine(std::string_view line) {
  // ":MODE MODE OLD NEW STATUS"
  const std::vector<std::string_view> words = Words(line.substr(1));
  if (words.size() != 5 || !IsObjectName(words[2]) || !IsObjectName(words[3]) || words[4].empty()) {
    return Unreadable(line.substr(0, 120));
  }
  old_blob_ = IsNoObject(words[2]) ? std::string() : std::string(words[2]);
  new_blob_ = IsNoObject(words[3]) ? std::string() : std::string(words[3]);
  status_ = words[4][0];
  expect_path_ = true;
  return Status::Ok();
}

bool HistoryWalk::Visits(const std::string& path) const {
  if (arrived_.count(path) > 0) return true;
  return on_line_ && closed_.count(path) == 0 && off_line_.count(path) == 0;
}

Status HistoryWalk::OnChange(const std::string& path) {
  if (!Visits(path)) return Status::Ok();
  if (parents_.size() > 1) {
    MergePath& merge = merge_paths_[path];
    merge.old_blobs.resize(parents_.size());
    merge.differs.resize(parents_.size());
    merge.old_blobs[block_] = old_blob_;
    merge.differs[block_] = true;
    merge.new_blob = new_blob_;
    return Status::Ok();
  }
  const bool arrived = arrived_.erase(path) > 0;
  if (new_blob_.empty() && paths_.count(path) == 0) {
    paths_[path];  // deleted: the path is not in HEAD
    Close(path, PathHistory::End::kComplete);
    return Status::Ok();
  }
  if (boundary_.count(id_) > 0) {
    // The history is cut off here: this commit lists every path as added.
    PathHistory& history = paths_[path];
    if (history.head_blob.empty()) history.head_blob = new_blob_;
    Close(path, PathHistory::End::kBeyondHistory);
    return Status::Ok();
  }
  const bool added = old_blob_.empty() || parents_.empty();
  const std::string continues_at = parents_.empty() ? std::string() : parents_[0];
  if (Record(path, new_blob_, {time_, added ? std::string() : old_blob_}, continues_at) &&
      arrived) {
    GoOn(path, continues_at);
  }
  return Status::Ok();
}

Status HistoryWalk::EndCommit() {
  Status ended = parents_.size() > 1 ? EndMerge() : Status::Ok();
  // Paths that came here off the line and that this commit did not change go on to its
  // first parent; a history that ends here without them never held them.
  for (const std::string& path : arrived_) {
    if (parents_.empty()) {
      Close(path, PathHistory::End::kUnknown);
    } else {
      GoOn(path, parents_[0]);
    }
  }
  arrived_.clear();
  merge_paths_.clear();
  if (on_line_) line_next_ = parents_.empty() ? std::string() : parents_[0];
  return ended;
}

Status HistoryWalk::EndMerge() {
  for (auto& [path, merge] : merge_paths_) {
    const bool off_line = arrived_.erase(path) > 0;
    if (merge.new_blob.empty() && paths_.count(path) == 0) {
      paths_[path];
      Close(path, PathHistory::End::kComplete);
      continue;
    }
    const auto kept = std::find(merge.differs.begin(), merge.differs.end(), false);
    size_t way = static_cast<size_t>(kept - merge.differs.begin());
    if (kept != merge.differs.end()) {
      PathHistory& history = paths_[path];
      if (history.head_blob.empty()) history.head_blob = merge.new_blob;
    } else {
      // Changed against every parent: a parent whose version differs only in date areas is
      // the way on, and the merge's change is one of stamps; with none, the merge changed it.
      way = parents_.size();
      for (size_t i = 0; i < parents_.size() && way == parents_.size(); ++i) {
        if (merge.old_blobs[i].empty() || merge.new_blob.empty()) continue;
        auto same = compare_(merge.old_blobs[i], merge.new_blob);
        if (!same.ok()) return same.status();
        if (*same) way = i;
      }
      const std::string old_blob = way < parents_.size() ? merge.old_blobs[way] : std::string();
      const std::string continues_at = way < parents_.size() ? parents_[way] : std::string();
      if (!Record(path, merge.new_blob, {time_, old_blob}, continues_at)) continue;
    }
    // The first parent of a commit on the line keeps the path on the line.
    if (way > 0 || off_line) GoOn(path, parents_[way]);
  }
  return Status::Ok();
}

bool HistoryWalk::Record(const std::string& path, const std::string& new_blob,
                         PathHistory::Change change, const std::string& continues_at) {
  auto [entry, fresh] = paths_.try_emplace(path);
  PathHistory& history = entry->second;
  if (fresh || history.head_blob.empty()) history.head_blob = new_blob;
  const bool complete = change.old_blob.empty();
  history.changes.push_back(std::move(change));
  if (complete) {
    Close(path, PathHistory::End::kComplete);
    return false;
  }
  if (history.changes.size() >= max_changes_) {
    history.more_from = continues_at;
    Close(path, PathHistory::End::kMore);
    return false;
  }
  return true;
}

void HistoryWalk::Close(const std::string& path, PathHistory::End end) {
  paths_[path].end = end;
  closed_.insert(path);
  if (const auto off = off_line_.find(path); off != off_line_.end()) {
    if (const auto waiting = waiting_.find(off->second); waiting != waiting_.end()) {
      waiting->second.erase(path);
    }
    off_line_.erase(off);
  }
}

void HistoryWalk::GoOn(const std::string& path, const std::string& at) {
  if (const auto off = off_line_.find(path); off != off_line_.end()) {
    if (const auto waiting = waiting_.find(off->second); waiting != waiting_.end()) {
      waiting->second.erase(path);
    }
  }
  off_line_[path] = at;
  waiting_[at].insert(path);
}

}  // namespace zelvora
