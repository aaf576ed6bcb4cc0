// Finding the program's top-level windows that a command has shown, and answering the file
// selection window as a user would.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "gui/components/file_selection_window.h"

namespace zelvora::testing {

// The first visible top-level window of type `Window`, or null.
template <typename Window>
Window* ShownWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* window = qobject_cast<Window*>(widget);
    if (window != nullptr && window->isVisible()) return window;
  }
  return nullptr;
}

// Types `name` into the name field of `window` and presses its OK button.
inline void ConfirmFileName(gui::TFormFileSel& window, const QString& name) {
  window.findChild<QLineEdit*>("EditFileName")->setText(name);
  window.findChild<QPushButton*>("ButtonOk")->click();
}

}  // namespace zelvora::testing
