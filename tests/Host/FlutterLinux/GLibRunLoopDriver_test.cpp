#include "GLibRunLoopDriver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace QevaStandIn {
namespace {

using Clock = std::chrono::steady_clock;

gboolean Quit(gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_REMOVE;
}

// A run loop driven from a GMainLoop on this thread; Run() iterates until a task quits or a
// generous guard runs out.
class DriverTest : public ::testing::Test {
 protected:
  DriverTest() : main_loop_(g_main_loop_new(nullptr, FALSE)) {}
  ~DriverTest() override { g_main_loop_unref(main_loop_); }

  // Returns false when the guard ended the run.
  bool Run() {
    bool guard_fired = false;
    struct Guard {
      GMainLoop* loop;
      bool* fired;
    } guard{main_loop_, &guard_fired};
    guint id = g_timeout_add(
        5000,
        [](gpointer data) -> gboolean {
          auto* guard = static_cast<Guard*>(data);
          *guard->fired = true;
          g_main_loop_quit(guard->loop);
          return G_SOURCE_REMOVE;
        },
        &guard);
    g_main_loop_run(main_loop_);
    if (!guard_fired) {
      g_source_remove(id);
    }
    return !guard_fired;
  }
  RunLoop::Task QuitTask() {
    return [this] { g_main_loop_quit(main_loop_); };
  }

  RunLoop loop_;
  GMainLoop* main_loop_;
};

TEST_F(DriverTest, TasksRunOnTheMainLoopAndTimersWaitForTheWallClock) {
  const std::thread::id main_thread = std::this_thread::get_id();
  std::vector<std::string> trace;
  loop_.post([&] { trace.push_back("queued before the driver"); });
  GLibRunLoopDriver driver(loop_);
  const Clock::time_point start = Clock::now();
  std::optional<Clock::duration> timer_after;
  loop_.postDelayed(40, [&] {
    timer_after = Clock::now() - start;
    trace.push_back(std::this_thread::get_id() == main_thread ? "timer on main" : "elsewhere");
    loop_.post(QuitTask());
  });
  loop_.post([&] { trace.push_back("posted"); });
  EXPECT_TRUE(trace.empty()) << "nothing runs inside post()";

  ASSERT_TRUE(Run());

  EXPECT_EQ(trace,
            (std::vector<std::string>{"queued before the driver", "posted", "timer on main"}));
  ASSERT_TRUE(timer_after.has_value());
  EXPECT_GE(*timer_after, std::chrono::milliseconds(40));
  EXPECT_GE(loop_.now(), 40);
}

TEST_F(DriverTest, ATaskFromAnotherThreadWakesTheMainLoop) {
  GLibRunLoopDriver driver(loop_);
  const std::thread::id main_thread = std::this_thread::get_id();
  bool on_main = false;
  std::thread background([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    loop_.postFromAnyThread([&] {
      on_main = std::this_thread::get_id() == main_thread;
      g_main_loop_quit(main_loop_);
    });
  });
  const bool quit_by_task = Run();
  background.join();
  EXPECT_TRUE(quit_by_task);
  EXPECT_TRUE(on_main);
}

TEST_F(DriverTest, WithoutTheDriverTasksStayQueued) {
  std::optional<GLibRunLoopDriver> driver;
  driver.emplace(loop_);
  driver.reset();
  bool ran = false;
  loop_.post([&] { ran = true; });
  g_timeout_add(30, Quit, main_loop_);
  g_main_loop_run(main_loop_);
  EXPECT_FALSE(ran);
  EXPECT_EQ(loop_.pendingCount(), 1u);
}

}  // namespace
}  // namespace QevaStandIn
