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
#include "flutter/plugin_registrar.h"
#include "headless/DartReply.h"
#include "headless/EngineCore.h"

namespace headless {

// An in-process Flutter engine without Dart: Flutter's desktop C API (EngineCore) with the
// registrar a plugin's C entry point takes, a BinaryMessenger over that API for hosts that open
// channels themselves, and a stand-in for the Dart side that calls those channels with real
// standard codec bytes and records what comes back.
//
// Everything runs on the calling thread. Handlers may re-enter the engine while they run
// (register or remove handlers, call other channels); our wrapper keeps the handler a call
// invoked alive until it returns.
class HeadlessEngine : public flutter::BinaryMessenger {
 public:
  // One message the plugin side sent towards Dart.
  using SentMessage = EngineCore::SentMessage;

  // What a host hears of one message's reply besides the DartReply record, for hosts that
  // pass replies on (a wire transport, a transcript). Both run on the thread that answers or
  // shuts the engine down; neither may throw.
  struct ReplyHooks {
    // Once, when the message is answered (at once with the empty reply when its channel has no
    // handler), with the bytes as the plugin gave them (null and 0 for the empty reply). The
    // engine takes one answer per message; the wrapper refuses and logs any other.
    std::function<void(const uint8_t* reply, size_t reply_size)> on_reply;
    // Once, for a message never answered: when the plugin side lets its reply go (the last
    // copy of the wrapper's reply closure is destroyed), else when the engine shuts down. Dart
    // waits for ever; the engine keeps the response handle until it shuts down, as a real one
    // does.
    std::function<void()> on_released;
  };

  HeadlessEngine();

  // Destroys every handler, and with it whatever the handlers own, then shuts the engine down:
  // plugins registered through registrar() go, and pending replies are released.
  ~HeadlessEngine() override;

  HeadlessEngine(HeadlessEngine const&) = delete;
  HeadlessEngine& operator=(HeadlessEngine const&) = delete;

  // The engine's C handles: what an app's generated registrant passes to a plugin's entry point.
  FlutterDesktopPluginRegistrarRef registrar() const { return core_->registrar(); }
  FlutterDesktopMessengerRef core_messenger() const { return core_->messenger(); }

  // flutter::BinaryMessenger, over the engine's C messenger. Send records the message for
  // sent_messages(); there is no Dart listener, so |reply|, if given, is called at once with the
  // empty reply.
  void Send(const std::string& channel, const uint8_t* message, size_t message_size,
            flutter::BinaryReply reply = nullptr) const override;
  void SetMessageHandler(const std::string& channel,
                         flutter::BinaryMessageHandler handler) override;

  // Channels that have a handler, in the order their handlers were first registered.
  std::vector<std::string> channels() const { return core_->channels(); }
  bool HasHandler(const std::string& channel) const { return core_->HasHandler(channel); }

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
  // |on_recorded|, if given, runs after |hooks.on_reply| with the record, filled in by then:
  // for hosts that take the reply as the engine decoded it, bytes included.
  using RecordHook = std::function<void(const DartReply& record)>;
  std::shared_ptr<const DartReply> SendBytes(const std::string& channel,
                                             std::vector<uint8_t> message, ReplyHooks hooks = {},
                                             RecordHook on_recorded = nullptr);

  // What the plugin side sent with Send, oldest first.
  const std::vector<SentMessage>& sent_messages() const { return core_->sent_messages(); }
  void ClearSentMessages() { core_->ClearSentMessages(); }

 private:
  std::unique_ptr<EngineCore> core_;
  // The host's own registrar: its messenger serves this object's BinaryMessenger face.
  std::unique_ptr<flutter::PluginRegistrar> host_registrar_;
};

}  // namespace headless

#endif  // QEVA_FLUTTER_HEADLESS_HEADLESSENGINE_H_
