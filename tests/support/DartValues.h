#ifndef QEVA_FLUTTER_TESTS_SUPPORT_DARTVALUES_H_
#define QEVA_FLUTTER_TESTS_SUPPORT_DARTVALUES_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "flutter/encodable_value.h"
#include "headless/DartReply.h"

// Dart's side of the channels in values: what Dart sends, what the plugin must answer, and
// whether a reply record holds exactly that. Free of any test framework, so that tests,
// benchmarks and fuzzers say it alike.
namespace QevaFlutter::support {

using flutter::EncodableMap;
using flutter::EncodableValue;
using Entries = std::vector<std::pair<std::string, EncodableValue>>;
using Strings = std::vector<std::string>;

inline EncodableValue Str(const std::string& text) {
  return EncodableValue(text);
}
// A map with string keys, as Dart's Map<String, dynamic> arrives.
EncodableValue DartMap(Entries entries);

// The bytes Dart sends for a call of |method|: what the engine hands to the channel.
std::vector<uint8_t> EncodeCall(const std::string& method, const EncodableValue& arguments);

// The plugin's replies.
EncodableValue ReadyReply(const std::string& adSpaceId, const std::string& response,
                          const std::string& signature);
EncodableValue RenderReply(bool refreshable);
EncodableValue CommandReply(const std::string& outcome);
constexpr char kAdErrorCode[] = "1001";
constexpr char kAdErrorMessage[] = "QevaAd is nil or Ad Response is empty.";

// What the display renderer hands Dart for |markup| at |size| ("320x50"); |markup| must need
// no JSON escapes.
std::string DisplayResponse(const std::string& markup, const std::string& size = "320x50");

// Empty when |reply| was answered exactly once with the success value |expected|, else what
// it is instead.
std::string Mismatch(const headless::DartReply& reply, const EncodableValue& expected);
// The same for the ad error reply.
std::string ErrorMismatch(const headless::DartReply& reply);

}  // namespace QevaFlutter::support

#endif  // QEVA_FLUTTER_TESTS_SUPPORT_DARTVALUES_H_
