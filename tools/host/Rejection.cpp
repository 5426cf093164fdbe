#include "Rejection.h"

#include <string>
#include <variant>

#include "Redactor.h"

namespace QevaHost {

using flutter::EncodableMap;
using flutter::EncodableValue;
using QevaFlutter::UnansweredReason;

namespace {

// "a list", "an int" and so on.
std::string Kind(const EncodableValue& value) {
  if (value.IsNull()) {
    return "null";
  }
  if (std::holds_alternative<bool>(value)) {
    return "a bool";
  }
  if (std::holds_alternative<int32_t>(value) || std::holds_alternative<int64_t>(value)) {
    return "an int";
  }
  if (std::holds_alternative<double>(value)) {
    return "a double";
  }
  if (std::holds_alternative<std::string>(value)) {
    return "a string";
  }
  if (std::holds_alternative<flutter::EncodableList>(value)) {
    return "a list";
  }
  if (std::holds_alternative<EncodableMap>(value)) {
    return "a map";
  }
  return "a typed list";
}

std::string StringArgument(const EncodableValue& arguments, const char* key) {
  const auto* map = std::get_if<EncodableMap>(&arguments);
  if (map == nullptr) {
    return std::string();
  }
  auto found = map->find(EncodableValue(key));
  if (found == map->end()) {
    return std::string();
  }
  const auto* text = std::get_if<std::string>(&found->second);
  return text != nullptr ? *text : std::string();
}

// What about the arguments the channel did not take.
std::string ArgumentsNotTaken(const HostCall& call) {
  const auto* map = std::get_if<EncodableMap>(&call.arguments);
  if (map == nullptr) {
    return "the arguments are " + Kind(call.arguments) + ", not a map";
  }
  for (const auto& [key, value] : *map) {
    if (!std::holds_alternative<std::string>(key)) {
      return "the arguments map has a key that is " + Kind(key);
    }
    if (call.channel == "QevaManager" && !std::holds_alternative<std::string>(value)) {
      return "the arguments are not a map of strings: \"" + std::get<std::string>(key) + "\" is " +
             Kind(value);
    }
  }
  return "the arguments are not a map";
}

}  // namespace

Unanswered Rejection(const HostCall& call, const Redactor& redactor) {
  switch (call.reason) {
    case UnansweredReason::kMethodNotAccepted:
      return {call.number, "wrong-method",
              "\"" + call.method + "\" is not a method of channel \"" + call.channel + "\""};
    case UnansweredReason::kArgumentsNotAccepted:
      return {call.number, "not-a-map", ArgumentsNotTaken(call)};
    case UnansweredReason::kUnknownAdSpaceId:
      return {call.number, "no-ad-space",
              "no ad space for id \"" +
                  redactor.Redact(StringArgument(call.arguments, "adSpaceId")) + "\""};
    case UnansweredReason::kNoAd:
      return {call.number, "no-ad", "the ad space holds no ad"};
    case UnansweredReason::kNoWindow:
      return {call.number, "no-window",
              "the application has no window with a root view controller"};
    case UnansweredReason::kAdSpaceRefused:
      return {
          call.number, "refused-tag",
          "the SDK refused tag \"" + StringArgument(call.arguments, "tagId") + "\": no ad space"};
    case UnansweredReason::kNone:
      break;
  }
  return {call.number, "released", "released unanswered while the plugin handled it"};
}

}  // namespace QevaHost
