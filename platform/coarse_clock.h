// A monotonic clock that is cheap enough to read at every step of a loop: it advances in
// steps of the system's timer tick (a few milliseconds), which is plenty for pacing work
// by tens of milliseconds.
#pragma once

#include <time.h>

#include <chrono>

namespace zelvora {

struct CoarseClock {
  using duration = std::chrono::nanoseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<CoarseClock>;
  static constexpr bool is_steady = true;

  static time_point now() noexcept {
    timespec now{};
#ifdef CLOCK_MONOTONIC_COARSE
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
#else
    clock_gettime(CLOCK_MONOTONIC, &now);  // where there is no coarse clock (Windows)
#endif
    return time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
  }
};

}  // namespace zelvora
