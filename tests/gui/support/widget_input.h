// Keyboard and focus input for GUI tests, delivered straight to a widget as the window
// system would deliver it (no focus or active window needed on the offscreen platform).
#pragma once

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace zelvora::testing {

// Presses and releases `key` over `widget`.
inline void PressKey(QWidget* widget, int key, const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &release);
}

// Types `text` into `widget` one character at a time, as a user would.
inline void TypeText(QWidget* widget, const QString& text) {
  for (const QChar c : text) PressKey(widget, 0, QString(c));
}

inline void SendFocus(QWidget* widget, bool in) {
  QFocusEvent event(in ? QEvent::FocusIn : QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(widget, &event);
}

}  // namespace zelvora::testing
