#ifndef QEVA_FLUTTER_BENCH_TARGETS_H_
#define QEVA_FLUTTER_BENCH_TARGETS_H_

#include <string>

// The figures a suite promises, checked after the usual Google Benchmark report against the
// median of the repetitions (or of the runs when there are none), CPU time: the machines these
// run on are shared, and the wall clock also counts time the process was not running. A missed
// target is printed as such and does not change the exit status; a benchmark that reported an error
// does (its figures measure something else than they claim).
//
// Suites register their targets from static initialisers; |name| is a benchmark's name as the
// report prints it, without the aggregate suffix ("ReadyEvent/ad_spaces:10").
namespace QevaFlutter::bench {

// The median CPU time per iteration is at most |max_ns|.
void TimeTarget(const std::string& name, double max_ns);

// The median CPU time of |name| is at most |max_ratio| times the median time of |base|.
void RatioTarget(const std::string& name, const std::string& base, double max_ratio);

// The median of user counter |counter| of |name| stays below |limit|.
void CounterTarget(const std::string& name, const std::string& counter, double limit);

}  // namespace QevaFlutter::bench

#endif  // QEVA_FLUTTER_BENCH_TARGETS_H_
