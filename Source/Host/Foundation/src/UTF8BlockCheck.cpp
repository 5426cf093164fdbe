#include "UTF8BlockCheck.h"

#ifdef QEVA_TEXT_SIMD
#include <immintrin.h>

#include <algorithm>
#include <cstring>

#define QEVA_AVX2_FUNCTION __attribute__((target("avx2")))
#define QEVA_AVX512_FUNCTION __attribute__((target("avx512f,avx512bw")))

namespace Foundation::internal {
namespace {

// Each byte and the one before it are looked up by their nibbles in three tables whose bits
// name the ways the pair can be wrong; a bit set in all three is an error. What a pair cannot
// show (a third or fourth byte missing or extra) comes from the bytes two and three places
// back, and a sequence cut off by the end from the last three bytes.
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

alignas(16) constexpr uint8_t kFirstHigh[16] = {
    // 0_______: ASCII.
    kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
    // 10______: a continuation.
    kTwoContinuations, kTwoContinuations, kTwoContinuations, kTwoContinuations,
    kTooShort | kOverlong2,                            // 1100____
    kTooShort,                                         // 1101____
    kTooShort | kOverlong3 | kSurrogate,               // 1110____
    kTooShort | kTooLarge | kOverlong4OrTooLarge1000,  // 1111____
};
alignas(16) constexpr uint8_t kFirstLow[16] = {
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
alignas(16) constexpr uint8_t kSecondHigh[16] = {
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

// The most each of a block's last three bytes may be for the next block not to have to go on
// with its sequence: a lead byte in the last place, a three- or four-byte one in the second to
// last, a four-byte one in the third to last all leave something above it.
constexpr uint8_t kLastAllowed[3] = {0xef, 0xdf, 0xbf};

// ----- 32 bytes at a time (AVX2) ---------------------------------------------------------------

struct AVX2Tables {
  __m256i first_high;
  __m256i first_low;
  __m256i second_high;
  __m256i last_allowed;
};

QEVA_AVX2_FUNCTION inline __m256i Broadcast(const uint8_t (&entries)[16]) {
  return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(entries)));
}

QEVA_AVX2_FUNCTION inline __m256i Load32(const char* bytes) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
}

QEVA_AVX2_FUNCTION inline AVX2Tables MakeAVX2Tables() {
  __m256i last_allowed = _mm256_set1_epi8(-1);
  last_allowed = _mm256_insert_epi8(last_allowed, static_cast<char>(kLastAllowed[0]), 29);
  last_allowed = _mm256_insert_epi8(last_allowed, static_cast<char>(kLastAllowed[1]), 30);
  last_allowed = _mm256_insert_epi8(last_allowed, static_cast<char>(kLastAllowed[2]), 31);
  return {Broadcast(kFirstHigh), Broadcast(kFirstLow), Broadcast(kSecondHigh), last_allowed};
}

// The errors in the 32 bytes |input| at |bytes|. One load from 16 bytes back gives each 16-byte
// lane of |input| the 16 bytes before it; the bytes one, two and three places back are shifted
// out of the two, which costs less than three loads across cache lines.
QEVA_AVX2_FUNCTION inline __m256i Errors32(const char* bytes, __m256i input,
                                           const AVX2Tables& tables) {
  const __m256i nibble = _mm256_set1_epi8(0x0f);
  const __m256i before = Load32(bytes - 16);
  const __m256i previous1 = _mm256_alignr_epi8(input, before, 15);
  const __m256i first_high = _mm256_shuffle_epi8(
      tables.first_high, _mm256_and_si256(_mm256_srli_epi16(previous1, 4), nibble));
  const __m256i first_low =
      _mm256_shuffle_epi8(tables.first_low, _mm256_and_si256(previous1, nibble));
  const __m256i second_high = _mm256_shuffle_epi8(
      tables.second_high, _mm256_and_si256(_mm256_srli_epi16(input, 4), nibble));
  const __m256i pair_errors =
      _mm256_and_si256(_mm256_and_si256(first_high, first_low), second_high);
  // The high bit set where the byte two places back leads three or more bytes, or the byte
  // three places back leads four: there a second continuation in a row is required.
  const __m256i third =
      _mm256_subs_epu8(_mm256_alignr_epi8(input, before, 14), _mm256_set1_epi8(0x60));
  const __m256i fourth =
      _mm256_subs_epu8(_mm256_alignr_epi8(input, before, 13), _mm256_set1_epi8(0x70));
  const __m256i required =
      _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
  return _mm256_xor_si256(required, pair_errors);
}

// The errors in the 64 bytes at |bytes|; |last| is set to their second half.
QEVA_AVX2_FUNCTION inline __m256i Errors64(const char* bytes, const AVX2Tables& tables,
                                           __m256i& last) {
  last = Load32(bytes + 32);
  return _mm256_or_si256(Errors32(bytes, Load32(bytes), tables),
                         Errors32(bytes + 32, last, tables));
}

QEVA_AVX2_FUNCTION inline bool IsASCII256(const char* bytes) {
  const __m256i any =
      _mm256_or_si256(_mm256_or_si256(_mm256_or_si256(Load32(bytes), Load32(bytes + 32)),
                                      _mm256_or_si256(Load32(bytes + 64), Load32(bytes + 96))),
                      _mm256_or_si256(_mm256_or_si256(Load32(bytes + 128), Load32(bytes + 160)),
                                      _mm256_or_si256(Load32(bytes + 192), Load32(bytes + 224))));
  return _mm256_movemask_epi8(any) == 0;
}

// ----- 64 bytes at a time (AVX-512) -------------------------------------------------------------

struct AVX512Tables {
  __m512i first_high;
  __m512i first_low;
  __m512i second_high;
  __m512i last_allowed;
};

QEVA_AVX512_FUNCTION inline __m512i Broadcast512(const uint8_t (&entries)[16]) {
  // The zero-masking form: GCC 12 warns that the plain one reads an undefined register.
  return _mm512_maskz_broadcast_i32x4(0xffff,
                                      _mm_load_si128(reinterpret_cast<const __m128i*>(entries)));
}

QEVA_AVX512_FUNCTION inline __m512i Load64(const char* bytes) {
  return _mm512_loadu_si512(bytes);
}

QEVA_AVX512_FUNCTION inline AVX512Tables MakeAVX512Tables() {
  // All ones but for the last three bytes.
  const __m512i last_allowed = _mm512_mask_set1_epi8(_mm512_set1_epi8(-1), __mmask64{1} << 61,
                                                     static_cast<char>(kLastAllowed[0]));
  const __m512i last_two =
      _mm512_mask_set1_epi8(last_allowed, __mmask64{1} << 62, static_cast<char>(kLastAllowed[1]));
  return {Broadcast512(kFirstHigh), Broadcast512(kFirstLow), Broadcast512(kSecondHigh),
          _mm512_mask_set1_epi8(last_two, __mmask64{1} << 63, static_cast<char>(kLastAllowed[2]))};
}

// The errors in the 64 bytes |input|, with |previous1|, 2 and 3 the bytes one, two and three
// places back.
QEVA_AVX512_FUNCTION inline __m512i Errors64(__m512i input, __m512i previous1, __m512i previous2,
                                             __m512i previous3, const AVX512Tables& tables) {
  const __m512i nibble = _mm512_set1_epi8(0x0f);
  const __m512i first_high = _mm512_shuffle_epi8(
      tables.first_high, _mm512_and_si512(_mm512_srli_epi16(previous1, 4), nibble));
  const __m512i first_low =
      _mm512_shuffle_epi8(tables.first_low, _mm512_and_si512(previous1, nibble));
  const __m512i second_high = _mm512_shuffle_epi8(
      tables.second_high, _mm512_and_si512(_mm512_srli_epi16(input, 4), nibble));
  const __m512i pair_errors =
      _mm512_and_si512(_mm512_and_si512(first_high, first_low), second_high);
  const __m512i third = _mm512_subs_epu8(previous2, _mm512_set1_epi8(0x60));
  const __m512i fourth = _mm512_subs_epu8(previous3, _mm512_set1_epi8(0x70));
  const __m512i required =
      _mm512_and_si512(_mm512_or_si512(third, fourth), _mm512_set1_epi8(static_cast<char>(0x80)));
  return _mm512_xor_si512(required, pair_errors);
}

// The errors in the 64 bytes |input| at |bytes|. One load from 16 bytes back gives each 16-byte
// lane of |input| the 16 bytes before it; the bytes one, two and three places back are shifted
// out of the two, which costs less than three loads across cache lines.
QEVA_AVX512_FUNCTION inline __m512i ErrorsAt(const char* bytes, __m512i input,
                                             const AVX512Tables& tables) {
  const __m512i before = Load64(bytes - 16);
  return Errors64(input, _mm512_alignr_epi8(input, before, 15),
                  _mm512_alignr_epi8(input, before, 14), _mm512_alignr_epi8(input, before, 13),
                  tables);
}

// The lanes below |count|.
constexpr __mmask64 LanesBelow(size_t count) {
  return count >= 64 ? ~__mmask64{0} : (__mmask64{1} << count) - 1;
}

}  // namespace

// ----- AVX2 -------------------------------------------------------------------------------------

bool AVX2UTF8Check::Supported() {
  return __builtin_cpu_supports("avx2");
}

QEVA_AVX2_FUNCTION void AVX2UTF8Check::Blocks(const char* bytes, size_t size,
                                              UTF8CheckCarry& carry) {
  const AVX2Tables tables = MakeAVX2Tables();
  __m256i errors = _mm256_load_si256(reinterpret_cast<const __m256i*>(carry.errors));
  __m256i incomplete = _mm256_load_si256(reinterpret_cast<const __m256i*>(carry.incomplete));
  __m256i last;
  size_t at = 0;
  while (size - at >= 256) {
    // A run of ASCII is skipped in a loop of its own, which leaves |errors| alone: sixteen
    // registers are too few to keep it in one through the full check as well.
    const size_t run = at;
    while (size - at >= 256 && IsASCII256(bytes + at)) {
      at += 256;
    }
    if (at != run) {
      // ASCII only: fine unless the bytes before ended in the middle of a sequence.
      errors = _mm256_or_si256(errors, incomplete);
      incomplete = _mm256_setzero_si256();
      continue;
    }
    // Each block's check reads the bytes before it, so only the last block's end can be left
    // for the next group.
    for (size_t block = 0; block < 256; block += 64) {
      errors = _mm256_or_si256(errors, Errors64(bytes + at + block, tables, last));
    }
    incomplete = _mm256_subs_epu8(last, tables.last_allowed);
    at += 256;
  }
  for (; at < size; at += 64) {
    errors = _mm256_or_si256(errors, Errors64(bytes + at, tables, last));
    incomplete = _mm256_subs_epu8(last, tables.last_allowed);
  }
  _mm256_store_si256(reinterpret_cast<__m256i*>(carry.errors), errors);
  _mm256_store_si256(reinterpret_cast<__m256i*>(carry.incomplete), incomplete);
}

QEVA_AVX2_FUNCTION void AVX2UTF8Check::Part(const char* bytes, size_t size, size_t before,
                                            UTF8CheckCarry& carry) {
  // Copied between zeros, so that a sequence cut off by the end runs into a zero.
  char block[16 + 64] = {};
  std::memcpy(block + 16 - before, bytes - before, before + size);
  Blocks(block + 16, 64, carry);
}

QEVA_AVX2_FUNCTION bool AVX2UTF8Check::Failed(const UTF8CheckCarry& carry, bool at_end) {
  __m256i errors = _mm256_load_si256(reinterpret_cast<const __m256i*>(carry.errors));
  if (at_end) {
    errors = _mm256_or_si256(errors,
                             _mm256_load_si256(reinterpret_cast<const __m256i*>(carry.incomplete)));
  }
  return _mm256_testz_si256(errors, errors) == 0;
}

// ----- AVX-512 ----------------------------------------------------------------------------------

bool AVX512UTF8Check::Supported() {
  return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
}

QEVA_AVX512_FUNCTION void AVX512UTF8Check::Blocks(const char* bytes, size_t size,
                                                  UTF8CheckCarry& carry) {
  const AVX512Tables tables = MakeAVX512Tables();
  __m512i errors = _mm512_load_si512(carry.errors);
  __m512i incomplete = _mm512_load_si512(carry.incomplete);
  size_t at = 0;
  for (; size - at >= 256; at += 256) {
    const char* group = bytes + at;
    const __m512i first = Load64(group);
    const __m512i second = Load64(group + 64);
    const __m512i third = Load64(group + 128);
    const __m512i fourth = Load64(group + 192);
    if (_mm512_movepi8_mask(
            _mm512_or_si512(_mm512_or_si512(first, second), _mm512_or_si512(third, fourth))) == 0) {
      // ASCII only: fine unless the bytes before ended in the middle of a sequence.
      errors = _mm512_or_si512(errors, incomplete);
      incomplete = _mm512_setzero_si512();
      continue;
    }
    // Each block's check reads the bytes before it, so only the last block's end can be left
    // for the next group.
    errors = _mm512_or_si512(
        errors, _mm512_or_si512(_mm512_or_si512(ErrorsAt(group, first, tables),
                                                ErrorsAt(group + 64, second, tables)),
                                _mm512_or_si512(ErrorsAt(group + 128, third, tables),
                                                ErrorsAt(group + 192, fourth, tables))));
    incomplete = _mm512_subs_epu8(fourth, tables.last_allowed);
  }
  for (; at < size; at += 64) {
    const __m512i input = Load64(bytes + at);
    errors = _mm512_or_si512(errors, ErrorsAt(bytes + at, input, tables));
    incomplete = _mm512_subs_epu8(input, tables.last_allowed);
  }
  _mm512_store_si512(carry.errors, errors);
  _mm512_store_si512(carry.incomplete, incomplete);
}

QEVA_AVX512_FUNCTION void AVX512UTF8Check::Part(const char* bytes, size_t size, size_t before,
                                                UTF8CheckCarry& carry) {
  // Masked loads read only the text's bytes, and read zeros elsewhere: a sequence cut off by
  // the end runs into a zero. Lane i of |previous[n]| is the byte n places before lane i.
  __m512i previous[4];
  for (size_t n = 0; n <= 3; ++n) {
    const __mmask64 lanes = LanesBelow(size + n) & ~LanesBelow(n - std::min(n, before));
    previous[n] = _mm512_maskz_loadu_epi8(lanes, bytes - n);
  }
  const AVX512Tables tables = MakeAVX512Tables();
  const __m512i errors = _mm512_load_si512(carry.errors);
  _mm512_store_si512(carry.errors,
                     _mm512_or_si512(errors, Errors64(previous[0], previous[1], previous[2],
                                                      previous[3], tables)));
  _mm512_store_si512(carry.incomplete, _mm512_subs_epu8(previous[0], tables.last_allowed));
}

QEVA_AVX512_FUNCTION bool AVX512UTF8Check::Failed(const UTF8CheckCarry& carry, bool at_end) {
  __m512i errors = _mm512_load_si512(carry.errors);
  if (at_end) {
    errors = _mm512_or_si512(errors, _mm512_load_si512(carry.incomplete));
  }
  return _mm512_test_epi64_mask(errors, errors) != 0;
}

}  // namespace Foundation::internal
#endif
