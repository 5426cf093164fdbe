#include "Foundation/TextScan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "Foundation/AppendBytes.h"
#include "UTF8BlockCheck.h"

#ifdef QEVA_TEXT_SIMD
#include <emmintrin.h>
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

// The UTF-8 checks hand the text on a stretch of kUTF8CheckStretch bytes at a time, once
// checked, so that AppendValidUTF8 copies each stretch while it is still in the first-level
// cache: the text is read once from the second-level cache or memory, and the copy reads it
// again from the first.

// Texts shorter than this are checked with words, whatever the width asked for.
constexpr size_t kShortText = 64;

// Takes the text's stretches once they are checked.
struct Discard {
  void operator()(const char*, size_t) const {}
};

struct AppendTo {
  std::string& out;
  void operator()(const char* bytes, size_t size) const { AppendBytes(out, bytes, size); }
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
    const size_t stretch_end = std::min(text.size(), at + kUTF8CheckStretch);
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
// The text through |Check|'s 64-byte blocks, a stretch at a time.
template <class Check, class Sink>
bool CheckBlocks(std::string_view text, const Sink& sink) {
  internal::UTF8CheckCarry carry;
  size_t at = 0;
  while (at < text.size()) {
    const size_t size = std::min(text.size() - at, kUTF8CheckStretch);
    const char* stretch = text.data() + at;
    size_t checked = 0;
    if (at == 0) {
      // Nothing before the text's first block to read.
      checked = std::min<size_t>(size, 64);
      Check::Part(stretch, checked, 0, carry);
    }
    const size_t whole = (size - checked) / 64 * 64;
    Check::Blocks(stretch + checked, whole, carry);
    checked += whole;
    if (checked < size) {
      Check::Part(stretch + checked, size - checked, 3, carry);
    }
    if (Check::Failed(carry, false)) {
      return false;
    }
    sink(stretch, size);
    at += size;
  }
  return !Check::Failed(carry, true);
}
#endif

ScanWidth DetectWidestScanWidth() {
#ifdef QEVA_TEXT_SIMD
  if (internal::AVX512UTF8Check::Supported()) {
    return ScanWidth::kAVX512;
  }
  return internal::AVX2UTF8Check::Supported() ? ScanWidth::kAVX2 : ScanWidth::kSSE2;
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
  // Most of the plugin's strings (names, keys, ids) are shorter than one vector block, and
  // words check them sooner than the setting up of a vector check would.
  if (text.size() < kShortText) {
    width = ScanWidth::kWord;
  }
  switch (width) {
#ifdef QEVA_TEXT_SIMD
    case ScanWidth::kAVX512:
      return CheckBlocks<internal::AVX512UTF8Check>(text, sink);
    case ScanWidth::kAVX2:
      return CheckBlocks<internal::AVX2UTF8Check>(text, sink);
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
