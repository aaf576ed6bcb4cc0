#include "cli/terminal_host.h"

#include <cctype>
#include <istream>
#include <optional>
#include <ostream>

#include "platform/paths.h"
#include "platform/terminal.h"

namespace zelvora {
namespace {

constexpr char kOkCancelPrompt[] = "[o] OK（続行） / [c] キャンセル（中止）: ";
constexpr char kAbortRetryIgnorePrompt[] = "[a] 中止 / [r] 再試行 / [i] 無視: ";

std::optional<Answer> ParseAnswer(const std::string& line, Question kind) {
  if (line.empty()) return std::nullopt;
  const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
  if (kind == Question::kOkCancel) {
    if (key == 'o' || key == 'y') return Answer::kOk;
    if (key == 'c' || key == 'n') return Answer::kCancel;
    return std::nullopt;
  }
  if (key == 'a') return Answer::kAbort;
  if (key == 'r') return Answer::kRetry;
  if (key == 'i') return Answer::kIgnore;
  return std::nullopt;
}

Answer StoppingAnswer(Question kind) {
  return kind == Question::kOkCancel ? Answer::kCancel : Answer::kAbort;
}

}  // namespace

TerminalHost::TerminalHost(std::istream& in, std::ostream& out, std::ostream& err, bool interactive,
                           bool draw_progress, std::chrono::milliseconds redraw_interval)
    : in_(in),
      out_(out),
      err_(err),
      interactive_(interactive),
      draw_progress_(draw_progress),
      redraw_interval_(redraw_interval) {}

void TerminalHost::EchoLogEntry(const std::string& entry) {
  ClearProgress();
  err_ << entry;
  if (entry.empty() || entry.back() != '\n') err_ << '\n';
  // On a terminal each entry shows at once; into a file or pipe they go in large writes.
  if (draw_progress_) err_.flush();
}

void TerminalHost::SetStatus(const std::string& text) { (void)text; }

void TerminalHost::SetCurrentFile(const std::string& file_name) {
  if (root_file_.empty()) root_file_ = file_name;
  if (file_name == current_file_) return;
  current_file_ = file_name;
  DrawProgress();
}

void TerminalHost::SetPercent(int percent) {
  // The root gauge follows only while the root file is the one scanned; names that differ in
  // letter case name the same file, as everywhere in a run.
  const bool at_root = AsciiLower(current_file_) == AsciiLower(root_file_);
  if (percent == percent_ && (!at_root || percent == root_percent_)) return;
  percent_ = percent;
  if (at_root) root_percent_ = percent;
  DrawProgress();
}

void TerminalHost::ProcessPendingEvents() {
  if (state_ != nullptr && InterruptRequested()) state_->ContinueFlag = false;
}

Answer TerminalHost::Ask(const std::string& text, Question kind) {
  ClearProgress();
  if (!interactive_) {
    err_ << (kind == Question::kOkCancel
                 ? "→ 質問に答える端末がないため、キャンセルとして扱いました。\n"
                 : "→ 質問に答える端末がないため、中止として扱いました。\n");
    err_.flush();
    return StoppingAnswer(kind);
  }
  err_ << '\n' << text << '\n';
  return ReadAnswer(kind);
}

Answer TerminalHost::ReadAnswer(Question kind) {
  for (;;) {
    err_ << (kind == Question::kOkCancel ? kOkCancelPrompt : kAbortRetryIgnorePrompt);
    err_.flush();
    std::string line;
    if (!std::getline(in_, line)) {
      err_ << '\n';
      return StoppingAnswer(kind);
    }
    if (const auto answer = ParseAnswer(line, kind)) return *answer;
  }
}

void TerminalHost::ShowMessage(const std::string& text, MessageIcon icon) {
  (void)icon;
  ClearProgress();
  err_.flush();  // the entries before the message come before it, also in one file
  out_ << text << '\n';
  out_.flush();
}

void TerminalHost::WouldWrite(const std::string& file_name) {
  ClearProgress();
  err_.flush();
  out_ << file_name << '\n';
  out_.flush();
}

void TerminalHost::ShowProgress(const std::string& root_name) {
  (void)root_name;  // the run names its root file as a full path when its scan begins
  root_file_.clear();
  current_file_.clear();
  percent_ = 0;
  root_percent_ = 0;
}

void TerminalHost::HideProgress() { ClearProgress(); }

void TerminalHost::DrawProgress() {
  if (!draw_progress_) return;
  const auto now = std::chrono::steady_clock::now();
  if (progress_shown_ && now - last_drawn_ < redraw_interval_) return;
  last_drawn_ = now;
  err_ << "\r\033[K全体 " << root_percent_ << "%  ファイル " << percent_ << "%  " << current_file_;
  err_.flush();
  progress_shown_ = true;
}

void TerminalHost::ClearProgress() {
  if (!progress_shown_) return;
  err_ << "\r\033[K";
  progress_shown_ = false;
}

}  // namespace zelvora
