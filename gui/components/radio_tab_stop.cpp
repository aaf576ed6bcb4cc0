#include "gui/components/radio_tab_stop.h"

#include <QRadioButton>
#include <algorithm>
#include <memory>
#include <vector>

namespace zelvora::gui {
namespace {

void MoveTabStop(const std::vector<QRadioButton*>& group) {
  const bool any_checked =
      std::any_of(group.begin(), group.end(), [](QRadioButton* b) { return b->isChecked(); });
  for (QRadioButton* button : group) {
    const bool stop = any_checked ? button->isChecked() : button == group.front();
    button->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
  }
}

}  // namespace

void TabStopAtCheckedButton(std::initializer_list<QRadioButton*> group) {
  const auto buttons = std::make_shared<std::vector<QRadioButton*>>(group);
  for (QRadioButton* button : group) {
    QObject::connect(button, &QRadioButton::toggled, button, [buttons] { MoveTabStop(*buttons); });
  }
  MoveTabStop(*buttons);
}

}  // namespace zelvora::gui
