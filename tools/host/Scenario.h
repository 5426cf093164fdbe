#ifndef QEVA_HOST_SCENARIO_H_
#define QEVA_HOST_SCENARIO_H_

#include <cstddef>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "HostActions.h"

// A scenario: the steps a host run takes, read from JSON.
//
//   {
//     "title": "...",                      optional
//     "inventory": {...} | "file.json",    optional: the SDK's ads, inline or a file beside
//     "drain": "afterEachStep" | "manual", optional: run what is due after every step
//     "steps": [ step, ... ]
//   }
//
// or just the array of steps. A step is a Dart call or a host action:
//
//   {"name": "...", "call": {"channel": "...", "method": "...", "arguments": any},
//    "as": "display", "expect": ...}
//   {"name": "...", "<action>": argument}         e.g. {"advance": 3000}
//
// Strings anywhere in a step may use the replies of earlier calls named with "as":
// "${display.adSpaceId}" is the "adSpaceId" of the map call "display" was answered with (a
// string that is just one reference takes the referenced value, whatever its type); "$${"
// writes a literal "${". "{sink}" is the host's loopback tracker sink, "127.0.0.1:PORT".
namespace QevaHost {

// What a call step expects of its reply, checked once the run is over.
struct Expectation {
  enum class Kind {
    none,
    value,     // A success whose value equals |value| (numbers compare by value).
    includes,  // A success whose value is a map holding at least |value|'s members.
    error,     // An error reply with |code| (and |message|, when given).
    never,     // No reply at all.
  };
  Kind kind = Kind::none;
  nlohmann::json value;
  std::string code;
  std::optional<std::string> message;
};

struct DartCall {
  std::string channel;
  std::string method;
  nlohmann::json arguments;  // Null when left out.
};

struct Step {
  size_t index = 0;  // From 1.
  std::string name;
  // A call step has |call|; an action step names |action| with |argument|.
  std::optional<DartCall> call;
  std::string action;
  nlohmann::json argument;
  std::string as;  // Names the call's reply for later steps.
  Expectation expect;

  // `step 4 "render the ad"`, or `step 4` without a name.
  std::string Label() const;
  // "call QevaAdSpace.AdRender", "advance 3000".
  std::string What() const;
};

enum class Drain { afterEachStep, manual };

struct Scenario {
  std::string source;  // A file name, or "built-in scenario".
  std::string title;
  std::optional<nlohmann::json> inventory;
  Drain drain = Drain::afterEachStep;
  std::vector<Step> steps;

  // Whether a step or the inventory names "{sink}".
  bool UsesSink() const;
};

// Reads a file the scenario refers to (its inventory), by the name written in it.
using FileReader =
    std::function<bool(const std::string& name, std::string* text, std::string* error)>;

// Reads scenario JSON. Every error names |source|, the step (index and name) and the field:
//   scenario.json: step 4 "render": "call.method": missing
// Action arguments are checked against |actions|, and every "${name...}" must name an "as"
// of an earlier step (a step's own, in "expect").
bool ParseScenario(const std::string& text, const std::string& source, const FileReader& read,
                   const HostActions& actions, Scenario* out, std::string* error);

// Reads a scenario file; an "inventory" given as a string is a file beside it.
bool LoadScenarioFile(const std::string& path, const HostActions& actions, Scenario* out,
                      std::string* error);

// Reads a stand-in inventory file and checks its shape.
bool LoadInventoryFile(const std::string& path, nlohmann::json* out, std::string* error);

// A string cut into literal text and "${...}" references ("display.adSpaceId").
struct TextPiece {
  bool reference = false;
  std::string text;
};
// False, with |error|, for an unterminated or empty reference, or a name that is not
// letters, digits, "_" and "-" joined by dots.
bool SplitReferences(const std::string& text, std::vector<TextPiece>* pieces, std::string* error);

// Reads a whole file; |error| gives the system's reason when it cannot.
bool ReadTextFile(const std::string& path, std::string* text, std::string* error);

// How deep arrays and objects may nest in a scenario or inventory file.
constexpr size_t kMaxJsonDepth = 64;

// At most |limit| bytes of |text| for an error message, control characters and bytes that are
// not UTF-8 written \xNN, with "... (N bytes)" when cut.
std::string Excerpt(const std::string& text, size_t limit = 80);
// The same of |value| written as JSON.
std::string Excerpt(const nlohmann::json& value, size_t limit = 80);

}  // namespace QevaHost

#endif  // QEVA_HOST_SCENARIO_H_
