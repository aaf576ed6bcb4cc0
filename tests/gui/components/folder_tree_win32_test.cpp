#include <gtest/gtest.h>

#include <cctype>

#include "gui/components/folder_tree.h"
#include "tests/support/temp_dir.h"

namespace zelvora::gui {
namespace {

using testing::MakeFolder;
using testing::TempDir;

// A drive root keeps its "\" as a folder (without it "C:" would mean the drive's current
// folder); paths are walked with either separator and found in any letter case, as Windows
// names them; what the tree returns is written with "\".
TEST(FolderTreeWin32Test, DrivesAndFoldersAreWalkedAsWindowsWritesAndComparesThem) {
  TempDir dir("drives");
  MakeFolder(dir / "Site/News");
  const std::string drive = dir.path().substr(0, 3);
  ASSERT_EQ(drive[1], ':');
  TExpViewLite tree(nullptr, RealFileSystem(), [&] {
    return std::vector<FolderRoot>{{drive, false, "ローカル ディスク", ShellPlace::Kind::kFixed}};
  });
  tree.SetPathName(drive);
  EXPECT_EQ(tree.GetPathName(), drive);
  EXPECT_EQ(tree.GetFolderName(), drive);

  std::string lower_slashes = dir / "site/news";
  for (char& c : lower_slashes) c = c == '\\' ? '/' : static_cast<char>(std::tolower(c));
  tree.SetPathName(lower_slashes);
  EXPECT_EQ(tree.GetFolderName(), dir.path() + "\\Site\\News");
  EXPECT_EQ(tree.GetPathName(), dir.path() + "\\Site\\News\\");
}

}  // namespace
}  // namespace zelvora::gui
