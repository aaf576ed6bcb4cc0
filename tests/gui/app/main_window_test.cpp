#include "gui/app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <functional>

#include "gui/app/progress_dialog.h"
#include "gui/components/message_box.h"
#include "settings/settings_persistence.h"
#include "tests/gui/support/gui_world.h"

namespace zelvora::gui {
namespace {

using testing::FailNth;
using testing::FsOp;
using testing::GuiWorld;
using testing::ReadBytes;
using testing::SettleShellRequests;

constexpr char kMarkedPage[] = "<p><!--#ZELV#--></p>\r\n";
constexpr char kFinished[] = "終了しました。";
constexpr char kAborted[] = "中止しました。";

// A page whose scan takes a good while: a mark, then a million tags.
std::string LargePage() {
  std::string page = "<!--#ZELV#-->\r\n";
  for (int i = 0; i < 1'000'000; ++i) page += "<b>x</b>";
  return page;
}

// The exit state and progress offset as the next start of the program reads them.
struct Stored {
  ExitState exit_state;
  ProgressOffset offset;
  bool loaded = false;
};
Stored ReadBack(const GuiWorld& world) {
  RegistryStore store(world.StorePath());
  TSetting setting;
  Stored stored;
  stored.exit_state.MWLeft = -1;
  stored.loaded = LoadSettings(store, setting, stored.exit_state, stored.offset).ok();
  return stored;
}

QPushButton* Button(QWidget& window, const char* name) {
  return window.findChild<QPushButton*>(name);
}
QAction* Item(QWidget& window, const char* name) { return window.findChild<QAction*>(name); }

TEST(MainWindowTest, StartsWithoutStoredStateAtTheTopLeftWithItsCommands) {
  GuiWorld world;
  auto window = world.MakeWindow();
  window->show();
  EXPECT_EQ(window->pos(), QPoint(0, 0));
  EXPECT_EQ(window->windowTitle(), QString("ゼルヴォラ"));
  EXPECT_EQ(window->findChild<QComboBox*>("HCBoxWriteFName")->currentText(), QString());
  EXPECT_EQ(
      window->StatusText(),
      QString(" ゼルヴォラマークを記述したファイルを指定し、「開始」ボタンをクリックして下さい。"));
  EXPECT_EQ(window->centralWidget()->width(), 577);
  EXPECT_EQ(window->centralWidget()->height() + window->statusBar()->height(), 75);

  const struct {
    const char* name;
    const char* caption;
    const char* shortcut;
  } items[] = {
      {"MItemOpen", "&O・記入ファイルを開く", "Ctrl+O"},
      {"MItemGo", "&G・記入開始", "Ctrl+G"},
      {"MItemExit", "&X・終了", "Alt+F4"},
      {"MItemLogExp", "&L・ログ表示", "Ctrl+L"},
      {"MItemPreferences", "&P・動作設定 ...", ""},
      {"MItemHelp", "&H・ヘルプ", "F1"},
      {"MItemJumpToAuthorWeb", "&J・作者のホームページ", ""},
      {"MItemAbout", "&A・バージョン情報 ...", ""},
  };
  for (const auto& item : items) {
    QAction* action = Item(*window, item.name);
    ASSERT_NE(action, nullptr) << item.name;
    EXPECT_EQ(action->text(), QString(item.caption));
    EXPECT_EQ(action->shortcut(), QKeySequence(item.shortcut)) << item.name;
    EXPECT_TRUE(action->isEnabled()) << item.name;
  }
  EXPECT_EQ(Button(*window, "ButtonGo")->text(), QString("&G・開始"));
  EXPECT_EQ(Button(*window, "ButtonBrowse")->text(), QString("&B・参照 ..."));
}

// The defaults that replace a store the window cannot load are no silent loss: the store is
// kept as it was, and the status line says what failed and where the copy is.
TEST(MainWindowTest, AStoreThatCannotBeLoadedIsKeptAndNamedInTheStatusLine) {
  GuiWorld world;
  world.MakeWindow()->close();
  ASSERT_TRUE(world.store.WriteString(kPreferenceKey, "ErrCope", "1").ok());  // not a number
  const std::string damaged = ReadBytes(world.StorePath());
  world.settings.ErrCope = 1;

  auto window = world.MakeWindow();
  window->show();
  EXPECT_EQ(window->StatusText().toStdString(),
            " 設定を読み込めないため標準の設定に戻しました（読めない値：Preference\\ErrCope）。"
            "元の設定は " +
                world.StorePath() + ".damaged に残してあります。");
  EXPECT_EQ(world.settings.ErrCope, TSetting().ErrCope);
  EXPECT_EQ(ReadBytes(world.StorePath() + ".damaged"), damaged);
  window->close();
  // The next start reads the store the window saved, without a word.
  window = world.MakeWindow();
  window->show();
  EXPECT_EQ(
      window->StatusText(),
      QString(" ゼルヴォラマークを記述したファイルを指定し、「開始」ボタンをクリックして下さい。"));
}

TEST(MainWindowTest, EnterInTheFileBoxStampsThePageAndCommitsTheName) {
  GuiWorld world;
  const std::string page = world.Page("index.htm", kMarkedPage);
  auto window = world.MakeWindow();
  window->show();
  auto* box = window->findChild<QComboBox*>("HCBoxWriteFName");
  box->setEditText(QString::fromStdString(page));

  MessageBoxScript boxes;
  QTest::keyClick(box->lineEdit(), Qt::Key_Return);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QString(kFinished));
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::kInformation);
  EXPECT_NE(ReadBytes(page).find("($BEGIN)"), std::string::npos) << "the page was stamped";
  EXPECT_EQ(window->StatusText(), QString(" 更新日の記入が終了しました。"));
  EXPECT_EQ(box->count(), 1);
  EXPECT_EQ(*world.store.ReadString("\\Software\\MORVID\\Zelvora\\ExitState\\HistWriteFName", "0"),
            page);
  EXPECT_TRUE(Button(*window, "ButtonGo")->isEnabled());
  EXPECT_TRUE(Item(*window, "MItemGo")->isEnabled());
  EXPECT_FALSE(window->ProgressDialog().isVisible()) << "hidden after the run";

  // An empty name shows its box only: no history entry, no log.
  box->setEditText("");
  Item(*window, "MItemGo")->trigger();
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1].text, QString("記入ファイル名を入力して下さい。"));
  EXPECT_EQ(box->count(), 1);
}

TEST(MainWindowTest, EveryWayOfClosingSavesTheSettingsAndExitState) {
  const std::function<void(TFormZELV&)> ways[] = {
      [](TFormZELV& window) { window.close(); },                        // the close box
      [](TFormZELV& window) { Item(window, "MItemExit")->trigger(); },  // 終了
      [](TFormZELV& window) { QTest::keyClick(&window, Qt::Key_F4, Qt::AltModifier); },
  };
  for (const auto& close_window : ways) {
    GuiWorld world;
    auto window = world.MakeWindow();
    world.settings.BackupGenes = 7;  // changed while the program runs
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->move(40, 30);
    window->SetFileNameText("typed.htm");
    close_window(*window);
    EXPECT_FALSE(window->isVisible());
    const Stored stored = ReadBack(world);
    ASSERT_TRUE(stored.loaded);
    EXPECT_EQ(stored.exit_state.MWLeft, 40);
    EXPECT_EQ(stored.exit_state.MWTop, 30);
    EXPECT_EQ(stored.exit_state.WriteFName, "typed.htm");
    EXPECT_EQ(*world.store.ReadInteger(kPreferenceKey, "BackupGenes"), 7);
  }
}

TEST(MainWindowTest, ARunAnswersAnAbortRetryIgnoreQuestionAndGoesOn) {
  GuiWorld world;
  const std::string root = world.Page("a.htm", "<!--#ZELV#--><a href=\"b.htm\">b</a>\r\n");
  const std::string linked = world.Page("b.htm", kMarkedPage);
  world.fs.Inject(FailNth(FsOp::kReadFile, 1, ENOENT, "b.htm"));  // gone for a moment
  auto window = world.MakeWindow();
  world.settings.OpenWriteF = true;
  window->show();
  window->SetFileNameText(QString::fromStdString(root));

  MessageBoxScript boxes;
  boxes.answers = {BoxAnswer::kRetry};
  window->MItemGoClick();
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::kAbortRetryIgnore);
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::kExclamation);
  EXPECT_EQ(boxes.shown[0].caption, QString("ゼルヴォラ"));
  EXPECT_TRUE(boxes.shown[0].text.startsWith("※　エラーが発生しました。"));
  EXPECT_TRUE(boxes.shown[0].text.contains(QString::fromStdString(linked)));
  EXPECT_TRUE(boxes.shown[0].text.endsWith("どうしますか？"));
  EXPECT_EQ(boxes.shown[1].text, QString(kFinished));
  EXPECT_NE(ReadBytes(linked).find("($BEGIN)"), std::string::npos) << "stamped after Retry";
  EXPECT_NE(ReadBytes(root).find("($BEGIN)"), std::string::npos);
  // With OpenWriteF the page is opened after the summary.
  SettleShellRequests(*window);
  EXPECT_EQ(world.opened, std::vector<std::string>{root});
  EXPECT_EQ(window->StatusText(), QString(" 記入ファイルを開きました。"));
}

TEST(MainWindowTest, TheAbortButtonStopsARunOnALargePage) {
  GuiWorld world;
  const std::string page = world.Page("large.htm", LargePage());
  auto window = world.MakeWindow();
  window->show();
  window->SetFileNameText(QString::fromStdString(page));
  bool commands_disabled = false;
  world.fs.on_read = [&](const std::string& path) {
    if (path != page) return;
    commands_disabled =
        !Button(*window, "ButtonGo")->isEnabled() && !Item(*window, "MItemGo")->isEnabled();
    // Pressed while the page is scanned: seen at the run's next round of events.
    QTimer::singleShot(0, window.get(), [&] {
      Button(window->ProgressDialog(), "ButtonAbort")->click();
      window->MItemGoClick();  // a second run never starts inside the first
    });
  };

  MessageBoxScript boxes;
  window->MItemGoClick();
  EXPECT_TRUE(commands_disabled);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QString(kAborted));
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::kExclamation);
  EXPECT_EQ(ReadBytes(page), LargePage()) << "the page in hand is not written";
  EXPECT_EQ(window->StatusText(), QString(" 更新日の記入を中止しました。"));
  EXPECT_TRUE(Button(*window, "ButtonGo")->isEnabled());
}

// Closing is the user's answer already: no summary box waits for another one.
TEST(MainWindowTest, ClosingDuringARunStopsItThenSavesAndClosesWithoutASummaryBox) {
  GuiWorld world;
  const std::string page = world.Page("large.htm", LargePage());
  auto window = world.MakeWindow();
  window->show();
  window->SetFileNameText(QString::fromStdString(page));
  world.fs.on_read = [&](const std::string& path) {
    if (path == page) QTimer::singleShot(0, window.get(), [&] { window->close(); });
  };

  MessageBoxScript boxes;
  window->MItemGoClick();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(ReadBytes(page), LargePage());
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->Running());
  const Stored stored = ReadBack(world);
  EXPECT_TRUE(stored.loaded);
  EXPECT_EQ(stored.exit_state.WriteFName, page);
}

// A question that comes up after the close (a linked page that vanished as it was read) is
// not put either: closing has answered it.
TEST(MainWindowTest, AQuestionDueAfterTheWindowWasClosedIsAnsweredByTheClose) {
  GuiWorld world;
  const std::string root = world.Page("a.htm", "<!--#ZELV#--><a href=\"b.htm\">b</a>\r\n");
  const std::string linked = world.Page("b.htm", kMarkedPage);
  world.fs.Inject(FailNth(FsOp::kReadFile, 1, ENOENT, "b.htm"));
  auto window = world.MakeWindow();
  window->show();
  window->SetFileNameText(QString::fromStdString(root));
  world.fs.on_read = [&](const std::string& path) {
    if (path == linked) window->close();
  };

  MessageBoxScript boxes;
  window->MItemGoClick();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(ReadBytes(root).find("($BEGIN)"), std::string::npos) << "the run stopped";
}

TEST(MainWindowTest, ProgressDialogIsPlacedByTheStoredOffsetAndItsMoveIsSaved) {
  GuiWorld world;
  const std::string page = world.Page("index.htm", kMarkedPage);
  world.MakeWindow()->close();  // a stored state, with the offset 0, 22
  ASSERT_TRUE(world.store.WriteInteger(kExitStateKey, "MWLeft", 100).ok());
  ASSERT_TRUE(world.store.WriteInteger(kExitStateKey, "MWTop", 50).ok());
  ASSERT_TRUE(world.store.WriteInteger(kExitStateKey, "PWLeft", 30).ok());
  ASSERT_TRUE(world.store.WriteInteger(kExitStateKey, "PWTop", -20).ok());

  auto window = world.MakeWindow();
  window->show();
  EXPECT_EQ(window->pos(), QPoint(100, 50));
  window->SetFileNameText(QString::fromStdString(page));
  QPoint shown_at;
  world.fs.on_read = [&](const std::string& path) {
    if (path != page) return;
    shown_at = window->ProgressDialog().pos();
    window->ProgressDialog().move(250, 10);  // the user moves it during the run
  };
  MessageBoxScript boxes;
  window->MItemGoClick();
  EXPECT_EQ(shown_at, QPoint(130, 30));
  window->move(200, 20);
  window->close();
  const Stored stored = ReadBack(world);
  EXPECT_EQ(stored.offset.PWLeft, 50);
  EXPECT_EQ(stored.offset.PWTop, -10);
}

TEST(MainWindowTest, OpeningTheNamedFileReportsItsOutcome) {
  GuiWorld world;
  auto window = world.MakeWindow();
  window->show();
  window->SetFileNameText("/site/index.htm");
  MessageBoxScript boxes;

  Item(*window, "MItemOpen")->trigger();
  SettleShellRequests(*window);
  EXPECT_EQ(world.opened, std::vector<std::string>{"/site/index.htm"});
  EXPECT_EQ(window->StatusText(), QString(" 記入ファイルを開きました。"));
  EXPECT_TRUE(boxes.shown.empty());

  world.open_succeeds = false;
  window->SetFileNameText("/site/indx.htm");
  Item(*window, "MItemOpen")->trigger();
  SettleShellRequests(*window);
  EXPECT_EQ(window->StatusText(), QString(" 記入ファイルを開けません。"));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text,
            QString("記入ファイルを開けません。ファイル名が正しいかどうか確認して下さい。"));
  EXPECT_EQ(boxes.shown[0].icon, BoxIcon::kExclamation);
}

}  // namespace
}  // namespace zelvora::gui
