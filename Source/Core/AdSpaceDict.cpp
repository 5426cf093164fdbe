#include "Core/AdSpaceDict.h"

#include <functional>
#include <utility>

namespace QevaFlutter {

namespace {

// Addresses of unrelated objects compare only through std::less, which is a total order.
bool Before(const Qeva::QevaAdSpace* a, const Qeva::QevaAdSpace* b) {
  return std::less<const Qeva::QevaAdSpace*>()(a, b);
}

}  // namespace

bool AdSpaceDict::IndexOrder::operator()(const IndexEntry& a, const IndexEntry& b) const {
  if (a.ad_space != b.ad_space) {
    return Before(a.ad_space, b.ad_space);
  }
  return *a.id < *b.id;
}

bool AdSpaceDict::IndexOrder::operator()(const IndexEntry& a, const Qeva::QevaAdSpace* b) const {
  return Before(a.ad_space, b);
}

void AdSpaceDict::Keep(const std::string& ad_space_id, AdSpacePtr ad_space) {
  auto [entry, inserted] = map_.try_emplace(ad_space_id);
  if (!inserted) {
    if (entry->second == ad_space) {
      return;
    }
    if (entry->second) {
      index_.erase(IndexEntry{entry->second.get(), &entry->first});
    }
  }
  if (ad_space) {
    index_.insert(IndexEntry{ad_space.get(), &entry->first});
  }
  // Last: releasing a replaced ad space may run its destructor.
  entry->second = std::move(ad_space);
}

AdSpaceDict::AdSpacePtr AdSpaceDict::Find(const std::string& ad_space_id) const {
  auto entry = map_.find(ad_space_id);
  return entry == map_.end() ? nullptr : entry->second;
}

std::string AdSpaceDict::Resolve(const Qeva::QevaAdSpace& ad_space) const {
  auto first = index_.lower_bound(&ad_space);
  if (first == index_.end() || first->ad_space != &ad_space) {
    return std::string();
  }
  return *first->id;
}

std::string AdSpaceDict::ResolveByWalk(const Qeva::QevaAdSpace& ad_space) const {
  for (const auto& [ad_space_id, kept] : map_) {
    if (kept.get() == &ad_space) {
      return ad_space_id;
    }
  }
  return std::string();
}

std::vector<std::string> AdSpaceDict::ids() const {
  std::vector<std::string> ids;
  ids.reserve(map_.size());
  for (const auto& entry : map_) {
    ids.push_back(entry.first);
  }
  return ids;
}

}  // namespace QevaFlutter
