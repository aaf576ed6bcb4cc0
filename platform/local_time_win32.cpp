#include "platform/local_time.h"

#include <windows.h>

#include "platform/system_calls_win32.h"

namespace zelvora {

// The system's times begin in 1601.
constexpr int64_t kEarliestSeconds = -11'644'473'600;

bool SystemLocalTime(int64_t seconds, CivilTime* civil) {
  if (seconds < kEarliestSeconds) return false;
  const FILETIME moment = win32::ToSystemTime(FileTime{seconds, 0});
  SYSTEMTIME universal;
  SYSTEMTIME local;
  TIME_ZONE_INFORMATION zone;
  // The user's time zone with the rules of that year (a year's daylight saving time, not
  // today's offset for every date).
  if (!FileTimeToSystemTime(&moment, &universal) ||
      !GetTimeZoneInformationForYear(universal.wYear, nullptr, &zone) ||
      !SystemTimeToTzSpecificLocalTime(&zone, &universal, &local)) {
    return false;
  }
  civil->year = local.wYear;
  civil->month = local.wMonth;
  civil->day = local.wDay;
  civil->hour = local.wHour;
  civil->minute = local.wMinute;
  civil->second = local.wSecond;
  return true;
}

}  // namespace zelvora
