#include "BenchWorld.h"

#include <variant>

#include "Foundation/UUID.h"
#include "support/TestAds.h"

namespace QevaFlutter::bench {

// Single quotes only, so that the JSON the display ad wraps it in needs no escapes.
const char kDisplayMarkup[] =
    "<div style='width:320px;height:50px'><a href='https://ads.example.com/click?c=7311&amp;"
    "s=abc123' target='_blank'><img src='https://cdn.example.com/creative/7311/320x50.png' "
    "width='320' height='50' alt='Advertisement'></a><img src='https://ads.example.com/"
    "impression?c=7311&amp;s=abc123' width='1' height='1' style='display:none'></div>";
const char kClickTracker[] = "https://t.example.com/click?c=7311";
const char kGAMMarkup[] =
    "{\"adnetwork_class\":\"gam\",\"adnetwork_params\":{\"adunitid\":\"/6499/example/banner\","
    "\"adsizes\":[\"320x50\"],\"click-url\":[\"https://t.example.com/click?c=7311\"],"
    "\"campaignid\":\"7311\"}}";

namespace {

constexpr uint64_t kUuidSeed = 20240611;

}  // namespace

std::string DisplayResponse() {
  return support::DisplayResponse(kDisplayMarkup);
}

std::unique_ptr<PluginWorld> StockedWorld(Recording recording, bool note_ids) {
  WorldOptions options;
  options.started = true;
  options.recording = recording == Recording::on;
  options.uuid_bytes = Foundation::UUID::SeededByteSource(kUuidSeed);
  options.note_ids = note_ids;
  auto world = std::make_unique<PluginWorld>(std::move(options));
  QevaStandIn::StandIn& sdk = world->sdk();
  sdk.setDelivery(QevaStandIn::Delivery::synchronous);
  sdk.inventory().add(kDisplayTag, {"iab.smartphonebanner", kDisplayMarkup, 320, 50, {}});
  sdk.inventory().add(kGAMTag, {"nw.gambanner", kGAMMarkup, std::nullopt, std::nullopt, {}});
  return world;
}

std::string RequestServed(PluginWorld& world, const std::string& tagId, std::string* error) {
  const PluginWorld::Requested requested = world.Request(tagId, "30");
  const std::string& id = requested.id;
  std::string why;
  if (id.empty() || !requested.adSpace) {
    why = "\"AdRequest\" for \"" + tagId + "\" made no new ad space";
  } else if (tagId == kNoFillTag) {
    why = ErrorMismatch(*requested.reply);
  } else if (tagId == kGAMTag) {
    why = Mismatch(*requested.reply, ReadyReply(id, kGAMMarkup, "nw.gambanner"));
  } else {
    why = Mismatch(*requested.reply, ReadyReply(id, DisplayResponse(), "iab.smartphonebanner"));
  }
  if (!why.empty()) {
    if (error != nullptr) {
      *error = why;
    }
    return std::string();
  }
  return id;
}

std::shared_ptr<Qeva::QevaAd> PreparedDisplayAd() {
  return DisplayAd(kDisplayMarkup);
}

bool UserCall(PluginWorld& /*world*/, CallCase* call, std::string* /*error*/) {
  call->channel = kUserChannel;
  call->request = EncodeCall(
      "QevaUser", DartMap({{"id", Str("user-4711")},
                           {"gender", Str("female")},
                           {"age", Str("34")},
                           {"city", Str("Berlin")},
                           {"region", Str("Berlin")},
                           {"country", Str("DE")},
                           {"zipCode", Str("10115")},
                           {"keywords", EncodableValue(flutter::EncodableList{
                                            Str("news"), Str("sports"), Str("weather")})}}));
  call->check = [](const PluginWorld&, const headless::DartReply& reply) {
    return Mismatch(reply, Str("success"));
  };
  return true;
}

bool AdRequestCall(PluginWorld& /*world*/, CallCase* call, std::string* /*error*/) {
  call->channel = kAdSpaceChannel;
  call->request =
      EncodeCall("AdRequest", DartMap({{"tagId", Str(kDisplayTag)}, {"refreshRate", Str("30")}}));
  call->check = [](const PluginWorld& world, const headless::DartReply& reply) {
    // The id is new with every call: it must be the one the plugin made last.
    const std::vector<std::string> ids = world.adSpaceIds();
    return Mismatch(reply, ReadyReply(ids.empty() ? std::string() : ids.back(), DisplayResponse(),
                                      "iab.smartphonebanner"));
  };
  return true;
}

bool AdRenderCall(PluginWorld& world, CallCase* call, std::string* error) {
  const std::string id = RequestServed(world, kDisplayTag, error);
  if (id.empty()) {
    return false;
  }
  call->channel = kAdSpaceChannel;
  call->request = EncodeCall("AdRender", DartMap({{"adSpaceId", Str(id)}}));
  call->check = [](const PluginWorld&, const headless::DartReply& reply) {
    return Mismatch(reply, RenderReply(true));
  };
  return true;
}

bool AdClickCall(PluginWorld& world, CallCase* call, std::string* error) {
  world.sdk().setTrackerTransport([](const QevaStandIn::TrackerRequest&) {});
  const std::string id = RequestServed(world, kGAMTag, error);
  if (id.empty()) {
    return false;
  }
  call->channel = kAdSpaceChannel;
  call->request = EncodeCall(
      "AdClick",
      DartMap({{"adSpaceId", Str(id)}, {"clickUrl", Str("https://example.com/landing")}}));
  call->check = [](const PluginWorld& world, const headless::DartReply& reply) {
    // Each click fires the banner's one tracker through a new tracker object.
    const auto& fired = world.sdk().trackerRequests();
    const QevaStandIn::TrackerRequest expected{"click", kClickTracker, fired.size()};
    if (fired.empty() || fired.back() != expected) {
      return "the click tracker was not fired as " + expected.ToString();
    }
    return Mismatch(reply, CommandReply("success"));
  };
  return true;
}

}  // namespace QevaFlutter::bench
