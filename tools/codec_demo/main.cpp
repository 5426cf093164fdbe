// Shows the standard codec and the headless engine at work on one ad request: the call's
// bytes, the call decoded back, and the reply of a handler on a channel.

#include <flutter/encodable_value.h>
#include <flutter/method_call.h>
#include <flutter/method_channel.h>
#include <flutter/standard_method_codec.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "headless/HeadlessEngine.h"

namespace {

constexpr char kChannelName[] = "qeva_flutter/demo";
constexpr char kAdRequestMethod[] = "AdRequest";

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char digits[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof(digits), i == 0 ? "%02x" : " %02x", bytes[i]);
    text += digits;
  }
  return text;
}

}  // namespace

int main() {
  const flutter::StandardMethodCodec& codec = flutter::StandardMethodCodec::GetInstance();
  flutter::EncodableValue arguments(flutter::EncodableMap{
      {flutter::EncodableValue("tagId"), flutter::EncodableValue("abc123")},
      {flutter::EncodableValue("refreshRate"), flutter::EncodableValue("30")},
  });

  flutter::MethodCall<flutter::EncodableValue> call(
      kAdRequestMethod, std::make_unique<flutter::EncodableValue>(arguments));
  std::unique_ptr<std::vector<uint8_t>> bytes = codec.EncodeMethodCall(call);
  std::printf("encoded %s call (%zu bytes):\n  %s\n", kAdRequestMethod, bytes->size(),
              Hex(*bytes).c_str());

  std::unique_ptr<flutter::MethodCall<flutter::EncodableValue>> decoded =
      codec.DecodeMethodCall(*bytes);
  if (!decoded) {
    std::fprintf(stderr, "the call did not decode\n");
    return 1;
  }
  std::printf("decoded: method %s, arguments %s\n", decoded->method_name().c_str(),
              headless::ToString(*decoded->arguments()).c_str());

  headless::HeadlessEngine engine;
  flutter::MethodChannel<flutter::EncodableValue> channel(&engine, kChannelName, &codec);
  // Echoes the method and its arguments back, the smallest handler that proves the round trip.
  channel.SetMethodCallHandler(
      [](const flutter::MethodCall<flutter::EncodableValue>& incoming,
         std::unique_ptr<flutter::MethodResult<flutter::EncodableValue>> result) {
        result->Success(flutter::EncodableValue(flutter::EncodableMap{
            {flutter::EncodableValue("method"), flutter::EncodableValue(incoming.method_name())},
            {flutter::EncodableValue("arguments"), *incoming.arguments()},
        }));
      });

  std::shared_ptr<const headless::DartReply> reply =
      engine.CallMethod(kChannelName, kAdRequestMethod, arguments);
  std::printf("reply on %s (%zu bytes):\n  %s\n", kChannelName, reply->bytes().size(),
              reply->ToString().c_str());
  return reply->kind() == headless::DartReply::Kind::kSuccess ? 0 : 1;
}
