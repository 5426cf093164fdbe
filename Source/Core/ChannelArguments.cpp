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
  ArgumentMap result;
  for (const auto& [key, value] : *map) {
    const auto* name = std::get_if<std::string>(&key);
    if (name == nullptr) {
      return std::nullopt;
    }
    result.emplace(*name, value);
  }
  return result;
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
  auto entry = arguments.find(key);
  if (entry == arguments.end()) {
    return std::string();
  }
  const auto* text = std::get_if<std::string>(&entry->second);
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
