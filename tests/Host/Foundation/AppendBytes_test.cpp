#include "Foundation/AppendBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Bytes that show a piece lost, doubled or out of place.
std::string Numbered(size_t size) {
  std::string text;
  for (size_t i = 0; text.size() < size; ++i) {
    text += std::to_string(i) + ',';
  }
  text.resize(size);
  return text;
}

// Both ways of copying, into both kinds of buffer, for sizes around the piece size, after
// bytes already there.
TEST(AppendBytesTest, EveryWayOfCopyingKeepsTheBytesInOrder) {
  const size_t piece = Foundation::internal::kCopyPiece;
  for (size_t size : {size_t{0}, size_t{1}, piece, piece + 1, 3 * piece - 1, 5 * piece + 7}) {
    const std::string text = Numbered(size);
    std::string into_string = "kept";
    into_string.reserve(4 + size);
    Foundation::AppendBytes(into_string, text.data(), size);
    EXPECT_EQ(into_string, "kept" + text) << size;

    std::string in_pieces = "kept";
    Foundation::internal::AppendInPieces(in_pieces, text.data(), size);
    EXPECT_EQ(in_pieces, "kept" + text) << size;

    const std::vector<uint8_t> bytes(text.begin(), text.end());
    std::vector<uint8_t> into_vector = {1, 2};
    into_vector.reserve(2 + size);
    Foundation::AppendBytes(into_vector, bytes.data(), size);
    std::vector<uint8_t> in_vector_pieces = {1, 2};
    Foundation::internal::AppendInPieces(in_vector_pieces, bytes.data(), size);
    std::vector<uint8_t> expected = {1, 2};
    expected.insert(expected.end(), bytes.begin(), bytes.end());
    EXPECT_EQ(into_vector, expected) << size;
    EXPECT_EQ(in_vector_pieces, expected) << size;
  }
}

}  // namespace
