#include "gui/components/message_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <cstdlib>
#include <utility>
#include <vector>

namespace zelvora::gui {
namespace {

MessageBoxScript* active_script = nullptr;

// Room that a window manager's title bar takes besides the caption: the window's icon and
// the buttons to minimise, maximise and close it, with their margins.
constexpr int kTitleBarRoom = 120;

// A box's buttons in their documented order, left to right, with the answer of each; the
// first is the default button. Standard buttons keep Qt's (translated) texts.
struct BoxButton {
  QMessageBox::StandardButton standard;
  const char* text;  // null: Qt's text of the standard button
  BoxAnswer answer;
};

std::vector<BoxButton> ButtonsOf(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::kOk:
      return {{QMessageBox::Ok, nullptr, BoxAnswer::kOk}};
    case BoxButtons::kOkCancel:
      return {{QMessageBox::Ok, nullptr, BoxAnswer::kOk},
              {QMessageBox::Cancel, nullptr, BoxAnswer::kCancel}};
    case BoxButtons::kYesNo:
      return {{QMessageBox::Yes, nullptr, BoxAnswer::kYes},
              {QMessageBox::No, nullptr, BoxAnswer::kNo}};
    case BoxButtons::kAbortRetryIgnore:
      return {{QMessageBox::Abort, "中止(&A)", BoxAnswer::kAbort},
              {QMessageBox::Retry, "再試行(&R)", BoxAnswer::kRetry},
              {QMessageBox::Ignore, "無視(&I)", BoxAnswer::kIgnore}};
  }
  return {{QMessageBox::Ok, nullptr, BoxAnswer::kOk}};
}

// Qt's (translated) text of a standard button.
QString StandardText(QMessageBox& box, QMessageBox::StandardButton standard) {
  QPushButton* probe = box.addButton(standard);
  const QString text = probe->text();
  box.removeButton(probe);
  delete probe;
  return text;
}

// Whether a window of the program that stays on top of the others (the progress window
// during a run) is shown: a box must then stay on top as well, or it would open behind it.
bool StayOnTopWindowShown() {
  for (const QWidget* window : QApplication::topLevelWidgets()) {
    if (window->isVisible() && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
      return true;
    }
  }
  return false;
}

// Makes `box` at least as wide as its title bar needs to show the whole caption.
void MakeRoomForCaption(QMessageBox& box, const QString& caption) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  QFont title_font = box.font();
  title_font.setBold(true);  // window managers commonly set captions in bold
  const int width = QFontMetrics(title_font).horizontalAdvance(caption) + kTitleBarRoom;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                grid->rowCount(), 0, 1, grid->columnCount());
}

QMessageBox::Icon StandardIconOf(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::kNone:
      return QMessageBox::NoIcon;
    case BoxIcon::kInformation:
      return QMessageBox::Information;
    case BoxIcon::kExclamation:
      return QMessageBox::Warning;
  }
  return QMessageBox::NoIcon;
}

BoxAnswer FirstAnswerOf(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::kOk:
    case BoxButtons::kOkCancel:
      return BoxAnswer::kOk;
    case BoxButtons::kYesNo:
      return BoxAnswer::kYes;
    case BoxButtons::kAbortRetryIgnore:
      return BoxAnswer::kAbort;
  }
  return BoxAnswer::kOk;
}

}  // namespace

BoxAnswer ShowMessageBox(QWidget* parent, const QString& text, BoxButtons buttons, BoxIcon icon,
                         const QString& caption) {
  const QString shown_caption = caption.isEmpty() ? QString::fromUtf8(kApplicationTitle) : caption;
  if (active_script != nullptr) {
    active_script->shown.push_back({text, shown_caption, buttons, icon});
    if (active_script->answers.empty()) {
      ++active_script->unscripted;
      return FirstAnswerOf(buttons);
    }
    const BoxAnswer answer = active_script->answers.front();
    active_script->answers.pop_front();
    return answer;
  }
  QMessageBox box(StandardIconOf(icon), shown_caption, text, QMessageBox::NoButton, parent);
  // Reports quote file names and tags; they are never markup.
  box.setTextFormat(Qt::PlainText);
  if (StayOnTopWindowShown()) box.setWindowFlag(Qt::WindowStaysOnTopHint);
  // All in one role, so that every platform's button order keeps the documented one.
  std::vector<std::pair<QAbstractButton*, BoxAnswer>> answers;
  for (const BoxButton& button : ButtonsOf(buttons)) {
    const QString label = button.text != nullptr ? QString::fromUtf8(button.text)
                                                 : StandardText(box, button.standard);
    answers.emplace_back(box.addButton(label, QMessageBox::ActionRole), button.answer);
  }
  box.setDefaultButton(static_cast<QPushButton*>(answers.front().first));
  // Esc and the close box answer Cancel or No where the box has them, otherwise the first
  // button.
  const bool second_escapes = buttons == BoxButtons::kOkCancel || buttons == BoxButtons::kYesNo;
  box.setEscapeButton(second_escapes ? answers.back().first : answers.front().first);
  MakeRoomForCaption(box, shown_caption);
  box.exec();
  for (const auto& [button, answer] : answers) {
    if (box.clickedButton() == button) return answer;
  }
  return FirstAnswerOf(buttons);
}

MessageBoxScript::MessageBoxScript() {
  if (active_script != nullptr) std::abort();
  active_script = this;
}

MessageBoxScript::~MessageBoxScript() { active_script = nullptr; }

}  // namespace zelvora::gui
