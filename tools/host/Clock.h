#ifndef QEVA_HOST_CLOCK_H_
#define QEVA_HOST_CLOCK_H_

#include <csignal>
#include <cstddef>
#include <cstdint>

#include "QevaStandIn/RunLoop.h"

namespace QevaHost {

// How far an Advance got.
struct AdvanceOutcome {
  size_t ran = 0;        // Tasks run.
  bool capped = false;   // It stopped at the firing cap, short of its target.
  bool stopped = false;  // A stop signal came; time stands where the work got to.
};

// Moves the stand-in's run loop through time: virtual time jumps, real time waits. It goes one
// due time at a time, so that a cap on firings and a stop signal are looked at between two.
class Clock {
 public:
  // |loop| and |stop| (when not null) must outlive the clock.
  Clock(QevaStandIn::RunLoop* loop, size_t max_firings, const volatile std::sig_atomic_t* stop)
      : loop_(loop), max_firings_(max_firings), stop_(stop) {}

  int64_t now() const { return loop_->now(); }
  // Runs what is due now.
  void RunUntilIdle() { loop_->runUntilIdle(); }
  // Runs the timers due within |ms| in order; time moves by the work done.
  AdvanceOutcome Advance(int64_t ms);
  bool StopRequested() const { return stop_ != nullptr && *stop_ != 0; }

 private:
  QevaStandIn::RunLoop* loop_;
  const size_t max_firings_;
  const volatile std::sig_atomic_t* stop_;
};

}  // namespace QevaHost

#endif  // QEVA_HOST_CLOCK_H_
