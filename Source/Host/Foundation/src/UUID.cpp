#include "Foundation/UUID.h"

#include <memory>
#include <random>
#include <utility>

namespace Foundation {
namespace {

UUID::ByteSource& CurrentSource() {
  static UUID::ByteSource source;
  return source;
}

UUID::Bytes FromEngine(std::mt19937_64& engine) {
  UUID::Bytes bytes;
  for (size_t i = 0; i < bytes.size(); i += 8) {
    uint64_t word = engine();
    for (size_t j = 0; j < 8; ++j) {
      bytes[i + j] = static_cast<uint8_t>(word >> (8 * j));
    }
  }
  return bytes;
}

UUID::Bytes DefaultBytes() {
  static std::mt19937_64 engine = [] {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device(), device(), device()};
    return std::mt19937_64(seed);
  }();
  return FromEngine(engine);
}

}  // namespace

UUID::UUID() : UUID(CurrentSource() ? CurrentSource()() : DefaultBytes()) {}

UUID::UUID(const Bytes& bytes) : bytes_(bytes) {
  bytes_[6] = static_cast<uint8_t>((bytes_[6] & 0x0F) | 0x40);  // version 4
  bytes_[8] = static_cast<uint8_t>((bytes_[8] & 0x3F) | 0x80);  // RFC 4122 variant
}

std::string UUID::uuidString() const {
  static const char kHex[] = "0123456789ABCDEF";
  // Written in place: every ad request makes one.
  std::string text(36, '-');
  size_t at = 0;
  for (size_t i = 0; i < bytes_.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) {
      ++at;  // Past a dash.
    }
    text[at++] = kHex[bytes_[i] >> 4];
    text[at++] = kHex[bytes_[i] & 0x0F];
  }
  return text;
}

void UUID::SetByteSource(ByteSource source) {
  CurrentSource() = std::move(source);
}

UUID::ByteSource UUID::SeededByteSource(uint64_t seed) {
  auto engine = std::make_shared<std::mt19937_64>(seed);
  return [engine] { return FromEngine(*engine); };
}

}  // namespace Foundation
