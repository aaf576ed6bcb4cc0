#include "settings/setting.h"

#include <gtest/gtest.h>

namespace zelvora {
namespace {

TEST(SettingTest, NewRecordHoldsTheDefaults) {
  const TSetting setting;
  EXPECT_EQ(setting.WriteFmtStr, "yyyy/mm/dd");
  EXPECT_TRUE(setting.KeepTimeStamp && setting.Backup && setting.EnableAvoidList &&
              setting.LinkWrite && setting.Log && setting.UseNN);
  EXPECT_FALSE(setting.OpenWriteF || setting.RestrictLinkNest);
  EXPECT_EQ(setting.BackupGenes, 3);
  EXPECT_EQ(setting.MaxLinkNest, 5);
  EXPECT_EQ(setting.MaxLog, 500);
  EXPECT_EQ(setting.WriteFmtIdx, 0);
  EXPECT_EQ(setting.AvoidList,
            (std::vector<std::string>{"*.png", "*.gif", "*.jpg", "*.jpeg", "*.lzh", "*.zip"}));
  EXPECT_EQ(setting.AssignWriteFmt, 0);
  EXPECT_EQ(setting.ErrCope, 2);
  EXPECT_FALSE(setting.UseGitDates || setting.FollowAnyAnchor);
  EXPECT_EQ(setting.SiteRoot, "");
}

TEST(SettingTest, CopiesShareNothing) {
  TSetting original;
  TSetting copy = original;
  copy.AvoidList.push_back("*.pdf");
  copy.WriteFmtStr += "!";
  EXPECT_EQ(original.AvoidList.size(), 6u);
  EXPECT_EQ(original.WriteFmtStr, "yyyy/mm/dd");
}

TEST(SettingTest, ClampPullsEveryRangedFieldIntoRange) {
  TSetting low;
  low.BackupGenes = 0;
  low.MaxLinkNest = 0;
  low.MaxLog = 10;
  low.WriteFmtIdx = -1;
  low.AssignWriteFmt = -1;
  low.ErrCope = -128;
  ClampSetting(low);
  EXPECT_EQ(low.BackupGenes, 1);
  EXPECT_EQ(low.MaxLinkNest, 1);
  EXPECT_EQ(low.MaxLog, 50);
  EXPECT_EQ(low.WriteFmtIdx, 0);
  EXPECT_EQ(low.AssignWriteFmt, 0);
  EXPECT_EQ(low.ErrCope, 0);

  TSetting high;
  high.BackupGenes = 12;
  high.MaxLinkNest = 250;
  high.MaxLog = 9999;
  high.WriteFmtIdx = 8;
  high.AssignWriteFmt = 127;
  high.ErrCope = 7;
  ClampSetting(high);
  EXPECT_EQ(high.BackupGenes, 9);
  EXPECT_EQ(high.MaxLinkNest, 99);
  EXPECT_EQ(high.MaxLog, 5000);
  EXPECT_EQ(high.WriteFmtIdx, 7);
  EXPECT_EQ(high.AssignWriteFmt, 1);
  EXPECT_EQ(high.ErrCope, 2);
}

}  // namespace
}  // namespace zelvora
