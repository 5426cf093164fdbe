#include "support/DartValues.h"

#include <memory>

#include "flutter/method_call.h"
#include "flutter/standard_method_codec.h"

namespace QevaFlutter::support {

EncodableValue DartMap(Entries entries) {
  EncodableMap map;
  for (auto& [key, value] : entries) {
    map.emplace(EncodableValue(key), std::move(value));
  }
  return EncodableValue(std::move(map));
}

std::vector<uint8_t> EncodeCall(const std::string& method, const EncodableValue& arguments) {
  flutter::MethodCall<> call(method, std::make_unique<EncodableValue>(arguments));
  return *flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(call);
}

EncodableValue ReadyReply(const std::string& adSpaceId, const std::string& response,
                          const std::string& signature) {
  return DartMap({{"result", Str("success")},
                  {"adSpaceId", Str(adSpaceId)},
                  {"response", Str(response)},
                  {"signature", Str(signature)}});
}

EncodableValue RenderReply(bool refreshable) {
  return DartMap({{"result", Str("success")}, {"isAdRefreshable", EncodableValue(refreshable)}});
}

EncodableValue CommandReply(const std::string& outcome) {
  return DartMap({{"result", Str(outcome)}});
}

std::string DisplayResponse(const std::string& markup, const std::string& size) {
  return R"({"adSize":")" + size + R"(","response":")" + markup + R"("})";
}

std::string Mismatch(const headless::DartReply& reply, const EncodableValue& expected) {
  if (reply.kind() == headless::DartReply::Kind::kSuccess && reply.reply_count() == 1 &&
      reply.value() == expected) {
    return std::string();
  }
  return "expected success: " + headless::ToString(expected) + ", got " + reply.ToString() + " (" +
         std::to_string(reply.reply_count()) + " replies)";
}

std::string ErrorMismatch(const headless::DartReply& reply) {
  if (reply.kind() == headless::DartReply::Kind::kError && reply.reply_count() == 1 &&
      reply.error_code() == kAdErrorCode && reply.error_message() == kAdErrorMessage &&
      reply.error_details().IsNull()) {
    return std::string();
  }
  return "expected the ad error reply, got " + reply.ToString() + " (" +
         std::to_string(reply.reply_count()) + " replies)";
}

}  // namespace QevaFlutter::support
