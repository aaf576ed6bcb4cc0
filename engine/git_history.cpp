#include "engine/git_history.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

#include "engine/date_areas.h"
#include "engine/git_blobs.h"
#include "engine/work_tree_text.h"
#include "platform/paths.h"

namespace zelvora {
namespace {

// The longest line of an answer of rev-parse or status (a path), and the longest piece of
// the history (a commit with its message).
constexpr size_t kLongestLine = size_t{64} << 10;
constexpr size_t kLongestPiece = size_t{16} << 20;
// Folders read one by one in a work tree before its whole history is read instead.
constexpr size_t kMostWalks = 8;

FileTime WallClockNow() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto seconds = std::chrono::floor<std::chrono::seconds>(now);
  const auto fraction = std::chrono::duration_cast<std::chrono::nanoseconds>(now - seconds);
  return FileTime{seconds.count(), static_cast<int32_t>(fraction.count())};
}

Status Unreadable(const std::string& what) { return Status::Error(what, git_code::kUnreadable); }

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    if (end > 0) lines.emplace_back(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return lines;
}

// Adds the paths that one entry of "git status --porcelain=v1 -z" names ("XY path"; a
// rename's source follows in the next entry, which `source_follows` is set for).
void ReadStatusEntry(std::string_view entry, std::unordered_set<std::string>* changed,
                     bool* source_follows) {
  if (*source_follows) {
    *source_follows = false;
    changed->emplace(entry);
    return;
  }
  if (entry.size() < 4) return;  // "XY path"
  changed->emplace(entry.substr(3));
  *source_follows = entry[0] == 'R' || entry[0] == 'C';
}

}  // namespace

struct GitHistory::Walk {
  std::string folder;  // the folder read, in the work tree with its "/"; "" for all of it
  std::unordered_map<std::string, PathHistory> histories;
  // What was found for each file, with the last-write time it had then: a page is asked
  // about for its own date and again as a date source of other pages.
  struct Judged {
    FileTime last_write;
    GitFileDate::Kind kind;
    FileTime commit_time;
  };
  std::unordered_map<std::string, Judged> judged;
};

// What "git status" said about the tracked files of one folder (and those below it).
struct GitHistory::FolderStatus {
  FileTime read_at;  // the moment before git was asked
  std::unordered_set<std::string> changed;
};

struct GitHistory::WorkTree {
  std::string root;
  Status failure;        // git could not read it
  bool has_head = true;  // false: no commit yet
  bool shallow = false;
  std::unordered_set<std::string> boundary;  // a shallow clone's oldest commits
  std::vector<std::unique_ptr<Walk>> walks;
  std::unordered_map<std::string, FolderStatus> statuses;  // by folder, "" for all
  std::unique_ptr<GitBlobs> blobs;  // the versions of files, read when first needed
};

struct GitHistory::Question {
  std::string real_path;
  std::string in_tree;
  std::optional<std::string_view> text;
  bool modern_tags = false;
  std::string read_text;  // the file as read here, when the run gave none
};

GitHistory::GitHistory() = default;
GitHistory::~GitHistory() = default;

void GitHistory::Clear(const std::string& start_folder) {
  start_folder_ = start_folder;
  real_folders_.clear();
  folder_roots_.clear();
  work_trees_.clear();
  mentioned_.clear();
  failures_reported_.clear();
  missing_reported_ = false;
}

GitSettings GitHistory::Settings() const { return {time_limit_, keep_waiting_}; }

std::string GitHistory::RealPathOf(FileSystem& fs, const std::string& path) {
  // Symbolic links lead to the file whose history counts, in whatever work tree it lies.
  // The folders of a site are few: their real paths are worked out once.
  const auto info = fs.LinkStat(path);
  if (!info.ok() || info->kind == FileKind::kSymlink) {
    const auto real = fs.RealPath(path);
    return real.ok() ? *real : path;
  }
  const std::string folder(FolderPart(path));
  auto known = real_folders_.find(folder);
  if (known == real_folders_.end()) {
    const auto real = fs.RealPath(folder.empty() ? std::string(".") : folder);
    std::string real_folder = real.ok() ? *real : folder;
    if (real_folder.empty() || !IsPathSeparator(real_folder.back())) real_folder += '/';
    known = real_folders_.emplace(folder, std::move(real_folder)).first;
  }
  return known->second + std::string(NamePart(path));
}

const std::string& GitHistory::WorkTreeOf(FileSystem& fs, const std::string& folder) {
  if (const auto known = folder_roots_.find(folder); known != folder_roots_.end()) {
    return known->second;
  }
  std::string root;
  if (fs.Stat(folder + ".git").ok()) {
    root = folder;
  } else if (folder.size() > 1) {
    // The parent folder: everything up to the "/" before the last one.
    root = WorkTreeOf(fs, std::string(FolderPart(folder.substr(0, folder.size() - 1))));
  }
  return folder_roots_[folder] = root;
}

Status GitHistory::ReadRepository(FileSystem& fs, WorkTree& tree) {
  std::vector<std::string> answers;
  const Status asked = ReadGitLines(
      tree.root,
      {"rev-parse", "--is-shallow-repository", "--git-path", "shallow", "--verify", "-q", "HEAD"},
      Settings(), '\n', kLongestLine, [&answers](std::string_view line) {
        if (answers.size() >= 3) return Unreadable("rev-parse answered more than it was asked");
        answers.emplace_back(line);
        return Status::Ok();
      });
  // Without a commit, rev-parse answers the first two questions and fails quietly.
  tree.has_head = answers.size() == 3;
  if (!asked.ok() && (answers.size() != 2 || asked.code() != git_code::kFailed)) return asked;
  if (answers.size() < 2 || (answers[0] != "true" && answers[0] != "false")) {
    return Unreadable("git rev-parse gave an answer that does not parse");
  }
  tree.shallow = answers[0] == "true";
  if (tree.shallow) {
    const auto listed = fs.ReadFile(ResolvePath(tree.root, answers[1]));
    if (!listed.ok()) return Unreadable("the list of shallow commits cannot be read");
    for (std::string& commit : Lines(*listed)) tree.boundary.insert(std::move(commit));
  }
  return Status::Ok();
}

Result<bool> GitHistory::ChangedSinceHead(WorkTree& tree, const std::string& in_tree,
                                          FileTime last_write) {
  // The file's folder is asked about once; after a few folders, the whole work tree.
  std::string folder(FolderPart(in_tree));
  if (tree.statuses.count("") > 0 || tree.statuses.size() >= kMostWalks) folder.clear();
  auto known = tree.statuses.find(folder);
  if (known == tree.statuses.end()) {
    FolderStatus status;
    status.read_at = WallClockNow();
    std::vector<std::string> args = {
        "status",       "--porcelain=v1",       "-z",
        "--no-renames", "--untracked-files=no", "--ignore-submodules=all"};
    if (!folder.empty()) args.insert(args.end(), {"--", folder});
    bool source_follows = false;
    const Status read =
        ReadGitLines(tree.root, args, Settings(), '\0', kLongestLine, [&](std::string_view entry) {
          ReadStatusEntry(entry, &status.changed, &source_follows);
          return Status::Ok();
        });
    if (!read.ok()) return read;
    known = tree.statuses.emplace(folder, std::move(status)).first;
  }
  // A file written after git was asked may have changed since.
  return known->second.changed.count(in_tree) > 0 || last_write > known->second.read_at;
}

Status GitHistory::ReadLog(WorkTree& tree, const std::string& from,
                           const std::vector<std::string>& paths,
                           std::unordered_map<std::string, PathHistory>* histories) {
  // Whatever the user's configuration says: no signatures, no following of renames, names
  // as they are, every parent's changes listed for a merge, the root commit's files too.
  std::vector<std::string> args = {"-c",
                                   "log.showSignature=false",
                                   "-c",
                                   "log.follow=false",
                                   "log",
                                   "--pretty=raw",
                                   "--parents",
                                   "--full-history",
                                   "--topo-order",
                                   "-m",
                                   "--raw",
                                   "--no-abbrev",
                                   "--no-renames",
                                   "--no-color",
                                   "--no-decorate",
                                   "--root",
                                   "-z",
                                   from,
                                   "--"};
  args.insert(args.end(), paths.begin(), paths.end());
  const bool modern_tags = modern_tags_;
  HistoryWalk walk(
      tree.boundary,
      [this, &tree, modern_tags](const std::string& a, const std::string& b) -> Result<bool> {
        auto first = ReadBlob(tree, a);
        if (!first.ok()) return first.status();
        auto second = ReadBlob(tree, b);
        if (!second.ok()) return second.status();
        return SameOutsideDateAreas(*first, *second, modern_tags);
      });
  auto git = GitCommand::Start(tree.root, args, Settings());
  if (!git.ok()) return git.status();
  for (;;) {
    auto piece = (*git)->Next('\0', kLongestPiece);
    if (!piece.ok()) return piece.status();
    if (!*piece) break;
    if (Status fed = walk.Feed(**piece); !fed.ok()) {
      return Status::Error(fed.message(), fed.code() == 0 ? git_code::kUnreadable : fed.code());
    }
  }
  if (Status ended = (*git)->Finish(); !ended.ok()) return ended;
  if (Status ended = walk.Finish(); !ended.ok()) return Unreadable(ended.message());
  *histories = std::move(walk.paths());
  return Status::Ok();
}

Result<GitHistory::Walk*> GitHistory::WalkFor(FileSystem& fs, WorkTree& tree,
                                              const std::string& in_tree) {
  for (const auto& walk : tree.walks) {
    if (in_tree.starts_with(walk->folder)) return walk.get();
  }
  auto walk = std::make_unique<Walk>();
  walk->folder = FolderPart(in_tree);
  // The run's first folder when it holds the file, so that one walk serves the whole site.
  if (tree.walks.empty() && !start_folder_.empty()) {
    const auto real_start = fs.RealPath(start_folder_);
    std::string start = real_start.ok() ? *real_start : start_folder_;
    if (start.empty() || !IsPathSeparator(start.back())) start += '/';
    if (start.starts_with(tree.root) && in_tree.starts_with(start.substr(tree.root.size()))) {
      walk->folder = start.substr(tree.root.size());
    }
  }
  if (tree.walks.size() >= kMostWalks) walk->folder.clear();
  std::vector<std::string> paths;
  if (!walk->folder.empty()) paths.push_back(walk->folder);
  if (Status read = ReadLog(tree, "HEAD", paths, &walk->histories); !read.ok()) return read;
  tree.walks.push_back(std::move(walk));
  return tree.walks.back().get();
}

Result<std::string> GitHistory::ReadBlob(WorkTree& tree, const std::string& blob) {
  if (!tree.blobs) tree.blobs = std::make_unique<GitBlobs>(tree.root);
  return tree.blobs->Read(blob, Settings());
}

Result<GitFileDate::Kind> GitHistory::Judge(FileSystem& fs, WorkTree& tree, Question& question,
                                            const PathHistory& history, FileTime last_write,
                                            FileTime* time) {
  // The file as it is now, read only when its date areas matter.
  std::optional<WorkTreeText> current;
  const auto load = [&] {
    if (current) return true;
    if (!question.text) {
      auto read = fs.ReadFile(question.real_path);
      if (!read.ok()) return false;
      question.read_text = std::move(read).value();
      question.text = question.read_text;
    }
    current.emplace(*question.text, question.modern_tags);
    return true;
  };
  // Whether the file is as HEAD holds it: told by its name when its text is at hand or is
  // needed anyway (its last change may be one of date areas), otherwise by "git status".
  bool dirty = false;
  if (question.text || (!history.changes.empty() && !history.changes[0].old_blob.empty())) {
    if (!load()) return GitFileDate::Kind::kChanged;
    dirty = !current->IsNamed(history.head_blob);
  } else {
    auto changed = ChangedSinceHead(tree, question.in_tree, last_write);
    if (!changed.ok()) return changed.status();
    dirty = *changed;
  }
  if (dirty) {
    // Unchanged only if it differs from HEAD's version in date areas alone.
    if (!load() || !MayHoldDateAreas(current->text())) return GitFileDate::Kind::kChanged;
    auto head = ReadBlob(tree, history.head_blob);
    if (!head.ok()) return head.status();
    if (!current->SameOutsideDateAreas(*head)) return GitFileDate::Kind::kChanged;
  }
  const PathHistory* walked = &history;
  std::unordered_map<std::string, PathHistory> further;
  bool first = true;
  for (;;) {
    for (const PathHistory::Change& change : walked->changes) {
      // A file without date areas is dated by its last change, whatever it changed.
      const bool judged = change.old_blob.empty() ||
                          (first && !dirty && (!load() || !MayHoldDateAreas(current->text())));
      first = false;
      if (!judged) {
        if (current->NamesTextWithoutDateAreas(change.old_blob)) continue;
        // A version smaller than the text without its date areas cannot be that text with
        // date areas of its own: the change was real, as its size tells.
        if (!tree.blobs) tree.blobs = std::make_unique<GitBlobs>(tree.root);
        auto size = tree.blobs->Size(change.old_blob, Settings());
        if (!size.ok()) return size.status();
        if (*size >= current->SmallestSizeWithoutDateAreas()) {
          auto before = ReadBlob(tree, change.old_blob);
          if (!before.ok()) return before.status();
          if (current->SameOutsideDateAreas(*before)) continue;
        }
      }
      *time = FileTime{change.time, 0};
      return GitFileDate::Kind::kCommitted;
    }
    if (walked->end == PathHistory::End::kBeyondHistory) return GitFileDate::Kind::kBeyondHistory;
    if (walked->end != PathHistory::End::kMore) return GitFileDate::Kind::kChanged;
    // A long run of changes of date areas only: the path's own history, further back.
    std::unordered_map<std::string, PathHistory> next;
    if (Status read = ReadLog(tree, walked->more_from, {question.in_tree}, &next); !read.ok()) {
      return read;
    }
    further = std::move(next);
    const auto found = further.find(question.in_tree);
    if (found == further.end()) return GitFileDate::Kind::kChanged;
    walked = &found->second;
  }
}

GitFileDate GitHistory::Lookup(FileSystem& fs, const std::string& path, FileTime last_write,
                               std::optional<std::string_view> text, bool modern_tags,
                               const std::function<bool()>& keep_waiting) {
  keep_waiting_ = keep_waiting;
  modern_tags_ = modern_tags;
  GitFileDate date;
  Question question;
  question.real_path = RealPathOf(fs, path);
  question.text = text;
  question.modern_tags = modern_tags;
  date.work_tree = WorkTreeOf(fs, std::string(FolderPart(question.real_path)));
  if (date.work_tree.empty()) return date;
  auto& slot = work_trees_[date.work_tree];
  if (!slot) {
    slot = std::make_unique<WorkTree>();
    slot->root = date.work_tree;
    slot->failure = ReadRepository(fs, *slot);
    date.first_look = true;
  }
  WorkTree& tree = *slot;
  date.shallow = tree.shallow;
  const auto failed = [&](const Status& status) {
    date.complaint = status.message();
    if (status.code() == git_code::kStopped) {
      // Nothing half-read is kept: the run ends here.
      date.kind = GitFileDate::Kind::kStopped;
      work_trees_.erase(date.work_tree);
    } else {
      date.kind = status.code() == git_code::kMissing ? GitFileDate::Kind::kGitMissing
                                                      : GitFileDate::Kind::kHistoryFailed;
      date.failure_code = status.code();
      tree.failure = status;
      tree.blobs.reset();
    }
    return date;
  };
  if (!tree.failure.ok()) return failed(tree.failure);
  if (!tree.has_head) {
    date.kind = GitFileDate::Kind::kChanged;
    return date;
  }
  question.in_tree = question.real_path.substr(date.work_tree.size());
  auto walk = WalkFor(fs, tree, question.in_tree);
  if (!walk.ok()) return failed(walk.status());
  const auto found = (*walk)->histories.find(question.in_tree);
  if (found == (*walk)->histories.end() || found->second.head_blob.empty()) {
    date.kind = GitFileDate::Kind::kChanged;  // untracked, ignored, or not in HEAD
    return date;
  }
  if (const auto known = (*walk)->judged.find(question.in_tree);
      known != (*walk)->judged.end() && known->second.last_write == last_write) {
    date.kind = known->second.kind;
    date.commit_time = known->second.commit_time;
    return date;
  }
  auto kind = Judge(fs, tree, question, found->second, last_write, &date.commit_time);
  if (!kind.ok()) return failed(kind.status());
  date.kind = *kind;
  (*walk)->judged[question.in_tree] = {last_write, date.kind, date.commit_time};
  return date;
}

}  // namespace zelvora
