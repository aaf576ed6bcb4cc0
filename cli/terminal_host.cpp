#include "cli/terminal_host.h"

#include <cctype>
#include <istream>
#include <optional>
#include <ostream>

#include "platform/terminal.h"

namespace zelvora {
namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);

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
                           bool draw_progress)
    : in_(in), out_(out), err_(err), interactive_(interactive), draw_progress_(draw_progress) {}

void TerminalHost::EchoLogEntry(const std::string& entry) {
  ClearProgress();
  err_ << entry;
  if (entry.empty() || entry.back() != '\n') err_ << '\n';
  err_.flush();
}

void TerminalHost::SetStatus(const std::string& text) { (void)text; }

void TerminalHost::SetCurrentFile(const std::string& file_name) {
  if (file_name == current_file_) return;
  current_file_ = file_name;
  DrawProgress();
}

void TerminalHost::SetPercent(int percent) {
  if (percent == percent_) return;
  percent_ = percent;
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
  out_ << text << '\n';
  out_.flush();
}

void TerminalHost::WouldWrite(const std::string& file_name) {
  ClearProgress();
  out_ << file_name << '\n';
  out_.flush();
}

void TerminalHost::HideProgress() { ClearProgress(); }

void TerminalHost::DrawProgress() {
  if (!draw_progress_) return;
  const auto now = std::chrono::steady_clock::now();
  if (progress_shown_ && now - last_drawn_ < kProgressInterval) return;
  last_drawn_ = now;
  err_ << "\r\033[K" << percent_ << "% " << current_file_;
  err_.flush();
  progress_shown_ = true;
}

void TerminalHost::ClearProgress() {
  if (!progress_shown_) return;
  err_ << "\r\033[K";
  progress_shown_ = false;
}

}  // namespace zelvora
