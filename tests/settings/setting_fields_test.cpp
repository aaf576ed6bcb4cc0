#include "settings/setting_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelvora {
namespace {

TEST(SettingFieldsTest, DescribesEveryFieldInDeclaredOrder) {
  EXPECT_EQ(DescribeSettings(TSetting()),
            (std::vector<std::string>{
                "WriteFmtStr=yyyy/mm/dd", "KeepTimeStamp=1",    "Backup=1",
                "EnableAvoidList=1",      "LinkWrite=1",        "Log=1",
                "OpenWriteF=0",           "RestrictLinkNest=0", "UseNN=1",
                "BackupGenes=3",          "MaxLinkNest=5",      "MaxLog=500",
                "WriteFmtIdx=0",          "AvoidList0=*.png",   "AvoidList1=*.gif",
                "AvoidList2=*.jpg",       "AvoidList3=*.jpeg",  "AvoidList4=*.lzh",
                "AvoidList5=*.zip",       "AssignWriteFmt=0",   "ErrCope=2",
                "UseGitDates=0",          "SiteRoot=",          "FollowAnyAnchor=0"}));
  TSetting empty_list;
  empty_list.AvoidList.clear();
  empty_list.ErrCope = -1;
  empty_list.SiteRoot = "/srv/www site";
  const auto lines = DescribeSettings(empty_list);
  EXPECT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[13], "AssignWriteFmt=0");
  EXPECT_EQ(lines[14], "ErrCope=-1");
  EXPECT_EQ(lines[16], "SiteRoot=/srv/www site");
}

TEST(SettingFieldsTest, AppliesValuesAsTheStoreHoldsThem) {
  TSetting setting;
  for (const char* assignment :
       {"WriteFmtStr=yy=mm dd", "KeepTimeStamp=0", "OpenWriteF=1", "MaxLog=-12",
        "WriteFmtIdx=2147483647", "ErrCope=258", "AssignWriteFmt=255", "AvoidList=a,,b c",
        "UseGitDates=1", "SiteRoot=/srv/a=b", "FollowAnyAnchor=1"}) {
    ASSERT_TRUE(ApplySettingOverride(setting, assignment).ok()) << assignment;
  }
  EXPECT_EQ(setting.WriteFmtStr, "yy=mm dd");
  EXPECT_FALSE(setting.KeepTimeStamp);
  EXPECT_TRUE(setting.OpenWriteF);
  EXPECT_EQ(setting.MaxLog, -12);  // corrected later by ClampSetting
  EXPECT_EQ(setting.WriteFmtIdx, 2147483647);
  EXPECT_EQ(setting.ErrCope, 2);          // low byte of 258
  EXPECT_EQ(setting.AssignWriteFmt, -1);  // low byte of 255, signed
  EXPECT_EQ(setting.AvoidList, (std::vector<std::string>{"a", "", "b c"}));
  EXPECT_TRUE(setting.UseGitDates);
  EXPECT_EQ(setting.SiteRoot, "/srv/a=b");
  EXPECT_TRUE(setting.FollowAnyAnchor);

  ASSERT_TRUE(ApplySettingOverride(setting, "AvoidList=").ok());
  EXPECT_TRUE(setting.AvoidList.empty());
  ASSERT_TRUE(ApplySettingOverride(setting, "WriteFmtStr=").ok());
  EXPECT_EQ(setting.WriteFmtStr, "");
}

TEST(SettingFieldsTest, DescribedLinesApplyBackToTheSameSetting) {
  TSetting changed;
  changed.WriteFmtStr = "yyyy年";
  changed.UseNN = false;
  changed.BackupGenes = 7;
  changed.ErrCope = 0;
  changed.AvoidList = {"*.pdf"};
  TSetting rebuilt;
  for (const std::string& line : DescribeSettings(changed)) {
    if (line.starts_with("AvoidList")) continue;
    ASSERT_TRUE(ApplySettingOverride(rebuilt, line).ok()) << line;
  }
  ASSERT_TRUE(ApplySettingOverride(rebuilt, "AvoidList=*.pdf").ok());
  EXPECT_EQ(rebuilt, changed);
}

TEST(SettingFieldsTest, RejectsUnknownNamesAndMalformedValuesWithAUsageMessage) {
  struct Case {
    const char* assignment;
    const char* message;
  };
  for (const Case& c : {
           Case{"Foo=1", "unknown setting \"Foo\""},
           Case{"maxlog=100", "unknown setting \"maxlog\""},
           Case{"AvoidList0=*.x", "unknown setting \"AvoidList0\""},
           Case{"MaxLog", "setting override \"MaxLog\" needs the form NAME=VALUE"},
           Case{"MaxLog=abc", "setting \"MaxLog\" needs a decimal number, not \"abc\""},
           Case{"MaxLog=", "setting \"MaxLog\" needs a decimal number, not \"\""},
           Case{"MaxLog= 5", "setting \"MaxLog\" needs a decimal number, not \" 5\""},
           Case{"MaxLog=5x", "setting \"MaxLog\" needs a decimal number, not \"5x\""},
           Case{"MaxLog=+5", "setting \"MaxLog\" needs a decimal number, not \"+5\""},
           Case{"ErrCope=2147483648",
                "setting \"ErrCope\" needs a decimal number from -2147483648 to 2147483647, not "
                "\"2147483648\""},
           Case{"Log=2", "setting \"Log\" needs 0 or 1, not \"2\""},
           Case{"Log=true", "setting \"Log\" needs 0 or 1, not \"true\""},
       }) {
    TSetting setting;
    const Status status = ApplySettingOverride(setting, c.assignment);
    EXPECT_FALSE(status.ok()) << c.assignment;
    EXPECT_EQ(status.message(), c.message);
    EXPECT_EQ(setting, TSetting()) << c.assignment;
  }
}

}  // namespace
}  // namespace zelvora
