#include <map>
#include <optional>

#include "Core/CoreFixture.h"

namespace QevaFlutter::testing {
namespace {

using QevaStandIn::InitReport;

constexpr char kRegistration[] =
    "registry.addQevaAds(qevaAds: [QevaFlutter.QevaAdFlutterDisplay, "
    "QevaFlutter.QevaAdFlutterGAMBanner])";

std::string InitFailure() {
  return Qeva::QevaSDKError(Qeva::QevaSDKError::Code::initializationFailed).description();
}

class QevaFlutterManagerTest : public CoreTest {
 protected:
  Reply StartUp(const std::string& id) {
    return Call("QevaManager", "QevaManager",
                DartMap({{"accountId", Str(id)}, {"appId", Str(id)}, {"secretKey", Str("key")}}));
  }
  std::string Initialize(const std::string& id, const std::string& key = "key") const {
    return "manager.initialize(accountId: " + id + ", appId: " + id + ", secretKey: \"" + key +
           "\", delegate: " + ManagerName() + ")";
  }
};

TEST_F(QevaFlutterManagerTest, OpensFiveChannelsInOrderAndTouchesNothingElse) {
  EXPECT_EQ(world_.engine().channels(),
            (Strings{"QevaManager", "QevaApplication", "QevaUser", "QevaDevice", "QevaAdSpace"}));
  EXPECT_TRUE(world_.engine().sent_messages().empty());
  EXPECT_EQ(sdk().journal().lines(), Strings{});
  EXPECT_EQ(CoreLog(), Strings{});
}

TEST_F(QevaFlutterManagerTest, RejectedCallsAreLeftUnansweredAndChangeNothing) {
  struct Row {
    std::string name, channel, method;
    EncodableValue arguments;
    std::string reason;  // As the reply ledger gives it.
  };
  const std::string kMethod = "method not accepted";
  const std::string kArguments = "arguments not accepted";
  const EncodableValue intKeyed(EncodableMap{{EncodableValue(1), Str("x")}});
  std::vector<Row> rows = {
      {"start-up, number value", "QevaManager", "QevaManager",
       DartMap({{"accountId", EncodableValue(12)}}), kArguments},
      {"start-up, null value", "QevaManager", "QevaManager",
       DartMap({{"secretKey", EncodableValue()}}), kArguments},
      {"start-up, another channel's method", "QevaManager", "QevaUser", DartMap({}), kMethod},
      {"ad space, unknown method", "QevaAdSpace", "AdFoo", DartMap({}), kMethod},
      {"ad space, method in other case", "QevaAdSpace", "adRequest", DartMap({}), kMethod},
  };
  for (std::string channel : {"QevaManager", "QevaUser", "QevaDevice", "QevaApplication"}) {
    rows.push_back({channel + ", method in other case", channel, "q" + channel.substr(1),
                    DartMap({}), kMethod});
    for (const EncodableValue& arguments : {EncodableValue(), DartList({}), Str("x"), intKeyed}) {
      rows.push_back(
          {channel + " " + headless::ToString(arguments), channel, channel, arguments, kArguments});
    }
  }
  for (std::string method :
       {"AdRequest", "AdRender", "AdRefresh", "AdClick", "FallbackAd", "AdPause"}) {
    for (const EncodableValue& arguments : {EncodableValue(), DartList({}), intKeyed}) {
      rows.push_back({method + " " + headless::ToString(arguments), "QevaAdSpace", method,
                      arguments, kArguments});
    }
  }
  Request();  // State for the rejected calls to leave alone.
  const Strings state = KeptCalls();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ClearRecords();
    EXPECT_TRUE(Unanswered(*Call(row.channel, row.method, row.arguments)));
    EXPECT_EQ(sdk().journal().lines(), Strings{});
    EXPECT_EQ(CoreLog(), Strings{});
    EXPECT_EQ(KeptCalls(), state);
    EXPECT_EQ(Ledger(1), Strings{row.channel + "." + row.method + "() unanswered: " + row.reason});
  }
  // Bytes that are no method call never reach the plugin: the channel gives them the empty
  // reply (Dart's MissingPluginException), and the ledger has no line for them.
  const CallCounts counts = manager()->replyLedger()->counts();
  for (std::string channel :
       {"QevaManager", "QevaApplication", "QevaUser", "QevaDevice", "QevaAdSpace"}) {
    SCOPED_TRACE(channel + ", undecodable bytes");
    EXPECT_EQ(world_.Send(channel, {0x05})->kind(), headless::DartReply::Kind::kNotImplemented);
  }
  EXPECT_EQ(manager()->replyLedger()->counts(), counts);
  EXPECT_EQ(KeptCalls(), state);
}

TEST_F(QevaFlutterManagerTest, StartUpParsesIdsStrictlyAndRegistersAfterInitialize) {
  struct Row {
    std::optional<std::string> text;  // None: no keys at all.
    std::string number;
  };
  const Row rows[] = {
      {"12", "12"},
      {"+12", "12"},
      {"-12", "-12"},
      {"007", "7"},
      {"9223372036854775807", "9223372036854775807"},
      {"-9223372036854775808", "-9223372036854775808"},
      {"9223372036854775808", "0"},
      {"-9223372036854775809", "0"},
      {" 12", "0"},
      {"12 ", "0"},
      {"12a", "0"},
      {"-", "0"},
      {"", "0"},
      {"1.5", "0"},
      {"0x1F", "0"},
      {std::nullopt, "0"},
  };
  sdk().setInitializationReport(InitReport::never);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text.value_or("no keys"));
    ClearRecords();
    Reply reply = row.text ? StartUp(*row.text) : Call("QevaManager", "QevaManager", DartMap({}));
    EXPECT_EQ(Commands(), (Strings{Initialize(row.number, row.text ? "key" : ""), kRegistration}));
    EXPECT_TRUE(Unanswered(*reply));
  }
}

TEST_F(QevaFlutterManagerTest, StatusReportAnswersTheCallWhenItComes) {
  struct Row {
    std::string name;
    InitReport report;
    std::string reply;
    bool atOnce;
  };
  const Row rows[] = {{"success later", InitReport::successLater, "success", false},
                      {"success inside initialize", InitReport::successAtOnce, "success", true},
                      {"failure later", InitReport::failureLater, "failure", false},
                      {"failure inside initialize", InitReport::failureAtOnce, "failure", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ClearRecords();
    sdk().setInitializationReport(row.report);
    Reply reply = StartUp("12");
    sdk().runLoop().runUntilIdle();
    // A plain string either way; registration follows initialize even after a failure.
    EXPECT_TRUE(Answered(*reply, Str(row.reply)));
    const bool success = row.reply == "success";
    const std::string report = success ? "initDelegate.onSuccess()"
                                       : "initDelegate.onFailure(error: \"" + InitFailure() + "\")";
    const Strings journal = row.atOnce ? Strings{Initialize("12"), report, kRegistration}
                                       : Strings{Initialize("12"), kRegistration, report};
    EXPECT_EQ(sdk().journal().lines(), journal);
    EXPECT_EQ(CoreLog(), Strings{success ? LogLine("onSuccess()", "")
                                         : LogLine("onFailure(error:)", "error " + InitFailure())});
  }
}

TEST_F(QevaFlutterManagerTest, StartUpReportWithNothingStoredOnlyLogs) {
  const Strings state = KeptCalls();
  const CallCounts counts = manager()->replyLedger()->counts();
  manager()->onSuccess();
  manager()->onFailure(Qeva::QevaSDKError(Qeva::QevaSDKError::Code::initializationFailed));
  EXPECT_EQ(CoreLog(), (Strings{LogLine("onSuccess()", ""),
                                LogLine("onFailure(error:)", "error " + InitFailure())}));
  EXPECT_EQ(sdk().journal().lines(), Strings{});
  EXPECT_EQ(manager()->replyLedger()->counts(), counts);
  EXPECT_EQ(KeptCalls(), state);
}

TEST_F(QevaFlutterManagerTest, LatestStartUpIsAnsweredOnceAndOnlyOnce) {
  sdk().setInitializationReport(InitReport::never);
  Reply replaced = StartUp("1");
  Reply latest = StartUp("2");
  sdk().reportInitializationSuccess();
  sdk().reportInitializationFailure();
  EXPECT_TRUE(Unanswered(*replaced));
  EXPECT_TRUE(Answered(*latest, Str("success")));
  EXPECT_EQ(Ledger(2), (Strings{"QevaManager.QevaManager() replaced",
                                "QevaManager.QevaManager() answered value"}));
  EXPECT_EQ(Commands(), (Strings{Initialize("1"), kRegistration, Initialize("2"), kRegistration}));
  EXPECT_EQ(CoreLog(), (Strings{LogLine("onSuccess()", ""),
                                LogLine("onFailure(error:)", "error " + InitFailure()),
                                LogLine("FlutterResult(_:)",
                                        "QevaFlutter: result already answered, reply dropped")}));
}

TEST_F(QevaFlutterManagerTest, TargetingAppliesValuesOfTheRightTypeInTableOrder) {
  struct Row {
    std::string name, channel;
    Entries arguments;
    Strings setters;
  };
  const EncodableValue ab = DartList({Str("a"), Str("b")});
  const Row rows[] = {
      {"user, every key",
       "QevaUser",
       {{"zipCode", Str("75001")},
        {"region", Str("IDF")},
        {"keywords", ab},
        {"id", Str("u-1")},
        {"gender", Str("f")},
        {"country", Str("FR")},
        {"city", Str("Paris")},
        {"age", Str("33")}},
       {"user.setId(id: \"u-1\")", "user.setGender(gender: \"f\")", "user.setAge(age: \"33\")",
        "user.setCity(city: \"Paris\")", "user.setRegion(region: \"IDF\")",
        "user.setCountry(country: \"FR\")", "user.setZipCode(zipCode: \"75001\")",
        "user.setKeywords(keywords: [\"a\", \"b\"])"}},
      {"user, other types, null and other case skipped",
       "QevaUser",
       {{"age", EncodableValue(33)},
        {"keywords", DartList({Str("a"), EncodableValue(1)})},
        {"ID", Str("u-1")},
        {"gender", EncodableValue()},
        {"city", Str("")}},
       {"user.setCity(city: \"\")"}},
      {"device, every key",
       "QevaDevice",
       {{"marketingName", Str("Pixel")},
        {"platform", EncodableValue(3)},
        {"osVersion", Str("14")},
        {"operatingSystem", Str("Android")},
        {"model", Str("P8")},
        {"make", Str("Google")},
        {"deviceType", EncodableValue(4)},
        {"connectionType", EncodableValue(2)}},
       {"device.setConnectionType(connectionType: 2)", "device.setDeviceType(type: 4)",
        "device.setMake(make: \"Google\")", "device.setModel(model: \"P8\")",
        "device.setOS(operatingSystem: \"Android\")", "device.setOSVersion(version: \"14\")",
        "device.setPlatform(platform: 3)", "device.setMarketingName(marketingName: \"Pixel\")"}},
      {"device, enumerations from their integers only",
       "QevaDevice",
       {{"connectionType", EncodableValue(int64_t{7})}, {"deviceType", EncodableValue(2.0)}},
       {"device.setConnectionType(connectionType: 7)"}},
      {"device, no such case, text",
       "QevaDevice",
       {{"connectionType", Str("2")}, {"deviceType", EncodableValue(0)}, {"platform", Str("3")}},
       {}},
      {"device, platform int64",
       "QevaDevice",
       {{"platform", EncodableValue(int64_t{1} << 40)}},
       {"device.setPlatform(platform: 1099511627776)"}},
      {"device, platform whole double",
       "QevaDevice",
       {{"platform", EncodableValue(-3.0)}},
       {"device.setPlatform(platform: -3)"}},
      {"device, platform fraction", "QevaDevice", {{"platform", EncodableValue(3.5)}}, {}},
      {"device, platform beyond 64 bits", "QevaDevice", {{"platform", EncodableValue(1e19)}}, {}},
      {"device, platform boolean", "QevaDevice", {{"platform", EncodableValue(true)}}, {}},
      {"application, every key",
       "QevaApplication",
       {{"customData", DartMap({{"k", Str("v")}})},
        {"sectionCategory", DartList({Str("IAB24")})},
        {"pageCategory", DartList({Str("IAB1"), Str("IAB12")})},
        {"keywords", ab}},
       {"application.setKeywords(keywords: [\"a\", \"b\"])",
        "application.setPageCategory(pageCategory: [\"IAB1\", \"IAB12\"])",
        "application.setSectionCategory(sectionCategory: [\"IAB24\"])",
        "application.setCustomData(customData: [\"k\": \"v\"])"}},
      {"application, lists and maps convert whole or not at all",
       "QevaApplication",
       {{"pageCategory", DartList({Str("IAB1"), Str("iab2")})},
        {"sectionCategory", DartList({Str("IAB1"), EncodableValue(3)})},
        {"customData", DartMap({{"k", EncodableValue(1)}})},
        {"keywords", Str("a")}},
       {}},
      {"user, empty map", "QevaUser", {}, {}},
      {"device, empty map", "QevaDevice", {}, {}},
      {"application, empty map", "QevaApplication", {}, {}},
  };
  const std::map<std::string, std::string> getters = {
      {"QevaUser", "manager.getQevaUser() -> user"},
      {"QevaDevice", "manager.getQevaDevice() -> device"},
      {"QevaApplication", "manager.getQevaApplication() -> application"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ClearRecords();
    Reply reply = Call(row.channel, row.channel, DartMap(row.arguments));
    Strings expected = {getters.at(row.channel)};
    expected.insert(expected.end(), row.setters.begin(), row.setters.end());
    EXPECT_EQ(sdk().journal().lines(), expected);
    EXPECT_TRUE(Answered(*reply, Str("success")));
    EXPECT_EQ(CoreLog(), Strings{});
  }
}

TEST_F(QevaFlutterManagerTest, HandlersKeepTheManagerUntilTheEngineGoes) {
  sdk().setClickThroughSimulation(false);
  StartUp("1");
  const Requested requested = Delivered(DisplayAd());
  Command("AdRender", requested.id);
  Command("AdClick", requested.id, {{"clickUrl", Str("https://example.com")}});

  std::shared_ptr<QevaFlutterManager> held = manager();
  std::weak_ptr<QevaFlutterManager> weak = held;
  const std::shared_ptr<const ReplyLedger> ledger = held->replyLedger();
  held.reset();
  ASSERT_FALSE(weak.expired());
  EXPECT_TRUE(Answered(*Call("QevaUser", "QevaUser", DartMap({})), Str("success")));
  world_.ShutDown();
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(requested.adSpace->adEventDelegate(), nullptr);
  EXPECT_EQ(sdk().lastClickThrough()->delegate(), nullptr);
  // The calls still kept went with the manager, unanswered; the ledger says so.
  Strings records;
  for (const CallRecord& record : ledger->records()) {
    records.push_back(record.ToString());
  }
  const std::string id = requested.id;
  EXPECT_EQ(records, (Strings{"#1 QevaManager.QevaManager() released",
                              "#2 QevaAdSpace.AdRequest(" + id + ") answered value",
                              "#3 QevaAdSpace.AdRender(" + id + ") released",
                              "#4 QevaAdSpace.AdClick(" + id + ") answered value",
                              "#5 QevaUser.QevaUser() answered value"}));
  EXPECT_EQ(ledger->counts().ToString(),
            "calls 5: pending 0, answered 3 (value 3, error 0), replaced 0, dropped 0, "
            "unanswered 0, released 2");
}

// The secret key goes to the SDK's initialize() and nowhere else the plugin writes.
TEST_F(QevaFlutterManagerTest, SecretKeyReachesOnlyTheSdk) {
  const std::string secret = "sk-7Hq2-Zx9v";
  for (InitReport report : {InitReport::successAtOnce, InitReport::failureAtOnce}) {
    sdk().setInitializationReport(report);
    Call("QevaManager", "QevaManager", DartMap({{"secretKey", Str(secret)}}));
    Call("QevaManager", "qevaManager", DartMap({{"secretKey", Str(secret)}}));
    Call("QevaManager", "QevaManager",
         DartMap({{"secretKey", Str(secret)}, {"appId", EncodableValue(1)}}));
  }
  EXPECT_EQ(sdk().logSink().summaries(),
            (Strings{"[info] onSuccess(): ", "[info] onFailure(error:): error " + InitFailure()}));
  const Strings ledger = Ledger(6);
  EXPECT_EQ(ledger, (Strings{"QevaManager.QevaManager() answered value",
                             "QevaManager.qevaManager() unanswered: method not accepted",
                             "QevaManager.QevaManager() unanswered: arguments not accepted",
                             "QevaManager.QevaManager() answered value",
                             "QevaManager.qevaManager() unanswered: method not accepted",
                             "QevaManager.QevaManager() unanswered: arguments not accepted"}));
  Strings written = ledger;
  for (const QevaStandIn::LogLine& line : sdk().logSink().lines()) {
    written.push_back(line.ToString());
  }
  for (const std::string& text : written) {
    EXPECT_EQ(text.find(secret), std::string::npos) << text;
  }
  // The SDK's own record of initialize() is where it belongs.
  EXPECT_EQ(Commands().at(0), "manager.initialize(accountId: 0, appId: 0, secretKey: \"" + secret +
                                  "\", delegate: " + ManagerName() + ")");
}

}  // namespace
}  // namespace QevaFlutter::testing
