#include "CommandLine.h"

#include <cerrno>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <utility>

#include "BuiltinScenario.h"
#include "HostActions.h"
#include "HostSession.h"
#include "Scenario.h"
#include "ScenarioRunner.h"
#include "StopSignal.h"
#include "Transcript.h"
#include "WireServer.h"

namespace QevaHost {

namespace {

constexpr char kHelpBeforeActions[] = R"(NAME
    qeva-host - play Dart against the QevaFlutter plugin in a headless Flutter host

SYNOPSIS
    qeva-host [--json] [--verbose] [--seed N] [--real-time] [--inventory FILE] [--no-color]
              [SCENARIO]
    qeva-host --wire [--seed N] [--inventory FILE]
    qeva-host --wire-port N [--once] [--seed N] [--inventory FILE]
    qeva-host --help | --list-actions

DESCRIPTION
    qeva-host runs the plugin's native half the way a Flutter app runs it: the plugin's
    manager is created on an in-process headless Flutter engine, beside a stand-in Ad SDK.
    It then plays a scenario: Dart's calls, sent as standard method codec bytes through the
    plugin's real method channels, and host actions such as letting time pass.

    The transcript shows, in order: each call with its arguments (the "secretKey" value
    masked), every SDK log line it causes, each reply when it arrives (at once or after
    later events), the SDK calls worth seeing, the click trackers requested over real HTTP
    and their outcomes, and at the end every call never answered, with the reason.

    Without SCENARIO it plays the built-in scenario: start-up, the three targeting calls, a
    display ad requested, rendered and clicked (the click-through pauses and resumes it), a
    GAM banner requested, clicked (its trackers hit a loopback HTTP sink the host starts),
    failed over to its fallback, refreshed and paused, and two calls the plugin rejects.

    Time is virtual unless --real-time is given: the SDK's timers (refresh, click-through
    completion) run in order without waiting, ad-space ids come from a seeded generator and
    objects are numbered, so a transcript is the same on every run. After every step the
    host runs what is due on the SDK's run loop and waits, for at most a few seconds, for
    the tracker requests still out. One step runs at most 10,000 timer firings: an advance
    that would run more stops there, time standing at the last firing, and the step fails.
    SIGINT and SIGTERM stop a run between two firings; the transcript still ends with the
    calls never answered and the summary. Output is written a line at a time.

SCENARIO FORMAT
    A scenario is a JSON file: an array of steps, or an object
        {"title": "...", "inventory": {...} or "file.json", "drain": "afterEachStep"
         or "manual", "steps": [...]}
    "inventory" gives the ads the SDK serves, in the stand-in's inventory shape
    (tag id to an array of {"signature", "markup", "width", "height", "fallback"}); a file
    name is read beside the scenario. Without "inventory" (and without --inventory) the SDK
    serves the built-in ads, as wire mode does; write "inventory": {} for none. With "drain": "manual" the host runs what is due only
    when a runUntilIdle or advance step says so.

    A call step plays Dart calling a method:
        {"name": "render", "call": {"channel": "QevaAdSpace", "method": "AdRender",
         "arguments": {"adSpaceId": "${display.adSpaceId}"}}, "as": "render",
         "expect": {"result": "success", "isAdRefreshable": false}}
    "arguments" is any JSON value, converted as Dart would send it: objects become
    string-keyed maps, arrays lists, integers int32 when they fit and int64 otherwise,
    other numbers doubles; strings, booleans and null as they are. So a list, a string or a
    number in place of the map, or a number where a string belongs, is simply written so.
    {"$int64": 7}, {"$double": 2} and {"$uint8list": [1, 2]} give types JSON lacks.

    "as" names the reply; later steps write "${NAME.KEY}" inside any string to use a member
    of that reply map (a string that is only the reference takes the value itself, of any
    type). "$${" is a literal "${". "{sink}" stands for the loopback tracker sink,
    127.0.0.1 at a port the system picks; transcripts print it as "{sink}".

    "expect" is checked when the run is over:
        VALUE                  a success whose value equals VALUE
        {"value": VALUE}       the same, for a VALUE that looks like one of these forms
        {"includes": {...}}    a success map holding at least these members
        {"error": "1001"}      an error with this code ("message" may be added)
        "never"                no reply by the end of the run
    Any failed expectation makes the exit status 1, naming the step and showing what was
    expected and what came.

    An action step is {"name": "...", ACTION: ARGUMENT}; the host actions are:
)";

constexpr char kHelpAfterActions[] = R"(
WIRE MODE
    With --wire the host plays no scenario: another process is the Dart side. It sends
    frames on standard input and reads frames on standard output (with --wire-port, over a
    TCP connection to 127.0.0.1 instead). Each frame is a 4-byte little-endian length of what
    follows, a kind byte and a 4-byte little-endian request id, then the body:
        kind 0, to the host: a channel name (2-byte length, UTF-8) and a message, exactly
                as the engine delivers it to the plugin (a standard method codec call);
        kind 1, to the client: the reply to the message with the same request id, exactly
                as the plugin produced it; a call never answered gets none;
        kind 2, to the client, id 0: an event, a standard message codec map: "log", "journal",
                "tracker", "unanswered" (when the connection closes) or "error".
    Channel "qeva.host/control" runs the host actions above: the method is the action's
    name, the arguments its argument; "unanswered" reports the calls still unanswered. Time
    is virtual and moves when the client says "advance"; after each frame the host runs what
    is due. The ads are the built-in scenario's unless --inventory says otherwise. A frame
    may declare at most 16 MiB. A malformed frame ends the connection with an "error" event.
    Port mode serves clients one at a time in the order they connect, and lets one go after
    10 s without a byte of a begun frame, 10 s without a frame while another client waits,
    or 10 s of not reading. "{sink}" is the fixed host tracker-sink.invalid, routed to the
    loopback sink, so that the same calls give the same bytes.

OPTIONS
    SCENARIO
        A scenario file; without it, the built-in scenario.
    --inventory FILE
        Serve the ads of FILE (the stand-in's inventory JSON) instead of the scenario's own.
        The default, in every mode, is the built-in ads (examples/builtin.inventory.json).
    --seed N
        Seed of the generated ad-space ids (default 1).
    --real-time
        Wait for real time when time passes, instead of jumping.
    --json
        Print the transcript as JSON lines, one object per event; "type" says which.
    --verbose
        Also show every SDK call (read-only queries and plumbing included), the source
        position of each log line, each moment a reply is released unanswered, and the
        expectations that held.
    --no-color
        No ANSI colour. Colour is used only when standard output is a terminal and the
        NO_COLOR environment variable is unset.
    --wire
        Serve the plugin over standard input and output (WIRE MODE).
    --wire-port N
        Serve the plugin on 127.0.0.1, port N (0: any free port; standard error says which),
        one client after another until SIGINT or SIGTERM. Each client gets a fresh host.
    --once
        With --wire-port: stop after the first client.
    --list-actions
        List the host actions and exit.
    -h, --help
        Show this page and exit.

EXIT STATUS
    0   The scenario ran and every expectation held.
    1   An expectation failed, or a step could not run (for instance, it uses the reply of
        a call that was never answered).
    2   A bad command line, scenario or inventory file; the message names the file, the step
        and the field, and nothing ran.
    128+N   Signal N (SIGINT, SIGTERM) stopped the run.
    In wire mode: 0 the client closed the connection (or a signal stopped the server), 1 an
    I/O error, 2 a malformed frame (--wire, or --wire-port --once) or a bad command line.

EXAMPLES
    qeva-host
        The built-in scenario.
    qeva-host examples/contract.scenario.json
        A contract test: exits 1 when the plugin answers otherwise than expected.
    qeva-host --inventory my-ads.json examples/builtin.scenario.json
        The built-in road against other ads.
    qeva-host --json | jq -c 'select(.type == "reply")'
        The replies only, for machines.
    qeva-host --real-time --seed 7 examples/error-paths.scenario.json
    qeva-host --wire-port 0
        The plugin for a test in another process or language, on a free loopback port.
)";

bool ParsePort(const std::string& text, int* port) {
  if (text.empty() || text.size() > 5 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const int value = std::stoi(text);
  if (value > 65535) {
    return false;
  }
  *port = value;
  return true;
}

// Wire mode plays no scenario and prints no transcript: the options for those do not go with it.
bool CheckWireOptions(const CommandLine& command_line, std::string* error) {
  const bool wire = command_line.wire || command_line.wirePort >= 0;
  if (command_line.once && command_line.wirePort < 0) {
    *error = "--once goes with --wire-port";
    return false;
  }
  if (!wire) {
    return true;
  }
  if (command_line.wire && command_line.wirePort >= 0) {
    *error = "--wire and --wire-port: one at a time";
    return false;
  }
  const std::pair<bool, const char*> scenario_only[] = {
      {command_line.json, "--json"},
      {command_line.verbose, "--verbose"},
      {command_line.realTime, "--real-time"},
      {command_line.noColour, "--no-color"},
  };
  for (const auto& [given, option] : scenario_only) {
    if (given) {
      *error = std::string(option) + " is not for wire mode";
      return false;
    }
  }
  if (!command_line.scenario.empty()) {
    *error = "wire mode plays no scenario: \"" + command_line.scenario + "\"";
    return false;
  }
  return true;
}

bool ParseSeed(const std::string& text, uint64_t* seed) {
  if (text.empty() || text[0] == '-' || text[0] == '+') {
    return false;
  }
  errno = 0;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || end == nullptr || *end != '\0') {
    return false;
  }
  *seed = value;
  return true;
}

std::string ActionList() {
  std::string text;
  for (const HostAction& action : HostActions::Standard().all()) {
    text += "        " + action.name + ": " + action.argument + "\n            " + action.summary +
            "\n";
  }
  return text;
}

bool LoadBuiltin(Scenario* scenario, std::string* error) {
  FileReader builtin = [](const std::string& name, std::string* text, std::string* why) {
    if (name != kBuiltinInventoryName) {
      *why = name + ": the built-in scenario has no such file";
      return false;
    }
    *text = BuiltinInventoryText();
    return true;
  };
  return ParseScenario(BuiltinScenarioText(), "built-in scenario", builtin, HostActions::Standard(),
                       scenario, error);
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& arguments, CommandLine* out,
                      std::string* error) {
  CommandLine command_line;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    auto value = [&](std::string* into) {
      if (i + 1 >= arguments.size()) {
        *error = argument + " needs a value";
        return false;
      }
      *into = arguments[++i];
      return true;
    };
    if (argument == "-h" || argument == "--help") {
      command_line.help = true;
    } else if (argument == "--list-actions") {
      command_line.listActions = true;
    } else if (argument == "--json") {
      command_line.json = true;
    } else if (argument == "--verbose") {
      command_line.verbose = true;
    } else if (argument == "--real-time") {
      command_line.realTime = true;
    } else if (argument == "--no-color") {
      command_line.noColour = true;
    } else if (argument == "--wire") {
      command_line.wire = true;
    } else if (argument == "--once") {
      command_line.once = true;
    } else if (argument == "--wire-port") {
      std::string port;
      if (!value(&port)) {
        return false;
      }
      if (!ParsePort(port, &command_line.wirePort)) {
        *error = "--wire-port: \"" + port + "\" is not a port 0 to 65535";
        return false;
      }
    } else if (argument == "--inventory") {
      if (!value(&command_line.inventory)) {
        return false;
      }
      if (command_line.inventory.empty()) {
        *error = "--inventory: an empty file name";
        return false;
      }
    } else if (argument == "--seed") {
      std::string seed;
      if (!value(&seed)) {
        return false;
      }
      if (!ParseSeed(seed, &command_line.seed)) {
        *error = "--seed: \"" + seed + "\" is not a whole number 0 to 2^64-1";
        return false;
      }
    } else if (argument.size() > 1 && argument[0] == '-') {
      *error = "unknown option " + argument;
      return false;
    } else if (argument.empty()) {
      // An empty $SCENARIO in a script must not quietly play the built-in scenario.
      *error = "an empty scenario file name";
      return false;
    } else if (!command_line.scenario.empty()) {
      *error = "one scenario at a time: \"" + command_line.scenario + "\" and \"" + argument + "\"";
      return false;
    } else {
      command_line.scenario = argument;
    }
  }
  if (!CheckWireOptions(command_line, error)) {
    return false;
  }
  *out = std::move(command_line);
  return true;
}

std::string HelpText() {
  return kHelpBeforeActions + ActionList() + kHelpAfterActions;
}

int RunHost(const CommandLine& command_line, std::ostream& out, std::ostream& err, bool colour) {
  if (command_line.help) {
    out << HelpText();
    return 0;
  }
  if (command_line.listActions) {
    out << ActionList()
        << "        unanswered: null\n            wire mode only: report the calls still "
           "unanswered, now\n";
    return 0;
  }
  std::string error;
  if (command_line.wire || command_line.wirePort >= 0) {
    WireOptions options;
    options.seed = command_line.seed;
    if (!command_line.inventory.empty() &&
        !LoadInventoryFile(command_line.inventory, &options.inventory, &error)) {
      err << "qeva-host: " << error << "\n";
      return 2;
    }
    return command_line.wire ? RunWireStdio(options, err)
                             : RunWirePort(options, command_line.wirePort, command_line.once, err);
  }
  Scenario scenario;
  const bool loaded =
      command_line.scenario.empty()
          ? LoadBuiltin(&scenario, &error)
          : LoadScenarioFile(command_line.scenario, HostActions::Standard(), &scenario, &error);
  if (!loaded) {
    err << "qeva-host: " << error << "\n";
    return 2;
  }
  if (!command_line.inventory.empty()) {
    nlohmann::json inventory;
    if (!LoadInventoryFile(command_line.inventory, &inventory, &error)) {
      err << "qeva-host: " << error << "\n";
      return 2;
    }
    scenario.inventory = std::move(inventory);
  }
  if (!scenario.inventory) {
    // One default for scenarios and wire mode alike: the built-in ads.
    scenario.inventory = nlohmann::json::parse(BuiltinInventoryText());
  }

  StopSignalScope signals;
  SessionOptions options;
  options.stop = StopFlag();
  options.seed = command_line.seed;
  options.realTime = command_line.realTime;
  options.trackerSink = scenario.UsesSink();
  TextTranscript text(out, colour && !command_line.noColour, command_line.verbose);
  JsonTranscript json(out, command_line.verbose);
  TranscriptSink& sink = command_line.json ? static_cast<TranscriptSink&>(json) : text;
  HostSession session(options, &sink);
  const SummaryEvent summary = RunScenario(scenario, session, HostActions::Standard(), sink);
  if (*StopFlag() != 0) {
    return 128 + *StopFlag();
  }
  return summary.ok() ? 0 : 1;
}

}  // namespace QevaHost
