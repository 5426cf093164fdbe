#include "QevaAd/GAMMarkup.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace QevaFlutter {
namespace {

using nlohmann::json;

// The member names of the coded fields. customformatid has none, which is what keeps it out of
// the JSON in both directions.
constexpr char kAdnetworkClassKey[] = "adnetwork_class";
constexpr char kAdnetworkParamsKey[] = "adnetwork_params";
constexpr char kAdunitidKey[] = "adunitid";
constexpr char kAdsizesKey[] = "adsizes";
constexpr char kClickUrlKey[] = "click-url";
constexpr char kCampaignidKey[] = "campaignid";

// Values the JSON library refuses to read at all: a number beyond a double and a lone
// surrogate escape. Where the reader does not look they must not fail the document, so they
// are rewritten before parsing, into what fails every member the reader uses: "false" for the
// number (no used member is a boolean), and a noncharacter absent from the text, |marker|, for
// the escape (a used string holding it fails).
struct Lenient {
  std::string text;
  std::string marker;  // UTF-8; empty when nothing needed a marker.
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// The UTF-16 unit of the "\uXXXX" escape at |at| (the backslash), or -1.
int EscapedUnit(std::string_view text, size_t at) {
  if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u') {
    return -1;
  }
  int unit = 0;
  for (size_t i = at + 2; i < at + 6; ++i) {
    const int digit = HexValue(text[i]);
    if (digit < 0) {
      return -1;
    }
    unit = unit * 16 + digit;
  }
  return unit;
}

// A noncharacter (U+FDD0 to U+FDEF) that |text| holds neither raw nor escaped, as UTF-8.
std::optional<std::string> FreeMarker(std::string_view text) {
  for (int code = 0xFDD0; code <= 0xFDEF; ++code) {
    const std::string raw = {static_cast<char>(0xEF), static_cast<char>(0xB7),
                             static_cast<char>(0x80 | (code & 0x3F))};
    bool used = text.find(raw) != std::string_view::npos;
    for (size_t at = text.find("\\u"); !used && at != std::string_view::npos;
         at = text.find("\\u", at + 1)) {
      used = EscapedUnit(text, at) == code;
    }
    if (!used) {
      return raw;
    }
  }
  return std::nullopt;
}

std::optional<Lenient> MakeLenient(std::string_view text) {
  Lenient out;
  out.text.reserve(text.size());
  std::optional<std::string> marker;
  bool in_string = false;
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (in_string) {
      if (c == '"') {
        in_string = false;
      } else if (c == '\\') {
        const int unit = EscapedUnit(text, i);
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const int next = high ? EscapedUnit(text, i + 6) : -1;
        if (high && next >= 0xDC00 && next <= 0xDFFF) {
          out.text.append(text.substr(i, 12));
          i += 12;
          continue;
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
          if (!marker && !(marker = FreeMarker(text))) {
            return std::nullopt;
          }
          out.marker = *marker;
          out.text += *marker;
          i += 6;
          continue;
        }
        out.text.append(text.substr(i, 2));
        i += 2;
        continue;
      }
      out.text.push_back(c);
      ++i;
      continue;
    }
    if (c == '"') {
      in_string = true;
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      size_t end = i + 1;
      while (end < text.size() &&
             (std::isdigit(static_cast<unsigned char>(text[end])) != 0 || text[end] == '.' ||
              text[end] == 'e' || text[end] == 'E' || text[end] == '+' || text[end] == '-')) {
        ++end;
      }
      const std::string number(text.substr(i, end - i));
      const double value = std::strtod(number.c_str(), nullptr);
      out.text += std::isinf(value) ? "false" : number;
      i = end;
      continue;
    }
    out.text.push_back(c);
    ++i;
  }
  return out;
}

// The value of member |key| of |object|, or null when the member is absent or null: both
// leave the field empty.
const json* Member(const json& object, const char* key) {
  auto it = object.find(key);
  if (it == object.end() || it->is_null()) {
    return nullptr;
  }
  return &*it;
}

// Each reader returns false when the member has the wrong type, and leaves |field| empty when
// it is absent or null.
// Whether |value| is a string free of |marker| (a lone surrogate escape stood there).
bool IsCleanString(const json& value, const std::string& marker) {
  return value.is_string() &&
         (marker.empty() || value.get_ref<const std::string&>().find(marker) == std::string::npos);
}

bool ReadString(const json& object, const char* key, const std::string& marker,
                std::optional<std::string>& field) {
  const json* value = Member(object, key);
  if (value == nullptr) {
    return true;
  }
  if (!IsCleanString(*value, marker)) {
    return false;
  }
  field = value->get<std::string>();
  return true;
}

bool ReadStringList(const json& object, const char* key, const std::string& marker,
                    std::optional<std::vector<std::string>>& field) {
  const json* value = Member(object, key);
  if (value == nullptr) {
    return true;
  }
  if (!value->is_array()) {
    return false;
  }
  std::vector<std::string> list;
  list.reserve(value->size());
  for (const json& element : *value) {
    if (!IsCleanString(element, marker)) {
      return false;
    }
    list.push_back(element.get<std::string>());
  }
  field = std::move(list);
  return true;
}

std::optional<GAMMarkupParam> ReadParam(const json& object, const std::string& marker) {
  GAMMarkupParam param;
  if (!ReadString(object, kAdunitidKey, marker, param.adunitid) ||
      !ReadStringList(object, kAdsizesKey, marker, param.adsizes) ||
      !ReadStringList(object, kClickUrlKey, marker, param.click_url) ||
      !ReadString(object, kCampaignidKey, marker, param.campaignid)) {
    return std::nullopt;
  }
  return param;
}

json WriteParam(const GAMMarkupParam& param) {
  json object = json::object();
  if (param.adunitid) {
    object[kAdunitidKey] = *param.adunitid;
  }
  if (param.adsizes) {
    object[kAdsizesKey] = *param.adsizes;
  }
  if (param.click_url) {
    object[kClickUrlKey] = *param.click_url;
  }
  if (param.campaignid) {
    object[kCampaignidKey] = *param.campaignid;
  }
  return object;
}

}  // namespace

bool GAMMarkupParam::operator==(const GAMMarkupParam& other) const {
  return adunitid == other.adunitid && customformatid == other.customformatid &&
         adsizes == other.adsizes && click_url == other.click_url && campaignid == other.campaignid;
}

bool GAMMarkup::operator==(const GAMMarkup& other) const {
  return adnetwork_class == other.adnetwork_class && adnetwork_params == other.adnetwork_params;
}

std::optional<GAMMarkup> ReadGAMMarkup(std::string_view text) {
  const std::optional<Lenient> lenient = MakeLenient(text);
  if (!lenient) {
    return std::nullopt;
  }
  const std::string& marker = lenient->marker;
  // The non-throwing parse: text that is not JSON, or not UTF-8, comes back discarded.
  const json document = json::parse(lenient->text, nullptr, false);
  if (document.is_discarded() || !document.is_object()) {
    return std::nullopt;
  }
  GAMMarkup markup;
  if (!ReadString(document, kAdnetworkClassKey, marker, markup.adnetwork_class)) {
    return std::nullopt;
  }
  if (const json* params = Member(document, kAdnetworkParamsKey)) {
    if (!params->is_object()) {
      return std::nullopt;
    }
    markup.adnetwork_params = ReadParam(*params, marker);
    if (!markup.adnetwork_params) {
      return std::nullopt;
    }
  }
  return markup;
}

std::string WriteGAMMarkup(const GAMMarkup& markup) {
  json document = json::object();
  if (markup.adnetwork_class) {
    document[kAdnetworkClassKey] = *markup.adnetwork_class;
  }
  if (markup.adnetwork_params) {
    document[kAdnetworkParamsKey] = WriteParam(*markup.adnetwork_params);
  }
  // Bytes that are not UTF-8 are written as U+FFFD rather than failing: the result is always a
  // valid document and the writer never throws.
  return document.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace QevaFlutter
