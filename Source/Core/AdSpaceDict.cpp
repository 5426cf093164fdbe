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
  if (a.adSpace != b.adSpace) {
    return Before(a.adSpace, b.adSpace);
  }
  return *a.id < *b.id;
}

bool AdSpaceDict::IndexOrder::operator()(const IndexEntry& a, const Qeva::QevaAdSpace* b) const {
  return Before(a.adSpace, b);
}

void AdSpaceDict::Keep(const std::string& adSpaceId, AdSpacePtr adSpace) {
  auto [entry, inserted] = map_.try_emplace(adSpaceId);
  if (!inserted) {
    if (entry->second == adSpace) {
      return;
    }
    if (entry->second) {
      index_.erase(IndexEntry{entry->second.get(), &entry->first});
    }
  }
  if (adSpace) {
    index_.insert(IndexEntry{adSpace.get(), &entry->first});
  }
  // Last: releasing a replaced ad space may run its destructor.
  entry->second = std::move(adSpace);
}

AdSpaceDict::AdSpacePtr AdSpaceDict::Find(const std::string& adSpaceId) const {
  auto entry = map_.find(adSpaceId);
  return entry == map_.end() ? nullptr : entry->second;
}

std::string AdSpaceDict::Resolve(const Qeva::QevaAdSpace& adSpace) const {
  auto first = index_.lower_bound(&adSpace);
  if (first == index_.end() || first->adSpace != &adSpace) {
    return std::string();
  }
  return *first->id;
}

std::string AdSpaceDict::ResolveByWalk(const Qeva::QevaAdSpace& adSpace) const {
  for (const auto& [adSpaceId, kept] : map_) {
    if (kept.get() == &adSpace) {
      return adSpaceId;
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
