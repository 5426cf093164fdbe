// The five channels of a live manager, on the headless engine and the stand-in SDK, driven by
// a script (ChannelScript.h). After every input: no call was answered twice, every reply is a
// well-formed envelope, a call that decodes never gets the not-implemented reply and one that
// does not decode gets nothing else, a call the channel does not take is neither answered nor
// seen by the SDK or the log, the only error reply is the ad error, and the plugin never sent
// Dart a message of its own. The manager then goes away while the SDK still has work
// queued, which must not reach it.

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "ChannelScript.h"
#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "QevaStandIn/StandIn.h"
#include "UIKit/UIKit.h"
#include "flutter/encodable_value.h"
#include "flutter/method_call.h"
#include "flutter/standard_method_codec.h"
#include "support/DartValues.h"
#include "support/PluginWorld.h"

namespace qeva_fuzz::channels {

namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;
using headless::DartReply;
using QevaStandIn::InventoryAd;
using Bytes = std::vector<uint8_t>;

// Enough steps for start-up, a few requests and their commands; more only makes slow inputs.
constexpr int kMaxSteps = 64;
// After the manager is gone: long enough for every refresh timer and click-through to fire.
constexpr int64_t kAfterlifeMs = 60 * 1000;

// The ads every input starts with: each renderer class, a fallback chain, markup that is not
// UTF-8, a signature nobody claims, and a tag the SDK refuses.
void StockInventory(QevaStandIn::StandIn& sdk) {
  static const auto* const kAds = new std::vector<std::pair<std::string, InventoryAd>>{
      {"home", {"iab.smartphonebanner", "<div>ad</div>", 320, 50, {}}},
      {"rect", {"iab.mediumrectangle", "<p>\xff\xfe</p>", std::nullopt, std::nullopt, {}}},
      {"gam",
       {"nw.gambanner",
        R"({"adnetwork_class":"gam","adnetwork_params":{"click-url":["https://t.example/c"]}})",
        std::nullopt,
        std::nullopt,
        {{"nw.admobbanner", R"({"adnetwork_class":"admob"})", std::nullopt, std::nullopt, {}},
         {"iab.smartphonebanner", "<b>last</b>", 300, 250, {}}}}},
      {"bad", {"x.unclaimed", "", std::nullopt, std::nullopt, {}}},
  };
  for (const auto& [tag, ad] : *kAds) {
    sdk.inventory().add(tag, ad);
  }
  sdk.refuseTagId("refused");
}

// The message of a kAdSpaceCallWithId step: |message| with an integer "adSpaceId" replaced by
// one of |ids|; anything else goes as it came.
Bytes SubstituteId(const Bytes& message, const std::vector<std::string>& ids) {
  const flutter::StandardMethodCodec& codec = flutter::StandardMethodCodec::GetInstance();
  std::unique_ptr<flutter::MethodCall<>> call = codec.DecodeMethodCall(message);
  if (!call || ids.empty()) {
    return message;
  }
  const auto* arguments = std::get_if<EncodableMap>(call->arguments());
  if (arguments == nullptr) {
    return message;
  }
  const EncodableValue key("adSpaceId");
  auto entry = arguments->find(key);
  if (entry == arguments->end() || !(std::holds_alternative<int32_t>(entry->second) ||
                                     std::holds_alternative<int64_t>(entry->second))) {
    return message;
  }
  EncodableMap replaced = *arguments;
  const uint64_t index = static_cast<uint64_t>(entry->second.LongValue()) % ids.size();
  replaced[key] = EncodableValue(ids[index]);
  flutter::MethodCall<> substituted(call->method_name(),
                                    std::make_unique<EncodableValue>(std::move(replaced)));
  return *codec.EncodeMethodCall(substituted);
}

void ApplyControl(QevaStandIn::StandIn& sdk, uint8_t choice) {
  using QevaStandIn::Delivery;
  using QevaStandIn::InitReport;
  switch (static_cast<Control>(choice % kControlCount)) {
    case kFailNextLoad:
      sdk.failNextLoad();
      break;
    case kSynchronousDelivery:
      sdk.setDelivery(Delivery::synchronous);
      break;
    case kPostedDelivery:
      sdk.setDelivery(Delivery::posted);
      break;
    case kInitSuccessAtOnce:
      sdk.setInitializationReport(InitReport::successAtOnce);
      break;
    case kInitFailureAtOnce:
      sdk.setInitializationReport(InitReport::failureAtOnce);
      break;
    case kInitFailureLater:
      sdk.setInitializationReport(InitReport::failureLater);
      break;
    case kInitNever:
      sdk.setInitializationReport(InitReport::never);
      break;
    case kReportInitSuccess:
      sdk.reportInitializationSuccess();
      break;
    case kReportInitFailure:
      sdk.reportInitializationFailure();
      break;
    case kFinishClickThrough:
      if (QevaStandIn::ClickThrough* click_through = sdk.lastClickThrough()) {
        click_through->finishNow();
      }
      break;
    case kReuseLastAdSpace:
      if (auto ad_space = sdk.lastAdSpace()) {
        sdk.reuseAdSpaceForNextCreate(std::move(ad_space));
      }
      break;
    case kToggleClickThroughSimulation:
      sdk.setClickThroughSimulation(!sdk.clickThroughSimulation());
      break;
    case kSlowFetch:
      sdk.setFetchDelayMs(1000);
      break;
    case kFastFetch:
      sdk.setFetchDelayMs(0);
      break;
    case kRemoveAppDelegate:
      UIKit::UIApplication::sharedApplication().setDelegate(nullptr);
      break;
    case kControlCount:
      break;
  }
}

// One message sent and what Dart got back for it.
struct Sent {
  std::string channel;
  Bytes message;
  std::shared_ptr<const DartReply> reply;
  // Whether the SDK saw a call or the log a line while the message was handled.
  bool reached_sdk = false;
};

// Whether the plugin takes |call| on |channel| at all: a method name of the channel and
// arguments that are a map with string keys (with string values, too, for the start-up).
// Anything else is to be left unanswered without a trace.
bool Accepted(const std::string& channel, const flutter::MethodCall<>& call) {
  static const char* const kAdSpaceMethods[] = {"AdRequest", "AdRender",   "AdRefresh",
                                                "AdClick",   "FallbackAd", "AdPause"};
  bool method_known = call.method_name() == channel;
  if (channel == "QevaAdSpace") {
    method_known = false;
    for (const char* method : kAdSpaceMethods) {
      method_known = method_known || call.method_name() == method;
    }
  }
  const auto* arguments = std::get_if<EncodableMap>(call.arguments());
  if (!method_known || arguments == nullptr) {
    return false;
  }
  for (const auto& [key, value] : *arguments) {
    if (!std::holds_alternative<std::string>(key) ||
        (channel == "QevaManager" && !std::holds_alternative<std::string>(value))) {
      return false;
    }
  }
  return true;
}

void CheckReply(const Sent& sent) {
  const DartReply& reply = *sent.reply;
  // The message and the reply are only put into words for a broken property.
  auto expect = [&sent, &reply](bool holds, const char* what) {
    if (!holds) {
      Check(false, std::string(what) + " (" + sent.channel + " message " +
                       Hex(sent.message.data(), sent.message.size()) + ": " + reply.ToString() +
                       ", " + std::to_string(reply.reply_count()) + " replies)");
    }
  };
  expect(reply.reply_count() <= 1, "a call was answered more than once");
  expect(reply.kind() != DartReply::Kind::kUndecodable, "a reply is no envelope");
  std::unique_ptr<flutter::MethodCall<>> call =
      flutter::StandardMethodCodec::GetInstance().DecodeMethodCall(sent.message);
  if (call) {
    expect(reply.kind() != DartReply::Kind::kNotImplemented,
           "a call that decodes got the not-implemented reply");
    if (!Accepted(sent.channel, *call)) {
      expect(!reply.answered(), "a call the channel does not take was answered");
      expect(!sent.reached_sdk, "a call the channel does not take reached the SDK or the log");
    }
  } else {
    expect(reply.kind() == DartReply::Kind::kNotImplemented,
           "a message that is no call got a reply other than not-implemented");
    expect(!sent.reached_sdk, "a message that is no call reached the SDK or the log");
  }
  if (reply.kind() == DartReply::Kind::kError) {
    expect(reply.error_code() == QevaFlutter::support::kAdErrorCode &&
               reply.error_message() == QevaFlutter::support::kAdErrorMessage &&
               reply.error_details().IsNull(),
           "an error reply other than the ad error");
  }
}

}  // namespace

int FuzzOne(const uint8_t* data, size_t size) {
  // Ad-space ids from a fixed seed, so that an input replays the same way every time.
  QevaFlutter::support::PluginWorld world;
  QevaStandIn::StandIn& sdk = world.sdk();
  StockInventory(sdk);
  std::weak_ptr<QevaFlutter::QevaFlutterManager> manager = world.manager();
  std::vector<Sent> sent;
  auto send = [&](const char* channel, Bytes message) {
    const size_t calls = sdk.journal().entries().size();
    const size_t lines = sdk.logSink().lines().size();
    std::shared_ptr<const DartReply> reply = world.Send(channel, message);
    const bool reached_sdk =
        sdk.journal().entries().size() != calls || sdk.logSink().lines().size() != lines;
    sent.push_back({channel, std::move(message), std::move(reply), reached_sdk});
  };

  ScriptReader script(data, size);
  for (int step = 0; step < kMaxSteps && !script.done(); ++step) {
    const uint8_t op = script.Byte() % kStepCount;
    switch (op) {
      case kRawToManager:
      case kRawToApplication:
      case kRawToUser:
      case kRawToDevice:
      case kRawToAdSpace:
        send(kChannels[op - kRawToManager], script.Blob());
        break;
      case kAdSpaceCallWithId: {
        Bytes message = script.Blob();
        // In id order, the order the plugin keeps them in, so that kept inputs replay as they
        // were found.
        std::vector<std::string> ids = world.adSpaceIds();
        std::sort(ids.begin(), ids.end());
        send("QevaAdSpace", SubstituteId(message, ids));
        break;
      }
      case kDrain:
        sdk.runLoop().runUntilIdle();
        break;
      case kAdvance:
        sdk.runLoop().advanceBy(script.Byte() * kAdvanceUnitMs);
        break;
      case kSdkEvent: {
        const uint8_t choice = script.Byte();
        if (sdk.adSpaceCount() > 0) {
          if (auto ad_space = sdk.adSpace(1 + (choice / 6) % sdk.adSpaceCount())) {
            ad_space->fireEvent(static_cast<QevaStandIn::AdEvent>(choice % 6));
          }
        }
        break;
      }
      case kSdkControl:
        ApplyControl(sdk, script.Byte());
        break;
      case kInventoryAd: {
        InventoryAd ad;
        ad.signature = kSignatures[script.Byte() % kSignatureCount];
        if (uint8_t width = script.Byte()) {
          ad.width = width;
        }
        if (uint8_t height = script.Byte()) {
          ad.height = height;
        }
        Bytes markup = script.Blob();
        ad.markup.assign(markup.begin(), markup.end());
        sdk.inventory().add(kFuzzTag, std::move(ad));
        break;
      }
    }
  }
  sdk.runLoop().runUntilIdle();

  for (const Sent& one : sent) {
    CheckReply(one);
  }
  Check(world.engine().sent_messages().empty(), "the plugin sent Dart a message of its own");

  // The engine takes the handlers, and with them the manager, along; what the SDK still has
  // queued must find it gone.
  world.ShutDown();
  Check(manager.expired(), "the manager outlived the engine that held its handlers");
  sdk.runLoop().runUntilIdle();
  sdk.runLoop().advanceBy(kAfterlifeMs);
  for (const Sent& one : sent) {
    Check(one.reply->reply_count() <= 1, "a call was answered again after the engine was gone");
  }
  return 0;
}

}  // namespace qeva_fuzz::channels
