#include "tools/framed_picture.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include "gui/components/program_icon.h"

namespace zelvora::tools {
namespace {

constexpr int kTitleHeight = 26;
constexpr int kBorder = 1;

}  // namespace

QImage Framed(QWidget& window) {
  const QPixmap client = window.grab();
  QImage image(client.width() + 2 * kBorder, client.height() + kTitleHeight + kBorder,
               QImage::Format_ARGB32);
  image.fill(QColor(0x7d, 0x84, 0x8f));
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRect title(kBorder, kBorder, client.width(), kTitleHeight - kBorder);
  painter.fillRect(title, QColor(0xe4, 0xe8, 0xee));
  painter.drawPixmap(title.left() + 6, title.top() + (title.height() - 16) / 2,
                     gui::ProgramIcon().pixmap(16, 16));
  painter.setPen(QColor(0x20, 0x24, 0x2a));
  painter.setFont(QApplication::font());
  painter.drawText(title.adjusted(28, 0, -30, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   window.windowTitle());
  const QPoint close(title.right() - 14, title.center().y());
  painter.setPen(QPen(QColor(0x40, 0x44, 0x4a), 1.5));
  painter.drawLine(close + QPoint(-4, -4), close + QPoint(4, 4));
  painter.drawLine(close + QPoint(-4, 4), close + QPoint(4, -4));
  painter.drawPixmap(kBorder, kTitleHeight, client);
  return image;
}

}  // namespace zelvora::tools
