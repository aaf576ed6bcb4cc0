// Date-time values and their conversions to and from the system's clock and file times.
//
// A DateTime is local time counted in days since 1899-12-30 00:00, with the time of day as
// the fraction (0.5 is noon). It is the value that date texts are formatted from and that
// the newest stamped date of a page is kept in. Before 1899-12-30 the whole part counts the
// days backwards while the fraction still counts the time of day forwards: 1899-12-29 06:00
// is -1.25.
#pragma once

#include <cstdint>
#include <optional>

namespace zelvora {

using DateTime = double;

// A calendar date and time of day, all fields in their natural ranges.
struct CivilTime {
  int year = 1899;
  int month = 12;  // 1..12
  int day = 30;    // 1..31
  int hour = 0;    // 0..23
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int day_of_week = 7;  // 1 = Sunday .. 7 = Saturday (1899-12-30 was a Saturday)
};

// A moment as the file system records it: seconds and nanoseconds since the Unix epoch (UTC).
struct FileTime {
  int64_t seconds = 0;
  int32_t nanoseconds = 0;
  auto operator<=>(const FileTime&) const = default;  // earlier times compare less
};

// Builds a DateTime from calendar fields (proleptic Gregorian calendar). Fields outside their
// ranges are not corrected; callers pass valid dates.
DateTime EncodeDateTime(const CivilTime& civil);

// Splits a DateTime into calendar fields, rounding to the nearest millisecond; day_of_week is
// filled in. Never fails: a value that is not a number gives 1899-12-30 00:00, and values
// beyond the years 1 to 9999 give the nearest end of that range.
CivilTime DecodeDateTime(DateTime value);

// The current local time, to the millisecond.
DateTime NowLocal();

// A file time as local time to the second, the time a date text shows: the sub-second part
// is dropped (no date format shows it, and `c` tests for midnight to the second). Any year
// the calendar covers is converted.
DateTime FileTimeToLocalDateTime(FileTime time);

}  // namespace zelvora
