#include "gui/components/custom_dialog.h"

#include <gtest/gtest.h>

#include <QTimer>

#include "gui/components/message_box.h"

namespace zelvora::gui {
namespace {

class PlainWindow : public DialogWindow {
 public:
  PlainWindow() : DialogWindow(190, 90) {}
};

// A component with a window of its own size; it counts configurations and can fail to make
// its window.
class PlainDialog : public TMRVCustomDlg {
 public:
  PlainDialog(int width, int height, bool can_create = true)
      : TMRVCustomDlg(nullptr), can_create_(can_create) {
    SetDialogSize(width, height);
  }
  using TMRVCustomDlg::dialog_form;
  int configured = 0;

 protected:
  DialogWindow* CreateSelf() override { return can_create_ ? new PlainWindow : nullptr; }
  void PropToDialog() override {
    ++configured;
    TMRVCustomDlg::PropToDialog();
  }

 private:
  bool can_create_;
};

TEST(CustomDialogTest, StartsCentredOnTheScreenWithTheUsualFrame) {
  const QSize screen = PrimaryScreenSize();
  PlainDialog dialog(200, 101);
  EXPECT_EQ(dialog.GetLeft(), (screen.width() - 200) / 2);
  EXPECT_EQ(dialog.GetTop(), (screen.height() - 101) / 2);
  EXPECT_EQ(dialog.GetBorderIcons(), BorderIcons(BorderIcon::kSystemMenu | BorderIcon::kMinimize));
  EXPECT_EQ(dialog.GetBorderStyle(), BorderStyle::kSingle);
  EXPECT_EQ(dialog.GetPosition(), Placement::kDesigned);
  EXPECT_FALSE(dialog.IsCreated());
}

TEST(CustomDialogTest, SetPosPullsTheWindowInsideEachScreenEdgeAndDoesNothingBeforeCreate) {
  const QSize screen = PrimaryScreenSize();
  PlainDialog dialog(200, 100);
  const int centred_left = dialog.GetLeft();
  dialog.SetPos(true, -50, -50);
  EXPECT_EQ(dialog.GetLeft(), centred_left);
  EXPECT_FALSE(dialog.IsCreated());

  ASSERT_TRUE(dialog.Create());
  dialog.SetPos(true, -50, -50);
  EXPECT_EQ(dialog.GetLeft(), 0);
  EXPECT_EQ(dialog.GetTop(), 0);
  EXPECT_EQ(dialog.dialog_form()->pos(), QPoint(0, 0));
  dialog.SetPos(true, screen.width() - 20, screen.height() - 30);
  EXPECT_EQ(dialog.GetLeft(), screen.width() - 200);
  EXPECT_EQ(dialog.GetTop(), screen.height() - 100);
  EXPECT_EQ(dialog.dialog_form()->pos(), QPoint(screen.width() - 200, screen.height() - 100));
  dialog.SetPos(true, 30, 40);
  EXPECT_EQ(dialog.dialog_form()->pos(), QPoint(30, 40));
  EXPECT_EQ(dialog.GetPosition(), Placement::kDesigned);

  dialog.SetPos(false, 1, 2);
  EXPECT_EQ(dialog.GetPosition(), Placement::kScreenCenter);
  EXPECT_EQ(dialog.GetLeft(), 30);
}

TEST(CustomDialogTest, DialogLargerThanTheScreenEndsWithANegativeLeftAndTop) {
  const QSize screen = PrimaryScreenSize();
  PlainDialog dialog(screen.width() + 100, screen.height() + 60);
  ASSERT_TRUE(dialog.Create());
  dialog.SetPos(true, 10, 10);
  EXPECT_EQ(dialog.GetLeft(), -100);
  EXPECT_EQ(dialog.GetTop(), -60);
}

TEST(CustomDialogTest, AWindowThatCannotBeMadeIsReportedAndEndsShowAndShowModal) {
  MessageBoxScript script;
  PlainDialog dialog(200, 100, /*can_create=*/false);
  dialog.Show();
  EXPECT_EQ(dialog.ShowModal(), kModalNone);
  EXPECT_FALSE(dialog.IsCreated());
  ASSERT_EQ(script.shown.size(), 2u);
  EXPECT_EQ(script.shown[0].text, QString("ダイアログが生成できませんでした。"));
  EXPECT_EQ(script.shown[0].caption, QString("ゼルヴォラ"));
  EXPECT_EQ(script.shown[0].buttons, BoxButtons::kOk);
  EXPECT_EQ(script.shown[0].icon, BoxIcon::kExclamation);
}

TEST(CustomDialogTest, ShowOnAVisibleDialogOnlyBringsItToTheFront) {
  PlainDialog dialog(200, 100);
  dialog.SetCaption("first");
  dialog.Show();
  ASSERT_TRUE(dialog.dialog_form()->isVisible());
  EXPECT_EQ(dialog.configured, 1);
  dialog.SetCaption("second");
  dialog.Show();
  EXPECT_EQ(dialog.configured, 1);
  EXPECT_EQ(dialog.dialog_form()->windowTitle(), QString("first"));
  dialog.Hide(false);
}

TEST(CustomDialogTest, ShowingAMinimisedDialogRestoresIt) {
  PlainDialog dialog(200, 100);
  dialog.Show();
  DialogWindow* window = dialog.dialog_form();
  window->setWindowState(Qt::WindowMinimized);
  ASSERT_TRUE(window->isMinimized());
  dialog.Show();
  EXPECT_FALSE(window->isMinimized());
  EXPECT_TRUE(window->isVisible());
  dialog.Hide(false);
}

// The user moves and renames the window, then ends the modal run with `result`.
int RunModalAndEnd(PlainDialog& dialog, int result) {
  QTimer::singleShot(0, [&dialog, result] {
    DialogWindow* window = dialog.dialog_form();
    window->setWindowTitle("moved");
    window->move(11, 12);
    window->done(result);
  });
  return dialog.ShowModal();
}

TEST(CustomDialogTest, ShowModalTakesTheWindowsValuesOnlyAfterOk) {
  PlainDialog dialog(200, 100);
  dialog.SetCaption("caption");
  dialog.SetBorderIcons(BorderIcon::kSystemMenu);
  const int left = dialog.GetLeft();
  const int top = dialog.GetTop();

  EXPECT_EQ(RunModalAndEnd(dialog, kModalCancel), kModalCancel);
  EXPECT_EQ(dialog.GetCaption(), QString("caption"));
  EXPECT_EQ(dialog.GetLeft(), left);
  EXPECT_EQ(dialog.GetTop(), top);
  EXPECT_EQ(dialog.GetBorderIcons(), BorderIcons(BorderIcon::kSystemMenu));
  EXPECT_EQ(dialog.GetPosition(), Placement::kDesigned);

  // A modal run starts from the properties again, so the cancelled title is gone.
  EXPECT_EQ(RunModalAndEnd(dialog, kModalOk), kModalOk);
  EXPECT_EQ(dialog.GetCaption(), QString("moved"));
  EXPECT_EQ(dialog.GetLeft(), 11);
  EXPECT_EQ(dialog.GetTop(), 12);
  EXPECT_FALSE(dialog.dialog_form()->isVisible());
}

TEST(CustomDialogTest, ShowModalOfAModelessDialogKeepsWhatTheUserLeftInIt) {
  PlainDialog dialog(200, 100);
  dialog.SetCaption("caption");
  dialog.Show();
  dialog.dialog_form()->setWindowTitle("typed");
  QTimer::singleShot(0, [&dialog] {
    EXPECT_TRUE(dialog.dialog_form()->isModal());
    EXPECT_EQ(dialog.dialog_form()->windowTitle(), QString("typed"));
    dialog.dialog_form()->reject();
  });
  EXPECT_EQ(dialog.ShowModal(), kModalCancel);
  EXPECT_EQ(dialog.configured, 1);
}

TEST(CustomDialogTest, HideTakesTheValuesOnlyWhenAskedAndDestroyForgetsTheWindow) {
  PlainDialog dialog(200, 100);
  dialog.Hide(true);  // no window: nothing happens
  dialog.Show();
  dialog.dialog_form()->move(5, 6);
  dialog.Hide(false);
  EXPECT_NE(dialog.GetLeft(), 5);
  dialog.Show();
  dialog.Hide(true);
  EXPECT_FALSE(dialog.dialog_form()->isVisible());
  EXPECT_EQ(dialog.GetLeft(), 5);
  EXPECT_EQ(dialog.GetTop(), 6);

  dialog.Destroy();
  EXPECT_FALSE(dialog.IsCreated());
  ASSERT_TRUE(dialog.Create());
  EXPECT_EQ(dialog.dialog_form()->pos(), QPoint(5, 6));
}

TEST(CustomDialogTest, FrameSettingsReachTheWindowAndComeBack) {
  PlainDialog dialog(200, 100);
  dialog.SetBorderIcons(BorderIcon::kSystemMenu | BorderIcon::kMaximize);
  dialog.SetBorderStyle(BorderStyle::kToolWindow);
  dialog.SetBorderWidth(4);
  dialog.SetFormStyle(FormStyle::kStayOnTop);
  ASSERT_TRUE(dialog.Create());
  const DialogWindow* window = dialog.dialog_form();
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_EQ(window->size(), QSize(198, 98));  // client area plus the inner border
  EXPECT_EQ(window->client()->pos(), QPoint(4, 4));

  dialog.SetBorderStyle(BorderStyle::kNone);
  dialog.SetBorderWidth(0);
  dialog.Hide(true);
  EXPECT_EQ(dialog.GetBorderStyle(), BorderStyle::kToolWindow);
  EXPECT_EQ(dialog.GetBorderWidth(), 4);
  EXPECT_EQ(dialog.GetFormStyle(), FormStyle::kStayOnTop);
}

}  // namespace
}  // namespace zelvora::gui
