#include "components/message_box.h"

#include <QMessageBox>
#include <cstdlib>

namespace zelvora::gui {
namespace {

MessageBoxScript* active_script = nullptr;

QMessageBox::StandardButtons StandardButtonsOf(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::kOk:
      return QMessageBox::Ok;
    case BoxButtons::kOkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case BoxButtons::kYesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case BoxButtons::kAbortRetryIgnore:
      return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
  }
  return QMessageBox::Ok;
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

BoxAnswer AnswerOf(int button, BoxButtons buttons) {
  switch (button) {
    case QMessageBox::Ok:
      return BoxAnswer::kOk;
    case QMessageBox::Cancel:
      return BoxAnswer::kCancel;
    case QMessageBox::Yes:
      return BoxAnswer::kYes;
    case QMessageBox::No:
      return BoxAnswer::kNo;
    case QMessageBox::Abort:
      return BoxAnswer::kAbort;
    case QMessageBox::Retry:
      return BoxAnswer::kRetry;
    case QMessageBox::Ignore:
      return BoxAnswer::kIgnore;
    default:
      return FirstAnswerOf(buttons);
  }
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
  QMessageBox box(StandardIconOf(icon), shown_caption, text, StandardButtonsOf(buttons), parent);
  // Reports quote file names and tags; they are never markup.
  box.setTextFormat(Qt::PlainText);
  return AnswerOf(box.exec(), buttons);
}

MessageBoxScript::MessageBoxScript() {
  if (active_script != nullptr) std::abort();
  active_script = this;
}

MessageBoxScript::~MessageBoxScript() { active_script = nullptr; }

}  // namespace zelvora::gui
