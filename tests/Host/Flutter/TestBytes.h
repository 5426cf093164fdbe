#ifndef QEVA_TESTS_HOST_FLUTTER_TESTBYTES_H_
#define QEVA_TESTS_HOST_FLUTTER_TESTBYTES_H_

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace qeva_test {

// "03 2a 00" -> {0x03, 0x2a, 0x00}; spaces are ignored.
inline std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> bytes;
  std::string digits;
  for (char c : text) {
    if (c != ' ') {
      digits.push_back(c);
    }
  }
  if (digits.size() % 2 != 0) {
    throw std::invalid_argument("odd number of hex digits: " + text);
  }
  for (size_t i = 0; i < digits.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

inline std::string ToHex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char digits[4];
  for (uint8_t byte : bytes) {
    std::snprintf(digits, sizeof(digits), text.empty() ? "%02x" : " %02x", byte);
    text += digits;
  }
  return text;
}

inline std::vector<uint8_t> Concat(std::vector<uint8_t> head, const std::vector<uint8_t>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

}  // namespace qeva_test

#endif  // QEVA_TESTS_HOST_FLUTTER_TESTBYTES_H_
