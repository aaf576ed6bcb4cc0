#include "platform/user_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include "tests/support/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

using testing::ScopedEnvironment;
using Words = std::vector<std::string>;

TEST(UserFoldersTest, FoldersFollowTheXdgVariablesAndIgnoreRelativeOnes) {
  ScopedEnvironment environment({{"HOME", "/home/me/"},
                                 {"XDG_STATE_HOME", "/var/state"},
                                 {"XDG_RUNTIME_DIR", "/run/user/1000"},
                                 {"XDG_CACHE_HOME", "/var/cache-me"}});
  EXPECT_EQ(HomeFolder(), "/home/me");
  EXPECT_EQ(UserStateFolder(), "/var/state/zelvora/");
  EXPECT_EQ(UserScratchFolders(), (Words{"/run/user/1000/zelvora/", "/var/cache-me/zelvora/"}));

  environment.Set("XDG_STATE_HOME", "relative/state");
  environment.Set("XDG_RUNTIME_DIR", "run/user/1000");
  EXPECT_EQ(UserStateFolder(), "/home/me/.local/state/zelvora/");
  EXPECT_EQ(UserScratchFolders(), Words{"/var/cache-me/zelvora/"});

  environment.Set("XDG_STATE_HOME", "");
  environment.Set("XDG_CACHE_HOME", nullptr);
  EXPECT_EQ(UserStateFolder(), "/home/me/.local/state/zelvora/");
  EXPECT_EQ(UserScratchFolders(), Words{"/home/me/.cache/zelvora/"});
}

TEST(UserFoldersTest, CreateFoldersMakesMissingStepsPrivateAndLeavesOthersAlone) {
  testing::TempDir root;
  chmod(root.path().c_str(), 0755);
  ASSERT_TRUE(CreateFolders(root / "a/b/c/").ok());
  struct stat info;
  ASSERT_EQ(stat((root / "a/b/c").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);
  ASSERT_EQ(stat(root.path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0755u);  // an existing folder keeps its bits
  EXPECT_TRUE(CreateFolders(root / "a/b/c").ok());

  testing::WriteBytes(root / "file", "x");
  EXPECT_EQ(CreateFolders(root / "file/sub").code(), ENOTDIR);
}

TEST(UserFoldersTest, MakePrivateFolderNarrowsItsBitsAndRefusesALink) {
  testing::TempDir root;
  testing::MakeFolder(root / "open");
  chmod((root / "open").c_str(), 0777);
  ASSERT_TRUE(MakePrivateFolder(root / "open/").ok());
  struct stat info;
  ASSERT_EQ(stat((root / "open").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);

  ASSERT_EQ(symlink((root / "open").c_str(), (root / "link").c_str()), 0);
  EXPECT_EQ(MakePrivateFolder(root / "link").code(), EPERM);
}

}  // namespace
}  // namespace zelvora
