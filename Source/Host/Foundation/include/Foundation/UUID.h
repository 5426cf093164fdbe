#ifndef QEVA_HOST_FOUNDATION_UUID_H_
#define QEVA_HOST_FOUNDATION_UUID_H_

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace Foundation {

// A version 4 (random) UUID.
class UUID {
 public:
  using Bytes = std::array<uint8_t, 16>;
  // Supplies the 16 random bytes of a new UUID. The version and variant bits are set
  // afterwards, so any source yields a well-formed version 4 UUID.
  using ByteSource = std::function<Bytes()>;

  // A new random UUID from the process-wide byte source.
  UUID();
  explicit UUID(const Bytes& bytes);

  // The 36-character upper-case text form: 8-4-4-4-12 hexadecimal digits.
  std::string uuidString() const;
  const Bytes& bytes() const { return bytes_; }

  // Replaces the process-wide byte source (tools use a seeded one for repeatable output);
  // nullptr restores the default, seeded from std::random_device. Main thread only.
  static void SetByteSource(ByteSource source);
  // A deterministic source for tools and tests: the same seed gives the same sequence.
  static ByteSource SeededByteSource(uint64_t seed);

 private:
  Bytes bytes_;
};

}  // namespace Foundation

#endif  // QEVA_HOST_FOUNDATION_UUID_H_
