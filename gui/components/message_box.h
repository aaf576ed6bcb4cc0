// The program's message boxes: a text, a caption, a set of buttons and an icon, shown modal.
// Every window of the program shows its boxes through ShowMessageBox, so tests can answer
// them through MessageBoxScript instead of waiting for a person.
#pragma once

#include <QString>
#include <deque>
#include <vector>

class QWidget;

namespace zelvora::gui {

// The application's title: the program's display name, the caption of every box given an
// empty one and the start of the windows' captions.
inline constexpr char kApplicationTitle[] = "ゼルヴォラ";

enum class BoxButtons { kOk, kOkCancel, kYesNo, kAbortRetryIgnore };
enum class BoxIcon { kNone, kInformation, kExclamation };
enum class BoxAnswer { kOk, kCancel, kYes, kNo, kAbort, kRetry, kIgnore };

// Shows `text` in a modal box over `parent` (may be null) and returns the button pressed.
// An empty caption is replaced by the application's title "ゼルヴォラ". The buttons stand in
// the order their kind names them on every desktop, the first one the default (Enter);
// Abort, Retry and Ignore read "中止(&A)", "再試行(&R)", "無視(&I)", the others take Qt's
// Japanese texts. Closing the box without a button (Esc, the close box) answers Cancel or No
// where the box has them, otherwise the first button's answer. The box is wide enough for a
// title bar to show its whole caption, and while a window that stays on top of the others is
// shown (the progress window of a run), the box stays on top too, so it never opens behind.
BoxAnswer ShowMessageBox(QWidget* parent, const QString& text, BoxButtons buttons, BoxIcon icon,
                         const QString& caption = QString());

// A box as it would have been shown.
struct ShownBox {
  QString text;
  QString caption;  // after the empty-caption rule
  BoxButtons buttons;
  BoxIcon icon;
};

// Test hook: while an instance lives, ShowMessageBox shows nothing; it records each box in
// `shown` and returns the next answer of `answers`. When the answers run out, the first
// button's answer (kOk, kOk, kYes, kAbort) is returned and `unscripted` counts it. At most
// one instance lives at a time (a second one is a programming error and aborts).
class MessageBoxScript {
 public:
  MessageBoxScript();
  ~MessageBoxScript();
  MessageBoxScript(const MessageBoxScript&) = delete;
  MessageBoxScript& operator=(const MessageBoxScript&) = delete;

  std::deque<BoxAnswer> answers;
  std::vector<ShownBox> shown;
  int unscripted = 0;
};

}  // namespace zelvora::gui
