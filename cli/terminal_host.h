// The run host of zelvora-stamp: log entries go to the error stream as they are added,
// messages (the run's summary) to the output stream, a progress line is drawn on a terminal,
// and questions are asked on the terminal — or, without one, answered so that the run stops.
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

#include "engine/run_context.h"
#include "engine/run_host.h"

namespace zelvora {

class TerminalHost : public RunHost {
 public:
  // `interactive`: questions may be read from `in`. `draw_progress`: `err` is a terminal
  // that can take a progress line.
  TerminalHost(std::istream& in, std::ostream& out, std::ostream& err, bool interactive,
               bool draw_progress);

  // Lets an interrupt from the keyboard clear the continue flag of `state`.
  void WatchInterrupts(RunState& state) { state_ = &state; }

  // Writes one log entry to the error stream.
  void EchoLogEntry(const std::string& entry);

  void SetStatus(const std::string& text) override;
  void SetCurrentFile(const std::string& file_name) override;
  void SetPercent(int percent) override;
  void ProcessPendingEvents() override;
  Answer Ask(const std::string& text, Question kind) override;
  void ShowMessage(const std::string& text, MessageIcon icon) override;
  void WouldWrite(const std::string& file_name) override;
  void HideProgress() override;

 private:
  // Redraws the progress line, at most every tenth of a second.
  void DrawProgress();
  void ClearProgress();
  Answer ReadAnswer(Question kind);

  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  const bool interactive_;
  const bool draw_progress_;
  RunState* state_ = nullptr;
  std::string current_file_;
  int percent_ = 0;
  bool progress_shown_ = false;
  std::chrono::steady_clock::time_point last_drawn_;
};

}  // namespace zelvora
