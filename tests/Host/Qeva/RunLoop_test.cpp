#include "QevaStandIn/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace QevaStandIn {
namespace {

using Strings = std::vector<std::string>;

// A run loop and a trace of "name@time" for every task that ran.
class RunLoopTest : public ::testing::Test {
 protected:
  RunLoop::Task Mark(std::string name) {
    return [this, name] { trace_.push_back(name + "@" + std::to_string(loop_.now())); };
  }

  RunLoop loop_;
  Strings trace_;
};

TEST_F(RunLoopTest, RunUntilIdleRunsTasksDueNowInPostingOrderAndLeavesTimers) {
  loop_.post(Mark("a"));
  loop_.postDelayed(10, Mark("timer"));
  loop_.post([this] {
    trace_.push_back("b@" + std::to_string(loop_.now()));
    loop_.post(Mark("posted-by-b"));
  });
  loop_.postDelayed(0, Mark("c"));

  EXPECT_EQ(loop_.runUntilIdle(), 4u);

  EXPECT_EQ(trace_, (Strings{"a@0", "b@0", "c@0", "posted-by-b@0"}));
  EXPECT_EQ(loop_.now(), 0);
  EXPECT_EQ(loop_.nextDueTime(), 10);
}

TEST_F(RunLoopTest, AdvanceByFiresTimersByDueTimeThenPostingOrderAtTheirDueTime) {
  loop_.postDelayed(20, Mark("late"));
  loop_.postDelayed(10, Mark("first-at-10"));
  loop_.postDelayed(10, [this] {
    trace_.push_back("second-at-10@" + std::to_string(loop_.now()));
    loop_.post(Mark("posted-at-10"));
    loop_.postDelayed(5, Mark("timer-from-timer"));
  });
  loop_.postDelayed(40, Mark("beyond"));

  loop_.advanceBy(30);

  EXPECT_EQ(trace_, (Strings{"first-at-10@10", "second-at-10@10", "posted-at-10@10",
                             "timer-from-timer@15", "late@20"}));
  EXPECT_EQ(loop_.now(), 30);
  EXPECT_EQ(loop_.pendingCount(), 1u);
}

TEST_F(RunLoopTest, ARepeatingTimerRunsOncePerIntervalAndNeverDuringRunUntilIdle) {
  std::function<void()> tick = [this, &tick] {
    trace_.push_back("tick@" + std::to_string(loop_.now()));
    loop_.postDelayed(100, tick);
  };
  loop_.postDelayed(100, tick);

  loop_.runUntilIdle();
  EXPECT_TRUE(trace_.empty());
  loop_.advanceBy(350);

  EXPECT_EQ(trace_, (Strings{"tick@100", "tick@200", "tick@300"}));
  loop_.clear();  // |tick| goes out of scope with the test.
}

TEST_F(RunLoopTest, CancelledTasksNeverRun) {
  RunLoop::TaskId now_task = loop_.post(Mark("now"));
  RunLoop::TaskId timer = loop_.postDelayed(10, Mark("timer"));
  loop_.post(Mark("kept"));

  EXPECT_TRUE(loop_.cancel(now_task));
  EXPECT_TRUE(loop_.cancel(timer));
  EXPECT_FALSE(loop_.cancel(timer));
  loop_.advanceBy(10);

  EXPECT_EQ(trace_, (Strings{"kept@0"}));
  EXPECT_FALSE(loop_.cancel(now_task + 100));
}

TEST_F(RunLoopTest, DrainingFromInsideATaskDoesNothing) {
  loop_.post([this] {
    loop_.post(Mark("inner"));
    trace_.push_back("nested runUntilIdle ran " + std::to_string(loop_.runUntilIdle()));
    trace_.push_back("nested advanceBy ran " + std::to_string(loop_.advanceBy(50)));
  });

  loop_.runUntilIdle();

  EXPECT_EQ(trace_, (Strings{"nested runUntilIdle ran 0", "nested advanceBy ran 0", "inner@0"}));
  EXPECT_EQ(loop_.now(), 0);
}

TEST_F(RunLoopTest, TasksFromAnotherThreadRunOnTheDrainingThreadAfterQueuedTasks) {
  loop_.post(Mark("queued"));
  const std::thread::id main_thread = std::this_thread::get_id();
  std::thread background([this, main_thread] {
    loop_.postFromAnyThread([this, main_thread] {
      trace_.push_back(std::this_thread::get_id() == main_thread ? "foreign on main"
                                                                 : "foreign elsewhere");
    });
  });
  background.join();
  EXPECT_TRUE(trace_.empty());

  loop_.runUntilIdle();

  EXPECT_EQ(trace_, (Strings{"queued@0", "foreign on main"}));
}

// A host's event loop learns of every queued task, also of one queued from another thread
// (told on that thread), and nothing runs inside the telling.
TEST_F(RunLoopTest, TheWakeHandlerHearsOfEveryPostAndSurvivesClear) {
  std::atomic<int> wakes{0};
  std::atomic<bool> woken_elsewhere{false};
  const std::thread::id main_thread = std::this_thread::get_id();
  loop_.setWakeHandler([&] {
    ++wakes;
    woken_elsewhere = woken_elsewhere || std::this_thread::get_id() != main_thread;
  });

  loop_.post(Mark("now"));
  loop_.postDelayed(10, Mark("timer"));
  std::thread([this] { loop_.postFromAnyThread(Mark("foreign")); }).join();
  EXPECT_EQ(wakes, 3);
  EXPECT_TRUE(woken_elsewhere);
  EXPECT_TRUE(trace_.empty());

  loop_.clear();
  loop_.post(Mark("after-clear"));
  EXPECT_EQ(wakes, 4);

  loop_.setWakeHandler(nullptr);
  loop_.post(Mark("unheard"));
  loop_.postFromAnyThread(Mark("unheard-foreign"));
  EXPECT_EQ(wakes, 4);
}

TEST_F(RunLoopTest, ClearDropsEverythingAndRestartsTime) {
  loop_.post(Mark("now"));
  loop_.postDelayed(10, Mark("timer"));
  loop_.postFromAnyThread(Mark("foreign"));
  loop_.advanceBy(5);
  trace_.clear();
  loop_.post(Mark("dropped"));
  loop_.postFromAnyThread(Mark("dropped-foreign"));
  loop_.setRealTime(true);

  loop_.clear();
  loop_.advanceBy(100);

  EXPECT_TRUE(trace_.empty());
  EXPECT_EQ(loop_.now(), 100);
  EXPECT_FALSE(loop_.realTime());
}

TEST_F(RunLoopTest, RealTimeAdvanceWaitsForTheWallClockAndRunsForeignTasksMeanwhile) {
  loop_.setRealTime(true);
  std::atomic<bool> waiting{false};
  int64_t foreign_at = -1;
  loop_.postDelayed(10, [this, &waiting] {
    trace_.push_back("signal@" + std::to_string(loop_.now()));
    waiting = true;
  });
  loop_.postDelayed(300, Mark("timer"));
  // Posts once advanceBy is under way; the margins are wide so that a loaded machine still
  // delivers well before the timer.
  std::thread background([this, &waiting, &foreign_at] {
    while (!waiting) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    loop_.postFromAnyThread([this, &foreign_at] {
      foreign_at = loop_.now();
      trace_.push_back("foreign");
    });
  });
  const auto start = std::chrono::steady_clock::now();

  loop_.advanceBy(600);

  const auto waited = std::chrono::steady_clock::now() - start;
  background.join();
  EXPECT_GE(waited, std::chrono::milliseconds(600));
  EXPECT_EQ(trace_, (Strings{"signal@10", "foreign", "timer@300"}));
  EXPECT_GE(foreign_at, 10);
  EXPECT_LT(foreign_at, 300);
  EXPECT_EQ(loop_.now(), 600);
}

}  // namespace
}  // namespace QevaStandIn
