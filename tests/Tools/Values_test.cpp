// JSON to what Dart sends, and tracker URLs to what the HTTP client requests.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "DartValues.h"
#include "TrackerHttp.h"
#include "headless/DartReply.h"

namespace QevaHost::testing {
namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using nlohmann::json;

TEST(DartValuesTest, JsonBecomesWhatDartWouldSend) {
  struct Row {
    const char* json;
    EncodableValue value;
  };
  const std::vector<Row> rows = {
      {"null", EncodableValue()},
      {"true", EncodableValue(true)},
      {"2147483647", EncodableValue(int32_t{2147483647})},
      {"2147483648", EncodableValue(int64_t{2147483648})},
      {"-2147483648", EncodableValue(int32_t{-2147483647 - 1})},
      {"-2147483649", EncodableValue(int64_t{-2147483649})},
      {"9223372036854775807", EncodableValue(int64_t{9223372036854775807})},
      {"1.5", EncodableValue(1.5)},
      {"2.0", EncodableValue(2.0)},
      {"\"30\"", EncodableValue(std::string("30"))},
      {"[1, \"a\", [null]]",
       EncodableValue(EncodableList{EncodableValue(1), EncodableValue(std::string("a")),
                                    EncodableValue(EncodableList{EncodableValue()})})},
      {"{\"b\": {\"c\": false}, \"a\": []}",
       EncodableValue(EncodableMap{
           {EncodableValue(std::string("a")), EncodableValue(EncodableList{})},
           {EncodableValue(std::string("b")),
            EncodableValue(
                EncodableMap{{EncodableValue(std::string("c")), EncodableValue(false)}})},
       })},
      {"{\"$int64\": 7}", EncodableValue(int64_t{7})},
      {"{\"$double\": 2}", EncodableValue(2.0)},
      {"{\"$uint8list\": [0, 255]}", EncodableValue(std::vector<uint8_t>{0, 255})},
      // Only a one-member object is a typed value.
      {"{\"$int64\": 7, \"x\": 1}",
       EncodableValue(EncodableMap{{EncodableValue(std::string("$int64")), EncodableValue(7)},
                                   {EncodableValue(std::string("x")), EncodableValue(1)}})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.json);
    EncodableValue value;
    std::string error;
    ASSERT_TRUE(FromJson(json::parse(row.json), "arguments", &value, &error)) << error;
    EXPECT_EQ(value, row.value) << headless::ToString(value);
    // Distinguishes int32 from int64, which == on numbers of the same value would not.
    EXPECT_EQ(value.index(), row.value.index());
  }
}

TEST(DartValuesTest, MalformedValuesNameTheirPath) {
  struct Row {
    const char* json;
    std::string error;
  };
  const std::vector<Row> rows = {
      {"18446744073709551615", "arguments: integer beyond the int64 range"},
      {"{\"ids\": [1, {\"$int64\": 1.5}]}", "arguments.ids[1].$int64: must be an integer"},
      {"{\"$int64\": 18446744073709551615}", "arguments.$int64: beyond the int64 range"},
      {"{\"$double\": \"1\"}", "arguments.$double: must be a number"},
      {"{\"$uint8list\": [256]}", "arguments.$uint8list: must be an array of integers 0 to 255"},
      {"{\"$float\": 1}",
       "arguments: unknown typed value \"$float\" (known: $int64, $double, $uint8list)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.json);
    EncodableValue value;
    std::string error;
    EXPECT_FALSE(FromJson(json::parse(row.json), "arguments", &value, &error));
    EXPECT_EQ(error, row.error);
  }
}

TEST(DartValuesTest, RepliesBecomeJsonWithNumbersAsNumbers) {
  const EncodableValue reply(EncodableMap{
      {EncodableValue(std::string("n")), EncodableValue(int64_t{5})},
      {EncodableValue(std::string("l")), EncodableValue(std::vector<int32_t>{1, 2})},
      {EncodableValue(7), EncodableValue(std::string("seven"))},
  });
  EXPECT_EQ(ToJson(reply), json::parse(R"({"n": 5, "l": [1, 2], "7": "seven"})"));
}

TEST(TrackerUrlTest, HttpUrlsSplitForTheClientOthersAreRefused) {
  struct Row {
    const char* url;
    const char* origin;  // Null: refused.
    const char* target;
    const char* why;
  };
  const std::vector<Row> rows = {
      {"http://127.0.0.1:8080/click/1?c=2", "http://127.0.0.1:8080", "/click/1?c=2", nullptr},
      {"HTTP://example.com", "http://example.com", "/", nullptr},
      {"http://example.com?x=1#frag", "http://example.com", "/?x=1", nullptr},
      {"http://", nullptr, nullptr, "no usable host"},
      {"http://user@example.com/", nullptr, nullptr, "no usable host"},
      {"example.com/click", nullptr, nullptr, "not an absolute http URL"},
      {"", nullptr, nullptr, "not an absolute http URL"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.url);
    HttpUrl url;
    std::string why;
    const bool ok = ParseHttpUrl(row.url, &url, &why);
    ASSERT_EQ(ok, row.origin != nullptr) << why;
    if (ok) {
      EXPECT_EQ(url.origin, row.origin);
      EXPECT_EQ(url.target, row.target);
    } else {
      EXPECT_EQ(why, row.why);
    }
  }
  HttpUrl url;
  std::string why;
  EXPECT_FALSE(ParseHttpUrl("ftp://example.com/x", &url, &why));
  EXPECT_EQ(why.rfind("scheme \"ftp\" not supported (", 0), 0u) << why;
}

}  // namespace
}  // namespace QevaHost::testing
