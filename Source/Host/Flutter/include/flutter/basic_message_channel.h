#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_BASIC_MESSAGE_CHANNEL_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_BASIC_MESSAGE_CHANNEL_H_

#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "binary_messenger.h"
#include "channel_warnings.h"
#include "message_codec.h"

namespace flutter {

namespace internal {

// Asks the engine to buffer up to |new_size| messages for |name| while Dart is not listening.
void ResizeChannel(BinaryMessenger* messenger, std::string name, int new_size);

// Asks the engine whether to log when |name|'s buffer overflows and drops a message.
void SetChannelWarnsOnOverflow(BinaryMessenger* messenger, std::string name, bool warns);

}  // namespace internal

class EncodableValue;

// Called by a message handler with the answer to send back.
template <typename T>
using MessageReply = std::function<void(const T& reply)>;

// Called for each message on a BasicMessageChannel.
template <typename T>
using MessageHandler = std::function<void(const T& message, const MessageReply<T>& reply)>;

// A channel of plain messages (no method names) between the platform side and Dart.
template <typename T = EncodableValue>
class BasicMessageChannel {
 public:
  // The |messenger| and |codec| pointers must remain valid for as long as this channel, and any
  // handler it registered, exists.
  BasicMessageChannel(BinaryMessenger* messenger, const std::string& name,
                      const MessageCodec<T>* codec)
      : messenger_(messenger), name_(name), codec_(codec) {}

  ~BasicMessageChannel() = default;

  BasicMessageChannel(BasicMessageChannel const&) = delete;
  BasicMessageChannel& operator=(BasicMessageChannel const&) = delete;

  void Send(const T& message) {
    std::unique_ptr<std::vector<uint8_t>> raw = codec_->EncodeMessage(message);
    messenger_->Send(name_, raw->data(), raw->size());
  }

  // |reply| receives Dart's encoded answer.
  void Send(const T& message, BinaryReply reply) {
    std::unique_ptr<std::vector<uint8_t>> raw = codec_->EncodeMessage(message);
    messenger_->Send(name_, raw->data(), raw->size(), std::move(reply));
  }

  // Registers |handler| for messages from Dart; nullptr unregisters. The registration outlives
  // this channel object: the messenger keeps it.
  void SetMessageHandler(const MessageHandler<T>& handler) const {
    if (!handler) {
      messenger_->SetMessageHandler(name_, nullptr);
      return;
    }
    const MessageCodec<T>* codec = codec_;
    std::string channel_name = name_;
    BinaryMessageHandler binary_handler =
        [handler, codec, channel_name](const uint8_t* binary_message,
                                       const size_t binary_message_size, BinaryReply binary_reply) {
          std::unique_ptr<T> message = codec->DecodeMessage(binary_message, binary_message_size);
          if (!message) {
            WriteChannelWarning("Unable to decode message on channel " + channel_name);
            if (binary_reply) {
              binary_reply(nullptr, 0);
            }
            return;
          }
          MessageReply<T> unencoded_reply = [binary_reply, codec](const T& unencoded_response) {
            if (!binary_reply) {
              return;
            }
            std::unique_ptr<std::vector<uint8_t>> binary_response =
                codec->EncodeMessage(unencoded_response);
            binary_reply(binary_response->data(), binary_response->size());
          };
          handler(*message, std::move(unencoded_reply));
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
  const MessageCodec<T>* codec_;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_BASIC_MESSAGE_CHANNEL_H_
