// StandardCodecSerializer. The file keeps the name it has in Flutter's client wrapper, where
// it holds the two codecs too; ours are in standard_message_codec.cc and
// standard_method_codec.cc, and the wire format in standard_codec_wire.h.

#include <cstddef>
#include <cstdint>

#include "include/flutter/standard_codec_serializer.h"
#include "standard_codec_wire.h"

namespace flutter {

using internal::ReadPayload;
using internal::ReadWireSize;
using internal::WritePayload;
using internal::WriteWireSize;

StandardCodecSerializer::StandardCodecSerializer() = default;

StandardCodecSerializer::~StandardCodecSerializer() = default;

const StandardCodecSerializer& StandardCodecSerializer::GetInstance() {
  static const StandardCodecSerializer* const instance = new StandardCodecSerializer();
  return *instance;
}

EncodableValue StandardCodecSerializer::ReadValue(ByteStreamReader* stream) const {
  if (stream->failed() || stream->nesting_ >= kMaxNestingDepth) {
    stream->Fail();
    return EncodableValue();
  }
  uint8_t type = stream->ReadByte();
  if (stream->failed()) {
    return EncodableValue();
  }
  ++stream->nesting_;
  EncodableValue value = ReadValueOfType(type, stream);
  --stream->nesting_;
  return value;
}

EncodableValue StandardCodecSerializer::ReadValueOfType(uint8_t type,
                                                        ByteStreamReader* stream) const {
  EncodableValue value;
  ReadPayload(type, *stream, value,
              [this, stream](EncodableValue& slot) { slot = ReadValue(stream); });
  return value;
}

void StandardCodecSerializer::WriteValue(const EncodableValue& value,
                                         ByteStreamWriter* stream) const {
  WritePayload(value, *stream,
               [this, stream](const EncodableValue& element) { WriteValue(element, stream); });
}

size_t StandardCodecSerializer::ReadSize(ByteStreamReader* stream) const {
  return ReadWireSize(*stream);
}

void StandardCodecSerializer::WriteSize(size_t size, ByteStreamWriter* stream) const {
  WriteWireSize(size, *stream);
}

}  // namespace flutter
