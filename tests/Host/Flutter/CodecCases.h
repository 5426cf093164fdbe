#ifndef QEVA_TESTS_HOST_FLUTTER_CODECCASES_H_
#define QEVA_TESTS_HOST_FLUTTER_CODECCASES_H_

// Wire vectors and hostile messages shared by the tests of the plain serializer and of the
// serializer-subclass path: both must agree on every row.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "TestBytes.h"
#include "ValuePrinter.h"
#include "flutter/encodable_value.h"
#include "flutter/standard_codec_serializer.h"

namespace qeva_test {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;

inline EncodableValue List(EncodableList list) {
  return EncodableValue(std::move(list));
}
inline EncodableValue Map(EncodableMap map) {
  return EncodableValue(std::move(map));
}

constexpr double kPi = 3.14159265358979311599796346854;

struct WireRow {
  const char* name;
  EncodableValue value;
  std::string hex;
};

inline std::vector<WireRow> ValueRows() {
  return {
      {"null", EncodableValue(), "00"},
      {"true", EncodableValue(true), "01"},
      {"false", EncodableValue(false), "02"},
      {"int32", EncodableValue(int32_t{0x12345678}), "03 78 56 34 12"},
      {"int64", EncodableValue(int64_t{0x1234567890abcdef}), "04 ef cd ab 90 78 56 34 12"},
      {"small int64 stays int64", EncodableValue(int64_t{5}), "04 05 00 00 00 00 00 00 00"},
      {"double", EncodableValue(kPi), "06 00 00 00 00 00 00 00 18 2d 44 54 fb 21 09 40"},
      {"string", EncodableValue("hello world"), "07 0b 68 65 6c 6c 6f 20 77 6f 72 6c 64"},
      {"empty string", EncodableValue(""), "07 00"},
      {"three-byte character", EncodableValue("h\u263Aw"), "07 05 68 e2 98 ba 77"},
      {"four-byte character", EncodableValue("h\U0001F602w"), "07 06 68 f0 9f 98 82 77"},
      {"list",
       List({EncodableValue(), EncodableValue("hello"), EncodableValue(3.14), EncodableValue(47),
             List({EncodableValue(42), EncodableValue("nested")})}),
       "0c 05 00 07 05 68 65 6c 6c 6f 06 00 00 00 00 00 1f 85 eb 51 b8 1e 09 40 03 2f 00 00 00 "
       "0c 02 03 2a 00 00 00 07 06 6e 65 73 74 65 64"},
      {"empty list", List({}), "0c 00"},
      // Keys go out in EncodableValue order: null, then double, then strings.
      {"map",
       Map({{EncodableValue("a"), EncodableValue(3.14)},
            {EncodableValue("b"), EncodableValue(47)},
            {EncodableValue(), EncodableValue()},
            {EncodableValue(3.14), List({EncodableValue("nested")})}}),
       "0d 04 00 00 06 00 00 00 1f 85 eb 51 b8 1e 09 40 0c 01 07 06 6e 65 73 74 65 64 "
       "07 01 61 06 00 00 1f 85 eb 51 b8 1e 09 40 07 01 62 03 2f 00 00 00"},
      {"uint8 list", EncodableValue(std::vector<uint8_t>{0xba, 0x5e, 0xba, 0x11}),
       "08 04 ba 5e ba 11"},
      {"int32 list", EncodableValue(std::vector<int32_t>{0x12345678, -1, 0}),
       "09 03 00 00 78 56 34 12 ff ff ff ff 00 00 00 00"},
      {"int64 list", EncodableValue(std::vector<int64_t>{0x1234567890abcdef, -1}),
       "0a 02 00 00 00 00 00 00 ef cd ab 90 78 56 34 12 ff ff ff ff ff ff ff ff"},
      {"float32 list", EncodableValue(std::vector<float>{3.1415920257568359375f, 1000.0f}),
       "0e 02 00 00 d8 0f 49 40 00 00 7a 44"},
      {"float64 list", EncodableValue(std::vector<double>{kPi, 1000.0}),
       "0b 02 00 00 00 00 00 00 18 2d 44 54 fb 21 09 40 00 00 00 00 00 40 8f 40"},
      // Dart pads before every typed list, even an empty one; so must we, or the next value
      // lands where a Dart reader does not look for it.
      {"empty int32 list at an odd offset",
       List({EncodableValue("a"), EncodableValue(std::vector<int32_t>{}), EncodableValue(5)}),
       "0c 03 07 01 61 09 00 00 03 05 00 00 00"},
      {"empty int64 list", List({EncodableValue(std::vector<int64_t>{})}),
       "0c 01 0a 00 00 00 00 00"},
      {"empty float64 list", List({EncodableValue("a"), EncodableValue(std::vector<double>{})}),
       "0c 02 07 01 61 0b 00 00"},
      {"empty float32 list", List({EncodableValue("a"), EncodableValue(std::vector<float>{})}),
       "0c 02 07 01 61 0e 00 00"},
      {"empty uint8 list is never padded", List({EncodableValue(std::vector<uint8_t>{})}),
       "0c 01 08 00"},
  };
}

// Hostile input: each row must be rejected whole, never crash, never read out of bounds (the
// sanitizer build checks that: every row is a buffer of exactly its own size).
struct BadRow {
  std::string name;
  std::vector<uint8_t> bytes;
};

inline std::vector<uint8_t> Nested(int depth) {
  std::vector<uint8_t> bytes;
  for (int i = 1; i < depth; ++i) {
    bytes.insert(bytes.end(), {0x0c, 0x01});
  }
  bytes.insert(bytes.end(), {0x0c, 0x00});
  return bytes;
}

inline std::vector<BadRow> TruncationsOf(const std::string& name, const std::vector<uint8_t>& whole,
                                         size_t shortest) {
  std::vector<BadRow> rows;
  for (size_t length = shortest; length < whole.size(); ++length) {
    rows.push_back({name + " cut to " + std::to_string(length),
                    std::vector<uint8_t>(whole.begin(), whole.begin() + length)});
  }
  return rows;
}

// |encode| writes the map whose truncations are added.
template <class Encode>
std::vector<BadRow> BadValues(const Encode& encode) {
  std::vector<BadRow> rows = {
      {"unknown type 15", Hex("0f")},
      {"unknown type 127", Hex("7f")},
      {"custom type without an extension", Hex("80 00")},
      {"unknown type inside a list", Hex("0c 02 00 ff")},
      {"string claiming 2 GiB", Hex("07 ff ff ff ff 7f 61 62 63 64")},
      {"bytes claiming 4 GiB", Hex("08 ff ff ff ff ff 00")},
      {"list claiming 4 billion values", Hex("0c ff ff ff ff ff 00 00 00")},
      {"list one value longer than its bytes", Hex("0c 04 00 00 00")},
      {"map claiming more pairs than bytes", Hex("0d 03 00 00 00 00 00")},
      {"int64 list claiming 2^29 values", Hex("0a ff 00 00 00 20 00 00 00 00 00 00 00 00")},
      {"float32 list one element short", Hex("0e 02 00 00 00 00 80 3f")},
      {"string size past the end", Hex("07 05 61 62")},
      {"invalid byte 0xff", Hex("07 01 ff")},
      {"lone continuation byte", Hex("07 01 80")},
      {"overlong slash", Hex("07 02 c0 af")},
      {"overlong three-byte form", Hex("07 03 e0 80 af")},
      {"surrogate half", Hex("07 03 ed a0 80")},
      {"past U+10FFFF", Hex("07 04 f4 90 80 80")},
      {"character cut by the size", Hex("07 02 e2 98 ba")},
      {"bad byte after an ASCII run",
       Concat(Hex("07 22"), Concat(std::vector<uint8_t>(33, 'a'), Hex("fe")))},
      {"legacy large int with bad UTF-8", Hex("05 01 ff")},
      {"one level too deep", Nested(flutter::StandardCodecSerializer::kMaxNestingDepth + 1)},
      {"trailing byte", Hex("00 00")},
      {"trailing value", Hex("03 01 00 00 00 01")},
  };
  for (auto& row : TruncationsOf("list",
                                 Hex("0c 05 00 07 05 68 65 6c 6c 6f 06 00 00 00 00 00 1f "
                                     "85 eb 51 b8 1e 09 40 03 2f 00 00 00 0c 02 03 2a 00 00 "
                                     "00 07 06 6e 65 73 74 65 64"),
                                 1)) {
    rows.push_back(std::move(row));
  }
  for (auto& row : TruncationsOf("int64 list",
                                 Hex("0a 02 00 00 00 00 00 00 ef cd ab 90 78 56 34 "
                                     "12 ff ff ff ff ff ff ff ff"),
                                 1)) {
    rows.push_back(std::move(row));
  }
  for (auto& row :
       TruncationsOf("map", encode(Map({{EncodableValue("k"), EncodableValue(int64_t{7})}})), 1)) {
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace qeva_test

#endif  // QEVA_TESTS_HOST_FLUTTER_CODECCASES_H_
