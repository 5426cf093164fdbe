// Requests to the engine's channel buffers, shared by MethodChannel and BasicMessageChannel.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "basic_message_channel.h"
#include "encodable_value.h"
#include "method_call.h"
#include "standard_method_codec.h"

namespace flutter {
namespace internal {

namespace {

constexpr char kControlChannelName[] = "dev.flutter/channel-buffers";

void SendControlCall(BinaryMessenger* messenger, const char* method, EncodableList arguments) {
  MethodCall<EncodableValue> call(method, std::make_unique<EncodableValue>(std::move(arguments)));
  std::unique_ptr<std::vector<uint8_t>> message =
      StandardMethodCodec::GetInstance().EncodeMethodCall(call);
  messenger->Send(kControlChannelName, message->data(), message->size());
}

}  // namespace

void ResizeChannel(BinaryMessenger* messenger, std::string name, int new_size) {
  SendControlCall(messenger, "resize",
                  EncodableList{EncodableValue(std::move(name)),
                                EncodableValue(static_cast<int32_t>(new_size))});
}

void SetChannelWarnsOnOverflow(BinaryMessenger* messenger, std::string name, bool warns) {
  // The engine's flag is the opposite: whether overflow is allowed silently.
  SendControlCall(messenger, "overflow",
                  EncodableList{EncodableValue(std::move(name)), EncodableValue(!warns)});
}

}  // namespace internal
}  // namespace flutter
