#include "Foundation/TextScan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

// The vector scans, SSE2 (every x86-64 CPU) and AVX2 (chosen at run time through GCC and
// Clang's target attributes, so the rest of the file is built for the baseline CPU), under one
// guard. Not with GCC for Windows, which assumes 32-byte aligned stack slots for AVX registers
// that the Windows stack does not give it. Elsewhere the plain word scans answer alone.
#if defined(__GNUC__) && defined(__x86_64__) && !(defined(_WIN32) && !defined(__clang__))
#include <immintrin.h>
#define QEVA_TEXT_SIMD 1
#define QEVA_AVX2_FUNCTION __attribute__((target("avx2")))
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

#ifdef QEVA_TEXT_SIMD
// The index of the lowest set bit of a non-zero |mask|.
size_t FirstSetBit(unsigned mask) {
  return static_cast<size_t>(__builtin_ctz(mask));
}
#endif

bool IsPlain(unsigned char byte) {
  return byte >= 0x20 && byte < 0x7f && byte != '"' && byte != '\\';
}

}  // namespace

size_t PlainASCIIPrefixLength(std::string_view text) {
  const char* bytes = text.data();
  size_t at = 0;
#ifdef QEVA_TEXT_SIMD
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

void AppendCQuoted(std::string_view text, std::string& out) {
  out.push_back('"');
  AppendEscaped(text, out, [](unsigned char byte, std::string& to) {
    static const char kHex[] = "0123456789abcdef";
    switch (byte) {
      case '"':
      case '\\':
        to.push_back('\\');
        to.push_back(static_cast<char>(byte));
        return;
      case '\n':
        to += "\\n";
        return;
      case '\t':
        to += "\\t";
        return;
      default:
        if (byte < 0x20) {
          const char escape[] = {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xf]};
          to.append(escape, sizeof escape);
        } else {
          to.push_back(static_cast<char>(byte));
        }
    }
  });
  out.push_back('"');
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

namespace {

// The UTF-8 checks hand the text on a stretch at a time, so that AppendValidUTF8 copies each
// stretch while it is in the cache. Short enough for glibc to copy it with vector moves rather
// than rep movsb, which some AMD CPUs run many times slower when the copy's destination is a
// few bytes past its source modulo 4 KiB.
constexpr size_t kStretch = 2048;

// Takes the text's stretches; returns where the stretch can be read from now.
struct Discard {
  const char* operator()(const char* bytes, size_t) const { return bytes; }
};

// A copy just made is in the first-level cache, where the text itself may not be: the AVX2
// check copies each stretch first and reads the copy.
struct AppendTo {
  std::string& out;
  const char* operator()(const char* bytes, size_t size) const {
    out.append(bytes, size);
    return out.data() + out.size() - size;
  }
};

// Past the ASCII bytes from |at|, stopping at |end| or at most a block before the first other
// byte: eight bytes at a time, or sixteen with SSE2.
size_t SkipASCIIWords(const char* bytes, size_t at, size_t end) {
  while (end - at >= 8 && (Word(bytes + at) & kHighBits) == 0) {
    at += 8;
  }
  return at;
}

#ifdef QEVA_TEXT_SIMD
size_t SkipASCIISSE2(const char* bytes, size_t at, size_t end) {
  while (end - at >= 64) {
    const auto* blocks = reinterpret_cast<const __m128i*>(bytes + at);
    const __m128i any =
        _mm_or_si128(_mm_or_si128(_mm_loadu_si128(blocks), _mm_loadu_si128(blocks + 1)),
                     _mm_or_si128(_mm_loadu_si128(blocks + 2), _mm_loadu_si128(blocks + 3)));
    if (_mm_movemask_epi8(any) != 0) {
      break;
    }
    at += 64;
  }
  while (end - at >= 16 &&
         _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at))) == 0) {
    at += 16;
  }
  return at;
}
#endif

// The check a sequence at a time, with runs of ASCII skipped by |skip_ascii|. Every stretch
// ends after the last sequence that starts in it.
template <class Sink>
bool CheckSequences(std::string_view text, size_t (*skip_ascii)(const char*, size_t, size_t),
                    const Sink& sink) {
  const char* bytes = text.data();
  size_t at = 0;
  while (at < text.size()) {
    const size_t stretch_start = at;
    const size_t stretch_end = std::min(text.size(), at + kStretch);
    while (at < stretch_end) {
      at = skip_ascii(bytes, at, stretch_end);
      while (at < stretch_end && static_cast<unsigned char>(bytes[at]) < 0x80) {
        ++at;
      }
      if (at == stretch_end) {
        break;
      }
      const size_t length = UTF8SequenceLength(text, at);
      if (length == 0) {
        return false;
      }
      at += length;
    }
    sink(bytes + stretch_start, at - stretch_start);
  }
  return true;
}

#ifdef QEVA_TEXT_SIMD
// Thirty-two bytes at a time, after "Validating UTF-8 In Less Than One Instruction Per Byte"
// (Keiser and Lemire, 2021): each byte and the one before it are looked up by their nibbles
// in three tables whose bits name the ways the pair can be wrong; a bit set in all three is
// an error. What a pair cannot show (a third or fourth byte missing or extra) comes from the
// bytes two and three places back, and a sequence cut off by the end from the last three.
constexpr uint8_t kTooShort = 1 << 0;   // A lead byte not followed by a continuation.
constexpr uint8_t kTooLong = 1 << 1;    // A continuation after ASCII.
constexpr uint8_t kOverlong3 = 1 << 2;  // E0 80..9F.
constexpr uint8_t kTooLarge = 1 << 3;   // F4 90..BF, F5.. 90..BF.
constexpr uint8_t kSurrogate = 1 << 4;  // ED A0..BF.
constexpr uint8_t kOverlong2 = 1 << 5;  // C0..C1 and a continuation.
// F0 80..8F (overlong) and F5.. 80..8F (too large) share one bit: the lead byte tells them apart.
constexpr uint8_t kOverlong4OrTooLarge1000 = 1 << 6;
constexpr uint8_t kTwoContinuations = 1 << 7;  // Not an error in a three- or four-byte sequence.
constexpr uint8_t kAnyPair = kTooShort | kTooLong | kTwoContinuations;

QEVA_AVX2_FUNCTION inline __m256i Table(const uint8_t (&entries)[16]) {
  const __m128i half = _mm_loadu_si128(reinterpret_cast<const __m128i*>(entries));
  return _mm256_broadcastsi128_si256(half);
}

constexpr uint8_t kFirstHigh[16] = {
    // 0_______: ASCII.
    kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
    // 10______: a continuation.
    kTwoContinuations, kTwoContinuations, kTwoContinuations, kTwoContinuations,
    kTooShort | kOverlong2,                            // 1100____
    kTooShort,                                         // 1101____
    kTooShort | kOverlong3 | kSurrogate,               // 1110____
    kTooShort | kTooLarge | kOverlong4OrTooLarge1000,  // 1111____
};
constexpr uint8_t kFirstLow[16] = {
    kAnyPair | kOverlong3 | kOverlong2 | kOverlong4OrTooLarge1000,  // ____0000
    kAnyPair | kOverlong2,                                          // ____0001
    kAnyPair,
    kAnyPair,
    kAnyPair | kTooLarge,  // ____0100: F4
    kAnyPair | kTooLarge | kOverlong4OrTooLarge1000,
    kAnyPair | kTooLarge | kOverlong4OrTooLarge1000,
    kAnyPair | kTooLarge | kOverlong4OrTooLarge1000,
    kAnyPair | kTooLarge | kOverlong4OrTooLarge1000,
    kAnyPair | kTooLarge | kOverlong4OrTooLarge1000,
    kAnyPair | kTooLarge | kOverlong4OrTooLarge1000,
    kAnyPair | kTooLarge | kOverlong4OrTooLarge1000,
    kAnyPair | kTooLarge | kOverlong4OrTooLarge1000,
    kAnyPair | kTooLarge | kOverlong4OrTooLarge1000 | kSurrogate,  // ____1101: ED
    kAnyPair | kTooLarge | kOverlong4OrTooLarge1000,
    kAnyPair | kTooLarge | kOverlong4OrTooLarge1000,
};
constexpr uint8_t kSecondHigh[16] = {
    // 0_______: ASCII after a lead byte.
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
    // 1000____
    kTooLong | kOverlong2 | kTwoContinuations | kOverlong3 | kOverlong4OrTooLarge1000,
    // 1001____
    kTooLong | kOverlong2 | kTwoContinuations | kOverlong3 | kTooLarge,
    // 101_____
    kTooLong | kOverlong2 | kTwoContinuations | kSurrogate | kTooLarge,
    kTooLong | kOverlong2 | kTwoContinuations | kSurrogate | kTooLarge,
    // 11______: a lead byte after a lead byte.
    kTooShort,
    kTooShort,
    kTooShort,
    kTooShort,
};

class AVX2Checker {
 public:
  QEVA_AVX2_FUNCTION AVX2Checker()
      : first_high_(Table(kFirstHigh)),
        first_low_(Table(kFirstLow)),
        second_high_(Table(kSecondHigh)),
        errors_(_mm256_setzero_si256()),
        previous_incomplete_(_mm256_setzero_si256()) {}

  // True when the 256 bytes at |bytes| are all ASCII, which the next Check64 calls would
  // find at more cost.
  QEVA_AVX2_FUNCTION static bool IsASCII256(const char* bytes) {
    const auto* blocks = reinterpret_cast<const __m256i*>(bytes);
    const __m256i any = _mm256_or_si256(
        _mm256_or_si256(
            _mm256_or_si256(_mm256_loadu_si256(blocks), _mm256_loadu_si256(blocks + 1)),
            _mm256_or_si256(_mm256_loadu_si256(blocks + 2), _mm256_loadu_si256(blocks + 3))),
        _mm256_or_si256(
            _mm256_or_si256(_mm256_loadu_si256(blocks + 4), _mm256_loadu_si256(blocks + 5)),
            _mm256_or_si256(_mm256_loadu_si256(blocks + 6), _mm256_loadu_si256(blocks + 7))));
    return _mm256_movemask_epi8(any) == 0;
  }

  // Bytes that were ASCII only: fine unless the bytes before ended in the middle of a
  // sequence.
  QEVA_AVX2_FUNCTION void SkipASCII() {
    errors_ = _mm256_or_si256(errors_, previous_incomplete_);
    previous_incomplete_ = _mm256_setzero_si256();
  }

  // The next 64 bytes of the text, at |bytes|; the three bytes before them are read too, and
  // must be the text's.
  QEVA_AVX2_FUNCTION void Check64(const char* bytes) {
    const __m256i first = Load(bytes);
    const __m256i second = Load(bytes + 32);
    if (_mm256_movemask_epi8(_mm256_or_si256(first, second)) == 0) {
      SkipASCII();
      return;
    }
    errors_ = _mm256_or_si256(errors_, Check32(bytes, first));
    errors_ = _mm256_or_si256(errors_, Check32(bytes + 32, second));
    // A lead byte in the last place, a three- or four-byte one in the second to last, a
    // four-byte one in the third to last: the next block must go on with the sequence.
    const __m256i last_allowed =
        _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                         -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, static_cast<char>(0xef),
                         static_cast<char>(0xdf), static_cast<char>(0xbf));
    previous_incomplete_ = _mm256_subs_epu8(second, last_allowed);
  }

  // The next |size| bytes of the text, at most 64, with the |before| bytes before them (at
  // most three, fewer at the text's start), copied between zeros. A sequence cut off by the
  // end runs into a zero.
  QEVA_AVX2_FUNCTION void CheckCopy(const char* bytes, size_t size, size_t before) {
    char block[3 + 64] = {};
    std::memcpy(block + 3 - before, bytes - before, before + size);
    Check64(block + 3);
  }

  // Whether any byte so far was wrong; a sequence cut off by the end counts only with
  // |at_end|.
  QEVA_AVX2_FUNCTION bool Failed(bool at_end) const {
    const __m256i errors = at_end ? _mm256_or_si256(errors_, previous_incomplete_) : errors_;
    return _mm256_testz_si256(errors, errors) == 0;
  }

 private:
  QEVA_AVX2_FUNCTION static __m256i Load(const char* bytes) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
  }

  // The 32 bytes |input| at |bytes|. The bytes one, two and three places back are loaded
  // again from memory: cheaper than shifting them across the two halves of a register.
  QEVA_AVX2_FUNCTION __m256i Check32(const char* bytes, __m256i input) const {
    const __m256i nibble = _mm256_set1_epi8(0x0f);
    const __m256i previous1 = Load(bytes - 1);
    const __m256i first_high =
        _mm256_shuffle_epi8(first_high_, _mm256_and_si256(_mm256_srli_epi16(previous1, 4), nibble));
    const __m256i first_low = _mm256_shuffle_epi8(first_low_, _mm256_and_si256(previous1, nibble));
    const __m256i second_high =
        _mm256_shuffle_epi8(second_high_, _mm256_and_si256(_mm256_srli_epi16(input, 4), nibble));
    const __m256i pair_errors =
        _mm256_and_si256(_mm256_and_si256(first_high, first_low), second_high);
    // The high bit set where the byte two places back leads three or more bytes, or the byte
    // three places back leads four: there a second continuation in a row is required.
    const __m256i third = _mm256_subs_epu8(Load(bytes - 2), _mm256_set1_epi8(0x60));
    const __m256i fourth = _mm256_subs_epu8(Load(bytes - 3), _mm256_set1_epi8(0x70));
    const __m256i required =
        _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
    return _mm256_xor_si256(required, pair_errors);
  }

  __m256i first_high_;
  __m256i first_low_;
  __m256i second_high_;
  __m256i errors_;
  __m256i previous_incomplete_;
};

template <class Sink>
QEVA_AVX2_FUNCTION bool CheckAVX2(std::string_view text, const Sink& sink) {
  static_assert(kStretch % 256 == 0, "only the last stretch ends in a part block");
  const char* bytes = text.data();
  AVX2Checker checker;
  size_t at = 0;
  while (at < text.size()) {
    const size_t size = std::min(text.size() - at, kStretch);
    const char* stretch = sink(bytes + at, size);
    size_t checked = 0;
    if (at == 0) {
      // Nothing before the text's first block to read.
      checked = std::min<size_t>(size, 64);
      checker.CheckCopy(stretch, checked, 0);
    }
    for (; size - checked >= 256; checked += 256) {
      if (AVX2Checker::IsASCII256(stretch + checked)) {
        checker.SkipASCII();
        continue;
      }
      for (size_t block = 0; block < 256; block += 64) {
        checker.Check64(stretch + checked + block);
      }
    }
    for (; size - checked >= 64; checked += 64) {
      checker.Check64(stretch + checked);
    }
    if (checked < size) {
      checker.CheckCopy(stretch + checked, size - checked, 3);
    }
    if (checker.Failed(false)) {
      return false;
    }
    at += size;
  }
  return !checker.Failed(true);
}

bool CPUHasAVX2() {
  return __builtin_cpu_supports("avx2");
}
#endif

ScanWidth DetectWidestScanWidth() {
#ifdef QEVA_TEXT_SIMD
  return CPUHasAVX2() ? ScanWidth::kAVX2 : ScanWidth::kSSE2;
#else
  return ScanWidth::kWord;
#endif
}

template <class Sink>
bool CheckUTF8(std::string_view text, ScanWidth width, const Sink& sink) {
  const ScanWidth widest = WidestScanWidth();
  if (static_cast<int>(width) > static_cast<int>(widest)) {
    width = widest;
  }
  switch (width) {
#ifdef QEVA_TEXT_SIMD
    case ScanWidth::kAVX2:
      return CheckAVX2(text, sink);
    case ScanWidth::kSSE2:
      return CheckSequences(text, SkipASCIISSE2, sink);
#endif
    default:
      return CheckSequences(text, SkipASCIIWords, sink);
  }
}

}  // namespace

ScanWidth WidestScanWidth() {
  static const ScanWidth widest = DetectWidestScanWidth();
  return widest;
}

bool IsValidUTF8(std::string_view text) {
  return CheckUTF8(text, WidestScanWidth(), Discard{});
}

bool IsValidUTF8(std::string_view text, ScanWidth width) {
  return CheckUTF8(text, width, Discard{});
}

bool AppendValidUTF8(std::string_view text, std::string& out) {
  return AppendValidUTF8(text, out, WidestScanWidth());
}

bool AppendValidUTF8(std::string_view text, std::string& out, ScanWidth width) {
  out.reserve(out.size() + text.size());
  return CheckUTF8(text, width, AppendTo{out});
}

}  // namespace Foundation
