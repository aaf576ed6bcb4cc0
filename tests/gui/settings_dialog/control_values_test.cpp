#include "gui/settings_dialog/control_values.h"

#include <gtest/gtest.h>

namespace zelvora {
namespace {

// A record in which every field differs from the defaults.
TSetting Unusual() {
  TSetting setting;
  setting.WriteFmtStr = "yy.mm.dd";
  setting.KeepTimeStamp = false;
  setting.Backup = false;
  setting.EnableAvoidList = false;
  setting.LinkWrite = false;
  setting.Log = false;
  setting.OpenWriteF = true;
  setting.RestrictLinkNest = true;
  setting.UseNN = false;
  setting.BackupGenes = 9;
  setting.MaxLinkNest = 250;
  setting.MaxLog = 50;
  setting.WriteFmtIdx = 7;
  setting.AvoidList = {"*.css", "/site/old.htm"};
  setting.AssignWriteFmt = 1;
  setting.ErrCope = kErrCopeContinue;
  return setting;
}

TEST(ControlValuesTest, ARecordShownAndReadBackIsTheSameRecord) {
  for (const TSetting& original : {TSetting(), Unusual()}) {
    TSetting read;
    read.AvoidList.clear();
    EXPECT_TRUE(FillSetting(ValuesOfSetting(original), read).passed);
    EXPECT_EQ(read, original);
  }
  const ControlValues values = ValuesOfSetting(Unusual());
  EXPECT_FALSE(values.RButtonWriteFmtTmpl);
  EXPECT_TRUE(values.RButtonWriteFmtFree);
  EXPECT_EQ(values.EditMaxLinkNest, "250");
  EXPECT_TRUE(values.RButtonContinueDeal);
  EXPECT_FALSE(values.RButtonAbortDeal || values.RButtonAskUser);
}

TEST(ControlValuesTest, ThePolicyIsTakenFromTheFirstCheckedButton) {
  ControlValues values = ValuesOfSetting(TSetting());
  values.RButtonAskUser = false;
  TSetting setting;
  ASSERT_TRUE(FillSetting(values, setting).passed);
  EXPECT_EQ(setting.ErrCope, kErrCopeAsk) << "none checked reads as ask";
  values.RButtonAbortDeal = values.RButtonContinueDeal = true;
  ASSERT_TRUE(FillSetting(values, setting).passed);
  EXPECT_EQ(setting.ErrCope, kErrCopeAbort);
}

TEST(ControlValuesTest, TheFirstFailureEndsTheFillingWithTheFieldsBeforeItWritten) {
  ControlValues values = ValuesOfSetting(Unusual());
  values.EditMaxLinkNest = "zwei";
  values.EditBackupGenes = "abc";
  values.EditMaxLogLine = "abc";
  TSetting setting;
  const ControlCheck check = FillSetting(values, setting);
  EXPECT_EQ(check, (ControlCheck{false, kLinkDepthNotANumber, NumberField::kMaxLinkNest, ""}));
  EXPECT_TRUE(setting.RestrictLinkNest) << "written before the failure";
  EXPECT_EQ(setting.WriteFmtStr, "yy.mm.dd");
  EXPECT_EQ(setting.MaxLinkNest, 5) << "a text that is no number leaves the field";
  EXPECT_TRUE(setting.EnableAvoidList) << "not reached";
  EXPECT_EQ(setting.AvoidList, TSetting().AvoidList);

  values.EditMaxLinkNest = "7";
  EXPECT_EQ(FillSetting(values, setting).message, kGenerationsNotANumber);
  EXPECT_EQ(setting.AvoidList, Unusual().AvoidList);
  EXPECT_TRUE(setting.Log) << "not reached";

  values.EditBackupGenes = "3";
  EXPECT_EQ(FillSetting(values, setting).message, kLogLinesNotANumber);
  EXPECT_FALSE(setting.Log);
  EXPECT_TRUE(setting.UseNN) << "not reached";
}

TEST(ControlValuesTest, ARangeFailureWritesTheNumberAndCorrectsToTheNearestBound) {
  const struct {
    const char* generations;
    const char* log_lines;
    int32_t written;
    NumberField field;
    const char* corrected;
  } cases[] = {
      {"12", "500", 12, NumberField::kBackupGenes, "9"},
      {"0", "500", 0, NumberField::kBackupGenes, "1"},
      {"-4", "500", -4, NumberField::kBackupGenes, "1"},
      {"3", "10", 10, NumberField::kMaxLog, "50"},
      {"3", "9999", 9999, NumberField::kMaxLog, "5000"},
  };
  for (const auto& c : cases) {
    ControlValues values = ValuesOfSetting(TSetting());
    values.EditBackupGenes = c.generations;
    values.EditMaxLogLine = c.log_lines;
    values.CBoxUseNN = false;
    TSetting setting;
    const ControlCheck check = FillSetting(values, setting);
    EXPECT_FALSE(check.passed);
    EXPECT_EQ(check.field, c.field);
    EXPECT_EQ(check.corrected_text, c.corrected);
    const bool generations = c.field == NumberField::kBackupGenes;
    EXPECT_EQ(check.message, generations ? GenerationsRangeMessage() : LogLinesRangeMessage());
    EXPECT_EQ(generations ? setting.BackupGenes : setting.MaxLog, c.written);
    EXPECT_TRUE(setting.UseNN) << "the last step is not reached";
  }
  EXPECT_EQ(GenerationsRangeMessage(),
            "「世代数」は1～9世代のどれかに設定して下さい。\n自動修正しました。");
  EXPECT_EQ(LogLinesRangeMessage(),
            "「ログファイルの最大行数」は50～5000行のどれかに設定して下さい。\n自動修正しました。");
}

TEST(ControlValuesTest, TheLinkDepthTakesAnyNumberAndTheFreeFormatAnyText) {
  for (const char* depth : {"0", "500", "-3", "$10"}) {
    ControlValues values = ValuesOfSetting(TSetting());
    values.EditMaxLinkNest = depth;
    values.HCBoxWriteFmtStr = "";
    TSetting setting;
    EXPECT_TRUE(FillSetting(values, setting).passed) << depth;
    EXPECT_EQ(setting.WriteFmtStr, "");
  }
  ControlValues values = ValuesOfSetting(TSetting());
  values.EditMaxLinkNest = "500";
  TSetting setting;
  ASSERT_TRUE(FillSetting(values, setting).passed);
  EXPECT_EQ(setting.MaxLinkNest, 500);
  ClampSetting(setting);  // as at the next load
  EXPECT_EQ(setting.MaxLinkNest, 99);
}

}  // namespace
}  // namespace zelvora
