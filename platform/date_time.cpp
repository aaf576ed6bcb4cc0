#include "platform/date_time.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/local_time.h"

namespace zelvora {
namespace {

constexpr int64_t kMillisecondsPerDay = 86'400'000;
constexpr int64_t kSecondsPerDay = 86'400;

// Day numbers of the epochs involved, counted from 1970-01-01 as std::chrono does.
constexpr std::chrono::sys_days kDateTimeEpoch =
    std::chrono::sys_days{std::chrono::year{1899} / 12 / 30};
constexpr int64_t kUnixEpochDay = -kDateTimeEpoch.time_since_epoch().count();  // 25569

// The calendar covers the years 1 to 9999; values beyond are pulled to its ends so that no
// computation leaves the range of the integer fields.
constexpr int64_t kFirstDay =
    (std::chrono::sys_days{std::chrono::year{1} / 1 / 1} - kDateTimeEpoch).count();
constexpr int64_t kLastDay =
    (std::chrono::sys_days{std::chrono::year{9999} / 12 / 31} - kDateTimeEpoch).count();

// Days since 1899-12-30 of a calendar date.
int64_t DayNumber(int year, int month, int day) {
  const std::chrono::year_month_day date{std::chrono::year{year},
                                         std::chrono::month{static_cast<unsigned>(month)},
                                         std::chrono::day{static_cast<unsigned>(day)}};
  return (std::chrono::sys_days{date} - kDateTimeEpoch).count();
}

// The fields of day `day_number` at `millisecond_of_day` milliseconds after its midnight.
CivilTime CivilFromDayAndMillisecond(int64_t day_number, int64_t millisecond_of_day) {
  const std::chrono::sys_days days = kDateTimeEpoch + std::chrono::days{day_number};
  const std::chrono::year_month_day date{days};
  CivilTime civil;
  civil.year = static_cast<int>(date.year());
  civil.month = static_cast<int>(static_cast<unsigned>(date.month()));
  civil.day = static_cast<int>(static_cast<unsigned>(date.day()));
  civil.day_of_week = static_cast<int>(std::chrono::weekday{days}.c_encoding()) + 1;
  civil.hour = static_cast<int>(millisecond_of_day / 3'600'000);
  civil.minute = static_cast<int>(millisecond_of_day / 60'000 % 60);
  civil.second = static_cast<int>(millisecond_of_day / 1000 % 60);
  civil.millisecond = static_cast<int>(millisecond_of_day % 1000);
  return civil;
}

// Local time of `seconds` since the Unix epoch; UTC when the system cannot say.
CivilTime LocalCivilTime(int64_t seconds, int millisecond) {
  CivilTime civil;
  if (SystemLocalTime(seconds, &civil)) {
    civil.millisecond = millisecond;
    return civil;
  }
  const int64_t day = seconds / kSecondsPerDay - (seconds % kSecondsPerDay < 0 ? 1 : 0);
  const int64_t second_of_day = seconds - day * kSecondsPerDay;
  return CivilFromDayAndMillisecond(std::clamp(day + kUnixEpochDay, kFirstDay, kLastDay),
                                    second_of_day * 1000 + millisecond);
}

}  // namespace

// Before 1899-12-30 the value keeps the classic layout: the whole part counts the days
// backwards and the fraction still counts the time of day forwards, so 1899-12-29 06:00 is
// -1.25, not -0.75. Values between -1 and 0 therefore denote 1899-12-30 as well.
DateTime EncodeDateTime(const CivilTime& civil) {
  const int64_t day = DayNumber(civil.year, civil.month, civil.day);
  const int64_t millisecond_of_day =
      ((civil.hour * 60LL + civil.minute) * 60 + civil.second) * 1000 + civil.millisecond;
  const double fraction =
      static_cast<double>(millisecond_of_day) / static_cast<double>(kMillisecondsPerDay);
  return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

// A value that is not a number decodes as 1899-12-30 00:00; values beyond the years 1 and
// 9999 decode as the first or last millisecond of that range.
CivilTime DecodeDateTime(DateTime value) {
  if (std::isnan(value)) return CivilFromDayAndMillisecond(0, 0);
  const double clamped = std::clamp(value, -1e9, 1e9);
  const double whole = std::trunc(clamped);
  int64_t day = static_cast<int64_t>(whole);
  const double fraction = std::fabs(clamped - whole);
  int64_t millisecond_of_day = std::llround(fraction * static_cast<double>(kMillisecondsPerDay));
  if (millisecond_of_day >= kMillisecondsPerDay) {
    // Rounded up to the next midnight; the time of day always runs forwards.
    millisecond_of_day -= kMillisecondsPerDay;
    ++day;
  }
  if (day < kFirstDay) return CivilFromDayAndMillisecond(kFirstDay, 0);
  if (day > kLastDay) return CivilFromDayAndMillisecond(kLastDay, kMillisecondsPerDay - 1);
  return CivilFromDayAndMillisecond(day, millisecond_of_day);
}

DateTime NowLocal() {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  return EncodeDateTime(LocalCivilTime(now.tv_sec, static_cast<int>(now.tv_nsec / 1'000'000)));
}

DateTime FileTimeToLocalDateTime(FileTime time) {
  return EncodeDateTime(LocalCivilTime(time.seconds, 0));
}

}  // namespace zelvora
