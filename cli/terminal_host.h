// The run host of zelvora-stamp: log entries go to the error stream as they are added,
// messages (the run's summary) to the output stream, a progress line is drawn on a terminal,
// and questions are asked on the terminal — or, without one, answered so that the run stops.
//
// The progress line shows what the progress window's two gauges show: how far the scan of
// the run's root file has come (it stands still while a linked page is scanned) and how far
// the scan of the current file has come.
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

#include "run/run_context.h"
#include "run/run_host.h"

namespace zelvora {

class TerminalHost : public RunHost {
 public:
  // `interactive`: questions may be put on `err` and read from `in`. `draw_progress`: `err`
  // is a terminal that can take a progress line, redrawn at most once per `redraw_interval`.
  TerminalHost(std::istream& in, std::ostream& out, std::ostream& err, bool interactive,
               bool draw_progress,
               std::chrono::milliseconds redraw_interval = std::chrono::milliseconds(100));

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
  void HistoryIsShallow(const std::string& work_tree) override;
  void ShowProgress(const std::string& root_name) override;
  void HideProgress() override;

  // The pages a trial run found it would write.
  int would_write_count() const { return would_write_count_; }

 private:
  // Redraws the progress line, at most once per redraw interval.
  void DrawProgress();
  void ClearProgress();
  Answer ReadAnswer(Question kind);

  std::istream& in_;
  std::ostream& out_;
  std::ostream& err_;
  const bool interactive_;
  const bool draw_progress_;
  const std::chrono::milliseconds redraw_interval_;
  RunState* state_ = nullptr;
  std::string root_file_;  // the first file shown in this run: the root file, as a full path
  std::string current_file_;
  int percent_ = 0;       // the current file's gauge
  int root_percent_ = 0;  // the root file's gauge
  bool progress_shown_ = false;
  int would_write_count_ = 0;
  bool warned_shallow_ = false;  // the shallow-history warning is given once per command
  std::chrono::steady_clock::time_point last_drawn_;
};

}  // namespace zelvora
