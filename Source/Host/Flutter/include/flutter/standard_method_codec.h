#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_STANDARD_METHOD_CODEC_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_STANDARD_METHOD_CODEC_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "encodable_value.h"
#include "method_call.h"
#include "method_codec.h"
#include "standard_codec_serializer.h"

namespace flutter {

// The method codec of Flutter's standard format.
//
// A call is the method name (a string value) followed by the arguments (one value, null when
// there are none). A success reply is the byte 0 and the result value; an error reply is the
// byte 1, the code (string), the message (string, or null when empty) and the details.
//
// Decoding rejects anything else, including left-over bytes. An error reply may carry a fourth
// value, a stack trace (string or null), which is accepted and ignored.
class StandardMethodCodec : public MethodCodec<EncodableValue> {
 public:
  // The codec for |serializer| (nullptr: the plain standard serializer). There is one codec per
  // serializer, living for the whole process, so it is safe to hand to channels. The
  // serializer must outlive every use of the codec.
  static const StandardMethodCodec& GetInstance(
      const StandardCodecSerializer* serializer = nullptr);

  ~StandardMethodCodec();

  StandardMethodCodec(StandardMethodCodec const&) = delete;
  StandardMethodCodec& operator=(StandardMethodCodec const&) = delete;

 protected:
  std::unique_ptr<MethodCall<EncodableValue>> DecodeMethodCallInternal(
      const uint8_t* message, size_t message_size) const override;

  std::unique_ptr<std::vector<uint8_t>> EncodeMethodCallInternal(
      const MethodCall<EncodableValue>& method_call) const override;

  std::unique_ptr<std::vector<uint8_t>> EncodeSuccessEnvelopeInternal(
      const EncodableValue* result) const override;

  std::unique_ptr<std::vector<uint8_t>> EncodeErrorEnvelopeInternal(
      const std::string& error_code, const std::string& error_message,
      const EncodableValue* error_details) const override;

  // A success with a null value is reported as Success() and null details as the
  // two-argument Error(), so handlers see nullptr for both.
  bool DecodeAndProcessResponseEnvelopeInternal(
      const uint8_t* response, size_t response_size,
      MethodResult<EncodableValue>* result) const override;

 private:
  explicit StandardMethodCodec(const StandardCodecSerializer* serializer);

  const StandardCodecSerializer* serializer_;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_STANDARD_METHOD_CODEC_H_
