#include "platform/regional_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "platform/encoding.h"
#include "tests/support/temp_dir.h"

namespace zelvora {
namespace {

// Sets or clears environment variables for the guard's lifetime.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> values) {
    for (const auto& [name, value] : values) {
      const char* old = std::getenv(name);
      saved_[name] = old == nullptr ? std::nullopt : std::optional<std::string>(old);
      Set(name, value);
    }
  }
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) Set(name.c_str(), value ? value->c_str() : nullptr);
  }

 private:
  static void Set(const char* name, const char* value) {
    if (value == nullptr) {
      unsetenv(name);
    } else {
      setenv(name, value, 1);
    }
  }
  std::map<std::string, std::optional<std::string>> saved_;
};

void ExpectJapaneseDefaults(const RegionalSettings& settings) {
  EXPECT_EQ(settings.date_separator, "/");
  EXPECT_EQ(settings.time_separator, ":");
  EXPECT_EQ(settings.short_date_format, "yyyy/mm/dd");
  EXPECT_EQ(settings.long_date_format, "yyyy\"年\"m\"月\"d\"日\"");
  EXPECT_EQ(settings.short_time_format, "h:nn");
  EXPECT_EQ(settings.long_time_format, "h:nn:ss");
  EXPECT_EQ(settings.am_text, "午前");
  EXPECT_EQ(settings.pm_text, "午後");
  EXPECT_EQ(settings.long_month_names[0], "1月");
  EXPECT_EQ(settings.short_month_names[11], "12月");
  EXPECT_EQ(settings.long_day_names[0], "日曜日");
  EXPECT_EQ(settings.long_day_names[6], "土曜日");
  EXPECT_EQ(settings.short_day_names[3], "水");
  ASSERT_EQ(settings.eras.size(), 5u);
  EXPECT_EQ(settings.eras[0].name, "明治");
  EXPECT_EQ(settings.eras[3].name, "平成");
  EXPECT_EQ(settings.eras[3].start_year, 1989);
  EXPECT_EQ(settings.eras[3].start_day, 8);
  EXPECT_EQ(settings.eras[4].name, "令和");
  EXPECT_EQ(settings.eras[4].start_month, 5);
}

TEST(RegionalSettingsTest, JapaneseDefaults) { ExpectJapaneseDefaults(JapaneseRegionalSettings()); }

TEST(RegionalSettingsTest, TranslatesStrftimeFormats) {
  const std::pair<const char*, const char*> cases[] = {
      {"%Y/%m/%d", "yyyy/mm/dd"},
      {"%d.%m.%y", "dd.mm.yy"},
      {"%e-%-m-%_d", "d-m-d"},
      {"%H:%M:%S", "hh:nn:ss"},
      {"%-H:%-M:%-S", "h:n:s"},
      {"%I:%M %p", "hh:nn ampm"},
      {"%l:%M %P", "h:nn ampm"},
      {"%k", "h"},
      {"%b %h %B %a %A", "mmm mmm mmmm ddd dddd"},
      {"%D", "mm/dd/yy"},
      {"%F", "yyyy-mm-dd"},
      {"%T|%R", "hh:nn:ss|hh:nn"},
      {"%r", "hh:nn:ss ampm"},
      {"%Y年%m月%d日", "yyyy\"年\"mm\"月\"dd\"日\""},
      {"%EC%Ey年", "ge\"年\""},
      {"%Od/%Om", "dd/mm"},
      {"at %H h", "\"at\" hh \"h\""},
      {"it's \"%Y\"", "\"it\"\"'\"\"s\" '\"'yyyy'\"'"},
      {"100%%", "100%"},
      {"%Y%n%t%d", "yyyy  dd"},
      // Runs of one letter stay apart.
      {"%d%d", "dd\"\"dd"},
      {"%B%m", "mmmm\"\"mm"},
      {"%Y%y", "yyyy\"\"yy"},
      // Conversions without a counterpart go; so does a conversion cut off by the end.
      {"%H%Z%z%j%c%x%X%U", "hh"},
      {"%Y %", "yyyy "},
      {"%Y %-", "yyyy "},
      {"", ""},
  };
  for (const auto& [strftime_format, expected] : cases) {
    EXPECT_EQ(TranslateStrftimeFormat(strftime_format), expected) << strftime_format;
  }
}

LocaleTimeTexts EnglishTexts() {
  LocaleTimeTexts texts;
  texts.codeset = "UTF-8";
  texts.date_format = "%m/%d/%Y";
  texts.time_format = "%r";
  texts.date_time_format = "%a %d %b %Y %r %Z";
  texts.ampm_time_format = "%I:%M:%S %p";
  texts.am_text = "AM";
  texts.pm_text = "PM";
  texts.short_month_names = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  texts.long_month_names = {"January", "February", "March",     "April",   "May",      "June",
                            "July",    "August",   "September", "October", "November", "December"};
  texts.short_day_names = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  texts.long_day_names = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                          "Thursday", "Friday", "Saturday"};
  return texts;
}

TEST(RegionalSettingsTest, BuildsEnglishSettingsFromLocaleTexts) {
  const RegionalSettings settings = RegionalSettingsFromLocaleTexts(EnglishTexts(), false);
  EXPECT_EQ(settings.date_separator, "/");
  EXPECT_EQ(settings.time_separator, ":");
  EXPECT_EQ(settings.short_date_format, "mm/dd/yyyy");
  EXPECT_EQ(settings.long_date_format, "dddd dd mmmm yyyy");
  EXPECT_EQ(settings.long_time_format, "hh:nn:ss ampm");
  EXPECT_EQ(settings.short_time_format, "hh:nn ampm");
  EXPECT_EQ(settings.am_text, "AM");
  EXPECT_EQ(settings.long_month_names[8], "September");
  EXPECT_EQ(settings.short_day_names[6], "Sat");
  EXPECT_TRUE(settings.eras.empty());
}

TEST(RegionalSettingsTest, DerivesSeparatorsAndShortTimeFromTheFormats) {
  LocaleTimeTexts texts = EnglishTexts();
  texts.date_format = "%d. %m. %Y";
  texts.time_format = "%T";
  texts.date_time_format = "%a %d %b %Y %T %Z";
  texts.am_text.clear();
  texts.pm_text.clear();
  RegionalSettings settings = RegionalSettingsFromLocaleTexts(texts, false);
  EXPECT_EQ(settings.date_separator, ".");
  EXPECT_EQ(settings.short_date_format, "dd. mm. yyyy");
  EXPECT_EQ(settings.short_time_format, "hh:nn");
  EXPECT_EQ(settings.long_time_format, "hh:nn:ss");
  EXPECT_EQ(settings.am_text, "");

  // The C library's own layout, with the time in the middle of the date.
  texts.date_time_format = "%a %b %e %H:%M:%S %Y";
  texts.time_format = "%H.%M.%S";
  settings = RegionalSettingsFromLocaleTexts(texts, false);
  EXPECT_EQ(settings.long_date_format, "dddd mmmm d yyyy");
  EXPECT_EQ(settings.time_separator, ".");
  EXPECT_EQ(settings.short_time_format, "hh.nn");

  // A composite date and a bracketed day name; units after the numbers.
  texts.date_format = "%Y년 %m월 %d일";
  texts.date_time_format = "%x (%a) %r";
  texts.time_format = "%H시 %M분 %S초";
  settings = RegionalSettingsFromLocaleTexts(texts, false);
  EXPECT_EQ(settings.date_separator, "/");
  EXPECT_EQ(settings.time_separator, ":");
  EXPECT_EQ(settings.long_date_format, "yyyy\"년\" mm\"월\" dd\"일\" (dddd)");
  EXPECT_EQ(settings.short_time_format, "hh\"시\" nn\"분\"");
}

TEST(RegionalSettingsTest, ConvertsJapaneseTextsFromTheLocaleCodeset) {
  auto euc = [](const char* utf8) { return ConvertText(utf8, kUtf8, kEucJp).value(); };
  LocaleTimeTexts texts;
  texts.codeset = kEucJp;
  texts.date_format = euc("%Y年%m月%d日");
  texts.time_format = euc("%H時%M分%S秒");
  texts.date_time_format = euc("%Y年%m月%d日 %H時%M分%S秒");
  texts.ampm_time_format = euc("%p%I時%M分%S秒");
  texts.am_text = euc("午前");
  texts.pm_text = euc("午後");
  texts.short_month_names[0] = euc(" 1月");
  texts.long_month_names[0] = euc("1月");
  texts.long_day_names[0] = euc("日曜日");
  texts.short_day_names[0] = "\xFF\xFF";  // not EUC-JP

  const RegionalSettings settings = RegionalSettingsFromLocaleTexts(texts, true);
  EXPECT_EQ(settings.short_date_format, "yyyy\"年\"mm\"月\"dd\"日\"");
  EXPECT_EQ(settings.long_date_format, "yyyy\"年\"mm\"月\"dd\"日\"");
  EXPECT_EQ(settings.long_time_format, "hh\"時\"nn\"分\"ss\"秒\"");
  EXPECT_EQ(settings.short_time_format, "hh\"時\"nn\"分\"");
  EXPECT_EQ(settings.date_separator, "/");
  EXPECT_EQ(settings.time_separator, ":");
  EXPECT_EQ(settings.pm_text, "午後");
  EXPECT_EQ(settings.short_month_names[0], "1月");
  EXPECT_EQ(settings.long_day_names[0], "日曜日");
  EXPECT_EQ(settings.short_day_names[0], "??");
  EXPECT_EQ(settings.eras.size(), 5u);
}

TEST(RegionalSettingsTest, EmptyLocaleFormatsFallBackToTheJapaneseOnes) {
  const RegionalSettings settings = RegionalSettingsFromLocaleTexts(LocaleTimeTexts{}, false);
  EXPECT_EQ(settings.short_date_format, "yyyy/mm/dd");
  EXPECT_EQ(settings.long_date_format, "yyyy\"年\"m\"月\"d\"日\"");
  EXPECT_EQ(settings.short_time_format, "h:nn");
  EXPECT_EQ(settings.long_time_format, "h:nn:ss");
}

TEST(RegionalSettingsTest, SelfReferringCompositesDoNotLoop) {
  LocaleTimeTexts texts = EnglishTexts();
  texts.date_format = "%D%x/%d";
  texts.date_time_format = "%c %x %Y";
  const RegionalSettings settings = RegionalSettingsFromLocaleTexts(texts, false);
  EXPECT_EQ(settings.short_date_format, "mm/dd/yy/dd");
  EXPECT_EQ(settings.long_date_format, "mm/dd/yy/dd yyyy");
}

TEST(RegionalSettingsTest, CAndPosixLocalesAndMissingLocalesGiveTheJapaneseDefaults) {
  for (const char* name : {"C", "POSIX", "C.UTF-8", "xx_NOWHERE.UTF-8"}) {
    const ScopedEnvironment environment({{"LC_ALL", name}});
    ExpectJapaneseDefaults(ReadRegionalSettings());
  }
  const ScopedEnvironment environment(
      {{"LC_ALL", nullptr}, {"LC_TIME", nullptr}, {"LANG", nullptr}});
  ExpectJapaneseDefaults(ReadRegionalSettings());
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
    const ScopedEnvironment environment({{"LOCPATH", folder_->path().c_str()}, {"LC_ALL", name}});
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
  const ScopedEnvironment environment({{"LOCPATH", folder_->path().c_str()},
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
