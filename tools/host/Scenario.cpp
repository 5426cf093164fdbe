#include "Scenario.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

#include "DartValues.h"
#include "QevaStandIn/Inventory.h"

namespace QevaHost {

using nlohmann::json;

namespace {

// "line 3, column 7" of byte |offset| (1-based, as the JSON parser counts) in |text|.
std::string Position(const std::string& text, size_t offset) {
  size_t line = 1;
  size_t column = 1;
  for (size_t i = 0; i + 1 < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// The deepest nesting of arrays and objects |text| reaches, counted no further than |limit| + 1:
// the JSON library and the readers here recurse, so depth is bounded before parsing.
size_t NestingDepth(const std::string& text, size_t limit) {
  size_t depth = 0;
  size_t deepest = 0;
  bool in_string = false;
  for (size_t i = 0; i < text.size() && deepest <= limit; ++i) {
    const char c = text[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    } else if (std::strchr(" \t\r\n,:-+.0123456789eEtrufalsn", c) == nullptr || c == '\0') {
      break;  // Not JSON: the parser says where.
    }
  }
  return deepest;
}

bool ParseJson(const std::string& text, const std::string& source, json* out, std::string* error) {
  if (NestingDepth(text, kMaxJsonDepth) > kMaxJsonDepth) {
    *error = source + ": arrays and objects nest deeper than " + std::to_string(kMaxJsonDepth) +
             " levels";
    return false;
  }
  try {
    *out = json::parse(text);
    return true;
  } catch (const json::parse_error& failure) {
    std::string what = failure.what();
    // Drop the library's "[json.exception.parse_error.101] parse error at line 1, column 2: "
    // prefix; the position is written our way.
    const size_t colon = what.find(": ", what.find("parse error"));
    if (colon != std::string::npos) {
      what = what.substr(colon + 2);
    }
    *error =
        source + ": " + Position(text, failure.byte) + ": not valid JSON: " + Excerpt(what, 160);
    return false;
  } catch (const json::exception& failure) {
    // A number beyond a double, for one.
    std::string what = failure.what();
    const size_t bracket = what.find("] ");
    if (bracket != std::string::npos) {
      what = what.substr(bracket + 2);
    }
    *error = source + ": not valid JSON: " + Excerpt(what, 160);
    return false;
  }
}

bool IsNamePart(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-';
}

// The reply name of a reference: "display" of "display.adSpaceId".
std::string ReferenceName(const std::string& reference) {
  return reference.substr(0, reference.find('.'));
}

// Reads one scenario and collects what the steps refer to.
class Reader {
 public:
  Reader(std::string source, const FileReader& read, const HostActions& actions)
      : source_(std::move(source)), read_(read), actions_(actions) {}

  bool Read(const json& document, Scenario* out, std::string* error) {
    out->source = source_;
    const json* steps = &document;
    if (document.is_object()) {
      for (const auto& [key, value] : document.items()) {
        if (key != "title" && key != "description" && key != "inventory" && key != "drain" &&
            key != "steps") {
          return Fail(error, "\"" + key +
                                 "\": unknown member (known: title, description, inventory, "
                                 "drain, steps)");
        }
      }
      if (document.contains("title")) {
        if (!document["title"].is_string()) {
          return Fail(error, "\"title\": must be a string");
        }
        out->title = document["title"].get<std::string>();
      }
      if (document.contains("drain")) {
        const json& drain = document["drain"];
        if (drain == "afterEachStep") {
          out->drain = Drain::afterEachStep;
        } else if (drain == "manual") {
          out->drain = Drain::manual;
        } else {
          return Fail(error,
                      "\"drain\": must be \"afterEachStep\" or \"manual\", got " + Excerpt(drain));
        }
      }
      if (document.contains("inventory") && !ReadInventory(document["inventory"], out, error)) {
        return false;
      }
      if (!document.contains("steps")) {
        return Fail(error, "\"steps\": missing");
      }
      steps = &document["steps"];
    }
    if (!steps->is_array()) {
      return Fail(error, document.is_object() ? "\"steps\": must be an array of steps"
                                              : "must be an object with \"steps\", or an array "
                                                "of steps");
    }
    for (size_t i = 0; i < steps->size(); ++i) {
      Step step;
      step.index = i + 1;
      if (!ReadStep((*steps)[i], &step, error)) {
        return false;
      }
      out->steps.push_back(std::move(step));
    }
    return true;
  }

 private:
  bool Fail(std::string* error, const std::string& what) const {
    *error = source_ + ": " + what;
    return false;
  }

  bool FailAt(const Step& step, std::string* error, const std::string& what) const {
    *error = source_ + ": " + step.Label() + ": " + what;
    return false;
  }

  bool ReadInventory(const json& inventory, Scenario* out, std::string* error) const {
    json loaded = inventory;
    if (inventory.is_string()) {
      std::string text;
      std::string why;
      const std::string name = inventory.get<std::string>();
      if (!read_ || !read_(name, &text, &why)) {
        return Fail(error, "\"inventory\": " + why);
      }
      if (!ParseJson(text, name, &loaded, error)) {
        return false;
      }
    } else if (!inventory.is_object()) {
      return Fail(error, "\"inventory\": must be an inventory object or a file name");
    }
    QevaStandIn::Inventory checked;
    std::string why;
    if (!loaded.is_object() || !checked.loadJson(loaded.dump(), &why)) {
      return Fail(error, "\"inventory\": " + (why.empty() ? "must be an object" : why));
    }
    out->inventory = std::move(loaded);
    return true;
  }

  bool ReadStep(const json& object, Step* step, std::string* error) {
    if (!object.is_object()) {
      return FailAt(*step, error, "must be an object, got " + Excerpt(object));
    }
    if (object.contains("name")) {
      if (!object["name"].is_string()) {
        return FailAt(*step, error, "\"name\": must be a string");
      }
      step->name = object["name"].get<std::string>();
    }
    std::vector<std::string> kinds;
    for (const auto& [key, value] : object.items()) {
      if (key == "name" || key == "as" || key == "expect") {
        continue;
      }
      if (key != "call" && actions_.Find(key) == nullptr) {
        return FailAt(*step, error,
                      "\"" + key +
                          "\": unknown step (a step is \"call\" or one of the host "
                          "actions: " +
                          actions_.Names() + ")");
      }
      kinds.push_back(key);
    }
    if (kinds.size() != 1) {
      return FailAt(*step, error,
                    kinds.empty() ? "nothing to do: give \"call\" or a host action"
                                  : "one step does one thing, got \"" + kinds[0] + "\" and \"" +
                                        kinds[1] + "\"");
    }
    if (kinds[0] == "call") {
      if (!ReadCall(object["call"], step, error)) {
        return false;
      }
    } else {
      step->action = kinds[0];
      step->argument = object[kinds[0]];
      if (!CheckReferences(step->argument, "\"" + step->action + "\"", *step, error)) {
        return false;
      }
      // References are filled in at run time; only a literal argument can be checked now.
      if (!HasReference(step->argument)) {
        const std::string why = actions_.Find(step->action)->check(step->argument);
        if (!why.empty()) {
          return FailAt(*step, error, "\"" + step->action + "\": " + why);
        }
      }
    }
    if (object.contains("as") || object.contains("expect")) {
      if (!step->call) {
        return FailAt(*step, error,
                      std::string("\"") + (object.contains("as") ? "as" : "expect") +
                          "\": only a call step has a reply");
      }
    }
    if (object.contains("as")) {
      const json& as = object["as"];
      if (!as.is_string() || as.get<std::string>().empty()) {
        return FailAt(*step, error, "\"as\": must be a name");
      }
      step->as = as.get<std::string>();
      for (char c : step->as) {
        if (!IsNamePart(c)) {
          return FailAt(*step, error,
                        "\"as\": \"" + step->as + "\": use letters, digits, \"_\" and \"-\"");
        }
      }
      if (!names_.insert(step->as).second) {
        return FailAt(*step, error, "\"as\": \"" + step->as + "\" names an earlier call already");
      }
    }
    if (object.contains("expect") && !ReadExpectation(object["expect"], step, error)) {
      return false;
    }
    return true;
  }

  bool ReadCall(const json& call, Step* step, std::string* error) {
    if (!call.is_object()) {
      return FailAt(*step, error,
                    "\"call\": must be an object {\"channel\", \"method\", \"arguments\"}");
    }
    for (const auto& [key, value] : call.items()) {
      if (key != "channel" && key != "method" && key != "arguments") {
        return FailAt(*step, error,
                      "\"call." + key + "\": unknown member (known: channel, method, arguments)");
      }
    }
    DartCall dart_call;
    for (const char* key : {"channel", "method"}) {
      if (!call.contains(key)) {
        return FailAt(*step, error, std::string("\"call.") + key + "\": missing");
      }
      if (!call[key].is_string()) {
        return FailAt(
            *step, error,
            std::string("\"call.") + key + "\": must be a string, got " + Excerpt(call[key]));
      }
    }
    dart_call.channel = call["channel"].get<std::string>();
    dart_call.method = call["method"].get<std::string>();
    if (call.contains("arguments")) {
      dart_call.arguments = call["arguments"];
    }
    step->call = dart_call;
    flutter::EncodableValue ignored;
    std::string why;
    if (!FromJson(dart_call.arguments, "call.arguments", &ignored, &why)) {
      return FailAt(*step, error,
                    "\"" + why.substr(0, why.find(':')) + "\"" + why.substr(why.find(':')));
    }
    for (const auto& [key, value] : call.items()) {
      if (!CheckReferences(value, "\"call." + key + "\"", *step, error)) {
        return false;
      }
    }
    return true;
  }

  bool ReadExpectation(const json& expect, Step* step, std::string* error) {
    Expectation& expectation = step->expect;
    if (expect == "never") {
      expectation.kind = Expectation::Kind::never;
    } else if (expect.is_object() && expect.contains("error")) {
      for (const auto& [key, value] : expect.items()) {
        if (key != "error" && key != "message") {
          return FailAt(*step, error,
                        "\"expect." + key +
                            "\": an error expectation has \"error\" (the code) "
                            "and an optional \"message\"");
        }
      }
      if (!expect["error"].is_string()) {
        return FailAt(*step, error,
                      "\"expect.error\": must be the error code as a string, e.g. \"1001\"");
      }
      expectation.kind = Expectation::Kind::error;
      expectation.code = expect["error"].get<std::string>();
      if (expect.contains("message")) {
        if (!expect["message"].is_string()) {
          return FailAt(*step, error, "\"expect.message\": must be a string");
        }
        expectation.message = expect["message"].get<std::string>();
      }
    } else if (expect.is_object() && expect.size() == 1 && expect.contains("includes")) {
      if (!expect["includes"].is_object()) {
        return FailAt(*step, error, "\"expect.includes\": must be an object");
      }
      expectation.kind = Expectation::Kind::includes;
      expectation.value = expect["includes"];
    } else if (expect.is_object() && expect.size() == 1 && expect.contains("value")) {
      expectation.kind = Expectation::Kind::value;
      expectation.value = expect["value"];
    } else {
      expectation.kind = Expectation::Kind::value;
      expectation.value = expect;
    }
    flutter::EncodableValue ignored;
    std::string why;
    if (!FromJson(expectation.value, "expect", &ignored, &why)) {
      return FailAt(*step, error, why);
    }
    return CheckReferences(expect, "\"expect\"", *step, error);
  }

  static bool HasReference(const json& value) {
    if (value.is_string()) {
      return value.get<std::string>().find("${") != std::string::npos;
    }
    if (value.is_structured()) {
      for (const json& element : value) {
        if (HasReference(element)) {
          return true;
        }
      }
    }
    return false;
  }

  // Every reference in |value| names a call read so far: an earlier step's, or, for an
  // expectation (read after the step's own "as" and checked after the run), this step's.
  bool CheckReferences(const json& value, const std::string& field, const Step& step,
                       std::string* error) const {
    if (value.is_structured()) {
      for (const auto& [key, element] : value.items()) {
        if (!CheckReferences(element, field, step, error)) {
          return false;
        }
      }
      return true;
    }
    if (!value.is_string()) {
      return true;
    }
    std::vector<TextPiece> pieces;
    std::string why;
    if (!SplitReferences(value.get<std::string>(), &pieces, &why)) {
      return FailAt(step, error, field + ": " + why);
    }
    for (const TextPiece& piece : pieces) {
      if (!piece.reference) {
        continue;
      }
      const std::string name = ReferenceName(piece.text);
      if (names_.count(name) == 0) {
        return FailAt(step, error,
                      field + ": \"${" + piece.text + "}\" names no earlier call (name one " +
                          "with \"as\")");
      }
    }
    return true;
  }

  const std::string source_;
  const FileReader& read_;
  const HostActions& actions_;
  std::set<std::string> names_;  // The "as" names so far.
};

}  // namespace

std::string Step::Label() const {
  std::string label = "step " + std::to_string(index);
  if (!name.empty()) {
    label += " \"" + name + "\"";
  }
  return label;
}

std::string Step::What() const {
  if (call) {
    return "call " + call->channel + "." + call->method;
  }
  return argument.is_null() ? action : action + " " + argument.dump();
}

bool Scenario::UsesSink() const {
  const std::string placeholder = "{sink}";
  if (inventory && inventory->dump().find(placeholder) != std::string::npos) {
    return true;
  }
  for (const Step& step : steps) {
    const json text = step.call ? json(step.call->arguments) : step.argument;
    if (text.dump().find(placeholder) != std::string::npos) {
      return true;
    }
  }
  return false;
}

bool SplitReferences(const std::string& text, std::vector<TextPiece>* pieces, std::string* error) {
  pieces->clear();
  std::string literal;
  size_t at = 0;
  while (at < text.size()) {
    if (text.compare(at, 3, "$${") == 0) {
      literal += "${";
      at += 3;
      continue;
    }
    if (text.compare(at, 2, "${") != 0) {
      literal.push_back(text[at]);
      ++at;
      continue;
    }
    const size_t end = text.find('}', at + 2);
    if (end == std::string::npos) {
      *error = "\"" + text.substr(at) + "\": unterminated \"${\" (write \"$${\" for a literal)";
      return false;
    }
    const std::string reference = text.substr(at + 2, end - at - 2);
    bool well_formed = !reference.empty() && reference.front() != '.' && reference.back() != '.';
    for (size_t i = 0; i < reference.size() && well_formed; ++i) {
      well_formed = IsNamePart(reference[i]) || (reference[i] == '.' && reference[i + 1] != '.');
    }
    if (!well_formed) {
      *error = "\"${" + reference +
               "}\": a reference is a call's name and map keys joined by "
               "dots, e.g. \"${display.adSpaceId}\"";
      return false;
    }
    if (!literal.empty()) {
      pieces->push_back({false, std::move(literal)});
      literal.clear();
    }
    pieces->push_back({true, reference});
    at = end + 1;
  }
  if (!literal.empty() || pieces->empty()) {
    pieces->push_back({false, std::move(literal)});
  }
  return true;
}

bool ReadTextFile(const std::string& path, std::string* text, std::string* error) {
  if (path.empty()) {
    *error = "\"\": an empty file name";
    return false;
  }
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status {};
  if (fd < 0 || fstat(fd, &status) != 0) {
    *error = Excerpt(path) + ": cannot be read: " + std::strerror(errno);
    if (fd >= 0) {
      close(fd);
    }
    return false;
  }
  if (S_ISDIR(status.st_mode)) {
    close(fd);
    *error = Excerpt(path) + ": cannot be read: " + std::strerror(EISDIR);
    return false;
  }
  std::string contents;
  char buffer[64 * 1024];
  while (true) {
    const ssize_t got = read(fd, buffer, sizeof(buffer));
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      *error = Excerpt(path) + ": cannot be read: " + std::strerror(errno);
      close(fd);
      return false;
    }
    if (got == 0) {
      break;
    }
    contents.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  *text = std::move(contents);
  return true;
}

std::string Excerpt(const std::string& text, size_t limit) {
  std::string shown;
  size_t i = 0;
  for (; i < text.size() && shown.size() < limit; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    // Whole UTF-8 sequences pass; stray bytes and control characters are escaped.
    size_t length = c < 0x80           ? 1
                    : (c >> 5) == 0x6  ? 2
                    : (c >> 4) == 0xE  ? 3
                    : (c >> 3) == 0x1E ? 4
                                       : 0;
    bool valid = length > 0 && i + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k) {
      valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    }
    if (valid && length == 1 && c >= 0x20 && c != 0x7F) {
      shown.push_back(static_cast<char>(c));
    } else if (valid && length > 1) {
      shown.append(text, i, length);
      i += length - 1;
    } else {
      static const char kHex[] = "0123456789abcdef";
      shown += "\\x";
      shown.push_back(kHex[c >> 4]);
      shown.push_back(kHex[c & 0xF]);
    }
  }
  if (i < text.size()) {
    shown += "... (" + std::to_string(text.size()) + " bytes)";
  }
  return shown;
}

std::string Excerpt(const json& value, size_t limit) {
  return Excerpt(value.dump(-1, ' ', false, json::error_handler_t::replace), limit);
}

bool ParseScenario(const std::string& text, const std::string& source, const FileReader& read,
                   const HostActions& actions, Scenario* out, std::string* error) {
  json document;
  if (!ParseJson(text, source, &document, error)) {
    return false;
  }
  Scenario scenario;
  Reader reader(source, read, actions);
  if (!reader.Read(document, &scenario, error)) {
    return false;
  }
  *out = std::move(scenario);
  return true;
}

bool LoadScenarioFile(const std::string& path, const HostActions& actions, Scenario* out,
                      std::string* error) {
  std::string text;
  if (!ReadTextFile(path, &text, error)) {
    return false;
  }
  const size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  FileReader beside = [directory](const std::string& name, std::string* contents,
                                  std::string* why) {
    const std::string full = !name.empty() && name[0] == '/' ? name : directory + name;
    return ReadTextFile(full, contents, why);
  };
  return ParseScenario(text, path, beside, actions, out, error);
}

bool LoadInventoryFile(const std::string& path, json* out, std::string* error) {
  std::string text;
  if (!ReadTextFile(path, &text, error) || !ParseJson(text, path, out, error)) {
    return false;
  }
  QevaStandIn::Inventory checked;
  std::string why;
  if (!out->is_object() || !checked.loadJson(text, &why)) {
    *error = path + ": " + (why.empty() ? "must be an object from tag id to ads" : why);
    return false;
  }
  return true;
}

}  // namespace QevaHost
