#ifndef QEVA_FLUTTER_TESTS_CORE_COREFIXTURE_H_
#define QEVA_FLUTTER_TESTS_CORE_COREFIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Core/QevaFlutterManager.h"
#include "QevaStandIn/FixedFlutterAd.h"
#include "flutter/encodable_value.h"
#include "support/DartValues.h"
#include "support/PluginWorld.h"
#include "support/TestAds.h"

namespace QevaFlutter::testing {

using support::CommandReply;
using support::DartMap;
using support::EncodableMap;
using support::EncodableValue;
using support::Entries;
using support::ReadyReply;
using support::RenderReply;
using support::Reply;
using support::Str;
using support::Strings;

EncodableValue DartList(std::vector<EncodableValue> items);

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
// nowhere) and an ad that Flutter does not draw; QevaStandIn::FixedFlutterAd is a Flutter ad of
// neither plugin class.
inline std::shared_ptr<Qeva::QevaAd> DisplayAd() {
  return support::DisplayAd("<div>ad</div>");
}
std::shared_ptr<Qeva::QevaAd> GAMBanner(const std::string& markup);
std::shared_ptr<Qeva::QevaAd> NativeAd();
// What DisplayAd() hands to Dart.
inline std::string DisplayResponse() {
  return support::DisplayResponse("<div>ad</div>");
}

// The plugin registered on the headless engine against the stand-in SDK (reset for each test),
// spoken to in Dart's bytes.
class CoreTest : public ::testing::Test {
 protected:
  using Requested = support::PluginWorld::Requested;

  Reply Call(const std::string& channel, const std::string& method,
             const EncodableValue& arguments) {
    return world_.Call(channel, method, arguments);
  }
  Reply Command(const std::string& method, const std::string& id, Entries more = {}) {
    return world_.Command(method, id, std::move(more));
  }
  Requested Request(const std::string& tagId = "home", const std::string& refreshRate = "0") {
    return world_.Request(tagId, refreshRate);
  }
  // "AdRequest" answered by a hand-fired ready event delivering |ad|.
  Requested Delivered(std::shared_ptr<Qeva::QevaAd> ad);

  std::shared_ptr<QevaFlutterManager> manager() const { return world_.manager().lock(); }
  QevaStandIn::StandIn& sdk() const { return world_.sdk(); }
  // The core's log lines as LogLine() gives them; the renderers' are left out.
  Strings CoreLog() const;
  Strings Commands() const { return sdk().journal().commandLines(); }
  void ClearRecords() const { world_.ForgetRecords(); }
  // The last |count| records of the manager's reply ledger, as text without their numbers.
  Strings Ledger(size_t count) const;
  // The calls the manager keeps, as the ledger has them: to check that a call changed nothing.
  Strings KeptCalls() const;
  std::string ManagerName() const { return manager()->description(); }
  static std::string RootViewController();

  support::PluginWorld world_;
};

}  // namespace QevaFlutter::testing

#endif  // QEVA_FLUTTER_TESTS_CORE_COREFIXTURE_H_
