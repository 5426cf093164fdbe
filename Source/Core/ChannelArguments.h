#ifndef QEVA_FLUTTER_CORE_CHANNELARGUMENTS_H_
#define QEVA_FLUTTER_CORE_CHANNELARGUMENTS_H_

#include <flutter/encodable_value.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// Reading the argument maps that Dart sends. Every accepted call carries a map with string
// keys; a value that is missing or of another type is read as empty, never converted.
namespace QevaFlutter {

// A call's argument map, read in place: a view of the decoded map whose keys have all been
// checked to be strings. It must not outlive the call it was made from.
class ArgumentMap {
 public:
  explicit ArgumentMap(const flutter::EncodableMap& map) : map_(&map) {}

  // The value under |key|, or null when there is none.
  const flutter::EncodableValue* Find(const std::string& key) const;

 private:
  const flutter::EncodableMap* map_;
};

// |arguments| as a map from string keys to any values; none when it is null (absent or a
// null value), not a map, or has any key that is not a string.
std::optional<ArgumentMap> StringKeyedArguments(const flutter::EncodableValue* arguments);

// |arguments| as a map from string to string; none unless every key and every value is a
// string.
std::optional<std::map<std::string, std::string>> StringToStringArguments(
    const flutter::EncodableValue* arguments);

// The string under |key|, or the empty string when it is absent or not a string.
std::string StringArgument(const ArgumentMap& arguments, const std::string& key);

// The strict decimal form: an optional "+" or "-", then one or more digits 0-9 and nothing
// else, within the signed 64-bit range. Anything else (blanks, a lone sign, the empty text, a
// number out of range) is none.
std::optional<int64_t> ParseDecimalInt64(std::string_view text);

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_CORE_CHANNELARGUMENTS_H_
