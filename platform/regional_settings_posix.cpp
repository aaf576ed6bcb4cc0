#include "platform/regional_settings.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <string>

namespace zelvora {
namespace {

// The locale named for LC_TIME by the environment, as setlocale(LC_TIME, "") would pick it.
std::string TimeLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] != '\0') return value;
  }
  return "C";
}

bool IsCLocale(const std::string& name) {
  return name == "C" || name == "POSIX" || name.starts_with("C.");
}

std::string LanguageOf(const std::string& name) {
  return name.substr(0, name.find_first_of("_.@"));
}

LocaleTimeTexts ReadLocaleTimeTexts(locale_t locale) {
  auto item = [locale](nl_item id) { return std::string(nl_langinfo_l(id, locale)); };
  LocaleTimeTexts texts;
  texts.codeset = item(CODESET);
  texts.date_format = item(D_FMT);
  texts.time_format = item(T_FMT);
  texts.date_time_format = item(D_T_FMT);
  texts.ampm_time_format = item(T_FMT_AMPM);
  texts.am_text = item(AM_STR);
  texts.pm_text = item(PM_STR);
  for (int i = 0; i < 12; ++i) {
    texts.short_month_names[i] = item(ABMON_1 + i);
    texts.long_month_names[i] = item(MON_1 + i);
  }
  for (int i = 0; i < 7; ++i) {
    texts.short_day_names[i] = item(ABDAY_1 + i);
    texts.long_day_names[i] = item(DAY_1 + i);
  }
  return texts;
}

}  // namespace

RegionalSettings ReadRegionalSettings() {
  const std::string name = TimeLocaleName();
  if (IsCLocale(name)) return JapaneseRegionalSettings();
  // The codeset belongs to LC_CTYPE; it is taken from the same locale so that it describes
  // the LC_TIME texts.
  locale_t locale = newlocale(LC_CTYPE_MASK | LC_TIME_MASK, name.c_str(), locale_t{});
  if (locale == locale_t{}) return JapaneseRegionalSettings();
  const LocaleTimeTexts texts = ReadLocaleTimeTexts(locale);
  freelocale(locale);
  return RegionalSettingsFromLocaleTexts(texts, LanguageOf(name) == "ja");
}

}  // namespace zelvora
