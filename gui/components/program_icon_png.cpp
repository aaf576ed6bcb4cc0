// RenderProgramIcon from the PNG files rendered beforehand (builds with ZELVORA_SVG_ICON off,
// whose Qt has no Svg module).
#include "gui/components/program_icon.h"

// The resource file lives in a static library: its registration must be referenced, or the
// linker drops it. Q_INIT_RESOURCE only works outside a namespace.
static void InitProgramIconResource() { Q_INIT_RESOURCE(zelvora_icons); }

namespace zelvora::gui {
namespace {

QImage LoadIconPng(int size) {
  return QImage(QString(":/zelvora/icons/zelvora-%1.png").arg(size))
      .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

QImage RenderProgramIcon(int size) {
  InitProgramIconResource();
  if (size <= 0) return QImage();
  // The PNG of this size, else the next larger one (scaling down keeps the drawing sharp),
  // else the largest.
  int source = kProgramIconSizes.back();
  for (const int available : kProgramIconSizes) {
    if (available >= size) {
      source = available;
      break;
    }
  }
  const QImage image = LoadIconPng(source);
  if (image.isNull() || source == size) return image;
  return image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace zelvora::gui
