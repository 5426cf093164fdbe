#ifndef QEVA_FLUTTER_HEADLESS_HEADLESSENGINE_H_
#define QEVA_FLUTTER_HEADLESS_HEADLESSENGINE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "flutter/binary_messenger.h"
#include "flutter/encodable_value.h"
#include "headless/DartReply.h"

namespace headless {

// An in-process Flutter engine without Dart: the BinaryMessenger that plugins register their
// channels on, and a stand-in for the Dart side that calls those channels with real standard
// codec bytes and records what comes back.
//
// Everything runs on the calling thread. Handlers may re-enter the engine while they run
// (register or remove handlers, call other channels); each call keeps the handler it invoked
// alive until it returns.
class HeadlessEngine : public flutter::BinaryMessenger {
 public:
  // One message the plugin side sent towards Dart.
  struct SentMessage {
    std::string channel;
    std::vector<uint8_t> bytes;
  };

  // What a host hears of one message's reply besides the DartReply record, for hosts that
  // pass replies on (a wire transport, a transcript). Both run on the thread that answers or
  // lets go of the reply; neither may throw.
  struct ReplyHooks {
    // Every time the reply closure is called, with the bytes as the plugin gave them (null and
    // 0 for the empty reply). Only the first call reaches Dart; later ones are bugs to report.
    std::function<void(const uint8_t* reply, size_t reply_size)> on_reply;
    // Once, when the last copy of the reply closure is destroyed without having been called:
    // the plugin let the message go unanswered, and Dart would wait for ever.
    std::function<void()> on_released;
  };

  HeadlessEngine();

  // Destroys every handler, and with it whatever the handlers own.
  ~HeadlessEngine() override;

  HeadlessEngine(HeadlessEngine const&) = delete;
  HeadlessEngine& operator=(HeadlessEngine const&) = delete;

  // flutter::BinaryMessenger. Send records the message for sent_messages(); there is no Dart
  // listener, so |reply|, if given, is called at once with the empty reply.
  void Send(const std::string& channel, const uint8_t* message, size_t message_size,
            flutter::BinaryReply reply = nullptr) const override;
  void SetMessageHandler(const std::string& channel,
                         flutter::BinaryMessageHandler handler) override;

  // Channels that have a handler, in the order their handlers were first registered.
  std::vector<std::string> channels() const;
  bool HasHandler(const std::string& channel) const;

  // Plays Dart calling |method| on |channel|: encodes the call with the standard method codec
  // and hands it to the channel's handler. A channel without a handler answers with the empty
  // reply at once, as the engine does. The record fills in when the plugin replies, now or
  // later.
  std::shared_ptr<const DartReply> CallMethod(const std::string& channel, const std::string& method,
                                              const flutter::EncodableValue& arguments,
                                              ReplyHooks hooks = {});

  // Hands raw |message| bytes to the channel's handler, for malformed input, fuzzing and
  // hosts that relay bytes from elsewhere. A channel without a handler calls |hooks.on_reply|
  // with the empty reply before this returns.
  std::shared_ptr<const DartReply> SendBytes(const std::string& channel,
                                             std::vector<uint8_t> message, ReplyHooks hooks = {});

  // What the plugin side sent with Send, oldest first.
  const std::vector<SentMessage>& sent_messages() const { return sent_messages_; }
  void ClearSentMessages() { sent_messages_.clear(); }

 private:
  using SharedHandler = std::shared_ptr<const flutter::BinaryMessageHandler>;

  std::map<std::string, SharedHandler> handlers_;
  // Every channel that ever had a handler, in first-registration order.
  std::vector<std::string> registration_order_;
  // Send is const in the messenger interface, yet recording is the point of it here.
  mutable std::vector<SentMessage> sent_messages_;
};

}  // namespace headless

#endif  // QEVA_FLUTTER_HEADLESS_HEADLESSENGINE_H_
