#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_STANDARD_CODEC_SERIALIZER_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_STANDARD_CODEC_SERIALIZER_H_

#include <cstddef>
#include <cstdint>

#include "byte_streams.h"
#include "encodable_value.h"

namespace flutter {

// Writes and reads EncodableValues in Flutter's standard binary format, byte for byte what the
// Dart side's StandardMessageCodec writes and reads.
//
// Subclass it to carry application types: override WriteValue for CustomEncodableValues (using
// a type byte of 128 or more) and ReadValueOfType for those type bytes, and hand everything
// else to the base class.
//
// Decoding treats its bytes as untrusted. The base class marks the stream failed (see
// ByteStreamReader::Fail) on an unknown type byte, a size the remaining bytes cannot hold,
// a read past the end, a string that is not valid UTF-8 (Dart's decoder would throw on it), or
// values nested more than kMaxNestingDepth deep; the codecs then reject the whole message.
class StandardCodecSerializer {
 public:
  // The deepest a value may sit in a message: the outermost value is at depth 1, the values in
  // a top-level list at depth 2, and so on. Keeps hostile input from exhausting the stack.
  static constexpr int kMaxNestingDepth = 64;

  virtual ~StandardCodecSerializer();

  StandardCodecSerializer(StandardCodecSerializer const&) = delete;
  StandardCodecSerializer& operator=(StandardCodecSerializer const&) = delete;

  // The serializer of the plain standard codec, living for the whole process.
  static const StandardCodecSerializer& GetInstance();

  // Reads one value (type byte and payload). Returns null, with the stream failed, when the
  // bytes are not a valid value.
  EncodableValue ReadValue(ByteStreamReader* stream) const;

  // Writes one value. A CustomEncodableValue, which only a subclass knows how to write, is
  // logged and written as null.
  virtual void WriteValue(const EncodableValue& value, ByteStreamWriter* stream) const;

 protected:
  StandardCodecSerializer();

  // Reads the payload of a value whose type byte was |type|. Nested values are read through
  // ReadValue, so a subclass sees custom types wherever they appear.
  virtual EncodableValue ReadValueOfType(uint8_t type, ByteStreamReader* stream) const;

  // Sizes take one byte below 254, else 254 and a uint16, else 255 and a uint32.
  size_t ReadSize(ByteStreamReader* stream) const;
  void WriteSize(size_t size, ByteStreamWriter* stream) const;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_STANDARD_CODEC_SERIALIZER_H_
