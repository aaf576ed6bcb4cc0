#include "gui/components/message_box.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "gui/app/japanese_ui.h"

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

// The buttons of the box `box`, left to right.
QList<QPushButton*> ButtonsLeftToRight(const QMessageBox& box) {
  QList<QPushButton*> buttons = box.findChildren<QPushButton*>();
  std::sort(buttons.begin(), buttons.end(), [](const QPushButton* a, const QPushButton* b) {
    return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
  });
  return buttons;
}

// Shows a real box and, once it is up, lets `act` look at it and answer it.
BoxAnswer ShowAndAct(BoxButtons buttons, const std::function<void(QMessageBox&)>& act) {
  QTimer::singleShot(0, [act] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    act(*box);
  });
  return ShowMessageBox(nullptr, "本文", buttons, BoxIcon::kExclamation);
}

TEST(MessageBoxTest, AbortRetryIgnoreStandInThatOrderWithAccessKeysAndAbortAsDefault) {
  QStringList texts;
  bool abort_is_default = false;
  EXPECT_EQ(ShowAndAct(BoxButtons::kAbortRetryIgnore,
                       [&](QMessageBox& box) {
                         const QList<QPushButton*> buttons = ButtonsLeftToRight(box);
                         for (const QPushButton* button : buttons) texts << button->text();
                         abort_is_default = !buttons.isEmpty() && buttons[0]->isDefault();
                         buttons.last()->click();
                       }),
            BoxAnswer::kIgnore);
  EXPECT_EQ(texts, (QStringList{"中止(&A)", "再試行(&R)", "無視(&I)"}));
  EXPECT_TRUE(abort_is_default);

  // Enter takes the default, Esc the first button.
  EXPECT_EQ(ShowAndAct(BoxButtons::kAbortRetryIgnore,
                       [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }),
            BoxAnswer::kAbort);
  EXPECT_EQ(ShowAndAct(BoxButtons::kAbortRetryIgnore,
                       [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }),
            BoxAnswer::kAbort);
}

TEST(MessageBoxTest, OtherKindsKeepTheirOrderAndEscapeAnswersCancelOrNo) {
  QStringList texts;
  EXPECT_EQ(ShowAndAct(BoxButtons::kOkCancel,
                       [&](QMessageBox& box) {
                         for (const QPushButton* button : ButtonsLeftToRight(box)) {
                           texts << button->text();
                         }
                         QTest::keyClick(&box, Qt::Key_Escape);
                       }),
            BoxAnswer::kCancel);
  EXPECT_EQ(texts, (QStringList{"OK", "キャンセル"}));
  EXPECT_EQ(ShowAndAct(BoxButtons::kYesNo,
                       [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }),
            BoxAnswer::kNo);
  EXPECT_EQ(ShowAndAct(BoxButtons::kOkCancel,
                       [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }),
            BoxAnswer::kOk);
}

TEST(MessageBoxTest, ABoxIsWideEnoughForItsCaptionInATitleBar) {
  const QString caption = "ゼルヴォラ";
  int width = 0;
  ShowAndAct(BoxButtons::kOk, [&](QMessageBox& box) {
    width = box.width();
    box.accept();
  });
  QFont title_font = QApplication::font();
  title_font.setBold(true);
  // The caption, and beside it the window's icon and three title bar buttons.
  EXPECT_GE(width, QFontMetrics(title_font).horizontalAdvance(caption) + 4 * 24);
}

TEST(JapaneseUiTest, UiFontIsAJapaneseFamilyThirteenPixelsHigh) {
  if (QFontDatabase::families().isEmpty()) {
    // Qt's offscreen platform on Windows has no font database at all; the test runs again
    // there with "-platform windows".
    GTEST_SKIP() << "this platform plugin knows no fonts";
  }
  ASSERT_FALSE(JapaneseUiFontFamily().isEmpty()) << "no Japanese font installed";
  EXPECT_EQ(JapaneseUiFontFamily(), UiFontFamilies().front()) << "the first choice is missing";
  const QFont font = QApplication::font();
  EXPECT_EQ(font.family(), JapaneseUiFontFamily());
  EXPECT_EQ(QFontMetrics(font).height(), kUiFontHeight);
}

}  // namespace
}  // namespace zelvora::gui
