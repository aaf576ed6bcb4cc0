#include "gui/app/gui_run_host.h"

#include <QCoreApplication>
#include <iostream>
#include <ostream>

#include "engine/run.h"
#include "gui/app/main_window.h"
#include "gui/app/progress_dialog.h"
#include "gui/components/message_box.h"
#include "gui/components/window_message.h"

namespace zelvora::gui {
namespace {

Answer AnswerOf(BoxAnswer answer) {
  switch (answer) {
    case BoxAnswer::kOk:
    case BoxAnswer::kYes:
      return Answer::kOk;
    case BoxAnswer::kCancel:
    case BoxAnswer::kNo:
      return Answer::kCancel;
    case BoxAnswer::kAbort:
      return Answer::kAbort;
    case BoxAnswer::kRetry:
      return Answer::kRetry;
    case BoxAnswer::kIgnore:
      return Answer::kIgnore;
  }
  return Answer::kCancel;
}

}  // namespace

void GuiRunHost::SetStatus(const std::string& text) { window_.SetStatus(text); }

void GuiRunHost::SetCurrentFile(const std::string& file_name) {
  if (progress_ == nullptr || file_name == current_file_) return;
  current_file_ = file_name;
  progress_->SetCurFName(QString::fromStdString(file_name));
  progress_->HandleMessage(kMessageCurrentFileChanged);
}

void GuiRunHost::SetPercent(int percent) {
  if (progress_ == nullptr) return;
  progress_->SetCurPercent(percent);
  progress_->HandleMessage(kMessageRefreshGauges);
}

// Called after every tag, millions of times in a large site: a reading of the coarse clock
// (a few nanoseconds) is all it costs until the next round is due.
void GuiRunHost::ProcessPendingEvents() {
  if (CoarseClock::now() >= next_pump_) PumpEvents();
}

void GuiRunHost::PumpEvents() {
  QCoreApplication::processEvents();
  next_pump_ = CoarseClock::now() + kPumpInterval;
}

Answer GuiRunHost::Ask(const std::string& text, Question kind) {
  if (unattended_report_ != nullptr) {
    *unattended_report_ << text << '\n'
                        << (kind == Question::kOkCancel ? "→ キャンセル" : "→ 中止") << std::endl;
    return kind == Question::kOkCancel ? Answer::kCancel : Answer::kAbort;
  }
  // The user closed the main window, which asks for the run to stop: no question waits.
  if (window_.CloseRequested())
    return kind == Question::kOkCancel ? Answer::kCancel : Answer::kAbort;
  const BoxButtons buttons =
      kind == Question::kOkCancel ? BoxButtons::kOkCancel : BoxButtons::kAbortRetryIgnore;
  return AnswerOf(
      ShowMessageBox(BoxOwner(), QString::fromStdString(text), buttons, BoxIcon::kExclamation));
}

// While the progress window is shown, it owns the run's boxes: a window manager then keeps
// them above it, where the user can read them, and it stays visible behind them.
QWidget* GuiRunHost::BoxOwner() const {
  if (progress_ != nullptr && progress_->isVisible()) return progress_;
  return &window_;
}

void GuiRunHost::ShowMessage(const std::string& text, MessageIcon icon) {
  if (message_observer_) message_observer_(text);
  if (unattended_report_ != nullptr) {
    *unattended_report_ << text << std::endl;
    return;
  }
  // The user closed the main window: the program ends with the run, and nobody waits for a
  // box. What the run still has to say (its summary, a log that could not be saved) goes to
  // standard error.
  if (window_.CloseRequested()) {
    std::cerr << "zelvora: " << text << std::endl;
    return;
  }
  ShowMessageBox(BoxOwner(), QString::fromStdString(text), BoxButtons::kOk,
                 icon == MessageIcon::kInformation ? BoxIcon::kInformation : BoxIcon::kExclamation);
}

void GuiRunHost::RunStarting(const std::string& root_name) {
  (void)root_name;
  window_.EnableStartCommands(false);
  window_.CommitFileName();
}

void GuiRunHost::ShowProgress(const std::string& root_name) {
  progress_ = &window_.ProgressDialog();
  if (progress_->isMinimized()) progress_->showNormal();
  const QString name = QString::fromStdString(root_name);
  progress_->setWindowTitle(name);
  // The run reports its root file by its full path.
  progress_->SetRootFName(QString::fromStdString(RootPath(root_name)));
  progress_->SetContinueFlag(state_ != nullptr ? &state_->ContinueFlag : nullptr);
  progress_->show();
  current_file_ = progress_->CurFName().toStdString();
  PumpEvents();  // the dialog appears before the scan begins
}

void GuiRunHost::HideProgress() {
  if (progress_ == nullptr) return;
  progress_->SetContinueFlag(nullptr);
  progress_->hide();
  progress_ = nullptr;
}

void GuiRunHost::RunEnded() {
  state_ = nullptr;
  window_.EnableStartCommands(true);
}

void GuiRunHost::OpenWrittenFile(const std::string& file_name) {
  window_.OpenWrittenFile(file_name);
}

}  // namespace zelvora::gui
