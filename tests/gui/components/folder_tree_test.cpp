#include "gui/components/folder_tree.h"

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "tests/support/fault_injecting_file_system.h"
#include "tests/support/temp_dir.h"

namespace zelvora::gui {
namespace {

using testing::FaultInjectingFileSystem;
using testing::FsOp;
using testing::MakeFolder;
using testing::TempDir;

// Roots as the shell names them: a fixed drive, a removable one and a network drive, each
// standing for a folder of a temporary world.
class FolderTreeRootsTest : public ::testing::Test {
 protected:
  FolderTreeRootsTest() { MakeFolder(dir_ / "fixed/Alpha/deep"); }

  std::unique_ptr<TExpViewLite> MakeTree() {
    return std::make_unique<TExpViewLite>(nullptr, fs_, [this] {
      return std::vector<FolderRoot>{
          {fixed_, false, "ローカル ディスク (C:)", ShellPlace::Kind::kFixed},
          {dir_ / "media", true, "リムーバブル ディスク (E:)", ShellPlace::Kind::kRemovable},
          {dir_ / "net", true, "www (\\\\nas) (Z:)", ShellPlace::Kind::kNetwork}};
    });
  }

  TempDir dir_{"roots"};
  const std::string fixed_ = dir_ / "fixed";
  FaultInjectingFileSystem fs_{RealFileSystem()};
};

TEST_F(FolderTreeRootsTest, RootsShowTheShellsLabelsAndSlowOnesAreNotReadBeforeOpening) {
  auto tree = MakeTree();
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), QString("ローカル ディスク (C:)"));
  EXPECT_EQ(tree->topLevelItem(1)->text(0), QString("リムーバブル ディスク (E:)"));
  EXPECT_EQ(tree->topLevelItem(2)->text(0), QString("www (\\\\nas) (Z:)"));
  // Only the fixed drive was probed; the network drive, like the removable one, shows an
  // expand mark without being read.
  EXPECT_EQ(fs_.CallCount(FsOp::kHasSubfolder), 1);
  EXPECT_EQ(fs_.CallCount(FsOp::kListFolder), 0);
  EXPECT_EQ(tree->topLevelItem(2)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
}

TEST_F(FolderTreeRootsTest, ALabelledRootIsWalkedByItsPathAndNamesItsFoldersWithTheSeparator) {
  auto tree = MakeTree();
  const std::string deep = dir_ / "fixed/Alpha/deep";
  tree->SetPathName(deep);
  EXPECT_EQ(tree->GetPathName(), JoinPath(deep, ""));
  EXPECT_EQ(tree->GetFolderName(), deep);
  tree->SetPathName(fixed_);
  EXPECT_EQ(tree->GetFolderName(), fixed_);
  EXPECT_EQ(tree->currentItem()->text(0), QString("ローカル ディスク (C:)"));
}

TEST_F(FolderTreeRootsTest, NothingSelectedGivesEmptyNames) {
  auto tree = MakeTree();
  EXPECT_EQ(tree->GetPathName(), "");
  EXPECT_EQ(tree->GetFolderName(), "");
}

}  // namespace
}  // namespace zelvora::gui
