#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_EVENT_CHANNEL_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_EVENT_CHANNEL_H_

#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "binary_messenger.h"
#include "channel_warnings.h"
#include "event_sink.h"
#include "event_stream_handler.h"
#include "method_call.h"
#include "method_codec.h"

namespace flutter {

class EncodableValue;

// A named channel of events from the platform side to Dart. Dart starts and stops the stream
// with "listen" and "cancel" method calls; a StreamHandler reacts to them.
template <typename T = EncodableValue>
class EventChannel {
 public:
  // The |messenger| and |codec| pointers must remain valid for as long as this channel, and any
  // handler it registered, exists.
  EventChannel(BinaryMessenger* messenger, const std::string& name, const MethodCodec<T>* codec)
      : messenger_(messenger), name_(name), codec_(codec) {}
  ~EventChannel() = default;

  EventChannel(EventChannel const&) = delete;
  EventChannel& operator=(EventChannel const&) = delete;

  // Registers |handler|; nullptr unregisters. The messenger keeps the handler.
  void SetStreamHandler(std::unique_ptr<StreamHandler<T>> handler) {
    if (!handler) {
      messenger_->SetMessageHandler(name_, nullptr);
      return;
    }
    // Shared, because the messenger keeps a copyable function.
    std::shared_ptr<StreamHandler<T>> shared_handler(handler.release());
    const MethodCodec<T>* codec = codec_;
    const std::string channel_name = name_;
    BinaryMessenger* messenger = messenger_;
    auto listening = std::make_shared<bool>(false);
    BinaryMessageHandler binary_handler = [shared_handler, codec, channel_name, messenger,
                                           listening](const uint8_t* message, size_t message_size,
                                                      BinaryReply reply) {
      std::unique_ptr<MethodCall<T>> call = codec->DecodeMethodCall(message, message_size);
      if (!call) {
        WriteChannelWarning("Unable to construct method call from message on channel " +
                            channel_name);
        reply(nullptr, 0);
        return;
      }
      const std::string& method = call->method_name();
      if (method == "listen") {
        if (*listening) {
          // A second listen restarts the stream.
          shared_handler->OnCancel(nullptr);
        }
        *listening = true;
        auto sink = std::make_unique<Sink>(messenger, channel_name, codec);
        Answer(shared_handler->OnListen(call->arguments(), std::move(sink)), codec, reply);
      } else if (method == "cancel") {
        if (!*listening) {
          auto response = codec->EncodeErrorEnvelope("error", "No active stream to cancel");
          reply(response->data(), response->size());
          return;
        }
        *listening = false;
        Answer(shared_handler->OnCancel(call->arguments()), codec, reply);
      } else {
        reply(nullptr, 0);
      }
    };
    messenger_->SetMessageHandler(name_, std::move(binary_handler));
  }

 private:
  // Sends events as success or error envelopes, and the end of the stream as an empty message.
  class Sink : public EventSink<T> {
   public:
    Sink(BinaryMessenger* messenger, const std::string& name, const MethodCodec<T>* codec)
        : messenger_(messenger), name_(name), codec_(codec) {}

   protected:
    void SuccessInternal(const T* event = nullptr) override {
      Send(codec_->EncodeSuccessEnvelope(event));
    }
    void ErrorInternal(const std::string& error_code, const std::string& error_message,
                       const T* error_details) override {
      Send(codec_->EncodeErrorEnvelope(error_code, error_message, error_details));
    }
    void EndOfStreamInternal() override { messenger_->Send(name_, nullptr, 0); }

   private:
    void Send(std::unique_ptr<std::vector<uint8_t>> message) {
      messenger_->Send(name_, message->data(), message->size());
    }

    BinaryMessenger* messenger_;
    const std::string name_;
    const MethodCodec<T>* codec_;
  };

  static void Answer(std::unique_ptr<StreamHandlerError<T>> error, const MethodCodec<T>* codec,
                     const BinaryReply& reply) {
    std::unique_ptr<std::vector<uint8_t>> response =
        error ? codec->EncodeErrorEnvelope(error->error_code, error->error_message,
                                           error->error_details.get())
              : codec->EncodeSuccessEnvelope();
    reply(response->data(), response->size());
  }

  BinaryMessenger* messenger_;
  const std::string name_;
  const MethodCodec<T>* codec_;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_EVENT_CHANNEL_H_
