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

// True when |destination| lies less than a cache line past |source| modulo 4 KiB.
inline bool JustPastModulo4KiB(const void* destination, const void* source) {
  return (reinterpret_cast<uintptr_t>(destination) - reinterpret_cast<uintptr_t>(source)) % 4096 <
         64;
}

}  // namespace internal

// Appends the |size| bytes at |bytes| to |out|, a std::string or a std::vector<uint8_t> that
// already has room for them.
//
// Large copies go in one piece, which glibc makes with rep movsb, except where the destination
// lies a few bytes past the source modulo 4 KiB: some AMD CPUs run rep movsb up to 25 times
// slower there, so those go in pieces of 2 KiB, which glibc copies with vector moves.
template <class Bytes>
void AppendBytes(Bytes& out, const typename Bytes::value_type* bytes, size_t size) {
  constexpr size_t kPiece = 2048;
  if (size > kPiece && internal::JustPastModulo4KiB(out.data() + out.size(), bytes)) {
    for (; size > kPiece; bytes += kPiece, size -= kPiece) {
      internal::AppendInOnePiece(out, bytes, kPiece);
    }
  }
  internal::AppendInOnePiece(out, bytes, size);
}

}  // namespace Foundation

#endif  // QEVA_HOST_FOUNDATION_APPENDBYTES_H_
