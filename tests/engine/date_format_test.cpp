#include "engine/date_format.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/encoding.h"

namespace zelvora {
namespace {

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  CivilTime civil;
  civil.year = year;
  civil.month = month;
  civil.day = day;
  civil.hour = hour;
  civil.minute = minute;
  civil.second = second;
  return EncodeDateTime(civil);
}

// A Sunday afternoon.
const DateTime kSample = At(1999, 1, 3, 14, 7, 30);

std::string Format(std::string_view format, DateTime time = kSample) {
  return FormatDate(format, time, JapaneseRegionalSettings());
}

RegionalSettings EnglishSettings() {
  RegionalSettings settings = JapaneseRegionalSettings();
  settings.date_separator = ".";
  settings.time_separator = "-";
  settings.short_date_format = "dd/mm/yyyy";
  settings.long_date_format = "dddd d mmmm yyyy";
  settings.short_time_format = "hh:nn";
  settings.long_time_format = "hh:nn:ss";
  settings.am_text = "AM";
  settings.pm_text = "PM";
  settings.short_month_names[0] = "Jan";
  settings.long_month_names[0] = "January";
  settings.short_day_names[0] = "Sun";
  settings.long_day_names[0] = "Sunday";
  settings.eras.clear();
  return settings;
}

TEST(DateFormatTest, EveryTemplateFormatsToItsOwnExample) {
  const char* formats[] = {
      "yyyy/mm/dd",
      "yyyy/mm/dd hh:mm",
      "yy/mm/dd",
      "mm/dd",
      "yyyy\"年\"m\"月\"d\"日\"",
      "yyyy\"年\"m\"月\"d\"日\" h\"時\"m\"分\"",
      "yy\"年\"m\"月\"d\"日\"",
      "m\"月\"d\"日\"",
  };
  for (size_t i = 0; i < kDateTemplates.size(); ++i) {
    const std::string_view stored = kDateTemplates[i];
    EXPECT_EQ(TemplateFormat(stored), formats[i]);
    const size_t open = stored.find("【");
    const size_t close = stored.find("】");
    ASSERT_NE(close, std::string_view::npos);
    const std::string_view example = stored.substr(open + 3, close - open - 3);
    EXPECT_EQ(Format(formats[i]), example) << i;
  }
  EXPECT_EQ(Format("yyyy/mm/dd hh:mm"), "1999/01/03 14:07");
  EXPECT_EQ(Format(formats[5]), "1999年1月3日 14時7分");
  EXPECT_EQ(Format("yy/mm/dd", At(2002, 5, 6)), "02/05/06");
}

TEST(DateFormatTest, CurrentFormatIsATemplatePartOrTheFreeFormat) {
  TSetting setting;
  EXPECT_EQ(CurrentDateFormat(setting), "yyyy/mm/dd");
  setting.WriteFmtIdx = 5;
  EXPECT_EQ(CurrentDateFormat(setting), "yyyy\"年\"m\"月\"d\"日\" h\"時\"m\"分\"");
  setting.WriteFmtIdx = 99;
  EXPECT_EQ(CurrentDateFormat(setting), "m\"月\"d\"日\"");
  setting.WriteFmtIdx = -3;
  EXPECT_EQ(CurrentDateFormat(setting), "yyyy/mm/dd");

  setting.AssignWriteFmt = 1;
  for (const char* free : {"", "yyyy.mm.dd", "dd  【x】"}) {
    setting.WriteFmtStr = free;
    EXPECT_EQ(CurrentDateFormat(setting), free);
  }
  EXPECT_EQ(TemplateFormat("no brackets"), "no brackets");
  EXPECT_EQ(TemplateFormat("a 【b】  【c】"), "a 【b】");
}

TEST(DateFormatTest, FreeFormats) {
  struct Case {
    const char* format;
    DateTime time;
    const char* expected;
  };
  const DateTime midnight = At(1999, 1, 3);
  const DateTime morning = At(2024, 11, 9, 9, 5, 4);
  const Case cases[] = {
      {"yyyy.mm.dd", kSample, "1999.01.03"},
      {"YYYY-MM-DD", kSample, "1999-01-03"},
      {"y yy yyy yyyy", kSample, "99 99 1999 1999"},
      {"yyyy", At(5, 6, 7), "0005"},
      {"m mm mmm mmmm", kSample, "1 01 1月 1月"},
      {"d dd ddd dddd", kSample, "3 03 日 日曜日"},
      {"aaa aaaa", kSample, "日 日曜日"},
      {"ddddd|dddddd|ddddddd", kSample, "1999/01/03|1999年1月3日|1999年1月3日"},
      {"t|tt|ttt", kSample, "14:07|14:07:30|14:07:30"},
      {"h hh hhh n nn nnn s ss sss", morning, "9 09 09 5 05 05 4 04 04"},
      // m after an hour shows minutes, also across quoted text and separators.
      {"hh:mm", kSample, "14:07"},
      {"h\"時\"m\"分\"", kSample, "14時7分"},
      {"hh:mm:mm", kSample, "14:07:01"},
      {"hh z mm", kSample, "14 z 01"},
      {"hh mmm", kSample, "14 1月"},
      // 12-hour clock when an AM/PM specifier follows before the next hour, or came earlier.
      {"h:mm am/pm", kSample, "2:07 pm"},
      {"h:nn AM/PM", morning, "9:05 AM"},
      {"h:nn Am/pM", kSample, "2:07 pM"},
      {"hh:nn a/p", kSample, "02:07 p"},
      {"hh:nn A/P", morning, "09:05 A"},
      {"h:nn ampm", kSample, "2:07 午後"},
      {"ampm h:nn", morning, "午前 9:05"},
      {"h am/pm", At(1999, 1, 3, 0, 30), "12 am"},
      {"h am/pm", At(1999, 1, 3, 12, 30), "12 pm"},
      {"h", At(1999, 1, 3, 0, 30), "0"},
      {"h hh am/pm h", kSample, "14 02 pm 2"},
      {"h \"am/pm\"", kSample, "14 am/pm"},
      {"h aaa", kSample, "14 日"},
      {"a ab aaaaa", kSample, "a ab 日曜日a"},
      // c: the short date, and the long time unless the time is exactly midnight.
      {"c", kSample, "1999/01/03 14:07:30"},
      {"c", midnight, "1999/01/03"},
      {"", kSample, "1999/01/03 14:07:30"},
      {"", midnight, "1999/01/03"},
      // Eras, and the calendar year before the first era.
      {"g e gg ee", kSample, "平成 11 平成 11"},
      {"gge", At(1989, 1, 7), "昭和64"},
      {"gge", At(1989, 1, 8), "平成1"},
      {"ggee", At(2019, 4, 30), "平成31"},
      {"ggee", At(2019, 5, 1), "令和01"},
      {"gge", At(1926, 12, 25), "昭和1"},
      {"gge", At(1868, 1, 25), "明治1"},
      {"[g]e", At(1850, 6, 1), "[]1850"},
      // Quotes of both kinds; an unpaired quote runs to the end.
      {"\"yyyy\"mm'dd'", kSample, "yyyy01dd"},
      {"'it''s' \"a'b\"", kSample, "its a'b"},
      {"yyyy\"abc", kSample, "1999abc"},
      {"yyyy'", kSample, "1999"},
      // Anything else is copied.
      {"yyyy-mm-dd hh:nn:ss.zzz", kSample, "1999-01-03 14:07:30.zzz"},
      {"[x] #1 (b) 100%", kSample, "[x] #1 (b) 100%"},
      {"yyyy年m月d日", kSample, "1999年1月3日"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Format(c.format, c.time), c.expected) << "format: " << c.format;
  }
}

TEST(DateFormatTest, NamesSeparatorsAndNestedFormatsComeFromTheRegionalSettings) {
  const RegionalSettings english = EnglishSettings();
  EXPECT_EQ(FormatDate("yyyy/mm/dd hh:nn", kSample, english), "1999.01.03 14-07");
  EXPECT_EQ(FormatDate("mmm mmmm ddd dddd", kSample, english), "Jan January Sun Sunday");
  EXPECT_EQ(FormatDate("", kSample, english), "03.01.1999 14-07-30");
  EXPECT_EQ(FormatDate("dddddd", kSample, english), "Sunday 3 January 1999");
  EXPECT_EQ(FormatDate("h ampm", kSample, english), "2 PM");
  EXPECT_EQ(FormatDate("g|e", kSample, english), "|1999");
}

TEST(DateFormatTest, NestedFormatsStopAfterTwoLevels) {
  RegionalSettings settings = JapaneseRegionalSettings();
  settings.short_date_format = "yyyy ddddd";
  EXPECT_EQ(FormatDate("ddddd", kSample, settings), "1999 1999 ");
  settings.short_date_format = "c";
  settings.long_time_format = "tt";
  EXPECT_EQ(FormatDate("c", kSample, settings), "  ");  // only the blanks of the c levels
  settings.long_time_format = "[t]";
  settings.short_time_format = "[tt]";
  EXPECT_EQ(FormatDate("tt", kSample, settings), "[[]]");
}

TEST(DateFormatTest, OutputIsAlwaysValidUtf8) {
  EXPECT_EQ(Format("yyyy\xFF"), "1999?");
  EXPECT_EQ(Format("\xE3\x81yy"), "??99");             // a character cut short
  EXPECT_EQ(Format("\"\xE3\"\"\x81\x82\""), "???");    // quotes never join stray bytes
  EXPECT_EQ(Format("\xC0\xAF\xED\xA0\x80"), "?????");  // overlong form, surrogate
  EXPECT_EQ(Format("\xF0\x9F\x98\x80 yy"), "\xF0\x9F\x98\x80 99");

  RegionalSettings settings = JapaneseRegionalSettings();
  settings.long_day_names[0] = "S\xFFn";
  settings.date_separator = "\xE3";
  EXPECT_EQ(FormatDate("dddd/", kSample, settings), "S?n?");

  std::mt19937 random(12345);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 2000; ++round) {
    std::string format(static_cast<size_t>(round % 40), '\0');
    for (char& c : format) c = static_cast<char>(byte(random));
    EXPECT_TRUE(IsValidUtf8(Format(format))) << round;
  }
}

TEST(DateFormatTest, MegabyteFormatsAreHandled) {
  const size_t size = 1 << 20;
  std::string repeated;
  while (repeated.size() < size) repeated += "hh:mm am/pm ";
  const std::string text = Format(repeated);
  std::string expected;
  while (expected.size() < text.size()) expected += "02:07 pm ";
  EXPECT_EQ(text, expected);

  EXPECT_EQ(Format(std::string(size, 'h')), "14");
  EXPECT_EQ(Format("h" + std::string(size, 'x') + "a/p").size(), size + 2);
  EXPECT_EQ(Format(std::string(size, 'c')), "1999/01/03 14:07:30");
  EXPECT_EQ(Format("'" + std::string(size, 'y')), std::string(size, 'y'));

  std::string dates;
  while (dates.size() < size) dates += "c ";
  EXPECT_EQ(Format(dates).size(), dates.size() / 2 * std::string("1999/01/03 14:07:30 ").size());
  EXPECT_EQ(Format(std::string(size, 'a')).size(), size / 4 * std::string("日曜日").size());
}

}  // namespace
}  // namespace zelvora
