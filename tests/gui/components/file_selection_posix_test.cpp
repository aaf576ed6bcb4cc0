// The file dialog over a POSIX file system, whose names are bytes (one of the fixture's pages
// has a Shift_JIS name) and whose home is $HOME.
#include "gui/components/file_selection.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <QTreeWidgetItem>
#include <cstdlib>

#include "gui/components/file_selection_window.h"
#include "gui/components/message_box.h"
#include "tests/gui/support/widget_input.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace zelvora::gui {
namespace {

using testing::MakeFolder;
using testing::PressKey;
using testing::SendFocus;
using testing::TempDir;
using testing::TypeText;
using testing::WriteBytes;

// "日本.htm" in Shift_JIS: a file name that is not UTF-8.
const std::string kShiftJisPage = "\x93\xfa\x96\x7b.htm";

class OpenFileSel : public TFileSel {
 public:
  using TFileSel::dialog_form;
  using TFileSel::TFileSel;
};

// An owner that records what it finds when it is told about a chosen file.
class RecordingOwner : public MessageTarget {
 public:
  explicit RecordingOwner(const TFileSel*& file_sel) : file_sel_(file_sel) {}
  void HandleMessage(unsigned message) override {
    messages.push_back(message);
    file_name = file_sel_->GetFileName();
    initial_folder = file_sel_->GetInitialFolder();
    file_type_index = file_sel_->GetFileTypeIndex();
  }
  std::vector<unsigned> messages;
  std::string file_name;
  std::string initial_folder;
  int file_type_index = 99;

 private:
  const TFileSel*& file_sel_;
};

class FileSelectionTest : public ::testing::Test {
 protected:
  FileSelectionTest() {
    for (const char* name :
         {"index.htm", "about.html", "Page.HTM", "notes.txt", "README", ".hidden.htm"}) {
      WriteBytes(site_ + "/" + name, "x");
    }
    WriteBytes(site_ + "/" + kShiftJisPage, "x");
    MakeFolder(site_ + "/folder.htm");
    WriteBytes(site_ + "/news/index.htm", "x");
    file_sel_.SetCaption("記入ファイルの選択");
    file_sel_.AddFileType("HTML ファイル", "*.htm,*.html", 0);
    file_sel_.SetNotifyWindow(&owner_);
    file_sel_.SetNotifyMessage(kMessageFileChosen);
    file_sel_.SetInitialFolder(site_);
  }

  // Makes and shows the window, as an owner's browse command does.
  void Open() {
    file_sel_.Show();
    window_ = static_cast<TFormFileSel*>(file_sel_.dialog_form());
    ASSERT_NE(window_, nullptr);
  }

  template <typename Control>
  Control* Find(const char* name) const {
    auto* control = window_->findChild<Control*>(name);
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  QListWidget* Files() const { return Find<QListWidget>("LBoxFiles"); }
  QLineEdit* NameField() const { return Find<QLineEdit>("EditFileName"); }
  QLineEdit* PatternField() const { return Find<QLineEdit>("EditFileType"); }
  QComboBox* Types() const { return Find<QComboBox>("CBoxFileType"); }
  QPushButton* Ok() const { return Find<QPushButton>("ButtonOk"); }
  TExpViewLite* Tree() const { return Find<TExpViewLite>("EViewLite"); }

  QStringList Listed() const {
    QStringList names;
    for (int i = 0; i < Files()->count(); ++i) names << Files()->item(i)->text();
    return names;
  }

  void PickType(int index) {
    Types()->setCurrentIndex(index);
    emit Types()->activated(index);
  }

  // Types `name` into the name field and presses OK.
  void Confirm(const QString& name) {
    NameField()->setText(name);
    Ok()->click();
  }

  TempDir dir_{"filesel"};
  const std::string site_ = dir_ / "site";
  const TFileSel* seen_ = &file_sel_;
  RecordingOwner owner_{seen_};
  OpenFileSel file_sel_{nullptr, RealFileSystem(), [this] {
                          return std::vector<FolderRoot>{{dir_.path(), false}};
                        }};
  TFormFileSel* window_ = nullptr;
};

TEST_F(FileSelectionTest, ListsTheFolderFilesOfTheTypeInLocaleOrderHiddenOnesIncluded) {
  WriteBytes(site_ + "/INDEX.HTM", "x");  // another file than index.htm here
  Open();
  EXPECT_EQ(window_->windowTitle(), QString("記入ファイルの選択"));
  EXPECT_EQ(Types()->currentText(), QString("HTML ファイル (*.htm,*.html)"));
  EXPECT_EQ(PatternField()->text(), QString("*.htm,*.html"));
  // Case-blind matching, the folder "folder.htm" left out, the Shift_JIS name readable.
  EXPECT_EQ(Listed(), QStringList({".hidden.htm", "about.html", "INDEX.HTM", "index.htm",
                                   "Page.HTM", QString("日本.htm")}));

  PickType(1);
  EXPECT_EQ(PatternField()->text(), QString("*.*"));
  EXPECT_EQ(Listed().size(), 8);
  EXPECT_TRUE(Listed().contains("README"));  // "*.*" also matches names without a dot
  EXPECT_FALSE(Listed().contains("folder.htm"));
  EXPECT_FALSE(Listed().contains("news"));
}

// Whatever item the pointer rests on, the tool tip names the selected folder in full.
TEST_F(FileSelectionTest, TheTreesToolTipIsTheSelectedFoldersFullPath) {
  Open();
  TExpViewLite* tree = Tree();
  tree->currentItem()->setExpanded(true);
  const QTreeWidgetItem* news = tree->currentItem()->child(1);  // "folder.htm", then "news"
  ASSERT_NE(news, nullptr);
  ASSERT_EQ(news->text(0), QString("news"));
  const QPoint over_news = tree->visualItemRect(news).center();
  QHelpEvent hover(QEvent::ToolTip, over_news, tree->viewport()->mapToGlobal(over_news));
  QApplication::sendEvent(tree->viewport(), &hover);
  EXPECT_EQ(QToolTip::text(), QString::fromStdString(site_ + "/"));
  QToolTip::hideText();
}

TEST_F(FileSelectionTest, AClickOnAFolderListsItsFiles) {
  Open();
  QTreeWidgetItem* news = Tree()->SerchChildNode(Tree()->currentItem(), "news");
  ASSERT_NE(news, nullptr);
  Tree()->scrollToItem(news);
  QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier,
                    Tree()->visualItemRect(news).center());
  EXPECT_EQ(Tree()->GetPathName(), site_ + "/news/");
  EXPECT_EQ(Listed(), QStringList({"index.htm"}));
}

TEST_F(FileSelectionTest, TypedPatternsAreListedOnEnterWhichNeitherConfirmsNorReachesTheDialog) {
  Open();
  QLineEdit* patterns = PatternField();
  SendFocus(patterns, true);
  EXPECT_FALSE(Ok()->isDefault());
  patterns->selectAll();
  TypeText(patterns, "*.TXT,n*");  // notes.txt matches both patterns
  PressKey(patterns, Qt::Key_Return);
  EXPECT_EQ(Listed(), QStringList({"notes.txt"}));
  EXPECT_EQ(Types()->currentIndex(), -1);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(owner_.messages.empty());
  SendFocus(patterns, false);
  EXPECT_TRUE(Ok()->isDefault());

  // An emptied field lists everything and shows "*.*" again.
  patterns->clear();
  patterns->setModified(true);
  PressKey(patterns, Qt::Key_Enter);
  EXPECT_EQ(patterns->text(), QString("*.*"));
  EXPECT_EQ(Listed().size(), 7);

  patterns->setText("*.txt");
  patterns->setModified(true);
  SendFocus(patterns, false);  // leaving the field checks it as Enter does
  Confirm("notes.txt");
  EXPECT_EQ(file_sel_.GetFileTypeIndex(), -1);
}

TEST_F(FileSelectionTest, OkNotifiesTheOwnerWithTheWindowHiddenAndTheValuesTaken) {
  Open();
  Tree()->SetPathName(site_ + "/news");
  Files()->setCurrentRow(0);  // a click copies the name into the field
  EXPECT_EQ(NameField()->text(), QString("index.htm"));
  Ok()->click();
  ASSERT_EQ(owner_.messages, std::vector<unsigned>({kMessageFileChosen}));
  EXPECT_EQ(owner_.file_name, site_ + "/news/index.htm");
  EXPECT_EQ(owner_.initial_folder, site_ + "/news");
  EXPECT_EQ(owner_.file_type_index, 0);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(window_->result(), kModalOk);

  // Shown again, the dialog is where the user left it.
  file_sel_.Show();
  EXPECT_EQ(Tree()->GetPathName(), site_ + "/news/");
  EXPECT_EQ(NameField()->text(), QString("index.htm"));
}

TEST_F(FileSelectionTest, ANameWithoutExtensionGetsTheFirstPatternsExtension) {
  file_sel_.SetOverwritePrompt(true);
  MessageBoxScript script;
  script.answers = {BoxAnswer::kYes};
  Open();
  Confirm("index");
  EXPECT_EQ(file_sel_.GetFileName(), site_ + "/index.htm");
  EXPECT_EQ(script.shown.size(), 1u);  // the overwrite question

  file_sel_.Show();
  PickType(1);
  Confirm("README");  // "*.*" gives no extension
  EXPECT_EQ(file_sel_.GetFileName(), site_ + "/README");
  file_sel_.Show();
  Confirm("new.page");
  EXPECT_EQ(file_sel_.GetFileName(), site_ + "/new.page");
  // A folder part is joined to the selected folder as it is.
  file_sel_.Show();
  PickType(0);
  Confirm("news/draft");
  EXPECT_EQ(file_sel_.GetFileName(), site_ + "/news/draft.htm");
  EXPECT_EQ(NameField()->text(), QString("draft.htm"));
}

TEST_F(FileSelectionTest, OkRefusesAnEmptyNameAndAMissingFileAndAsksBeforeOverwriting) {
  file_sel_.SetFileMustExist(true);
  file_sel_.SetOverwritePrompt(true);
  MessageBoxScript script;
  script.answers = {BoxAnswer::kOk, BoxAnswer::kOk, BoxAnswer::kOk, BoxAnswer::kNo,
                    BoxAnswer::kYes};
  Open();
  Confirm("");
  Confirm("missing");
  Confirm("folder.htm");  // a folder is not a file
  Confirm("about.html");
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(owner_.messages.empty());
  EXPECT_EQ(file_sel_.GetFileName(), "");
  Confirm("about.html");
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(file_sel_.GetFileName(), site_ + "/about.html");

  ASSERT_EQ(script.shown.size(), 5u);
  EXPECT_EQ(script.shown[0].text, QString("ファイルを指定して下さい。"));
  EXPECT_EQ(script.shown[1].text, QString("ファイルが存在しません。"));
  EXPECT_EQ(script.shown[2].text, QString("ファイルが存在しません。"));
  EXPECT_EQ(script.shown[3].text, QString("上書きしてよろしいですか？"));
  EXPECT_EQ(script.shown[3].buttons, BoxButtons::kYesNo);
  for (const ShownBox& box : script.shown) {
    EXPECT_EQ(box.icon, BoxIcon::kExclamation);
    EXPECT_EQ(box.caption, QString("ゼルヴォラ"));
  }
}

TEST_F(FileSelectionTest, WithoutChecksAnyNameIsTakenAndWithoutAFolderItHasNone) {
  file_sel_.SetInitialFolder("relative/folder");
  Open();
  EXPECT_EQ(Tree()->GetPathName(), "");
  EXPECT_TRUE(Listed().isEmpty());
  Confirm("anything");
  EXPECT_EQ(file_sel_.GetFileName(), "anything.htm");
  EXPECT_EQ(file_sel_.GetInitialFolder(), "");
}

TEST_F(FileSelectionTest, DoubleClickConfirmsAndANameThatIsNotUtf8ComesBackExactly) {
  Open();
  const QList<QListWidgetItem*> page = Files()->findItems("日本.htm", Qt::MatchExactly);
  ASSERT_EQ(page.size(), 1);
  Files()->setCurrentItem(page.front());
  emit Files()->itemDoubleClicked(page.front());
  EXPECT_EQ(file_sel_.GetFileName(), site_ + "/" + kShiftJisPage);
  EXPECT_EQ(owner_.messages.size(), 1u);
}

TEST_F(FileSelectionTest, CancelAndEscHideTheWindowAndTakeNothing) {
  file_sel_.SetFileName("/earlier/choice.htm");
  Open();
  EXPECT_EQ(NameField()->text(), QString("choice.htm"));
  Tree()->SetPathName(site_ + "/news");
  PressKey(NameField(), Qt::Key_Escape);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(window_->result(), kModalCancel);
  file_sel_.Show();
  Find<QPushButton>("ButtonCancel")->click();
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(file_sel_.GetFileName(), "/earlier/choice.htm");
  EXPECT_EQ(file_sel_.GetInitialFolder(), site_);
  EXPECT_TRUE(owner_.messages.empty());
}

TEST_F(FileSelectionTest, MultiSelectGivesTheSelectedFilesAndTheTypedName) {
  file_sel_.SetMultiSelect(true);
  Open();
  EXPECT_EQ(Files()->selectionMode(), QAbstractItemView::ExtendedSelection);
  Files()->item(1)->setSelected(true);  // about.html
  Files()->item(3)->setSelected(true);  // Page.HTM
  Confirm("page.htm");                  // another file than Page.HTM on this system
  EXPECT_EQ(
      file_sel_.SelectedFiles(),
      std::vector<std::string>({site_ + "/about.html", site_ + "/Page.HTM", site_ + "/page.htm"}));
  // A typed name that is also selected is given once.
  file_sel_.Show();
  Files()->item(1)->setSelected(true);
  Confirm("about.html");
  EXPECT_EQ(file_sel_.SelectedFiles(), std::vector<std::string>({site_ + "/about.html"}));
}

TEST(FileSelectionPropertiesTest, FileTypesAreAddedOnceAtAClampedIndexAndDeletedBySubstring) {
  TFileSel file_sel(nullptr);
  EXPECT_EQ(file_sel.FileTypes(), QStringList({"すべてのファイル (*.*)"}));
  EXPECT_TRUE(file_sel.AddFileType("HTML ファイル", "*.htm,*.html", 0));
  EXPECT_FALSE(file_sel.AddFileType("html ファイル", "*.HTM,*.html", 1));
  EXPECT_TRUE(file_sel.AddFileType("Text", "*.txt", 99));
  EXPECT_TRUE(file_sel.AddFileType("CSS", "*.css", -5));
  EXPECT_EQ(file_sel.FileTypes(), QStringList({"CSS (*.css)", "HTML ファイル (*.htm,*.html)",
                                               "すべてのファイル (*.*)", "Text (*.txt)"}));
  EXPECT_TRUE(file_sel.DeleteFileType("*.htm"));
  EXPECT_FALSE(file_sel.DeleteFileType("*.HTM"));
  EXPECT_EQ(file_sel.FileTypes().size(), 3);

  file_sel.SetFileTypeIndex(2);
  EXPECT_EQ(file_sel.GetFileTypeIndex(), 2);
  file_sel.SetFileTypeIndex(3);
  EXPECT_EQ(file_sel.GetFileTypeIndex(), 0);
  file_sel.SetFileTypeIndex(-1);
  EXPECT_EQ(file_sel.GetFileTypeIndex(), -1);
  file_sel.ClearFileType();
  EXPECT_TRUE(file_sel.FileTypes().isEmpty());
}

TEST(FileSelectionPropertiesTest, AnEmptyInitialFolderIsAWritableProgramFolder) {
  TFileSel file_sel(nullptr);
  const std::string program = std::getenv("ZELVORA_PROGRAM_DIR");
  EXPECT_EQ(file_sel.GetInitialFolder(), program);
  file_sel.SetInitialFolder("/srv/www/");
  EXPECT_EQ(file_sel.GetInitialFolder(), "/srv/www");
  file_sel.SetInitialFolder("/");
  EXPECT_EQ(file_sel.GetInitialFolder(), "/");
  file_sel.SetInitialFolder("");
  EXPECT_EQ(file_sel.GetInitialFolder(), program);
  EXPECT_EQ(file_sel.GetCaption(), QString("ファイルの選択"));
  EXPECT_EQ(file_sel.GetDialogWidth(), 585);
  EXPECT_EQ(file_sel.GetDialogHeight(), 433);
}

// An installed program's folder belongs to the system (and holds the read-only help page):
// the first file dialog opens at home instead, where the log then is kept too.
TEST(FileSelectionPropertiesTest, AProgramFolderThatTakesNoFilesSendsTheDialogHome) {
  TempDir root;
  MakeFolder(root / "home");
  testing::ScopedEnvironment environment(
      {{"ZELVORA_PROGRAM_DIR", (root / "usr/lib/zelvora").c_str()},
       {"HOME", (root / "home").c_str()}});
  EXPECT_EQ(TFileSel(nullptr).GetInitialFolder(), root / "home");
  MakeFolder(root / "usr/lib/zelvora");  // a copy the user may write to
  EXPECT_EQ(TFileSel(nullptr).GetInitialFolder(), root / "usr/lib/zelvora");
}

}  // namespace
}  // namespace zelvora::gui
