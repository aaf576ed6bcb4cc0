#include "gui/components/folder_selection.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "tests/support/temp_dir.h"

namespace zelvora::gui {
namespace {

using testing::MakeFolder;
using testing::TempDir;

class FolderSelectionTest : public ::testing::Test {
 protected:
  FolderSelectionTest() {
    MakeFolder(dir_ / "www/blog");
    MakeFolder(dir_ / "www/サイト");
  }

  // Runs the dialog modally; once it is up, `act` looks at it and ends it.
  int RunModal(const std::function<void(TFormFolderSel&)>& act) {
    QTimer::singleShot(0, [act] {
      auto* window = qobject_cast<TFormFolderSel*>(QApplication::activeModalWidget());
      ASSERT_NE(window, nullptr);
      act(*window);
    });
    return folder_sel_.ShowModal();
  }

  TempDir dir_{"folders"};
  TFolderSel folder_sel_{nullptr, RealFileSystem(), [this] {
                           return std::vector<FolderRoot>{{dir_.path(), false}};
                         }};
};

TEST_F(FolderSelectionTest, StartsAtItsFolderShowsThePathAndTakesTheChosenFolderOnOk) {
  EXPECT_EQ(folder_sel_.GetCaption(), QString("フォルダの選択"));
  folder_sel_.SetCaption("サイトのルートフォルダ");
  folder_sel_.SetFolderName(dir_ / "www/");
  EXPECT_EQ(folder_sel_.GetFolderName(), dir_ / "www");
  QString title;
  QString shown;
  EXPECT_EQ(RunModal([&](TFormFolderSel& window) {
              title = window.windowTitle();
              shown = window.findChild<QLineEdit*>("EditFolderName")->text();
              window.WalkTo(dir_ / "www/サイト");
              window.findChild<QPushButton*>("ButtonOk")->click();
            }),
            kModalOk);
  EXPECT_EQ(title, QString("サイトのルートフォルダ"));
  EXPECT_EQ(shown, QString::fromStdString(dir_ / "www"));
  EXPECT_EQ(folder_sel_.GetFolderName(), dir_ / "www/サイト");
}

TEST_F(FolderSelectionTest, CancelKeepsTheFolderAndOkWaitsForASelection) {
  folder_sel_.SetFolderName(dir_ / "missing");  // a walk that ends nowhere selects nothing
  bool ok_enabled = true;
  EXPECT_EQ(RunModal([&](TFormFolderSel& window) {
              ok_enabled = window.findChild<QPushButton*>("ButtonOk")->isEnabled();
              window.WalkTo(dir_ / "www/blog");
              window.findChild<QPushButton*>("ButtonCancel")->click();
            }),
            kModalCancel);
  EXPECT_FALSE(ok_enabled);
  EXPECT_EQ(folder_sel_.GetFolderName(), dir_ / "missing");
}

}  // namespace
}  // namespace zelvora::gui
