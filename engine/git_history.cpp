#include "engine/git_history.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <utility>

#include "platform/paths.h"
#include "platform/process.h"

namespace zelvora {
namespace {

// How long one git command may take: a walk of a long history over a slow disk is slow, but
// a git that hangs (waiting on a lock, say) must not hold the run for ever.
constexpr std::chrono::minutes kGitPatience{10};

// Splits `text` at NUL bytes; a final NUL ends the last part rather than starting another.
std::vector<std::string_view> SplitAtNul(std::string_view text) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start < text.size()) {
    const size_t nul = std::min(text.find('\0', start), text.size());
    parts.push_back(text.substr(start, nul - start));
    start = nul + 1;
  }
  return parts;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = std::min(text.find('\n'), text.size());
    lines.push_back(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return lines;
}

FileTime WallClockNow() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto seconds = std::chrono::floor<std::chrono::seconds>(now);
  const auto fraction = std::chrono::duration_cast<std::chrono::nanoseconds>(now - seconds);
  return FileTime{seconds.count(), static_cast<int32_t>(fraction.count())};
}

}  // namespace

Result<std::string> RunCommandForOutput(const std::vector<std::string>& argv,
                                        const std::function<void()>& while_waiting) {
  if (argv.empty()) return Status::Error("no program to run", EINVAL);
  const auto program = FindProgram(argv[0]);
  if (!program.ok()) return program.status();  // ENOENT
  auto output = CaptureOutput(argv, kGitPatience, while_waiting);
  if (output.ok()) return output;
  // A failure's code is the program's exit status, which may be any number (2 is ENOENT):
  // one code for "it ran and failed" keeps a missing program recognisable.
  return Status::Error(output.status().message(), ECHILD);
}

namespace git_output {

void ReadLog(std::string_view log, const std::unordered_set<std::string>& boundary,
             std::unordered_map<std::string, int64_t>* last_change,
             std::unordered_set<std::string>* beyond_history) {
  int64_t commit_time = 0;
  bool at_boundary = false;
  bool after_header = false;
  for (std::string_view part : SplitAtNul(log)) {
    if (part.starts_with('\x01')) {
      // "\x01<hash> <committer time>"
      part.remove_prefix(1);
      const size_t blank = part.find(' ');
      at_boundary = boundary.count(std::string(part.substr(0, blank))) > 0;
      commit_time = blank == std::string_view::npos
                        ? 0
                        : std::strtoll(std::string(part.substr(blank + 1)).c_str(), nullptr, 10);
      after_header = true;
      continue;
    }
    // The first name after a header follows the header's line end.
    if (after_header && part.starts_with('\n')) part.remove_prefix(1);
    after_header = false;
    if (part.empty()) continue;
    std::string path(part);
    if (last_change->count(path) > 0 || beyond_history->count(path) > 0) continue;
    if (at_boundary) {
      beyond_history->insert(std::move(path));
    } else {
      last_change->emplace(std::move(path), commit_time);
    }
  }
}

void ReadStatus(std::string_view status, std::unordered_set<std::string>* changed) {
  const std::vector<std::string_view> parts = SplitAtNul(status);
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string_view entry = parts[i];
    if (entry.size() < 4) continue;  // "XY path"
    changed->emplace(entry.substr(3));
    // A rename or copy names its source in the next part.
    if ((entry[0] == 'R' || entry[0] == 'C') && i + 1 < parts.size()) {
      changed->emplace(parts[++i]);
    }
  }
}

}  // namespace git_output

void GitHistory::Clear() {
  folder_roots_.clear();
  work_trees_.clear();
  mentioned_.clear();
  missing_reported_ = false;
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

Result<std::string> GitHistory::Git(const std::string& root, std::vector<std::string> args,
                                    const std::function<void()>& while_waiting) {
  // Names as they are (no octal escapes), whatever the user's configuration says.
  std::vector<std::string> argv = {"git", "-C", root, "-c", "core.quotepath=off"};
  argv.insert(argv.end(), args.begin(), args.end());
  return run_(argv, while_waiting);
}

GitHistory::WorkTree GitHistory::ReadWorkTree(FileSystem& fs, const std::string& root,
                                              const std::function<void()>& while_waiting) {
  WorkTree tree;
  const auto failed = [&tree](const Status& status) {
    tree.failure = status.code() == ENOENT ? GitFileDate::Kind::kGitMissing
                                           : GitFileDate::Kind::kHistoryFailed;
    return std::move(tree);
  };
  const auto facts = Git(
      root, {"rev-parse", "--show-toplevel", "--is-shallow-repository", "--git-path", "shallow"},
      while_waiting);
  if (!facts.ok()) return failed(facts.status());
  const std::vector<std::string_view> lines = Lines(*facts);
  if (lines.size() < 3) return failed(Status::Error("unexpected rev-parse output"));
  tree.shallow = lines[1] == "true";

  std::unordered_set<std::string> boundary;
  if (tree.shallow) {
    const std::string shallow_file = ResolvePath(root, lines[2]);
    const auto listed = fs.ReadFile(shallow_file);
    if (!listed.ok()) return failed(Status::Error("the list of shallow commits cannot be read"));
    for (const std::string_view hash : Lines(*listed)) boundary.emplace(hash);
  }

  // Whatever the user's configuration says, the walk lists the root commit's files and no
  // signatures, and names each path as it is (no rename pairs).
  const auto log =
      Git(root,
          {"-c", "log.showSignature=false", "-c", "log.showRoot=true", "log", "--no-renames",
           "--no-color", "--format=%x01%H %ct", "--name-only", "-z", "HEAD", "--"},
          while_waiting);
  if (!log.ok()) return failed(log.status());
  git_output::ReadLog(*log, boundary, &tree.last_change, &tree.beyond_history);

  tree.read_at = WallClockNow();
  const auto status =
      Git(root, {"status", "--porcelain=v1", "-z", "--untracked-files=all", "--no-renames"},
          while_waiting);
  if (!status.ok()) return failed(status.status());
  git_output::ReadStatus(*status, &tree.changed);
  return tree;
}

GitFileDate GitHistory::Lookup(FileSystem& fs, const std::string& path, FileTime last_write,
                               const std::function<void()>& while_waiting) {
  GitFileDate date;
  date.work_tree = WorkTreeOf(fs, std::string(FolderPart(path)));
  if (date.work_tree.empty()) return date;
  auto found = work_trees_.find(date.work_tree);
  if (found == work_trees_.end()) {
    date.first_look = true;
    found =
        work_trees_.emplace(date.work_tree, ReadWorkTree(fs, date.work_tree, while_waiting)).first;
  }
  const WorkTree& tree = found->second;
  date.shallow = tree.shallow;
  if (tree.failure != GitFileDate::Kind::kCommitted) {
    date.kind = tree.failure;
    return date;
  }
  const std::string in_tree = path.substr(date.work_tree.size());
  if (tree.changed.count(in_tree) > 0 || last_write > tree.read_at) {
    date.kind = GitFileDate::Kind::kChanged;
  } else if (const auto change = tree.last_change.find(in_tree); change != tree.last_change.end()) {
    date.kind = GitFileDate::Kind::kCommitted;
    date.commit_time = FileTime{change->second, 0};
  } else if (tree.beyond_history.count(in_tree) > 0) {
    date.kind = GitFileDate::Kind::kBeyondHistory;
  } else {
    date.kind = GitFileDate::Kind::kChanged;  // not in HEAD: untracked or ignored
  }
  return date;
}

}  // namespace zelvora
