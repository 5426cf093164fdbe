#include "QevaAd/GAMMarkup.h"

#include <nlohmann/json.hpp>

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
bool ReadString(const json& object, const char* key, std::optional<std::string>& field) {
  const json* value = Member(object, key);
  if (value == nullptr) {
    return true;
  }
  if (!value->is_string()) {
    return false;
  }
  field = value->get<std::string>();
  return true;
}

bool ReadStringList(const json& object, const char* key,
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
    if (!element.is_string()) {
      return false;
    }
    list.push_back(element.get<std::string>());
  }
  field = std::move(list);
  return true;
}

std::optional<GAMMarkupParam> ReadParam(const json& object) {
  GAMMarkupParam param;
  if (!ReadString(object, kAdunitidKey, param.adunitid) ||
      !ReadStringList(object, kAdsizesKey, param.adsizes) ||
      !ReadStringList(object, kClickUrlKey, param.click_url) ||
      !ReadString(object, kCampaignidKey, param.campaignid)) {
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
  // The non-throwing parse: text that is not JSON, or not UTF-8, comes back discarded.
  const json document = json::parse(text.begin(), text.end(), nullptr, false);
  if (document.is_discarded() || !document.is_object()) {
    return std::nullopt;
  }
  GAMMarkup markup;
  if (!ReadString(document, kAdnetworkClassKey, markup.adnetwork_class)) {
    return std::nullopt;
  }
  if (const json* params = Member(document, kAdnetworkParamsKey)) {
    if (!params->is_object()) {
      return std::nullopt;
    }
    markup.adnetwork_params = ReadParam(*params);
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
