#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_STANDARD_MESSAGE_CODEC_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_STANDARD_MESSAGE_CODEC_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "encodable_value.h"
#include "message_codec.h"
#include "standard_codec_serializer.h"

namespace flutter {

// The message codec of Flutter's standard format: one EncodableValue per message.
//
// Decoding rejects (returns nullptr for) any message that is not exactly one valid value, with
// no bytes left over. An empty message is Dart's encoding of null and decodes as null.
class StandardMessageCodec : public MessageCodec<EncodableValue> {
 public:
  // The codec for |serializer| (nullptr: the plain standard serializer). There is one codec per
  // serializer, living for the whole process, so it is safe to hand to channels. The
  // serializer must outlive every use of the codec.
  static const StandardMessageCodec& GetInstance(
      const StandardCodecSerializer* serializer = nullptr);

  ~StandardMessageCodec();

  StandardMessageCodec(StandardMessageCodec const&) = delete;
  StandardMessageCodec& operator=(StandardMessageCodec const&) = delete;

 protected:
  std::unique_ptr<EncodableValue> DecodeMessageInternal(const uint8_t* binary_message,
                                                        const size_t message_size) const override;

  std::unique_ptr<std::vector<uint8_t>> EncodeMessageInternal(
      const EncodableValue& message) const override;

 private:
  explicit StandardMessageCodec(const StandardCodecSerializer* serializer);

  const StandardCodecSerializer* serializer_;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_STANDARD_MESSAGE_CODEC_H_
