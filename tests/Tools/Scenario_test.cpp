// Reading scenarios and the command line: what is accepted, and how mistakes are reported.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CommandLine.h"
#include "HostTestSupport.h"
#include "Scenario.h"

namespace QevaHost::testing {
namespace {

TEST(ScenarioFileTest, MistakesNameFileStepAndFieldAndNothingRuns) {
  struct Row {
    const char* name;
    std::string text;
    std::string error;  // After "qeva-host: <file>: ".
  };
  const std::vector<Row> rows = {
      {"not JSON", "[\n  {\"advance\": 1},\n  oops\n]",
       "line 3, column 3: not valid JSON: syntax error while parsing value - invalid literal; "
       "last read: '1},<U+000A>  o'"},
      {"neither array nor object", "7", "must be an object with \"steps\", or an array of steps"},
      {"unknown top-level member", R"({"step": []})",
       "\"step\": unknown member (known: title, description, inventory, drain, steps)"},
      {"steps missing", R"({"title": "t"})", "\"steps\": missing"},
      {"bad drain", R"({"drain": "sometimes", "steps": []})",
       "\"drain\": must be \"afterEachStep\" or \"manual\", got \"sometimes\""},
      {"inventory of the wrong shape", R"({"inventory": {"t": [{"markup": "m"}]}, "steps": []})",
       "\"inventory\": inventory[\"t\"][0]: \"signature\" is missing"},
      {"inventory file missing", R"({"inventory": "no-such-file.json", "steps": []})",
       "\"inventory\": " + TempFolder() +
           "no-such-file.json: cannot be read: No such file or directory"},
      {"unknown step", R"([{"name": "dance", "boogie": 1}])",
       "step 1 \"dance\": \"boogie\": unknown step (a step is \"call\" or one of the host "
       "actions: advance, runUntilIdle, finishClickThrough, refuseTag, failNextLoad, "
       "setInventory, addInventory, removeWindow, restoreWindow, fire, reportClickThrough, "
       "initReport, reportInit, "
       "delivery, fetchDelay, clickThroughDelay, clickThroughSimulation, reuseAdSpace, "
       "fireUnstored, closeRenderer, serveStill, "
       "channels, reportInitUnasked)"},
      {"empty step", R"([{"advance": 1}, {"name": "idle"}])",
       "step 2 \"idle\": nothing to do: give \"call\" or a host action"},
      {"two things at once", R"([{"advance": 1, "refuseTag": "t"}])",
       "step 1: one step does one thing, got \"advance\" and \"refuseTag\""},
      {"missing method", R"([{"call": {"channel": "QevaUser"}}])",
       "step 1: \"call.method\": missing"},
      {"channel not a string", R"([{"call": {"channel": 5, "method": "m"}}])",
       "step 1: \"call.channel\": must be a string, got 5"},
      {"unknown call member", R"([{"call": {"channel": "c", "method": "m", "args": {}}}])",
       "step 1: \"call.args\": unknown member (known: channel, method, arguments)"},
      {"malformed typed value",
       R"([{"call": {"channel": "c", "method": "m", "arguments": {"n": {"$int64": "7"}}}}])",
       "step 1: \"call.arguments.n.$int64\": must be an integer"},
      {"action argument of the wrong type", R"([{"name": "wait", "advance": "3s"}])",
       "step 1 \"wait\": \"advance\": must be an integer >= 0 (milliseconds), got \"3s\""},
      {"action argument member missing", R"([{"fire": {"adSpace": 1}}])",
       "step 1: \"fire\": \"event\": missing"},
      {"a reply name nobody gave",
       R"([{"call": {"channel": "c", "method": "m", "arguments": "${ad.adSpaceId}"}}])",
       "step 1: \"call.arguments\": \"${ad.adSpaceId}\" names no earlier call (name one with "
       "\"as\")"},
      {"a reply named only later",
       R"([{"refuseTag": "${later.id}"}, {"call": {"channel": "c", "method": "m"}, "as": "later"}])",
       "step 1: \"refuseTag\": \"${later.id}\" names no earlier call (name one with \"as\")"},
      {"unterminated reference",
       R"([{"call": {"channel": "c", "method": "m", "arguments": "${ad"}}])",
       "step 1: \"call.arguments\": \"${ad\": unterminated \"${\" (write \"$${\" for a literal)"},
      {"\"as\" on an action", R"([{"advance": 1, "as": "a"}])",
       "step 1: \"as\": only a call step has a reply"},
      {"the same name twice",
       R"([{"call": {"channel": "c", "method": "m"}, "as": "a"},
           {"call": {"channel": "c", "method": "m"}, "as": "a"}])",
       "step 2: \"as\": \"a\" names an earlier call already"},
      {"error code as a number",
       R"([{"call": {"channel": "c", "method": "m"}, "expect": {"error": 1001}}])",
       "step 1: \"expect.error\": must be the error code as a string, e.g. \"1001\""},
      {"error expectation with more",
       R"([{"call": {"channel": "c", "method": "m"}, "expect": {"error": "1", "code": "2"}}])",
       "step 1: \"expect.code\": an error expectation has \"error\" (the code) and an optional "
       "\"message\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = WriteTemp("bad.scenario.json", row.text);
    const HostRun run = RunInProcess({path});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "qeva-host: " + path + ": " + row.error + "\n");
    EXPECT_EQ(run.out, "") << "nothing may run";
  }
}

TEST(ScenarioFileTest, BadFilesGetOneLineAndExitTwo) {
  struct Row {
    const char* name;
    std::string text;
    std::string error;  // After "qeva-host: FILE: ".
  };
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  std::string fallback = R"({"signature": "iab.smartphonebanner", "markup": "m"})";
  for (int i = 0; i < 4000; ++i) {
    fallback =
        R"({"signature": "iab.smartphonebanner", "markup": "m", "fallback": [)" + fallback + "]}";
  }
  const std::vector<Row> rows = {
      {"a number beyond a double", R"([{"advance": 1e309}])",
       "not valid JSON: number overflow parsing '1e309'"},
      {"one in an inventory", R"({"inventory": {"t": [{"width": -1e400}]}, "steps": []})",
       "not valid JSON: number overflow parsing '-1e400'"},
      {"steps nested 100,000 deep", deep, "arrays and objects nest deeper than 64 levels"},
      {"arguments nested 65 deep",
       R"([{"call": {"channel": "c", "method": "m", "arguments": )" + std::string(62, '[') +
           std::string(62, ']') + "}}]",
       "arrays and objects nest deeper than 64 levels"},
      {"a fallback chain 4,000 deep", R"({"inventory": {"t": [)" + fallback + "]}, \"steps\": []}",
       "arrays and objects nest deeper than 64 levels"},
      {"junk, quoted short and escaped", "\x01" + std::string(1000000, 'x'),
       "line 1, column 1: not valid JSON: syntax error while parsing value - invalid literal; "
       "last read: '<U+0001>'"},
      {"bytes that are not UTF-8", "[\"\xff\"]",
       "line 1, column 3: not valid JSON: syntax error while parsing value - invalid string: "
       "ill-formed UTF-8 byte; last read: '\"\\xff'"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = WriteTemp("bad.json", row.text);
    const HostRun run = RunInProcess({path});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "qeva-host: " + path + ": " + row.error + "\n");
    EXPECT_EQ(run.out, "");
  }
  for (const auto& arguments : std::vector<std::vector<std::string>>{{""}, {"--inventory", ""}}) {
    const HostRun run = RunInProcess(arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), arguments.size() == 1
                                                         ? "an empty scenario file name"
                                                         : "--inventory: an empty file name");
  }
}

TEST(ScenarioFileTest, MissingScenarioAndBadInventoryFileExitTwo) {
  const std::string missing = TempFolder() + "absent.json";
  HostRun run = RunInProcess({missing});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "qeva-host: " + missing + ": cannot be read: No such file or directory\n");
  run = RunInProcess({TempFolder()});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "qeva-host: " + TempFolder() + ": cannot be read: Is a directory\n");

  const std::string inventory = WriteTemp("list.inventory.json", "[1, 2]");
  run = RunInProcess({"--inventory", inventory});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "qeva-host: " + inventory + ": must be an object from tag id to ads\n");
  EXPECT_EQ(run.out, "");
}

TEST(ScenarioFileTest, InventoryFileIsReadBesideTheScenario) {
  WriteTemp("beside.inventory.json",
            R"({"t": [{"signature": "iab.smartphonebanner", "markup": "<i>x</i>"}]})");
  const std::string scenario = WriteTemp("beside.scenario.json", R"({
    "inventory": "beside.inventory.json",
    "steps": [{"call": {"channel": "QevaManager", "method": "QevaManager", "arguments": {}}},
              {"call": {"channel": "QevaAdSpace", "method": "AdRequest",
               "arguments": {"tagId": "t"}},
               "expect": {"includes": {"response":
                 "{\"adSize\":\"0x0\",\"response\":\"<i>x</i>\"}"}}}]})");
  const HostRun run = RunInProcess({scenario});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
}

TEST(ScenarioFileTest, ReferencesSplitIntoTextAndNames) {
  struct Row {
    const char* text;
    std::vector<std::string> pieces;  // References in braces.
    std::string error;
  };
  const std::vector<Row> rows = {
      {"plain", {"plain"}, ""},
      {"", {""}, ""},
      {"${a.b}", {"{a.b}"}, ""},
      {"id ${a.b-c_d.0}!", {"id ", "{a.b-c_d.0}", "!"}, ""},
      {"$${a} and ${b}", {"${a} and ", "{b}"}, ""},
      {"${a}${b}", {"{a}", "{b}"}, ""},
      {"${}",
       {},
       "\"${}\": a reference is a call's name and map keys joined by dots, e.g. "
       "\"${display.adSpaceId}\""},
      {"${a..b}",
       {},
       "\"${a..b}\": a reference is a call's name and map keys joined by dots, "
       "e.g. \"${display.adSpaceId}\""},
      {"${a b}",
       {},
       "\"${a b}\": a reference is a call's name and map keys joined by dots, "
       "e.g. \"${display.adSpaceId}\""},
      {"x ${a", {}, "\"${a\": unterminated \"${\" (write \"$${\" for a literal)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    std::vector<TextPiece> pieces;
    std::string error;
    const bool ok = SplitReferences(row.text, &pieces, &error);
    EXPECT_EQ(ok, row.error.empty());
    EXPECT_EQ(error, row.error);
    if (ok) {
      std::vector<std::string> shown;
      for (const TextPiece& piece : pieces) {
        shown.push_back(piece.reference ? "{" + piece.text + "}" : piece.text);
      }
      EXPECT_EQ(shown, row.pieces);
    }
  }
}

TEST(CommandLineTest, OptionsAndTheirMistakes) {
  struct Row {
    const char* name;
    std::vector<std::string> arguments;
    std::string error;
    std::string scenario;
    std::string inventory;
    uint64_t seed;
    bool json;
    bool realTime;
  };
  const std::vector<Row> rows = {
      {"nothing", {}, "", "", "", kDefaultSeed, false, false},
      {"everything",
       {"--json", "--verbose", "--real-time", "--no-color", "--seed", "18446744073709551615",
        "--inventory", "ads.json", "s.json"},
       "",
       "s.json",
       "ads.json",
       18446744073709551615ull,
       true,
       true},
      {"unknown option", {"--fast"}, "unknown option --fast", "", "", 0, false, false},
      {"two scenarios",
       {"a.json", "b.json"},
       "one scenario at a time: \"a.json\" and \"b.json\"",
       "",
       "",
       0,
       false,
       false},
      {"seed without value", {"--seed"}, "--seed needs a value", "", "", 0, false, false},
      {"negative seed",
       {"--seed", "-1"},
       "--seed: \"-1\" is not a whole number 0 to 2^64-1",
       "",
       "",
       0,
       false,
       false},
      {"seed too big",
       {"--seed", "18446744073709551616"},
       "--seed: \"18446744073709551616\" is not a whole number 0 to 2^64-1",
       "",
       "",
       0,
       false,
       false},
      {"inventory without value",
       {"--inventory"},
       "--inventory needs a value",
       "",
       "",
       0,
       false,
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CommandLine command_line;
    std::string error;
    const bool ok = ParseCommandLine(row.arguments, &command_line, &error);
    EXPECT_EQ(error, row.error);
    ASSERT_EQ(ok, row.error.empty());
    if (ok) {
      EXPECT_EQ(command_line.scenario, row.scenario);
      EXPECT_EQ(command_line.inventory, row.inventory);
      EXPECT_EQ(command_line.seed, row.seed);
      EXPECT_EQ(command_line.json, row.json);
      EXPECT_EQ(command_line.realTime, row.realTime);
    }
  }
}

}  // namespace
}  // namespace QevaHost::testing
