#include <nlohmann/json.hpp>

#include <map>

#include "Core/CoreFixture.h"

namespace QevaFlutter::testing {
namespace {

using Fields = std::map<std::string, std::string>;

constexpr char kInventory[] = R"({
  "home": [{"signature": "iab.smartphonebanner", "markup": "<div>ad</div>",
            "width": 320, "height": 50}],
  "gam": [{"signature": "nw.gambanner",
           "markup": {"adnetwork_class": "gam",
                      "adnetwork_params": {"click-url": ["https://t.example/click"]}},
           "fallback": [{"signature": "nw.admobbanner", "markup": {"adnetwork_class": "x"}}]}]
})";

// The whole road on the stand-in's simulation: the SDK fetches, renders and reports by itself;
// the test only drains the run loop, as the platform's main thread would.
class AdRoadTest : public CoreTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sdk().inventory().loadJson(kInventory));
    Reply startUp = Call("QevaManager", "QevaManager", DartMap({{"accountId", Str("12")}}));
    Drain();
    ASSERT_TRUE(Answered(*startUp, Str("success")));
  }
  void Drain() { sdk().runLoop().runUntilIdle(); }
  Reply AdRequest(const std::string& tagId, const std::string& refreshRate = "0") {
    return Call("QevaAdSpace", "AdRequest",
                DartMap({{"tagId", Str(tagId)}, {"refreshRate", Str(refreshRate)}}));
  }
  // The string fields of a map reply answered once.
  static Fields Read(const headless::DartReply& reply) {
    Fields fields;
    EXPECT_EQ(reply.reply_count(), 1);
    if (const auto* map = std::get_if<EncodableMap>(&reply.value())) {
      for (const auto& [key, value] : *map) {
        fields[std::get<std::string>(key)] = std::get<std::string>(value);
      }
    }
    return fields;
  }
};

TEST_F(AdRoadTest, DisplayAdFromTargetingToClickThrough) {
  for (const char* channel : {"QevaUser", "QevaDevice", "QevaApplication"}) {
    EXPECT_TRUE(Answered(
        *Call(channel, channel,
              DartMap({{"keywords", DartList({Str("news")})}, {"platform", EncodableValue(3)}})),
        Str("success")));
  }
  EXPECT_EQ(sdk().user().values(), (Fields{{"keywords", "[\"news\"]"}}));
  EXPECT_EQ(sdk().device().values(), (Fields{{"platform", "3"}}));
  EXPECT_EQ(sdk().application().values(), (Fields{{"keywords", "[\"news\"]"}}));

  Reply request = AdRequest("home", "30");
  EXPECT_TRUE(Unanswered(*request));
  Drain();
  const Fields ready = Read(*request);
  const std::string id = manager()->adSpaceIds().at(0);
  EXPECT_EQ(ready, (Fields{{"result", "success"},
                           {"adSpaceId", id},
                           {"response", ready.at("response")},
                           {"signature", "iab.smartphonebanner"}}));
  EXPECT_EQ(nlohmann::json::parse(ready.at("response")),
            nlohmann::json({{"adSize", "320x50"}, {"response", "<div>ad</div>"}}));

  EXPECT_TRUE(Answered(*Command("AdRender", id), RenderReply(true)));

  ClearRecords();
  EXPECT_TRUE(Answered(*Command("AdClick", id, {{"clickUrl", Str("https://example.com/landing")}}),
                       CommandReply("success")));
  Drain();
  EXPECT_TRUE(sdk().lastAdSpace()->isPaused());
  sdk().runLoop().advanceBy(sdk().clickThroughCompleteDelayMs());
  EXPECT_FALSE(sdk().lastAdSpace()->isPaused());
  EXPECT_EQ(Commands(), (Strings{"QevaCTAHandler.init(urls: [\"https://example.com/landing\"], "
                                 "viewControllerToPresent: " +
                                     RootViewController() + ", delegate: " + ManagerName() +
                                     ", adClickBrowser: .embedded) -> ctaHandler#1",
                                 "ctaHandler#1.open()", "adSpace#1.pause()",
                                 "adSpace#1.adDelegate.onAdPaused()", "adSpace#1.resume()",
                                 "adSpace#1.adDelegate.onAdResumed()"}));
}

TEST_F(AdRoadTest, GAMBannerClickTrackersAndFallbacks) {
  const auto gam = sdk().inventory().ads("gam").at(0);
  Reply request = AdRequest("gam");
  Drain();
  const std::string id = manager()->adSpaceIds().at(0);
  EXPECT_EQ(Read(*request), (Fields{{"result", "success"},
                                    {"adSpaceId", id},
                                    {"response", gam.markup},
                                    {"signature", "nw.gambanner"}}));

  EXPECT_TRUE(Answered(*Command("AdClick", id, {{"clickUrl", Str("https://ignored.example")}}),
                       CommandReply("success")));
  ASSERT_EQ(sdk().trackerRequests().size(), 1u);
  EXPECT_EQ(sdk().trackerRequests()[0].url, "https://t.example/click");
  EXPECT_EQ(sdk().clickThroughCount(), 0u);

  Reply fallback = Command("FallbackAd", id);
  EXPECT_TRUE(Unanswered(*fallback));
  Drain();
  EXPECT_EQ(Read(*fallback), (Fields{{"result", "success"},
                                     {"adSpaceId", id},
                                     {"response", gam.fallback.at(0).markup},
                                     {"signature", "nw.gambanner"}}));

  Reply noneLeft = Command("FallbackAd", id);
  Drain();
  EXPECT_TRUE(AnsweredAdError(*noneLeft));
}

// Events sent from inside process() and inside the failure report still find their results.
TEST_F(AdRoadTest, SynchronousEventsAreAnswered) {
  sdk().setDelivery(QevaStandIn::Delivery::synchronous);
  const Fields ready = Read(*AdRequest("gam"));
  EXPECT_EQ(Read(*Command("FallbackAd", ready.at("adSpaceId"))).at("response"),
            sdk().inventory().ads("gam").at(0).fallback.at(0).markup);
  sdk().failNextLoad();
  EXPECT_TRUE(AnsweredAdError(*AdRequest("home")));
}

TEST_F(AdRoadTest, AdRefreshIsAnsweredByTheNextRefreshUntilPaused) {
  Reply request = AdRequest("home", "30");
  Drain();
  const std::string id = Read(*request).at("adSpaceId");
  EXPECT_TRUE(Answered(*Command("AdRender", id), RenderReply(true)));

  Reply refresh = Command("AdRefresh", id);
  sdk().runLoop().advanceBy(29'000);
  EXPECT_TRUE(Unanswered(*refresh));
  sdk().runLoop().advanceBy(1'000);
  EXPECT_TRUE(Answered(*refresh, RenderReply(true)));

  Reply dropped = Command("AdRefresh", id);
  EXPECT_TRUE(Answered(*Command("AdPause", id), CommandReply("success")));
  ClearRecords();
  sdk().runLoop().advanceBy(120'000);
  EXPECT_TRUE(Unanswered(*dropped));
  EXPECT_EQ(CoreLog(), Strings{});
}

}  // namespace
}  // namespace QevaFlutter::testing
