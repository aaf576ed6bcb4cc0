#include "gui/components/gauge.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <string>

namespace zelvora::gui {
namespace {

Status RangeError(int64_t low, int64_t high) {
  return Status::Error(std::to_string(low) + " から " + std::to_string(high) +
                       " の間の値でなければなりません");
}

}  // namespace

TCGauge::TCGauge(QWidget* parent) : QWidget(parent) {
  // The gauge paints every pixel itself.
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(100, 100);
}

// A run may report thousands of changes between two repaints: only the first asks Qt for
// one.
void TCGauge::Repaint() {
  if (repaint_pending_) return;
  repaint_pending_ = true;
  update();
}

void TCGauge::SetKind(TCGaugeKind kind) {
  if (kind == kind_) return;
  kind_ = kind;
  Repaint();
}

void TCGauge::SetShowText(bool show_text) {
  if (show_text == show_text_) return;
  show_text_ = show_text;
  Repaint();
}

void TCGauge::SetBorderStyle(TGaugeBorderStyle border_style) {
  if (border_style == border_style_) return;
  border_style_ = border_style;
  Repaint();
}

void TCGauge::SetForeColor(const QColor& color) {
  if (color == fore_color_) return;
  fore_color_ = color;
  Repaint();
}

void TCGauge::SetBackColor(const QColor& color) {
  if (color == back_color_) return;
  back_color_ = color;
  Repaint();
}

Status TCGauge::SetMinValue(int32_t value) {
  if (value == min_value_) return Status::Ok();
  if (value > max_value_) return RangeError(-int64_t{INT32_MAX}, int64_t{max_value_} - 1);
  min_value_ = value;
  progress_ = std::max(progress_, min_value_);
  percent_done_ = PercentOf(progress_);
  Repaint();
  return Status::Ok();
}

Status TCGauge::SetMaxValue(int32_t value) {
  if (value == max_value_ || value == 0) return Status::Ok();
  if (value < min_value_) return RangeError(int64_t{min_value_} + 1, INT32_MAX);
  max_value_ = value;
  progress_ = std::min(progress_, max_value_);
  percent_done_ = PercentOf(progress_);
  Repaint();
  return Status::Ok();
}

void TCGauge::SetProgress(int32_t value) {
  const int32_t clamped = std::clamp(value, min_value_, max_value_);
  if (clamped == progress_) return;
  progress_ = clamped;
  const int percent = PercentOf(progress_);
  if (percent == percent_done_) return;
  percent_done_ = percent;
  Repaint();
}

void TCGauge::AddProgress(int32_t delta) {
  const int64_t sum = int64_t{progress_} + delta;
  SetProgress(static_cast<int32_t>(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX)));
  Repaint();
}

// Exact: the values are whole numbers, so the percentage is worked out in 64-bit integers
// (Progress is never below MinValue).
int TCGauge::PercentOf(int32_t progress) const {
  if (max_value_ == min_value_) return 0;
  return static_cast<int>((int64_t{progress} - min_value_) * 100 /
                          (int64_t{max_value_} - min_value_));
}

QRect TCGauge::DrawingArea() const {
  const QRect client = rect();
  return border_style_ == TGaugeBorderStyle::bsSingle ? client.adjusted(1, 1, -1, -1) : client;
}

QImage TCGauge::BlackImage() const {
  const qreal ratio = devicePixelRatioF();
  QImage image(size() * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::black);
  return image;
}

// The picture is made off screen and reaches the screen in one copy, so the gauge never
// flickers. Outside the drawing area the image stays black: with a single border that
// margin is the frame.
QImage TCGauge::Render() const {
  QImage picture = BlackImage();
  const QRect area = DrawingArea();
  switch (kind_) {
    case TCGaugeKind::gkText:
      QPainter(&picture).fillRect(area, back_color_);
      break;
    case TCGaugeKind::gkHorizontalBar:
    case TCGaugeKind::gkVerticalBar:
      PaintAsBar(picture, area);
      break;
    case TCGaugeKind::gkPie:
      PaintAsPie(picture, area);
      break;
    case TCGaugeKind::gkNeedle:
      PaintAsNeedle(picture, area);
      break;
  }
  if (show_text_) PaintAsText(picture, area);
  return picture;
}

void TCGauge::paintEvent(QPaintEvent* event) {
  (void)event;
  repaint_pending_ = false;
  QPainter(this).drawImage(0, 0, Render());
}

// The bar's far edge lies at the absolute coordinate percent / 100 of the area's extent plus
// one, so that at 100 % the bar ends exactly at the area's edge.
void TCGauge::PaintAsBar(QImage& image, const QRect& area) const {
  QPainter painter(&image);
  painter.setClipRect(area);
  painter.fillRect(area, back_color_);
  const int percent = GetPercentDone();
  const int left = area.left();
  const int top = area.top();
  const int width = area.width() + 1;    // right (exclusive) - left + 1
  const int height = area.height() + 1;  // bottom (exclusive) - top + 1
  if (kind_ == TCGaugeKind::gkHorizontalBar) {
    const int bar = std::min(percent * width / 100, width);
    if (bar > 0)
      painter.fillRect(QRect(QPoint(left, top), QPoint(bar - 1, height - 1)), fore_color_);
    return;
  }
  int bar = percent * height / 100;
  if (bar >= height) bar = height - 1;
  if (bar > 0) {
    painter.fillRect(QRect(QPoint(left, height - bar), QPoint(width - 1, height - 1)), fore_color_);
  }
}

// A disc with a slice that grows clockwise from twelve o'clock.
void TCGauge::PaintAsPie(QImage& image, const QRect& area) const {
  QPainter painter(&image);
  painter.setClipRect(area);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(area, palette().color(backgroundRole()));
  painter.setPen(fore_color_);
  painter.setBrush(back_color_);
  const QRectF disc = QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5);
  painter.drawEllipse(disc);
  const int percent = GetPercentDone();
  if (percent > 0) {
    painter.setBrush(fore_color_);
    painter.drawPie(disc, 90 * 16, -percent * 360 * 16 / 100);
  }
}

// The upper half of a dial standing on a base line, with a needle that turns from the left
// (0 %) over the top (50 %) to the right (100 %).
void TCGauge::PaintAsNeedle(QImage& image, const QRect& area) const {
  QPainter painter(&image);
  painter.setClipRect(area);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(area, palette().color(backgroundRole()));
  painter.setPen(fore_color_);
  painter.setBrush(back_color_);
  const int base = area.bottom();
  const QRectF dial(area.left() + 0.5, area.top() + 0.5, area.width() - 1.0,
                    2.0 * (base - area.top()));
  painter.drawPie(dial, 0, 180 * 16);
  painter.drawLine(QPointF(area.left(), base + 0.5), QPointF(area.right() + 1, base + 0.5));
  const int percent = GetPercentDone();
  if (percent > 0) {
    const double angle = std::numbers::pi * percent / 100.0;
    const double middle = width() / 2.0;
    const QPointF tip(std::floor(middle * (1 - std::cos(angle))),
                      std::floor(base * (1 - std::sin(angle))));
    painter.drawLine(QPointF(middle, base), tip);
  }
}

// The percentage is drawn white on black in an image of its own and combined with the
// picture by exclusive-or: it shows black over the white background and in the inverse of
// the bar's colour over the bar, so it stays readable wherever the bar ends.
void TCGauge::PaintAsText(QImage& image, const QRect& area) const {
  const QString text = QString::number(GetPercentDone()) + QLatin1Char('%');
  // Whole pixels only: an edge pixel of smoothed lettering would turn into a third colour.
  QFont lettering_font = font();
  lettering_font.setStyleStrategy(QFont::NoAntialias);
  const QFontMetrics metrics(lettering_font);
  const int right = area.right() + 1;    // exclusive
  const int bottom = area.bottom() + 1;  // exclusive
  const int x = (right - area.left() - metrics.horizontalAdvance(text) + 1) / 2;
  const int y = (bottom - area.top() - metrics.height() + 1) / 2;
  QImage lettering = BlackImage();
  {
    QPainter painter(&lettering);
    painter.setClipRect(area);
    painter.setFont(lettering_font);
    painter.setPen(Qt::white);
    painter.drawText(x, y + metrics.ascent(), text);
  }
  QPainter painter(&image);
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.drawImage(0, 0, lettering);
}

}  // namespace zelvora::gui
