// RenderProgramIcon drawn from the SVG with Qt Svg (builds with ZELVORA_SVG_ICON on).
#include <QPainter>
#include <QSvgRenderer>

#include "gui/components/program_icon.h"

// The resource file lives in a static library: its registration must be referenced, or the
// linker drops it. Q_INIT_RESOURCE only works outside a namespace.
static void InitProgramIconResource() { Q_INIT_RESOURCE(zelvora); }

namespace zelvora::gui {

QImage RenderProgramIcon(int size) {
  InitProgramIconResource();
  QSvgRenderer renderer{QString(kProgramIconResource)};
  if (!renderer.isValid()) return QImage();
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter);
  return image;
}

}  // namespace zelvora::gui
