// The stand-in's ad serving: renderer choice, fallback, refresh and delivery, driven the way
// the plugin drives the SDK, with fake renderers in place of the plugin's.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeAds.h"
#include "Qeva/Qeva.h"
#include "QevaStandIn/StandIn.h"
#include "UIKit/UIKit.h"

namespace QevaStandIn {
namespace {

using fakes::Ad;
using fakes::BannerClass;
using fakes::DisplayClass;
using fakes::FakeAd;
using fakes::RecordingAdEvents;
using fakes::RequestAd;
using Strings = std::vector<std::string>;

const std::string kNoFill =
    "error " + Qeva::QevaSDKError(Qeva::QevaSDKError::Code::noFill).description();

class InitRecorder final : public Qeva::InitializationStatusDelegate {
 public:
  void onSuccess() override { reports.push_back("success"); }
  void onFailure(const Qeva::QevaError& error) override {
    reports.push_back("failure " + error.description());
  }
  Strings reports;
};

class SimulationTest : public ::testing::Test {
 protected:
  void RegisterFakes() { Qeva::QevaRegistry::shared().addQevaAds({DisplayClass(), BannerClass()}); }

  std::shared_ptr<Qeva::QevaAdSpace> Request(const std::string& tag_id, int64_t refresh = 0) {
    return RequestAd(tag_id, refresh, events_);
  }

  FakeAd* Held(const std::shared_ptr<Qeva::QevaAdSpace>& space) {
    return dynamic_cast<FakeAd*>(std::dynamic_pointer_cast<AdSpace>(space)->heldAd().get());
  }

  StandInScope scope_;
  StandIn& sdk_ = scope_.sdk();
  std::shared_ptr<RecordingAdEvents> events_ = std::make_shared<RecordingAdEvents>();
};

TEST_F(SimulationTest, ScriptedAdLifeFromInitialisationToTheEndOfTheFallbackChain) {
  auto init = std::make_shared<InitRecorder>();
  Qeva::QevaManager::shared().initialize(7, 8, "key", init);
  RegisterFakes();
  InventoryAd first = Ad("iab.smartphonebanner", "display-1",
                         {Ad("nw.gambanner", "banner-2"), Ad("shared.sig", "display-3")});
  first.width = 320;
  first.height = 50;
  sdk_.inventory().add("home", first);

  auto space = Request("home", 30);
  EXPECT_TRUE(events_->events.empty());  // A fetch takes time: nothing inside process().
  sdk_.runLoop().runUntilIdle();
  EXPECT_EQ(init->reports, (Strings{"success"}));
  EXPECT_EQ(events_->events, (Strings{"ready display-1"}));
  EXPECT_EQ(Held(space)->width(), 320);
  EXPECT_EQ(Held(space)->height(), 50);

  UIKit::UIView container;
  space->showAd(container);
  sdk_.runLoop().advanceBy(30 * 1000);
  Held(space)->failLoad();
  sdk_.runLoop().runUntilIdle();
  Held(space)->failLoad();
  sdk_.runLoop().runUntilIdle();
  Held(space)->failLoad();
  sdk_.runLoop().runUntilIdle();

  EXPECT_EQ(events_->events, (Strings{"ready display-1", "render display-1", "refresh display-1",
                                      "ready banner-2", "ready display-3", kNoFill}));
  EXPECT_EQ(space->getQevaAd(), nullptr);
  const std::string failed =
      "qevaError: \"" +
      Qeva::QevaSDKError(Qeva::QevaSDKError::Code::prepareQevaAdFailed).description() + "\"";
  EXPECT_EQ(
      sdk_.journal().lines(),
      (Strings{
          "manager.initialize(accountId: 7, appId: 8, secretKey: \"key\", delegate: <object>)",
          "registry.addQevaAds(qevaAds: [DisplayFake, BannerFake])",
          "manager.createQevaAdSpace(tagId: \"home\") -> adSpace#1",
          "adSpace#1.setRefreshInterval(time: 30)",
          "adSpace#1.setAdEventDelegate(adEventDelegate: <object>)",
          "manager.createQevaAdspotRequestBuilder() -> builder#1",
          "builder#1.addAdSpace(adSpace: adSpace#1)",
          "builder#1.build() -> request#1",
          "manager.process(qevaRequest: request#1)",
          "initDelegate.onSuccess()",
          "DisplayFake.make() -> renderer#1",
          "renderer#1.setAdParameters(adParameters: 320, height: 50)",
          "renderer#1.prepare(adResponse: \"display-1\", delegate: adSpace#1.adDelegate)",
          "adSpace#1.adDelegate.onLoadSuccess(qevaAd: renderer#1)",
          "adSpace#1.delegate.onAdReady()",
          "adSpace#1.getQevaAd() -> renderer#1",
          "adSpace#1.showAd(container: <UIKit.UIView: 6> (subviews: 0))",
          "renderer#1.render(container: <UIKit.UIView: 6> (subviews: 0))",
          "adSpace#1.adDelegate.onRenderSuccess(qevaAd: renderer#1)",
          "adSpace#1.delegate.onAdRender()",
          "adSpace#1.getQevaAd() -> renderer#1",
          "adSpace#1.delegate.onAdRefresh()",
          "adSpace#1.getQevaAd() -> renderer#1",
          "adSpace#1.adDelegate.onLoadFailure(qevaAd: renderer#1, " + failed + ")",
          "BannerFake.make() -> renderer#2",
          "renderer#2.prepare(adResponse: \"banner-2\", delegate: adSpace#1.adDelegate)",
          "adSpace#1.adDelegate.onLoadSuccess(qevaAd: renderer#2)",
          "adSpace#1.delegate.onAdReady()",
          "adSpace#1.getQevaAd() -> renderer#2",
          "adSpace#1.adDelegate.onLoadFailure(qevaAd: renderer#2, " + failed + ")",
          "DisplayFake.make() -> renderer#3",
          "renderer#3.prepare(adResponse: \"display-3\", delegate: adSpace#1.adDelegate)",
          "adSpace#1.adDelegate.onLoadSuccess(qevaAd: renderer#3)",
          "adSpace#1.delegate.onAdReady()",
          "adSpace#1.getQevaAd() -> renderer#3",
          "adSpace#1.adDelegate.onLoadFailure(qevaAd: renderer#3, " + failed + ")",
          "adSpace#1.delegate.onAdError(qevaError: \"" +
              Qeva::QevaSDKError(Qeva::QevaSDKError::Code::noFill).description() + "\")",
          "adSpace#1.getQevaAd() -> nil",
      }));
}

TEST_F(SimulationTest, TheFirstRegisteredClassClaimingTheSignatureMakesTheRenderer) {
  struct Row {
    const char* name;
    std::vector<Qeva::QevaAdClass> classes;
    const char* signature;
    Strings journal_lines;  // The make() line, or nothing.
    Strings events;
  };
  const std::vector<Row> rows = {
      {"display signature",
       {DisplayClass(), BannerClass()},
       "iab.smartphonebanner",
       {"DisplayFake.make() -> renderer#1"},
       {"ready m"}},
      {"banner signature",
       {DisplayClass(), BannerClass()},
       "nw.gambanner",
       {"BannerFake.make() -> renderer#1"},
       {"ready m"}},
      {"shared signature, display first",
       {DisplayClass(), BannerClass()},
       "shared.sig",
       {"DisplayFake.make() -> renderer#1"},
       {"ready m"}},
      {"shared signature, banner first",
       {BannerClass(), DisplayClass()},
       "shared.sig",
       {"BannerFake.make() -> renderer#1"},
       {"ready m"}},
      {"signature no class claims",
       {DisplayClass(), BannerClass()},
       "iab.leaderboard",
       {},
       {kNoFill}},
      {"nothing registered", {}, "iab.smartphonebanner", {}, {kNoFill}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StandIn::Reset();
    sdk_.logSink().setEcho(false);
    events_->events.clear();
    Qeva::QevaRegistry::shared().addQevaAds(row.classes);
    sdk_.inventory().add("tag", Ad(row.signature, "m"));

    Request("tag");
    sdk_.runLoop().runUntilIdle();

    Strings make_lines;
    for (const JournalEntry& entry : sdk_.journal().entries(JournalEntry::Kind::callback)) {
      if (entry.operation == "make") {
        make_lines.push_back(entry.ToString());
      }
    }
    EXPECT_EQ(make_lines, row.journal_lines);
    EXPECT_EQ(events_->events, row.events);
  }
}

TEST_F(SimulationTest, FallbackSkipsUnclaimedAdsAndAdsThatFailInsidePrepare) {
  RegisterFakes();
  sdk_.inventory().add(
      "tag", Ad("unclaimed", "skipped",
                {Ad("nw.gambanner", "fail", {Ad("unclaimed", "skipped-too")}),
                 Ad("iab.smartphonebanner", "served"), Ad("nw.gambanner", "never-reached")}));

  auto space = Request("tag");
  sdk_.runLoop().runUntilIdle();

  EXPECT_EQ(events_->events, (Strings{"ready served"}));
  EXPECT_EQ(
      sdk_.journal().commandLinesAbout("adSpace#1.adDelegate"),
      (Strings{"adSpace#1.adDelegate.onLoadFailure(qevaAd: renderer#1, qevaError: \"" +
                   Qeva::QevaSDKError(Qeva::QevaSDKError::Code::prepareQevaAdFailed).description() +
                   "\")",
               "adSpace#1.adDelegate.onLoadSuccess(qevaAd: renderer#2)"}));
}

TEST_F(SimulationTest, FallbackChainIsDepthFirst) {
  const InventoryAd ad = Ad("a", "", {Ad("b", "", {Ad("c", "", {Ad("d", "")})}), Ad("e", "")});

  Strings order;
  for (const InventoryAd& link : FallbackChain(ad)) {
    order.push_back(link.signature);
    EXPECT_TRUE(link.fallback.empty());
  }

  EXPECT_EQ(order, (Strings{"a", "b", "c", "d", "e"}));
}

TEST_F(SimulationTest, ErrorsEndTheFetchAndLeaveNoAd) {
  struct Row {
    const char* name;
    std::function<void(StandIn&)> arrange;
    Strings events;
  };
  const std::string initialization_failed =
      "error " + Qeva::QevaSDKError(Qeva::QevaSDKError::Code::initializationFailed).description();
  const std::vector<Row> rows = {
      {"tag without inventory", [](StandIn&) {}, {kNoFill}},
      {"fetch made to fail",
       [](StandIn& sdk) {
         sdk.inventory().add("tag", Ad("nw.gambanner", "m"));
         sdk.failNextLoad();
       },
       {kNoFill}},
      {"fetch made to fail with a code",
       [](StandIn& sdk) {
         sdk.inventory().add("tag", Ad("nw.gambanner", "m"));
         sdk.failNextLoad(Qeva::QevaSDKError::Code::initializationFailed);
       },
       {initialization_failed}},
      {"every ad fails to load",
       [](StandIn& sdk) {
         sdk.inventory().add("tag", Ad("nw.gambanner", "fail", {Ad("shared.sig", "fail")}));
       },
       {kNoFill}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StandIn::Reset();
    sdk_.logSink().setEcho(false);
    events_->events.clear();
    RegisterFakes();
    row.arrange(sdk_);

    auto space = Request("tag", 30);
    sdk_.runLoop().advanceBy(120 * 1000);

    EXPECT_EQ(events_->events, row.events);  // And no refresh after the error.
    EXPECT_EQ(std::dynamic_pointer_cast<AdSpace>(space)->heldAd(), nullptr);
  }
}

TEST_F(SimulationTest, OnlyOneFetchFailsPerFailNextLoad) {
  RegisterFakes();
  sdk_.inventory().add("tag", Ad("nw.gambanner", "m"));
  sdk_.failNextLoad();

  Request("tag");
  Request("tag");
  sdk_.runLoop().runUntilIdle();

  EXPECT_EQ(events_->events, (Strings{kNoFill, "ready m"}));
}

TEST_F(SimulationTest, RefreshFiresEveryIntervalWhileActiveAndStopsWhilePaused) {
  RegisterFakes();
  sdk_.inventory().add("tag", Ad("nw.gambanner", "m"));
  auto space = Request("tag", 30);
  sdk_.runLoop().runUntilIdle();
  events_->events.clear();

  sdk_.runLoop().advanceBy(29999);
  EXPECT_TRUE(events_->events.empty());
  sdk_.runLoop().advanceBy(1 + 30000);
  EXPECT_EQ(events_->events, (Strings{"refresh m", "refresh m"}));

  sdk_.runLoop().advanceBy(10000);
  space->pause();
  sdk_.runLoop().advanceBy(120000);
  EXPECT_EQ(events_->events, (Strings{"refresh m", "refresh m"}));

  space->resume();
  sdk_.runLoop().advanceBy(29999);
  EXPECT_EQ(events_->events.size(), 2u);
  sdk_.runLoop().advanceBy(1);
  EXPECT_EQ(events_->events, (Strings{"refresh m", "refresh m", "refresh m"}));

  EXPECT_EQ(sdk_.journal().commandLinesAbout("adSpace#1"),
            (Strings{"adSpace#1.setRefreshInterval(time: 30)",
                     "adSpace#1.setAdEventDelegate(adEventDelegate: <object>)",
                     "adSpace#1.adDelegate.onLoadSuccess(qevaAd: renderer#1)", "adSpace#1.pause()",
                     "adSpace#1.adDelegate.onAdPaused()", "adSpace#1.resume()",
                     "adSpace#1.adDelegate.onAdResumed()"}));
}

TEST_F(SimulationTest, RefreshFollowsTheIntervalAsItChanges) {
  struct Row {
    const char* name;
    int64_t initial;
    int64_t changed_to;  // After the ad is ready.
    bool refreshable;
    Strings events_in_a_minute;
  };
  const std::vector<Row> rows = {
      {"no interval", 0, 0, false, {}},
      {"negative interval", -5, -5, false, {}},
      {"interval set later", 0, 20, true, {"refresh m", "refresh m", "refresh m"}},
      {"interval shortened", 50, 25, true, {"refresh m", "refresh m"}},
      {"interval removed", 10, 0, false, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StandIn::Reset();
    sdk_.logSink().setEcho(false);
    RegisterFakes();
    sdk_.inventory().add("tag", Ad("nw.gambanner", "m"));
    auto space = Request("tag", row.initial);
    sdk_.runLoop().runUntilIdle();
    events_->events.clear();

    space->setRefreshInterval(row.changed_to);
    sdk_.runLoop().advanceBy(60 * 1000);

    EXPECT_EQ(events_->events, row.events_in_a_minute);
    EXPECT_EQ(space->isQevaAdSpaceRefreshable(), row.refreshable);
  }
}

TEST_F(SimulationTest, SynchronousDeliveryAnswersInsideTheCallThatCausedIt) {
  RegisterFakes();
  sdk_.setDelivery(Delivery::synchronous);
  sdk_.inventory().add("tag", Ad("nw.gambanner", "first", {Ad("nw.gambanner", "second")}));

  auto space = Request("tag");
  EXPECT_EQ(events_->events, (Strings{"ready first"}));
  Held(space)->failLoad();
  EXPECT_EQ(events_->events, (Strings{"ready first", "ready second"}));
  Held(space)->failLoad();
  EXPECT_EQ(events_->events, (Strings{"ready first", "ready second", kNoFill}));
}

TEST_F(SimulationTest, WithRecordingOffAdsAreServedAndNothingIsKept) {
  sdk_.setRecording(false);
  RegisterFakes();
  sdk_.setDelivery(Delivery::synchronous);
  sdk_.inventory().add("tag", Ad("nw.gambanner", "m"));
  Strings heard;
  sdk_.logSink().setListener([&heard](const LogLine& line) { heard.push_back(line.Summary()); });

  auto space = Request("tag", 30);
  Qeva::log("not kept", Qeva::QevaLogType::info, 1, "fun", "file");
  sdk_.runLoop().advanceBy(30 * 1000);

  EXPECT_EQ(events_->events, (Strings{"ready m", "refresh m"}));
  EXPECT_EQ(sdk_.journal().lines(), Strings{});
  EXPECT_EQ(sdk_.logSink().summaries(), Strings{});
  EXPECT_EQ(heard, (Strings{"[info] fun: not kept"}));

  // Numbering went on unrecorded.
  sdk_.setRecording(true);
  Request("tag");
  EXPECT_EQ(sdk_.journal().lines(),
            (Strings{"manager.createQevaAdSpace(tagId: \"tag\") -> adSpace#2",
                     "adSpace#2.setRefreshInterval(time: 0)",
                     "adSpace#2.setAdEventDelegate(adEventDelegate: <object>)",
                     "manager.createQevaAdspotRequestBuilder() -> builder#2",
                     "builder#2.addAdSpace(adSpace: adSpace#2)", "builder#2.build() -> request#2",
                     "manager.process(qevaRequest: request#2)", "BannerFake.make() -> renderer#2",
                     "renderer#2.prepare(adResponse: \"m\", delegate: adSpace#2.adDelegate)",
                     "adSpace#2.adDelegate.onLoadSuccess(qevaAd: renderer#2)",
                     "adSpace#2.delegate.onAdReady()", "adSpace#2.getQevaAd() -> renderer#2"}));

  sdk_.setRecording(false);
  StandIn::Reset();
  EXPECT_TRUE(sdk_.recording());
  EXPECT_TRUE(sdk_.logSink().keepLines());
}

TEST_F(SimulationTest, PostedFetchWaitsForTheFetchDelay) {
  RegisterFakes();
  sdk_.setFetchDelayMs(250);
  sdk_.inventory().add("tag", Ad("nw.gambanner", "m"));

  Request("tag");
  sdk_.runLoop().advanceBy(249);
  EXPECT_TRUE(events_->events.empty());
  sdk_.runLoop().advanceBy(1);

  EXPECT_EQ(events_->events, (Strings{"ready m"}));
}

TEST_F(SimulationTest, EachFetchForATagServesItsNextAdInRotation) {
  RegisterFakes();
  sdk_.inventory().add("tag", Ad("nw.gambanner", "one"));
  sdk_.inventory().add("tag", Ad("iab.smartphonebanner", "two"));

  for (int i = 0; i < 3; ++i) {
    Request("tag");
  }
  sdk_.runLoop().runUntilIdle();

  EXPECT_EQ(events_->events, (Strings{"ready one", "ready two", "ready one"}));
}

TEST_F(SimulationTest, ReportsOfAReplacedRendererAreIgnored) {
  RegisterFakes();
  sdk_.inventory().add("tag", Ad("nw.gambanner", "first", {Ad("nw.gambanner", "second")}));
  auto space = Request("tag");
  sdk_.runLoop().runUntilIdle();
  std::shared_ptr<Qeva::QevaAd> first = space->getQevaAd();
  Held(space)->failLoad();
  sdk_.runLoop().runUntilIdle();
  events_->events.clear();

  auto& stale = dynamic_cast<FakeAd&>(*first);
  UIKit::UIView container;
  stale.render(container);
  stale.failLoad();
  stale.close();
  sdk_.runLoop().runUntilIdle();

  EXPECT_TRUE(events_->events.empty());
  EXPECT_EQ(Held(space)->markup(), "second");
}

TEST_F(SimulationTest, ShowAdRendersTheHeldAdAndCloseBecomesTheCloseEvent) {
  RegisterFakes();
  sdk_.inventory().add("tag", Ad("nw.gambanner", "m"));
  auto space = Request("tag");
  UIKit::UIView container;

  space->showAd(container);  // Before the fetch: no ad to render.
  sdk_.runLoop().runUntilIdle();
  space->showAd(container);
  Held(space)->close();

  EXPECT_EQ(events_->events, (Strings{"ready m", "render m", "close m"}));
  EXPECT_EQ(container.subviewCount(), 0u);
}

TEST_F(SimulationTest, EventsForAGoneDelegateAreJournaledAsUndelivered) {
  RegisterFakes();
  sdk_.inventory().add("tag", Ad("nw.gambanner", "m"));
  auto space = Request("tag");
  events_.reset();

  sdk_.runLoop().runUntilIdle();

  EXPECT_EQ(sdk_.journal().callbackLines().back(), "adSpace#1.delegate.onAdReady() -> no delegate");
}

}  // namespace
}  // namespace QevaStandIn
