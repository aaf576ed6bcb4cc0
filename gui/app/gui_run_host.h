// The run host of the desktop program: a stamp run shows its status in the main window's
// status line, its progress in the progress dialog, and its questions and summary in
// message boxes, owned by the progress dialog while it is shown so that they stand above it;
// it lets pending window events run now and then, so the windows repaint and the abort
// button answers while the run goes on, on the window thread. Once the user has closed the
// main window, no box is shown: a question is answered Cancel or Abort, so the run stops,
// and the run's remaining messages go to standard error.
#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>

#include "platform/coarse_clock.h"
#include "run/run_context.h"
#include "run/run_host.h"

class QWidget;

namespace zelvora::gui {

class TFormZELV;
class TFormProgress;

class GuiRunHost : public RunHost {
 public:
  // How long the run goes between two rounds of pending events: short enough for the abort
  // button to answer well within a tenth of a second, long enough that a run in the window
  // costs about what it costs on the command line.
  static constexpr std::chrono::milliseconds kPumpInterval{25};

  // `window` is not owned and outlives the host.
  explicit GuiRunHost(TFormZELV& window) : window_(window) {}

  // The state of the run about to start, whose continue flag the abort button clears. Not
  // owned; must live until RunEnded.
  void BeginRun(RunState& state) { state_ = &state; }

  // Without a person to ask (a run started from the command line for measurements):
  // questions are written to `report` and answered Cancel or Abort, so the run stops, and
  // messages are written there instead of being shown. Null shows boxes again.
  void SetUnattended(std::ostream* report) { unattended_report_ = report; }
  // Called with each message of the run as it is shown (the summary among them).
  void SetMessageObserver(std::function<void(const std::string&)> observer) {
    message_observer_ = std::move(observer);
  }

  void SetStatus(const std::string& text) override;
  void SetCurrentFile(const std::string& file_name) override;
  void SetPercent(int percent) override;
  void ProcessPendingEvents() override;
  Answer Ask(const std::string& text, Question kind) override;
  void ShowMessage(const std::string& text, MessageIcon icon) override;
  void RunStarting(const std::string& root_name) override;
  void ShowProgress(const std::string& root_name) override;
  void HideProgress() override;
  void RunEnded() override;
  void OpenWrittenFile(const std::string& file_name) override;

 private:
  // Runs the pending events now and starts the next interval.
  void PumpEvents();
  // The window that owns the run's message boxes.
  QWidget* BoxOwner() const;

  TFormZELV& window_;
  TFormProgress* progress_ = nullptr;  // the progress dialog while it is shown
  RunState* state_ = nullptr;
  std::ostream* unattended_report_ = nullptr;
  std::function<void(const std::string&)> message_observer_;
  std::string current_file_;  // the current file last shown
  CoarseClock::time_point next_pump_;
};

}  // namespace zelvora::gui
