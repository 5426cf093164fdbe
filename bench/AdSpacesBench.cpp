// One ready event, with its reply, while the plugin keeps N ad spaces. Each iteration stores a
// pending result with an "AdRefresh" call and fires the ready event on the same ad space,
// which answers it. The SDK names the ad space by object, so the plugin has to find its id:
// the ad space used is the one whose id comes last in the id map's order (the worst case of a
// walk over the map), and, for comparison, the one whose id comes first.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "BenchWorld.h"
#include "Targets.h"

namespace QevaFlutter::bench {
namespace {

[[maybe_unused]] const bool kTargets = [] {
  RatioTarget("ReadyEvent/LastId/ad_spaces:100000", "ReadyEvent/LastId/ad_spaces:10", 2.0);
  return true;
}();

constexpr int64_t kForgetRecordsEvery = 4096;
// The stand-in walks every request it has seen to name a new one, so its history is cleared
// this often while the ad spaces are made; the plugin keeps them all the same.
constexpr int64_t kRequestsPerStandInHistory = 1000;

// A plugin keeping |count| ad spaces, and the one ad space the events go to, given a display
// ad.
struct StoredAdSpaces {
  int64_t count = 0;
  bool last = true;
  std::unique_ptr<PluginWorld> world;
  std::string id;
  std::shared_ptr<QevaStandIn::AdSpace> adSpace;
  std::vector<uint8_t> refresh;
};

// Discards what is written to std::cerr while it lives.
class QuietStandardError {
 public:
  QuietStandardError() : kept_(std::cerr.rdbuf(nullptr)) {}
  ~QuietStandardError() {
    std::cerr.rdbuf(kept_);
    std::cerr.clear();
  }

 private:
  std::streambuf* kept_;
};

// "AdRequest"s whose results are dropped with "AdPause" before any event comes: an event would
// make the plugin walk its ad spaces, and the set-up would grow with the square of |count|.
// The stand-in's fetches wait on its run loop and are discarded with its history. Picks the
// ad space whose id comes last (|last|) or first in id order, the plugin's order.
bool MakeAdSpaces(PluginWorld& world, StoredAdSpaces& stored, std::string* error) {
  // Each dropped result tells stderr that it went unanswered.
  QuietStandardError quiet;
  const std::vector<uint8_t> request =
      EncodeCall("AdRequest", DartMap({{"tagId", Str(kNoFillTag)}, {"refreshRate", Str("30")}}));
  for (int64_t made = 0; made < stored.count;) {
    QevaStandIn::StandIn::Reset();
    world.sdk().logSink().setEcho(false);
    world.sdk().setDelivery(QevaStandIn::Delivery::posted);
    const int64_t batch = std::min(kRequestsPerStandInHistory, stored.count - made);
    const size_t first_id = world.adSpaceIdCount();
    for (int64_t i = 0; i < batch; ++i) {
      world.Send(kAdSpaceChannel, request);
    }
    // The batch's ids, in the order of the stand-in's ad spaces, each with a pending result.
    const std::vector<std::string> ids = world.adSpaceIds();
    for (size_t i = first_id; i < ids.size(); ++i) {
      const std::string& id = ids[i];
      if (stored.id.empty() || (stored.last ? id > stored.id : id < stored.id)) {
        stored.id = id;
        stored.adSpace = world.sdk().adSpace(i - first_id + 1);
      }
      auto paused =
          world.Send(kAdSpaceChannel, EncodeCall("AdPause", DartMap({{"adSpaceId", Str(id)}})));
      if (!(*error = Mismatch(*paused, CommandReply("success"))).empty()) {
        return false;
      }
    }
    made += batch;
  }
  QevaStandIn::StandIn::Reset();
  world.sdk().logSink().setEcho(false);
  return true;
}

std::unique_ptr<StoredAdSpaces> Store(int64_t count, bool last, std::string* error) {
  auto stored = std::make_unique<StoredAdSpaces>();
  stored->count = count;
  stored->last = last;
  stored->world = StockedWorld();
  PluginWorld& world = *stored->world;
  if (!world.started()) {
    *error = "the start-up call was not answered \"success\"";
    return nullptr;
  }
  if (!MakeAdSpaces(world, *stored, error)) {
    return nullptr;
  }
  if (static_cast<int64_t>(world.adSpaceIdCount()) != count || !stored->adSpace) {
    *error = "the plugin made " + std::to_string(world.adSpaceIdCount()) + " ad spaces, not " +
             std::to_string(count) + ", or none is there under " + stored->id;
    return nullptr;
  }
  stored->adSpace->setQevaAd(PreparedDisplayAd());
  stored->refresh = EncodeCall("AdRefresh", DartMap({{"adSpaceId", Str(stored->id)}}));
  return stored;
}

// Made once per N and kept across the runs of one benchmark, since making 100,000 ad spaces
// takes far longer than the runs. Never destroyed at exit: the stand-in outlives main.
StoredAdSpaces* g_stored = nullptr;

StoredAdSpaces* Stored(int64_t count, bool last, std::string* error) {
  if (g_stored != nullptr && g_stored->count == count && g_stored->last == last) {
    return g_stored;
  }
  delete g_stored;
  g_stored = nullptr;
  g_stored = Store(count, last, error).release();
  return g_stored;
}

void ReadyEvent(benchmark::State& state, bool last) {
  std::string error;
  StoredAdSpaces* stored = Stored(state.range(0), last, &error);
  if (stored == nullptr) {
    state.SkipWithError(error.c_str());
    return;
  }
  PluginWorld& world = *stored->world;
  const EncodableValue expected = ReadyReply(stored->id, DisplayResponse(), "iab.smartphonebanner");
  // The plugin's figure, without the stand-in's journal and log (as Call/... in the calls suite).
  world.sdk().setRecording(false);
  std::shared_ptr<const headless::DartReply> reply;
  int64_t events = 0;
  for (auto _ : state) {
    if (events == kForgetRecordsEvery) {
      state.PauseTiming();
      world.ForgetRecords();
      events = 0;
      state.ResumeTiming();
    }
    reply = world.Send(kAdSpaceChannel, stored->refresh);
    stored->adSpace->fireAdReady();
    ++events;
  }
  const std::string why = reply ? Mismatch(*reply, expected) : "no call was made";
  if (!why.empty()) {
    state.SkipWithError(why.c_str());
  }
  world.sdk().setRecording(true);
  world.ForgetRecords();
}

void LastId(benchmark::State& state) {
  ReadyEvent(state, true);
}
BENCHMARK(LastId)
    ->Name("ReadyEvent/LastId")
    ->ArgName("ad_spaces")
    ->Arg(10)
    ->Arg(1000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

void FirstId(benchmark::State& state) {
  ReadyEvent(state, false);
}
BENCHMARK(FirstId)
    ->Name("ReadyEvent/FirstId")
    ->ArgName("ad_spaces")
    ->Arg(10)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace QevaFlutter::bench
