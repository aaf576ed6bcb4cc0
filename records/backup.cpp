#include "records/backup.h"

#include <cerrno>
#include <functional>
#include <string>

#include "engine/error_report.h"
#include "platform/atomic_file.h"
#include "platform/paths.h"

namespace zelvora {
namespace {

// One step of the rotation: succeeds when the file system is in the state the step aims at.
using RotationStep = std::function<bool()>;

// Deleting `path` has succeeded when it does not exist afterwards.
bool Delete(FileSystem& fs, const std::string& path) {
  const Status removed = fs.Remove(path);
  return removed.ok() || IsNotFound(removed) || IsNotFound(fs.Stat(path).status());
}

// Moving `from` to `to` has succeeded when `from` does not exist afterwards; an existing `to`
// is never replaced.
bool MoveUp(FileSystem& fs, const std::string& from, const std::string& to) {
  const Status renamed = fs.RenameNoReplace(from, to);
  return renamed.ok() || IsNotFound(renamed);
}

// Where the file system cannot hold two names of one file, generation 1 becomes a copy,
// written completely before it takes its name.
bool CopyAsGeneration(FileSystem& fs, const std::string& data_path, const std::string& name) {
  auto content = fs.ReadFile(data_path);
  auto info = fs.Stat(data_path);
  if (!content.ok() || !info.ok()) return false;
  auto temporary = WriteTemporaryFile(fs, name, *content, &*info, false);
  if (!temporary.ok()) return false;
  if (fs.RenameNoReplace(*temporary, name).ok()) {
    (void)fs.SetFileTimes(name, info->last_access, info->last_write);
    return true;
  }
  (void)fs.Remove(*temporary);
  return false;
}

// Generation 1 has succeeded when it is a second name (or a complete copy) of the page's
// current text; the page itself never leaves its place.
bool KeepAsFirstGeneration(FileSystem& fs, const std::string& data_path, const std::string& name) {
  const Status linked = fs.Link(data_path, name);
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

Flow RotateBackups(RunContext& context, const std::string& path, const std::string& data_path) {
  if (!context.settings.Backup) return Flow::kContinue;
  FileSystem& fs = context.fs;
  const int generations = context.settings.BackupGenes;

  const std::string oldest = BackupName(path, generations);
  if (RunStep(
          context, [&] { return Delete(fs, oldest); },
          "古いバックアップファイルを削除できません。\n" + oldest) == Flow::kAbort) {
    return Flow::kAbort;
  }
  for (int c = generations; c >= 2; --c) {
    const std::string younger = BackupName(path, c - 1);
    const std::string older = BackupName(path, c);
    if (RunStep(
            context, [&] { return MoveUp(fs, younger, older); },
            "バックアップファイルをリネームできません。\n" + younger) == Flow::kAbort) {
      return Flow::kAbort;
    }
  }
  const std::string first = BackupName(path, 1);
  return RunStep(
      context, [&] { return KeepAsFirstGeneration(fs, data_path, first); },
      "元のファイルをリネームできません。\n" + path);
}

}  // namespace zelvora
