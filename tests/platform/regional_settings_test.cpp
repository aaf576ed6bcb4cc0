#include "platform/regional_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/encoding.h"
#include "tests/platform/japanese_regional_settings.h"

namespace zelvora {
namespace {

TEST(RegionalSettingsTest, JapaneseDefaults) {
  testing::ExpectJapaneseDefaults(JapaneseRegionalSettings());
}

TEST(RegionalSettingsTest, TranslatesWindowsFormatPictures) {
  const std::pair<const char*, const char*> cases[] = {
      {"yyyy/MM/dd", "yyyy/mm/dd"},
      {"yyyy'年'M'月'd'日'", "yyyy\"年\"m\"月\"d\"日\""},
      {"H:mm:ss", "h:nn:ss"},
      {"h:mm tt", "h:nn ampm"},
      {"tt h:mm", "ampm h:nn"},
      {"dddd, MMMM d, yyyy", "dddd, mmmm d, yyyy"},
      {"ddd MMM yy", "ddd mmm yy"},
      {"ggy'年'M'月'd'日'", "gge\"年\"m\"月\"d\"日\""},
      {"gg yy/MM/dd", "gg ee/mm/dd"},
      {"dd.MM.yyyy", "dd.mm.yyyy"},
      {"d 'de' MMMM 'de' yyyy", "d \"de\" mmmm \"de\" yyyy"},
      {"'It''s' H", "\"It\"\"'\"\"s\" h"},
      {"HH'h'mm", "hh\"h\"nn"},
      {"MMMMd", "mmmmd"},
      {"dddd''d", "dddd\"'\"d"},
      {"ddd d", "ddd d"},
      {"", ""},
  };
  for (const auto& [picture, expected] : cases) {
    EXPECT_EQ(TranslateWindowsFormatPicture(picture), expected) << picture;
  }
}

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

}  // namespace
}  // namespace zelvora
