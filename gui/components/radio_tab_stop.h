// Keyboard entry into a group of radio buttons, as desktops have it: Tab reaches the group at
// its checked button, never at the first one (where one Space would silently change the
// choice); the arrow keys then move within the group.
#pragma once

#include <initializer_list>

class QRadioButton;

namespace zelvora::gui {

// Makes the checked button of `group` (radio buttons of one exclusive group, such as those
// with one parent) its only stop for Tab, and keeps it so as the checked button changes; the
// others still take the focus by a click or an arrow key. With none checked, the first button
// is the stop. The buttons must go together (children of one window, as a group is).
void TabStopAtCheckedButton(std::initializer_list<QRadioButton*> group);

}  // namespace zelvora::gui
