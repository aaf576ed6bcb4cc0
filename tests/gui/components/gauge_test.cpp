#include "gui/components/gauge.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>

namespace zelvora::gui {
namespace {

const QRgb kNavy = qRgb(0, 0, 128);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

// The progress dialog's total gauge: 153 x 25, navy on white, single border.
void ShapeLikeTheTotalGauge(TCGauge& gauge, bool show_text) {
  gauge.resize(153, 25);
  gauge.SetForeColor(kNavy);
  gauge.SetShowText(show_text);
}

int CountPixels(const QImage& image, QRgb colour, QRect within) {
  int count = 0;
  for (int y = within.top(); y <= within.bottom(); ++y) {
    for (int x = within.left(); x <= within.right(); ++x) {
      if (image.pixel(x, y) == colour) ++count;
    }
  }
  return count;
}

TEST(GaugeTest, HorizontalBarGrowsInsideTheFrame) {
  TCGauge gauge;
  ShapeLikeTheTotalGauge(gauge, false);
  const QRect inside(1, 1, 151, 23);

  QImage image = gauge.Render();
  EXPECT_EQ(CountPixels(image, kNavy, image.rect()), 0) << "no bar at 0 %";
  EXPECT_EQ(CountPixels(image, kWhite, inside), inside.width() * inside.height());
  for (int x = 0; x < 153; ++x) {
    EXPECT_EQ(image.pixel(x, 0), kBlack);
    EXPECT_EQ(image.pixel(x, 24), kBlack);
  }

  gauge.SetProgress(100);
  image = gauge.Render();
  EXPECT_EQ(CountPixels(image, kNavy, inside), inside.width() * inside.height());
  EXPECT_EQ(CountPixels(image, kNavy, image.rect()), inside.width() * inside.height())
      << "the frame stays black";

  // At 50 % the bar's right edge is at x = 50 % of (152), i.e. it covers x = 1 .. 75.
  gauge.SetProgress(50);
  image = gauge.Render();
  EXPECT_EQ(image.pixel(75, 12), kNavy);
  EXPECT_EQ(image.pixel(76, 12), kWhite);
  EXPECT_EQ(CountPixels(image, kNavy, inside), 75 * 23);
}

TEST(GaugeTest, PercentageIsWrittenInTheInverseOfWhatLiesBeneath) {
  TCGauge gauge;
  ShapeLikeTheTotalGauge(gauge, true);
  gauge.SetProgress(50);
  const QImage image = gauge.Render();
  // "50%" stands centred on the bar's end: the digits over navy, the sign over white.
  EXPECT_GT(CountPixels(image, qRgb(255, 255, 127), QRect(1, 1, 75, 23)), 5);
  EXPECT_GT(CountPixels(image, kBlack, QRect(76, 1, 76, 23)), 5);

  TCGauge without_text;
  ShapeLikeTheTotalGauge(without_text, false);
  without_text.SetProgress(50);
  const QImage plain = without_text.Render();
  EXPECT_EQ(CountPixels(plain, kNavy, QRect(1, 1, 75, 23)) +
                CountPixels(plain, kWhite, QRect(76, 1, 76, 23)),
            151 * 23)
      << "nothing but bar and background";
}

TEST(GaugeTest, OtherKindsDrawTheirShapes) {
  TCGauge gauge;
  gauge.resize(40, 40);
  gauge.SetShowText(false);
  gauge.SetForeColor(kNavy);

  gauge.SetKind(TCGaugeKind::gkVerticalBar);
  gauge.SetProgress(50);
  QImage image = gauge.Render();
  EXPECT_EQ(image.pixel(20, 35), kNavy) << "grows from the bottom";
  EXPECT_EQ(image.pixel(20, 5), kWhite);

  gauge.SetKind(TCGaugeKind::gkPie);
  gauge.SetProgress(25);
  image = gauge.Render();
  EXPECT_EQ(image.pixel(26, 14), kNavy) << "the slice runs clockwise from twelve o'clock";
  EXPECT_EQ(image.pixel(14, 26), kWhite);

  gauge.SetKind(TCGaugeKind::gkText);
  image = gauge.Render();
  EXPECT_EQ(CountPixels(image, kWhite, QRect(1, 1, 38, 38)), 38 * 38);
}

TEST(GaugeTest, RangeSettersRefuseValuesAcrossTheOtherEndWithTheirMessage) {
  TCGauge gauge;
  gauge.SetProgress(60);

  Status status = gauge.SetMinValue(101);
  EXPECT_EQ(status.message(), "-2147483647 から 99 の間の値でなければなりません");
  EXPECT_EQ(gauge.MinValue(), 0);
  ASSERT_TRUE(gauge.SetMinValue(70).ok());
  EXPECT_EQ(gauge.Progress(), 70) << "raised to the new minimum";

  status = gauge.SetMaxValue(-5);
  EXPECT_EQ(status.message(), "71 から 2147483647 の間の値でなければなりません");
  ASSERT_TRUE(gauge.SetMaxValue(0).ok());
  EXPECT_EQ(gauge.MaxValue(), 100) << "0 is ignored";
  ASSERT_TRUE(gauge.SetMaxValue(80).ok());
  gauge.SetProgress(150);
  EXPECT_EQ(gauge.Progress(), 80);
  gauge.SetProgress(-5);
  EXPECT_EQ(gauge.Progress(), 70);

  ASSERT_TRUE(gauge.SetMaxValue(70).ok());
  EXPECT_EQ(gauge.GetPercentDone(), 0) << "an empty range shows 0 %";
  gauge.SetShowText(false);
  EXPECT_EQ(CountPixels(gauge.Render(), kBlack, QRect(1, 1, 98, 98)), 0) << "and no bar";

  ASSERT_TRUE(gauge.SetMinValue(INT32_MIN).ok());
  ASSERT_TRUE(gauge.SetMaxValue(INT32_MAX).ok());
  gauge.SetProgress(INT32_MAX);
  EXPECT_EQ(gauge.GetPercentDone(), 100) << "no overflow over the widest range";
}

class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return QObject::eventFilter(watched, event);
  }
};

TEST(GaugeTest, RepaintsOnlyWhenTheWholePercentageChanges) {
  TCGauge gauge;
  ASSERT_TRUE(gauge.SetMaxValue(1000).ok());
  gauge.show();
  QApplication::processEvents();
  PaintCounter counter;
  gauge.installEventFilter(&counter);

  gauge.SetProgress(5);  // 0.5 %: still 0 %
  gauge.SetProgress(9);
  QApplication::processEvents();
  EXPECT_EQ(counter.paints, 0);

  gauge.SetProgress(10);  // 1 %
  QApplication::processEvents();
  EXPECT_EQ(counter.paints, 1);

  gauge.AddProgress(1);  // still 1 %, but AddProgress always repaints
  QApplication::processEvents();
  EXPECT_EQ(counter.paints, 2);
  EXPECT_EQ(gauge.Progress(), 11);
}

}  // namespace
}  // namespace zelvora::gui
