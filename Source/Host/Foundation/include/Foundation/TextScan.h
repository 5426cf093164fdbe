#ifndef QEVA_HOST_FOUNDATION_TEXTSCAN_H_
#define QEVA_HOST_FOUNDATION_TEXTSCAN_H_

#include <cstddef>
#include <string>
#include <string_view>

// Scans over text that the plugin hands to Dart or writes to its log. Ad markup is hundreds
// of bytes and mostly plain ASCII, so each scan tests many bytes at a time and looks at
// single bytes only near the byte that stops it.
namespace Foundation {

// How many bytes the UTF-8 checks test at once. Every width gives the same answers; the
// widest this CPU runs is the one used, the others stay for comparison.
enum class ScanWidth {
  kWord = 8,     // Plain C++ on 64-bit words: every CPU.
  kSSE2 = 16,    // Every x86-64 CPU.
  kAVX2 = 32,    // Chosen at run time, where the CPU and the OS have it.
  kAVX512 = 64,  // The same, on CPUs that run it at full speed.
};

// The widest width this CPU runs.
ScanWidth WidestScanWidth();

// The length of |text|'s leading run of bytes that every escaper writes as they are:
// printable ASCII, 0x20 to 0x7e, other than '"' and '\\'.
size_t PlainASCIIPrefixLength(std::string_view text);

// Appends |text| to |out|: runs of plain bytes (see PlainASCIIPrefixLength) as they are, every
// other byte through |escape(byte, out)|. Each output dialect (log line, JSON, transcript) is
// one small |escape| over this scan.
template <class Escape>
void AppendEscaped(std::string_view text, std::string& out, const Escape& escape) {
  while (!text.empty()) {
    const size_t plain = PlainASCIIPrefixLength(text);
    out.append(text.data(), plain);
    if (plain == text.size()) {
      return;
    }
    escape(static_cast<unsigned char>(text[plain]), out);
    text.remove_prefix(plain + 1);
  }
}

// |text| in double quotes with C's escapes: \" \\ \n \t, \xNN for the other control bytes
// below 0x20; every other byte as it is. How transcripts and test failures show a string.
void AppendCQuoted(std::string_view text, std::string& out);

// The length of the well-formed UTF-8 sequence that starts at |text|[|at|], or 0 when none
// does: no overlong forms, no surrogates, nothing past U+10FFFF, nothing cut short. An ASCII
// byte is a sequence of 1.
size_t UTF8SequenceLength(std::string_view text, size_t at);

// True when the whole of |text| is well-formed UTF-8, the only text Dart's codec decodes.
bool IsValidUTF8(std::string_view text);
// The same, |width| bytes at a time, or as wide as this CPU runs when that is narrower.
bool IsValidUTF8(std::string_view text, ScanWidth width);

// How many bytes AppendValidUTF8 checks at a time before it copies them: as much as the
// first-level cache of current CPUs holds.
inline constexpr size_t kUTF8CheckStretch = 32 * 1024;

// Appends |text| to |out| and returns whether it is well-formed UTF-8, reading |text| once
// from memory: a stretch at a time is checked, then copied while it is in the cache.
// When it returns false, |out| holds some unspecified part of |text| after what it held.
bool AppendValidUTF8(std::string_view text, std::string& out);
bool AppendValidUTF8(std::string_view text, std::string& out, ScanWidth width);

}  // namespace Foundation

#endif  // QEVA_HOST_FOUNDATION_TEXTSCAN_H_
