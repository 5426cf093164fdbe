#include "Foundation/TextScan.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QEVA_TEXT_SCAN_SSE2 1
#endif

namespace Foundation {
namespace {

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

uint64_t Word(const char* bytes) {
  uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// A high bit set in the result when some byte of |word| is zero. Only whether the result is
// zero is exact: a borrow may flag bytes above the first zero one, never miss a zero byte.
constexpr uint64_t ZeroBytes(uint64_t word) {
  return (word - kOnes) & ~word & kHighBits;
}

// Non-zero when some byte of |word| is not plain (see PlainASCIIPrefixLength).
constexpr uint64_t StopBytes(uint64_t word) {
  const uint64_t below_space = (word - kOnes * 0x20) & ~word & kHighBits;
  return (word & kHighBits) | below_space | ZeroBytes(word ^ (kOnes * '"')) |
         ZeroBytes(word ^ (kOnes * '\\')) | ZeroBytes(word ^ (kOnes * 0x7f));
}

#ifdef QEVA_TEXT_SCAN_SSE2
// The index of the lowest set bit of a non-zero |mask|.
size_t FirstSetBit(unsigned mask) {
#if defined(__GNUC__)
  return static_cast<size_t>(__builtin_ctz(mask));
#else
  size_t index = 0;
  while ((mask & 1u) == 0) {
    mask >>= 1;
    ++index;
  }
  return index;
#endif
}
#endif

bool IsPlain(unsigned char byte) {
  return byte >= 0x20 && byte < 0x7f && byte != '"' && byte != '\\';
}

}  // namespace

size_t PlainASCIIPrefixLength(std::string_view text) {
  const char* bytes = text.data();
  size_t at = 0;
#ifdef QEVA_TEXT_SCAN_SSE2
  // Sixteen bytes at a time; a signed compare below the space also catches every byte from
  // 0x80 on, and the mask gives the first stop's position exactly.
  const __m128i space = _mm_set1_epi8(0x20);
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i del = _mm_set1_epi8(0x7f);
  while (text.size() - at >= 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
    const __m128i stops =
        _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(block, space), _mm_cmpeq_epi8(block, quote)),
                     _mm_or_si128(_mm_cmpeq_epi8(block, backslash), _mm_cmpeq_epi8(block, del)));
    const int mask = _mm_movemask_epi8(stops);
    if (mask != 0) {
      return at + FirstSetBit(static_cast<unsigned>(mask));
    }
    at += 16;
  }
#endif
  while (text.size() - at >= 8 && StopBytes(Word(bytes + at)) == 0) {
    at += 8;
  }
  while (at < text.size() && IsPlain(static_cast<unsigned char>(bytes[at]))) {
    ++at;
  }
  return at;
}

size_t UTF8SequenceLength(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    return 1;
  }
  size_t length = 0;
  unsigned char second_low = 0x80;
  unsigned char second_high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    second_low = lead == 0xE0 ? 0xA0 : 0x80;   // Overlong below U+0800.
    second_high = lead == 0xED ? 0x9F : 0xBF;  // Surrogates.
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    second_low = lead == 0xF0 ? 0x90 : 0x80;   // Overlong below U+10000.
    second_high = lead == 0xF4 ? 0x8F : 0xBF;  // Past U+10FFFF.
  } else {
    return 0;
  }
  if (text.size() - at < length || byte(1) < second_low || byte(1) > second_high) {
    return 0;
  }
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) {
      return 0;
    }
  }
  return length;
}

bool IsValidUTF8(std::string_view text) {
  const char* bytes = text.data();
  size_t at = 0;
  while (at < text.size()) {
    if (text.size() - at >= 8 && (Word(bytes + at) & kHighBits) == 0) {
      at += 8;
      continue;
    }
    const size_t length = UTF8SequenceLength(text, at);
    if (length == 0) {
      return false;
    }
    at += length;
  }
  return true;
}

}  // namespace Foundation
