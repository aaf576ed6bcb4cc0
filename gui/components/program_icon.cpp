#include "gui/components/program_icon.h"

#include <QPixmap>

namespace zelvora::gui {

QIcon ProgramIcon() {
  static const QIcon icon = [] {
    QIcon rendered;
    for (const int size : kProgramIconSizes) {
      rendered.addPixmap(QPixmap::fromImage(RenderProgramIcon(size)));
    }
    return rendered;
  }();
  return icon;
}

}  // namespace zelvora::gui
