#ifndef QEVA_FLUTTER_TESTS_CORE_COREFIXTURE_H_
#define QEVA_FLUTTER_TESTS_CORE_COREFIXTURE_H_

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Core/QevaFlutterManager.h"
#include "QevaStandIn/StandIn.h"
#include "flutter/encodable_value.h"
#include "headless/HeadlessEngine.h"

namespace QevaFlutter::testing {

using flutter::EncodableMap;
using flutter::EncodableValue;
using Strings = std::vector<std::string>;
using Entries = std::vector<std::pair<std::string, EncodableValue>>;
using Reply = std::shared_ptr<const headless::DartReply>;

// Dart values and the plugin's replies.
inline EncodableValue Str(const std::string& text) {
  return EncodableValue(text);
}
EncodableValue DartMap(Entries entries);
EncodableValue DartList(std::vector<EncodableValue> items);
EncodableValue CommandReply(const std::string& outcome);
EncodableValue RenderReply(bool refreshable);
EncodableValue ReadyReply(const std::string& id, const std::string& response,
                          const std::string& signature);

// An info line of the core's log as CoreLog() lists it: its function text and its message.
std::string LogLine(const std::string& function, const std::string& message);

// The ad-space ids of the calls that |ledger| has as pending on "QevaAdSpace", in id order.
Strings PendingIds(const ReplyLedger& ledger);

// What Dart got: exactly one success |expected|, the ad error, or nothing yet.
::testing::AssertionResult Answered(const headless::DartReply& reply,
                                    const EncodableValue& expected);
::testing::AssertionResult AnsweredAdError(const headless::DartReply& reply);
::testing::AssertionResult Unanswered(const headless::DartReply& reply);

// Ads for hand-fired events: the plugin's renderers prepared by hand (their reports go
// nowhere), a Flutter ad of neither plugin class, and an ad that Flutter does not draw.
std::shared_ptr<Qeva::QevaAd> DisplayAd(const std::string& markup = "<div>ad</div>");
std::shared_ptr<Qeva::QevaAd> GAMBanner(const std::string& markup);
std::shared_ptr<Qeva::QevaAd> ForeignFlutterAd(std::optional<std::string> response);
std::shared_ptr<Qeva::QevaAd> NativeAd();
// What DisplayAd() hands to Dart: its markup with the size 320x50.
std::string DisplayResponse(const std::string& markup = "<div>ad</div>");

// A messenger over the headless engine that runs a hook right after each reply has reached
// Dart: Dart code that reacts to a reply before the plugin's event has returned.
class ReplyHookMessenger : public flutter::BinaryMessenger {
 public:
  explicit ReplyHookMessenger(headless::HeadlessEngine* engine) : engine_(engine) {}
  void Send(const std::string& channel, const uint8_t* message, size_t message_size,
            flutter::BinaryReply reply) const override;
  void SetMessageHandler(const std::string& channel,
                         flutter::BinaryMessageHandler handler) override;
  void SetHook(std::function<void()> hook) { *hook_ = std::move(hook); }

 private:
  headless::HeadlessEngine* engine_;  // Not owned; outlives this messenger's handlers.
  std::shared_ptr<std::function<void()>> hook_ = std::make_shared<std::function<void()>>();
};

// Owns the stand-in SDK (reset for each test), the headless engine and the manager on it, and
// speaks to the manager in Dart's bytes.
class CoreTest : public ::testing::Test {
 protected:
  struct Requested {
    std::string id;
    Reply reply;
    std::shared_ptr<QevaStandIn::AdSpace> adSpace;
  };

  CoreTest();

  Reply Call(const std::string& channel, const std::string& method,
             const EncodableValue& arguments) {
    return engine_->CallMethod(channel, method, arguments);
  }
  // A "QevaAdSpace" command with "adSpaceId" |id| and |more|.
  Reply Command(const std::string& method, const std::string& id, Entries more = {});
  // "AdRequest"; the id is the one the manager added.
  Requested Request(const std::string& tagId = "home", const std::string& refreshRate = "0");
  // "AdRequest" answered by a hand-fired ready event delivering |ad|.
  Requested Delivered(std::shared_ptr<Qeva::QevaAd> ad);

  QevaStandIn::StandIn& sdk() const { return stand_in_.sdk(); }
  // The core's log lines as LogLine() gives them; the renderers' are left out.
  Strings CoreLog() const;
  Strings Commands() const { return sdk().journal().commandLines(); }
  void ClearRecords() const;
  // The last |count| records of the manager's reply ledger, as text without their numbers.
  Strings Ledger(size_t count) const;
  // The calls the manager keeps, as the ledger has them: to check that a call changed nothing.
  Strings KeptCalls() const;
  std::string ManagerName() const { return manager_->description(); }
  static std::string RootViewController();

  // Declared first: the stand-in outlives the plugin objects below.
  QevaStandIn::StandInScope stand_in_;
  std::unique_ptr<headless::HeadlessEngine> engine_;
  std::shared_ptr<QevaFlutterManager> manager_;
};

}  // namespace QevaFlutter::testing

#endif  // QEVA_FLUTTER_TESTS_CORE_COREFIXTURE_H_
