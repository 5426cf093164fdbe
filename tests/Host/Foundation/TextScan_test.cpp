#include "Foundation/TextScan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

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

// The transcript dialect: plain runs as they are, C escapes for the rest, and every other byte
// (0x7f, UTF-8) as it came, whether it sits in a plain run's first word or after it.
TEST(TextScanTest, CQuotedEscapesOnlyQuotesBackslashesAndControlBytes) {
  struct Case {
    std::string text;
    const char* quoted;
  };
  const Case kCases[] = {
      {"", "\"\""},
      {"plain text, longer than one word", "\"plain text, longer than one word\""},
      {"say \"hi\"\\", "\"say \\\"hi\\\"\\\\\""},
      {"a\nb\tc\rd", "\"a\\nb\\tc\\x0dd\""},
      {std::string("\0\x1f\x7f\xc3\xa9 \xff", 7), "\"\\x00\\x1f\x7f\xc3\xa9 \xff\""},
      {"0123456789abcdef\x01", "\"0123456789abcdef\\x01\""},
  };
  for (const Case& c : kCases) {
    std::string out = "kept ";
    Foundation::AppendCQuoted(c.text, out);
    EXPECT_EQ(out, std::string("kept ") + c.quoted);
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

// Decodes every sequence to its code point: an answer found another way than the scans'.
bool ReferenceIsValidUTF8(const std::string& text) {
  size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = 1;
    char32_t code_point = lead;
    char32_t least = 0;
    if (lead >= 0x80) {
      if ((lead & 0xe0) == 0xc0) {
        length = 2, code_point = lead & 0x1f, least = 0x80;
      } else if ((lead & 0xf0) == 0xe0) {
        length = 3, code_point = lead & 0x0f, least = 0x800;
      } else if ((lead & 0xf8) == 0xf0) {
        length = 4, code_point = lead & 0x07, least = 0x10000;
      } else {
        return false;
      }
    }
    if (text.size() - at < length) {
      return false;
    }
    for (size_t i = 1; i < length; ++i) {
      const auto byte = static_cast<unsigned char>(text[at + i]);
      if ((byte & 0xc0) != 0x80) {
        return false;
      }
      code_point = code_point << 6 | (byte & 0x3f);
    }
    if (code_point < least || code_point > 0x10ffff ||
        (code_point >= 0xd800 && code_point <= 0xdfff)) {
      return false;
    }
    at += length;
  }
  return true;
}

constexpr Foundation::ScanWidth kWidths[] = {
    Foundation::ScanWidth::kWord, Foundation::ScanWidth::kSSE2, Foundation::ScanWidth::kAVX2,
    Foundation::ScanWidth::kAVX512};

// Every width, both as a check and as a copy, against the reference; stops at the first
// disagreement.
void ExpectEveryWidthAgrees(const std::string& text) {
  const bool valid = ReferenceIsValidUTF8(text);
  for (Foundation::ScanWidth width : kWidths) {
    ASSERT_EQ(Foundation::IsValidUTF8(text, width), valid)
        << "width " << static_cast<int>(width) << ", " << text.size() << " bytes";
    std::string out = "kept";
    ASSERT_EQ(Foundation::AppendValidUTF8(text, out, width), valid)
        << "width " << static_cast<int>(width) << ", " << text.size() << " bytes";
    if (valid) {
      ASSERT_EQ(out, "kept" + text) << "width " << static_cast<int>(width);
    }
  }
}

// One byte of each class the checks tell apart, at both edges of the class where it has two.
const unsigned char kByteClasses[] = {
    0x00, 0x41, 0x7f,                    // ASCII
    0x80, 0x8f, 0x90, 0x9f, 0xa0, 0xbf,  // continuations, as the second bytes split them
    0xc0, 0xc1, 0xc2, 0xdf,              // two-byte leads, overlong ones first
    0xe0, 0xe1, 0xec, 0xed, 0xee, 0xef,  // three-byte leads, E0 and ED with narrower seconds
    0xf0, 0xf1, 0xf3, 0xf4,              // four-byte leads, F0 and F4 with narrower seconds
    0xf5, 0xf8, 0xff,                    // never in UTF-8
};

// Every run of up to three byte classes, and four-byte runs after the leads of four that
// differ, inside ASCII and inside two- and three-byte text, starting on either side of the
// 16-, 32-, 64- and 256-byte block edges and running into the end of the text.
TEST(TextScanTest, EveryWidthAgreesOnEveryByteClassAtEveryBlockEdge) {
  std::vector<std::string> runs;
  for (unsigned char a : kByteClasses) {
    runs.emplace_back(1, static_cast<char>(a));
    for (unsigned char b : kByteClasses) {
      runs.push_back({static_cast<char>(a), static_cast<char>(b)});
      for (unsigned char c : kByteClasses) {
        runs.push_back({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
      }
    }
  }
  // After the second byte only continuation or not matters: ASCII, both ends of the
  // continuations, a lead.
  const unsigned char kLaterBytes[] = {0x41, 0x80, 0xbf, 0xc2, 0xf0};
  for (unsigned char a : {0xf0, 0xf1, 0xf4, 0xf5}) {
    for (unsigned char b : kByteClasses) {
      for (unsigned char c : kLaterBytes) {
        for (unsigned char d : kLaterBytes) {
          runs.push_back({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c),
                          static_cast<char>(d)});
        }
      }
    }
  }
  const std::string kFillers[] = {"a", "\xc3\xa9", "\xe2\x82\xac"};
  for (const std::string& filler : kFillers) {
    SCOPED_TRACE("filler " + filler);
    // Whole fillers before the run, its start near an edge; the run's index picks the edge.
    const size_t kStarts[] = {15, 31, 32, 61, 62, 63, 64, 126, 318, 320};
    for (size_t i = 0; i < runs.size(); ++i) {
      const size_t start = kStarts[(i + filler.size()) % 10] / filler.size();
      std::string before;
      for (size_t k = 0; k < start; ++k) {
        before += filler;
      }
      ExpectEveryWidthAgrees(before + runs[i] + filler + filler + "tail");
      ExpectEveryWidthAgrees(before + runs[i]);
      if (HasFailure()) {
        return;
      }
    }
  }
}

// Random texts of byte classes, mostly well-formed, of every length up to a few blocks, and
// sequences across the edges of the stretches that AppendValidUTF8 copies one at a time.
TEST(TextScanTest, EveryWidthAgreesOnRandomTextsAndAcrossStretches) {
  const std::string kCharacters[] = {
      "a", " ", "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "\xed\x9f\xbf", "\xf4\x8f\xbf\xbf"};
  std::mt19937 random(11);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const size_t length = random() % 200;
    while (text.size() < length) {
      text += random() % 16 == 0 ? std::string(1, static_cast<char>(kByteClasses[random() % 26]))
                                 : kCharacters[random() % 7];
    }
    ExpectEveryWidthAgrees(text);
    if (HasFailure()) {
      return;
    }
  }
  // The vector checks test 256 bytes at a time for ASCII after the text's first 64, and
  // AppendValidUTF8 starts a new run of them with each stretch.
  constexpr size_t kStretch = Foundation::kUTF8CheckStretch;
  for (size_t edge : {size_t{64 + 256}, size_t{64 + 512}, kStretch, kStretch + 256}) {
    for (size_t shift = 0; shift < 4; ++shift) {
      for (const char* inserted : {"\xf0\x9f\x98\x80", "\xe2\x82", "\xbf", "\xc3"}) {
        std::string text(edge - shift, 'x');
        text += inserted;
        text += std::string(300, 'y');
        ExpectEveryWidthAgrees(text);
        ExpectEveryWidthAgrees(text.substr(0, edge - shift + std::strlen(inserted)));
      }
    }
  }
}

}  // namespace
