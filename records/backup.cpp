#include "records/backup.h"

#include <cerrno>
#include <functional>
#include <string>

#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "run/error_report.h"

namespace zelvora {
namespace {

// One step of the rotation: succeeds when the file system is in the state the step aims at.
using RotationStep = std::function<bool()>;

// What the rotation believes about a generation, from the folder's listing.
bool Exists(FileSystem& fs, const std::string& path) { return fs.Lookup(path).ok(); }

// Setting the oldest generation aside has succeeded when it no longer exists under its own
// name. A set-aside file that an interrupted run left behind is deleted first: it is an
// oldest generation that was on its way out.
bool SetAside(FileSystem& fs, const std::string& oldest, const std::string& aside, bool* moved) {
  if (Exists(fs, aside)) (void)fs.Remove(aside);
  const Status renamed = fs.RenameNoReplace(oldest, aside);
  *moved = renamed.ok();
  return renamed.ok() || IsNotFound(renamed) || IsNotFound(fs.Stat(oldest).status());
}

// Moving `from` to `to` has succeeded when `from` does not exist afterwards; an existing `to`
// is never replaced. `*name_taken` tells whether it failed because `to` exists.
bool MoveUp(FileSystem& fs, const std::string& from, const std::string& to, bool* moved,
            bool* name_taken) {
  const Status renamed = fs.RenameNoReplace(from, to);
  *moved = renamed.ok();
  *name_taken = renamed.code() == EEXIST;
  return renamed.ok() || IsNotFound(renamed);
}

// Where the file system cannot hold two names of one file, generation 1 becomes a copy,
// written completely before it takes its name.
bool CopyAsGeneration(FileSystem& fs, const std::string& data_path, const std::string& name) {
  FileInfo info;
  auto content = fs.ReadFile(data_path, &info);
  if (!content.ok()) return false;
  auto pending = PendingFile::Create(fs, name, info.mode & 0777);
  if (!pending.ok()) return false;
  PendingFile file = std::move(pending).value();
  if (!file.Write(*content, &info, false).ok()) return false;
  (void)file.SetTimes(info.last_access, info.last_write, info.created);
  return file.Commit(/*replace=*/false).ok() || file.committed();
}

// Generation 1 has succeeded when it is a second name (or a complete copy) of the page's
// current text; the page itself never leaves its place. `*name_taken` tells whether it failed
// because the name exists.
bool KeepAsFirstGeneration(FileSystem& fs, const std::string& data_path, const std::string& name,
                           bool* name_taken) {
  const Status linked = fs.Link(data_path, name);
  *name_taken = linked.code() == EEXIST;
  if (linked.ok()) return true;
  const int code = linked.code();
  if (code == EXDEV || code == EPERM || code == ENOTSUP || code == EMLINK || code == ENOSYS) {
    return CopyAsGeneration(fs, data_path, name);
  }
  return false;
}

// Runs `step`; when it fails, reports `cause` (logged and counted once), tries again at once,
// and then asks Abort/Retry/Ignore until it succeeds or the answer is Ignore or Abort.
Flow RunStep(RunContext& context, const RotationStep& step, const std::string& cause) {
  if (step()) return Flow::kContinue;
  const std::string report = ComposeReport(cause, nullptr);
  LogError(context, report);
  const std::string question = WithQuestion(report, Question::kAbortRetryIgnore);
  while (!step()) {
    switch (ErrorAnswer(context, question, Question::kAbortRetryIgnore)) {
      case Answer::kRetry:
        continue;
      case Answer::kIgnore:
        return Flow::kContinue;
      default:
        return Flow::kAbort;
    }
  }
  return Flow::kContinue;
}

}  // namespace

std::string BackupName(std::string_view path, int n) {
  const size_t name_start = path.size() - NamePart(path).size();
  const size_t dot = path.rfind('.');
  const bool has_extension = dot != std::string_view::npos && dot >= name_start;
  std::string name(has_extension ? path.substr(0, dot) : path);
  name += "_Bak";
  name += std::to_string(n);
  name += ".bak";
  return name;
}

void BackupRotation::Finish(FileSystem& fs) {
  if (!set_aside_.empty()) (void)fs.Remove(set_aside_);
  *this = BackupRotation();
}

void BackupRotation::Undo(FileSystem& fs) {
  if (!made_first_.empty()) (void)fs.Remove(made_first_);  // the page keeps its own name
  for (auto move = moves_.rbegin(); move != moves_.rend(); ++move) {
    (void)fs.RenameNoReplace(move->second, move->first);
  }
  if (!set_aside_.empty()) (void)fs.RenameNoReplace(set_aside_, oldest_);
  *this = BackupRotation();
}

namespace {

// A step that moves a generation to a name, and tells whether it failed because the name is
// taken.
using MoveStep = std::function<bool(bool* name_taken)>;

// One pass of the rotation. With `quiet_when_taken`, a move whose target name turns out to be
// taken at its first try, while nothing of the pass was reported, is not reported: `*taken`
// is set and the pass ends, for the caller to undo it and rotate again with what the disk
// shows now (the folder's listing was made before another run on the same site rotated the
// generations of this page).
class RotationPass {
 public:
  RotationPass(RunContext& context, bool quiet_when_taken, bool* taken)
      : context_(context),
        quiet_when_taken_(quiet_when_taken),
        taken_(taken),
        errors_before_(context.state.ErrorCount) {}

  Flow Run(const std::string& path, const std::string& data_path, BackupRotation* rotation);

 private:
  // RunStep for a move, quiet when its name is taken at the first try (see above).
  Flow Move(const MoveStep& step, const std::string& cause);

  RunContext& context_;
  const bool quiet_when_taken_;
  bool* const taken_;
  const int errors_before_;
};

Flow RotationPass::Move(const MoveStep& step, const std::string& cause) {
  bool first_try = true;
  return RunStep(
      context_,
      [&] {
        bool name_taken = false;
        const bool done = step(&name_taken);
        *taken_ = !done && name_taken && first_try && quiet_when_taken_ &&
                  context_.state.ErrorCount == errors_before_;
        first_try = false;
        return done || *taken_;
      },
      cause);
}

Flow RotationPass::Run(const std::string& path, const std::string& data_path,
                       BackupRotation* rotation) {
  FileSystem& fs = context_.fs;
  const int generations = context_.settings.BackupGenes;

  const std::string oldest = BackupName(path, generations);
  if (Exists(fs, oldest)) {
    const std::string aside = SetAsideNameFor(oldest);
    bool moved = false;
    if (RunStep(
            context_, [&] { return SetAside(fs, oldest, aside, &moved); },
            "古いバックアップファイルを削除できません。\n" + oldest) == Flow::kAbort) {
      return Flow::kAbort;
    }
    if (moved) rotation->NoteSetAside(oldest, aside);
  }
  for (int c = generations; c >= 2; --c) {
    const std::string younger = BackupName(path, c - 1);
    if (!Exists(fs, younger)) continue;  // never made: nothing to move
    const std::string older = BackupName(path, c);
    bool moved = false;
    const Flow flow =
        Move([&](bool* name_taken) { return MoveUp(fs, younger, older, &moved, name_taken); },
             "バックアップファイルをリネームできません。\n" + younger);
    if (flow == Flow::kAbort) return Flow::kAbort;
    if (moved) rotation->NoteMove(younger, older);
    if (*taken_) return Flow::kContinue;
  }
  const std::string first = BackupName(path, 1);
  bool made = false;
  const Flow flow = Move(
      [&](bool* name_taken) {
        made = KeepAsFirstGeneration(fs, data_path, first, name_taken);
        return made;
      },
      "元のファイルをリネームできません。\n" + path);
  if (made) rotation->NoteFirst(first);
  return flow;
}

}  // namespace

Flow RotateBackups(RunContext& context, const std::string& path, const std::string& data_path,
                   BackupRotation* rotation) {
  if (!context.settings.Backup) return Flow::kContinue;
  bool taken = false;
  const Flow flow =
      RotationPass(context, /*quiet_when_taken=*/true, &taken).Run(path, data_path, rotation);
  if (!taken) return flow;
  // The failed change made the file system forget the folder's listing, so the second pass
  // sees the generations as they are now.
  rotation->Undo(context.fs);
  return RotationPass(context, /*quiet_when_taken=*/false, &taken).Run(path, data_path, rotation);
}

}  // namespace zelvora
