#ifndef QEVA_HOST_FOUNDATION_TEXTSCAN_H_
#define QEVA_HOST_FOUNDATION_TEXTSCAN_H_

#include <cstddef>
#include <string_view>

// Scans over text that the plugin hands to Dart or writes to its log. Ad markup is hundreds
// of bytes and mostly plain ASCII, so each scan tests eight bytes at a time and looks at
// single bytes only near the byte that stops it.
namespace Foundation {

// The length of |text|'s leading run of bytes that every escaper writes as they are:
// printable ASCII, 0x20 to 0x7e, other than '"' and '\\'.
size_t PlainASCIIPrefixLength(std::string_view text);

// The length of the well-formed UTF-8 sequence that starts at |text|[|at|], or 0 when none
// does: no overlong forms, no surrogates, nothing past U+10FFFF, nothing cut short. An ASCII
// byte is a sequence of 1.
size_t UTF8SequenceLength(std::string_view text, size_t at);

// True when the whole of |text| is well-formed UTF-8, the only text Dart's codec decodes.
bool IsValidUTF8(std::string_view text);

}  // namespace Foundation

#endif  // QEVA_HOST_FOUNDATION_TEXTSCAN_H_
