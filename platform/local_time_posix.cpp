#include "platform/local_time.h"

#include <time.h>

#include <algorithm>

namespace zelvora {

bool SystemLocalTime(int64_t seconds, CivilTime* civil) {
  const time_t clock = static_cast<time_t>(seconds);
  struct tm fields {};
  if (localtime_r(&clock, &fields) == nullptr) return false;
  civil->year = fields.tm_year + 1900;
  civil->month = fields.tm_mon + 1;
  civil->day = fields.tm_mday;
  civil->hour = fields.tm_hour;
  civil->minute = fields.tm_min;
  civil->second = std::min(fields.tm_sec, 59);  // a leap second stays inside its minute
  return true;
}

}  // namespace zelvora
