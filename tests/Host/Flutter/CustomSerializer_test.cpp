// Serializer subclasses: custom types through the virtual extension points, and the
// extensible path agreeing with the plain fast path on every standard row.

#include <gtest/gtest.h>

#include <any>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CodecCases.h"
#include "TestBytes.h"
#include "flutter/byte_streams.h"
#include "flutter/encodable_value.h"
#include "flutter/standard_codec_serializer.h"
#include "flutter/standard_message_codec.h"
#include "flutter/standard_method_codec.h"

namespace {

using flutter::ByteStreamReader;
using flutter::ByteStreamWriter;
using flutter::CustomEncodableValue;
using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using flutter::StandardCodecSerializer;
using flutter::StandardMessageCodec;
using qeva_test::Hex;
using qeva_test::List;
using qeva_test::Map;
using qeva_test::ToHex;

struct Point {
  int32_t x;
  int32_t y;
};

struct Blob {
  std::vector<uint8_t> data;
  std::string label;
};

// Adds Point as type 128 (two int32) and Blob as type 129 (sized bytes, then a string value).
class PointSerializer : public StandardCodecSerializer {
 public:
  static const PointSerializer& Instance() {
    static const PointSerializer instance;
    return instance;
  }

  void WriteValue(const EncodableValue& value, ByteStreamWriter* stream) const override {
    if (const auto* custom = std::get_if<CustomEncodableValue>(&value)) {
      const std::any& held = *custom;
      if (const Point* point = std::any_cast<Point>(&held)) {
        stream->WriteByte(128);
        stream->WriteInt32(point->x);
        stream->WriteInt32(point->y);
        return;
      }
      if (const Blob* blob = std::any_cast<Blob>(&held)) {
        stream->WriteByte(129);
        WriteSize(blob->data.size(), stream);
        stream->WriteBytes(blob->data.data(), blob->data.size());
        WriteValue(EncodableValue(blob->label), stream);
        return;
      }
    }
    StandardCodecSerializer::WriteValue(value, stream);
  }

 protected:
  EncodableValue ReadValueOfType(uint8_t type, ByteStreamReader* stream) const override {
    if (type == 128) {
      Point point;
      point.x = stream->ReadInt32();
      point.y = stream->ReadInt32();
      return CustomEncodableValue(point);
    }
    if (type == 129) {
      Blob blob;
      size_t size = ReadSize(stream);
      if (size > stream->GetRemaining()) {
        stream->Fail();
        return EncodableValue();
      }
      blob.data.resize(size);
      stream->ReadBytes(blob.data.data(), size);
      EncodableValue label = ReadValue(stream);
      if (!std::holds_alternative<std::string>(label)) {
        stream->Fail();
        return EncodableValue();
      }
      blob.label = std::get<std::string>(label);
      return CustomEncodableValue(blob);
    }
    return StandardCodecSerializer::ReadValueOfType(type, stream);
  }
};

// Overrides nothing, yet is not the plain serializer: the codec must take the virtual path.
class PassThroughSerializer : public StandardCodecSerializer {
 public:
  static const PassThroughSerializer& Instance() {
    static const PassThroughSerializer instance;
    return instance;
  }
};

const StandardMessageCodec& PointCodec() {
  return StandardMessageCodec::GetInstance(&PointSerializer::Instance());
}

const StandardMessageCodec& PassThroughCodec() {
  return StandardMessageCodec::GetInstance(&PassThroughSerializer::Instance());
}

const Point* AsPoint(const EncodableValue& value) {
  const auto* custom = std::get_if<CustomEncodableValue>(&value);
  return custom != nullptr ? std::any_cast<Point>(&static_cast<const std::any&>(*custom)) : nullptr;
}

TEST(StandardCodecSerializer, CustomTypesUseTheSubclassWireFormat) {
  std::vector<uint8_t> point_bytes = Hex("80 09 00 00 00 10 00 00 00");
  EXPECT_EQ(ToHex(*PointCodec().EncodeMessage(CustomEncodableValue(Point{9, 16}))),
            ToHex(point_bytes));
  std::unique_ptr<EncodableValue> point = PointCodec().DecodeMessage(point_bytes);
  ASSERT_NE(point, nullptr);
  ASSERT_NE(AsPoint(*point), nullptr);
  EXPECT_EQ(AsPoint(*point)->x, 9);
  EXPECT_EQ(AsPoint(*point)->y, 16);

  std::vector<uint8_t> blob_bytes = Hex("81 06 00 01 02 03 04 05 07 04 74 65 73 74");
  EXPECT_EQ(
      ToHex(*PointCodec().EncodeMessage(CustomEncodableValue(Blob{{0, 1, 2, 3, 4, 5}, "test"}))),
      ToHex(blob_bytes));
  std::unique_ptr<EncodableValue> blob = PointCodec().DecodeMessage(blob_bytes);
  ASSERT_NE(blob, nullptr);
  const Blob& decoded = std::any_cast<const Blob&>(
      static_cast<const std::any&>(std::get<CustomEncodableValue>(*blob)));
  EXPECT_EQ(decoded.data, (std::vector<uint8_t>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(decoded.label, "test");
}

TEST(StandardCodecSerializer, CustomTypesNestedInContainersReachTheSubclass) {
  EncodableValue value = List({EncodableValue(CustomEncodableValue(Point{1, 2})),
                               Map({{EncodableValue("p"), CustomEncodableValue(Point{3, 4})}})});
  std::vector<uint8_t> bytes = *PointCodec().EncodeMessage(value);
  EXPECT_EQ(ToHex(bytes),
            "0c 02 80 01 00 00 00 02 00 00 00 0d 01 07 01 70 80 03 00 00 00 04 00 00 00");
  std::unique_ptr<EncodableValue> decoded = PointCodec().DecodeMessage(bytes);
  ASSERT_NE(decoded, nullptr);
  const EncodableList& list = std::get<EncodableList>(*decoded);
  ASSERT_NE(AsPoint(list[0]), nullptr);
  EXPECT_EQ(AsPoint(list[0])->y, 2);
  const EncodableMap& map = std::get<EncodableMap>(list[1]);
  ASSERT_NE(AsPoint(map.at(EncodableValue("p"))), nullptr);
  EXPECT_EQ(AsPoint(map.at(EncodableValue("p")))->x, 3);
}

TEST(StandardCodecSerializer, RejectsBadCustomPayloads) {
  struct Row {
    const char* name;
    std::string hex;
  } rows[] = {
      {"point cut short", "80 09 00 00 00 10 00"},
      {"blob claiming more bytes than sent", "81 fe 00 10 00"},
      {"blob label not a string", "81 01 00 03 01 00 00 00"},
      {"unknown custom type", "82 00"},
      {"point with a trailing byte", "80 09 00 00 00 10 00 00 00 00"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(PointCodec().DecodeMessage(Hex(row.hex)), nullptr);
  }
}

TEST(StandardCodecSerializer, PlainSerializerWritesCustomValuesAsNull) {
  testing::internal::CaptureStderr();
  std::vector<uint8_t> bytes = *StandardMessageCodec::GetInstance().EncodeMessage(
      List({CustomEncodableValue(Point{1, 2}), EncodableValue(1)}));
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(ToHex(bytes), "0c 02 00 03 01 00 00 00");
  EXPECT_NE(log.find("CustomEncodableValue"), std::string::npos) << log;
}

TEST(StandardCodecSerializer, SubclassPathAgreesWithThePlainPathOnEveryWireRow) {
  for (const qeva_test::WireRow& row : qeva_test::ValueRows()) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ToHex(*PassThroughCodec().EncodeMessage(row.value)), ToHex(Hex(row.hex)));
    std::unique_ptr<EncodableValue> decoded = PassThroughCodec().DecodeMessage(Hex(row.hex));
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(*decoded, row.value);
  }
}

TEST(StandardCodecSerializer, SubclassPathRejectsEveryMalformedRow) {
  auto encode = [](const EncodableValue& value) {
    return *PassThroughCodec().EncodeMessage(value);
  };
  for (const qeva_test::BadRow& row : qeva_test::BadValues(encode)) {
    SCOPED_TRACE(row.name + ": " + ToHex(row.bytes));
    EXPECT_EQ(PassThroughCodec().DecodeMessage(row.bytes), nullptr);
  }
  std::unique_ptr<EncodableValue> deepest = PassThroughCodec().DecodeMessage(
      qeva_test::Nested(StandardCodecSerializer::kMaxNestingDepth));
  EXPECT_NE(deepest, nullptr);
}

TEST(StandardCodecSerializer, CodecsAreCachedPerSerializer) {
  EXPECT_EQ(&StandardMessageCodec::GetInstance(),
            &StandardMessageCodec::GetInstance(&StandardCodecSerializer::GetInstance()));
  EXPECT_EQ(&PointCodec(), &StandardMessageCodec::GetInstance(&PointSerializer::Instance()));
  EXPECT_NE(&PointCodec(), &PassThroughCodec());
  EXPECT_EQ(&flutter::StandardMethodCodec::GetInstance(&PointSerializer::Instance()),
            &flutter::StandardMethodCodec::GetInstance(&PointSerializer::Instance()));
}

}  // namespace
