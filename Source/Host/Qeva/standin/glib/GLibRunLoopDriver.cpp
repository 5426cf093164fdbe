#include "GLibRunLoopDriver.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <optional>

namespace QevaStandIn {
namespace {

// The source as the context sees it. The wake handler may run on another thread after the
// driver is gone, so it holds its own reference to the source and touches nothing else;
// setting the ready time of a destroyed source is harmless.
struct DriverSource {
  GSource source;
  GLibRunLoopDriver* driver;
  // Set by every wake; the run that follows takes it, so a wake that lands while tasks run
  // is not lost when the run sets the next ready time.
  std::atomic<bool> woken;
};

struct SourceRef {
  explicit SourceRef(GSource* source) : source(g_source_ref(source)) {}
  ~SourceRef() { g_source_unref(source); }
  SourceRef(const SourceRef&) = delete;
  SourceRef& operator=(const SourceRef&) = delete;
  GSource* source;
};

}  // namespace

gboolean GLibRunLoopDriver::Dispatch(GSource* source, GSourceFunc, gpointer) {
  reinterpret_cast<DriverSource*>(source)->driver->Run();
  return G_SOURCE_CONTINUE;
}

GLibRunLoopDriver::GLibRunLoopDriver(RunLoop& loop, GMainContext* context)
    : loop_(loop), wall_us_(g_get_monotonic_time()) {
  static GSourceFuncs funcs = {nullptr, nullptr, &GLibRunLoopDriver::Dispatch,
                               nullptr, nullptr, nullptr};
  source_ = g_source_new(&funcs, sizeof(DriverSource));
  auto* driver_source = reinterpret_cast<DriverSource*>(source_);
  driver_source->driver = this;
  new (&driver_source->woken) std::atomic<bool>(false);
  g_source_set_name(source_, "qeva stand-in run loop");
  // A null context attaches to the global default one.
  g_source_attach(source_, context != nullptr ? context : g_main_context_get_thread_default());
  auto ref = std::make_shared<SourceRef>(source_);
  loop_.setWakeHandler([ref] {
    reinterpret_cast<DriverSource*>(ref->source)->woken = true;
    g_source_set_ready_time(ref->source, 0);
  });
  // Tasks queued before the driver came run at the first iteration.
  g_source_set_ready_time(source_, 0);
}

GLibRunLoopDriver::~GLibRunLoopDriver() {
  loop_.setWakeHandler(nullptr);
  g_source_destroy(source_);
  g_source_unref(source_);
}

void GLibRunLoopDriver::Run() {
  auto* driver_source = reinterpret_cast<DriverSource*>(source_);
  driver_source->woken = false;
  const int64_t elapsed_ms = (g_get_monotonic_time() - wall_us_) / 1000;
  wall_us_ += elapsed_ms * 1000;
  loop_.advanceBy(elapsed_ms);

  std::optional<int64_t> next = loop_.nextDueTime();
  g_source_set_ready_time(source_,
                          next ? wall_us_ + std::max<int64_t>(0, *next - loop_.now()) * 1000 : -1);
  if (driver_source->woken.exchange(false)) {
    g_source_set_ready_time(source_, 0);
  }
}

}  // namespace QevaStandIn
