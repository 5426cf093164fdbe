#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <utility>

namespace qeva_fuzz {

namespace {

FailureHandler& Handler() {
  static FailureHandler* handler = new FailureHandler();
  return *handler;
}

}  // namespace

void SetFailureHandler(FailureHandler handler) {
  Handler() = std::move(handler);
}

bool Check(bool holds, const std::string& what) {
  if (holds) {
    return true;
  }
  if (Handler()) {
    Handler()(what);
    return false;
  }
  std::fprintf(stderr, "qeva fuzz property broken: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

bool CheckInput(bool holds, const char* what, const uint8_t* data, size_t size) {
  if (holds) {
    return true;
  }
  return Check(false, std::string(what) + " (input " + Hex(data, size) + ")");
}

bool IsValidUtf8(const std::string& text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const size_t size = text.size();
  size_t i = 0;
  while (i < size) {
    const unsigned char lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t length = 0;
    uint32_t code_point = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2;
      code_point = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      code_point = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      code_point = lead & 0x07;
    } else {
      return false;
    }
    if (size - i < length) {
      return false;
    }
    for (size_t k = 1; k < length; ++k) {
      if ((bytes[i + k] & 0xC0) != 0x80) {
        return false;
      }
      code_point = (code_point << 6) | (bytes[i + k] & 0x3F);
    }
    static const uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code_point < kSmallest[length] || code_point > 0x10FFFF ||
        (code_point >= 0xD800 && code_point <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

std::string Hex(const uint8_t* data, size_t size, size_t limit) {
  std::string text;
  char digits[4];
  for (size_t i = 0; i < size && i < limit; ++i) {
    std::snprintf(digits, sizeof(digits), i == 0 ? "%02x" : " %02x", data[i]);
    text += digits;
  }
  if (size > limit) {
    text += " ... (" + std::to_string(size) + " bytes)";
  }
  return text;
}

SilencedStream::SilencedStream(std::ostream& stream) : stream_(stream), saved_(stream.rdbuf()) {
  // A stream without a buffer sets badbit on each write and drops it.
  stream_.rdbuf(nullptr);
}

SilencedStream::~SilencedStream() {
  stream_.rdbuf(saved_);
  stream_.clear();
}

}  // namespace qeva_fuzz
