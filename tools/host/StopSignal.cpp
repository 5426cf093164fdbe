#include "StopSignal.h"

namespace QevaHost {

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnStopSignal(int signal) {
  g_stop = signal;
}

}  // namespace

const volatile std::sig_atomic_t* StopFlag() {
  return &g_stop;
}

StopSignalScope::StopSignalScope() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &old_pipe_);
  g_stop = 0;
  struct sigaction stop {};
  stop.sa_handler = OnStopSignal;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGINT, &stop, &old_int_);
  sigaction(SIGTERM, &stop, &old_term_);
}

StopSignalScope::~StopSignalScope() {
  sigaction(SIGPIPE, &old_pipe_, nullptr);
  sigaction(SIGINT, &old_int_, nullptr);
  sigaction(SIGTERM, &old_term_, nullptr);
}

}  // namespace QevaHost
