#include "Foundation/LogText.h"

#include "Foundation/TextScan.h"

namespace Foundation {

namespace {

// The escape of a byte that is not written as it is: its letter after the backslash, or 0
// when it is written as "\u{hex}".
char EscapeLetter(unsigned char byte) {
  switch (byte) {
    case '"':
    case '\\':
      return static_cast<char>(byte);
    case '\n':
      return 'n';
    case '\r':
      return 'r';
    case '\t':
      return 't';
    case '\0':
      return '0';
    default:
      return 0;
  }
}

void AppendQuoted(std::string& out, std::string_view text) {
  static const char kHexDigits[] = "0123456789abcdef";
  out += '"';
  while (!text.empty()) {
    // Ad markup is mostly plain ASCII: copied a run at a time.
    const size_t plain = PlainASCIIPrefixLength(text);
    out.append(text.data(), plain);
    text.remove_prefix(plain);
    if (text.empty()) {
      break;
    }
    const auto byte = static_cast<unsigned char>(text.front());
    text.remove_prefix(1);
    if (const char escape = EscapeLetter(byte); escape != 0) {
      out += '\\';
      out += escape;
    } else if (byte >= 0x80) {
      out += static_cast<char>(byte);
    } else {
      out += "\\u{";
      if (byte >= 0x10) {
        out += kHexDigits[byte >> 4];
      }
      out += kHexDigits[byte & 0xf];
      out += '}';
    }
  }
  out += '"';
}

}  // namespace

void AppendDictionaryDescription(std::string& out, std::initializer_list<StringEntry> entries) {
  // Room for the texts as they are; only escapes grow beyond it.
  size_t size = out.size() + 2;
  for (const auto& [key, value] : entries) {
    size += key.size() + value.size() + 8;
  }
  out.reserve(size);
  out += '[';
  const char* separator = "";
  for (const auto& [key, value] : entries) {
    out += separator;
    AppendQuoted(out, key);
    out += ": ";
    AppendQuoted(out, value);
    separator = ", ";
  }
  out += ']';
}

}  // namespace Foundation
