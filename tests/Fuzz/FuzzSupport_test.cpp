// The pieces the fuzz targets' verdicts rest on: the UTF-8 check that decides what the display
// and GAM markup targets expect, and the channels target's script reader.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ChannelScript.h"
#include "FuzzSupport.h"

namespace {

using qeva_fuzz::IsValidUtf8;
using qeva_fuzz::channels::ScriptReader;
using qeva_fuzz::channels::ScriptWriter;
using Bytes = std::vector<uint8_t>;

TEST(FuzzSupport, Utf8CheckFollowsUnicode) {
  struct Row {
    const char* name;
    std::string text;
    bool valid;
  };
  const Row rows[] = {
      {"empty", "", true},
      {"ascii with NUL", std::string("a\0b", 3), true},
      {"two bytes", "\xC3\xA9", true},
      {"three bytes", "\xE2\x98\xBA", true},
      {"four bytes", "\xF0\x9F\x98\x82", true},
      {"largest code point", "\xF4\x8F\xBF\xBF", true},
      {"overlong two bytes", "\xC0\x80", false},
      {"overlong three bytes", "\xE0\x80\xAF", false},
      {"overlong four bytes", "\xF0\x8F\xBF\xBF", false},
      {"surrogate", "\xED\xA0\x80", false},
      {"past U+10FFFF", "\xF4\x90\x80\x80", false},
      {"lone continuation", "a\x80", false},
      {"cut short", "\xE2\x98", false},
      {"latin-1", "caf\xE9", false},
      {"lead byte F8", "\xF8\x88\x80\x80\x80", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IsValidUtf8(row.text), row.valid);
  }
}

// Every step the writer makes comes back from the reader with its operands, blobs of any
// size included.
TEST(FuzzSupport, ScriptReaderReadsWhatTheWriterWrote) {
  const Bytes message = {0x07, 0x01, 0x61, 0x00};
  const std::string long_markup(300, 'm');
  ScriptWriter writer;
  writer.Raw(2, message).Advance(7).InventoryAd(3, 0, 9, long_markup).Drain();

  ScriptReader reader(writer.bytes().data(), writer.bytes().size());
  EXPECT_EQ(reader.Byte(), qeva_fuzz::channels::kRawToUser);
  EXPECT_EQ(reader.Blob(), message);
  EXPECT_EQ(reader.Byte(), qeva_fuzz::channels::kAdvance);
  EXPECT_EQ(reader.Byte(), 7);
  EXPECT_EQ(reader.Byte(), qeva_fuzz::channels::kInventoryAd);
  EXPECT_EQ(reader.Byte(), 3);
  EXPECT_EQ(reader.Byte(), 0);
  EXPECT_EQ(reader.Byte(), 9);
  EXPECT_EQ(reader.Blob(), Bytes(long_markup.begin(), long_markup.end()));
  EXPECT_EQ(reader.Byte(), qeva_fuzz::channels::kDrain);
  EXPECT_TRUE(reader.done());
}

// A fuzzer cuts inputs anywhere: a blob longer than what is left gives what is left, and
// operands past the end read as 0.
TEST(FuzzSupport, ScriptReaderReadsPastTheEndAsZerosAndShortBlobs) {
  const Bytes script = {qeva_fuzz::channels::kRawToManager, 10, 0xAA, 0xBB};
  ScriptReader reader(script.data(), script.size());
  EXPECT_EQ(reader.Byte(), qeva_fuzz::channels::kRawToManager);
  EXPECT_EQ(reader.Blob(), (Bytes{0xAA, 0xBB}));
  EXPECT_TRUE(reader.done());
  EXPECT_EQ(reader.Byte(), 0);
  EXPECT_EQ(reader.Blob(), Bytes());

  const Bytes escaped = {255, 0x02};  // A two-byte size cut after its first byte.
  ScriptReader cut(escaped.data(), escaped.size());
  EXPECT_EQ(cut.Blob(), Bytes());
  EXPECT_TRUE(cut.done());
}

}  // namespace
