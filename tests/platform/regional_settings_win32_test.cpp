// Regional settings from Windows. The tests run as a Japanese user (wine with
// LANG=ja_JP.UTF-8): the names and eras are Japanese, and the formats are the user's own
// pictures in the program's format language.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/regional_settings.h"

namespace zelvora {
namespace {

std::string Picture(LCTYPE type) {
  wchar_t text[128];
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, text, 128);
  const std::u8string utf8 =
      std::filesystem::path(std::wstring(text, length > 0 ? length - 1 : 0)).u8string();
  return std::string(utf8.begin(), utf8.end());
}

TEST(WindowsRegionalSettingsTest, AJapaneseUserHasJapaneseNamesErasAndTheirOwnFormats) {
  const RegionalSettings settings = ReadRegionalSettings();
  EXPECT_EQ(settings.short_date_format, TranslateWindowsFormatPicture(Picture(LOCALE_SSHORTDATE)));
  EXPECT_EQ(settings.long_date_format, TranslateWindowsFormatPicture(Picture(LOCALE_SLONGDATE)));
  EXPECT_EQ(settings.long_time_format, TranslateWindowsFormatPicture(Picture(LOCALE_STIMEFORMAT)));
  EXPECT_NE(settings.long_date_format.find("\"年\""), std::string::npos);
  EXPECT_EQ(settings.date_separator, "/");
  EXPECT_EQ(settings.time_separator, ":");
  EXPECT_EQ(settings.am_text, "午前");
  EXPECT_EQ(settings.pm_text, "午後");
  EXPECT_EQ(settings.long_month_names[0], "1月");
  EXPECT_EQ(settings.long_day_names[0], "日曜日");  // Windows counts from Monday
  EXPECT_EQ(settings.long_day_names[1], "月曜日");
  EXPECT_EQ(settings.short_day_names[6], "土");
  ASSERT_GE(settings.eras.size(), 5u);
  const Era& heisei = settings.eras[settings.eras.size() - 2];
  EXPECT_EQ(heisei.name, "平成");
  EXPECT_EQ(heisei.start_year, 1989);
  EXPECT_EQ(heisei.start_month, 1);
  EXPECT_EQ(heisei.start_day, 8);
  EXPECT_EQ(settings.eras.back().name, "令和");
}

}  // namespace
}  // namespace zelvora
