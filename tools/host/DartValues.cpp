#include "DartValues.h"

#include <cstdint>
#include <limits>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "headless/DartReply.h"

namespace QevaHost {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using nlohmann::json;

namespace {

EncodableValue Integer(int64_t number) {
  if (number >= std::numeric_limits<int32_t>::min() &&
      number <= std::numeric_limits<int32_t>::max()) {
    return EncodableValue(static_cast<int32_t>(number));
  }
  return EncodableValue(number);
}

bool Fail(const std::string& path, const std::string& what, std::string* error) {
  if (error != nullptr) {
    *error = path + ": " + what;
  }
  return false;
}

// A typed value: {"$int64": 7} and friends.
bool FromTyped(const std::string& type, const json& value, const std::string& path,
               EncodableValue* out, std::string* error) {
  const std::string at = path + "." + type;
  if (type == "$int64") {
    if (value.is_number_unsigned() && value.get<uint64_t>() > INT64_MAX) {
      return Fail(at, "beyond the int64 range", error);
    }
    if (!value.is_number_integer()) {
      return Fail(at, "must be an integer", error);
    }
    *out = EncodableValue(value.get<int64_t>());
    return true;
  }
  if (type == "$double") {
    if (!value.is_number()) {
      return Fail(at, "must be a number", error);
    }
    *out = EncodableValue(value.get<double>());
    return true;
  }
  if (type == "$uint8list") {
    if (!value.is_array()) {
      return Fail(at, "must be an array of integers 0 to 255", error);
    }
    std::vector<uint8_t> bytes;
    for (const json& element : value) {
      if (!element.is_number_integer() || element.get<int64_t>() < 0 ||
          element.get<int64_t>() > 255) {
        return Fail(at, "must be an array of integers 0 to 255", error);
      }
      bytes.push_back(static_cast<uint8_t>(element.get<int64_t>()));
    }
    *out = EncodableValue(std::move(bytes));
    return true;
  }
  return Fail(path, "unknown typed value \"" + type + "\" (known: $int64, $double, $uint8list)",
              error);
}

template <typename T>
json ArrayOf(const std::vector<T>& items) {
  json array = json::array();
  for (const T& item : items) {
    array.push_back(item);
  }
  return array;
}

}  // namespace

bool FromJson(const json& value, const std::string& path, EncodableValue* out, std::string* error) {
  switch (value.type()) {
    case json::value_t::null:
      *out = EncodableValue();
      return true;
    case json::value_t::boolean:
      *out = EncodableValue(value.get<bool>());
      return true;
    case json::value_t::number_integer:
      *out = Integer(value.get<int64_t>());
      return true;
    case json::value_t::number_unsigned:
      if (value.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX)) {
        return Fail(path, "integer beyond the int64 range", error);
      }
      *out = Integer(static_cast<int64_t>(value.get<uint64_t>()));
      return true;
    case json::value_t::number_float:
      *out = EncodableValue(value.get<double>());
      return true;
    case json::value_t::string:
      *out = EncodableValue(value.get<std::string>());
      return true;
    case json::value_t::array: {
      EncodableList list;
      for (size_t i = 0; i < value.size(); ++i) {
        EncodableValue element;
        if (!FromJson(value[i], path + "[" + std::to_string(i) + "]", &element, error)) {
          return false;
        }
        list.push_back(std::move(element));
      }
      *out = EncodableValue(std::move(list));
      return true;
    }
    case json::value_t::object: {
      if (value.size() == 1 && value.begin().key().rfind('$', 0) == 0) {
        return FromTyped(value.begin().key(), value.begin().value(), path, out, error);
      }
      EncodableMap map;
      for (const auto& [key, element] : value.items()) {
        EncodableValue decoded;
        if (!FromJson(element, path + "." + key, &decoded, error)) {
          return false;
        }
        map.emplace(EncodableValue(key), std::move(decoded));
      }
      *out = EncodableValue(std::move(map));
      return true;
    }
    case json::value_t::binary:
    case json::value_t::discarded:
      break;
  }
  return Fail(path, "not a JSON value", error);
}

json ToJson(const EncodableValue& value) {
  return std::visit(
      [](const auto& held) -> json {
        using T = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return nullptr;
        } else if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, int32_t> ||
                             std::is_same_v<T, int64_t> || std::is_same_v<T, double> ||
                             std::is_same_v<T, std::string>) {
          return held;
        } else if constexpr (std::is_same_v<T, std::vector<uint8_t>> ||
                             std::is_same_v<T, std::vector<int32_t>> ||
                             std::is_same_v<T, std::vector<int64_t>> ||
                             std::is_same_v<T, std::vector<float>> ||
                             std::is_same_v<T, std::vector<double>>) {
          return ArrayOf(held);
        } else if constexpr (std::is_same_v<T, EncodableList>) {
          json array = json::array();
          for (const EncodableValue& element : held) {
            array.push_back(ToJson(element));
          }
          return array;
        } else if constexpr (std::is_same_v<T, EncodableMap>) {
          json object = json::object();
          for (const auto& [key, element] : held) {
            const auto* text = std::get_if<std::string>(&key);
            object[text != nullptr ? *text : headless::ToString(key)] = ToJson(element);
          }
          return object;
        } else {
          return "<custom>";
        }
      },
      static_cast<const EncodableValue::super&>(value));
}

EncodableValue EditStrings(const EncodableValue& value, const StringEdit& edit) {
  if (const auto* text = std::get_if<std::string>(&value)) {
    return EncodableValue(edit(*text));
  }
  if (const auto* list = std::get_if<EncodableList>(&value)) {
    EncodableList edited;
    edited.reserve(list->size());
    for (const EncodableValue& element : *list) {
      edited.push_back(EditStrings(element, edit));
    }
    return EncodableValue(std::move(edited));
  }
  if (const auto* map = std::get_if<EncodableMap>(&value)) {
    EncodableMap edited;
    for (const auto& [key, element] : *map) {
      edited.emplace(EditStrings(key, edit), EditStrings(element, edit));
    }
    return EncodableValue(std::move(edited));
  }
  return value;
}

}  // namespace QevaHost
