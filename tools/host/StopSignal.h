#ifndef QEVA_HOST_STOPSIGNAL_H_
#define QEVA_HOST_STOPSIGNAL_H_

#include <csignal>

// SIGINT and SIGTERM as a request to stop: the host finishes the firing or frame at hand,
// reports what is left unanswered, and ends, in every mode.
namespace QevaHost {

// The signal that asked the host to stop, 0 while none has.
const volatile std::sig_atomic_t* StopFlag();

// While it lives, SIGINT and SIGTERM set StopFlag() (cleared on entry) without restarting the
// call they interrupt, and SIGPIPE is ignored (a write to a client that has gone fails).
class StopSignalScope {
 public:
  StopSignalScope();
  ~StopSignalScope();
  StopSignalScope(const StopSignalScope&) = delete;
  StopSignalScope& operator=(const StopSignalScope&) = delete;

 private:
  struct sigaction old_pipe_ {};
  struct sigaction old_int_ {};
  struct sigaction old_term_ {};
};

}  // namespace QevaHost

#endif  // QEVA_HOST_STOPSIGNAL_H_
