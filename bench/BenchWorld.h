#ifndef QEVA_FLUTTER_BENCH_BENCHWORLD_H_
#define QEVA_FLUTTER_BENCH_BENCHWORLD_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Qeva/QevaAd.h"
#include "support/DartValues.h"
#include "support/PluginWorld.h"

// What the benchmarks add to the shared test world: the ads the stand-in serves, a world set
// up to serve them, and the kinds of whole call that are timed.
namespace QevaFlutter::bench {

using namespace QevaFlutter::support;  // The world and Dart's values, throughout the suites.

constexpr char kAdSpaceChannel[] = "QevaAdSpace";
constexpr char kUserChannel[] = "QevaUser";

// Served a display ad (kDisplayMarkup, 320x50).
constexpr char kDisplayTag[] = "abc123";
// Served a GAM banner (kGAMMarkup) with one click tracker, kClickTracker.
constexpr char kGAMTag[] = "gam";
// No inventory: the fetch ends in the error event inside process(), which answers the request
// and leaves no renderer behind. For ad spaces that only need to exist.
constexpr char kNoFillTag[] = "no-fill";

extern const char kDisplayMarkup[];
extern const char kGAMMarkup[];
extern const char kClickTracker[];

// Whether the stand-in journals the SDK calls and keeps the log lines (StandIn::setRecording).
// A real SDK does neither, so the figures that stand for the plugin are taken without.
enum class Recording { on, off };

// A started plugin whose stand-in serves the ads above inside process() (synchronous
// delivery), with |recording| from then on. |note_ids| as WorldOptions has it.
std::unique_ptr<PluginWorld> StockedWorld(Recording recording = Recording::on,
                                          bool note_ids = true);

// "AdRequest" for |tagId| in a StockedWorld; the new ad space's id. Empty, with |error| set,
// when the call was not answered with the ready reply (or, for kNoFillTag, the error reply)
// at once.
std::string RequestServed(PluginWorld& world, const std::string& tagId, std::string* error);

// What the display ad hands Dart as its response: its size and markup as one JSON object.
std::string DisplayResponse();

// Prepares the plugin's display renderer by hand, as the SDK would, with kDisplayMarkup at
// 320x50; its reports go nowhere.
std::shared_ptr<Qeva::QevaAd> PreparedDisplayAd();

// One kind of whole call: where it goes, its bytes, and what its reply must be.
struct CallCase {
  std::string channel;
  std::vector<uint8_t> request;
  // Empty when |reply| is the right answer in |world|, else what is wrong.
  std::function<std::string(const PluginWorld& world, const headless::DartReply& reply)> check;
};

// Sets up |world| for one kind of call and describes it; false, with |error| set, when that
// failed.
using CaseMaker = bool (*)(PluginWorld& world, CallCase* call, std::string* error);

// "QevaUser" with all eight keys, answered "success".
bool UserCall(PluginWorld& world, CallCase* call, std::string* error);
// "AdRequest" for kDisplayTag, answered by the ready event inside the call.
bool AdRequestCall(PluginWorld& world, CallCase* call, std::string* error);
// "AdRender" of a delivered display ad, answered by the render event inside the call.
bool AdRenderCall(PluginWorld& world, CallCase* call, std::string* error);
// "AdClick" on a delivered GAM banner: answered at once, then its click tracker fires through
// a transport that does nothing.
bool AdClickCall(PluginWorld& world, CallCase* call, std::string* error);

}  // namespace QevaFlutter::bench

#endif  // QEVA_FLUTTER_BENCH_BENCHWORLD_H_
