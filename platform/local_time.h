// The system's own conversion of a moment into local calendar time, by its time zone rules for
// that date (daylight saving time included).
#pragma once

#include <cstdint>

#include "platform/date_time.h"

namespace zelvora {

// Fills the calendar fields of `*civil` (not its milliseconds) with the local time of `seconds`
// since the Unix epoch (UTC); false when the system cannot convert that moment. On POSIX
// systems by localtime_r (the TZ environment variable); on Windows by the user's time zone with
// the rules that held in that year (not today's offset for every date).
bool SystemLocalTime(int64_t seconds, CivilTime* civil);

}  // namespace zelvora
