// What the tests expect of the Japanese regional settings, wherever they come from.
#pragma once

#include <gtest/gtest.h>

#include "platform/regional_settings.h"

namespace zelvora::testing {

inline void ExpectJapaneseDefaults(const RegionalSettings& settings) {
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

}  // namespace zelvora::testing
