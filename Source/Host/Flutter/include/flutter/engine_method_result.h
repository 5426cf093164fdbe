#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_ENGINE_METHOD_RESULT_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_ENGINE_METHOD_RESULT_H_

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "binary_messenger.h"
#include "method_codec.h"
#include "method_result.h"

namespace flutter {

namespace internal {

// Sends at most one reply through a BinaryReply. This is the one place where "answered at most
// once" is enforced for results handed to method call handlers.
class ReplyManager {
 public:
  explicit ReplyManager(BinaryReply reply_handler);

  // Logs a warning when no reply was sent: Dart's future then never completes.
  ~ReplyManager();

  ReplyManager(ReplyManager const&) = delete;
  ReplyManager& operator=(ReplyManager const&) = delete;

  // Sends |data| as the reply; nullptr sends the empty reply. Any call after the first is
  // logged and dropped.
  void SendResponseData(const std::vector<uint8_t>* data);

 private:
  BinaryReply reply_handler_;
};

}  // namespace internal

// The MethodResult handed to method call handlers: encodes the outcome with |codec| and
// replies through the messenger. Only the first outcome is sent.
template <typename T>
class EngineMethodResult : public MethodResult<T> {
 public:
  // The |codec| pointer must remain valid for as long as this object exists.
  EngineMethodResult(BinaryReply reply_handler, const MethodCodec<T>* codec)
      : reply_manager_(std::make_unique<internal::ReplyManager>(std::move(reply_handler))),
        codec_(codec) {}

  ~EngineMethodResult() = default;

 protected:
  void SuccessInternal(const T* result) override {
    std::unique_ptr<std::vector<uint8_t>> data = codec_->EncodeSuccessEnvelope(result);
    reply_manager_->SendResponseData(data.get());
  }

  void ErrorInternal(const std::string& error_code, const std::string& error_message,
                     const T* error_details) override {
    std::unique_ptr<std::vector<uint8_t>> data =
        codec_->EncodeErrorEnvelope(error_code, error_message, error_details);
    reply_manager_->SendResponseData(data.get());
  }

  void NotImplementedInternal() override { reply_manager_->SendResponseData(nullptr); }

 private:
  std::unique_ptr<internal::ReplyManager> reply_manager_;
  const MethodCodec<T>* codec_;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_ENGINE_METHOD_RESULT_H_
