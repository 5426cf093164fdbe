#include "Core/ChannelArguments.h"

#include <limits>
#include <variant>

namespace QevaFlutter {

std::optional<ArgumentMap> StringKeyedArguments(const flutter::EncodableValue* arguments) {
  if (arguments == nullptr) {
    return std::nullopt;
  }
  const auto* map = std::get_if<flutter::EncodableMap>(arguments);
  if (map == nullptr) {
    return std::nullopt;
  }
  for (const auto& entry : *map) {
    if (!std::holds_alternative<std::string>(entry.first)) {
      return std::nullopt;
    }
  }
  return ArgumentMap(*map);
}

const flutter::EncodableValue* ArgumentMap::Find(const std::string& key) const {
  auto entry = map_->find(flutter::EncodableValue(key));
  return entry == map_->end() ? nullptr : &entry->second;
}

std::optional<std::map<std::string, std::string>> StringToStringArguments(
    const flutter::EncodableValue* arguments) {
  if (arguments == nullptr) {
    return std::nullopt;
  }
  const auto* map = std::get_if<flutter::EncodableMap>(arguments);
  if (map == nullptr) {
    return std::nullopt;
  }
  std::map<std::string, std::string> result;
  for (const auto& [key, value] : *map) {
    const auto* name = std::get_if<std::string>(&key);
    const auto* text = std::get_if<std::string>(&value);
    if (name == nullptr || text == nullptr) {
      return std::nullopt;
    }
    result.emplace(*name, *text);
  }
  return result;
}

std::string StringArgument(const ArgumentMap& arguments, const std::string& key) {
  const flutter::EncodableValue* value = arguments.Find(key);
  const auto* text = value == nullptr ? nullptr : std::get_if<std::string>(value);
  return text == nullptr ? std::string() : *text;
}

std::optional<int64_t> ParseDecimalInt64(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) {
    return std::nullopt;
  }
  // Accumulate towards the negative side: its range is one larger, so "-9223372036854775808"
  // parses without overflow.
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    const int digit = c - '0';
    if (value < (kMin + digit) / 10) {
      return std::nullopt;
    }
    value = value * 10 - digit;
  }
  if (negative) {
    return value;
  }
  if (value == kMin) {
    return std::nullopt;
  }
  return -value;
}

}  // namespace QevaFlutter
