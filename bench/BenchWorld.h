#ifndef QEVA_FLUTTER_BENCH_PLUGINWORLD_H_
#define QEVA_FLUTTER_BENCH_PLUGINWORLD_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Core/QevaManager.h"
#include "QevaStandIn/StandIn.h"
#include "flutter/encodable_value.h"
#include "headless/DartReply.h"
#include "headless/HeadlessEngine.h"

// What the benchmarks share: Dart's messages as bytes, the ads the stand-in serves, and a
// plugin set up on the headless engine against the stand-in SDK.
namespace QevaFlutter::bench {

using flutter::EncodableMap;
using flutter::EncodableValue;

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

EncodableValue Str(const std::string& text);
EncodableValue DartMap(std::vector<std::pair<std::string, EncodableValue>> entries);

// The bytes Dart sends for a call of |method|: what the engine hands to the channel.
std::vector<uint8_t> EncodeCall(const std::string& method, const EncodableValue& arguments);

// The replies Dart expects.
EncodableValue ReadyReply(const std::string& adSpaceId, const std::string& response,
                          const std::string& signature);
EncodableValue RenderReply(bool refreshable);
EncodableValue CommandReply(const std::string& outcome);
// What the display ad hands Dart as its response: its size and markup as one JSON object.
std::string DisplayResponse();

// Empty when |reply| is a success carrying exactly |expected|, else what it is instead.
std::string Mismatch(const headless::DartReply& reply, const EncodableValue& expected);
// The same for the ad error reply.
std::string ErrorMismatch(const headless::DartReply& reply);

// Whether the stand-in journals the SDK calls and keeps the log lines (StandIn::setRecording).
// A real SDK does neither, so the figures that stand for the plugin are taken without.
enum class Recording { on, off };

// A plugin on a headless engine, against a stand-in SDK reset for it: start-up answered,
// renderers registered, log echo off, ad fetches served inside process() (synchronous
// delivery), UUIDs from a seeded source so ids repeat from run to run, and the stand-in's
// recording as |recording| says from then on.
//
// The stand-in is one per process, so only one world may exist at a time; the destructor
// drops the plugin first and then resets the stand-in.
class PluginWorld {
 public:
  explicit PluginWorld(Recording recording = Recording::on);
  ~PluginWorld();

  PluginWorld(const PluginWorld&) = delete;
  PluginWorld& operator=(const PluginWorld&) = delete;

  // Hands a copy of |message| to |channel|'s handler, as the engine hands Dart's bytes; the
  // record fills in when the plugin replies.
  std::shared_ptr<const headless::DartReply> Send(const std::string& channel,
                                                  const std::vector<uint8_t>& message) {
    return engine_->SendBytes(channel, message);
  }

  // "AdRequest" for |tagId|; the new ad space's id. Empty, with |error| set, when the call was
  // not answered with the ready reply (or, for kNoFillTag, the error reply) at once.
  std::string Request(const std::string& tagId, std::string* error);

  // Forgets the stand-in's journal and log lines, which grow with every call.
  void ForgetRecords() const;

  headless::HeadlessEngine& engine() const { return *engine_; }
  QevaFlutterManager& manager() const { return *manager_; }
  QevaStandIn::StandIn& sdk() const { return QevaStandIn::StandIn::Shared(); }
  // The stand-in's ad space kept under |adSpaceId|, or null.
  std::shared_ptr<QevaStandIn::AdSpace> adSpace(const std::string& adSpaceId) const;
  // Whether the start-up call was answered "success".
  bool started() const { return started_; }

 private:
  std::unique_ptr<headless::HeadlessEngine> engine_;
  std::shared_ptr<QevaFlutterManager> manager_;
  bool started_ = false;
};

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

#endif  // QEVA_FLUTTER_BENCH_PLUGINWORLD_H_
