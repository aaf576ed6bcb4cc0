#include "components/message_box.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTimer>

#include "app/japanese_ui.h"

namespace zelvora::gui {
namespace {

TEST(MessageBoxTest, ScriptRecordsBoxesAndAnswersInOrderWithTheTitleForAnEmptyCaption) {
  MessageBoxScript script;
  script.answers = {BoxAnswer::kRetry};
  EXPECT_EQ(ShowMessageBox(nullptr, "失敗", BoxButtons::kAbortRetryIgnore, BoxIcon::kExclamation),
            BoxAnswer::kRetry);
  // Answers used up: the first button's answer, counted.
  EXPECT_EQ(ShowMessageBox(nullptr, "上書き", BoxButtons::kYesNo, BoxIcon::kExclamation, "題"),
            BoxAnswer::kYes);
  ASSERT_EQ(script.shown.size(), 2u);
  EXPECT_EQ(script.shown[0].caption, QString("ゼルヴォラ"));
  EXPECT_EQ(script.shown[0].text, QString("失敗"));
  EXPECT_EQ(script.shown[1].caption, QString("題"));
  EXPECT_EQ(script.unscripted, 1);
}

TEST(MessageBoxTest, RealBoxCarriesJapaneseButtonTextsAndAnswersThePressedButton) {
  QString retry_text;
  QTimer::singleShot(0, [&retry_text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    retry_text = box->button(QMessageBox::Retry)->text();
    box->button(QMessageBox::Ignore)->click();
  });
  EXPECT_EQ(ShowMessageBox(nullptr, "本文", BoxButtons::kAbortRetryIgnore, BoxIcon::kExclamation),
            BoxAnswer::kIgnore);
  EXPECT_EQ(retry_text, QString("再試行"));
}

TEST(JapaneseUiTest, UiFontIsAJapaneseFamilyThirteenPixelsHigh) {
  ASSERT_FALSE(JapaneseUiFontFamily().isEmpty()) << "no Japanese font installed";
  const QFont font = QApplication::font();
  EXPECT_EQ(font.family(), JapaneseUiFontFamily());
  EXPECT_EQ(QFontMetrics(font).height(), kUiFontHeight);
}

}  // namespace
}  // namespace zelvora::gui
