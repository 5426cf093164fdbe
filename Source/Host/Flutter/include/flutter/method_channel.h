#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_METHOD_CHANNEL_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_METHOD_CHANNEL_H_

#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "basic_message_channel.h"
#include "binary_messenger.h"
#include "channel_warnings.h"
#include "engine_method_result.h"
#include "method_call.h"
#include "method_codec.h"
#include "method_result.h"

namespace flutter {

class EncodableValue;

// Called for each method call from Dart. The handler owns |result| and must answer it exactly
// once, now or later; |call| dies when the handler returns.
template <typename T>
using MethodCallHandler =
    std::function<void(const MethodCall<T>& call, std::unique_ptr<MethodResult<T>> result)>;

// A named channel of method calls between the platform side and Dart.
template <typename T = EncodableValue>
class MethodChannel {
 public:
  // The |messenger| and |codec| pointers must remain valid for as long as this channel, and any
  // handler it registered, exists.
  MethodChannel(BinaryMessenger* messenger, const std::string& name, const MethodCodec<T>* codec)
      : messenger_(messenger), name_(name), codec_(codec) {}

  ~MethodChannel() = default;

  MethodChannel(MethodChannel const&) = delete;
  MethodChannel& operator=(MethodChannel const&) = delete;

  // Calls |method| on the Dart side. |result|, if given, receives the answer: an empty reply
  // (no Dart handler) or an undecodable one arrives as NotImplemented.
  void InvokeMethod(const std::string& method, std::unique_ptr<T> arguments,
                    std::unique_ptr<MethodResult<T>> result = nullptr) {
    MethodCall<T> method_call(method, std::move(arguments));
    std::unique_ptr<std::vector<uint8_t>> message = codec_->EncodeMethodCall(method_call);
    if (!result) {
      messenger_->Send(name_, message->data(), message->size(), nullptr);
      return;
    }
    // BinaryReply must be copyable, so the single result is shared by the copies.
    std::shared_ptr<MethodResult<T>> shared_result(result.release());
    const MethodCodec<T>* codec = codec_;
    std::string channel_name = name_;
    BinaryReply reply_handler = [shared_result, codec, channel_name](const uint8_t* reply,
                                                                     size_t reply_size) {
      if (reply_size == 0) {
        shared_result->NotImplemented();
        return;
      }
      if (!codec->DecodeAndProcessResponseEnvelope(reply, reply_size, shared_result.get())) {
        WriteChannelWarning("Unable to decode the reply to a method call on channel " +
                            channel_name);
        shared_result->NotImplemented();
      }
    };
    messenger_->Send(name_, message->data(), message->size(), std::move(reply_handler));
  }

  // Registers |handler| for calls from Dart; nullptr unregisters. The registration outlives
  // this channel object: the messenger keeps it. A message that is not a valid method call is
  // logged and answered with the empty (not implemented) reply.
  void SetMethodCallHandler(MethodCallHandler<T> handler) const {
    if (!handler) {
      messenger_->SetMessageHandler(name_, nullptr);
      return;
    }
    const MethodCodec<T>* codec = codec_;
    std::string channel_name = name_;
    BinaryMessageHandler binary_handler = [handler = std::move(handler), codec, channel_name](
                                              const uint8_t* message, size_t message_size,
                                              BinaryReply reply) {
      // The result exists before decoding so that a bad message is still answered.
      auto result = std::make_unique<EngineMethodResult<T>>(std::move(reply), codec);
      std::unique_ptr<MethodCall<T>> method_call = codec->DecodeMethodCall(message, message_size);
      if (!method_call) {
        WriteChannelWarning("Unable to construct method call from message on channel " +
                            channel_name);
        result->NotImplemented();
        return;
      }
      handler(*method_call, std::move(result));
    };
    messenger_->SetMessageHandler(name_, std::move(binary_handler));
  }

  void Resize(int new_size) { internal::ResizeChannel(messenger_, name_, new_size); }

  void SetWarnsOnOverflow(bool warns) {
    internal::SetChannelWarnsOnOverflow(messenger_, name_, warns);
  }

 private:
  BinaryMessenger* messenger_;
  std::string name_;
  const MethodCodec<T>* codec_;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_METHOD_CHANNEL_H_
