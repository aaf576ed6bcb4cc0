// Writes the program's icon into an icon theme folder: DIR/NxN/apps/zelvora.png for every
// size of kProgramIconSizes and DIR/scalable/apps/zelvora.svg.
//
//   zelvora-render-icon build/icons/hicolor
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

#include "gui/components/program_icon.h"

namespace {

bool WriteSvg(const QString& theme) {
  const QString folder = theme + "/scalable/apps";
  const QString target = folder + "/zelvora.svg";
  QFile::remove(target);
  return QDir().mkpath(folder) &&
         QFile::copy(QString(zelvora::gui::kProgramIconResource), target) &&
         QFile::setPermissions(
             target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}

bool WritePng(const QString& theme, int size) {
  const QString folder = QString("%1/%2x%2/apps").arg(theme).arg(size);
  const QImage image = zelvora::gui::RenderProgramIcon(size);
  return !image.isNull() && QDir().mkpath(folder) && image.save(folder + "/zelvora.png", "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: zelvora-render-icon THEME-FOLDER\n");
    return 2;
  }
  const QString theme = QString::fromLocal8Bit(argv[1]);
  if (!WriteSvg(theme)) {
    std::fprintf(stderr, "zelvora-render-icon: cannot write the SVG icon below %s\n", argv[1]);
    return 1;
  }
  for (const int size : zelvora::gui::kProgramIconSizes) {
    if (!WritePng(theme, size)) {
      std::fprintf(stderr, "zelvora-render-icon: cannot write the %d pixel icon\n", size);
      return 1;
    }
  }
  return 0;
}
