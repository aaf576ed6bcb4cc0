#include "gui/components/about_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "gui/components/about_window.h"
#include "gui/components/program_icon.h"

namespace zelvora::gui {
namespace {

class OpenAboutDialog : public TAboutDialog {
 public:
  using TAboutDialog::dialog_form;
  using TAboutDialog::TAboutDialog;
};

void RightClick(QWidget* window) {
  const QPointF at(200, 150);
  QMouseEvent press(QEvent::MouseButtonPress, at, window->mapToGlobal(at), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(window, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, window->mapToGlobal(at), Qt::RightButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(window, &release);
}

TEST(AboutDialogTest, CaptionFollowsTheNameUntilItIsSetToSomethingElse) {
  TAboutDialog about(nullptr);
  EXPECT_EQ(about.GetCaption(), QString("のバージョン情報"));
  about.SetAppName("ゼルヴォラ");
  EXPECT_EQ(about.GetCaption(), QString("ゼルヴォラのバージョン情報"));
  about.SetAppName("ゼルヴォラ 2");
  EXPECT_EQ(about.GetCaption(), QString("ゼルヴォラ 2のバージョン情報"));
  about.SetCaption("情報");
  about.SetAppName("別名");
  EXPECT_EQ(about.GetCaption(), QString("情報"));
  EXPECT_EQ(about.GetAppName(), QString("別名"));
}

TEST(AboutDialogTest, WindowShowsTheTextsAndTheIconAtThirtyTwoPixels) {
  OpenAboutDialog about(nullptr);
  about.SetAppName("ゼルヴォラ");
  about.SetAppVer("Ver 3.50");
  about.SetCright("Copyright");
  ASSERT_TRUE(about.Create());
  const DialogWindow* window = about.dialog_form();
  EXPECT_EQ(window->windowTitle(), QString("ゼルヴォラのバージョン情報"));
  EXPECT_EQ(window->findChild<QLabel*>("LabelAppName")->text(), QString("ゼルヴォラ"));
  EXPECT_EQ(window->findChild<QLabel*>("LabelAppVer")->text(), QString("Ver 3.50"));
  EXPECT_EQ(window->findChild<QLabel*>("LabelCright")->text(), QString("Copyright"));
  const QLabel* icon = window->findChild<QLabel*>("ImgIcon");
  EXPECT_EQ(icon->geometry(), QRect(16, 16, 32, 32));
  EXPECT_FALSE(icon->pixmap().isNull());
  EXPECT_EQ(about.GetDialogWidth(), 361);
  EXPECT_EQ(about.GetDialogHeight(), 249);
}

TEST(AboutDialogTest, RightClickClosesOnlyAModalRunWhileOkAlwaysCloses) {
  OpenAboutDialog about(nullptr);
  about.Show();
  DialogWindow* window = about.dialog_form();
  RightClick(window);
  EXPECT_TRUE(window->isVisible());
  window->findChild<QPushButton*>("ButtonOK")->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(window->result(), kModalOk);

  QTimer::singleShot(0, [window] { RightClick(window); });
  EXPECT_EQ(about.ShowModal(), kModalCancel);
  EXPECT_FALSE(window->isVisible());
}

TEST(ProgramIconTest, RendersAtEveryDesktopSizeWithSomethingDrawn) {
  for (const int size : kProgramIconSizes) {
    const QImage image = RenderProgramIcon(size);
    ASSERT_EQ(image.size(), QSize(size, size));
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << size;  // a transparent corner
    EXPECT_GT(image.pixelColor(size / 2, size / 2).alpha(), 0) << size;
  }
  EXPECT_EQ(ProgramIcon().availableSizes().size(),
            static_cast<qsizetype>(kProgramIconSizes.size()));
}

}  // namespace
}  // namespace zelvora::gui
