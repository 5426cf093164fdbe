#ifndef QEVA_FLUTTER_LINUX_FLBINARYMESSENGERADAPTER_H_
#define QEVA_FLUTTER_LINUX_FLBINARYMESSENGERADAPTER_H_

#include <flutter/binary_messenger.h>

#include <memory>
#include <string>

#include "FlutterLinuxApi.h"

namespace QevaFlutterLinux {

// flutter::BinaryMessenger over the Linux engine's FlBinaryMessenger: the plugin's channels run
// unchanged on a GTK app's engine, and nothing of the plugin knows GLib.
//
// Lifetime: every handler set through the adapter keeps the adapter alive, and the engine keeps
// the handlers until they are replaced or removed or the engine goes away; so the adapter lives
// exactly as long as a plugin that reaches it through those handlers. It holds no reference to
// the messenger (the messenger owns the handlers that own the adapter); each unanswered message
// holds one, as the engine's response handle does.
//
// Replies: each message's reply closure answers its response handle at most once; a second
// call is reported with g_warning and sent nowhere. A closure dropped unanswered lets the
// handle go, which the engine reports as a message never responded to.
//
// Main thread only, as the engine calls handlers.
class FlBinaryMessengerAdapter : public flutter::BinaryMessenger,
                                 public std::enable_shared_from_this<FlBinaryMessengerAdapter> {
 public:
  static std::shared_ptr<FlBinaryMessengerAdapter> Create(FlBinaryMessenger* messenger);

  FlBinaryMessengerAdapter(const FlBinaryMessengerAdapter&) = delete;
  FlBinaryMessengerAdapter& operator=(const FlBinaryMessengerAdapter&) = delete;

  // flutter::BinaryMessenger. Send delivers |reply|, if given, on the main loop once Dart has
  // answered (the empty reply when the engine reports an error); an engine that has gone calls
  // nothing back.
  void Send(const std::string& channel, const uint8_t* message, size_t message_size,
            flutter::BinaryReply reply = nullptr) const override;
  void SetMessageHandler(const std::string& channel,
                         flutter::BinaryMessageHandler handler) override;

  // Keeps |attachment| for as long as the adapter lives: what the host runs beside the plugin.
  void KeepAlive(std::shared_ptr<void> attachment) { attachment_ = std::move(attachment); }

  FlBinaryMessenger* messenger() const { return messenger_; }

 private:
  explicit FlBinaryMessengerAdapter(FlBinaryMessenger* messenger) : messenger_(messenger) {}

  FlBinaryMessenger* messenger_;
  std::shared_ptr<void> attachment_;
};

}  // namespace QevaFlutterLinux

#endif  // QEVA_FLUTTER_LINUX_FLBINARYMESSENGERADAPTER_H_
