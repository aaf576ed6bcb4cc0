#include "gui/components/folder_tree.h"

#include <gtest/gtest.h>

#include "gui/components/message_box.h"
#include "tests/support/fault_injecting_file_system.h"
#include "tests/support/temp_dir.h"

namespace zelvora::gui {
namespace {

using testing::FailEvery;
using testing::FaultInjectingFileSystem;
using testing::FsOp;
using testing::MakeFolder;
using testing::TempDir;
using testing::WriteBytes;

// "日本" in Shift_JIS: a folder name that is not UTF-8.
const std::string kShiftJisName = "\x93\xfa\x96\x7b";

// The tree over a POSIX file system, whose names are bytes and tell letter case apart.
// site/ holds .hidden/, Alpha/deep/, beta/ (with a file), Docs/ and docs/, a Shift_JIS name
// and a file; media/ is an empty removable medium.
class FolderTreeTest : public ::testing::Test {
 protected:
  FolderTreeTest() {
    MakeFolder(site_ + "/.hidden");
    MakeFolder(site_ + "/Alpha/deep");
    WriteBytes(site_ + "/beta/page.htm", "x");
    MakeFolder(site_ + "/Docs");
    MakeFolder(site_ + "/docs");
    MakeFolder(site_ + "/" + kShiftJisName + "/inner");
    WriteBytes(site_ + "/index.htm", "x");
    MakeFolder(media_);
  }

  // A tree whose roots are site/ (fixed) and media/ (removable).
  std::unique_ptr<TExpViewLite> MakeTree() {
    return std::make_unique<TExpViewLite>(nullptr, fs_, [this] {
      return std::vector<FolderRoot>{{site_, false}, {media_, true}};
    });
  }

  static QStringList ChildTexts(const QTreeWidgetItem* node) {
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i) texts << node->child(i)->text(0);
    return texts;
  }

  int Calls(FsOp op, const std::string& path) const {
    int count = 0;
    for (const auto& call : fs_.calls()) count += call.op == op && call.path == path ? 1 : 0;
    return count;
  }

  TempDir dir_{"tree"};
  const std::string site_ = dir_ / "site";
  const std::string media_ = dir_ / "media";
  FaultInjectingFileSystem fs_{RealFileSystem()};
};

TEST_F(FolderTreeTest, FixedRootsAreProbedAndRemovableOnesMarkedUntouchedUntilOpened) {
  auto tree = MakeTree();
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  QTreeWidgetItem* site = tree->topLevelItem(0);
  QTreeWidgetItem* media = tree->topLevelItem(1);
  EXPECT_EQ(site->text(0), QString::fromStdString(site_));
  EXPECT_EQ(site->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
  EXPECT_EQ(media->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
  EXPECT_EQ(Calls(FsOp::kHasSubfolder, site_ + "/"), 1);
  EXPECT_EQ(fs_.CallCount(FsOp::kHasSubfolder), 1);
  EXPECT_EQ(fs_.CallCount(FsOp::kListFolder), 0);

  // The empty medium loses its mark once opened.
  media->setExpanded(true);
  EXPECT_EQ(media->childCount(), 0);
  EXPECT_FALSE(media->isExpanded());
  EXPECT_EQ(media->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

TEST_F(FolderTreeTest, SubfoldersAreReadOnceInLocaleOrderWithHiddenOnesAndNoFiles) {
  auto tree = MakeTree();
  QTreeWidgetItem* site = tree->topLevelItem(0);
  site->setExpanded(true);
  EXPECT_EQ(ChildTexts(site),
            QStringList({".hidden", "Alpha", "beta", "Docs", "docs", QString("日本")}));
  EXPECT_EQ(Calls(FsOp::kListFolder, site_ + "/"), 1);
  // Each new child was probed once, for a single subfolder; none was listed.
  EXPECT_EQ(fs_.CallCount(FsOp::kHasSubfolder), 1 + 6);
  EXPECT_EQ(fs_.CallCount(FsOp::kListFolder), 1);
  EXPECT_EQ(site->child(1)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);  // Alpha
  EXPECT_EQ(site->child(2)->childIndicatorPolicy(),                                   // beta
            QTreeWidgetItem::DontShowIndicatorWhenChildless);

  site->setExpanded(false);
  site->setExpanded(true);
  EXPECT_EQ(fs_.CallCount(FsOp::kListFolder), 1);
  EXPECT_EQ(site->childCount(), 6);
}

TEST_F(FolderTreeTest, WalkingSelectsTheSameFolderWithOrWithoutSlashAndInAnotherCase) {
  auto tree = MakeTree();
  EXPECT_EQ(tree->GetPathName(), "");
  EXPECT_EQ(tree->GetFolderName(), "");

  tree->SetPathName(site_ + "/Alpha/deep");
  EXPECT_EQ(tree->GetPathName(), site_ + "/Alpha/deep/");
  EXPECT_EQ(tree->GetFolderName(), site_ + "/Alpha/deep");
  tree->SetPathName(site_ + "/beta/");
  EXPECT_EQ(tree->GetPathName(), site_ + "/beta/");
  tree->SetPathName(site_ + "/ALPHA/Deep/");
  EXPECT_EQ(tree->GetPathName(), site_ + "/Alpha/deep/");
  tree->SetPathName(site_ + "//BETA");
  EXPECT_EQ(tree->GetPathName(), site_ + "/beta/");

  // Where two folders differ only in case, the exact spelling wins.
  tree->SetPathName(site_ + "/docs");
  EXPECT_EQ(tree->GetPathName(), site_ + "/docs/");
  tree->SetPathName(site_ + "/Docs");
  EXPECT_EQ(tree->GetPathName(), site_ + "/Docs/");
}

TEST_F(FolderTreeTest, WalkToAMissingFolderKeepsTheSelectionAndTheOpenedAncestors) {
  auto tree = MakeTree();
  tree->SetPathName(site_ + "/beta");
  tree->SetPathName(site_ + "/Alpha/missing/deeper");
  EXPECT_EQ(tree->GetPathName(), site_ + "/beta/");
  QTreeWidgetItem* alpha = tree->topLevelItem(0)->child(1);
  ASSERT_EQ(alpha->text(0), QString("Alpha"));
  EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
  EXPECT_TRUE(alpha->isExpanded());

  // Paths that do not begin with "/" are not walked at all.
  tree->SetPathName("Alpha");
  tree->SetPathName("");
  EXPECT_EQ(tree->GetPathName(), site_ + "/beta/");
}

TEST_F(FolderTreeTest, FolderNamesThatAreNotUtf8AreShownReadablyAndWalkedExactly) {
  const std::string unreadable = "bad\xff\xfe";
  MakeFolder(site_ + "/" + unreadable);
  auto tree = MakeTree();
  tree->SetPathName(site_ + "/" + kShiftJisName + "/inner");
  EXPECT_EQ(tree->GetPathName(), site_ + "/" + kShiftJisName + "/inner/");
  tree->SetPathName(site_ + "/" + unreadable);
  EXPECT_EQ(tree->GetFolderName(), site_ + "/" + unreadable);
  EXPECT_TRUE(tree->currentItem()->text(0).startsWith("bad"));
  EXPECT_TRUE(ChildTexts(tree->topLevelItem(0)).contains(QString("日本")));
}

TEST_F(FolderTreeTest, UnreadableFoldersGetNoChildrenAndNoMessage) {
  MessageBoxScript script;
  fs_.Inject(FailEvery(FsOp::kListFolder, EACCES, "/Alpha"));
  fs_.Inject(FailEvery(FsOp::kHasSubfolder, EACCES, "/Docs"));
  auto tree = MakeTree();
  tree->SetPathName(site_ + "/Alpha/deep");
  EXPECT_EQ(tree->GetPathName(), "");
  QTreeWidgetItem* alpha = tree->topLevelItem(0)->child(1);
  EXPECT_EQ(alpha->childCount(), 0);
  EXPECT_FALSE(alpha->isExpanded());
  EXPECT_EQ(alpha->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
  EXPECT_EQ(tree->topLevelItem(0)->child(3)->childIndicatorPolicy(),  // Docs
            QTreeWidgetItem::DontShowIndicatorWhenChildless);
  EXPECT_TRUE(script.shown.empty());
}

TEST(FolderTreeRootTest, TheDiskRootReadsAsASlashBothAsPathAndAsFolder) {
  TExpViewLite tree(nullptr, RealFileSystem(), [] {
    return std::vector<FolderRoot>{{"/", false}};
  });
  ASSERT_EQ(tree.topLevelItemCount(), 1);
  EXPECT_EQ(tree.topLevelItem(0)->text(0), QString("/"));
  tree.SetPathName("/");
  EXPECT_EQ(tree.GetPathName(), "/");
  EXPECT_EQ(tree.GetFolderName(), "/");
}

}  // namespace
}  // namespace zelvora::gui
