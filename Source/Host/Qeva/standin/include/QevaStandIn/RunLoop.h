#ifndef QEVA_STANDIN_RUNLOOP_H_
#define QEVA_STANDIN_RUNLOOP_H_

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace QevaStandIn {

// The main thread's run loop as the stand-in SDK sees it: everything the SDK does "later"
// (fetch results, refresh timers, click-through reports, initialisation reports) is a task
// here, and tests and tools drain it when they choose. Time is virtual: it starts at 0 ms
// and moves only when advanceBy() moves it, so timers fire in a repeatable order.
//
// Order: tasks run by due time; tasks due at the same time run in the order they were
// posted (a task posted with post() is due now).
//
// Threads: main thread only, except postFromAnyThread(), which holds the stand-in's only
// lock so that a background transport can hand a result back to the main thread.
class RunLoop {
 public:
  // A unit of work. Runs on the main thread; must not throw.
  using Task = std::function<void()>;
  // Names a posted task for cancel(); never 0 and never reused, not even across clear().
  using TaskId = uint64_t;

  RunLoop() = default;
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  // Runs |task| at the next drain, after the tasks already due.
  TaskId post(Task task);
  // Runs |task| once virtual time has advanced by |delay_ms| (0 or less: as post()).
  TaskId postDelayed(int64_t delay_ms, Task task);
  // Drops a task that has not run yet. Returns false when it already ran or never existed.
  bool cancel(TaskId id);

  // Thread-safe: queues |task| from any thread; it runs on the main thread at the next
  // drain, due at that moment.
  void postFromAnyThread(Task task);

  // Runs every task due now, including those that these tasks post for now, and returns how
  // many ran. Does not move time, so a refresh timer can never keep it busy forever. Calls
  // from inside a running task return 0 at once.
  size_t runUntilIdle();
  // Moves virtual time forward by |ms|, running each timer as its due time is reached (time
  // stands at the timer's due time while it runs) and everything due now after each. Returns
  // how many tasks ran. In real-time mode it also sleeps until each due time has come in
  // wall-clock time, running tasks from other threads as they arrive.
  size_t advanceBy(int64_t ms);

  // Virtual milliseconds since the run loop was created or last cleared.
  int64_t now() const { return now_; }
  // When the earliest queued task is due, or none when nothing is queued (tasks from other
  // threads not yet taken in are not counted).
  std::optional<int64_t> nextDueTime() const;
  // Queued tasks, due or not.
  size_t pendingCount() const { return queue_.size(); }

  // Told that a task was queued: on the main thread by post() and postDelayed(), on the posting
  // thread by postFromAnyThread(). A host whose own event loop drives this run loop wakes up and
  // looks at nextDueTime() later; the handler must not run tasks itself. Set it while no other
  // thread posts; nullptr removes it. clear() keeps it: it belongs to the host, not to the state.
  using WakeHandler = std::function<void()>;
  void setWakeHandler(WakeHandler handler);

  // Real-time mode, for a tool's --real-time flag: advanceBy() waits for wall-clock time.
  void setRealTime(bool real_time) { real_time_ = real_time; }
  bool realTime() const { return real_time_; }

  // Drops every queued task unrun (also those from other threads), sets time back to 0 and
  // leaves real-time mode.
  void clear();

 private:
  using Key = std::pair<int64_t, TaskId>;  // (due time, posting order)

  void takeForeignTasks();
  bool runOneDue();
  size_t drain();
  // Waits in wall-clock time until |deadline_virtual| is reached, running foreign tasks.
  size_t sleepUntil(int64_t deadline_virtual, int64_t start_virtual,
                    std::chrono::steady_clock::time_point start_real);

  int64_t now_ = 0;
  TaskId last_id_ = 0;
  bool running_ = false;
  bool real_time_ = false;
  std::map<Key, Task> queue_;
  std::unordered_map<TaskId, int64_t> due_of_;

  WakeHandler wake_;  // Written under foreign_mutex_, read bare on the main thread.

  std::mutex foreign_mutex_;  // Guards foreign_ and the writes of wake_.
  std::condition_variable foreign_posted_;
  std::vector<Task> foreign_;
};

}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_RUNLOOP_H_
