// StandardMessageCodec: one value per message, in the standard wire format.

#include "include/flutter/standard_message_codec.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "byte_buffer_streams.h"
#include "standard_codec_wire.h"

namespace flutter {

using internal::ByteBufferReader;
using internal::CachedCodec;
using internal::EncodeWith;
using internal::ReadOneValue;

StandardMessageCodec::StandardMessageCodec(const StandardCodecSerializer* serializer)
    : serializer_(serializer) {}

StandardMessageCodec::~StandardMessageCodec() = default;

const StandardMessageCodec& StandardMessageCodec::GetInstance(
    const StandardCodecSerializer* serializer) {
  if (serializer == nullptr) {
    // The common case skips the lock.
    static const StandardMessageCodec& plain = GetInstance(&StandardCodecSerializer::GetInstance());
    return plain;
  }
  return CachedCodec<StandardMessageCodec>(
      serializer, [](const StandardCodecSerializer* s) { return new StandardMessageCodec(s); });
}

std::unique_ptr<EncodableValue> StandardMessageCodec::DecodeMessageInternal(
    const uint8_t* binary_message, const size_t message_size) const {
  auto value = std::make_unique<EncodableValue>();
  if (message_size == 0) {
    return value;  // How Dart sends a null message.
  }
  ByteBufferReader reader(binary_message, message_size);
  if (!ReadOneValue(serializer_, reader, *value) || reader.GetRemaining() != 0) {
    return nullptr;
  }
  return value;
}

std::unique_ptr<std::vector<uint8_t>> StandardMessageCodec::EncodeMessageInternal(
    const EncodableValue& message) const {
  return EncodeWith(serializer_, [&](auto&, const auto& write_value) { write_value(message); });
}

}  // namespace flutter
