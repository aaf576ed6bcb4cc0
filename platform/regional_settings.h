// The user's regional settings that date texts use: names, separators, the short and long
// date and time formats (in the program's own format language) and the era calendar.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/date_time.h"

namespace zelvora {

// One era of the calendar: its name and the local date on which it began.
struct Era {
  std::string name;
  int start_year = 0;
  int start_month = 1;
  int start_day = 1;
};

// All texts are UTF-8. Day arrays start with Sunday.
struct RegionalSettings {
  std::string date_separator;
  std::string time_separator;
  std::string short_date_format;  // format language, e.g. yyyy/mm/dd
  std::string long_date_format;
  std::string short_time_format;
  std::string long_time_format;
  std::string am_text;
  std::string pm_text;
  std::array<std::string, 12> short_month_names;
  std::array<std::string, 12> long_month_names;
  std::array<std::string, 7> short_day_names;
  std::array<std::string, 7> long_day_names;
  std::vector<Era> eras;  // oldest first; empty when the calendar has no eras
};

// The Japanese defaults: "/" and ":", yyyy/mm/dd and yyyy"年"m"月"d"日", h:nn and h:nn:ss,
// 午前/午後, 1月..12月, 日曜日..土曜日 and 日..土, the eras 明治 大正 昭和 平成 令和.
RegionalSettings JapaneseRegionalSettings();

// The settings of the LC_TIME locale of the process environment (after setlocale), with
// strftime formats translated into the format language; the Japanese defaults under the C
// and POSIX locales.
RegionalSettings ReadRegionalSettings();

}  // namespace zelvora
