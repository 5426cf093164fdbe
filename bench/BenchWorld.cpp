#include "PluginWorld.h"

#include <flutter/method_call.h>
#include <flutter/standard_method_codec.h>

#include <algorithm>
#include <variant>

#include "Core/QevaFlutterPlugin.h"
#include "Foundation/UUID.h"
#include "QevaAd/QevaAdFlutterDisplay.h"
#include "QevaStandIn/IgnoringAdDelegate.h"

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

EncodableValue Str(const std::string& text) {
  return EncodableValue(text);
}

EncodableValue DartMap(std::vector<std::pair<std::string, EncodableValue>> entries) {
  EncodableMap map;
  for (auto& [key, value] : entries) {
    map.emplace(EncodableValue(key), std::move(value));
  }
  return EncodableValue(std::move(map));
}

std::vector<uint8_t> EncodeCall(const std::string& method, const EncodableValue& arguments) {
  flutter::MethodCall<> call(method, std::make_unique<EncodableValue>(arguments));
  return *flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(call);
}

EncodableValue ReadyReply(const std::string& adSpaceId, const std::string& response,
                          const std::string& signature) {
  return DartMap({{"result", Str("success")},
                  {"adSpaceId", Str(adSpaceId)},
                  {"response", Str(response)},
                  {"signature", Str(signature)}});
}

EncodableValue RenderReply(bool refreshable) {
  return DartMap({{"result", Str("success")}, {"isAdRefreshable", EncodableValue(refreshable)}});
}

EncodableValue CommandReply(const std::string& outcome) {
  return DartMap({{"result", Str(outcome)}});
}

std::string DisplayResponse() {
  return std::string("{\"adSize\":\"320x50\",\"response\":\"") + kDisplayMarkup + "\"}";
}

std::string Mismatch(const headless::DartReply& reply, const EncodableValue& expected) {
  if (reply.kind() == headless::DartReply::Kind::kSuccess && reply.value() == expected &&
      reply.reply_count() == 1) {
    return std::string();
  }
  return "expected success: " + headless::ToString(expected) + ", got " + reply.ToString() + " (" +
         std::to_string(reply.reply_count()) + " replies)";
}

std::string ErrorMismatch(const headless::DartReply& reply) {
  if (reply.kind() == headless::DartReply::Kind::kError && reply.error_code() == "1001" &&
      reply.error_message() == "QevaAd is nil or Ad Response is empty." &&
      reply.error_details().IsNull() && reply.reply_count() == 1) {
    return std::string();
  }
  return "expected the ad error reply, got " + reply.ToString();
}

PluginWorld::PluginWorld(Recording recording) {
  QevaStandIn::StandIn::Reset();
  QevaStandIn::StandIn& sdk = QevaStandIn::StandIn::Shared();
  sdk.logSink().setEcho(false);
  sdk.setInitializationReport(QevaStandIn::InitReport::successAtOnce);
  sdk.setDelivery(QevaStandIn::Delivery::synchronous);
  sdk.inventory().add(kDisplayTag, {"iab.smartphonebanner", kDisplayMarkup, 320, 50, {}});
  sdk.inventory().add(kGAMTag, {"nw.gambanner", kGAMMarkup, std::nullopt, std::nullopt, {}});
  Foundation::UUID::SetByteSource(Foundation::UUID::SeededByteSource(kUuidSeed));

  engine_ = std::make_unique<headless::HeadlessEngine>();
  QevaFlutterPluginRegisterWithRegistrar(engine_->registrar());
  manager_ = QevaFlutterPlugin::ManagerFor(engine_->registrar());
  auto startUp = engine_->CallMethod(
      "QevaManager", "QevaManager",
      DartMap({{"accountId", Str("12")}, {"appId", Str("34")}, {"secretKey", Str("key")}}));
  started_ = Mismatch(*startUp, Str("success")).empty();
  ForgetRecords();
  sdk.setRecording(recording == Recording::on);
}

PluginWorld::~PluginWorld() {
  // The engine's handlers own the manager.
  manager_.reset();
  engine_.reset();
  Foundation::UUID::SetByteSource(nullptr);
  QevaStandIn::StandIn::Reset();
}

std::string PluginWorld::Request(const std::string& tagId, std::string* error) {
  const std::vector<std::string> before = manager_->adSpaceIds();
  auto reply =
      Send(kAdSpaceChannel,
           EncodeCall("AdRequest", DartMap({{"tagId", Str(tagId)}, {"refreshRate", Str("30")}})));
  const std::vector<std::string> after = manager_->adSpaceIds();
  std::string id;
  for (const std::string& candidate : after) {
    if (std::find(before.begin(), before.end(), candidate) == before.end()) {
      id = candidate;
    }
  }
  std::string why;
  if (id.empty() || after.size() != before.size() + 1) {
    why = "\"AdRequest\" for \"" + tagId + "\" kept no new ad space";
  } else if (tagId == kNoFillTag) {
    why = ErrorMismatch(*reply);
  } else if (tagId == kGAMTag) {
    why = Mismatch(*reply, ReadyReply(id, kGAMMarkup, "nw.gambanner"));
  } else {
    why = Mismatch(*reply, ReadyReply(id, DisplayResponse(), "iab.smartphonebanner"));
  }
  if (!why.empty()) {
    if (error != nullptr) {
      *error = why;
    }
    return std::string();
  }
  return id;
}

void PluginWorld::ForgetRecords() const {
  sdk().journal().clear();
  sdk().logSink().clear();
}

std::shared_ptr<QevaStandIn::AdSpace> PluginWorld::adSpace(const std::string& adSpaceId) const {
  return std::dynamic_pointer_cast<QevaStandIn::AdSpace>(manager_->adSpace(adSpaceId));
}

std::shared_ptr<Qeva::QevaAd> PreparedDisplayAd() {
  auto ad = std::make_shared<QevaAdFlutterDisplay>();
  ad->setAdParameters(320, 50);
  ad->prepare(kDisplayMarkup, std::make_shared<QevaStandIn::IgnoringAdDelegate>());
  return ad;
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
    // The id is new with every call: it must be the plugin's newest.
    std::string id;
    if (const auto* map = std::get_if<EncodableMap>(&reply.value())) {
      auto entry = map->find(Str("adSpaceId"));
      if (entry != map->end() && std::holds_alternative<std::string>(entry->second)) {
        id = std::get<std::string>(entry->second);
      }
    }
    if (!world.adSpace(id)) {
      return "the ready reply names no ad space the plugin keeps: " + reply.ToString();
    }
    return Mismatch(reply, ReadyReply(id, DisplayResponse(), "iab.smartphonebanner"));
  };
  return true;
}

bool AdRenderCall(PluginWorld& world, CallCase* call, std::string* error) {
  const std::string id = world.Request(kDisplayTag, error);
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
  const std::string id = world.Request(kGAMTag, error);
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
