// qeva-host end to end: its transcripts, expectations, unanswered calls and trackers.
//
// The built-in scenario's transcript is compared with golden/builtin.transcript.txt. After an
// intended change of the transcript, regenerate the file from a build directory with
//   QEVA_UPDATE_GOLDEN=1 ctest -R BuiltinScenarioMatchesTheGoldenTranscript
// (or: tools/qeva-host > <source>/tests/Tools/golden/builtin.transcript.txt) and review the
// diff before committing it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "HostActions.h"
#include "HostTestSupport.h"

namespace QevaHost::testing {
namespace {

using nlohmann::json;

// Ads for the small scenarios below: a display ad, and a GAM banner with no fallback.
constexpr char kInventory[] = R"({
  "d": [{"signature": "iab.smartphonebanner", "markup": "<p>d</p>", "width": 1, "height": 2}],
  "g": [{"signature": "nw.gambanner", "markup": {"adnetwork_params": {"click-url": []}}}]
})";

// Start-up registers the plugin's renderers; without it the SDK serves no ad.
constexpr char kStartUp[] = R"({"name": "start-up", "call": {"channel": "QevaManager",
    "method": "QevaManager", "arguments": {}}})";

// A scenario over kInventory: start-up (step 1, call #1), then |steps| (a JSON array's
// members).
std::string Scenario(const std::string& steps) {
  return std::string(R"({"inventory": )") + kInventory + R"(, "steps": [)" + kStartUp + ", " +
         steps + "]}";
}

HostRun RunScenario(const std::string& steps, std::vector<std::string> options = {}) {
  options.push_back(WriteTemp("scenario.json", Scenario(steps)));
  return RunInProcess(options);
}

// The first line where |got| and |want| differ, for a readable failure.
std::string FirstDifference(const std::string& got, const std::string& want) {
  const std::vector<std::string> got_lines = Lines(got);
  const std::vector<std::string> want_lines = Lines(want);
  for (size_t i = 0; i < std::max(got_lines.size(), want_lines.size()); ++i) {
    const std::string a = i < got_lines.size() ? got_lines[i] : "<end>";
    const std::string b = i < want_lines.size() ? want_lines[i] : "<end>";
    if (a != b) {
      return "line " + std::to_string(i + 1) + "\n  got:  " + a + "\n  want: " + b;
    }
  }
  return "no difference";
}

TEST(HostToolTest, BuiltinScenarioMatchesTheGoldenTranscript) {
  const HostRun run = RunExecutable("");
  ASSERT_EQ(run.status, 0) << run.err;
  if (std::getenv("QEVA_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(QEVA_HOST_GOLDEN, std::ios::binary) << run.out;
    GTEST_SKIP() << "golden transcript rewritten: " << QEVA_HOST_GOLDEN;
  }
  const std::string golden = ReadFile(QEVA_HOST_GOLDEN);
  EXPECT_TRUE(run.out == golden) << FirstDifference(run.out, golden);
  // The road's landmarks, should the golden file itself go wrong.
  EXPECT_NE(run.out.find("    net tracker hit: GET /click/1 → 200\n"), std::string::npos);
  EXPECT_NE(run.out.find("    sdk ctaHandler#1.delegate.onCompleteCTA()\n"), std::string::npos);
  EXPECT_EQ(run.err, "");
}

TEST(HostToolTest, BuiltinScenarioIsTheExampleFiles) {
  const HostRun builtin = RunInProcess({});
  const HostRun files = RunInProcess({Example("builtin.scenario.json")});
  ASSERT_EQ(builtin.status, 0);
  ASSERT_EQ(files.status, 0);
  // Only the header, which names the source, may differ.
  const std::string builtin_body = builtin.out.substr(builtin.out.find('\n'));
  const std::string files_body = files.out.substr(files.out.find('\n'));
  EXPECT_TRUE(builtin_body == files_body) << FirstDifference(builtin_body, files_body);
}

TEST(HostToolTest, ExamplesRunGreenAsTextAndAsJson) {
  for (const char* example :
       {"builtin.scenario.json", "contract.scenario.json", "error-paths.scenario.json"}) {
    SCOPED_TRACE(example);
    const HostRun text = RunInProcess({Example(example)});
    EXPECT_EQ(text.status, 0) << text.out;
    EXPECT_EQ(text.out.find("FAILED"), std::string::npos);

    const HostRun machine = RunInProcess({"--json", Example(example)});
    EXPECT_EQ(machine.status, 0);
    const std::vector<std::string> lines = Lines(machine.out);
    for (const std::string& line : lines) {
      EXPECT_FALSE(json::parse(line, nullptr, false).is_discarded()) << line;
    }
    const std::vector<json> summary = Events(machine.out, "summary");
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0]["ok"], true);
    EXPECT_EQ(summary[0]["expectationsFailed"], 0);
  }
}

TEST(HostToolTest, SeedChoosesTheIdsAndNothingElse) {
  const HostRun first = RunInProcess({"--seed", "7"});
  const HostRun again = RunInProcess({"--seed", "7"});
  const HostRun other = RunInProcess({"--seed", "8"});
  EXPECT_EQ(first.out, again.out);
  EXPECT_NE(first.out, other.out);
  const std::string first_body = WithoutIds(first.out.substr(first.out.find('\n')));
  const std::string other_body = WithoutIds(other.out.substr(other.out.find('\n')));
  EXPECT_TRUE(first_body == other_body) << FirstDifference(first_body, other_body);
}

TEST(HostToolTest, SecretKeyIsNeverPrinted) {
  const std::string steps = R"({"call": {"channel": "QevaManager", "method": "QevaManager",
      "arguments": {"accountId": "1", "secretKey": "hunter2-secret"}}})";
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{}, {"--json"}, {"--verbose"}, {"--json", "--verbose"}}) {
    SCOPED_TRACE(options.empty() ? "text" : options[0] + (options.size() > 1 ? " verbose" : ""));
    const HostRun run = RunScenario(steps, options);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.find("hunter2"), std::string::npos);
    EXPECT_NE(run.out.find("••••"), std::string::npos);
  }
  const HostRun text = RunScenario(steps);
  EXPECT_NE(text.out.find("  → #2 QevaManager.QevaManager {\"accountId\": \"1\", \"secretKey\": "
                          "\"••••\"}\n"),
            std::string::npos);
  EXPECT_NE(text.out.find("    sdk manager.initialize(accountId: 1, appId: 0, secretKey: "
                          "\"••••\", delegate: <QevaFlutter.QevaFlutterManager: 4>)\n"),
            std::string::npos);
}

TEST(HostToolTest, ColourOnlyWhenAllowedAndNotForMachines) {
  struct Row {
    const char* name;
    std::vector<std::string> arguments;
    bool colour;
    bool coloured;
  };
  const std::vector<Row> rows = {
      {"terminal", {}, true, true},
      {"not a terminal", {}, false, false},
      {"--no-color", {"--no-color"}, true, false},
      {"--json", {"--json"}, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const HostRun run = RunInProcess(row.arguments, row.colour);
    EXPECT_EQ(run.out.find("\x1b[") != std::string::npos, row.coloured);
  }
}

TEST(HostToolTest, HelpReadsLikeAManualPageAndListsEveryAction) {
  const HostRun run = RunExecutable("--help");
  EXPECT_EQ(run.status, 0);
  size_t at = 0;
  for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "SCENARIO FORMAT", "OPTIONS",
                              "EXIT STATUS", "EXAMPLES"}) {
    SCOPED_TRACE(section);
    const size_t found = ("\n" + run.out).find(std::string("\n") + section + "\n", at);
    ASSERT_NE(found, std::string::npos) << "missing, or out of order";
    at = found;
  }
  for (const HostAction& action : HostActions::Standard().all()) {
    EXPECT_NE(run.out.find("        " + action.name + ": " + action.argument + "\n"),
              std::string::npos)
        << action.name;
  }
}

TEST(HostToolTest, BadCommandLineExitsTwoWithoutRunning) {
  const HostRun run = RunExecutable("--frobnicate");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "qeva-host: unknown option --frobnicate\nTry 'qeva-host --help'.\n");
}

TEST(HostToolTest, FailedExpectationsNameTheStepAndShowBothSides) {
  struct Row {
    const char* name;
    std::string steps;
    std::vector<std::string> report;
  };
  const std::vector<Row> rows = {
      {"another value",
       R"({"name": "u", "call": {"channel": "QevaUser", "method": "QevaUser", "arguments": {}},
           "expect": "failure"})",
       {"  ✗ step 2 \"u\" (#2)", "      expected \"failure\"", "      got      \"success\""}},
      {"another error code",
       R"({"call": {"channel": "QevaAdSpace", "method": "AdRequest", "arguments": {"tagId": "x"}},
           "expect": {"error": "1002"}})",
       {"  ✗ step 2 (#2)", "      expected error 1002",
        "      got      error 1001 \"QevaAd is nil or Ad Response is empty.\""}},
      {"answered after all",
       R"({"name": "n", "call": {"channel": "QevaUser", "method": "QevaUser", "arguments": {}},
           "expect": "never"})",
       {"  ✗ step 2 \"n\" (#2)", "      expected no reply, ever", "      got      \"success\""}},
      {"never answered",
       R"({"call": {"channel": "QevaAdSpace", "method": "AdRender",
           "arguments": {"adSpaceId": "x"}}, "expect": {"result": "success"}})",
       {"  ✗ step 2 (#2)", "      expected {\"result\": \"success\"}",
        "      got      no reply (no ad space for id \"x\")"}},
      {"members missing",
       R"({"name": "ad", "call": {"channel": "QevaAdSpace", "method": "AdRequest",
           "arguments": {"tagId": "d"}}, "as": "ad",
           "expect": {"includes": {"adSpaceId": "${ad.adSpaceId}", "signature": "nw.gambanner"}}})",
       {"  ✗ step 2 \"ad\" (#2)",
        "      expected a map including {\"adSpaceId\": \"<id>\", \"signature\": \"nw.gambanner\"}",
        "      got      {\"adSpaceId\": \"<id>\", \"response\": "
        "\"{\\\"adSize\\\":\\\"1x2\\\",\\\"response\\\":\\\"<p>d</p>\\\"}\", \"result\": "
        "\"success\", \"signature\": \"iab.smartphonebanner\"}"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const HostRun run = RunScenario(row.steps);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Block(WithoutIds(run.out), "expectations"), row.report);
    EXPECT_EQ(Lines(run.out).back(), "FAILED: 1 expectation(s) not met");
  }
}

TEST(HostToolTest, StepThatCannotRunStopsTheRunAndFailsIt) {
  struct Row {
    const char* name;
    std::string steps;
    std::string error;
  };
  const std::string last = R"(, {"call": {"channel": "QevaUser", "method": "QevaUser"}})";
  const std::vector<Row> rows = {
      {"a reply that is an error",
       R"({"call": {"channel": "QevaAdSpace", "method": "AdRequest", "arguments": {"tagId": "x"}},
           "as": "x"},
          {"call": {"channel": "QevaAdSpace", "method": "AdRender",
           "arguments": {"adSpaceId": "${x.adSpaceId}"}}})",
       "  ✗ step 3: \"${x.adSpaceId}\": call \"x\" (#2) was answered with error 1001 \"QevaAd is "
       "nil or Ad Response is empty.\""},
      {"a member the reply lacks",
       R"({"call": {"channel": "QevaUser", "method": "QevaUser", "arguments": {}}, "as": "u"},
          {"refuseTag": "${u.id}"})",
       "  ✗ step 3: \"${u.id}\": the reply of call \"u\" (#2) has no \"id\""},
      {"a reply that has not come",
       R"({"call": {"channel": "QevaAdSpace", "method": "AdRender", "arguments": {}}, "as": "r"},
          {"refuseTag": "${r.result}"})",
       "  ✗ step 3: \"${r.result}\": call \"r\" (#2) has no reply yet"},
      {"an event for an unknown ad space",
       R"({"call": {"channel": "QevaUser", "method": "QevaUser", "arguments": {}}},
          {"fire": {"adSpaceId": "nope", "event": "ready"}})",
       "  ✗ step 3: fire: the plugin keeps no ad space under that id"},
      {"no click-through to finish",
       R"({"call": {"channel": "QevaUser", "method": "QevaUser", "arguments": {}}},
          {"finishClickThrough": null})",
       "  ✗ step 3: finishClickThrough: no such click-through"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const HostRun run = RunScenario(row.steps + last);
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> lines = Lines(run.out);
    EXPECT_NE(std::find(lines.begin(), lines.end(), row.error), lines.end()) << run.out;
    EXPECT_EQ(run.out.find("step 4"), std::string::npos) << "the run went on";
    EXPECT_EQ(lines.back(), "FAILED: " + row.error.substr(std::string("  ✗ ").size()));
  }
}

TEST(HostToolTest, UnansweredCallsSayWhy) {
  struct Row {
    const char* name;
    std::string steps;
    json unanswered;  // [[call, reason, detail], ...]
  };
  const std::string request_d =
      R"({"call": {"channel": "QevaAdSpace", "method": "AdRequest", "arguments": {"tagId": "d"}},
          "as": "d"})";
  const std::string refresh_d =
      R"({"call": {"channel": "QevaAdSpace", "method": "AdRefresh",
          "arguments": {"adSpaceId": "${d.adSpaceId}"}}})";
  std::string targeting_calls;  // More calls than the plugin's reply ledger keeps records of.
  for (int i = 0; i < 300; ++i) {
    targeting_calls +=
        R"({"call": {"channel": "QevaUser", "method": "QevaUser", "arguments": {}}},)";
  }
  const std::vector<Row> rows = {
      {"a method the channel lacks",
       R"({"call": {"channel": "QevaAdSpace", "method": "AdShow", "arguments": {}}})",
       {{2, "wrong-method", "\"AdShow\" is not a method of channel \"QevaAdSpace\""}}},
      {"a list for arguments",
       R"({"call": {"channel": "QevaUser", "method": "QevaUser", "arguments": ["id"]}})",
       {{2, "not-a-map", "the arguments are a list, not a map"}}},
      {"start-up values that are not strings",
       R"({"call": {"channel": "QevaManager", "method": "QevaManager", "arguments": {"appId": 2}}})",
       {{2, "not-a-map", "the arguments are not a map of strings: \"appId\" is an int"}}},
      {"an unknown id",
       R"({"call": {"channel": "QevaAdSpace", "method": "AdPause",
           "arguments": {"adSpaceId": "gone"}}})",
       {{2, "no-ad-space", "no ad space for id \"gone\""}}},
      {"no root view controller",
       R"({"removeWindow": "rootViewController"},
          {"call": {"channel": "QevaAdSpace", "method": "AdClick", "arguments": {}}})",
       {{2, "no-window", "the application has no window with a root view controller"}}},
      {"a refused tag",
       R"({"refuseTag": "t"},
          {"call": {"channel": "QevaAdSpace", "method": "AdRequest", "arguments": {"tagId": "t"}}})",
       {{2, "refused-tag", "the SDK refused tag \"t\": no ad space"}}},
      {"a newer call under the same id",
       request_d + "," + refresh_d + "," + refresh_d,
       {{3, "replaced",
         "replaced by #4 AdRefresh (step 4), a newer call under the same ad-space id"},
        {4, "pending", "still pending: no event of its ad space answered it"}}},
      {"a newer call under the same id, after the ledger let the first one's record go",
       request_d + "," + refresh_d + "," + targeting_calls + refresh_d,
       {{3, "replaced",
         "replaced by #304 AdRefresh (step 304), a newer call under the same ad-space id"},
        {304, "pending", "still pending: no event of its ad space answered it"}}},
      {"a pause",
       request_d + "," + refresh_d + R"(, {"call": {"channel": "QevaAdSpace", "method": "AdPause",
           "arguments": {"adSpaceId": "${d.adSpaceId}"}}})",
       {{3, "dropped", "dropped by #4 AdPause (step 4)"}}},
      {"a start-up the SDK never reports",
       R"({"initReport": "never"},
          {"call": {"channel": "QevaManager", "method": "QevaManager", "arguments": {}}},
          {"call": {"channel": "QevaManager", "method": "QevaManager", "arguments": {}}})",
       {{2, "replaced", "replaced by #3 QevaManager (step 4), a newer call on the same channel"},
        {3, "pending", "still pending: the SDK never reported its start-up"}}},
      {"a fallback on an ad space without an ad",
       R"({"call": {"channel": "QevaAdSpace", "method": "AdRequest", "arguments": {"tagId": "g"}},
           "as": "g"},
          {"call": {"channel": "QevaAdSpace", "method": "FallbackAd",
           "arguments": {"adSpaceId": "${g.adSpaceId}"}}, "expect": {"error": "1001"}},
          {"call": {"channel": "QevaAdSpace", "method": "FallbackAd",
           "arguments": {"adSpaceId": "${g.adSpaceId}"}}})",
       {{4, "no-ad", "the ad space holds no ad"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const HostRun run = RunScenario(row.steps, {"--json"});
    EXPECT_EQ(run.status, 0) << run.out;
    json got = json::array();
    for (const json& event : Events(run.out, "unanswered")) {
      got.push_back({event["call"], event["reason"], event["detail"]});
    }
    EXPECT_EQ(got, row.unanswered);
  }
}

TEST(HostToolTest, RepliesArriveWhenTheRunLoopRunsAndTimePasses) {
  // With "drain": "manual" the fetch's ready reply waits for an explicit runUntilIdle.
  const std::string manual = std::string(R"({"drain": "manual", "inventory": )") + kInventory +
                             R"(, "steps": [)" + kStartUp + R"(,
        {"call": {"channel": "QevaAdSpace", "method": "AdRequest", "arguments": {"tagId": "d",
         "refreshRate": "5"}}, "as": "d"},
        {"runUntilIdle": null},
        {"call": {"channel": "QevaAdSpace", "method": "AdRefresh",
         "arguments": {"adSpaceId": "${d.adSpaceId}"}}},
        {"advance": 4999},
        {"advance": 1}]})";
  const HostRun run = RunInProcess({"--json", WriteTemp("manual.json", manual)});
  ASSERT_EQ(run.status, 0) << run.out;
  std::vector<std::string> order;
  for (const std::string& line : Lines(run.out)) {
    const json event = json::parse(line);
    const std::string type = event["type"];
    if (type == "step" || type == "reply") {
      order.push_back(type + " " + event[type == "step" ? "step" : "call"].dump() +
                      " t=" + event["time"].dump());
    }
  }
  EXPECT_EQ(order, (std::vector<std::string>{"step 1 t=0", "step 2 t=0", "step 3 t=0",
                                             "reply 1 t=0", "reply 2 t=0", "step 4 t=0",
                                             "step 5 t=0", "step 6 t=4999", "reply 3 t=5000"}));
}

TEST(HostToolTest, TrackersAreRequestedOverHttpInTheOrderFired) {
  const std::string scenario = R"({"inventory": {"g": [{"signature": "nw.gambanner",
      "markup": {"adnetwork_params": {"click-url": ["http://{sink}/click/a",
        "http://{sink}/status/503", "ftp://{sink}/x", "http://127.0.0.1:1/closed"]}}}]},
    "steps": [)" + std::string(kStartUp) +
                               R"(,
      {"call": {"channel": "QevaAdSpace", "method": "AdRequest", "arguments": {"tagId": "g"}},
       "as": "g"},
      {"call": {"channel": "QevaAdSpace", "method": "AdClick",
       "arguments": {"adSpaceId": "${g.adSpaceId}"}}, "expect": {"result": "success"}}]})";
  const HostRun run = RunInProcess({"--json", WriteTemp("trackers.json", scenario)});
  ASSERT_EQ(run.status, 0) << run.out;
  std::vector<json> events = Events(run.out, "tracker");
  ASSERT_EQ(events.size(), 7u) << run.out;
  // Why ftp is refused depends on whether the HTTP library has TLS; that it is, does not.
  const std::string refusal = events[2]["detail"];
  EXPECT_EQ(refusal.rfind("scheme \"ftp\" not supported (", 0), 0u) << refusal;
  events[2].erase("detail");
  EXPECT_EQ(events, (std::vector<json>{
                        {{"type", "tracker"},
                         {"kind", "request"},
                         {"url", "http://{sink}/click/a"},
                         {"detail", "tracker#1 click"}},
                        {{"type", "tracker"},
                         {"kind", "request"},
                         {"url", "http://{sink}/status/503"},
                         {"detail", "tracker#1 click"}},
                        {{"type", "tracker"}, {"kind", "refused"}, {"url", "ftp://{sink}/x"}},
                        {{"type", "tracker"},
                         {"kind", "request"},
                         {"url", "http://127.0.0.1:1/closed"},
                         {"detail", "tracker#1 click"}},
                        {{"type", "tracker"},
                         {"kind", "hit"},
                         {"url", "http://{sink}/click/a"},
                         {"path", "/click/a"},
                         {"status", 200}},
                        {{"type", "tracker"},
                         {"kind", "hit"},
                         {"url", "http://{sink}/status/503"},
                         {"path", "/status/503"},
                         {"status", 503}},
                        {{"type", "tracker"},
                         {"kind", "failed"},
                         {"url", "http://127.0.0.1:1/closed"},
                         {"detail", "could not connect"}},
                    }));
  // The sink's own address shows nowhere: every "127.0.0.1:" is the closed port's.
  size_t loopback = 0;
  for (size_t at = run.out.find("127.0.0.1:"); at != std::string::npos;
       at = run.out.find("127.0.0.1:", at + 1)) {
    EXPECT_EQ(run.out.compare(at, 18, "127.0.0.1:1/closed"), 0) << run.out.substr(at, 20);
    ++loopback;
  }
  EXPECT_GT(loopback, 0u);
}

TEST(HostToolTest, InventoryOptionReplacesTheScenarioAds) {
  const std::string only_display = WriteTemp(
      "display-only.json",
      R"({"home-display": [{"signature": "iab.smartphonebanner", "markup": "<b>other</b>"}]})");
  const HostRun run = RunInProcess({"--inventory", only_display});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("\\\"response\\\":\\\"<b>other</b>\\\"}\""), std::string::npos);
  EXPECT_EQ(Lines(run.out).back(),
            "FAILED: step 10 \"Dart drew it: render\": \"${gam.adSpaceId}\": call \"gam\" (#8) "
            "was answered with error 1001 \"QevaAd is nil or Ad Response is empty.\"");
}

TEST(HostToolTest, AdvanceStopsAtTheFiringCap) {
  // A refresh every second against a jump of 31.7 years: the step stops, time stands at the
  // last firing, and the run still ends with its summary.
  const HostRun run = RunScenario(R"(
    {"call": {"channel": "QevaAdSpace", "method": "AdRequest",
              "arguments": {"tagId": "d", "refreshRate": "1"}}, "as": "d"},
    {"call": {"channel": "QevaAdSpace", "method": "AdRender",
              "arguments": {"adSpaceId": "${d.adSpaceId}"}}},
    {"advance": 1000000000000},
    {"runUntilIdle": null})");
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("FAILED: step 4: advance: stopped at t="), std::string::npos)
      << lines.back();
  EXPECT_NE(lines.back().find(" timer firings, the most one step runs"), std::string::npos);
  const size_t at = lines.back().find("t=") + 2;
  EXPECT_LT(std::stoll(lines.back().substr(at)), 1000000000000LL);
  EXPECT_EQ(run.out.find("step 5"), std::string::npos) << "the run stops at the failed step";
}

TEST(HostToolTest, ContractControlsReachThePluginAsTheSdkWould) {
  const HostRun run = RunScenario(R"(
    {"channels": null},
    {"call": {"channel": "QevaAdSpace", "method": "AdRequest", "arguments": {"tagId": "d"}},
     "as": "a", "expect": {"includes": {"result": "success"}}},
    {"reuseAdSpace": 1},
    {"call": {"channel": "QevaAdSpace", "method": "AdRequest", "arguments": {"tagId": "d"}}},
    {"fireUnstored": "ready"},
    {"closeRenderer": 1},
    {"delivery": "posted"}, {"fetchDelay": 100000},
    {"call": {"channel": "QevaAdSpace", "method": "AdRequest", "arguments": {"tagId": "d"}},
     "as": "s", "expect": {"includes": {"response": "<p>still</p>", "signature": ""}}},
    {"serveStill": {"adSpace": 3, "response": "<p>still</p>"}},
    {"call": {"channel": "QevaAdSpace", "method": "AdRender",
              "arguments": {"adSpaceId": "${s.adSpaceId}"}},
     "expect": {"isAdRefreshable": false, "result": "success"}},
    {"fire": {"adSpace": 3, "event": "render"}},
    {"reportInitUnasked": "success"})",
                                  {"--json"});
  EXPECT_EQ(run.status, 0) << run.out;
  std::vector<std::string> seen;
  for (const std::string& line : Lines(run.out)) {
    const json event = json::parse(line);
    if (event["type"] == "actionReport") {
      seen.push_back(event["report"].get<std::string>());
    } else if (event["type"] == "sdk") {
      const std::string entry = event["entry"].get<std::string>();
      if (entry.find("createQevaAdSpace") != std::string::npos ||
          entry.find(".delegate.onAd") != std::string::npos) {
        seen.push_back(entry);
      }
    } else if (event["type"] == "log" && event["function"] == "onSuccess()") {
      seen.push_back("log onSuccess()");
    }
  }
  // One ad-space object under two requests (two fetches, two ready events), an event from an
  // ad space the plugin never stored, a renderer's close, and the still ad's ready and render.
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "log onSuccess()",
                      "channels: QevaManager, QevaApplication, QevaUser, QevaDevice, QevaAdSpace",
                      "manager.createQevaAdSpace(tagId: \"d\") -> adSpace#1",
                      "adSpace#1.delegate.onAdReady()",
                      "manager.createQevaAdSpace(tagId: \"d\") -> adSpace#1",
                      "adSpace#1.delegate.onAdReady()",
                      "manager.createQevaAdSpace(tagId: \"unstored\") -> adSpace#2",
                      "adSpace#2.delegate.onAdReady()",
                      "adSpace#1.delegate.onAdClose()",
                      "manager.createQevaAdSpace(tagId: \"d\") -> adSpace#3",
                      "adSpace#3.delegate.onAdReady()",
                      "adSpace#3.delegate.onAdRender()",
                      "log onSuccess()",
                  }));
}

}  // namespace
}  // namespace QevaHost::testing
