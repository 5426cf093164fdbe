// What the plugin keeps on the heap, counted by the replaced operator new (CountingAllocator):
//  - per ad space it keeps: live bytes after N "AdRequest"s (each answered at once, so no
//    result is pending) minus before, divided by N, minus what the stand-in keeps for the same
//    N ad spaces made and requested through the SDK interface directly;
//  - per pending result: live bytes after one "AdRefresh" on each of N ad spaces, minus what
//    the engine keeps for N replies held by a handler that does nothing else;
//  - allocations per whole call, everyone's (plugin, channel layer, engine, stand-in), with the
//    stand-in's recording off and, for comparison, on.
// Every figure is a user counter; the times printed beside them mean nothing.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "BenchWorld.h"
#include "CountingAllocator.h"
#include "Targets.h"

namespace QevaFlutter::bench {
namespace {

[[maybe_unused]] const bool kTargets = [] {
  CounterTarget("Memory/RetainedPerAdSpace/ad_spaces:1000", "plugin_bytes_per_ad_space", 400);
  return true;
}();

// Vectors the stand-in appends to (journal, log, lists of ad spaces and requests) keep their
// capacity when cleared; filling them this many times over first keeps their growth out of
// the count.
constexpr int64_t kWarmUpFactor = 2;

// The plugin keeps a bounded history of its recent calls; this many calls before counting
// fill it, so that only what grows with the ad spaces is counted.
constexpr int64_t kSettlingCalls = 512;

constexpr char kKeepChannel[] = "bench.keep";

// The plugin's delegate stand-in for the SDK-only measurement: hears every event, keeps
// nothing.
class NullEventDelegate : public Qeva::QevaAdEventDelegate {
 public:
  void onAdReady(Qeva::QevaAdSpace&) override {}
  void onAdRender(Qeva::QevaAdSpace&) override {}
  void onAdRefresh(Qeva::QevaAdSpace&) override {}
  void onAdError(Qeva::QevaAdSpace&, const Qeva::QevaError&) override {}
  void onAdClick(Qeva::QevaAdSpace&) override {}
  void onAdClose(Qeva::QevaAdSpace&) override {}
};

std::vector<uint8_t> NoFillRequest() {
  return EncodeCall("AdRequest", DartMap({{"tagId", Str(kNoFillTag)}, {"refreshRate", Str("30")}}));
}

// Live heap growth of |count| "AdRequest"s, each answered by the error event at once.
bool PluginAdSpaces(int64_t count, HeapCount* grown, std::string* error) {
  const std::vector<uint8_t> request = NoFillRequest();
  {
    auto warmUp = StockedWorld(Recording::on, false);
    for (int64_t i = 0; i < kWarmUpFactor * count + kSettlingCalls; ++i) {
      warmUp->Send(kAdSpaceChannel, request);
    }
  }
  // The world notes no ids: the notes would be counted as the plugin's.
  auto world = StockedWorld(Recording::on, false);
  // The first call also sets up what every call shares (static tables, the UUID source).
  if (!(*error = ErrorMismatch(*world->Send(kAdSpaceChannel, request))).empty()) {
    return false;
  }
  for (int64_t i = 1; i < kSettlingCalls; ++i) {
    world->Send(kAdSpaceChannel, request);
  }
  world->ForgetRecords();
  const HeapCount before = CountHeap();
  Reply last;
  for (int64_t i = 0; i < count; ++i) {
    last = world->Send(kAdSpaceChannel, request);
  }
  world->ForgetRecords();
  *grown = CountHeap() - before;
  // Each request made one ad space, and each was answered inside its call.
  if (static_cast<int64_t>(world->sdk().adSpaceCount()) != count + kSettlingCalls ||
      !ErrorMismatch(*last).empty()) {
    *error = "the requests did not make exactly one ad space each, answered at once";
    return false;
  }
  return true;
}

// One ad space made and requested through the SDK interface, as the plugin does it.
std::shared_ptr<Qeva::QevaAdSpace> SdkAdSpace(
    const std::shared_ptr<Qeva::QevaAdEventDelegate>& delegate) {
  Qeva::QevaManager& sdk = Qeva::QevaManager::shared();
  std::shared_ptr<Qeva::QevaAdSpace> adSpace = sdk.createQevaAdSpace(kNoFillTag);
  adSpace->setRefreshInterval(30);
  adSpace->setAdEventDelegate(delegate);
  sdk.process(sdk.createQevaAdspotRequestBuilder()->addAdSpace(adSpace).build());
  return adSpace;
}

// Live heap growth of |count| ad spaces made without the plugin, held by the caller.
HeapCount StandInAdSpaces(int64_t count) {
  auto delegate = std::make_shared<NullEventDelegate>();
  std::vector<std::shared_ptr<Qeva::QevaAdSpace>> held;
  held.reserve(static_cast<size_t>(kWarmUpFactor * count));
  {
    auto warmUp = StockedWorld(Recording::on, false);
    for (int64_t i = 0; i < kWarmUpFactor * count; ++i) {
      held.push_back(SdkAdSpace(delegate));
    }
    held.clear();
  }
  auto world = StockedWorld(Recording::on, false);
  held.push_back(SdkAdSpace(delegate));
  world->ForgetRecords();
  const HeapCount before = CountHeap();
  for (int64_t i = 0; i < count; ++i) {
    held.push_back(SdkAdSpace(delegate));
  }
  world->ForgetRecords();
  const HeapCount grown = CountHeap() - before;
  held.clear();
  return grown;
}

void RetainedPerAdSpace(benchmark::State& state) {
  const int64_t count = state.range(0);
  for (auto _ : state) {
    HeapCount withPlugin;
    std::string error;
    if (!PluginAdSpaces(count, &withPlugin, &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    const HeapCount standIn = StandInAdSpaces(count);
    const auto perAdSpace = [count](int64_t value) {
      return static_cast<double>(value) / static_cast<double>(count);
    };
    state.counters["plugin_bytes_per_ad_space"] =
        perAdSpace(withPlugin.live_bytes - standIn.live_bytes);
    state.counters["plugin_blocks_per_ad_space"] =
        perAdSpace(withPlugin.live_blocks - standIn.live_blocks);
    state.counters["standin_bytes_per_ad_space"] = perAdSpace(standIn.live_bytes);
    state.counters["standin_blocks_per_ad_space"] = perAdSpace(standIn.live_blocks);
  }
}
BENCHMARK(RetainedPerAdSpace)
    ->Name("Memory/RetainedPerAdSpace")
    ->ArgName("ad_spaces")
    ->Arg(1000)
    ->Iterations(1);

void PerPendingResult(benchmark::State& state) {
  const int64_t count = state.range(0);
  for (auto _ : state) {
    auto stocked = StockedWorld();
    PluginWorld& world = *stocked;
    const std::vector<uint8_t> request = NoFillRequest();
    std::vector<std::vector<uint8_t>> refreshes;
    std::vector<std::shared_ptr<QevaStandIn::AdSpace>> adSpaces;
    for (int64_t i = 0; i < count; ++i) {
      const PluginWorld::Requested requested = world.Request(kNoFillTag, "30");
      refreshes.push_back(EncodeCall("AdRefresh", DartMap({{"adSpaceId", Str(requested.id)}})));
      adSpaces.push_back(requested.adSpace);
    }
    // The engine's share: the reply record and closure it keeps for a call still unanswered.
    std::vector<flutter::BinaryReply> kept;
    kept.reserve(refreshes.size());
    world.engine().SetMessageHandler(kKeepChannel,
                                     [&kept](const uint8_t*, size_t, flutter::BinaryReply reply) {
                                       kept.push_back(std::move(reply));
                                     });
    world.ForgetRecords();
    HeapCount before = CountHeap();
    for (const std::vector<uint8_t>& refresh : refreshes) {
      world.Send(kKeepChannel, refresh);
    }
    const HeapCount engine = CountHeap() - before;
    for (const flutter::BinaryReply& reply : kept) {
      reply(nullptr, 0);
    }
    kept.clear();

    std::vector<Reply> replies;
    replies.reserve(refreshes.size());
    before = CountHeap();
    for (const std::vector<uint8_t>& refresh : refreshes) {
      replies.push_back(world.Send(kAdSpaceChannel, refresh));
    }
    world.ForgetRecords();
    const HeapCount pending = CountHeap() - before;
    // Answered, so that none is released unanswered with the plugin: each must have been
    // pending.
    const Qeva::QevaSDKError noFill(Qeva::QevaSDKError::Code::noFill);
    for (const auto& adSpace : adSpaces) {
      adSpace->fireAdError(noFill);
    }
    for (const Reply& reply : replies) {
      if (!ErrorMismatch(*reply).empty()) {
        state.SkipWithError("\"AdRefresh\" did not leave one pending result per ad space");
        return;
      }
    }
    const auto perResult = [count](int64_t value) {
      return static_cast<double>(value) / static_cast<double>(count);
    };
    state.counters["plugin_bytes_per_pending_result"] =
        perResult(pending.live_bytes - engine.live_bytes);
    state.counters["plugin_blocks_per_pending_result"] =
        perResult(pending.live_blocks - engine.live_blocks);
    state.counters["engine_bytes_per_pending_reply"] = perResult(engine.live_bytes);
  }
}
BENCHMARK(PerPendingResult)
    ->Name("Memory/PerPendingResult")
    ->ArgName("ad_spaces")
    ->Arg(1000)
    ->Iterations(1);

// Allocations per whole call, everyone's: where the time of the calls goes first. Counted with
// the stand-in's recording off (as Call/... is timed) and, under "..._recorded", on.
void AllocationsPerCall(benchmark::State& state, CaseMaker make) {
  // A run of "AdRequest"s grows the plugin's maps; a short one keeps it near a fresh plugin.
  constexpr int64_t kCalls = 16;
  for (auto _ : state) {
    for (const Recording recording : {Recording::off, Recording::on}) {
      auto stocked = StockedWorld(recording);
      PluginWorld& world = *stocked;
      CallCase call;
      std::string error;
      if (!make(world, &call, &error)) {
        state.SkipWithError(error.c_str());
        return;
      }
      const std::string why = call.check(world, *world.Send(call.channel, call.request));
      if (!why.empty()) {
        state.SkipWithError(why.c_str());
        return;
      }
      world.ForgetRecords();
      const HeapCount before = CountHeap();
      for (int64_t i = 0; i < kCalls; ++i) {
        world.Send(call.channel, call.request);
      }
      const HeapCount made = CountHeap() - before;
      const std::string suffix = recording == Recording::on ? "_recorded" : "";
      state.counters["allocations_per_call" + suffix] =
          static_cast<double>(made.allocations) / static_cast<double>(kCalls);
      state.counters["allocated_bytes_per_call" + suffix] =
          static_cast<double>(made.allocated_bytes) / static_cast<double>(kCalls);
    }
  }
}
BENCHMARK_CAPTURE(AllocationsPerCall, QevaUser, UserCall)
    ->Name("Memory/AllocationsPerCall/QevaUser")
    ->Iterations(1);
BENCHMARK_CAPTURE(AllocationsPerCall, AdRequest, AdRequestCall)
    ->Name("Memory/AllocationsPerCall/AdRequest")
    ->Iterations(1);
BENCHMARK_CAPTURE(AllocationsPerCall, AdRender, AdRenderCall)
    ->Name("Memory/AllocationsPerCall/AdRender")
    ->Iterations(1);
BENCHMARK_CAPTURE(AllocationsPerCall, AdClick, AdClickCall)
    ->Name("Memory/AllocationsPerCall/AdClick")
    ->Iterations(1);

}  // namespace
}  // namespace QevaFlutter::bench
