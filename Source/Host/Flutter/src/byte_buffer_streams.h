#ifndef QEVA_FLUTTER_SRC_BYTE_BUFFER_STREAMS_H_
#define QEVA_FLUTTER_SRC_BYTE_BUFFER_STREAMS_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "include/flutter/byte_streams.h"

namespace flutter {
namespace internal {

// Reads a message held in memory. Final, with inline members, so that code holding it by its
// own type decodes without a virtual call per byte.
class ByteBufferReader final : public ByteStreamReader {
 public:
  // The |bytes| must stay valid for as long as this reader exists; nullptr is fine for size 0.
  ByteBufferReader(const uint8_t* bytes, size_t size) : begin_(bytes), pos_(bytes), end_(bytes) {
    if (bytes != nullptr) {
      end_ = bytes + size;
    }
  }

  uint8_t ReadByte() final {
    if (pos_ == end_) {
      Fail();
      return 0;
    }
    return *pos_++;
  }

  void ReadBytes(uint8_t* buffer, size_t length) final {
    if (const uint8_t* bytes = Take(length)) {
      std::memcpy(buffer, bytes, length);
    } else {
      std::memset(buffer, 0, length);
    }
  }

  void ReadAlignment(uint8_t alignment) final {
    size_t misalignment = static_cast<size_t>(pos_ - begin_) % alignment;
    if (misalignment != 0) {
      Take(alignment - misalignment);
    }
  }

  size_t GetRemaining() const final { return static_cast<size_t>(end_ - pos_); }

  // Returns the next |length| bytes in place and skips them, or nullptr (and fails) when fewer
  // are left. Lets the decoder build strings straight from the message.
  const uint8_t* Take(size_t length) {
    if (length > GetRemaining()) {
      pos_ = end_;
      Fail();
      return nullptr;
    }
    const uint8_t* bytes = pos_;
    pos_ += length;
    return bytes;
  }

  // Hide the base versions, which go through the virtual ReadBytes.
  int32_t ReadInt32() { return ReadScalar<int32_t>(); }
  int64_t ReadInt64() { return ReadScalar<int64_t>(); }
  double ReadDouble() { return ReadScalar<double>(); }

 private:
  template <typename T>
  T ReadScalar() {
    T value{};
    if (const uint8_t* bytes = Take(sizeof(T))) {
      std::memcpy(&value, bytes, sizeof(T));
    }
    return value;
  }

  const uint8_t* begin_;
  const uint8_t* pos_;
  const uint8_t* end_;
};

// Appends a message to a byte vector; alignment counts from the vector's start, which is the
// start of the message.
class ByteBufferWriter final : public ByteStreamWriter {
 public:
  // The |buffer| must stay valid for as long as this writer exists.
  explicit ByteBufferWriter(std::vector<uint8_t>* buffer) : buffer_(buffer) {}

  void WriteByte(uint8_t byte) final { buffer_->push_back(byte); }

  void WriteBytes(const uint8_t* bytes, size_t length) final {
    if (length > 0) {
      buffer_->insert(buffer_->end(), bytes, bytes + length);
    }
  }

  void WriteAlignment(uint8_t alignment) final {
    size_t misalignment = buffer_->size() % alignment;
    if (misalignment != 0) {
      buffer_->insert(buffer_->end(), alignment - misalignment, 0);
    }
  }

 private:
  std::vector<uint8_t>* buffer_;
};

}  // namespace internal
}  // namespace flutter

#endif  // QEVA_FLUTTER_SRC_BYTE_BUFFER_STREAMS_H_
