#include "QevaAd/GAMMarkup.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace QevaFlutter {

// Failures print the record as its JSON, which leaves customformatid out.
void PrintTo(const GAMMarkup& markup, std::ostream* os) {
  *os << WriteGAMMarkup(markup);
}

namespace {

using nlohmann::json;
using Strings = std::vector<std::string>;

GAMMarkup WithParams(GAMMarkupParam param) {
  GAMMarkup markup;
  markup.adnetwork_params = std::move(param);
  return markup;
}

GAMMarkup WithClickUrls(Strings urls) {
  GAMMarkupParam param;
  param.click_url = std::move(urls);
  return WithParams(param);
}

GAMMarkup FullMarkup() {
  GAMMarkup markup;
  markup.adnetwork_class = "GADBannerView";
  GAMMarkupParam param;
  param.adunitid = "/6499/example/banner";
  param.adsizes = Strings{"320x50", "300x250"};
  param.click_url = Strings{"https://t.example/c?id=1", "https://t.example/c?id=2"};
  param.campaignid = "c-77";
  markup.adnetwork_params = param;
  return markup;
}

constexpr char kFullText[] =
    R"({"adnetwork_class":"GADBannerView","adnetwork_params":{"adunitid":"/6499/example/banner",)"
    R"("adsizes":["320x50","300x250"],"click-url":["https://t.example/c?id=1",)"
    R"("https://t.example/c?id=2"],"campaignid":"c-77"}})";

struct ReadRow {
  const char* name;
  std::string text;
  std::optional<GAMMarkup> expected;  // none: the read fails.
};

TEST(GAMMarkupTest, ReadsDocumentsStrictly) {
  const std::optional<GAMMarkup> kFails;
  const std::vector<ReadRow> rows = {
      // What reads.
      {"empty object", "{}", GAMMarkup{}},
      {"whitespace around the document", " \n{}\t", GAMMarkup{}},
      {"every member", kFullText, FullMarkup()},
      {"params null", R"({"adnetwork_params":null})", GAMMarkup{}},
      {"class null", R"({"adnetwork_class":null,"adnetwork_params":{}})",
       WithParams(GAMMarkupParam{})},
      {"params empty object", R"({"adnetwork_params":{}})", WithParams(GAMMarkupParam{})},
      {"every param null",
       R"({"adnetwork_params":{"adunitid":null,"adsizes":null,"click-url":null,"campaignid":null}})",
       WithParams(GAMMarkupParam{})},
      {"empty click-url is present", R"({"adnetwork_params":{"click-url":[]}})", WithClickUrls({})},
      {"duplicate and empty urls stay", R"({"adnetwork_params":{"click-url":["u","","u"]}})",
       WithClickUrls({"u", "", "u"})},
      {"escapes decoded",
       R"({"adnetwork_params":{"click-url":["a\"b\\c\/d\n","\u00e9\ud83d\ude00"]}})",
       WithClickUrls({"a\"b\\c/d\n", "\xC3\xA9\xF0\x9F\x98\x80"})},
      {"raw non-ASCII", "{\"adnetwork_params\":{\"click-url\":[\"https://\xC3\xA9.example\"]}}",
       WithClickUrls({"https://\xC3\xA9.example"})},
      {"click_url spelt with underscore", R"({"adnetwork_params":{"click_url":["u"]}})",
       WithParams(GAMMarkupParam{})},
      {"click-url in another case", R"({"adnetwork_params":{"Click-URL":["u"]}})",
       WithParams(GAMMarkupParam{})},
      {"customformatid never read", R"({"adnetwork_params":{"customformatid":"f"}})",
       WithParams(GAMMarkupParam{})},
      {"unknown members at both levels",
       R"({"x":[1,{"y":null}],"ADNETWORK_PARAMS":7,"adnetwork_params":{"z":{"click-url":5},)"
       R"("click-url":["u"],"adunitId":false}})",
       WithClickUrls({"u"})},
      // Values the reader does not use need not be valid.
      {"number beyond a double where nothing is read",
       R"({"x":1e400,"adnetwork_params":{"z":[-1e999],"click-url":["u"]}})", WithClickUrls({"u"})},
      {"lone surrogates where nothing is read",
       R"({"\udc00":"a\ud800b","adnetwork_params":{"z":"\ud800","click-url":["u"]}})",
       WithClickUrls({"u"})},
      {"a noncharacter read beside a lone surrogate elsewhere",
       R"({"z":"\ud800","adnetwork_params":{"click-url":["\ufdd0","\uFDD1"]}})",
       WithClickUrls({"\xEF\xB7\x90", "\xEF\xB7\x91"})},
      // Duplicate members: the last occurrence wins, whole.
      {"duplicate params not merged",
       R"({"adnetwork_params":{"click-url":["a"]},"adnetwork_params":{"click-url":["b"]}})",
       WithClickUrls({"b"})},
      {"duplicate with earlier wrong type",
       R"({"adnetwork_params":{"click-url":7,"click-url":["b"]}})", WithClickUrls({"b"})},
      {"duplicate with later wrong type",
       R"({"adnetwork_params":{"click-url":["b"],"click-url":7}})", kFails},
      {"duplicate with later null", R"({"adnetwork_class":"a","adnetwork_class":null})",
       GAMMarkup{}},
      // What fails.
      {"empty text", "", kFails},
      {"whitespace only", " \n", kFails},
      {"not JSON", "click", kFails},
      {"truncated", R"({"adnetwork_params":{)", kFails},
      {"trailing text", "{} x", kFails},
      {"two documents", "{}{}", kFails},
      {"comment", "{/* c */}", kFails},
      {"invalid UTF-8 in a string", "{\"adnetwork_class\":\"\xFF\"}", kFails},
      {"top-level array", R"([{"adnetwork_params":{"click-url":["u"]}}])", kFails},
      {"top-level empty array", "[]", kFails},
      {"top-level string", R"("{}")", kFails},
      {"top-level number", "1", kFails},
      {"top-level boolean", "true", kFails},
      {"top-level null", "null", kFails},
      {"class as number", R"({"adnetwork_class":1})", kFails},
      {"class as object", R"({"adnetwork_class":{}})", kFails},
      {"params as string", R"({"adnetwork_params":"{}"})", kFails},
      {"params as array", R"({"adnetwork_params":[]})", kFails},
      {"params as boolean", R"({"adnetwork_params":false})", kFails},
      {"adunitid as number beside good click-url",
       R"({"adnetwork_params":{"adunitid":6499,"click-url":["u"]}})", kFails},
      {"campaignid as array", R"({"adnetwork_params":{"campaignid":["c"]}})", kFails},
      {"adsizes as single string", R"({"adnetwork_params":{"adsizes":"320x50"}})", kFails},
      {"adsizes element as number", R"({"adnetwork_params":{"adsizes":[320]}})", kFails},
      {"click-url as single string", R"({"adnetwork_params":{"click-url":"u"}})", kFails},
      {"click-url as object", R"({"adnetwork_params":{"click-url":{"0":"u"}}})", kFails},
      {"click-url with null element", R"({"adnetwork_params":{"click-url":["u",null]}})", kFails},
      {"click-url with nested array", R"({"adnetwork_params":{"click-url":[["u"]]}})", kFails},
      {"click-url with object element", R"({"adnetwork_params":{"click-url":[{}]}})", kFails},
      {"click-url with a lone surrogate", R"({"adnetwork_params":{"click-url":["u\ud800"]}})",
       kFails},
      {"class with a lone low surrogate", R"({"adnetwork_class":"\udfff"})", kFails},
      {"click-url element beyond a double", R"({"adnetwork_params":{"click-url":[1e400]}})",
       kFails},
      {"params beyond a double", R"({"adnetwork_params":1e400})", kFails},
      {"campaignid beyond a double", R"({"adnetwork_params":{"campaignid":-1e400}})", kFails},
  };
  for (const ReadRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ReadGAMMarkup(row.text), row.expected);
  }
}

struct WriteRow {
  const char* name;
  GAMMarkup markup;
  json expected;
};

TEST(GAMMarkupTest, WritesOnlyPresentFieldsAndReadsBack) {
  GAMMarkup click_and_format = WithClickUrls({"u1", "u2"});
  click_and_format.adnetwork_params->customformatid = "f";
  GAMMarkupParam empty_values;
  empty_values.adunitid = "";
  empty_values.adsizes = Strings{};
  GAMMarkup escaped = WithClickUrls({"q\"b\\s/\n\t\x01", "\xC3\xA9"});
  const std::vector<WriteRow> rows = {
      {"nothing set", GAMMarkup{}, json::object()},
      {"only click-url and customformatid",
       click_and_format,
       {{"adnetwork_params", {{"click-url", {"u1", "u2"}}}}}},
      {"params present but empty",
       WithParams(GAMMarkupParam{}),
       {{"adnetwork_params", json::object()}}},
      {"empty texts are present",
       WithParams(empty_values),
       {{"adnetwork_params", {{"adunitid", ""}, {"adsizes", json::array()}}}}},
      {"every field", FullMarkup(), json::parse(kFullText)},
      {"escaped strings",
       escaped,
       {{"adnetwork_params", {{"click-url", {"q\"b\\s/\n\t\x01", "\xC3\xA9"}}}}}},
  };
  for (const WriteRow& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string text = WriteGAMMarkup(row.markup);
    EXPECT_EQ(json::parse(text), row.expected);
    GAMMarkup read_back = row.markup;
    if (read_back.adnetwork_params) {
      read_back.adnetwork_params->customformatid.reset();
    }
    EXPECT_EQ(ReadGAMMarkup(text), read_back);
  }
}

TEST(GAMMarkupTest, WritesBytesThatAreNotUtf8AsReplacementCharacters) {
  GAMMarkup markup;
  markup.adnetwork_class =
      "a\xFF"
      "b";
  EXPECT_EQ(json::parse(WriteGAMMarkup(markup)), json({{"adnetwork_class",
                                                        "a\xEF\xBF\xBD"
                                                        "b"}}));
}

TEST(GAMMarkupTest, EqualityComparesEveryField) {
  const std::vector<std::pair<const char*, std::function<void(GAMMarkup&)>>> changes = {
      {"class", [](GAMMarkup& m) { m.adnetwork_class.reset(); }},
      {"params", [](GAMMarkup& m) { m.adnetwork_params.reset(); }},
      {"adunitid", [](GAMMarkup& m) { m.adnetwork_params->adunitid = "other"; }},
      {"customformatid", [](GAMMarkup& m) { m.adnetwork_params->customformatid = "f"; }},
      {"adsizes", [](GAMMarkup& m) { m.adnetwork_params->adsizes->push_back("1x1"); }},
      {"click_url order",
       [](GAMMarkup& m) {
         Strings& urls = *m.adnetwork_params->click_url;
         std::swap(urls[0], urls[1]);
       }},
      {"campaignid", [](GAMMarkup& m) { m.adnetwork_params->campaignid = std::string(); }},
  };
  EXPECT_EQ(FullMarkup(), FullMarkup());
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    GAMMarkup changed = FullMarkup();
    change(changed);
    EXPECT_NE(changed, FullMarkup());
  }
}

}  // namespace
}  // namespace QevaFlutter
