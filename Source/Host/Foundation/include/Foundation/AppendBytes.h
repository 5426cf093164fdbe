#ifndef QEVA_HOST_FOUNDATION_APPENDBYTES_H_
#define QEVA_HOST_FOUNDATION_APPENDBYTES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Foundation {

namespace internal {

inline void AppendInOnePiece(std::string& out, const char* bytes, size_t size) {
  out.append(bytes, size);
}

inline void AppendInOnePiece(std::vector<uint8_t>& out, const uint8_t* bytes, size_t size) {
  out.insert(out.end(), bytes, bytes + size);
}

// Small enough for glibc to copy with vector moves rather than rep movsb.
inline constexpr size_t kCopyPiece = 2048;

// Appends in pieces of kCopyPiece bytes.
template <class Bytes>
void AppendInPieces(Bytes& out, const typename Bytes::value_type* bytes, size_t size) {
  for (; size > kCopyPiece; bytes += kCopyPiece, size -= kCopyPiece) {
    AppendInOnePiece(out, bytes, kCopyPiece);
  }
  AppendInOnePiece(out, bytes, size);
}

// True when |destination| lies less than a cache line past |source| modulo 4 KiB.
inline bool JustPastModulo4KiB(const void* destination, const void* source) {
  return (reinterpret_cast<uintptr_t>(destination) - reinterpret_cast<uintptr_t>(source)) % 4096 <
         64;
}

// True on the CPUs whose rep movsb runs many times slower when the destination lies just past
// the source modulo 4 KiB: AMD's Zen 3 and Zen 4 (CPU family 19h), up to 25 times slower in
// our benchmarks. Later CPUs pay a third more there, less than copying in pieces costs them.
bool ShortDistanceStringMovesAreSlow();

}  // namespace internal

// Appends the |size| bytes at |bytes| to |out|, a std::string or a std::vector<uint8_t> that
// already has room for them: large copies in one piece, which glibc makes with rep movsb,
// except on CPUs where that is many times slower for where the bytes lie.
template <class Bytes>
void AppendBytes(Bytes& out, const typename Bytes::value_type* bytes, size_t size) {
  if (size > internal::kCopyPiece && internal::JustPastModulo4KiB(out.data() + out.size(), bytes) &&
      internal::ShortDistanceStringMovesAreSlow()) {
    internal::AppendInPieces(out, bytes, size);
  } else {
    internal::AppendInOnePiece(out, bytes, size);
  }
}

}  // namespace Foundation

#endif  // QEVA_HOST_FOUNDATION_APPENDBYTES_H_
