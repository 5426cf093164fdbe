#include "Foundation/TextScan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// The byte-at-a-time answer the word-at-a-time scan must give.
size_t ReferencePlainPrefix(const std::string& text) {
  size_t at = 0;
  while (at < text.size()) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x20 || byte > 0x7e || byte == '"' || byte == '\\') {
      break;
    }
    ++at;
  }
  return at;
}

// Every byte value at every offset of the first two words and the tail after them: the scan
// stops exactly at the first byte that is not plain, whichever lane of a word it is in.
TEST(TextScanTest, PlainPrefixStopsAtTheFirstByteThatNeedsCare) {
  for (int value = 0; value < 256; ++value) {
    for (size_t offset = 0; offset < 19; ++offset) {
      std::string text(19, 'a');
      text[offset] = static_cast<char>(value);
      ASSERT_EQ(Foundation::PlainASCIIPrefixLength(text), ReferencePlainPrefix(text))
          << "byte 0x" << std::hex << value << " at " << std::dec << offset;
    }
  }
}

// Bytes that sit next to the stop values (0x1f/0x20, 0x21/0x22/0x23, 0x7e/0x7f/0x80), where a
// borrow between lanes could hide or invent a stop.
TEST(TextScanTest, PlainPrefixMatchesTheByteLoopOnRandomNeighbourBytes) {
  const unsigned char kBytes[] = {0x00, 0x01, 0x1f, 0x20, 0x21, 0x22, 0x23, 0x5b,
                                  0x5c, 0x5d, 0x61, 0x7e, 0x7f, 0x80, 0xc3, 0xff};
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    std::string text(random() % 40, 'a');
    for (char& c : text) {
      // Mostly plain, so that runs cross several words before they stop.
      c = random() % 8 == 0 ? static_cast<char>(kBytes[random() % 16]) : 'a' + random() % 26;
    }
    ASSERT_EQ(Foundation::PlainASCIIPrefixLength(text), ReferencePlainPrefix(text)) << text;
  }
}

TEST(TextScanTest, UTF8AtEveryOffsetOfTheWordScan) {
  struct Case {
    const char* bytes;
    bool valid;
  };
  const Case kCases[] = {
      {"\xc3\xa9", true},
      {"\xe2\x82\xac", true},
      {"\xf0\x9f\x98\x80", true},
      {"\xf4\x8f\xbf\xbf", true},
      {"\x80", false},
      {"\xc0\xaf", false},
      {"\xc3", false},
      {"\xe0\x9f\xbf", false},
      {"\xed\xa0\x80", false},
      {"\xf0\x8f\xbf\xbf", false},
      {"\xf4\x90\x80\x80", false},
      {"\xf5\x80\x80\x80", false},
      {"\xe2\x82", false},
      {"\xe2\x28\xac", false},
      {"\xff", false},
  };
  for (const Case& c : kCases) {
    for (size_t offset = 0; offset <= 17; ++offset) {
      std::string text = std::string(offset, 'x') + c.bytes + std::string(17 - offset, 'y');
      EXPECT_EQ(Foundation::IsValidUTF8(text), c.valid) << offset << " " << text;
    }
    // At the very end, where a cut sequence runs out of text.
    EXPECT_EQ(Foundation::IsValidUTF8(std::string(9, 'x') + c.bytes), c.valid);
  }
  EXPECT_TRUE(Foundation::IsValidUTF8(""));
  EXPECT_TRUE(Foundation::IsValidUTF8(std::string("\0\x7f", 2)));
}

}  // namespace
