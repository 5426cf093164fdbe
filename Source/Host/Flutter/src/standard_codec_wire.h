// The standard codec's wire format, shared by StandardCodecSerializer (standard_codec.cc),
// StandardMessageCodec and StandardMethodCodec (each in the file named after it).
//
// One template (ReadPayload / WritePayload) holds the wire format. It runs in two ways:
//  - the fast path, used when the serializer is the plain standard one: the buffer reader and
//    writer are used by their final types and nested values recurse directly, so there is no
//    virtual call per byte or per value, and values are decoded in place into their containers;
//  - the extensible path, for serializer subclasses: every nested value goes through the
//    virtual ReadValueOfType / WriteValue, exactly where a subclass expects to be called.

#ifndef QEVA_FLUTTER_SRC_STANDARD_CODEC_WIRE_H_
#define QEVA_FLUTTER_SRC_STANDARD_CODEC_WIRE_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "Foundation/AppendBytes.h"
#include "Foundation/TextScan.h"
#include "byte_buffer_streams.h"
#include "include/flutter/channel_warnings.h"
#include "include/flutter/encodable_value.h"
#include "include/flutter/standard_codec_serializer.h"

namespace flutter {
namespace internal {

enum WireType : uint8_t {
  kNull = 0,
  kTrue = 1,
  kFalse = 2,
  kInt32 = 3,
  kInt64 = 4,
  kLargeInt = 5,  // Never written; read as its decimal text, like a string.
  kFloat64 = 6,
  kString = 7,
  kUInt8List = 8,
  kInt32List = 9,
  kInt64List = 10,
  kFloat64List = 11,
  kList = 12,
  kMap = 13,
  kFloat32List = 14,
};

inline constexpr uint8_t kEnvelopeSuccess = 0;
inline constexpr uint8_t kEnvelopeError = 1;

// ----- UTF-8 ------------------------------------------------------------------------------------

// Strings must be well-formed UTF-8 as Unicode defines it: no overlong forms, no surrogates,
// nothing past U+10FFFF. Dart's decoder throws on anything else, so such a string cannot have
// come from a real Dart side and the message is rejected. Foundation's text scans make the
// check, as wide as the CPU allows.
inline std::string_view TextOf(const uint8_t* bytes, size_t size) {
  return {reinterpret_cast<const char*>(bytes), size};
}

// ----- Sizes -------------------------------------------------------------------------------------

template <class Reader>
size_t ReadWireSize(Reader& reader) {
  uint8_t byte = reader.ReadByte();
  if (byte < 254) {
    return byte;
  }
  if (byte == 254) {
    uint8_t bytes[2];
    reader.ReadBytes(bytes, 2);
    uint16_t size;
    std::memcpy(&size, bytes, 2);
    return size;
  }
  uint8_t bytes[4];
  reader.ReadBytes(bytes, 4);
  uint32_t size;
  std::memcpy(&size, bytes, 4);
  return size;
}

template <class Writer>
void WriteWireSize(size_t size, Writer& writer) {
  if (size < 254) {
    writer.WriteByte(static_cast<uint8_t>(size));
  } else if (size <= 0xffff) {
    writer.WriteByte(254);
    uint16_t value = static_cast<uint16_t>(size);
    uint8_t bytes[2];
    std::memcpy(bytes, &value, 2);
    writer.WriteBytes(bytes, 2);
  } else {
    writer.WriteByte(255);
    uint32_t value = static_cast<uint32_t>(size);
    uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    writer.WriteBytes(bytes, 4);
  }
}

constexpr size_t AlignUp(size_t offset, size_t alignment) {
  return (offset + alignment - 1) / alignment * alignment;
}

// ----- Reading -----------------------------------------------------------------------------------

template <class Reader>
inline constexpr bool kIsBufferReader = std::is_same_v<Reader, ByteBufferReader>;

template <class Reader>
void ReadString(Reader& reader, EncodableValue& out) {
  size_t size = ReadWireSize(reader);
  if (reader.failed() || size > reader.GetRemaining()) {
    reader.Fail();
    return;
  }
  if constexpr (kIsBufferReader<Reader>) {
    // Checked and copied in one pass over the bytes.
    const uint8_t* bytes = reader.Take(size);
    if (bytes == nullptr ||
        !Foundation::AppendValidUTF8(TextOf(bytes, size), out.emplace<std::string>())) {
      out.emplace<std::monostate>();
      reader.Fail();
    }
  } else {
    std::string& text = out.emplace<std::string>(size, '\0');
    reader.ReadBytes(reinterpret_cast<uint8_t*>(text.data()), size);
    if (!Foundation::IsValidUTF8(text)) {
      reader.Fail();
    }
  }
}

template <typename T, class Reader>
void ReadTypedList(Reader& reader, EncodableValue& out) {
  size_t count = ReadWireSize(reader);
  if (sizeof(T) > 1) {
    reader.ReadAlignment(sizeof(T) == 2 ? 2 : (sizeof(T) == 4 ? 4 : 8));
  }
  // Checked before allocating, so a huge declared count in a short message costs nothing.
  if (reader.failed() || count > reader.GetRemaining() / sizeof(T)) {
    reader.Fail();
    return;
  }
  if constexpr (kIsBufferReader<Reader> && sizeof(T) == 1) {
    const uint8_t* bytes = reader.Take(count);
    out.emplace<std::vector<T>>(bytes, bytes + count);
  } else {
    std::vector<T>& list = out.emplace<std::vector<T>>(count);
    if (count > 0) {
      reader.ReadBytes(reinterpret_cast<uint8_t*>(list.data()), count * sizeof(T));
    }
  }
}

// Reads the payload of a value of type |type| into |out|, which holds null on entry. Nested
// values go through |read_nested(EncodableValue& slot)|. Failures are left on the reader.
template <class Reader, class ReadNested>
void ReadPayload(uint8_t type, Reader& reader, EncodableValue& out, const ReadNested& read_nested) {
  switch (type) {
    case kNull:
      return;
    case kTrue:
      out.emplace<bool>(true);
      return;
    case kFalse:
      out.emplace<bool>(false);
      return;
    case kInt32:
      out.emplace<int32_t>(reader.ReadInt32());
      return;
    case kInt64:
      out.emplace<int64_t>(reader.ReadInt64());
      return;
    case kFloat64:
      reader.ReadAlignment(8);
      out.emplace<double>(reader.ReadDouble());
      return;
    case kLargeInt:
    case kString:
      ReadString(reader, out);
      return;
    case kUInt8List:
      ReadTypedList<uint8_t>(reader, out);
      return;
    case kInt32List:
      ReadTypedList<int32_t>(reader, out);
      return;
    case kInt64List:
      ReadTypedList<int64_t>(reader, out);
      return;
    case kFloat64List:
      ReadTypedList<double>(reader, out);
      return;
    case kFloat32List:
      ReadTypedList<float>(reader, out);
      return;
    case kList: {
      size_t count = ReadWireSize(reader);
      // Every value takes at least one byte.
      if (reader.failed() || count > reader.GetRemaining()) {
        reader.Fail();
        return;
      }
      EncodableList& list = out.emplace<EncodableList>(count);
      for (EncodableValue& element : list) {
        read_nested(element);
        if (reader.failed()) {
          return;
        }
      }
      return;
    }
    case kMap: {
      size_t count = ReadWireSize(reader);
      if (reader.failed() || count > reader.GetRemaining() / 2) {
        reader.Fail();
        return;
      }
      EncodableMap& map = out.emplace<EncodableMap>();
      for (size_t i = 0; i < count; ++i) {
        EncodableValue key;
        read_nested(key);
        if (reader.failed()) {
          return;
        }
        // Keys written by a C++ side arrive sorted, making the end the right hint. The value is
        // decoded in place; a duplicate key keeps its first value.
        size_t size_before = map.size();
        auto entry = map.emplace_hint(map.end(), std::piecewise_construct,
                                      std::forward_as_tuple(std::move(key)), std::tuple<>());
        if (map.size() != size_before) {
          read_nested(entry->second);
        } else {
          EncodableValue ignored;
          read_nested(ignored);
        }
        if (reader.failed()) {
          return;
        }
      }
      return;
    }
    default:
      reader.Fail();
      return;
  }
}

// The fast path's reader: |depth| is 1 for a top-level value.
inline void DecodeFast(ByteBufferReader& reader, EncodableValue& out, int depth) {
  if (depth > StandardCodecSerializer::kMaxNestingDepth) {
    reader.Fail();
    return;
  }
  uint8_t type = reader.ReadByte();
  if (reader.failed()) {
    return;
  }
  ReadPayload(type, reader, out,
              [&reader, depth](EncodableValue& slot) { DecodeFast(reader, slot, depth + 1); });
}

// ----- Writing -----------------------------------------------------------------------------------

inline void LogUnwritableCustomValue() {
  WriteChannelWarning(
      "Unable to encode a CustomEncodableValue: it needs a StandardCodecSerializer subclass that "
      "writes it. Writing null instead.");
}

template <class Writer>
void WriteStringValue(const std::string& text, Writer& writer) {
  writer.WriteByte(kString);
  WriteWireSize(text.size(), writer);
  writer.WriteBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

template <typename T, class Writer>
void WriteTypedList(uint8_t type, const std::vector<T>& list, Writer& writer) {
  writer.WriteByte(type);
  WriteWireSize(list.size(), writer);
  // Padded even when empty, as Dart writes it; its reader and ours always skip the padding.
  if (sizeof(T) > 1) {
    writer.WriteAlignment(static_cast<uint8_t>(sizeof(T)));
  }
  if (!list.empty()) {
    writer.WriteBytes(reinterpret_cast<const uint8_t*>(list.data()), list.size() * sizeof(T));
  }
}

// Writes |value| (type byte and payload); nested values go through |write_nested|.
template <class Writer, class WriteNested>
void WritePayload(const EncodableValue& value, Writer& writer, const WriteNested& write_nested) {
  switch (value.index()) {
    case 0:
      writer.WriteByte(kNull);
      return;
    case 1:
      writer.WriteByte(std::get<bool>(value) ? kTrue : kFalse);
      return;
    case 2:
      writer.WriteByte(kInt32);
      writer.WriteInt32(std::get<int32_t>(value));
      return;
    case 3:
      writer.WriteByte(kInt64);
      writer.WriteInt64(std::get<int64_t>(value));
      return;
    case 4:
      writer.WriteByte(kFloat64);
      writer.WriteAlignment(8);
      writer.WriteDouble(std::get<double>(value));
      return;
    case 5:
      WriteStringValue(std::get<std::string>(value), writer);
      return;
    case 6:
      WriteTypedList(kUInt8List, std::get<std::vector<uint8_t>>(value), writer);
      return;
    case 7:
      WriteTypedList(kInt32List, std::get<std::vector<int32_t>>(value), writer);
      return;
    case 8:
      WriteTypedList(kInt64List, std::get<std::vector<int64_t>>(value), writer);
      return;
    case 9:
      WriteTypedList(kFloat64List, std::get<std::vector<double>>(value), writer);
      return;
    case 10: {
      const EncodableList& list = std::get<EncodableList>(value);
      writer.WriteByte(kList);
      WriteWireSize(list.size(), writer);
      for (const EncodableValue& element : list) {
        write_nested(element);
      }
      return;
    }
    case 11: {
      const EncodableMap& map = std::get<EncodableMap>(value);
      writer.WriteByte(kMap);
      WriteWireSize(map.size(), writer);
      for (const auto& [key, element] : map) {
        write_nested(key);
        write_nested(element);
      }
      return;
    }
    case 12:
      LogUnwritableCustomValue();
      writer.WriteByte(kNull);
      return;
    case 13:
      WriteTypedList(kFloat32List, std::get<std::vector<float>>(value), writer);
      return;
    default:
      // A valueless variant (an exception escaped an assignment) has nothing to say.
      writer.WriteByte(kNull);
      return;
  }
}

// Counts the bytes a message takes: the fast path composes each message once with it, so the
// sizes come from the very code that writes the bytes.
class CountingWriter {
 public:
  void WriteByte(uint8_t) { ++size_; }
  void WriteBytes(const uint8_t*, size_t length) { size_ += length; }
  void WriteAlignment(uint8_t alignment) { size_ = AlignUp(size_, alignment); }
  void WriteInt32(int32_t) { size_ += 4; }
  void WriteInt64(int64_t) { size_ += 8; }
  void WriteDouble(double) { size_ += 8; }

  size_t size() const { return size_; }

 private:
  size_t size_ = 0;
};

// The fast path's writer: appends to a vector reserved at the size CountingWriter found, so no
// write reallocates and no byte is written twice as in a buffer that resize() zeroes first.
// It appends through the vector, never past its end: were a count ever wrong, the vector would
// grow instead of being overrun.
class ReservedWriter {
 public:
  explicit ReservedWriter(std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  void WriteByte(uint8_t byte) { bytes_.push_back(byte); }
  void WriteBytes(const uint8_t* bytes, size_t length) {
    // Most writes are a few bytes; only large strings need the care of a large copy.
    if (length <= 256) {
      bytes_.insert(bytes_.end(), bytes, bytes + length);
    } else {
      Foundation::AppendBytes(bytes_, bytes, length);
    }
  }
  void WriteAlignment(uint8_t alignment) {
    size_t misalignment = bytes_.size() % alignment;
    if (misalignment != 0) {
      bytes_.resize(bytes_.size() + alignment - misalignment);
    }
  }
  void WriteInt32(int32_t value) { WriteScalar(value); }
  void WriteInt64(int64_t value) { WriteScalar(value); }
  void WriteDouble(double value) { WriteScalar(value); }

 private:
  template <typename T>
  void WriteScalar(T value) {
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    bytes_.insert(bytes_.end(), bytes, bytes + sizeof(T));
  }

  std::vector<uint8_t>& bytes_;
};

// The fast path's writing, with |Writer| a CountingWriter or a ReservedWriter: nested values
// recurse directly, with no virtual call.
template <class Writer>
void EncodeFast(const EncodableValue& value, Writer& writer) {
  WritePayload(value, writer,
               [&writer](const EncodableValue& element) { EncodeFast(element, writer); });
}

// ----- Shared by both codecs ---------------------------------------------------------------------

inline bool IsPlainSerializer(const StandardCodecSerializer* serializer) {
  return serializer == &StandardCodecSerializer::GetInstance();
}

// Reads one value into |out| (null on entry); false when the bytes were bad.
inline bool ReadOneValue(const StandardCodecSerializer* serializer, ByteBufferReader& reader,
                         EncodableValue& out) {
  if (IsPlainSerializer(serializer)) {
    DecodeFast(reader, out, 1);
  } else {
    out = serializer->ReadValue(&reader);
  }
  return !reader.failed();
}

// Encodes one message. |compose(writer, write_value)| writes it, with |write_value| for each
// EncodableValue. With the plain serializer it runs twice: counting, then into a vector
// reserved at the count. Subclasses go through their virtual WriteValue.
template <class Compose>
std::unique_ptr<std::vector<uint8_t>> EncodeWith(const StandardCodecSerializer* serializer,
                                                 const Compose& compose) {
  auto bytes = std::make_unique<std::vector<uint8_t>>();
  if (IsPlainSerializer(serializer)) {
    CountingWriter counter;
    compose(counter, [&counter](const EncodableValue& value) { EncodeFast(value, counter); });
    bytes->reserve(counter.size());
    ReservedWriter writer(*bytes);
    compose(writer, [&writer](const EncodableValue& value) { EncodeFast(value, writer); });
  } else {
    ByteBufferWriter writer(bytes.get());
    compose(writer, [serializer, &writer](const EncodableValue& value) {
      serializer->WriteValue(value, &writer);
    });
  }
  return bytes;
}

// One codec per serializer for the life of the process. Never destroyed, so channels still
// registered during static destruction keep a valid codec.
template <class Codec>
const Codec& CachedCodec(const StandardCodecSerializer* serializer,
                         Codec* (*make)(const StandardCodecSerializer*)) {
  static std::mutex mutex;
  static auto* codecs = new std::map<const StandardCodecSerializer*, std::unique_ptr<Codec>>();
  std::lock_guard<std::mutex> lock(mutex);
  std::unique_ptr<Codec>& codec = (*codecs)[serializer];
  if (!codec) {
    codec.reset(make(serializer));
  }
  return *codec;
}

}  // namespace internal
}  // namespace flutter

#endif  // QEVA_FLUTTER_SRC_STANDARD_CODEC_WIRE_H_
