#include "platform/regional_settings.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "platform/system_calls_win32.h"

namespace zelvora {
namespace {

// Where Windows lists the eras of the Japanese calendar, one value per era: its first day as
// the value's name ("1989 01 08") and its names as the data ("平成_平_Heisei_H").
constexpr wchar_t kJapaneseErasKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Nls\\Calendars\\Japanese\\Eras";

std::string LocaleText(const wchar_t* locale, LCTYPE type) {
  const int length = GetLocaleInfoEx(locale, type, nullptr, 0);
  if (length <= 1) return std::string();
  std::wstring text(static_cast<size_t>(length), L'\0');
  if (GetLocaleInfoEx(locale, type, text.data(), length) <= 0) return std::string();
  text.resize(static_cast<size_t>(length - 1));  // without the terminating NUL
  return win32::Utf8(text);
}

std::string OrDefault(std::string value, const std::string& fallback) {
  return value.empty() ? fallback : value;
}

// The eras that the registry lists, oldest first; empty when it lists none.
std::vector<Era> RegisteredJapaneseEras() {
  std::vector<Era> eras;
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kJapaneseErasKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return eras;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[64];
    DWORD name_length = 64;
    wchar_t data[128];
    DWORD data_size = sizeof data;
    DWORD type = 0;
    const LSTATUS status = RegEnumValueW(key, index, name, &name_length, nullptr, &type,
                                         reinterpret_cast<BYTE*>(data), &data_size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || type != REG_SZ) continue;
    Era era;
    if (std::swscanf(name, L"%d %d %d", &era.start_year, &era.start_month, &era.start_day) != 3) {
      continue;
    }
    const std::wstring names(data, data_size / sizeof(wchar_t));
    era.name = win32::Utf8(names.substr(0, names.find_first_of(L"_", 0)));
    while (!era.name.empty() && era.name.back() == '\0') era.name.pop_back();
    if (!era.name.empty()) eras.push_back(std::move(era));
  }
  RegCloseKey(key);
  std::sort(eras.begin(), eras.end(), [](const Era& a, const Era& b) {
    return std::tie(a.start_year, a.start_month, a.start_day) <
           std::tie(b.start_year, b.start_month, b.start_day);
  });
  return eras;
}

}  // namespace

RegionalSettings ReadRegionalSettings() {
  const RegionalSettings defaults = JapaneseRegionalSettings();
  wchar_t locale[LOCALE_NAME_MAX_LENGTH];
  if (GetUserDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH) == 0) return defaults;
  const auto text = [&locale](LCTYPE type) { return LocaleText(locale, type); };
  const auto format = [&text](LCTYPE type, const std::string& fallback) {
    return OrDefault(TranslateWindowsFormatPicture(text(type)), fallback);
  };

  RegionalSettings settings;
  settings.date_separator = OrDefault(text(LOCALE_SDATE), defaults.date_separator);
  settings.time_separator = OrDefault(text(LOCALE_STIME), defaults.time_separator);
  settings.short_date_format = format(LOCALE_SSHORTDATE, defaults.short_date_format);
  settings.long_date_format = format(LOCALE_SLONGDATE, defaults.long_date_format);
  settings.short_time_format = format(LOCALE_SSHORTTIME, defaults.short_time_format);
  settings.long_time_format = format(LOCALE_STIMEFORMAT, defaults.long_time_format);
  settings.am_text = text(LOCALE_S1159);
  settings.pm_text = text(LOCALE_S2359);
  for (LCTYPE i = 0; i < 12; ++i) {
    settings.short_month_names[i] =
        OrDefault(text(LOCALE_SABBREVMONTHNAME1 + i), defaults.short_month_names[i]);
    settings.long_month_names[i] =
        OrDefault(text(LOCALE_SMONTHNAME1 + i), defaults.long_month_names[i]);
  }
  // Windows counts the days from Monday (LOCALE_SDAYNAME1), the program from Sunday.
  for (LCTYPE i = 0; i < 7; ++i) {
    const LCTYPE monday_first = (i + 6) % 7;
    settings.short_day_names[i] =
        OrDefault(text(LOCALE_SABBREVDAYNAME1 + monday_first), defaults.short_day_names[i]);
    settings.long_day_names[i] =
        OrDefault(text(LOCALE_SDAYNAME1 + monday_first), defaults.long_day_names[i]);
  }
  if (std::wstring_view(locale).starts_with(L"ja")) {
    settings.eras = RegisteredJapaneseEras();
    if (settings.eras.empty()) settings.eras = defaults.eras;
  }
  return settings;
}

}  // namespace zelvora
