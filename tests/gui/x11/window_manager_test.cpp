// The windows on a real desktop (Xvfb and openbox): how the run's boxes stack over the
// progress window, where Tab and the access keys lead, and closing the window through the
// window manager during a run. The keys are typed through the X server (xdotool), and the
// stacking is what the window manager reports (xprop), not what Qt believes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <deque>

#include "gui/app/main_window.h"
#include "gui/app/progress_dialog.h"
#include "gui/components/message_box.h"
#include "gui/settings_dialog/setting_dialog.h"
#include "settings/settings_persistence.h"
#include "tests/gui/support/gui_world.h"
#include "tests/gui/x11/virtual_desktop.h"

namespace zelvora::gui {
namespace {

using testing::GuiWorld;
using testing::ReadBytes;

// Generous limits for what the window manager and the X server do; never a measure.
constexpr int kPatienceMs = 60000;
// How long a typed key may take to move the focus: several keys a test, so less.
constexpr int kKeyPatienceMs = 15000;

// Where `window` stands in the window manager's stack (0 at the bottom); -1 when it is not
// managed (not yet, or no more).
int StackPosition(unsigned long window) {
  const std::vector<unsigned long> order = testing::StackingOrder();
  const auto found = std::find(order.begin(), order.end(), window);
  return found == order.end() ? -1 : static_cast<int>(found - order.begin());
}

// Each test needs the desktop the test main started.
class WindowManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::NoDesktopReason().empty()) GTEST_SKIP() << testing::NoDesktopReason();
  }
};

QPushButton* ButtonWithText(QWidget& window, const QString& text) {
  for (QPushButton* button : window.findChildren<QPushButton*>()) {
    if (button->text() == text) return button;
  }
  return nullptr;
}

// The run's boxes as they come up on the desktop: each is looked at once the window manager
// has put it on the screen, then answered with the next of `answers` (a button's text).
class RunBoxes {
 public:
  struct Seen {
    QString text;
    bool above_progress = false;
    bool transient_for_progress = false;
    bool progress_viewable = false;
  };

  RunBoxes(TFormZELV& window, std::deque<QString> answers)
      : window_(window), answers_(std::move(answers)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
    timer_.start(20);
  }

  std::vector<Seen> seen;

 private:
  void Look() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || answers_.empty()) return;
    const unsigned long box_id = box->winId();
    const unsigned long progress_id = window_.ProgressDialog().winId();
    const int box_at = StackPosition(box_id);
    if (box_at < 0) return;  // not on the screen yet
    seen.push_back({box->text(), box_at > StackPosition(progress_id),
                    testing::TransientFor(box_id) == progress_id,
                    testing::IsViewable(progress_id)});
    QPushButton* answer = ButtonWithText(*box, answers_.front());
    answers_.pop_front();
    if (answer != nullptr) answer->click();
  }

  TFormZELV& window_;
  std::deque<QString> answers_;
  QTimer timer_;
};

// A question and the summary come up over the progress window, which stays on top of the
// other windows: each stands above it (owned by it), and it stays visible behind them.
TEST_F(WindowManagerTest, ARunsBoxesStandAboveTheProgressWindowWhichStaysVisibleBehind) {
  GuiWorld world;
  const std::string page = world.Page("index.htm", "<!--#ZELV#--><a href=\"gone.htm\">x</a>\r\n");
  auto window = world.MakeWindow();
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), kPatienceMs));
  window->SetFileNameText(QString::fromStdString(page));

  RunBoxes boxes(*window, {"キャンセル", "OK"});
  window->MItemGoClick();
  ASSERT_EQ(boxes.seen.size(), 2u);
  EXPECT_TRUE(boxes.seen[0].text.startsWith("※　エラーが発生しました。"));
  EXPECT_EQ(boxes.seen[1].text, QString("中止しました。"));
  for (const RunBoxes::Seen& box : boxes.seen) {
    SCOPED_TRACE(box.text.toStdString());
    EXPECT_TRUE(box.above_progress);
    EXPECT_TRUE(box.transient_for_progress);
    EXPECT_TRUE(box.progress_viewable);
  }
}

// Shows a real box and types `keys` into it once it has the focus; returns its answer.
BoxAnswer AnswerByKeyboard(BoxButtons buttons, const std::string& keys) {
  QTimer::singleShot(0, [keys] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(box, kPatienceMs));
    testing::TypeKeys(keys);
  });
  return ShowMessageBox(nullptr, "次のファイルが見つかりません。", buttons, BoxIcon::kExclamation);
}

TEST_F(WindowManagerTest, TheQuestionsAccessKeysAnswerItAndEnterTakesAbort) {
  EXPECT_EQ(AnswerByKeyboard(BoxButtons::kAbortRetryIgnore, "alt+r"), BoxAnswer::kRetry);
  EXPECT_EQ(AnswerByKeyboard(BoxButtons::kAbortRetryIgnore, "alt+i"), BoxAnswer::kIgnore);
  EXPECT_EQ(AnswerByKeyboard(BoxButtons::kAbortRetryIgnore, "Return"), BoxAnswer::kAbort);
}

// One Space after a Tab must never change the error policy: Tab enters the group at the
// checked button, and the arrow keys move the choice within it.
TEST_F(WindowManagerTest, TabEntersARadioGroupAtItsCheckedButton) {
  testing::TempDir dir("radio");
  RegistryStore store(dir / "registry.reg");
  TSetting live;
  live.ErrCope = 1;
  TFormSetting dialog(SettingDialogServices{store, live, {}});
  dialog.SetWorkingCopy(live);
  dialog.show();
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog, kPatienceMs));
  const auto focus_becomes = [](const char* name) {
    return QTest::qWaitFor(
        [name] {
          const QWidget* focus = QApplication::focusWidget();
          return focus != nullptr && focus->objectName() == name;
        },
        kKeyPatienceMs);
  };
  dialog.findChild<QCheckBox*>("CBoxLinkWrite")->setFocus();
  ASSERT_TRUE(focus_becomes("CBoxLinkWrite"));

  testing::TypeKeys("Tab");
  EXPECT_TRUE(focus_becomes("RButtonContinueDeal"));
  testing::TypeKeys("Tab");
  EXPECT_TRUE(focus_becomes("CBoxKeepTimeStamp"));
  testing::TypeKeys("shift+Tab");
  EXPECT_TRUE(focus_becomes("RButtonContinueDeal"));
  EXPECT_TRUE(dialog.findChild<QRadioButton*>("RButtonContinueDeal")->isChecked());

  testing::TypeKeys("Up");
  EXPECT_TRUE(focus_becomes("RButtonAbortDeal"));
  EXPECT_TRUE(dialog.findChild<QRadioButton*>("RButtonAbortDeal")->isChecked());
  testing::TypeKeys("shift+Tab");
  EXPECT_TRUE(focus_becomes("CBoxLinkWrite"));
  testing::TypeKeys("Tab");
  EXPECT_TRUE(focus_becomes("RButtonAbortDeal"));
}

// The close button of the window manager during a run: the run stops, no box waits for an
// answer, the settings are saved and the last window goes, which ends the program. (The
// run's summary goes to standard error instead.)
TEST_F(WindowManagerTest, ClosingTheWindowDuringARunEndsItWithoutABox) {
  GuiWorld world;
  std::string large = "<!--#ZELV#-->\r\n";
  for (int i = 0; i < 1'000'000; ++i) large += "<b>x</b>";
  const std::string page = world.Page("large.htm", large);
  auto window = world.MakeWindow();
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), kPatienceMs));
  window->SetFileNameText(QString::fromStdString(page));
  world.fs.on_read = [&](const std::string& path) {
    if (path == page) {
      QTimer::singleShot(0, window.get(), [&] { testing::AskToClose(window->winId()); });
    }
  };
  std::vector<QString> boxes;
  QTimer watchdog;
  QObject::connect(&watchdog, &QTimer::timeout, [&boxes] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      boxes.push_back(box->text());
      box->reject();
    }
  });
  watchdog.start(20);

  window->MItemGoClick();
  EXPECT_TRUE(boxes.empty()) << boxes.front().toStdString();
  // No window is left on the screen, which ends the program's event loop.
  for (const QWidget* left : QApplication::topLevelWidgets()) {
    EXPECT_FALSE(left->isVisible()) << left->objectName().toStdString();
  }
  EXPECT_EQ(ReadBytes(page), large);
  EXPECT_EQ(*world.store.ReadString(kExitStateKey, "WriteFName"), page);
}

}  // namespace
}  // namespace zelvora::gui
