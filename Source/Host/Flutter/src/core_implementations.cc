// What every client of the channel layer needs beyond the headers: the messenger over the
// engine's C API, the one-reply guard behind method results, and the channel-buffer requests.
// One file, as in the engine's wrapper, so that a host compiles a fixed list of sources.

#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "binary_messenger_impl.h"
#include "include/flutter/basic_message_channel.h"
#include "include/flutter/channel_warnings.h"
#include "include/flutter/encodable_value.h"
#include "include/flutter/engine_method_result.h"
#include "include/flutter/method_call.h"
#include "include/flutter/standard_method_codec.h"

namespace flutter {

// ---- BinaryMessengerImpl ----------------------------------------------------------------------

namespace {

// One reference on the engine's messenger, taken and given back with the object's copies.
class MessengerHold {
 public:
  explicit MessengerHold(FlutterDesktopMessengerRef messenger)
      : messenger_(FlutterDesktopMessengerAddRef(messenger)) {}
  MessengerHold(const MessengerHold& other)
      : messenger_(FlutterDesktopMessengerAddRef(other.messenger_)) {}
  MessengerHold(MessengerHold&& other) noexcept
      : messenger_(std::exchange(other.messenger_, nullptr)) {}
  MessengerHold& operator=(const MessengerHold&) = delete;
  MessengerHold& operator=(MessengerHold&&) = delete;
  ~MessengerHold() {
    if (messenger_ != nullptr) {
      FlutterDesktopMessengerRelease(messenger_);
    }
  }
  FlutterDesktopMessengerRef get() const { return messenger_; }

 private:
  FlutterDesktopMessengerRef messenger_;
};

// The engine's callback for every channel this layer registers: hands the message to the
// handler |user_data| points at, with a reply that answers the message's response handle.
void ForwardToHandler(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessage* message,
                      void* user_data) {
  // A reply may be kept past the engine's life: it holds a reference on the messenger and asks
  // whether the engine is still there before it answers.
  MessengerHold kept(messenger);
  const FlutterDesktopMessageResponseHandle* handle = message->response_handle;
  BinaryReply reply = [kept = std::move(kept), handle](const uint8_t* data, size_t size) mutable {
    if (handle == nullptr) {
      WriteChannelWarning("Error: Response can be set only once. Ignoring duplicate response.");
      return;
    }
    FlutterDesktopMessengerRef core = FlutterDesktopMessengerLock(kept.get());
    if (FlutterDesktopMessengerIsAvailable(core)) {
      FlutterDesktopMessengerSendResponse(core, handle, data, size);
    }
    FlutterDesktopMessengerUnlock(core);
    handle = nullptr;
  };
  // Copied before the call: the handler may replace or clear its own registration.
  const std::shared_ptr<const BinaryMessageHandler> handler =
      *static_cast<const std::shared_ptr<const BinaryMessageHandler>*>(user_data);
  (*handler)(message->message, message->message_size, std::move(reply));
}

}  // namespace

BinaryMessengerImpl::BinaryMessengerImpl(FlutterDesktopMessengerRef core_messenger)
    : messenger_(core_messenger) {}

BinaryMessengerImpl::~BinaryMessengerImpl() {
  // Round by round: a dying handler may register or clear handlers here.
  while (!handlers_.empty()) {
    std::map<std::string, std::unique_ptr<SharedHandler>> dying = std::move(handlers_);
    handlers_.clear();
  }
}

void BinaryMessengerImpl::Send(const std::string& channel, const uint8_t* message,
                               size_t message_size, BinaryReply reply) const {
  if (!reply) {
    FlutterDesktopMessengerSend(messenger_, channel.c_str(), message, message_size);
    return;
  }
  auto pending = std::make_unique<BinaryReply>(std::move(reply));
  auto answer = [](const uint8_t* data, size_t size, void* user_data) {
    std::unique_ptr<BinaryReply> reply(static_cast<BinaryReply*>(user_data));
    (*reply)(data, size);
  };
  if (FlutterDesktopMessengerSendWithReply(messenger_, channel.c_str(), message, message_size,
                                           answer, pending.get())) {
    // The engine calls |answer| once, which deletes it.
    pending.release();
  }
}

void BinaryMessengerImpl::SetMessageHandler(const std::string& channel,
                                            BinaryMessageHandler handler) {
  // The replaced handler dies after the engine stopped pointing at it.
  std::unique_ptr<SharedHandler> replaced;
  auto found = handlers_.find(channel);
  if (found != handlers_.end()) {
    replaced = std::move(found->second);
    handlers_.erase(found);
  }
  if (!handler) {
    FlutterDesktopMessengerSetCallback(messenger_, channel.c_str(), nullptr, nullptr);
    return;
  }
  auto kept = std::make_unique<SharedHandler>(
      std::make_shared<const BinaryMessageHandler>(std::move(handler)));
  SharedHandler* target = kept.get();
  handlers_[channel] = std::move(kept);
  FlutterDesktopMessengerSetCallback(messenger_, channel.c_str(), ForwardToHandler, target);
}

// ---- EngineMethodResult -----------------------------------------------------------------------

namespace internal {

ReplyManager::ReplyManager(BinaryReply reply_handler) : reply_handler_(std::move(reply_handler)) {}

ReplyManager::~ReplyManager() {
  if (reply_handler_) {
    // No reply is invented here: the engine may already be gone, and Dart's future simply
    // never completes.
    WriteChannelWarning("Warning: Failed to respond to a message. This is a memory leak.");
  }
}

void ReplyManager::SendResponseData(const std::vector<uint8_t>* data) {
  if (!reply_handler_) {
    WriteChannelWarning(
        "Error: Only one of Success, Error, or NotImplemented can be called, and it can be "
        "called exactly once. Ignoring duplicate result.");
    return;
  }
  // Cleared before the call, so a reply that re-enters this result is seen as a duplicate.
  BinaryReply reply = std::move(reply_handler_);
  reply_handler_ = nullptr;
  if (data == nullptr || data->empty()) {
    reply(nullptr, 0);
  } else {
    reply(data->data(), data->size());
  }
}

// ---- Channel buffers --------------------------------------------------------------------------

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

namespace {

ChannelWarningSink& InstalledWarningSink() {
  static ChannelWarningSink sink;
  return sink;
}

}  // namespace

ChannelWarningSink SetChannelWarningSink(ChannelWarningSink sink) {
  std::swap(InstalledWarningSink(), sink);
  return sink;
}

void WriteChannelWarning(const std::string& warning) {
  const ChannelWarningSink& sink = InstalledWarningSink();
  if (sink) {
    sink(warning);
    return;
  }
  std::cerr << warning << std::endl;
}

}  // namespace flutter
