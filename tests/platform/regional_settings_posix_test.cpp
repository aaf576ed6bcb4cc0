// Regional settings from the LC_TIME locale that the environment names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/regional_settings.h"
#include "tests/platform/japanese_regional_settings.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

TEST(RegionalSettingsTest, CAndPosixLocalesAndMissingLocalesGiveTheJapaneseDefaults) {
  for (const char* name : {"C", "POSIX", "C.UTF-8", "xx_NOWHERE.UTF-8"}) {
    const testing::ScopedEnvironment environment({{"LC_ALL", name}});
    testing::ExpectJapaneseDefaults(ReadRegionalSettings());
  }
  const testing::ScopedEnvironment environment(
      {{"LC_ALL", nullptr}, {"LC_TIME", nullptr}, {"LANG", nullptr}});
  testing::ExpectJapaneseDefaults(ReadRegionalSettings());
}

// Real locales, compiled from the system's locale sources into a private folder. Only the C
// locales are installed on the build machines, so these tests skip where localedef cannot
// build them.
class InstalledLocaleTest : public ::testing::Test {
 protected:
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }

  // Builds the locale `input`.`charmap` (e.g. ja_JP.UTF-8) unless it is there already;
  // skips the test when it cannot be built.
  void Require(const std::string& input, const std::string& charmap) {
    if (folder_ == nullptr) folder_ = new testing::TempDir("locales");
    const std::string target = folder_->path() + "/" + input + "." + charmap;
    const std::string command =
        "localedef -i " + input + " -f " + charmap + " " + target + " >/dev/null 2>&1";
    if (!testing::PathExists(target) && std::system(command.c_str()) != 0) {
      GTEST_SKIP() << "localedef could not build " << input << "." << charmap;
    }
  }

  static inline testing::TempDir* folder_ = nullptr;
};

TEST_F(InstalledLocaleTest, ReadsAJapaneseLocale) {
  Require("ja_JP", "UTF-8");
  Require("ja_JP", "EUC-JP");
  if (IsSkipped()) return;
  for (const char* name : {"ja_JP.UTF-8", "ja_JP.EUC-JP"}) {
    const testing::ScopedEnvironment environment(
        {{"LOCPATH", folder_->path().c_str()}, {"LC_ALL", name}});
    const RegionalSettings settings = ReadRegionalSettings();
    EXPECT_EQ(settings.short_date_format, "yyyy\"年\"mm\"月\"dd\"日\"") << name;
    EXPECT_EQ(settings.long_time_format, "hh\"時\"nn\"分\"ss\"秒\"") << name;
    EXPECT_EQ(settings.short_month_names[0], "1月") << name;
    EXPECT_EQ(settings.long_day_names[1], "月曜日") << name;
    EXPECT_EQ(settings.am_text, "午前") << name;
    EXPECT_EQ(settings.eras.size(), 5u) << name;
  }
}

TEST_F(InstalledLocaleTest, ReadsAnEnglishLocaleNamedForTimeOnly) {
  Require("en_US", "UTF-8");
  Require("ja_JP", "UTF-8");
  if (IsSkipped()) return;
  const testing::ScopedEnvironment environment({{"LOCPATH", folder_->path().c_str()},
                                                {"LC_ALL", nullptr},
                                                {"LC_TIME", "en_US.UTF-8"},
                                                {"LANG", "ja_JP.UTF-8"}});
  const RegionalSettings settings = ReadRegionalSettings();
  EXPECT_EQ(settings.short_date_format, "mm/dd/yyyy");
  EXPECT_EQ(settings.long_date_format, "dddd dd mmmm yyyy");
  EXPECT_EQ(settings.long_time_format, "hh:nn:ss ampm");
  EXPECT_EQ(settings.long_month_names[0], "January");
  EXPECT_EQ(settings.pm_text, "PM");
  EXPECT_TRUE(settings.eras.empty());
}

}  // namespace
}  // namespace zelvora
