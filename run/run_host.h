// The one narrow interface through which a stamp run talks to its front end: the GUI fills
// it with its status line, progress dialog and message boxes, zelvora-stamp with the
// terminal, tests with scripted answers. The error policy lives in the engine; a host only
// shows what the policy leaves to the user.
#pragma once

#include <string>

namespace zelvora {

enum class Question { kOkCancel, kAbortRetryIgnore };
enum class Answer { kOk, kCancel, kAbort, kRetry, kIgnore };
enum class MessageIcon { kInformation, kExclamation };

// The application's title, the caption of every message box of a run.
inline constexpr char kApplicationTitle[] = "ゼルヴォラ";

class RunHost {
 public:
  virtual ~RunHost() = default;

  // The status line text (the GUI shows it after one blank).
  virtual void SetStatus(const std::string& text) = 0;
  // The file being scanned, shown by the progress display.
  virtual void SetCurrentFile(const std::string& file_name) = 0;
  // Progress through the current file, 0..100. Called after every tag: must be cheap.
  virtual void SetPercent(int percent) = 0;
  // Lets pending user-interface events run (repaints, the abort button). Called after every
  // tag: must be cheap when nothing is pending.
  virtual void ProcessPendingEvents() = 0;
  // Puts a question to the user and returns the answer: kOk or kCancel for kOkCancel,
  // kAbort, kRetry or kIgnore for kAbortRetryIgnore. `text` is the whole report with its
  // question line; the caption is the application's title and the icon the exclamation mark.
  virtual Answer Ask(const std::string& text, Question kind) = 0;
  // Shows a message (captioned with the application's title) and returns when it is closed.
  virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;

  // The window steps of a run, in the order the run calls them. The GUI disables and
  // enables its start commands, records the name in its history, and shows, captions and
  // hides its progress dialog; other hosts may ignore them.
  virtual void RunStarting(const std::string& root_name) { (void)root_name; }
  virtual void ShowProgress(const std::string& root_name) { (void)root_name; }
  virtual void HideProgress() {}
  virtual void RunEnded() {}
  // A trial run (nothing is written) found that `file_name` would be written.
  virtual void WouldWrite(const std::string& file_name) { (void)file_name; }
  // The git work tree `work_tree` has a shallow history: files last changed beyond it are
  // dated by their last-write times (the log names them).
  virtual void HistoryIsShallow(const std::string& work_tree) { (void)work_tree; }
  // Opens the stamped file with its associated program after a successful run.
  virtual void OpenWrittenFile(const std::string& file_name) { (void)file_name; }
};

}  // namespace zelvora
