#ifndef QEVA_STANDIN_GLIBRUNLOOPDRIVER_H_
#define QEVA_STANDIN_GLIBRUNLOOPDRIVER_H_

#include <glib.h>

#include <cstdint>

#include "QevaStandIn/RunLoop.h"

namespace QevaStandIn {

// Runs a stand-in RunLoop from a GLib main context, as the main thread of a GTK app: its tasks
// run on the thread that iterates the context, and its virtual time follows the wall clock (a
// timer posted for 30 000 ms runs 30 seconds later). Tasks posted from other threads wake the
// context up.
//
// One source on the context does it all; destroying the driver removes it and the run loop's
// wake handler, leaving the run loop's tasks queued. Create and destroy it on the thread that
// iterates the context; |loop| must outlive it.
class GLibRunLoopDriver {
 public:
  // |context| null: the thread-default context when there is one, else the global default.
  explicit GLibRunLoopDriver(RunLoop& loop, GMainContext* context = nullptr);
  ~GLibRunLoopDriver();

  GLibRunLoopDriver(const GLibRunLoopDriver&) = delete;
  GLibRunLoopDriver& operator=(const GLibRunLoopDriver&) = delete;

 private:
  static gboolean Dispatch(GSource* source, GSourceFunc callback, gpointer user_data);
  // Moves virtual time on by the wall-clock time since the last run, runs what is due, and
  // sets the source's ready time to the next due task.
  void Run();

  RunLoop& loop_;
  GSource* source_;
  // The monotonic clock (microseconds) at which virtual time last stood still; virtual time
  // moves in whole milliseconds, so the remainder carries over.
  int64_t wall_us_;
};

}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_GLIBRUNLOOPDRIVER_H_
