#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_BINARY_MESSENGER_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_BINARY_MESSENGER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace flutter {

// Called with the encoded reply to a message. An empty reply (size 0) means nobody handled it.
typedef std::function<void(const uint8_t* reply, size_t reply_size)> BinaryReply;

// Called by the messenger for each message arriving on a channel. The handler answers through
// |reply|, now or later, at most once.
typedef std::function<void(const uint8_t* message, size_t message_size, BinaryReply reply)>
    BinaryMessageHandler;

// Carries encoded messages between the platform side and Dart, per named channel.
class BinaryMessenger {
 public:
  virtual ~BinaryMessenger() = default;

  // Sends |message| to Dart on |channel|. |reply|, if given, receives Dart's answer.
  virtual void Send(const std::string& channel, const uint8_t* message, size_t message_size,
                    BinaryReply reply = nullptr) const = 0;

  // Makes |handler| the receiver of messages on |channel|, replacing any previous one; a null
  // handler unregisters. The messenger owns the handler from then on.
  virtual void SetMessageHandler(const std::string& channel, BinaryMessageHandler handler) = 0;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_BINARY_MESSENGER_H_
