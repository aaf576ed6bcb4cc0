// TCGauge: a small painted control that shows a value between a minimum and a maximum as a
// horizontal or vertical bar, a pie, a needle or only as text, optionally with the whole
// percentage written over it so that it stays readable over the bar and the background.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <cstdint>

#include "platform/status.h"

namespace zelvora::gui {

enum class TCGaugeKind {
  gkText = 0,
  gkHorizontalBar = 1,
  gkVerticalBar = 2,
  gkPie = 3,
  gkNeedle = 4
};

// Only bsSingle has an effect: a 1-pixel black frame around a drawing area 1 pixel smaller
// on every side.
enum class TGaugeBorderStyle { bsNone = 0, bsSingle = 1 };

class TCGauge : public QWidget {
  Q_OBJECT

 public:
  // A 100 x 100 horizontal bar from 0 to 100 at 0, black on white, with a single border and
  // its percentage shown.
  explicit TCGauge(QWidget* parent = nullptr);

  TCGaugeKind Kind() const { return kind_; }
  bool ShowText() const { return show_text_; }
  TGaugeBorderStyle BorderStyle() const { return border_style_; }
  QColor ForeColor() const { return fore_color_; }
  QColor BackColor() const { return back_color_; }
  int32_t MinValue() const { return min_value_; }
  int32_t MaxValue() const { return max_value_; }
  int32_t Progress() const { return progress_; }

  // Each setter stores a changed value and repaints; an unchanged value costs nothing.
  void SetKind(TCGaugeKind kind);
  void SetShowText(bool show_text);
  void SetBorderStyle(TGaugeBorderStyle border_style);
  void SetForeColor(const QColor& color);
  void SetBackColor(const QColor& color);

  // Fails, changing nothing, when `value` is above MaxValue(), with the message
  // "-2147483647 から <MaxValue() - 1> の間の値でなければなりません". Otherwise stores it and
  // raises Progress() to it when Progress() is lower.
  Status SetMinValue(int32_t value);
  // 0 is ignored (the maximum stays). Fails, changing nothing, when `value` is below
  // MinValue(), with the message "<MinValue() + 1> から 2147483647 の間の値でなければなりません".
  // Otherwise stores it and lowers Progress() to it when Progress() is higher.
  Status SetMaxValue(int32_t value);

  // Clamps `value` into MinValue() .. MaxValue() and stores it; repaints only when the whole
  // percentage changed, so a caller may report progress as often as it likes.
  void SetProgress(int32_t value);
  // SetProgress(Progress() + delta), then repaints in any case.
  void AddProgress(int32_t delta);

  // (Progress - MinValue) * 100 / (MaxValue - MinValue), rounded down; 0 when the range is
  // empty.
  int GetPercentDone() const { return percent_done_; }

  // The control's whole picture as the screen gets it, in logical pixels.
  QImage Render() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // Asks for a repaint unless one is pending already.
  void Repaint();
  // The whole percentage that `progress` stands for in the current range.
  int PercentOf(int32_t progress) const;
  // The drawing area: the client rectangle, less the frame of a single border.
  QRect DrawingArea() const;
  void PaintAsBar(QImage& image, const QRect& area) const;
  void PaintAsPie(QImage& image, const QRect& area) const;
  void PaintAsNeedle(QImage& image, const QRect& area) const;
  void PaintAsText(QImage& image, const QRect& area) const;
  QImage BlackImage() const;

  TCGaugeKind kind_ = TCGaugeKind::gkHorizontalBar;
  bool show_text_ = true;
  TGaugeBorderStyle border_style_ = TGaugeBorderStyle::bsSingle;
  QColor fore_color_ = Qt::black;
  QColor back_color_ = Qt::white;
  int32_t min_value_ = 0;
  int32_t max_value_ = 100;
  int32_t progress_ = 0;
  int percent_done_ = 0;
  bool repaint_pending_ = false;
};

}  // namespace zelvora::gui
