#include "gui/settings_dialog/setting_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "gui/components/file_selection.h"
#include "gui/components/folder_selection.h"
#include "gui/components/message_box.h"
#include "settings/settings_persistence.h"
#include "tests/gui/support/shown_windows.h"
#include "tests/support/temp_dir.h"

namespace zelvora::gui {
namespace {

using testing::ConfirmFileName;
using testing::ShownWindow;
using testing::TempDir;

constexpr char kFormatHistoryKey[] = "\\Software\\MORVID\\Zelvora\\ExitState\\HistWriteFmtStr";

// The dialog over a private store, with a notification target that does what the main window
// does: it copies the working copy over the live settings.
class SettingDialogTest : public ::testing::Test, public MessageTarget {
 protected:
  SettingDialogTest() { dialog_.SetNotifyTarget(this); }

  void HandleMessage(unsigned message) override {
    messages_.push_back(message);
    if (message == kMessageSettingsChanged) live_ = dialog_.WorkingCopy();
  }

  // Shows the dialog as the main window's command does the first time.
  void Open() {
    dialog_.SetWorkingCopy(live_);
    dialog_.show();
  }

  template <typename Control>
  Control* Find(const char* name) const {
    auto* control = dialog_.findChild<Control*>(name);
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
  QCheckBox* Check(const char* name) const { return Find<QCheckBox>(name); }
  void Press(const char* button) const { Find<QPushButton>(button)->click(); }
  QStringList AvoidItems() const {
    QStringList items;
    const auto* list = Find<QListWidget>("LBoxAvoid");
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    return items;
  }
  void TypeAvoid(const QString& text) const { Edit("EditAvoid")->setText(text); }

  TempDir dir_{"settings"};
  RegistryStore store_{dir_ / "registry.reg"};
  TSetting live_;
  std::vector<std::string> anchors_;
  std::vector<unsigned> messages_;
  MessageBoxScript boxes_;
  TFormSetting dialog_{SettingDialogServices{
      store_, live_, [this](const std::string& anchor) { anchors_.push_back(anchor); }}};
};

// Answers the site root's folder dialog once it is up: records its caption and the folder it
// started at, then walks it to `choose` and presses OK, or Cancel when `choose` is empty.
struct FolderDialogAnswer {
  void Arm(std::string folder) {
    choose = std::move(folder);
    QTimer::singleShot(0, [this] {
      auto* window = qobject_cast<TFormFolderSel*>(QApplication::activeModalWidget());
      ASSERT_NE(window, nullptr);
      caption = window->windowTitle();
      started_at.push_back(window->FolderName());
      if (choose.empty()) {
        window->findChild<QPushButton*>("ButtonCancel")->click();
        return;
      }
      window->WalkTo(choose);
      window->findChild<QPushButton*>("ButtonOk")->click();
    });
  }
  std::string choose;
  QString caption;
  std::vector<std::string> started_at;
};

TEST_F(SettingDialogTest, WindowHasItsPagesButtonsTemplatesAndKeyboardOrder) {
  Open();
  EXPECT_EQ(dialog_.windowTitle(), QString("ゼルヴォラの動作設定"));
  EXPECT_EQ(dialog_.client()->size(), QSize(537, 350));
  const auto* tabs = Find<QTabWidget>("PCSetting");
  ASSERT_EQ(tabs->count(), 4);
  EXPECT_EQ(tabs->tabText(0), QString("日付記入"));
  EXPECT_EQ(tabs->tabText(1), QString("非記入設定"));
  EXPECT_EQ(tabs->tabText(2), QString("その他"));
  EXPECT_EQ(tabs->tabText(3), QString("拡張"));
  EXPECT_EQ(tabs->currentWidget()->objectName(), QString("TaDate"));
  const struct {
    const char* name;
    const char* caption;
    const char* hint;
  } buttons[] = {
      {"ButtonOK", "&OK", "新たな設定を有効にします"},
      {"ButtonCancel", "&C・キャンセル", "設定変更を中止し、今までの設定を使用します"},
      {"ButtonApply", "&A・適用", "ダイアログを閉じずに、新たな設定を有効にします"},
      {"ButtonDefault", "&D・デフォルト", "ＭＯＲＶＩＤの標準設定に戻します"},
      {"ButtonHelp", "&H・ヘルプ", "解らないことがあったらクリックして下さい"},
  };
  for (const auto& button : buttons) {
    EXPECT_EQ(Find<QPushButton>(button.name)->text(), QString(button.caption));
    EXPECT_EQ(Find<QPushButton>(button.name)->toolTip(), QString(button.hint));
    EXPECT_EQ(Find<QPushButton>(button.name)->toolTipDuration(), 5000);
  }
  EXPECT_TRUE(Find<QPushButton>("ButtonOK")->isDefault());
  const auto* templates = Find<QComboBox>("CBoxWriteFmtList");
  ASSERT_EQ(templates->count(), 8);
  EXPECT_EQ(templates->itemText(0), QString("yyyy/mm/dd  【1999/01/03】"));
  EXPECT_EQ(templates->itemText(7), QString("m\"月\"d\"日\"  【1月3日】"));
  EXPECT_EQ(Find<QLabel>("LabelBackupGenes")->buddy(), Edit("EditBackupGenes"));

  const QStringList order = {
      "RButtonWriteFmtTmpl", "CBoxWriteFmtList", "RButtonWriteFmtFree", "HCBoxWriteFmtStr",
      "CBoxLinkWrite",       "RButtonAbortDeal", "RButtonContinueDeal", "RButtonAskUser",
      "CBoxKeepTimeStamp",   "CBoxOpenWriteF",   "CBoxMaxLinkNest",     "EditMaxLinkNest",
      "LBoxAvoid",           "EditAvoid",        "ButtonBrowse",        "ButtonAdd",
      "ButtonRemove",        "CBoxAvoid",        "CBoxBackup",          "CBoxLog",
      "EditBackupGenes",     "EditMaxLogLine",   "CBoxUseNN",           "CBoxUseGitDates",
      "EditSiteRoot",        "ButtonSiteRoot",   "CBoxFollowAnyAnchor", "ButtonOK",
      "ButtonCancel",        "ButtonApply",      "ButtonHelp",          "ButtonDefault"};
  QStringList chain;
  QWidget* widget = Find<QTabWidget>("PCSetting");
  for (int step = 0; step < 200; ++step) {
    widget = widget->nextInFocusChain();
    if (order.contains(widget->objectName()) && !chain.contains(widget->objectName())) {
      chain << widget->objectName();
    }
  }
  EXPECT_EQ(chain, order);
}

TEST_F(SettingDialogTest, ShowingPresentsTheWorkingCopyWithTheEnablingRulesApplied) {
  live_.AssignWriteFmt = 1;
  live_.WriteFmtStr = "yy.mm.dd";
  live_.WriteFmtIdx = 4;
  live_.ErrCope = kErrCopeAbort;
  live_.Backup = false;
  live_.Log = false;
  live_.RestrictLinkNest = true;
  live_.MaxLinkNest = 500;
  live_.AvoidList = {"*.css"};
  Open();
  EXPECT_TRUE(Find<QRadioButton>("RButtonWriteFmtFree")->isChecked());
  EXPECT_EQ(Find<QComboBox>("HCBoxWriteFmtStr")->currentText(), QString("yy.mm.dd"));
  EXPECT_TRUE(Find<QComboBox>("HCBoxWriteFmtStr")->isEnabled());
  EXPECT_FALSE(Find<QComboBox>("CBoxWriteFmtList")->isEnabled());
  EXPECT_EQ(Find<QComboBox>("CBoxWriteFmtList")->currentIndex(), 4);
  EXPECT_TRUE(Find<QRadioButton>("RButtonAbortDeal")->isChecked());
  EXPECT_FALSE(Edit("EditBackupGenes")->isEnabled());
  EXPECT_FALSE(Find<QLabel>("LabelBackupGenes")->isEnabled());
  EXPECT_EQ(Edit("EditBackupGenes")->text(), QString("3"));
  EXPECT_FALSE(Edit("EditMaxLogLine")->isEnabled());
  EXPECT_TRUE(Edit("EditMaxLinkNest")->isEnabled());
  EXPECT_EQ(Edit("EditMaxLinkNest")->text(), QString("500"));
  EXPECT_EQ(AvoidItems(), QStringList{"*.css"});

  // A click on a switch runs its rule at once.
  Check("CBoxBackup")->click();
  EXPECT_TRUE(Edit("EditBackupGenes")->isEnabled());
  Find<QRadioButton>("RButtonWriteFmtTmpl")->click();
  EXPECT_TRUE(Find<QComboBox>("CBoxWriteFmtList")->isEnabled());
  EXPECT_FALSE(Find<QComboBox>("HCBoxWriteFmtStr")->isEnabled());
  Check("CBoxMaxLinkNest")->click();
  EXPECT_FALSE(Edit("EditMaxLinkNest")->isEnabled());
}

TEST_F(SettingDialogTest, UncheckingLinkWriteDisablesTheDepthAndAvoidControlsWhateverTheirState) {
  const char* const dependent[] = {"CBoxMaxLinkNest", "LabelMaxLinkNest", "EditMaxLinkNest",
                                   "CBoxAvoid",       "LBoxAvoid",        "ButtonAdd",
                                   "ButtonRemove",    "EditAvoid",        "ButtonBrowse"};
  for (const bool restrict_and_avoid : {true, false}) {
    live_.RestrictLinkNest = live_.EnableAvoidList = restrict_and_avoid;
    Open();
    Check("CBoxLinkWrite")->click();
    for (const char* name : dependent) {
      EXPECT_FALSE(Find<QWidget>(name)->isEnabled()) << name << " " << restrict_and_avoid;
    }
    Check("CBoxLinkWrite")->click();
    EXPECT_TRUE(Check("CBoxMaxLinkNest")->isEnabled());
    EXPECT_TRUE(Check("CBoxAvoid")->isEnabled());
    EXPECT_EQ(Edit("EditMaxLinkNest")->isEnabled(), restrict_and_avoid);
    EXPECT_EQ(Edit("EditAvoid")->isEnabled(), restrict_and_avoid);
    EXPECT_EQ(Find<QListWidget>("LBoxAvoid")->isEnabled(), restrict_and_avoid);
    Press("ButtonCancel");
  }
}

TEST_F(SettingDialogTest, OutOfRangeGenerationsAreCorrectedToNineAndTheSecondOkPasses) {
  Open();
  Edit("EditBackupGenes")->setText("12");
  Press("ButtonOK");
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text,
            QString("「世代数」は1～9世代のどれかに設定して下さい。\n自動修正しました。"));
  EXPECT_EQ(boxes_.shown[0].caption, QString("ゼルヴォラ"));
  EXPECT_EQ(boxes_.shown[0].icon, BoxIcon::kExclamation);
  EXPECT_EQ(boxes_.shown[0].buttons, BoxButtons::kOk);
  EXPECT_EQ(Edit("EditBackupGenes")->text(), QString("9"));
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_EQ(dialog_.WorkingCopy().BackupGenes, 12) << "written before the check";
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(live_.BackupGenes, 3);

  Press("ButtonOK");
  EXPECT_EQ(boxes_.shown.size(), 1u);
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(dialog_.DialogResult(), kModalOk);
  EXPECT_EQ(messages_, std::vector<unsigned>{kMessageSettingsChanged});
  EXPECT_EQ(live_.BackupGenes, 9);
}

TEST_F(SettingDialogTest, LogLinesThatAreNoNumberAreReportedAndLeftAsTyped) {
  Open();
  Edit("EditMaxLogLine")->setText("abc");
  Press("ButtonApply");
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, QString("「ログファイルの最大行数」は数値で指定して下さい。"));
  EXPECT_EQ(Edit("EditMaxLogLine")->text(), QString("abc"));
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(SettingDialogTest, ADisabledGenerationsFieldIsStillChecked) {
  Open();
  Find<QTabWidget>("PCSetting")->setCurrentIndex(2);
  Check("CBoxBackup")->click();
  ASSERT_FALSE(Edit("EditBackupGenes")->isEnabled());
  Edit("EditBackupGenes")->setText("0");
  Find<QTabWidget>("PCSetting")->setCurrentIndex(0);
  Press("ButtonOK");
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_TRUE(boxes_.shown[0].text.startsWith("「世代数」は1～9世代"));
  EXPECT_EQ(Edit("EditBackupGenes")->text(), QString("1"));
  EXPECT_EQ(Find<QTabWidget>("PCSetting")->currentIndex(), 0) << "the page stays";
  EXPECT_TRUE(dialog_.isVisible());
}

TEST_F(SettingDialogTest, AFailedOkStillCommitsTheFreeFormatToItsHistory) {
  Open();
  Find<QComboBox>("HCBoxWriteFmtStr")->setEditText("yyyy-mm-dd");
  Edit("EditMaxLinkNest")->setText("");
  Press("ButtonOK");
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, QString("「階層制限」は数値で指定して下さい。"));
  EXPECT_EQ(Find<QComboBox>("HCBoxWriteFmtStr")->itemText(0), QString("yyyy-mm-dd"));
  EXPECT_EQ(*store_.ReadString(kFormatHistoryKey, "0"), "yyyy-mm-dd");
}

TEST_F(SettingDialogTest, TheFreeFormatHistoryIsLoadedWhenTheWindowIsMade) {
  ASSERT_TRUE(store_.WriteString(kFormatHistoryKey, "0", "hh:nn").ok());
  TFormSetting dialog(SettingDialogServices{store_, live_, {}});
  const auto* history = dialog.findChild<QComboBox*>("HCBoxWriteFmtStr");
  ASSERT_EQ(history->count(), 1);
  EXPECT_EQ(history->itemText(0), QString("hh:nn"));
}

TEST_F(SettingDialogTest, AvoidListAddsCaseBlindOnceAndRemovesEverySelectedEntry) {
  live_.AvoidList = {"*.htm", "a", "b", "c", "d"};
  Open();
  TypeAvoid("*.HTM");
  Press("ButtonAdd");
  EXPECT_EQ(AvoidItems(), (QStringList{"*.htm", "a", "b", "c", "d"}));
  TypeAvoid("*.gif");
  Press("ButtonAdd");
  Press("ButtonAdd");
  EXPECT_EQ(AvoidItems(), (QStringList{"*.htm", "a", "b", "c", "d", "*.gif"}));
  EXPECT_EQ(Edit("EditAvoid")->text(), QString("*.gif")) << "the edit box keeps its text";

  auto* list = Find<QListWidget>("LBoxAvoid");
  Press("ButtonRemove");  // nothing selected
  EXPECT_EQ(list->count(), 6);
  for (const int row : {1, 3, 5}) list->item(row)->setSelected(true);
  Press("ButtonRemove");
  EXPECT_EQ(AvoidItems(), (QStringList{"*.htm", "b", "d"}));
  Press("ButtonOK");
  EXPECT_EQ(live_.AvoidList, (std::vector<std::string>{"*.htm", "b", "d"}));
}

TEST_F(SettingDialogTest, DefaultsTouchOnlyTheControlsUntilOk) {
  live_.Backup = false;
  live_.AvoidList = {"*.css"};
  live_.WriteFmtIdx = 3;
  const TSetting before = live_;
  Open();
  Press("ButtonDefault");
  EXPECT_TRUE(Check("CBoxBackup")->isChecked());
  EXPECT_TRUE(Edit("EditBackupGenes")->isEnabled()) << "the switch ran its rule";
  EXPECT_EQ(AvoidItems().size(), 6);
  EXPECT_EQ(dialog_.WorkingCopy(), before);

  Press("ButtonCancel");
  EXPECT_EQ(live_, before);
  EXPECT_EQ(dialog_.DialogResult(), kModalCancel);
  dialog_.show();
  EXPECT_FALSE(Check("CBoxBackup")->isChecked()) << "the next showing presents the live settings";
  EXPECT_EQ(AvoidItems(), QStringList{"*.css"});

  Press("ButtonDefault");
  Press("ButtonOK");
  EXPECT_EQ(live_, TSetting());
}

TEST_F(SettingDialogTest, EscAndCancelResetTheWorkingCopyAndTheCloseBoxKeepsTheResult) {
  Open();
  Edit("EditMaxLogLine")->setText("60");
  QTest::keyClick(&dialog_, Qt::Key_Escape);
  EXPECT_FALSE(dialog_.isVisible());
  EXPECT_EQ(dialog_.DialogResult(), kModalCancel);

  // Later: a failed OK writes part of the working copy; the close box keeps the result
  // Cancel, so the working copy is reset from the live settings again.
  dialog_.show();
  EXPECT_EQ(Edit("EditMaxLogLine")->text(), QString("500"));
  Check("CBoxOpenWriteF")->click();
  Edit("EditBackupGenes")->setText("x");
  Press("ButtonOK");
  EXPECT_TRUE(dialog_.WorkingCopy().OpenWriteF);
  dialog_.close();
  EXPECT_EQ(dialog_.DialogResult(), kModalCancel);
  EXPECT_EQ(dialog_.WorkingCopy(), live_);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(SettingDialogTest, AfterOkTheCloseBoxKeepsTheLastAcceptedValues) {
  Open();
  Edit("EditMaxLogLine")->setText("800");
  Press("ButtonOK");
  dialog_.show();
  Edit("EditMaxLogLine")->setText("900");
  Check("CBoxUseNN")->click();
  dialog_.close();
  EXPECT_EQ(dialog_.DialogResult(), kModalOk);
  EXPECT_EQ(messages_.size(), 1u) << "nothing transferred by the close box";
  EXPECT_EQ(live_.MaxLog, 800);
  dialog_.show();
  EXPECT_EQ(Edit("EditMaxLogLine")->text(), QString("800"));
  EXPECT_TRUE(Check("CBoxUseNN")->isChecked());

  // A failed OK now leaves its partial values, which the close box keeps for the next
  // showing; they are not live.
  Check("CBoxUseNN")->click();
  Edit("EditMaxLinkNest")->setText("9");
  Check("CBoxLog")->click();
  Edit("EditMaxLogLine")->setText("1");
  Press("ButtonOK");
  dialog_.close();
  dialog_.show();
  EXPECT_EQ(Edit("EditMaxLinkNest")->text(), QString("9"));
  EXPECT_FALSE(Check("CBoxLog")->isChecked());
  EXPECT_EQ(Edit("EditMaxLogLine")->text(), QString("1")) << "the failing number stays";
  EXPECT_EQ(live_.MaxLinkNest, 5);
  EXPECT_TRUE(live_.Log);
}

TEST_F(SettingDialogTest, ApplyTakesTheValuesOverAndKeepsTheDialogOpen) {
  Open();
  Find<QRadioButton>("RButtonContinueDeal")->click();
  Press("ButtonApply");
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_EQ(dialog_.DialogResult(), kModalNone);
  EXPECT_EQ(live_.ErrCope, kErrCopeContinue);
  EXPECT_EQ(messages_, std::vector<unsigned>{kMessageSettingsChanged});
}

TEST_F(SettingDialogTest, HelpOpensTheSectionOfThePageShownWhichStaysBetweenShowings) {
  Open();
  auto* tabs = Find<QTabWidget>("PCSetting");
  for (int page = 0; page < 4; ++page) {
    tabs->setCurrentIndex(page);
    Press("ButtonHelp");
  }
  EXPECT_EQ(anchors_, (std::vector<std::string>{"Hidukekinyuutab", "Hikinyuusetteitab", "Sonotatab",
                                                "Kakuchoutab"}));
  Press("ButtonCancel");
  dialog_.show();
  EXPECT_EQ(tabs->currentIndex(), 3);
}

TEST_F(SettingDialogTest, TheExtendPageShowsAndTakesTheThreeNewerOptions) {
  TempDir sites("sites");
  testing::MakeFolder(sites / "old");
  testing::MakeFolder(sites / "サイト");
  live_.UseGitDates = true;
  live_.SiteRoot = sites / "old";
  Open();
  EXPECT_TRUE(Check("CBoxUseGitDates")->isChecked());
  EXPECT_EQ(Edit("EditSiteRoot")->text(), QString::fromStdString(sites / "old"));
  EXPECT_FALSE(Check("CBoxFollowAnyAnchor")->isChecked());

  Find<QTabWidget>("PCSetting")->setCurrentIndex(3);
  FolderDialogAnswer answer;
  answer.Arm("");  // the folder dialog cancelled: the text stays
  Press("ButtonSiteRoot");
  EXPECT_EQ(answer.caption, QString("サイトのルートフォルダ"));
  EXPECT_EQ(Edit("EditSiteRoot")->text(), QString::fromStdString(sites / "old"));
  answer.Arm(sites / "サイト");
  Press("ButtonSiteRoot");
  EXPECT_EQ(answer.started_at, (std::vector<std::string>{sites / "old", sites / "old"}));
  Check("CBoxUseGitDates")->click();
  Check("CBoxFollowAnyAnchor")->click();
  Press("ButtonOK");
  EXPECT_FALSE(live_.UseGitDates);
  EXPECT_EQ(live_.SiteRoot, sites / "サイト");
  EXPECT_TRUE(live_.FollowAnyAnchor);

  dialog_.show();
  Press("ButtonDefault");
  EXPECT_EQ(Edit("EditSiteRoot")->text(), QString());
  EXPECT_FALSE(Check("CBoxFollowAnyAnchor")->isChecked());
}

TEST_F(SettingDialogTest, BrowsePutsTheChosenFileIntoTheAvoidEditBox) {
  TempDir site("site");
  testing::WriteBytes(site / "photo.jpg", "x");
  dialog_.SetBrowseFolder(site.path());
  Open();
  dialog_.move(120, 40);
  Find<QTabWidget>("PCSetting")->setCurrentIndex(1);
  Press("ButtonBrowse");
  auto* window = ShownWindow<TFormFileSel>();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle(), QString("ファイルの選択"));
  EXPECT_EQ(window->pos(), QPoint(120, 62));
  ConfirmFileName(*window, "photo.jpg");
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(Edit("EditAvoid")->text(), QString::fromStdString(site / "photo.jpg"));
  EXPECT_EQ(AvoidItems().size(), 6) << "added only by the add button";
  Press("ButtonAdd");
  EXPECT_EQ(AvoidItems().back(), QString::fromStdString(site / "photo.jpg"));
}

}  // namespace
}  // namespace zelvora::gui
