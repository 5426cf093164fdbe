#include "QevaStandIn/Inventory.h"

#include <limits>
#include <utility>

#include <nlohmann/json.hpp>

namespace QevaStandIn {
namespace {

using Json = nlohmann::json;

bool ReadInteger(const Json& value, const std::string& where, std::optional<int64_t>* out,
                 std::string* error) {
  if (value.is_number_integer() && !value.is_number_unsigned()) {
    *out = value.get<int64_t>();
    return true;
  }
  if (value.is_number_unsigned() &&
      value.get<uint64_t>() <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
    *out = static_cast<int64_t>(value.get<uint64_t>());
    return true;
  }
  *error = where + ": must be an integer";
  return false;
}

bool ReadAd(const Json& value, const std::string& where, InventoryAd* ad, std::string* error) {
  if (!value.is_object()) {
    *error = where + ": an ad must be an object";
    return false;
  }
  bool has_signature = false;
  for (const auto& [key, member] : value.items()) {
    const std::string at = where + "." + key;
    if (key == "signature") {
      if (!member.is_string()) {
        *error = at + ": must be a string";
        return false;
      }
      ad->signature = member.get<std::string>();
      has_signature = true;
    } else if (key == "markup") {
      ad->markup = member.is_string() ? member.get<std::string>() : member.dump();
    } else if (key == "width") {
      if (!ReadInteger(member, at, &ad->width, error)) {
        return false;
      }
    } else if (key == "height") {
      if (!ReadInteger(member, at, &ad->height, error)) {
        return false;
      }
    } else if (key == "fallback") {
      if (!member.is_array()) {
        *error = at + ": must be an array of ads";
        return false;
      }
      for (size_t i = 0; i < member.size(); ++i) {
        InventoryAd fallback;
        if (!ReadAd(member[i], at + "[" + std::to_string(i) + "]", &fallback, error)) {
          return false;
        }
        ad->fallback.push_back(std::move(fallback));
      }
    } else {
      *error = at + ": unknown member";
      return false;
    }
  }
  if (!has_signature) {
    *error = where + ": \"signature\" is missing";
    return false;
  }
  return true;
}

void AppendChain(const InventoryAd& ad, std::vector<InventoryAd>* chain) {
  InventoryAd link = ad;
  link.fallback.clear();
  chain->push_back(std::move(link));
  for (const InventoryAd& fallback : ad.fallback) {
    AppendChain(fallback, chain);
  }
}

}  // namespace

bool InventoryAd::operator==(const InventoryAd& other) const {
  return signature == other.signature && markup == other.markup && width == other.width &&
         height == other.height && fallback == other.fallback;
}

std::vector<InventoryAd> FallbackChain(const InventoryAd& ad) {
  std::vector<InventoryAd> chain;
  AppendChain(ad, &chain);
  return chain;
}

void Inventory::add(const std::string& tagId, InventoryAd ad) {
  Tag& tag = tags_[tagId];
  tag.chains.push_back(std::make_shared<const std::vector<InventoryAd>>(FallbackChain(ad)));
  tag.ads.push_back(std::move(ad));
}

bool Inventory::loadJson(std::string_view text, std::string* error) {
  std::string ignored;
  std::string* message = error != nullptr ? error : &ignored;
  Json document = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
  if (document.is_discarded()) {
    *message = "inventory: not valid JSON";
    return false;
  }
  if (!document.is_object()) {
    *message = "inventory: must be an object from tag id to an array of ads";
    return false;
  }
  std::vector<std::pair<std::string, InventoryAd>> read;
  for (const auto& [tag_id, ads] : document.items()) {
    const std::string where = "inventory[\"" + tag_id + "\"]";
    if (!ads.is_array()) {
      *message = where + ": must be an array of ads";
      return false;
    }
    for (size_t i = 0; i < ads.size(); ++i) {
      InventoryAd ad;
      if (!ReadAd(ads[i], where + "[" + std::to_string(i) + "]", &ad, message)) {
        return false;
      }
      read.emplace_back(tag_id, std::move(ad));
    }
  }
  for (auto& [tag_id, ad] : read) {
    add(tag_id, std::move(ad));
  }
  return true;
}

bool Inventory::has(const std::string& tagId) const {
  auto found = tags_.find(tagId);
  return found != tags_.end() && !found->second.ads.empty();
}

std::vector<InventoryAd> Inventory::ads(const std::string& tagId) const {
  auto found = tags_.find(tagId);
  return found == tags_.end() ? std::vector<InventoryAd>{} : found->second.ads;
}

std::vector<std::string> Inventory::tagIds() const {
  std::vector<std::string> ids;
  for (const auto& [tag_id, tag] : tags_) {
    if (!tag.ads.empty()) {
      ids.push_back(tag_id);
    }
  }
  return ids;
}

std::optional<InventoryAd> Inventory::next(const std::string& tagId) {
  auto found = tags_.find(tagId);
  if (found == tags_.end() || found->second.ads.empty()) {
    return std::nullopt;
  }
  Tag& tag = found->second;
  InventoryAd ad = tag.ads[tag.next % tag.ads.size()];
  tag.next = (tag.next + 1) % tag.ads.size();
  return ad;
}

std::shared_ptr<const std::vector<InventoryAd>> Inventory::nextChain(const std::string& tagId) {
  auto found = tags_.find(tagId);
  if (found == tags_.end() || found->second.ads.empty()) {
    return nullptr;
  }
  Tag& tag = found->second;
  std::shared_ptr<const std::vector<InventoryAd>> chain = tag.chains[tag.next % tag.chains.size()];
  tag.next = (tag.next + 1) % tag.chains.size();
  return chain;
}

void Inventory::clear() {
  tags_.clear();
}

}  // namespace QevaStandIn
