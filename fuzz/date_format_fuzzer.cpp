// Formats a date-time with a free format, as a stamp does with WriteFmtStr, under either the
// Japanese defaults or regional settings built from locale texts that the input supplies.
// The date-time is a calendar value, any double at all, or a file time. Checked: the text is
// UTF-8, an empty format reads as "c", calendar fields stay in their ranges, and a file's
// date is its whole second.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/date_format.h"
#include "fuzz/fuzz_check.h"
#include "platform/encoding.h"
#include "platform/regional_settings.h"

namespace zelvora {
namespace {

constexpr std::array<const char*, 5> kCodesets = {"UTF-8", "EUC-JP", "CP932", "ISO-8859-1", ""};

// Locale texts with formats and names from the input, the way a locale's LC_TIME gives them.
RegionalSettings RegionalFromInput(FuzzedDataProvider& input) {
  LocaleTimeTexts texts;
  texts.codeset = kCodesets[input.ConsumeIntegralInRange<size_t>(0, kCodesets.size() - 1)];
  texts.date_format = input.ConsumeRandomLengthString(16);
  texts.time_format = input.ConsumeRandomLengthString(16);
  texts.date_time_format = input.ConsumeRandomLengthString(24);
  texts.ampm_time_format = input.ConsumeRandomLengthString(16);
  texts.am_text = input.ConsumeRandomLengthString(6);
  texts.pm_text = input.ConsumeRandomLengthString(6);
  for (size_t i = 0; i < 12; ++i) {
    texts.short_month_names[i] =
        i == 0 ? input.ConsumeRandomLengthString(6) : "M" + std::to_string(i);
    texts.long_month_names[i] = "Month" + std::to_string(i + 1);
  }
  for (size_t i = 0; i < 7; ++i) {
    texts.short_day_names[i] =
        i == 0 ? input.ConsumeRandomLengthString(6) : "D" + std::to_string(i);
    texts.long_day_names[i] = "Day" + std::to_string(i + 1);
  }
  return RegionalSettingsFromLocaleTexts(texts, input.ConsumeBool());
}

void CheckCivil(const CivilTime& civil) {
  FUZZ_CHECK(civil.year >= 1 && civil.year <= 9999);
  FUZZ_CHECK(civil.month >= 1 && civil.month <= 12 && civil.day >= 1 && civil.day <= 31);
  FUZZ_CHECK(civil.hour >= 0 && civil.hour <= 23 && civil.minute >= 0 && civil.minute <= 59);
  FUZZ_CHECK(civil.second >= 0 && civil.second <= 59);
  FUZZ_CHECK(civil.millisecond >= 0 && civil.millisecond <= 999);
  FUZZ_CHECK(civil.day_of_week >= 1 && civil.day_of_week <= 7);
}

// A date-time from the input: a day and a time of day, any double, or a file time.
DateTime TimeFromInput(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0:
      return input.ConsumeIntegralInRange<int32_t>(-700000, 3000000) +
             input.ConsumeProbability<double>();
    case 1: {
      const uint64_t bits = input.ConsumeIntegral<uint64_t>();
      DateTime value;
      std::memcpy(&value, &bits, sizeof value);
      return value;
    }
    default: {
      const FileTime file_time{input.ConsumeIntegralInRange<int64_t>(-70000000000, 300000000000),
                               input.ConsumeIntegralInRange<int32_t>(0, 999999999)};
      const DateTime value = FileTimeToLocalDateTime(file_time);
      // Within the years 1 to 9999 a file's date is its exact second, without a fraction.
      if (file_time.seconds > -62000000000 && file_time.seconds < 253000000000) {
        FUZZ_CHECK(DecodeDateTime(value).millisecond == 0);
        FUZZ_CHECK(value == FileTimeToLocalDateTime({file_time.seconds, 0}));
      }
      return value;
    }
  }
}

}  // namespace
}  // namespace zelvora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zelvora;
  FuzzedDataProvider input(data, size);
  const DateTime time = TimeFromInput(input);
  CheckCivil(DecodeDateTime(time));
  const RegionalSettings regional =
      input.ConsumeBool() ? RegionalFromInput(input) : JapaneseRegionalSettings();
  const std::string format = input.ConsumeRemainingBytesAsString();

  const std::string text = FormatDate(format, time, regional);
  FUZZ_CHECK(IsValidUtf8(text));
  if (format.empty()) FUZZ_CHECK(text == FormatDate("c", time, regional));
  return 0;
}
