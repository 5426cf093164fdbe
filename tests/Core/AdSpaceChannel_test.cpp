#include <gmock/gmock.h>

#include <optional>
#include <regex>

#include "Core/CoreFixture.h"

namespace QevaFlutter::testing {
namespace {

constexpr char kGAMMarkup[] =
    R"({"adnetwork_params":{"click-url":["https://t.example/1","https://t.example/2"]}})";

std::string NotFound(const std::string& function, const Qeva::QevaAdSpace& adSpace,
                     const std::string& id) {
  return LogLine(function, "QevaFlutter: Couldn't find the result for given adSpace " +
                               adSpace.description() + " & adSpace id " + id);
}

// An SDK error whose text must never reach Dart.
class OddError : public Qeva::QevaError {
  std::string description() const override { return "odd error"; }
};

enum class Event { ready, render, refresh, error };
const char* const kFunctions[] = {"onAdReady(qevaAdSpace:)", "onAdRender(qevaAdSpace:)",
                                  "onAdRefresh(qevaAdSpace:)", "onAdError(qevaAdSpace:qevaError:)"};

void Fire(QevaStandIn::AdSpace& adSpace, Event event) {
  switch (event) {
    case Event::ready:
      return adSpace.fireAdReady();
    case Event::render:
      return adSpace.fireAdRender();
    case Event::refresh:
      return adSpace.fireAdRefresh();
    case Event::error:
      return adSpace.fireAdError(OddError());
  }
}

using AdSpaceChannelTest = CoreTest;

TEST_F(AdSpaceChannelTest, AdRequestConfiguresAndKeepsTheAdSpaceBeforeProcessing) {
  const Requested requested = Request("home", "30");
  // std::regex, not MatchesRegex: GoogleTest's own regex on Windows has no classes or counts.
  EXPECT_TRUE(std::regex_match(
      requested.id,
      std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")))
      << requested.id;
  EXPECT_EQ(Commands(),
            (Strings{"manager.createQevaAdSpace(tagId: \"home\") -> adSpace#1",
                     "adSpace#1.setRefreshInterval(time: 30)",
                     "adSpace#1.setAdEventDelegate(adEventDelegate: " + ManagerName() + ")",
                     "manager.createQevaAdspotRequestBuilder() -> builder#1",
                     "builder#1.addAdSpace(adSpace: adSpace#1)", "builder#1.build() -> request#1",
                     "manager.process(qevaRequest: request#1)"}));
  EXPECT_EQ(CoreLog(),
            Strings{LogLine("singleAd(tagId:refreshRate:result:)",
                            "QevaFlutter: qevaAdSpace created " + requested.adSpace->description() +
                                " with id " + requested.id)});
  EXPECT_EQ(KeptCalls(), Strings{"#1 QevaAdSpace.AdRequest(" + requested.id + ") pending"});
  EXPECT_TRUE(Unanswered(*requested.reply));
  EXPECT_NE(Request("home", "30").adSpace, requested.adSpace);
}

TEST_F(AdSpaceChannelTest, AdRequestReadsStringsOnly) {
  struct Row {
    std::string name;
    Entries arguments;
    std::string tagId, rate;
  };
  const Row rows[] = {
      {"plus sign", {{"tagId", Str("home")}, {"refreshRate", Str("+30")}}, "home", "30"},
      {"negative", {{"tagId", Str("home")}, {"refreshRate", Str("-5")}}, "home", "-5"},
      {"smallest", {{"refreshRate", Str("-9223372036854775808")}}, "", "-9223372036854775808"},
      {"beyond 64 bits", {{"refreshRate", Str("9223372036854775808")}}, "", "0"},
      {"letter", {{"refreshRate", Str("3O")}}, "", "0"},
      {"blank before", {{"refreshRate", Str(" 30")}}, "", "0"},
      {"unit after", {{"refreshRate", Str("30s")}}, "", "0"},
      {"decimal point", {{"refreshRate", Str("1.5")}}, "", "0"},
      {"empty", {{"refreshRate", Str("")}}, "", "0"},
      {"Dart int rate", {{"refreshRate", EncodableValue(30)}}, "", "0"},
      {"null tag", {{"tagId", EncodableValue()}, {"refreshRate", Str("30")}}, "", "30"},
      {"number tag", {{"tagId", EncodableValue(7)}}, "", "0"},
      {"empty map", {}, "", "0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ClearRecords();
    Call("QevaAdSpace", "AdRequest", DartMap(row.arguments));
    const std::string adSpace = sdk().lastAdSpace()->name();
    const Strings commands = Commands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(Strings(commands.begin(), commands.begin() + 2),
              (Strings{"manager.createQevaAdSpace(tagId: \"" + row.tagId + "\") -> " + adSpace,
                       adSpace + ".setRefreshInterval(time: " + row.rate + ")"}));
  }
}

TEST_F(AdSpaceChannelTest, RefusedTagIdStoresNothingAndIsNeverAnswered) {
  sdk().refuseTagId("refused");
  const Strings state = KeptCalls();
  const Requested requested = Request("refused");
  EXPECT_EQ(Commands(), Strings{"manager.createQevaAdSpace(tagId: \"refused\") -> nil"});
  EXPECT_EQ(
      CoreLog(),
      (Strings{LogLine("getQevaAdSpace(tagId:refreshRate:)", "QevaFlutter: QevaAdSpace is nil"),
               LogLine("singleAd(tagId:refreshRate:result:)", "QevaFlutter: QevaAdSpace is nil")}));
  EXPECT_EQ(KeptCalls(), state);
  EXPECT_TRUE(Unanswered(*requested.reply));
  EXPECT_EQ(Ledger(1), Strings{"QevaAdSpace.AdRequest() unanswered: no ad space for the tag id"});
}

TEST_F(AdSpaceChannelTest, ReadyReplyCarriesTheResponseAndTheClassSignature) {
  const std::string kControls = std::string("{\"a\":1}\n\r\t") + '\0' + "\x01\x1f\x7f";
  struct Row {
    std::string name;
    std::shared_ptr<Qeva::QevaAd> ad;
    std::string response, signature, described;
  };
  std::vector<Row> rows = {
      {"display ad", DisplayAd(), DisplayResponse(), "iab.smartphonebanner",
       R"("{\"adSize\":\"320x50\",\"response\":\"<div>ad</div>\"}")"},
      {"GAM banner, control characters", GAMBanner(kControls), kControls, "nw.gambanner",
       R"("{\"a\":1}\n\r\t\0\u{1}\u{1f}\u{7f}")"},
      {"another Flutter ad", std::make_shared<QevaStandIn::FixedFlutterAd>("x\\y"), "x\\y", "",
       R"("x\\y")"},
      {"no response", std::make_shared<QevaStandIn::FixedFlutterAd>(std::nullopt), "", "", R"("")"},
      // Dart's codec rejects text that is not UTF-8, and with it the whole reply.
      {"GAM markup not UTF-8", GAMBanner("{\"a\":\"\xa8\"}"), "", "nw.gambanner", R"("")"},
      {"GAM markup, non-ASCII UTF-8", GAMBanner("caf\xc3\xa9 \xf0\x9f\x98\x82"),
       "caf\xc3\xa9 \xf0\x9f\x98\x82", "nw.gambanner", "\"caf\xc3\xa9 \xf0\x9f\x98\x82\""},
  };
  // The edges of UTF-8: the first and last three- and four-byte forms pass; overlong forms,
  // surrogates, values past U+10FFFF, cut sequences and bad continuation bytes do not.
  for (const std::string text :
       {"\xe0\xa0\x80", "\xed\x9f\xbf", "\xf0\x90\x80\x80", "\xf4\x8f\xbf\xbf"}) {
    rows.push_back({"UTF-8 edge " + headless::ToString(Str(text)), GAMBanner(text), text,
                    "nw.gambanner", "\"" + text + "\""});
  }
  for (const std::string text : {"\xe0\x9f\xbf", "\xed\xa0\x80", "\xf0\x8f\xbf\xbf",
                                 "\xf4\x90\x80\x80", "\xe2\x82", "\xe2\x82\x28", "\xc0\xaf"}) {
    rows.push_back({"not UTF-8 " + headless::ToString(Str(text)), GAMBanner(text), "",
                    "nw.gambanner", R"("")"});
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Requested requested = Request();
    requested.adSpace->setQevaAd(row.ad);
    ClearRecords();
    requested.adSpace->fireAdReady();
    EXPECT_TRUE(Answered(*requested.reply, ReadyReply(requested.id, row.response, row.signature)));
    EXPECT_EQ(
        CoreLog(),
        (Strings{LogLine(kFunctions[0], "QevaFlutter: onAdReady event sent to flutter"),
                 LogLine(kFunctions[0], "QevaFlutter: Result [\"adSpaceId\": \"" + requested.id +
                                            "\", \"response\": " + row.described +
                                            ", \"result\": \"success\", \"signature\": \"" +
                                            row.signature + "\"]")}));
    EXPECT_EQ(KeptCalls(), Strings{});
  }
}

TEST_F(AdSpaceChannelTest, EventsWithNothingPendingOnlyLogNotFound) {
  const Requested answered = Delivered(DisplayAd());
  // An ad space the manager never made resolves to the empty id.
  auto stray = std::make_shared<QevaStandIn::AdSpace>("stray", 99);
  stray->setQevaAd(DisplayAd());
  stray->setAdEventDelegate(manager());
  for (Event event : {Event::ready, Event::render, Event::refresh, Event::error}) {
    const std::string function = kFunctions[static_cast<int>(event)];
    SCOPED_TRACE(function);
    ClearRecords();
    Fire(*answered.adSpace, event);
    Fire(*stray, event);
    EXPECT_EQ(CoreLog(), (Strings{NotFound(function, *answered.adSpace, answered.id),
                                  NotFound(function, *stray, "")}));
    EXPECT_EQ(answered.reply->reply_count(), 1);
  }
}

TEST_F(AdSpaceChannelTest, ReadyWithoutFlutterAdKeepsTheResultForALaterError) {
  for (const auto& ad : {std::shared_ptr<Qeva::QevaAd>(), NativeAd()}) {
    SCOPED_TRACE(ad ? "native ad" : "no ad");
    const Requested requested = Request();
    requested.adSpace->setQevaAd(ad);
    ClearRecords();
    requested.adSpace->fireAdReady();
    requested.adSpace->fireAdClick();  // Click and close do nothing at all.
    requested.adSpace->fireAdClose();
    EXPECT_TRUE(Unanswered(*requested.reply));
    requested.adSpace->fireAdError(OddError());
    EXPECT_TRUE(AnsweredAdError(*requested.reply));
    EXPECT_EQ(Ledger(1),
              Strings{"QevaAdSpace.AdRequest(" + requested.id + ") answered error 1001"});
    EXPECT_EQ(CoreLog(),
              (Strings{LogLine(kFunctions[0], "QevaFlutter: Couldn't find QevaFlutterAd"),
                       LogLine(kFunctions[3], "QevaFlutter: onAdError event sent to flutter")}));
  }
}

TEST_F(AdSpaceChannelTest, RenderAndRefreshReportTheAdSpaceFlagForRefreshableAds) {
  struct Row {
    std::string name;
    Event event;
    std::shared_ptr<Qeva::QevaAd> ad;
    bool adSpaceRefreshable, expected;
  };
  const Row rows[] = {
      {"render, display ad, refreshing", Event::render, DisplayAd(), true, true},
      {"render, display ad, not refreshing", Event::render, DisplayAd(), false, false},
      {"refresh, GAM banner", Event::refresh, GAMBanner("{}"), true, true},
      {"render, ad not refreshable", Event::render,
       std::make_shared<QevaStandIn::FixedFlutterAd>("x"), true, false},
      {"refresh, ad not drawn by Flutter", Event::refresh, NativeAd(), true, false},
      {"render, no ad", Event::render, nullptr, true, false},
      {"refresh, no ad", Event::refresh, nullptr, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Requested requested = Request();
    requested.adSpace->setQevaAd(row.ad);
    requested.adSpace->setRefreshable(row.adSpaceRefreshable);
    ClearRecords();
    Fire(*requested.adSpace, row.event);
    const std::string function = kFunctions[static_cast<int>(row.event)];
    if (!row.ad) {  // Not found; the result stays for a later event.
      EXPECT_TRUE(Unanswered(*requested.reply));
      EXPECT_EQ(CoreLog(), Strings{NotFound(function, *requested.adSpace, requested.id)});
      continue;
    }
    EXPECT_TRUE(Answered(*requested.reply, RenderReply(row.expected)));
    const std::string name = row.event == Event::render ? "Render" : "Refresh";
    EXPECT_EQ(CoreLog(),
              Strings{LogLine(function, "QevaFlutter: onAd" + name + " event sent to flutter")});
  }
}

TEST_F(AdSpaceChannelTest, OneAdSpaceUnderTwoIdsAnswersOnlyTheFirstId) {
  const Requested one = Request();
  sdk().reuseAdSpaceForNextCreate(one.adSpace);
  const Requested two = Request();
  // The SDK made no second ad space: it handed out |one|'s again.
  ASSERT_EQ(two.adSpace, nullptr);
  ASSERT_EQ(sdk().adSpaceCount(), 1u);
  const Requested& first = one.id < two.id ? one : two;
  const Requested& second = one.id < two.id ? two : one;
  one.adSpace->setQevaAd(DisplayAd());
  one.adSpace->fireAdReady();
  one.adSpace->fireAdReady();
  EXPECT_TRUE(
      Answered(*first.reply, ReadyReply(first.id, DisplayResponse(), "iab.smartphonebanner")));
  EXPECT_TRUE(Unanswered(*second.reply));
  EXPECT_EQ(CoreLog().back(), NotFound(kFunctions[0], *one.adSpace, first.id));
  EXPECT_EQ(PendingIds(*manager()->replyLedger()), Strings{second.id});
}

TEST_F(AdSpaceChannelTest, AdRenderShowsTheAdAndTheLatestCallGetsTheReply) {
  const Requested requested = Delivered(DisplayAd());
  ClearRecords();
  Reply replaced = Command("AdRender", requested.id);
  Reply render = Command("AdRender", requested.id);
  // The manager's container, made right after the manager.
  const std::string container = "<UIKit.UIView: " + std::to_string(manager()->objectNumber() + 1);
  const std::string show = "adSpace#1.showAd(container: " + container + "> (subviews: 0))";
  EXPECT_EQ(Commands(), (Strings{show, show}));
  EXPECT_TRUE(Unanswered(*render));
  requested.adSpace->fireAdRender();
  EXPECT_TRUE(Answered(*render, RenderReply(false)));
  EXPECT_TRUE(Unanswered(*replaced));
  EXPECT_EQ(Ledger(2), (Strings{"QevaAdSpace.AdRender(" + requested.id + ") replaced",
                                "QevaAdSpace.AdRender(" + requested.id + ") answered value"}));
}

TEST_F(AdSpaceChannelTest, AdRefreshWaitsForWhicheverEventComesNextUnlessPaused) {
  const Requested requested = Delivered(DisplayAd());
  requested.adSpace->setRefreshable(true);
  ClearRecords();
  Reply refresh = Command("AdRefresh", requested.id);
  EXPECT_EQ(sdk().journal().lines(), Strings{});
  requested.adSpace->fireAdRefresh();
  EXPECT_TRUE(Answered(*refresh, RenderReply(true)));

  Reply byReady = Command("AdRefresh", requested.id);
  requested.adSpace->fireAdReady();
  EXPECT_TRUE(
      Answered(*byReady, ReadyReply(requested.id, DisplayResponse(), "iab.smartphonebanner")));

  Reply dropped = Command("AdRefresh", requested.id);
  ClearRecords();
  EXPECT_TRUE(Answered(*Command("AdPause", requested.id), CommandReply("success")));
  EXPECT_TRUE(Answered(*Command("AdPause", requested.id), CommandReply("success")));
  EXPECT_EQ(Commands(), (Strings{"adSpace#1.pause()", "adSpace#1.pause()"}));
  requested.adSpace->fireAdRefresh();
  EXPECT_TRUE(Unanswered(*dropped));
  const std::string pause = "QevaAdSpace.AdPause(" + requested.id + ") answered value";
  EXPECT_EQ(Ledger(3),
            (Strings{"QevaAdSpace.AdRefresh(" + requested.id + ") dropped", pause, pause}));
}

TEST_F(AdSpaceChannelTest, CommandsForAnIdNotKeptChangeNothing) {
  struct Row {
    std::string method;
    std::optional<EncodableValue> reply;  // None: no reply.
    Strings log;
    std::string end;
  };
  const std::string unknown = "unanswered: unknown ad-space id";
  const Row rows[] = {
      {"AdRender", std::nullopt, {LogLine("adConsumed(_:result:)", "Code Check")}, unknown},
      {"AdRefresh", std::nullopt, {LogLine("adRefresh(_:result:)", "Code Check")}, unknown},
      {"AdPause", std::nullopt, {LogLine("adPaused(_:result:)", "Code Check")}, unknown},
      {"FallbackAd", std::nullopt, {}, unknown},
      {"AdClick", CommandReply("failure"), {}, "answered value"},
  };
  const Requested kept = Delivered(DisplayAd());
  const Strings state = KeptCalls();
  for (const Row& row : rows) {
    // Each id and the ledger's note of it, cut at 64 bytes on a character boundary.
    const std::pair<EncodableValue, std::string> ids[] = {
        {EncodableValue(), ""},
        {EncodableValue(7), ""},
        {Str(kept.id.substr(1)), kept.id.substr(1)},
        {Str(""), ""},
        {Str(std::string(60, 'a') + "\u00e9\u00e9\u00e9"), std::string(60, 'a') + "..."},
    };
    for (const auto& [id, noted] : ids) {
      SCOPED_TRACE(row.method + " " + headless::ToString(id));
      ClearRecords();
      Reply reply = Call("QevaAdSpace", row.method,
                         DartMap({{"adSpaceId", id}, {"clickUrl", Str("https://x")}}));
      EXPECT_TRUE(row.reply ? Answered(*reply, *row.reply) : Unanswered(*reply));
      EXPECT_EQ(CoreLog(), row.log);
      EXPECT_EQ(sdk().journal().lines(), Strings{});
      EXPECT_EQ(KeptCalls(), state);
      EXPECT_EQ(Ledger(1), Strings{"QevaAdSpace." + row.method + "(" + noted + ") " + row.end});
    }
  }
}

TEST_F(AdSpaceChannelTest, AdClickOpensTheClickThroughForAdsNotMediated) {
  struct Row {
    std::string name;
    std::shared_ptr<Qeva::QevaAd> ad;
    Entries more;
    std::string urls;
  };
  const Row rows[] = {
      {"display ad",
       DisplayAd(),
       {{"clickUrl", Str("https://a.example")}},
       "\"https://a.example\""},
      {"clickUrl missing", DisplayAd(), {}, "\"\""},
      {"no ad", nullptr, {{"clickUrl", Str("https://b.example")}}, "\"https://b.example\""},
  };
  sdk().setClickThroughSimulation(false);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Requested requested = Request();
    requested.adSpace->setQevaAd(row.ad);
    ClearRecords();
    EXPECT_TRUE(Answered(*Command("AdClick", requested.id, row.more), CommandReply("success")));
    const std::string handler = "ctaHandler#" + std::to_string(sdk().clickThroughCount());
    EXPECT_EQ(Commands(), (Strings{"QevaCTAHandler.init(urls: [" + row.urls +
                                       "], viewControllerToPresent: " + RootViewController() +
                                       ", delegate: " + ManagerName() +
                                       ", adClickBrowser: .embedded) -> " + handler,
                                   handler + ".open()"}));
  }
}

TEST_F(AdSpaceChannelTest, AdClickWithoutRootViewControllerIsNotAnswered) {
  using App = UIKit::UIApplication;
  const std::function<void(App&)> breaks[] = {
      [](App& app) { app.setDelegate(nullptr); },
      [](App& app) { app.delegate()->setRespondsToWindow(false); },
      [](App& app) { app.delegate()->setWindow(nullptr); },
      [](App& app) { app.delegate()->window()->setRootViewController(nullptr); },
  };
  const Requested mediated = Delivered(GAMBanner(kGAMMarkup));
  for (size_t i = 0; i < std::size(breaks); ++i) {
    SCOPED_TRACE(i);
    App::sharedApplication().restoreDefaultScene();
    breaks[i](App::sharedApplication());
    ClearRecords();
    EXPECT_TRUE(Unanswered(*Command("AdClick", mediated.id, {{"clickUrl", Str("https://x")}})));
    EXPECT_EQ(CoreLog(),
              Strings{LogLine("adClicked(_:result:)", "QevaFlutter: UIWindow is empty or nil")});
    EXPECT_EQ(sdk().journal().lines(), Strings{});
    EXPECT_TRUE(sdk().trackerRequests().empty());
    EXPECT_EQ(Ledger(1), Strings{"QevaAdSpace.AdClick() unanswered: no window"});
  }
}

TEST_F(AdSpaceChannelTest, ClickIdIsSetBeforeTheClickThroughOpens) {
  sdk().setClickThroughSimulation(false);
  const Requested earlier = Delivered(DisplayAd());
  const Requested clicked = Delivered(DisplayAd());
  Command("AdClick", earlier.id, {{"clickUrl", Str("https://a")}});
  // The SDK reports success from inside open(): the ad space clicked now must be the one paused.
  sdk().setClickThroughOpenHook([](QevaStandIn::ClickThrough& click_through) {
    click_through.reportSuccessRedirect(Qeva::QevaCTAaction::openedInApp);
  });
  ClearRecords();
  EXPECT_TRUE(Answered(*Command("AdClick", clicked.id, {{"clickUrl", Str("https://b")}}),
                       CommandReply("success")));
  EXPECT_EQ(sdk().journal().commandLinesAbout(clicked.adSpace->name()),
            Strings{clicked.adSpace->name() + ".pause()"});
  EXPECT_EQ(sdk().journal().commandLinesAbout(earlier.adSpace->name()), Strings{});
}

TEST_F(AdSpaceChannelTest, ClickThroughReportsActOnTheLatestClick) {
  sdk().setClickThroughSimulation(false);
  const Requested first = Delivered(DisplayAd());
  const Requested latest = Delivered(DisplayAd());
  ClearRecords();
  manager()->onSuccessRedirect(Qeva::QevaCTAaction::openedInApp);
  manager()->onCompleteCTA();
  EXPECT_EQ(Commands(), Strings{}) << "before any click-through";

  Command("AdClick", first.id, {{"clickUrl", Str("https://a")}});
  Command("AdClick", latest.id, {{"clickUrl", Str("https://b")}});
  ClearRecords();
  QevaStandIn::ClickThrough& firstClickThrough = *sdk().clickThrough(1);
  firstClickThrough.reportSuccessRedirect(Qeva::QevaCTAaction::openedInEmbeddedBrowser);
  firstClickThrough.reportFailureRedirect(OddError());
  firstClickThrough.reportComplete();
  const std::string name = latest.adSpace->name();
  EXPECT_EQ(Commands(), (Strings{name + ".pause()", name + ".resume()"}));
  EXPECT_EQ(CoreLog(), Strings{LogLine("onFailureRedirect(error:)",
                                       "QevaFlutter: CTA Click Error odd error")});
}

TEST_F(AdSpaceChannelTest, FallbackAdWaitsOnlyForMediatedAds) {
  const std::string kFunction = "attemptFallbackAd(_:result:)";
  struct Row {
    std::string name;
    std::shared_ptr<Qeva::QevaAd> ad;
    std::optional<EncodableValue> reply;
    Strings log;
    std::string end;
  };
  const Row rows[] = {
      {"display ad",
       DisplayAd(),
       CommandReply("failure"),
       {LogLine(kFunction, "QevaFlutter: Is qevaAd flutterMediationAd false")},
       "answered value"},
      {"GAM banner",
       GAMBanner("{}"),
       std::nullopt,
       {LogLine(kFunction, "QevaFlutter: Is qevaAd flutterMediationAd true")},
       "pending"},
      {"no ad", nullptr, std::nullopt, {}, "unanswered: ad space holds no ad"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Requested requested = Delivered(DisplayAd());
    requested.adSpace->setQevaAd(row.ad);
    ClearRecords();
    Reply reply = Command("FallbackAd", requested.id);
    EXPECT_TRUE(row.reply ? Answered(*reply, *row.reply) : Unanswered(*reply));
    EXPECT_EQ(CoreLog(), row.log);
    EXPECT_EQ(Ledger(1), Strings{"QevaAdSpace.FallbackAd(" + requested.id + ") " + row.end});
  }
}

// Dart code that reacts to a reply at once, before the plugin's event has returned.
class DartReactsToRepliesTest : public CoreTest {
 protected:
  // Runs |call| from inside the next reply only.
  void OnNextReply(std::function<void()> call) {
    world_.SetReplyHook([this, call] {
      world_.SetReplyHook(nullptr);
      call();
    });
  }
};

// The answered result leaves the map before the reply goes out, so the new call's survives.
TEST_F(DartReactsToRepliesTest, AdRenderSentFromInsideAReplyStaysPending) {
  struct Row {
    std::string name;
    std::function<void(const Requested&)> reply;
  };
  const Row rows[] = {
      {"render reply",
       [this](const Requested& r) {
         Reply render = Command("AdRender", r.id);
         r.adSpace->fireAdRender();
         EXPECT_TRUE(Answered(*render, RenderReply(false)));
       }},
      {"pause reply",
       [this](const Requested& r) {
         Command("AdRefresh", r.id);
         EXPECT_TRUE(Answered(*Command("AdPause", r.id), CommandReply("success")));
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Requested requested = Delivered(DisplayAd());
    Reply inside;
    OnNextReply([&] { inside = Command("AdRender", requested.id); });
    row.reply(requested);
    ASSERT_TRUE(inside);
    EXPECT_TRUE(Unanswered(*inside));
    requested.adSpace->fireAdRender();
    EXPECT_TRUE(Answered(*inside, RenderReply(false)));
  }
}

TEST_F(DartReactsToRepliesTest, MediatedClickIsAnsweredBeforeTheTrackersFire) {
  sdk().setClickThroughSimulation(false);
  const Requested display = Delivered(DisplayAd());
  Command("AdClick", display.id, {{"clickUrl", Str("https://a")}});
  const Requested mediated = Delivered(GAMBanner(kGAMMarkup));
  size_t trackedAtReply = 99;
  OnNextReply([&] { trackedAtReply = sdk().trackerRequests().size(); });
  EXPECT_TRUE(Answered(*Command("AdClick", mediated.id, {{"clickUrl", Str("https://b")}}),
                       CommandReply("success")));
  EXPECT_EQ(trackedAtReply, 0u);
  Strings tracked;
  for (const auto& request : sdk().trackerRequests()) {
    tracked.push_back(request.eventName + " " + request.url);
  }
  EXPECT_EQ(tracked, (Strings{"click https://t.example/1", "click https://t.example/2"}));
  EXPECT_EQ(sdk().clickThroughCount(), 1u);
  // The click id stays the display ad's: its click-through still pauses it.
  ClearRecords();
  sdk().clickThrough(1)->reportSuccessRedirect(Qeva::QevaCTAaction::openedInApp);
  EXPECT_EQ(Commands(), Strings{display.adSpace->name() + ".pause()"});
}

}  // namespace
}  // namespace QevaFlutter::testing
