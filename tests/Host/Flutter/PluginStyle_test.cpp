// Compiles a plugin written the way Flutter Windows plugins are, against nothing but the
// wrapper's public headers, and drives it with real codec bytes.

#include <flutter/binary_messenger.h>
#include <flutter/encodable_value.h>
#include <flutter/method_channel.h>
#include <flutter/standard_method_codec.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr char kChannelName[] = "qeva_flutter/sample";
constexpr char kLoadMethod[] = "loadAd";

class SamplePlugin {
 public:
  // The |messenger| pointer must remain valid for as long as this plugin exists.
  explicit SamplePlugin(flutter::BinaryMessenger* messenger)
      : channel_(std::make_unique<flutter::MethodChannel<flutter::EncodableValue>>(
            messenger, kChannelName, &flutter::StandardMethodCodec::GetInstance())) {
    channel_->SetMethodCallHandler(
        [this](const flutter::MethodCall<flutter::EncodableValue>& call,
               std::unique_ptr<flutter::MethodResult<flutter::EncodableValue>> result) {
          HandleMethodCall(call, std::move(result));
        });
  }

 private:
  void HandleMethodCall(const flutter::MethodCall<flutter::EncodableValue>& call,
                        std::unique_ptr<flutter::MethodResult<flutter::EncodableValue>> result) {
    if (call.method_name() != kLoadMethod) {
      result->NotImplemented();
      return;
    }
    const auto* arguments = std::get_if<flutter::EncodableMap>(call.arguments());
    if (arguments == nullptr) {
      result->Error("bad_args", "Expected a map");
      return;
    }
    auto tag = arguments->find(flutter::EncodableValue("tagId"));
    if (tag == arguments->end() || !std::holds_alternative<std::string>(tag->second)) {
      result->Error("bad_args", "Missing tagId");
      return;
    }
    result->Success(flutter::EncodableValue("loaded " + std::get<std::string>(tag->second)));
  }

  std::unique_ptr<flutter::MethodChannel<flutter::EncodableValue>> channel_;
};

// The smallest messenger a plugin test needs: keeps handlers, calls them, returns the reply.
class CallingMessenger : public flutter::BinaryMessenger {
 public:
  void Send(const std::string&, const uint8_t*, size_t, flutter::BinaryReply) const override {}

  void SetMessageHandler(const std::string& channel,
                         flutter::BinaryMessageHandler handler) override {
    handlers_[channel] = std::move(handler);
  }

  std::vector<uint8_t> Call(const std::string& method,
                            std::unique_ptr<flutter::EncodableValue> arguments) {
    flutter::MethodCall<flutter::EncodableValue> call(method, std::move(arguments));
    std::unique_ptr<std::vector<uint8_t>> message =
        flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(call);
    std::vector<uint8_t> reply;
    handlers_.at(kChannelName)(
        message->data(), message->size(),
        [&reply](const uint8_t* bytes, size_t size) { reply.assign(bytes, bytes + size); });
    return reply;
  }

 private:
  std::map<std::string, flutter::BinaryMessageHandler> handlers_;
};

TEST(PluginStyle, HandlerValidatesArgumentsAndAnswersEachCall) {
  const flutter::StandardMethodCodec& codec = flutter::StandardMethodCodec::GetInstance();
  flutter::EncodableValue loaded("loaded abc123");
  struct Row {
    const char* name;
    std::string method;
    flutter::EncodableValue arguments;
    std::vector<uint8_t> reply;
  } rows[] = {
      {"loads with a tag", kLoadMethod,
       flutter::EncodableValue(flutter::EncodableMap{
           {flutter::EncodableValue("tagId"), flutter::EncodableValue("abc123")}}),
       *codec.EncodeSuccessEnvelope(&loaded)},
      {"arguments not a map", kLoadMethod, flutter::EncodableValue(5),
       *codec.EncodeErrorEnvelope("bad_args", "Expected a map")},
      {"tag missing", kLoadMethod, flutter::EncodableValue(flutter::EncodableMap{}),
       *codec.EncodeErrorEnvelope("bad_args", "Missing tagId")},
      {"unknown method", "dispose", flutter::EncodableValue(), {}},
  };
  CallingMessenger messenger;
  SamplePlugin plugin(&messenger);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(messenger.Call(row.method, std::make_unique<flutter::EncodableValue>(row.arguments)),
              row.reply);
  }
}

}  // namespace
