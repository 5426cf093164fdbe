#ifndef QEVA_FLUTTER_SRC_BINARY_MESSENGER_IMPL_H_
#define QEVA_FLUTTER_SRC_BINARY_MESSENGER_IMPL_H_

#include <flutter_messenger.h>

#include <map>
#include <memory>
#include <string>

#include "include/flutter/binary_messenger.h"

namespace flutter {

// flutter::BinaryMessenger over the engine's C messenger. It keeps the handlers it registers:
// the engine holds only a pointer to each.
class BinaryMessengerImpl : public BinaryMessenger {
 public:
  explicit BinaryMessengerImpl(FlutterDesktopMessengerRef core_messenger);

  // Destroys the handlers; one whose destructor sets or clears a handler on this messenger
  // finds it consistent.
  ~BinaryMessengerImpl() override;

  BinaryMessengerImpl(BinaryMessengerImpl const&) = delete;
  BinaryMessengerImpl& operator=(BinaryMessengerImpl const&) = delete;

  void Send(const std::string& channel, const uint8_t* message, size_t message_size,
            BinaryReply reply = nullptr) const override;
  void SetMessageHandler(const std::string& channel, BinaryMessageHandler handler) override;

 private:
  // Shared so that a message being handled keeps its handler alive while the handler
  // replaces or clears its own registration.
  using SharedHandler = std::shared_ptr<const BinaryMessageHandler>;

  FlutterDesktopMessengerRef messenger_;
  // What the engine's callbacks point at, one per channel.
  std::map<std::string, std::unique_ptr<SharedHandler>> handlers_;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_SRC_BINARY_MESSENGER_IMPL_H_
