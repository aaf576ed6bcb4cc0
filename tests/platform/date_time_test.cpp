#include "platform/date_time.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cmath>
#include <limits>

namespace zelvora {
namespace {

// The tests run with TZ=JST-9: local time is UTC + 9 hours, without daylight saving.
constexpr int64_t k19990103At140731Jst = 915340051;

CivilTime Civil(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                int millisecond = 0) {
  CivilTime civil;
  civil.year = year;
  civil.month = month;
  civil.day = day;
  civil.hour = hour;
  civil.minute = minute;
  civil.second = second;
  civil.millisecond = millisecond;
  return civil;
}

void ExpectCivil(const CivilTime& actual, const CivilTime& expected) {
  EXPECT_EQ(actual.year, expected.year);
  EXPECT_EQ(actual.month, expected.month);
  EXPECT_EQ(actual.day, expected.day);
  EXPECT_EQ(actual.hour, expected.hour);
  EXPECT_EQ(actual.minute, expected.minute);
  EXPECT_EQ(actual.second, expected.second);
  EXPECT_EQ(actual.millisecond, expected.millisecond);
}

TEST(DateTimeTest, EncodesDaysSince18991230WithTheTimeAsFraction) {
  struct Case {
    CivilTime civil;
    double value;
  };
  const Case cases[] = {
      {Civil(1899, 12, 30), 0.0},
      {Civil(1899, 12, 31, 12), 1.5},
      {Civil(1900, 3, 1), 61.0},
      {Civil(1999, 1, 3, 14, 7, 30), 36163.0 + (14 * 3600 + 7 * 60 + 30) / 86400.0},
      {Civil(2000, 2, 29, 18), 36585.75},
      {Civil(1, 1, 1), -693593.0},
      {Civil(9999, 12, 31), 2958465.0},
      // Before the epoch the fraction still counts forwards from the day's midnight.
      {Civil(1899, 12, 29, 6), -1.25},
      {Civil(1899, 12, 28, 18), -2.75},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(c.civil), c.value) << c.civil.year << "-" << c.civil.month;
    ExpectCivil(DecodeDateTime(c.value), c.civil);
  }
}

TEST(DateTimeTest, DecodesTheWeekdayWithSundayAsOne) {
  EXPECT_EQ(DecodeDateTime(0.0).day_of_week, 7);                                // Saturday
  EXPECT_EQ(DecodeDateTime(EncodeDateTime(Civil(1999, 1, 3))).day_of_week, 1);  // Sunday
  EXPECT_EQ(DecodeDateTime(EncodeDateTime(Civil(2000, 2, 29))).day_of_week, 3);
  EXPECT_EQ(DecodeDateTime(-1.25).day_of_week, 6);
  EXPECT_EQ(DecodeDateTime(-693593.0).day_of_week, 2);  // 0001-01-01 was a Monday
}

TEST(DateTimeTest, ValuesJustBelowZeroStillMean18991230) {
  ExpectCivil(DecodeDateTime(-0.25), Civil(1899, 12, 30, 6));
}

TEST(DateTimeTest, RoundsToTheNearestMillisecond) {
  const double millisecond = 1.0 / 86400000.0;
  ExpectCivil(DecodeDateTime(EncodeDateTime(Civil(2024, 5, 6, 7, 8, 9, 123))),
              Civil(2024, 5, 6, 7, 8, 9, 123));
  ExpectCivil(DecodeDateTime(100.0 + 0.4 * millisecond), Civil(1900, 4, 9));
  ExpectCivil(DecodeDateTime(100.0 + 0.6 * millisecond), Civil(1900, 4, 9, 0, 0, 0, 1));
  // Rounding up at the end of a day carries into the next one, before the epoch as well.
  ExpectCivil(DecodeDateTime(100.0 + (86400000 - 0.3) * millisecond), Civil(1900, 4, 10));
  ExpectCivil(DecodeDateTime(-1.0 - (86400000 - 0.3) * millisecond), Civil(1899, 12, 30));
}

TEST(DateTimeTest, OddValuesDecodeWithoutFailing) {
  ExpectCivil(DecodeDateTime(std::numeric_limits<double>::quiet_NaN()), Civil(1899, 12, 30));
  ExpectCivil(DecodeDateTime(1e300), Civil(9999, 12, 31, 23, 59, 59, 999));
  ExpectCivil(DecodeDateTime(std::numeric_limits<double>::infinity()),
              Civil(9999, 12, 31, 23, 59, 59, 999));
  ExpectCivil(DecodeDateTime(-1e300), Civil(1, 1, 1));
}

TEST(DateTimeTest, FileTimesBecomeLocalTimeToTheSecond) {
  // Odd seconds stay odd; the fraction of a second is dropped, never rounded up.
  ExpectCivil(DecodeDateTime(FileTimeToLocalDateTime({k19990103At140731Jst, 999'999'999})),
              Civil(1999, 1, 3, 14, 7, 31));
  ExpectCivil(DecodeDateTime(FileTimeToLocalDateTime({k19990103At140731Jst - 1, 0})),
              Civil(1999, 1, 3, 14, 7, 30));
  ExpectCivil(DecodeDateTime(FileTimeToLocalDateTime({k19990103At140731Jst + 28, 500'000'000})),
              Civil(1999, 1, 3, 14, 7, 59));
  // Years before 1980 and after 2107, which a DOS date-time cannot hold, convert all the same.
  ExpectCivil(DecodeDateTime(FileTimeToLocalDateTime({0, 0})), Civil(1970, 1, 1, 9));
  ExpectCivil(DecodeDateTime(FileTimeToLocalDateTime({-86400 * 365 + 1, 0})),
              Civil(1969, 1, 1, 9, 0, 1));
  ExpectCivil(DecodeDateTime(FileTimeToLocalDateTime({4'354'786'799, 0})),
              Civil(2107, 12, 31, 23, 59, 59));
  ExpectCivil(DecodeDateTime(FileTimeToLocalDateTime({4'354'786'801, 0})),
              Civil(2108, 1, 1, 0, 0, 1));
}

TEST(DateTimeTest, NowLiesBetweenTheClockReadingsAroundIt) {
  const int64_t before = static_cast<int64_t>(time(nullptr));
  const DateTime now = NowLocal();
  const int64_t after = static_cast<int64_t>(time(nullptr));
  EXPECT_GE(now, FileTimeToLocalDateTime({before, 0}));
  EXPECT_LE(now, FileTimeToLocalDateTime({after + 1, 0}));
}

}  // namespace
}  // namespace zelvora
