#ifndef QEVA_HOST_DARTVALUES_H_
#define QEVA_HOST_DARTVALUES_H_

#include <flutter/encodable_value.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

// What Dart sends, written as JSON: the scenario's arguments and expectations, and the
// machine-readable transcript.
namespace QevaHost {

// JSON to a standard codec value, as Dart's codec would encode the same Dart value:
// objects become string-keyed maps, arrays lists, integers int32 when they fit and int64
// otherwise, other numbers doubles; strings, booleans and null stay what they are.
//
// A one-member object whose key starts with "$" types its value where JSON cannot:
//   {"$int64": 7}          an int64 however small
//   {"$double": 2}         a double with an integral value
//   {"$uint8list": [1, 2]} a Uint8List
// Returns false, with |error| naming the offending path ("arguments.ids[2]"), for a malformed
// typed value or an integer beyond int64. |path| names |json| in that message.
bool FromJson(const nlohmann::json& json, const std::string& path, flutter::EncodableValue* out,
              std::string* error);

// The other way, for machine output and comparisons: int32 and int64 are both numbers, typed
// lists arrays, and map keys that are not strings are written in their printed form.
nlohmann::json ToJson(const flutter::EncodableValue& value);

// |value| with every string in it, map keys included, replaced by |edit|(string).
using StringEdit = std::function<std::string(const std::string&)>;
flutter::EncodableValue EditStrings(const flutter::EncodableValue& value, const StringEdit& edit);

}  // namespace QevaHost

#endif  // QEVA_HOST_DARTVALUES_H_
