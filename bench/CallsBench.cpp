// Whole calls through the headless engine: Dart's pre-encoded bytes in, the plugin and the
// stand-in SDK at work, the reply's bytes out (and decoded, as Dart would, by the engine's
// reply record). Call/... runs with the stand-in's recording off, since a real SDK keeps no
// journal; two companions place the figure:
//  - Recorded/...: the same call with the stand-in journaling every SDK call (its arguments
//    formatted) and keeping every log line, as tests and tools run it. The difference to
//    Call/... is that bookkeeping.
//  - Harness/...: the same bytes to a raw handler that answers with the same reply bytes at
//    once: what the headless engine and the Dart side cost, without the plugin.
// Call/... minus Harness/... is the plugin, its channel layer and the stand-in's simulation.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "BenchWorld.h"
#include "Targets.h"

namespace QevaFlutter::bench {
namespace {

[[maybe_unused]] const bool kTargets = [] {
  TimeTarget("Call/AdRequest/ReadyAtOnce", 3000);
  return true;
}();

// Journal and log grow with every recorded call; they are emptied this often, with the clock
// stopped.
constexpr int64_t kForgetRecordsEvery = 4096;
// The plugin keeps every ad space for good, and every "AdRequest" adds one, so a run of
// requests is spread over fresh plugins that have kept at most this many.
constexpr int64_t kRequestsPerPlugin = 16;
// The stand-in lists every tracker request until it is reset.
constexpr int64_t kClicksPerPlugin = 4096;

constexpr char kHarnessChannel[] = "bench.harness";

struct World {
  std::unique_ptr<PluginWorld> world;
  CallCase call;
};

// A fresh plugin set up for |make|'s call; false, with |state| skipped, when that failed.
bool Renew(benchmark::State& state, CaseMaker make, Recording recording, World& world) {
  world.world.reset();  // One stand-in per process: the old world goes first.
  world.world = StockedWorld(recording);
  std::string error = "the start-up call was not answered \"success\"";
  if (!world.world->started() || !make(*world.world, &world.call, &error)) {
    state.SkipWithError(error.c_str());
    return false;
  }
  return true;
}

bool Checked(benchmark::State& state, const World& world, const headless::DartReply& reply) {
  const std::string why = world.call.check(*world.world, reply);
  if (!why.empty()) {
    state.SkipWithError(why.c_str());
    return false;
  }
  return true;
}

// Sends |make|'s call once per iteration. Every |renew_every| calls the journal and log are
// emptied or, with |renew_plugin|, the whole plugin and stand-in are set up afresh; both with
// the clock stopped.
void RunCalls(benchmark::State& state, CaseMaker make, int64_t renew_every, bool renew_plugin,
              Recording recording) {
  World world;
  if (!Renew(state, make, recording, world)) {
    return;
  }
  std::shared_ptr<const headless::DartReply> reply =
      world.world->Send(world.call.channel, world.call.request);
  if (!Checked(state, world, *reply)) {
    return;
  }
  if (renew_plugin && !Renew(state, make, recording, world)) {
    return;
  }
  int64_t calls = 0;
  for (auto _ : state) {
    if (calls == renew_every) {
      state.PauseTiming();
      if (renew_plugin) {
        if (!Renew(state, make, recording, world)) {
          break;
        }
      } else {
        world.world->ForgetRecords();
      }
      calls = 0;
      state.ResumeTiming();
    }
    reply = world.world->Send(world.call.channel, world.call.request);
    ++calls;
  }
  if (!state.error_occurred()) {
    Checked(state, world, *reply);
  }
}

// The same request bytes to a handler that answers at once with the bytes the plugin answers:
// the engine's and Dart's share of RunCalls.
void RunHarness(benchmark::State& state, CaseMaker make) {
  World world;
  if (!Renew(state, make, Recording::off, world)) {
    return;
  }
  auto reply = world.world->Send(world.call.channel, world.call.request);
  if (!Checked(state, world, *reply)) {
    return;
  }
  const std::vector<uint8_t> answer = reply->bytes();
  world.world->engine().SetMessageHandler(
      kHarnessChannel, [answer](const uint8_t*, size_t, flutter::BinaryReply binary_reply) {
        binary_reply(answer.data(), answer.size());
      });
  for (auto _ : state) {
    reply = world.world->Send(kHarnessChannel, world.call.request);
  }
  if (reply->bytes() != answer || reply->reply_count() != 1) {
    state.SkipWithError("the harness channel did not answer with the plugin's reply bytes");
  }
}

struct Registered {
  const char* name;
  CaseMaker make;
  int64_t renew_every;
  bool renew_plugin;
};

[[maybe_unused]] const bool kRegistered = [] {
  const Registered cases[] = {
      {"QevaUser/EightKeys", UserCall, kForgetRecordsEvery, false},
      {"AdRequest/ReadyAtOnce", AdRequestCall, kRequestsPerPlugin, true},
      {"AdRender/RenderEvent", AdRenderCall, kForgetRecordsEvery, false},
      {"AdClick/GAMBanner", AdClickCall, kClicksPerPlugin, true},
  };
  for (const Registered& entry : cases) {
    const std::string name = entry.name;
    benchmark::RegisterBenchmark(("Call/" + name).c_str(), [entry](benchmark::State& state) {
      RunCalls(state, entry.make, entry.renew_every, entry.renew_plugin, Recording::off);
    });
    benchmark::RegisterBenchmark(("Recorded/" + name).c_str(), [entry](benchmark::State& state) {
      RunCalls(state, entry.make, entry.renew_every, entry.renew_plugin, Recording::on);
    });
    benchmark::RegisterBenchmark(("Harness/" + name).c_str(), [entry](benchmark::State& state) {
      RunHarness(state, entry.make);
    });
  }
  return true;
}();

}  // namespace
}  // namespace QevaFlutter::bench
