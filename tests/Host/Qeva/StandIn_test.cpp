// The stand-in's controls, records and reset, and the interface values it defines.
#include "QevaStandIn/StandIn.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FakeAds.h"
#include "Qeva/Qeva.h"
#include "QevaStandIn/IgnoringAdDelegate.h"
#include "UIKit/UIKit.h"

namespace QevaStandIn {
namespace {

using fakes::Ad;
using fakes::RecordingAdEvents;
using fakes::RequestAd;
using Strings = std::vector<std::string>;

std::string Description(Qeva::QevaSDKError::Code code) {
  return Qeva::QevaSDKError(code).description();
}

class InitRecorder final : public Qeva::InitializationStatusDelegate {
 public:
  void onSuccess() override { reports.push_back("success"); }
  void onFailure(const Qeva::QevaError& error) override {
    reports.push_back("failure " + error.description());
  }
  Strings reports;
};

class CtaRecorder final : public Qeva::QevaCTAHandlerEvents {
 public:
  void onSuccessRedirect(Qeva::QevaCTAaction action) override {
    reports.push_back(action == Qeva::QevaCTAaction::openedInEmbeddedBrowser   ? "success embedded"
                      : action == Qeva::QevaCTAaction::openedInExternalBrowser ? "success external"
                                                                               : "success app");
  }
  void onFailureRedirect(const Qeva::QevaError& error) override {
    reports.push_back("failure " + error.description());
  }
  void onCompleteCTA() override { reports.push_back("complete"); }
  Strings reports;
};

class StandInTest : public ::testing::Test {
 protected:
  StandInScope scope_;
  StandIn& sdk_ = scope_.sdk();
};

TEST_F(StandInTest, InitializationIsReportedAsConfigured) {
  const std::string failure =
      "failure " + Description(Qeva::QevaSDKError::Code::initializationFailed);
  struct Row {
    const char* name;
    InitReport report;
    Strings inside_initialize;
    Strings after_drain;
  };
  const std::vector<Row> rows = {
      {"success later", InitReport::successLater, {}, {"success"}},
      {"success at once", InitReport::successAtOnce, {"success"}, {"success"}},
      {"failure later", InitReport::failureLater, {}, {failure}},
      {"failure at once", InitReport::failureAtOnce, {failure}, {failure}},
      {"never", InitReport::never, {}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StandIn::Reset();
    sdk_.logSink().setEcho(false);
    sdk_.setInitializationReport(row.report);
    auto delegate = std::make_shared<InitRecorder>();

    Qeva::QevaManager::shared().initialize(1, -2, "secret", delegate);
    EXPECT_EQ(delegate->reports, row.inside_initialize);
    sdk_.runLoop().runUntilIdle();
    EXPECT_EQ(delegate->reports, row.after_drain);
  }
}

TEST_F(StandInTest, InitializationCanBeReportedAgainByHandToTheLatestDelegate) {
  auto first = std::make_shared<InitRecorder>();
  auto second = std::make_shared<InitRecorder>();
  sdk_.setInitializationReport(InitReport::never);
  Qeva::QevaManager::shared().initialize(1, 2, "k", first);
  Qeva::QevaManager::shared().initialize(1, 2, "k", second);

  sdk_.reportInitializationSuccess();
  sdk_.reportInitializationSuccess();
  sdk_.reportInitializationFailure(Qeva::QevaSDKError(Qeva::QevaSDKError::Code::noFill));
  second.reset();
  sdk_.reportInitializationFailure();

  EXPECT_TRUE(first->reports.empty());
  EXPECT_EQ(sdk_.journal().callbackLines(),
            (Strings{"initDelegate.onSuccess()", "initDelegate.onSuccess()",
                     "initDelegate.onFailure(error: \"" +
                         Description(Qeva::QevaSDKError::Code::noFill) + "\")",
                     "initDelegate.onFailure(error: \"" +
                         Description(Qeva::QevaSDKError::Code::initializationFailed) +
                         "\") -> no delegate"}));
}

TEST_F(StandInTest, AdSpaceCreationObeysRefusalAndReuse) {
  Qeva::QevaManager& manager = Qeva::QevaManager::shared();
  sdk_.refuseTagId("refused");

  auto first = manager.createQevaAdSpace("a");
  EXPECT_EQ(manager.createQevaAdSpace("refused"), nullptr);
  sdk_.reuseAdSpaceForNextCreate(sdk_.adSpace(1));
  auto again = manager.createQevaAdSpace("b");
  auto second = manager.createQevaAdSpace("");

  EXPECT_EQ(again, first);
  EXPECT_EQ(sdk_.adSpaceCount(), 2u);
  EXPECT_EQ(sdk_.lastAdSpace(), second);
  EXPECT_EQ(first->description(), "<Qeva.QevaAdSpace: 4>");
  EXPECT_EQ(second->description(), "<Qeva.QevaAdSpace: 5>");
  EXPECT_EQ(sdk_.journal().commandLines(),
            (Strings{"manager.createQevaAdSpace(tagId: \"a\") -> adSpace#1",
                     "manager.createQevaAdSpace(tagId: \"refused\") -> nil",
                     "manager.createQevaAdSpace(tagId: \"b\") -> adSpace#1",
                     "manager.createQevaAdSpace(tagId: \"\") -> adSpace#2"}));
}

TEST_F(StandInTest, HandFiredEventsReachTheDelegateWithTheHeldAd) {
  auto events = std::make_shared<RecordingAdEvents>();
  EXPECT_EQ(sdk_.adSpace(0), nullptr);
  auto made = Qeva::QevaManager::shared().createQevaAdSpace("tag");
  made->setAdEventDelegate(events);
  std::shared_ptr<AdSpace> space = sdk_.adSpace(1);
  EXPECT_EQ(space, made);
  auto fake = std::make_shared<fakes::DisplayFake>();
  Qeva::QevaSDKError custom(Qeva::QevaSDKError::Code::redirectFailed);

  space->fireAdReady();
  space->setQevaAd(fake);
  fake->prepare("held", std::make_shared<QevaStandIn::IgnoringAdDelegate>());
  space->fireAdRender();
  space->fireAdRefresh();
  space->fireAdError(custom);
  space->fireEvent(AdEvent::error);
  space->fireAdClick();
  space->fireAdClose();

  EXPECT_EQ(events->events, (Strings{"ready (no ad)", "render held", "refresh held",
                                     "error " + custom.description(),
                                     "error " + Description(Qeva::QevaSDKError::Code::noFill),
                                     "click held", "close held"}));
}

TEST_F(StandInTest, HeldAdAndRefreshableFlagAreWhatTheTestSet) {
  auto space =
      std::dynamic_pointer_cast<AdSpace>(Qeva::QevaManager::shared().createQevaAdSpace("t"));
  auto fake = std::make_shared<fakes::BannerFake>();

  space->setQevaAd(fake);
  space->setRefreshable(true);
  const bool forced_on = space->isQevaAdSpaceRefreshable();
  space->setRefreshInterval(30);
  space->setRefreshable(false);
  const bool forced_off = space->isQevaAdSpaceRefreshable();
  space->setRefreshable(std::nullopt);

  EXPECT_EQ(space->getQevaAd(), fake);
  EXPECT_TRUE(forced_on);
  EXPECT_FALSE(forced_off);
  EXPECT_TRUE(space->isQevaAdSpaceRefreshable());
  EXPECT_FALSE(space->refreshTimerActive());  // A hand-set ad starts no refresh.
  EXPECT_EQ(sdk_.journal().entries(JournalEntry::Kind::query),
            (std::vector<JournalEntry>{
                {JournalEntry::Kind::query, "adSpace#1", "isQevaAdSpaceRefreshable", {}, "true"},
                {JournalEntry::Kind::query, "adSpace#1", "isQevaAdSpaceRefreshable", {}, "false"},
                {JournalEntry::Kind::query, "adSpace#1", "getQevaAd", {}, "<Test.BannerFake: 5>"},
                {JournalEntry::Kind::query, "adSpace#1", "isQevaAdSpaceRefreshable", {}, "true"},
            }));
}

TEST_F(StandInTest, ClickThroughSimulationReportsOnItsOwnAfterTheHandlerIsGone) {
  struct Row {
    const char* name;
    Strings urls;
    Qeva::AdClickBrowser browser;
    Strings at_once;
    Strings after_delay;
  };
  const std::string failed = "failure " + Description(Qeva::QevaSDKError::Code::redirectFailed);
  const std::vector<Row> rows = {
      {"embedded",
       {"https://x.test/a"},
       Qeva::AdClickBrowser::embedded,
       {"success embedded"},
       {"success embedded", "complete"}},
      {"external",
       {"https://x.test/a"},
       Qeva::AdClickBrowser::external,
       {"success external"},
       {"success external", "complete"}},
      {"first openable url wins",
       {"", "no scheme", "myapp:open"},
       Qeva::AdClickBrowser::embedded,
       {"success embedded"},
       {"success embedded", "complete"}},
      {"empty url", {""}, Qeva::AdClickBrowser::embedded, {failed}, {failed}},
      {"no urls", {}, Qeva::AdClickBrowser::embedded, {failed}, {failed}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StandIn::Reset();
    sdk_.logSink().setEcho(false);
    sdk_.setClickThroughCompleteDelayMs(500);
    auto delegate = std::make_shared<CtaRecorder>();
    {
      Qeva::QevaCTAHandler handler(row.urls, std::make_shared<UIKit::UIViewController>(), delegate,
                                   row.browser);
      handler.open();
    }
    EXPECT_TRUE(delegate->reports.empty());

    sdk_.runLoop().runUntilIdle();
    EXPECT_EQ(delegate->reports, row.at_once);
    sdk_.runLoop().advanceBy(499);
    EXPECT_EQ(delegate->reports, row.at_once);
    sdk_.runLoop().advanceBy(1);
    EXPECT_EQ(delegate->reports, row.after_delay);
  }
}

TEST_F(StandInTest, ClickThroughIsJournaledAndCanBeFinishedOrReportedByHand) {
  auto delegate = std::make_shared<CtaRecorder>();
  auto root = UIKit::UIApplication::sharedApplication().delegate()->window()->rootViewController();
  Qeva::QevaCTAHandler first({"https://a.test"}, root, delegate, Qeva::AdClickBrowser::embedded);
  first.open();
  first.open();
  sdk_.lastClickThrough()->finishNow();
  sdk_.runLoop().advanceBy(10000);
  sdk_.setClickThroughSimulation(false);
  Qeva::QevaCTAHandler second({"https://b.test"}, nullptr, delegate,
                              Qeva::AdClickBrowser::external);
  second.open();
  sdk_.runLoop().advanceBy(10000);
  ClickThrough* manual = sdk_.clickThrough(2);
  manual->reportFailureRedirect(Qeva::QevaSDKError(Qeva::QevaSDKError::Code::noFill));
  manual->reportSuccessRedirect(Qeva::QevaCTAaction::openedInApp);
  manual->reportComplete();

  EXPECT_EQ(delegate->reports, (Strings{"success embedded", "complete",
                                        "failure " + Description(Qeva::QevaSDKError::Code::noFill),
                                        "success app", "complete"}));
  EXPECT_EQ(sdk_.clickThrough(1)->openCount(), 2);
  EXPECT_FALSE(sdk_.clickThrough(1)->hasPendingReports());
  EXPECT_EQ(sdk_.journal().commandLines(),
            (Strings{"QevaCTAHandler.init(urls: [\"https://a.test\"], viewControllerToPresent: "
                     "<UIKit.UIViewController: 2>, delegate: <object>, adClickBrowser: "
                     ".embedded) -> ctaHandler#1",
                     "ctaHandler#1.open()", "ctaHandler#1.open()",
                     "QevaCTAHandler.init(urls: [\"https://b.test\"], viewControllerToPresent: "
                     "nil, delegate: <object>, adClickBrowser: .external) -> ctaHandler#2",
                     "ctaHandler#2.open()"}));
}

TEST_F(StandInTest, TrackerRequestsEveryUrlOfTheFiredNameInOrder) {
  Strings sent;
  sdk_.setTrackerTransport(
      [&sent](const TrackerRequest& request) { sent.push_back(request.ToString()); });
  Qeva::QevaTracker unused;
  Qeva::QevaTracker tracker;
  tracker.addEvent(Qeva::QevaEvent(Qeva::rawValue(Qeva::QevaVastEvent::click), {"u1", "u2"}));
  tracker.addEvent(Qeva::QevaEvent("impression", {"i1"}));
  tracker.addEvent(Qeva::QevaEvent("click", {"u3"}));

  tracker.fireNotification("click");
  tracker.fireNotification("start");

  EXPECT_EQ(
      sdk_.trackerRequests(),
      (std::vector<TrackerRequest>{{"click", "u1", 2}, {"click", "u2", 2}, {"click", "u3", 2}}));
  EXPECT_EQ(sent, (Strings{"tracker#2 click u1", "tracker#2 click u2", "tracker#2 click u3"}));
  EXPECT_EQ(
      sdk_.journal().commandLinesAbout("tracker#2"),
      (Strings{"tracker#2.addEvent(event: QevaEvent(name: \"click\", httpUrls: [\"u1\", \"u2\"]))",
               "tracker#2.addEvent(event: QevaEvent(name: \"impression\", httpUrls: [\"i1\"]))",
               "tracker#2.addEvent(event: QevaEvent(name: \"click\", httpUrls: [\"u3\"]))",
               "tracker#2.fireNotification(eventName: \"click\")",
               "tracker#2.fireNotification(eventName: \"start\")"}));
}

TEST_F(StandInTest, TargetingSettersAreJournaledAndKeptInTheJournalsTextForm) {
  Qeva::QevaManager& manager = Qeva::QevaManager::shared();
  auto user = manager.getQevaUser();
  user->setId("a\"b\\c\nd\te\x01");
  user->setKeywords({});
  user->setAge("");
  auto device = manager.getQevaDevice();
  device->setConnectionType(Qeva::ConnectionType::wifi);
  device->setDeviceType(Qeva::DeviceType::phone);
  device->setPlatform(-3);
  auto application = manager.getQevaApplication();
  application->setPageCategory(
      {Qeva::QevaPages::artsEntertainment, Qeva::QevaPages::illegalContent});
  application->setSectionCategory({});
  application->setCustomData({{"b", "2"}, {"a", "1"}});
  application->setCustomData({});

  EXPECT_EQ(manager.getQevaUser(), user);
  // The getters only read: queries, which commandLines() leaves out.
  EXPECT_EQ(sdk_.journal().entries(JournalEntry::Kind::query).size(), 4u);
  EXPECT_EQ(
      sdk_.journal().lines(),
      (Strings{"manager.getQevaUser() -> user", "user.setId(id: \"a\\\"b\\\\c\\nd\\te\\u{01}\")",
               "user.setKeywords(keywords: [])", "user.setAge(age: \"\")",
               "manager.getQevaDevice() -> device", "device.setConnectionType(connectionType: 2)",
               "device.setDeviceType(type: 4)", "device.setPlatform(platform: -3)",
               "manager.getQevaApplication() -> application",
               "application.setPageCategory(pageCategory: [\"IAB1\", \"IAB26\"])",
               "application.setSectionCategory(sectionCategory: [])",
               "application.setCustomData(customData: [\"a\": \"1\", \"b\": \"2\"])",
               "application.setCustomData(customData: [:])", "manager.getQevaUser() -> user"}));
  EXPECT_EQ(sdk_.user().values(),
            (std::map<std::string, std::string>{
                {"age", "\"\""}, {"id", "\"a\\\"b\\\\c\\nd\\te\\u{01}\""}, {"keywords", "[]"}}));
  EXPECT_EQ(sdk_.device().values(),
            (std::map<std::string, std::string>{
                {"connectionType", "2"}, {"platform", "-3"}, {"type", "4"}}));
  EXPECT_EQ(sdk_.application().values().at("customData"), "[:]");
}

TEST_F(StandInTest, RawValuesConvertOnlyForExactCases) {
  EXPECT_EQ(Qeva::ConnectionTypeFromRawValue(-1), std::nullopt);
  EXPECT_EQ(Qeva::ConnectionTypeFromRawValue(0), Qeva::ConnectionType::unknown);
  EXPECT_EQ(Qeva::ConnectionTypeFromRawValue(7), Qeva::ConnectionType::cellular5G);
  EXPECT_EQ(Qeva::ConnectionTypeFromRawValue(8), std::nullopt);
  EXPECT_EQ(Qeva::DeviceTypeFromRawValue(0), std::nullopt);
  EXPECT_EQ(Qeva::DeviceTypeFromRawValue(1), Qeva::DeviceType::mobileTablet);
  EXPECT_EQ(Qeva::DeviceTypeFromRawValue(7), Qeva::DeviceType::setTopBox);
  EXPECT_EQ(Qeva::DeviceTypeFromRawValue(8), std::nullopt);
  struct Row {
    const char* raw;
    std::optional<Qeva::QevaPages> page;
  };
  const std::vector<Row> rows = {
      {"IAB1", Qeva::QevaPages::artsEntertainment},
      {"IAB12", Qeva::QevaPages::news},
      {"IAB26", Qeva::QevaPages::illegalContent},
      {"iab1", std::nullopt},
      {" IAB1", std::nullopt},
      {"IAB1 ", std::nullopt},
      {"IAB27", std::nullopt},
      {"IAB0", std::nullopt},
      {"", std::nullopt},
      {"artsEntertainment", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.raw);
    EXPECT_EQ(Qeva::QevaPagesFromRawValue(row.raw), row.page);
    std::optional<Qeva::QevaSections> section = Qeva::QevaSectionsFromRawValue(row.raw);
    EXPECT_EQ(section.has_value(), row.page.has_value());
    if (section) {
      EXPECT_STREQ(Qeva::RawValue(*section), row.raw);
      EXPECT_STREQ(Qeva::RawValue(*row.page), row.raw);
    }
  }
}

TEST_F(StandInTest, InventoryJsonIsReadStrictly) {
  struct Row {
    const char* name;
    const char* json;
    std::string error;  // Empty when the document is valid.
  };
  const std::vector<Row> rows = {
      {"valid", R"({"t": [{"signature": "s", "markup": "m", "width": 3, "height": 4}]})", ""},
      {"not json", "{", "inventory: not valid JSON"},
      {"not an object", "[]", "inventory: must be an object from tag id to an array of ads"},
      {"tag not an array", R"({"t": {}})", "inventory[\"t\"]: must be an array of ads"},
      {"ad not an object", R"({"t": ["x"]})", "inventory[\"t\"][0]: an ad must be an object"},
      {"signature missing", R"({"t": [{"markup": "m"}]})",
       "inventory[\"t\"][0]: \"signature\" is missing"},
      {"signature not a string", R"({"t": [{"signature": 1}]})",
       "inventory[\"t\"][0].signature: must be a string"},
      {"width not an integer", R"({"t": [{"signature": "s", "width": 3.5}]})",
       "inventory[\"t\"][0].width: must be an integer"},
      {"height a string", R"({"t": [{"signature": "s", "height": "4"}]})",
       "inventory[\"t\"][0].height: must be an integer"},
      {"misspelt member", R"({"t": [{"signature": "s", "fallbacks": []}]})",
       "inventory[\"t\"][0].fallbacks: unknown member"},
      {"bad fallback", R"({"t": [{"signature": "s", "fallback": [{"signature": "f", "x": 1}]}]})",
       "inventory[\"t\"][0].fallback[0].x: unknown member"},
      {"fallback not an array", R"({"t": [{"signature": "s", "fallback": {}}]})",
       "inventory[\"t\"][0].fallback: must be an array of ads"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Inventory inventory;
    std::string error;
    EXPECT_EQ(inventory.loadJson(row.json, &error), row.error.empty());
    EXPECT_EQ(error, row.error);
    if (!row.error.empty()) {
      EXPECT_TRUE(inventory.tagIds().empty());  // Nothing half-read.
    }
  }
}

TEST_F(StandInTest, InventoryJsonKeepsMarkupTextAndWritesOtherMarkupCompactly) {
  Inventory inventory;
  ASSERT_TRUE(inventory.loadJson(R"({
    "b": [{"signature": "nw.gambanner", "markup": {"adnetwork_class": "gam", "n": [1, 2]},
           "fallback": [{"signature": "iab.mediumrectangle", "markup": "<p>\"x\"</p>",
                         "width": 300, "height": 250}]}],
    "a": [{"signature": "s"}, {"signature": "t", "markup": ""}]
  })"));

  InventoryAd fallback = Ad("iab.mediumrectangle", "<p>\"x\"</p>");
  fallback.width = 300;
  fallback.height = 250;
  EXPECT_EQ(inventory.ads("b"),
            (std::vector<InventoryAd>{
                Ad("nw.gambanner", R"({"adnetwork_class":"gam","n":[1,2]})", {fallback})}));
  EXPECT_EQ(inventory.ads("a"), (std::vector<InventoryAd>{Ad("s", ""), Ad("t", "")}));
  EXPECT_EQ(inventory.tagIds(), (Strings{"a", "b"}));
}

TEST_F(StandInTest, ResetLeavesNothingOfThePreviousTestBehind) {
  auto events = std::make_shared<RecordingAdEvents>();
  auto cta = std::make_shared<CtaRecorder>();
  Strings heard;
  sdk_.journal().setListener(
      [&heard](const JournalEntry& entry) { heard.push_back(entry.operation); });
  Qeva::QevaRegistry::shared().addQevaAds({fakes::DisplayClass()});
  sdk_.inventory().add("tag", Ad("iab.smartphonebanner", "m"));
  sdk_.refuseTagId("refused");
  sdk_.setDelivery(Delivery::synchronous);
  sdk_.setInitializationReport(InitReport::never);
  sdk_.setClickThroughSimulation(false);
  auto old_space = RequestAd("tag", 30, events);
  sdk_.failNextLoad();
  Qeva::QevaManager::shared().getQevaUser()->setId("old");
  Qeva::QevaCTAHandler({"https://x.test"}, nullptr, cta, Qeva::AdClickBrowser::embedded).open();
  Qeva::QevaTracker tracker;
  tracker.addEvent(Qeva::QevaEvent("click", {"u"}));
  tracker.fireNotification("click");
  Qeva::log("old", Qeva::QevaLogType::info, 1, "f()", "F");
  sdk_.runLoop().post([&heard] { heard.push_back("stale task"); });
  sdk_.runLoop().advanceBy(5);
  sdk_.runLoop().post([&heard] { heard.push_back("stale task"); });
  const size_t heard_before_reset = heard.size();

  StandIn::Reset();
  sdk_.runLoop().runUntilIdle();

  EXPECT_EQ(heard.size(), heard_before_reset);
  EXPECT_TRUE(sdk_.journal().entries().empty());
  EXPECT_TRUE(sdk_.logSink().lines().empty());
  EXPECT_TRUE(sdk_.logSink().echo());
  EXPECT_TRUE(sdk_.inventory().tagIds().empty());
  EXPECT_TRUE(sdk_.registeredClassNames().empty());
  EXPECT_EQ(sdk_.adSpaceCount(), 0u);
  EXPECT_EQ(sdk_.adSpace(1), nullptr);
  EXPECT_EQ(sdk_.clickThroughCount(), 0u);
  EXPECT_TRUE(sdk_.trackerRequests().empty());
  EXPECT_TRUE(sdk_.user().values().empty());
  EXPECT_EQ(sdk_.runLoop().now(), 0);
  EXPECT_EQ(sdk_.runLoop().pendingCount(), 0u);
  EXPECT_EQ(sdk_.delivery(), Delivery::posted);
  EXPECT_TRUE(sdk_.clickThroughSimulation());
  auto root = UIKit::UIApplication::sharedApplication().delegate()->window()->rootViewController();
  EXPECT_EQ(root->description(), "<UIKit.UIViewController: 2>");
  EXPECT_EQ(UIKit::UIView().description(), "<UIKit.UIView: 4>");

  // Controls are back to their defaults: the tag is served again, without a forced failure,
  // and initialisation is reported again.
  Qeva::QevaRegistry::shared().addQevaAds({fakes::DisplayClass()});
  sdk_.inventory().add("refused", Ad("iab.smartphonebanner", "new"));
  auto init = std::make_shared<InitRecorder>();
  Qeva::QevaManager::shared().initialize(1, 1, "", init);
  auto space = RequestAd("refused", 0, events);
  ASSERT_NE(space, nullptr);
  EXPECT_NE(space, old_space);
  EXPECT_EQ(sdk_.nameOf(*space), "adSpace#1");
  sdk_.runLoop().runUntilIdle();
  EXPECT_EQ(init->reports, (Strings{"success"}));
  EXPECT_EQ(events->events, (Strings{"ready m", "ready new"}));
  EXPECT_EQ(heard.size(), heard_before_reset);  // The listener went with the reset.
}

}  // namespace
}  // namespace QevaStandIn
