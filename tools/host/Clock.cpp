#include "Clock.h"

#include <algorithm>
#include <limits>

namespace QevaHost {

namespace {

// The longest real-time wait between two looks at the stop signal.
constexpr int64_t kRealTimeSliceMs = 200;

}  // namespace

AdvanceOutcome Clock::Advance(int64_t ms) {
  QevaStandIn::RunLoop& loop = *loop_;
  const int64_t start = loop.now();
  const int64_t target = ms > std::numeric_limits<int64_t>::max() - start
                             ? std::numeric_limits<int64_t>::max()
                             : start + ms;
  AdvanceOutcome outcome;
  while (loop.now() < target || loop.nextDueTime().value_or(target + 1) <= target) {
    if (StopRequested()) {
      outcome.stopped = true;
      return outcome;
    }
    if (outcome.ran >= max_firings_) {
      outcome.capped = true;
      return outcome;
    }
    int64_t until = std::min(target, loop.nextDueTime().value_or(target));
    if (loop.realTime()) {
      until = std::min(until, loop.now() + kRealTimeSliceMs);
    }
    const int64_t before = loop.now();
    const size_t ran = loop.advanceBy(std::max<int64_t>(0, until - before));
    outcome.ran += ran;
    if (ran == 0 && (loop.now() >= target || loop.now() == before)) {
      break;
    }
  }
  return outcome;
}

}  // namespace QevaHost
