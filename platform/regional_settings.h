// The user's regional settings that date texts use: names, separators, the short and long
// date and time formats (in the program's own format language) and the era calendar.
#pragma once

#include <array>
#include <string>
#include <string_view>
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

// The settings of the LC_TIME locale that the environment names (LC_ALL, else LC_TIME, else
// LANG), with strftime formats translated into the format language. The process's own
// locale is neither read nor changed. The Japanese defaults under the C and POSIX locales
// (C.UTF-8 included) and when the named locale is not installed; a format the locale leaves
// empty falls back to the Japanese default as well.
// On Windows: the user's regional settings (GetLocaleInfoEx), their format pictures
// translated with TranslateWindowsFormatPicture, and for a Japanese user the eras that the
// system knows (the registry's list of Japanese eras, else the Japanese defaults).
RegionalSettings ReadRegionalSettings();

// A Windows date or time format picture (d dd ddd dddd, M MM MMM MMMM, y yy yyyy, g gg, h hh
// H HH, m mm, s ss, t tt, text in '...' with '' for a quote) in the program's format language:
// "yyyy/MM/dd" gives yyyy/mm/dd, "H:mm:ss" h:nn:ss, "tt" ampm, and after an era (g) the year
// y or yy is the year within the era (e, ee). "/" and ":" stay unquoted and so stand for the
// locale's separators; other literal text is quoted.
std::string TranslateWindowsFormatPicture(std::string_view picture);

// The LC_TIME texts of a locale as nl_langinfo gives them, in the locale's own codeset.
struct LocaleTimeTexts {
  std::string codeset;           // CODESET of the locale, an iconv name
  std::string date_format;       // D_FMT
  std::string time_format;       // T_FMT
  std::string date_time_format;  // D_T_FMT
  std::string ampm_time_format;  // T_FMT_AMPM, what %r stands for
  std::string am_text;
  std::string pm_text;
  std::array<std::string, 12> short_month_names;  // ABMON_1..12
  std::array<std::string, 12> long_month_names;   // MON_1..12
  std::array<std::string, 7> short_day_names;     // ABDAY_1..7, Sunday first
  std::array<std::string, 7> long_day_names;      // DAY_1..7
};

// Regional settings built from a locale's texts: every text converted to UTF-8 (what does
// not convert becomes "?"), the date separator taken from between the first two fields of
// D_FMT and the time separator likewise from T_FMT ("/" and ":" when that is not punctuation);
// the short date from D_FMT, the long time from T_FMT, the short time from T_FMT without its
// seconds, and the long date from the date part of D_T_FMT with day and month names written
// long (D_FMT when D_T_FMT has no date part). `japanese_eras` adds the Japanese eras.
RegionalSettings RegionalSettingsFromLocaleTexts(const LocaleTimeTexts& texts, bool japanese_eras);

// A strftime format translated into the program's format language: %Y yyyy, %y yy, %m mm,
// %d dd, %e d, %H hh, %k h, %I hh and %l h (12-hour: an ampm follows from %p or the caller's
// format), %M nn, %S ss, %p and %P ampm, %b and %h mmm, %B mmmm, %a ddd, %A dddd, %EC g,
// %Ey e, %EY yyyy; %D, %F, %T, %R and %r (as "%I:%M:%S %p") expanded; %n, %t a blank, %% a
// percent sign. The flags "-" and "_" drop a number's leading zero; other flags, widths and
// the E and O modifiers are ignored. Literal text that would read as a specifier (letters,
// quotes, non-ASCII characters) is quoted; "/" and ":" stay unquoted and so become the
// locale's separators. Conversions without a counterpart (%Z, %j, %c, %x, ...) are dropped.
std::string TranslateStrftimeFormat(std::string_view strftime_format);

}  // namespace zelvora
