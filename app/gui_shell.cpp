#include "app/gui_shell.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace zelvora::gui {

DesktopShell& GuiDesktopShell() {
  static XdgDesktopShell shell(
      [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
  return shell;
}

}  // namespace zelvora::gui
