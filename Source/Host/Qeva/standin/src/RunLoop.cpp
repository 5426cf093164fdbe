#include "QevaStandIn/RunLoop.h"

#include <algorithm>
#include <limits>

namespace QevaStandIn {
namespace {

constexpr int64_t kForever = std::numeric_limits<int64_t>::max();
// Wall-clock waits are cut into pieces of at most this length, so that no deadline
// arithmetic can overflow.
constexpr int64_t kLongestWaitMs = 60 * 60 * 1000;

int64_t AddClamped(int64_t time, int64_t delta) {
  if (delta <= 0) {
    return time;
  }
  return delta > kForever - time ? kForever : time + delta;
}

}  // namespace

RunLoop::TaskId RunLoop::post(Task task) {
  return postDelayed(0, std::move(task));
}

RunLoop::TaskId RunLoop::postDelayed(int64_t delay_ms, Task task) {
  int64_t due = AddClamped(now_, delay_ms);
  TaskId id = ++last_id_;
  queue_.emplace(Key{due, id}, std::move(task));
  due_of_[id] = due;
  if (wake_) {
    wake_();
  }
  return id;
}

void RunLoop::setWakeHandler(WakeHandler handler) {
  std::lock_guard<std::mutex> lock(foreign_mutex_);
  wake_ = std::move(handler);
}

bool RunLoop::cancel(TaskId id) {
  auto found = due_of_.find(id);
  if (found == due_of_.end()) {
    return false;
  }
  queue_.erase(Key{found->second, id});
  due_of_.erase(found);
  return true;
}

void RunLoop::postFromAnyThread(Task task) {
  WakeHandler wake;
  {
    std::lock_guard<std::mutex> lock(foreign_mutex_);
    foreign_.push_back(std::move(task));
    wake = wake_;
  }
  foreign_posted_.notify_all();
  if (wake) {
    wake();
  }
}

void RunLoop::takeForeignTasks() {
  std::vector<Task> arrived;
  {
    std::lock_guard<std::mutex> lock(foreign_mutex_);
    arrived.swap(foreign_);
  }
  for (Task& task : arrived) {
    post(std::move(task));
  }
}

bool RunLoop::runOneDue() {
  takeForeignTasks();
  if (queue_.empty() || queue_.begin()->first.first > now_) {
    return false;
  }
  auto next = queue_.begin();
  Task task = std::move(next->second);
  due_of_.erase(next->first.second);
  queue_.erase(next);
  task();
  return true;
}

size_t RunLoop::drain() {
  size_t count = 0;
  while (runOneDue()) {
    ++count;
  }
  return count;
}

size_t RunLoop::runUntilIdle() {
  if (running_) {
    return 0;
  }
  running_ = true;
  size_t count = drain();
  running_ = false;
  return count;
}

std::optional<int64_t> RunLoop::nextDueTime() const {
  if (queue_.empty()) {
    return std::nullopt;
  }
  return queue_.begin()->first.first;
}

size_t RunLoop::advanceBy(int64_t ms) {
  if (running_) {
    return 0;
  }
  const int64_t target = AddClamped(now_, ms);
  const int64_t start_virtual = now_;
  const auto start_real = std::chrono::steady_clock::now();
  running_ = true;
  size_t count = 0;
  while (true) {
    count += drain();
    takeForeignTasks();
    std::optional<int64_t> next = nextDueTime();
    if (!next || *next > target) {
      break;
    }
    if (real_time_ && *next > now_) {
      count += sleepUntil(*next, start_virtual, start_real);
      continue;
    }
    now_ = std::max(now_, *next);
  }
  if (real_time_) {
    count += sleepUntil(target, start_virtual, start_real);
  }
  now_ = target;
  count += drain();
  running_ = false;
  return count;
}

size_t RunLoop::sleepUntil(int64_t deadline_virtual, int64_t start_virtual,
                           std::chrono::steady_clock::time_point start_real) {
  size_t count = 0;
  while (true) {
    const int64_t elapsed_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - start_real)
                                   .count();
    const int64_t remaining_ms = (deadline_virtual - start_virtual) - elapsed_ms;
    if (remaining_ms <= 0) {
      now_ = std::max(now_, deadline_virtual);
      return count;
    }
    bool arrived;
    {
      std::unique_lock<std::mutex> lock(foreign_mutex_);
      arrived = foreign_posted_.wait_for(
          lock, std::chrono::milliseconds(std::min(remaining_ms, kLongestWaitMs)),
          [this] { return !foreign_.empty(); });
    }
    if (!arrived) {
      continue;
    }
    // A background result: run it at the virtual time that corresponds to now.
    const int64_t arrived_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - start_real)
                                   .count();
    now_ = std::max(now_, std::min(deadline_virtual, AddClamped(start_virtual, arrived_ms)));
    count += drain();
    std::optional<int64_t> next = nextDueTime();
    if (next && *next < deadline_virtual) {
      return count;  // It posted an earlier timer; the caller waits for that first.
    }
  }
}

void RunLoop::clear() {
  // Dropped tasks are destroyed only after the run loop is consistent again: what they
  // captured may cancel or post while it is released.
  std::map<Key, Task> dropped;
  std::vector<Task> dropped_foreign;
  dropped.swap(queue_);
  due_of_.clear();
  {
    std::lock_guard<std::mutex> lock(foreign_mutex_);
    dropped_foreign.swap(foreign_);
  }
  now_ = 0;
  real_time_ = false;
}

}  // namespace QevaStandIn
