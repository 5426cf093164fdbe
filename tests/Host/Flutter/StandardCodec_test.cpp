// The standard codec against Flutter's wire format, byte for byte, and against hostile bytes.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CodecCases.h"
#include "LargestAllocation.h"
#include "TestBytes.h"
#include "flutter/encodable_value.h"
#include "flutter/method_result.h"
#include "flutter/standard_message_codec.h"
#include "flutter/standard_method_codec.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using flutter::MethodCall;
using flutter::StandardMessageCodec;
using flutter::StandardMethodCodec;
using qeva_test::BadRow;
using qeva_test::Concat;
using qeva_test::Hex;
using qeva_test::kPi;
using qeva_test::List;
using qeva_test::Map;
using qeva_test::Nested;
using qeva_test::ToHex;
using qeva_test::TruncationsOf;
using qeva_test::WireRow;

std::vector<uint8_t> Encode(const EncodableValue& value) {
  return *StandardMessageCodec::GetInstance().EncodeMessage(value);
}

std::unique_ptr<EncodableValue> Decode(const std::vector<uint8_t>& bytes) {
  return StandardMessageCodec::GetInstance().DecodeMessage(bytes);
}

// What a MethodResult was told, so envelope decoding can be checked as one value.
struct Outcome {
  enum Kind { kNone, kSuccess, kError, kNotImplemented } kind = kNone;
  int calls = 0;
  bool has_value = false;
  EncodableValue value;
  std::string code;
  std::string message;
};

class RecordingResult : public flutter::MethodResult<EncodableValue> {
 public:
  explicit RecordingResult(Outcome* outcome) : outcome_(outcome) {}

 protected:
  void SuccessInternal(const EncodableValue* result) override { Record(Outcome::kSuccess, result); }
  void ErrorInternal(const std::string& code, const std::string& message,
                     const EncodableValue* details) override {
    Record(Outcome::kError, details);
    outcome_->code = code;
    outcome_->message = message;
  }
  void NotImplementedInternal() override { Record(Outcome::kNotImplemented, nullptr); }

 private:
  void Record(Outcome::Kind kind, const EncodableValue* value) {
    outcome_->kind = kind;
    ++outcome_->calls;
    outcome_->has_value = value != nullptr;
    outcome_->value = value != nullptr ? *value : EncodableValue();
  }
  Outcome* outcome_;
};

Outcome DecodeEnvelope(const std::vector<uint8_t>& bytes, bool* accepted) {
  Outcome outcome;
  RecordingResult result(&outcome);
  *accepted = StandardMethodCodec::GetInstance().DecodeAndProcessResponseEnvelope(
      bytes.empty() ? nullptr : bytes.data(), bytes.size(), &result);
  return outcome;
}

TEST(StandardMessageCodec, EveryTypeMatchesTheWireFormatBothWays) {
  for (const WireRow& row : qeva_test::ValueRows()) {
    SCOPED_TRACE(row.name);
    std::vector<uint8_t> expected = Hex(row.hex);
    EXPECT_EQ(ToHex(Encode(row.value)), ToHex(expected));
    std::unique_ptr<EncodableValue> decoded = Decode(expected);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(*decoded, row.value);
    EXPECT_EQ(decoded->index(), row.value.index());
  }
}

TEST(StandardMessageCodec, SizesSwitchEncodingAt254And65536) {
  struct Row {
    size_t size;
    std::string header;  // after the type byte
  } rows[] = {{253, "fd"}, {254, "fe fe 00"}, {65535, "fe ff ff"}, {65536, "ff 00 00 01 00"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.size);
    std::vector<uint8_t> header = Hex(row.header);
    struct Shape {
      const char* name;
      uint8_t type;
      EncodableValue value;
      size_t payload;
    } shapes[] = {
        {"string", 0x07, EncodableValue(std::string(row.size, 'x')), row.size},
        {"bytes", 0x08, EncodableValue(std::vector<uint8_t>(row.size, 0xab)), row.size},
        {"list", 0x0c, List(EncodableList(row.size)), row.size},
    };
    for (const Shape& shape : shapes) {
      SCOPED_TRACE(shape.name);
      std::vector<uint8_t> bytes = Encode(shape.value);
      ASSERT_EQ(bytes.size(), 1 + header.size() + shape.payload);
      EXPECT_EQ(ToHex(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 1 + header.size())),
                ToHex(Concat({shape.type}, header)));
      std::unique_ptr<EncodableValue> decoded = Decode(bytes);
      ASSERT_NE(decoded, nullptr);
      EXPECT_EQ(*decoded, shape.value);
    }
  }
}

TEST(StandardMethodCodec, MethodCallsMatchTheWireFormatBothWays) {
  struct Row {
    const char* name;
    std::string method;
    std::unique_ptr<EncodableValue> arguments;
    std::string hex;
  };
  Row rows[] = {
      {"resize", "resize",
       std::make_unique<EncodableValue>(List({EncodableValue("flutter/test"), EncodableValue(3)})),
       "07 06 72 65 73 69 7a 65 0c 02 07 0c 66 6c 75 74 74 65 72 2f 74 65 73 74 03 03 00 00 00"},
      {"overflow", "overflow",
       std::make_unique<EncodableValue>(
           List({EncodableValue("flutter/test"), EncodableValue(true)})),
       "07 08 6f 76 65 72 66 6c 6f 77 0c 02 07 0c 66 6c 75 74 74 65 72 2f 74 65 73 74 01"},
      {"ad request", "AdRequest",
       std::make_unique<EncodableValue>(
           Map({{EncodableValue("tagId"), EncodableValue("abc123")},
                {EncodableValue("refreshRate"), EncodableValue("30")}})),
       "07 09 41 64 52 65 71 75 65 73 74 0d 02 07 0b 72 65 66 72 65 73 68 52 61 74 65 07 02 33 "
       "30 07 05 74 61 67 49 64 07 06 61 62 63 31 32 33"},
      {"no arguments go out as null", "ping", nullptr, "07 04 70 69 6e 67 00"},
      {"double aligned after the name", "d", std::make_unique<EncodableValue>(1.5),
       "07 01 64 06 00 00 00 00 00 00 00 00 00 00 f8 3f"},
  };
  const StandardMethodCodec& codec = StandardMethodCodec::GetInstance();
  for (Row& row : rows) {
    SCOPED_TRACE(row.name);
    EncodableValue expected_arguments = row.arguments ? *row.arguments : EncodableValue();
    MethodCall<EncodableValue> call(row.method, std::move(row.arguments));
    std::vector<uint8_t> expected = Hex(row.hex);
    EXPECT_EQ(ToHex(*codec.EncodeMethodCall(call)), ToHex(expected));
    std::unique_ptr<MethodCall<EncodableValue>> decoded = codec.DecodeMethodCall(expected);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->method_name(), row.method);
    ASSERT_NE(decoded->arguments(), nullptr);
    EXPECT_EQ(*decoded->arguments(), expected_arguments);
  }
}

TEST(StandardMethodCodec, EnvelopesMatchTheWireFormatBothWays) {
  const StandardMethodCodec& codec = StandardMethodCodec::GetInstance();
  EncodableValue answer(42);
  EncodableValue one_and_a_half(1.5);
  EncodableValue details = List({EncodableValue("a"), EncodableValue(42)});
  struct Row {
    const char* name;
    std::vector<uint8_t> encoded;
    std::string hex;
    Outcome::Kind kind;
    EncodableValue value;
    std::string code;
    std::string message;
  } rows[] = {
      {"success without a value", *codec.EncodeSuccessEnvelope(), "00 00", Outcome::kSuccess,
       EncodableValue(), "", ""},
      {"success with int32", *codec.EncodeSuccessEnvelope(&answer), "00 03 2a 00 00 00",
       Outcome::kSuccess, answer, "", ""},
      {"the flag byte counts for alignment", *codec.EncodeSuccessEnvelope(&one_and_a_half),
       "00 06 00 00 00 00 00 00 00 00 00 00 00 00 f8 3f", Outcome::kSuccess, one_and_a_half, "",
       ""},
      {"error with a code only", *codec.EncodeErrorEnvelope("errorCode"),
       "01 07 09 65 72 72 6f 72 43 6f 64 65 00 00", Outcome::kError, EncodableValue(), "errorCode",
       ""},
      {"error with message and details",
       *codec.EncodeErrorEnvelope("errorCode", "something failed", &details),
       "01 07 09 65 72 72 6f 72 43 6f 64 65 07 10 73 6f 6d 65 74 68 69 6e 67 20 66 61 69 6c 65 "
       "64 0c 02 07 01 61 03 2a 00 00 00",
       Outcome::kError, details, "errorCode", "something failed"},
      {"an empty message goes out as null", *codec.EncodeErrorEnvelope("e", "", &answer),
       "01 07 01 65 00 03 2a 00 00 00", Outcome::kError, answer, "e", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ToHex(row.encoded), row.hex);
    bool accepted = false;
    Outcome outcome = DecodeEnvelope(row.encoded, &accepted);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(outcome.calls, 1);
    EXPECT_EQ(outcome.kind, row.kind);
    // Null results and null details reach the result as nullptr, as with the engine.
    EXPECT_EQ(outcome.has_value, !row.value.IsNull());
    EXPECT_EQ(outcome.value, row.value);
    EXPECT_EQ(outcome.code, row.code);
    EXPECT_EQ(outcome.message, row.message);
  }
}

TEST(StandardMethodCodec, ErrorEnvelopeAcceptsATrailingStackTrace) {
  for (const char* trace : {"07 05 74 72 61 63 65", "00"}) {
    SCOPED_TRACE(trace);
    bool accepted = false;
    Outcome outcome =
        DecodeEnvelope(Hex(std::string("01 07 01 65 07 01 6d 00 ") + trace), &accepted);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(outcome.kind, Outcome::kError);
    EXPECT_EQ(outcome.code, "e");
    EXPECT_EQ(outcome.message, "m");
  }
}

TEST(StandardMessageCodec, RoundTripsNestedValuesAtEveryAlignment) {
  EncodableValue everything = Map({
      {EncodableValue("bytes"), EncodableValue(std::vector<uint8_t>{1, 2, 3})},
      {EncodableValue("floats"), EncodableValue(std::vector<float>{-0.5f, 2.25f})},
      {EncodableValue("doubles"), EncodableValue(std::vector<double>{-0.0, 1e300})},
      {EncodableValue("ints"), EncodableValue(std::vector<int32_t>{INT32_MIN, INT32_MAX})},
      {EncodableValue("longs"), EncodableValue(std::vector<int64_t>{INT64_MIN, INT64_MAX})},
      {EncodableValue(int64_t{1}), EncodableValue("int64 key")},
      {EncodableValue(1), EncodableValue("int32 key, a different key")},
      {EncodableValue(false), List({EncodableValue(-1.25), Map({}), List({})})},
  });
  // Prefixes of 0..8 bytes shift everything through every alignment.
  for (size_t shift = 0; shift <= 8; ++shift) {
    SCOPED_TRACE(shift);
    EncodableValue value = List({EncodableValue(std::string(shift, 's')), everything});
    std::unique_ptr<EncodableValue> decoded = Decode(Encode(value));
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(*decoded, value);
  }
}

TEST(StandardMessageCodec, EmptyMessageIsDartsNull) {
  std::unique_ptr<EncodableValue> decoded = Decode({});
  ASSERT_NE(decoded, nullptr);
  EXPECT_TRUE(decoded->IsNull());
}

TEST(StandardMessageCodec, MapFromDartKeepsFirstOfDuplicateKeysInAnyOrder) {
  // Dart writes keys in insertion order and may repeat none, but hostile bytes can.
  std::unique_ptr<EncodableValue> decoded =
      Decode(Hex("0d 03 07 01 62 03 02 00 00 00 07 01 61 03 01 00 00 00 07 01 62 03 09 00 00 00"));
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(*decoded, Map({{EncodableValue("a"), EncodableValue(1)},
                           {EncodableValue("b"), EncodableValue(2)}}));
}

TEST(StandardMessageCodec, RejectsMalformedMessagesWhole) {
  for (const BadRow& row : qeva_test::BadValues(Encode)) {
    SCOPED_TRACE(row.name + ": " + ToHex(row.bytes));
    EXPECT_EQ(Decode(row.bytes), nullptr);
  }
}

TEST(StandardMessageCodec, AcceptsNestingUpToTheLimit) {
  std::unique_ptr<EncodableValue> decoded =
      Decode(Nested(flutter::StandardCodecSerializer::kMaxNestingDepth));
  ASSERT_NE(decoded, nullptr);
  EXPECT_TRUE(std::holds_alternative<EncodableList>(*decoded));
}

TEST(StandardMessageCodec, NeverAllocatesMoreThanTheBytesCouldHold) {
  for (const BadRow& row : qeva_test::BadValues(Encode)) {
    SCOPED_TRACE(row.name);
    qeva_test::StartRecordingLargestAllocation();
    std::unique_ptr<EncodableValue> decoded = Decode(row.bytes);
    const size_t largest = qeva_test::StopRecordingLargestAllocation();
    // A container of at most |size| elements of at most 64 bytes each.
    EXPECT_LE(largest, 64 * row.bytes.size() + 64);
  }
}

TEST(StandardMethodCodec, RejectsMalformedMethodCalls) {
  std::vector<uint8_t> valid = Hex("07 04 70 69 6e 67 0c 01 03 01 00 00 00");
  std::vector<BadRow> rows = TruncationsOf("call", valid, 0);
  rows.push_back({"name is not a string", Hex("03 01 00 00 00 00")});
  rows.push_back({"name is null", Hex("00 00")});
  rows.push_back({"name has bad UTF-8", Hex("07 01 ff 00")});
  rows.push_back({"trailing byte", Concat(valid, {0x00})});
  rows.push_back({"bad arguments", Hex("07 01 61 0f")});
  for (const BadRow& row : rows) {
    SCOPED_TRACE(row.name + ": " + ToHex(row.bytes));
    EXPECT_EQ(StandardMethodCodec::GetInstance().DecodeMethodCall(row.bytes), nullptr);
  }
}

TEST(StandardMethodCodec, RejectsMalformedEnvelopesWithoutTouchingTheResult) {
  std::vector<uint8_t> error = Hex("01 07 01 65 07 01 6d 03 01 00 00 00");
  std::vector<BadRow> rows = TruncationsOf("error", error, 0);
  for (auto& row : TruncationsOf("success", Hex("00 03 2a 00 00 00"), 1)) {
    rows.push_back(std::move(row));
  }
  rows.push_back({"unknown flag", Hex("02 00")});
  rows.push_back({"success with trailing byte", Hex("00 00 00")});
  rows.push_back({"error code not a string", Hex("01 03 01 00 00 00 00 00")});
  rows.push_back({"error message not a string", Hex("01 07 01 65 01 00")});
  rows.push_back({"stack trace not a string", Concat(error, Hex("03 01 00 00 00"))});
  rows.push_back({"a fifth value", Concat(error, Hex("00 00"))});
  for (const BadRow& row : rows) {
    SCOPED_TRACE(row.name + ": " + ToHex(row.bytes));
    bool accepted = true;
    Outcome outcome = DecodeEnvelope(row.bytes, &accepted);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(outcome.calls, 0);
  }
}

TEST(EncodableValue, ConstructionPicksTheAlternativePluginsExpect) {
  const char* text = "text";
  struct Row {
    const char* name;
    EncodableValue value;
    size_t index;
  } rows[] = {
      {"int", EncodableValue(5), 2},
      {"int64_t", EncodableValue(int64_t{5}), 3},
      {"unsigned int widens", EncodableValue(5u), 3},
      {"float widens", EncodableValue(1.5f), 4},
      {"C string is a string, not a bool", EncodableValue(text), 5},
      {"string literal", EncodableValue("literal"), 5},
      {"float list is last", EncodableValue(std::vector<float>{}), 13},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.value.index(), row.index);
  }
}

TEST(EncodableValue, TemplateConstructorMovesFromRvalues) {
  std::string long_text(1000, 'x');
  const char* storage = long_text.data();
  EncodableValue moved(std::move(long_text));
  EXPECT_EQ(std::get<std::string>(moved).data(), storage);

  EncodableList list(3);
  const EncodableValue* elements = list.data();
  EncodableValue from_list(std::move(list));
  EXPECT_EQ(std::get<EncodableList>(from_list).data(), elements);

  std::string kept(1000, 'y');
  EncodableValue copied(kept);
  EXPECT_EQ(kept, std::string(1000, 'y'));
}

TEST(EncodableValue, OrdersExactlyAsTheVariantDoes) {
  std::vector<EncodableValue> values = {
      EncodableValue(),
      EncodableValue(false),
      EncodableValue(true),
      EncodableValue(-1),
      EncodableValue(2),
      EncodableValue(int64_t{-1}),
      EncodableValue(0.5),
      EncodableValue(""),
      EncodableValue("a"),
      EncodableValue("ab"),
      EncodableValue("b"),
      EncodableValue(std::string("a\0", 2)),
      List({}),
      List({EncodableValue(1)}),
      Map({}),
      EncodableValue(std::vector<float>{1.0f}),
  };
  for (const EncodableValue& lhs : values) {
    for (const EncodableValue& rhs : values) {
      SCOPED_TRACE(testing::PrintToString(lhs) + " < " + testing::PrintToString(rhs));
      EXPECT_EQ(lhs < rhs, static_cast<const EncodableValue::super&>(lhs) <
                               static_cast<const EncodableValue::super&>(rhs));
    }
  }
}

TEST(EncodableValue, IntegerWidthsAreDistinctKeysAndLongValueReadsBoth) {
  EncodableMap map{{EncodableValue(1), EncodableValue("int32")},
                   {EncodableValue(int64_t{1}), EncodableValue("int64")},
                   {EncodableValue(1.0), EncodableValue("double")}};
  EXPECT_EQ(map.size(), 3u);
  EXPECT_EQ(EncodableValue(-7).LongValue(), -7);
  EXPECT_EQ(EncodableValue(int64_t{1} << 40).LongValue(), int64_t{1} << 40);
  EXPECT_THROW(EncodableValue("7").LongValue(), std::bad_variant_access);
}

}  // namespace
