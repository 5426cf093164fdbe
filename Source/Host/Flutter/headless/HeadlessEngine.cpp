#include "headless/HeadlessEngine.h"

#include <utility>

#include "flutter/method_call.h"
#include "flutter/standard_method_codec.h"

namespace headless {

HeadlessEngine::HeadlessEngine()
    : core_(std::make_unique<EngineCore>()),
      host_registrar_(std::make_unique<flutter::PluginRegistrar>(core_->registrar())) {}

HeadlessEngine::~HeadlessEngine() {
  // The host's handlers first, then the engine's shutdown. A dying handler that reaches this
  // messenger finds no registrar and changes nothing.
  std::unique_ptr<flutter::PluginRegistrar> dying = std::move(host_registrar_);
  dying.reset();
  core_.reset();
}

void HeadlessEngine::Send(const std::string& channel, const uint8_t* message, size_t message_size,
                          flutter::BinaryReply reply) const {
  if (host_registrar_) {
    host_registrar_->messenger()->Send(channel, message, message_size, std::move(reply));
  }
}

void HeadlessEngine::SetMessageHandler(const std::string& channel,
                                       flutter::BinaryMessageHandler handler) {
  if (host_registrar_) {
    host_registrar_->messenger()->SetMessageHandler(channel, std::move(handler));
  }
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
                                                           ReplyHooks hooks,
                                                           RecordHook on_recorded) {
  std::shared_ptr<DartReply> record(new DartReply());
  EngineCore::ReplySink sink;
  sink.on_reply = [record, on_reply = std::move(hooks.on_reply),
                   on_recorded = std::move(on_recorded)](const uint8_t* bytes, size_t size) {
    record->Record(bytes, size);
    if (on_reply) {
      on_reply(bytes, size);
    }
    if (on_recorded) {
      on_recorded(*record);
    }
  };
  sink.on_released = std::move(hooks.on_released);
  core_->Deliver(channel, message.empty() ? nullptr : message.data(), message.size(),
                 std::move(sink));
  return record;
}

}  // namespace headless
