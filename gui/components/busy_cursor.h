// The hourglass pointer for slow interface work (making a window, reading folders, listing
// files): shown while an instance lives. Instances nest.
#pragma once

#include <QApplication>
#include <QCursor>

namespace zelvora::gui {

class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace zelvora::gui
