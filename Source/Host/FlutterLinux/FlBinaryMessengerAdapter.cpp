#include "FlBinaryMessengerAdapter.h"

#include <utility>

namespace QevaFlutterLinux {
namespace {

// One channel's handler as the engine holds it; freed by the engine's destroy notification.
struct HandlerData {
  // The adapter first: the handler, destroyed before it, may still reach it.
  std::shared_ptr<FlBinaryMessengerAdapter> adapter;
  flutter::BinaryMessageHandler handler;
};

// One message's response handle, shared by the copies of its reply closure.
class PendingResponse {
 public:
  PendingResponse(FlBinaryMessenger* messenger, FlBinaryMessengerResponseHandle* handle)
      : messenger_(static_cast<FlBinaryMessenger*>(g_object_ref(messenger))),
        handle_(static_cast<FlBinaryMessengerResponseHandle*>(g_object_ref(handle))) {}
  ~PendingResponse() {
    g_object_unref(handle_);
    g_object_unref(messenger_);
  }
  PendingResponse(const PendingResponse&) = delete;
  PendingResponse& operator=(const PendingResponse&) = delete;

  void Answer(const std::string& channel, const uint8_t* reply, size_t reply_size) {
    if (answered_) {
      g_warning("Reply on channel %s called more than once; the later reply is dropped",
                channel.c_str());
      return;
    }
    answered_ = true;
    GBytes* response = reply_size > 0 ? g_bytes_new(reply, reply_size) : nullptr;
    GError* error = nullptr;
    if (!fl_binary_messenger_send_response(messenger_, handle_, response, &error)) {
      g_warning("Failed to answer a message on channel %s: %s", channel.c_str(),
                error != nullptr ? error->message : "unknown error");
      g_clear_error(&error);
    }
    if (response != nullptr) {
      g_bytes_unref(response);
    }
  }

 private:
  FlBinaryMessenger* messenger_;
  FlBinaryMessengerResponseHandle* handle_;
  bool answered_ = false;
};

void OnMessage(FlBinaryMessenger* messenger, const gchar* channel, GBytes* message,
               FlBinaryMessengerResponseHandle* response_handle, gpointer user_data) {
  // The handler may replace itself while it runs, which frees |user_data|: run a copy.
  flutter::BinaryMessageHandler handler = static_cast<HandlerData*>(user_data)->handler;
  gsize size = 0;
  const auto* bytes =
      message != nullptr ? static_cast<const uint8_t*>(g_bytes_get_data(message, &size)) : nullptr;
  auto pending = std::make_shared<PendingResponse>(messenger, response_handle);
  std::string name = channel;
  handler(
      bytes, size,
      [pending = std::move(pending), name = std::move(name)](
          const uint8_t* reply, size_t reply_size) { pending->Answer(name, reply, reply_size); });
}

void FreeHandlerData(gpointer user_data) {
  delete static_cast<HandlerData*>(user_data);
}

void OnSendDone(GObject* object, GAsyncResult* result, gpointer user_data) {
  std::unique_ptr<flutter::BinaryReply> reply(static_cast<flutter::BinaryReply*>(user_data));
  GError* error = nullptr;
  GBytes* response = fl_binary_messenger_send_on_channel_finish(
      reinterpret_cast<FlBinaryMessenger*>(object), result, &error);
  if (response == nullptr) {
    g_clear_error(&error);
    (*reply)(nullptr, 0);
    return;
  }
  gsize size = 0;
  const auto* bytes = static_cast<const uint8_t*>(g_bytes_get_data(response, &size));
  (*reply)(size > 0 ? bytes : nullptr, size);
  g_bytes_unref(response);
}

}  // namespace

std::shared_ptr<FlBinaryMessengerAdapter> FlBinaryMessengerAdapter::Create(
    FlBinaryMessenger* messenger) {
  return std::shared_ptr<FlBinaryMessengerAdapter>(new FlBinaryMessengerAdapter(messenger));
}

void FlBinaryMessengerAdapter::Send(const std::string& channel, const uint8_t* message,
                                    size_t message_size, flutter::BinaryReply reply) const {
  GBytes* bytes = message_size > 0 ? g_bytes_new(message, message_size) : nullptr;
  if (reply) {
    fl_binary_messenger_send_on_channel(messenger_, channel.c_str(), bytes, nullptr, &OnSendDone,
                                        new flutter::BinaryReply(std::move(reply)));
  } else {
    fl_binary_messenger_send_on_channel(messenger_, channel.c_str(), bytes, nullptr, nullptr,
                                        nullptr);
  }
  if (bytes != nullptr) {
    g_bytes_unref(bytes);
  }
}

void FlBinaryMessengerAdapter::SetMessageHandler(const std::string& channel,
                                                 flutter::BinaryMessageHandler handler) {
  if (!handler) {
    fl_binary_messenger_set_message_handler_on_channel(messenger_, channel.c_str(), nullptr,
                                                       nullptr, nullptr);
    return;
  }
  auto* data = new HandlerData{shared_from_this(), std::move(handler)};
  fl_binary_messenger_set_message_handler_on_channel(messenger_, channel.c_str(), &OnMessage, data,
                                                     &FreeHandlerData);
}

}  // namespace QevaFlutterLinux
