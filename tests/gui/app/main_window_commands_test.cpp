// The main window's commands that open the program's other windows and services.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <future>

#include "gui/app/help_launcher.h"
#include "gui/app/main_window.h"
#include "gui/components/about_window.h"
#include "gui/components/file_selection.h"
#include "gui/components/folder_tree.h"
#include "gui/components/message_box.h"
#include "gui/settings_dialog/setting_dialog.h"
#include "platform/program_folder.h"
#include "records/run_log.h"
#include "settings/settings_persistence.h"
#include "tests/gui/support/gui_world.h"
#include "tests/gui/support/shown_windows.h"
#include "tests/support/scoped_environment.h"

namespace zelvora::gui {
namespace {

using testing::ConfirmFileName;
using testing::GuiWorld;
using testing::ReadBytes;
using testing::SettleShellRequests;
using testing::ShownWindow;

constexpr char kMarkedPage[] = "<p><!--#ZELV#--></p>\r\n";

// A world whose store holds the state of an earlier session: the main window at 100, 50 and
// the file dialog's folder `file_dialog_folder`.
void StoreEarlierSession(GuiWorld& world, const std::string& file_dialog_folder) {
  world.MakeWindow()->close();
  ASSERT_TRUE(world.store.WriteInteger(kExitStateKey, "MWLeft", 100).ok());
  ASSERT_TRUE(world.store.WriteInteger(kExitStateKey, "MWTop", 50).ok());
  ASSERT_TRUE(world.store.WriteString(kExitStateKey, "FileSelFolder", file_dialog_folder).ok());
}

QAction* Item(QWidget& window, const char* name) { return window.findChild<QAction*>(name); }

QString FileBoxText(QWidget& window) {
  return window.findChild<QComboBox*>("HCBoxWriteFName")->currentText();
}

template <typename Control>
Control* In(QWidget& window, const char* name) {
  auto* control = window.findChild<Control*>(name);
  EXPECT_NE(control, nullptr) << name;
  return control;
}

TEST(MainWindowCommandsTest, ChoosingAFileFillsTheFileBoxAndEnterThenStampsIt) {
  GuiWorld world;
  const std::string page = world.Page("site/index.htm", kMarkedPage);
  world.Page("other/notes.htm", "x");
  StoreEarlierSession(world, world.dir / "other");
  auto window = world.MakeWindow();
  window->show();
  MessageBoxScript boxes;

  In<QPushButton>(*window, "ButtonBrowse")->click();
  auto* dialog = ShownWindow<TFormFileSel>();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), QString("記入ファイルの選択"));
  EXPECT_EQ(dialog->pos(), QPoint(100, 72)) << "placed below the main window";
  auto* tree = In<TExpViewLite>(*dialog, "EViewLite");
  EXPECT_EQ(tree->GetFolderName(), world.dir / "other") << "the stored folder";

  tree->SetPathName(world.dir / "site");
  ConfirmFileName(*dialog, "index.htm");
  EXPECT_EQ(FileBoxText(*window), QString::fromStdString(page));
  EXPECT_EQ(window->StatusText(), QString(" 「開始」ボタンをクリックして下さい。"));

  QTest::keyClick(window.get(), Qt::Key_Return);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QString("終了しました。"));
  EXPECT_NE(ReadBytes(page).find("($BEGIN)"), std::string::npos);

  // The same window again, in the folder and with the name the user left; it stays where
  // the user moved it.
  dialog->move(30, 40);
  In<QPushButton>(*window, "ButtonBrowse")->click();
  EXPECT_EQ(ShownWindow<TFormFileSel>(), dialog);
  EXPECT_EQ(dialog->pos(), QPoint(30, 40));
  EXPECT_EQ(In<QLineEdit>(*dialog, "EditFileName")->text(), QString("index.htm"));
  EXPECT_EQ(tree->GetFolderName(), world.dir / "site");

  window->close();
  EXPECT_FALSE(dialog->isVisible()) << "closes with the main window";
  EXPECT_EQ(*world.store.ReadString(kExitStateKey, "FileSelFolder"), world.dir / "site");
}

TEST(MainWindowCommandsTest, AboutShowsTheNameAndVersionInTheStatusLineEveryTime) {
  GuiWorld world;
  StoreEarlierSession(world, world.dir.path());
  auto window = world.MakeWindow();
  window->show();
  Item(*window, "MItemAbout")->trigger();
  auto* about = ShownWindow<TFormAboutDlg>();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->windowTitle(), QString("ゼルヴォラのバージョン情報"));
  EXPECT_EQ(about->pos(), QPoint(100, 72));
  EXPECT_EQ(about->AppNameText(), QString("ゼルヴォラ"));
  EXPECT_EQ(about->AppVerText(), QString("Ver 3.50"));
  EXPECT_EQ(about->CrightText(), QString("Copyright © 2026 The Zelvora developers"));
  EXPECT_TRUE(window->StatusText().startsWith(" ゼルヴォラ  Ver "));

  window->SetStatus("別の表示");
  about->move(5, 6);
  Item(*window, "MItemAbout")->trigger();
  EXPECT_EQ(window->StatusText(), QString(" ゼルヴォラ  Ver 3.50")) << "also while it is open";
  EXPECT_EQ(ShownWindow<TFormAboutDlg>(), about);
  EXPECT_EQ(about->pos(), QPoint(5, 6));
}

TEST(MainWindowCommandsTest, PreferencesMakesTheDialogOnceBelowTheWindowShowingTheLiveSettings) {
  GuiWorld world;
  StoreEarlierSession(world, world.dir / "site");
  auto window = world.MakeWindow();
  window->show();
  world.settings.MaxLog = 800;
  EXPECT_EQ(window->SettingDialog(), nullptr) << "made at its first use";
  Item(*window, "MItemPreferences")->trigger();
  TFormSetting* dialog = window->SettingDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->windowTitle(), QString("ゼルヴォラの動作設定"));
  EXPECT_EQ(dialog->pos(), QPoint(100, 72));
  EXPECT_EQ(dialog->findChild<TFileSel*>("FileSel")->GetInitialFolder(), world.dir / "site");
  auto* log_lines = In<QLineEdit>(*dialog, "EditMaxLogLine");
  EXPECT_EQ(log_lines->text(), QString("800"));

  log_lines->setText("900");
  Item(*window, "MItemPreferences")->trigger();
  EXPECT_EQ(log_lines->text(), QString("900")) << "a visible dialog is not reloaded";

  dialog->move(7, 8);
  dialog->showMinimized();
  Item(*window, "MItemPreferences")->trigger();
  EXPECT_EQ(window->SettingDialog(), dialog);
  EXPECT_FALSE(dialog->isMinimized());
  EXPECT_EQ(dialog->pos(), QPoint(7, 8));
  window->close();
  EXPECT_FALSE(dialog->isVisible()) << "closes with the main window";
}

TEST(MainWindowCommandsTest, OkMakesTheSettingsLiveAndTheStoreGetsThemWhenTheWindowCloses) {
  for (const auto& [typed, reloaded] : {std::pair{"0", 1}, std::pair{"500", 99}}) {
    GuiWorld world;
    StoreEarlierSession(world, world.dir.path());
    auto window = world.MakeWindow();
    window->show();
    Item(*window, "MItemPreferences")->trigger();
    TFormSetting* dialog = window->SettingDialog();
    In<QLineEdit>(*dialog, "EditMaxLinkNest")->setText(typed);
    In<QPushButton>(*dialog, "ButtonOK")->click();
    EXPECT_EQ(world.settings.MaxLinkNest, std::stoi(typed)) << "taken unchanged";
    EXPECT_EQ(window->StatusText(), QString(" 動作設定を変更しました。"));
    EXPECT_EQ(*world.store.ReadInteger(kPreferenceKey, "MaxLinkNest"), 5) << "not stored yet";

    window->close();
    EXPECT_EQ(*world.store.ReadInteger(kPreferenceKey, "MaxLinkNest"), std::stoi(typed));
    world.settings = TSetting();
    world.MakeWindow();  // the next start of the program
    EXPECT_EQ(world.settings.MaxLinkNest, reloaded);
  }
}

TEST(MainWindowCommandsTest, ApplyDuringARunChangesTheDateFormatOfTheNextPage) {
  GuiWorld world;
  // The first page's date area is written before its link is followed.
  const std::string first = world.Page(
      "a.htm",
      "<!--#ZELV#--><!-- #ZELV#($BEGIN) -->old<!-- #ZELV#($END) --><a href=\"b.htm\">b</a>\r\n");
  const std::string second = world.Page("b.htm", kMarkedPage);
  auto window = world.MakeWindow();
  window->show();
  window->SetFileNameText(QString::fromStdString(first));
  Item(*window, "MItemPreferences")->trigger();
  TFormSetting* dialog = window->SettingDialog();
  // The user applies another template while the run reads the linked page.
  world.fs.on_read = [&](const std::string& path) {
    if (path != second) return;
    In<QComboBox>(*dialog, "CBoxWriteFmtList")->setCurrentIndex(1);  // yyyy/mm/dd hh:mm
    In<QPushButton>(*dialog, "ButtonApply")->click();
  };
  MessageBoxScript boxes;
  window->MItemGoClick();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QString("終了しました。"));
  EXPECT_NE(ReadBytes(first).find("-->1999/01/03<!--"), std::string::npos);
  EXPECT_NE(ReadBytes(second).find("-->1999/01/03 14:07<!--"), std::string::npos);
  EXPECT_EQ(world.settings.WriteFmtIdx, 1);
}

TEST(MainWindowCommandsTest, HelpShowsItsStatusWhateverTheOutcome) {
  const QString shown_status =
      QString::fromStdString(" ヘルプを表示しました。もし表示されない場合は、\"" + ProgramFolder() +
                             "Zelvora.htm\" をご覧下さい。");
  GuiWorld world;
  auto window = world.MakeWindow();
  window->show();
  MessageBoxScript boxes;
  Item(*window, "MItemHelp")->trigger();
  SettleShellRequests(*window);
  ASSERT_EQ(world.shell.started.size(), 1u);
  EXPECT_TRUE(world.shell.started[0].ends_with("Zelvora.htm#Tsukaikata"));
  EXPECT_EQ(window->StatusText(), shown_status);

  // The settings dialog's help goes the same way, at its page's section.
  Item(*window, "MItemPreferences")->trigger();
  In<QPushButton>(*window->SettingDialog(), "ButtonHelp")->click();
  SettleShellRequests(*window);
  ASSERT_EQ(world.shell.started.size(), 2u);
  EXPECT_TRUE(world.shell.started[1].ends_with("Zelvora.htm#Hidukekinyuutab"));

  world.shell.has_browser = false;
  window->SetStatus("");
  Item(*window, "MItemHelp")->trigger();
  SettleShellRequests(*window);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(boxes.shown[0].text.startsWith("ヘルプを表示できません。"));
  EXPECT_EQ(window->StatusText(), shown_status);
}

TEST(MainWindowCommandsTest, WebPageAndLogReportTheirOutcome) {
  testing::TempDir runtime("runtime");
  testing::ScopedEnvironment environment({{"XDG_RUNTIME_DIR", runtime.path().c_str()}});
  testing::RemoveTree(LogFileName());
  GuiWorld world;
  auto window = world.MakeWindow();
  window->show();
  MessageBoxScript boxes;

  Item(*window, "MItemJumpToAuthorWeb")->trigger();
  SettleShellRequests(*window);
  EXPECT_EQ(world.shell.opened, std::vector<std::string>{AuthorWebPageAddress()});
  EXPECT_EQ(window->StatusText(), QString(" ＷＷＷブラウザが作者のホームページを表示しました。"));
  world.shell.opens = false;
  window->SetStatus("前の表示");
  Item(*window, "MItemJumpToAuthorWeb")->trigger();
  SettleShellRequests(*window);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(boxes.shown[0].text.startsWith("作者のホームページに接続できません。"));
  EXPECT_EQ(window->StatusText(), QString(" 前の表示"));

  world.shell.opens = true;
  Item(*window, "MItemLogExp")->trigger();  // no log yet
  EXPECT_EQ(window->StatusText(), QString(" ログを表示できません。"));
  EXPECT_EQ(boxes.shown.size(), 2u);
  testing::WriteBytes(LogFileName(), "log\r\n");
  Item(*window, "MItemLogExp")->trigger();
  SettleShellRequests(*window);
  EXPECT_EQ(window->StatusText(), QString(" ログを表示しました。"));
  EXPECT_EQ(boxes.shown.size(), 2u);
  testing::RemoveTree(LogFileName());
}

// A desktop that takes its time (a browser that never comes, an opener that hangs) does not
// hold the window: other commands are served meanwhile, and the failure comes when known.
TEST(MainWindowCommandsTest, ASlowDesktopNeverFreezesTheWindow) {
  GuiWorld world;
  auto window = world.MakeWindow();
  window->show();
  MessageBoxScript boxes;
  std::promise<void> answer;
  std::shared_future<void> answered = answer.get_future().share();
  world.shell.hold = [answered] { answered.wait(); };
  world.shell.opens = false;

  Item(*window, "MItemJumpToAuthorWeb")->trigger();
  Item(*window, "MItemHelp")->trigger();
  Item(*window, "MItemAbout")->trigger();  // served while both requests wait
  EXPECT_TRUE(window->StatusText().startsWith(" ゼルヴォラ  Ver "));
  EXPECT_EQ(window->PendingShellRequests(), 2);
  QApplication::processEvents();
  EXPECT_TRUE(boxes.shown.empty());

  answer.set_value();
  SettleShellRequests(*window);
  ASSERT_EQ(boxes.shown.size(), 1u);  // the web page's failure; the help was shown
  EXPECT_TRUE(boxes.shown[0].text.startsWith("作者のホームページに接続できません。"));
  EXPECT_TRUE(window->StatusText().startsWith(" ヘルプを表示しました。"));
}

}  // namespace
}  // namespace zelvora::gui
