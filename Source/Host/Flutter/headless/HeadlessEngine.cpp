#include "headless/HeadlessEngine.h"

#include <algorithm>
#include <utility>

#include "flutter/method_call.h"
#include "flutter/standard_method_codec.h"

namespace headless {

namespace {

// Shared by every copy of one reply closure: its end without an answer is the release.
class ReplyWatch {
 public:
  explicit ReplyWatch(HeadlessEngine::ReplyHooks hooks) : hooks_(std::move(hooks)) {}
  ~ReplyWatch() {
    if (!answered_ && hooks_.on_released) {
      hooks_.on_released();
    }
  }
  ReplyWatch(const ReplyWatch&) = delete;
  ReplyWatch& operator=(const ReplyWatch&) = delete;

  void Answered(const uint8_t* bytes, size_t size) {
    answered_ = true;
    if (hooks_.on_reply) {
      hooks_.on_reply(bytes, size);
    }
  }

 private:
  HeadlessEngine::ReplyHooks hooks_;
  bool answered_ = false;
};

}  // namespace

HeadlessEngine::HeadlessEngine() = default;

HeadlessEngine::~HeadlessEngine() {
  // A handler's destructor may call back into the engine (a plugin unregistering its channel),
  // so each round of handlers is moved out before it dies, leaving the member map usable.
  while (!handlers_.empty()) {
    std::map<std::string, SharedHandler> dying = std::move(handlers_);
    handlers_.clear();
  }
}

void HeadlessEngine::Send(const std::string& channel, const uint8_t* message, size_t message_size,
                          flutter::BinaryReply reply) const {
  std::vector<uint8_t> bytes;
  if (message_size > 0) {
    bytes.assign(message, message + message_size);
  }
  sent_messages_.push_back({channel, std::move(bytes)});
  if (reply) {
    reply(nullptr, 0);
  }
}

void HeadlessEngine::SetMessageHandler(const std::string& channel,
                                       flutter::BinaryMessageHandler handler) {
  // The replaced handler dies at the end of this function, after the map is consistent again,
  // in case its destructor re-enters the engine.
  SharedHandler replaced;
  auto found = handlers_.find(channel);
  if (!handler) {
    if (found != handlers_.end()) {
      replaced = std::move(found->second);
      handlers_.erase(found);
    }
    return;
  }
  auto shared = std::make_shared<const flutter::BinaryMessageHandler>(std::move(handler));
  if (found != handlers_.end()) {
    replaced = std::exchange(found->second, std::move(shared));
    return;
  }
  if (std::find(registration_order_.begin(), registration_order_.end(), channel) ==
      registration_order_.end()) {
    registration_order_.push_back(channel);
  }
  handlers_.emplace(channel, std::move(shared));
}

std::vector<std::string> HeadlessEngine::channels() const {
  std::vector<std::string> names;
  for (const std::string& channel : registration_order_) {
    if (HasHandler(channel)) {
      names.push_back(channel);
    }
  }
  return names;
}

bool HeadlessEngine::HasHandler(const std::string& channel) const {
  return handlers_.count(channel) > 0;
}

std::shared_ptr<const DartReply> HeadlessEngine::CallMethod(
    const std::string& channel, const std::string& method, const flutter::EncodableValue& arguments,
    ReplyHooks hooks) {
  flutter::MethodCall<flutter::EncodableValue> call(
      method, std::make_unique<flutter::EncodableValue>(arguments));
  std::unique_ptr<std::vector<uint8_t>> message =
      flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(call);
  return SendBytes(channel, std::move(*message), std::move(hooks));
}

std::shared_ptr<const DartReply> HeadlessEngine::SendBytes(const std::string& channel,
                                                           std::vector<uint8_t> message,
                                                           ReplyHooks hooks) {
  std::shared_ptr<DartReply> record(new DartReply());
  auto found = handlers_.find(channel);
  if (found == handlers_.end()) {
    record->Record(nullptr, 0);
    if (hooks.on_reply) {
      hooks.on_reply(nullptr, 0);
    }
    return record;
  }
  // Held for the call, so the handler survives unregistering itself while it runs.
  SharedHandler handler = found->second;
  flutter::BinaryReply reply;
  if (hooks.on_reply || hooks.on_released) {
    auto watch = std::make_shared<ReplyWatch>(std::move(hooks));
    reply = [record, watch](const uint8_t* bytes, size_t size) {
      record->Record(bytes, size);
      watch->Answered(bytes, size);
    };
  } else {
    reply = [record](const uint8_t* bytes, size_t size) { record->Record(bytes, size); };
  }
  (*handler)(message.empty() ? nullptr : message.data(), message.size(), std::move(reply));
  return record;
}

}  // namespace headless
