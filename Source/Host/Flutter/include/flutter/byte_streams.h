#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_BYTE_STREAMS_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_BYTE_STREAMS_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace flutter {

class StandardCodecSerializer;

// The bytes of one message being decoded, for StandardCodecSerializer and its subclasses.
//
// A reader never throws. A read past the end yields zeros and marks the stream failed; the
// codec then rejects the whole message.
class ByteStreamReader {
 public:
  ByteStreamReader() = default;
  virtual ~ByteStreamReader() = default;

  virtual uint8_t ReadByte() = 0;

  // Reads |length| bytes into |buffer|, which must hold that many.
  virtual void ReadBytes(uint8_t* buffer, size_t length) = 0;

  // Skips the padding up to the next multiple of |alignment|, counted from the start of the
  // whole message.
  virtual void ReadAlignment(uint8_t alignment) = 0;

  // How many bytes are left. The decoder refuses any declared size that these bytes cannot
  // hold, so readers of untrusted bytes must override this. The default claims no limit.
  virtual size_t GetRemaining() const { return std::numeric_limits<size_t>::max(); }

  int32_t ReadInt32() { return ReadScalar<int32_t>(); }
  int64_t ReadInt64() { return ReadScalar<int64_t>(); }
  double ReadDouble() { return ReadScalar<double>(); }

  // Additions of this layer, absent from the engine's wrapper: a decoder that meets bytes
  // which cannot be a valid message calls Fail() instead of throwing, and the codec then
  // rejects the message. Serializer subclasses should do the same for bad custom payloads.
  void Fail() { failed_ = true; }
  bool failed() const { return failed_; }

 private:
  friend class StandardCodecSerializer;

  template <typename T>
  T ReadScalar() {
    // Byte-wise copy: the wire is little-endian like every Flutter target, and the bytes are
    // not necessarily aligned in memory.
    uint8_t bytes[sizeof(T)];
    ReadBytes(bytes, sizeof(T));
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
  }

  bool failed_ = false;
  // Containers currently open, so hostile input cannot nest deep enough to exhaust the stack.
  int nesting_ = 0;
};

// Where one message is being encoded, for StandardCodecSerializer and its subclasses.
class ByteStreamWriter {
 public:
  ByteStreamWriter() = default;
  virtual ~ByteStreamWriter() = default;

  virtual void WriteByte(uint8_t byte) = 0;
  virtual void WriteBytes(const uint8_t* bytes, size_t length) = 0;

  // Writes zero bytes up to the next multiple of |alignment|, counted from the start of the
  // whole message.
  virtual void WriteAlignment(uint8_t alignment) = 0;

  void WriteInt32(int32_t value) { WriteScalar(value); }
  void WriteInt64(int64_t value) { WriteScalar(value); }
  void WriteDouble(double value) { WriteScalar(value); }

 private:
  template <typename T>
  void WriteScalar(T value) {
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    WriteBytes(bytes, sizeof(T));
  }
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_BYTE_STREAMS_H_
