#include "Core/PendingResults.h"

#include <utility>

namespace QevaFlutter {

void PendingResults::Store(const std::string& ad_space_id, PendingResult result) {
  // try_emplace leaves |result| alone when the id is taken.
  auto [entry, inserted] = map_.try_emplace(ad_space_id, std::move(result));
  if (!inserted) {
    entry->second.ReplaceWith(std::move(result));
  }
}

PendingResult PendingResults::Take(const std::string& ad_space_id) {
  auto entry = map_.find(ad_space_id);
  if (entry == map_.end()) {
    return PendingResult();
  }
  PendingResult result = std::move(entry->second);
  map_.erase(entry);
  return result;
}

void PendingResults::Drop(const std::string& ad_space_id) {
  auto entry = map_.find(ad_space_id);
  if (entry != map_.end()) {
    PendingResult dropped = std::move(entry->second);
    map_.erase(entry);
    dropped.Drop();
  }
}

std::vector<std::string> PendingResults::ids() const {
  std::vector<std::string> ids;
  ids.reserve(map_.size());
  for (const auto& entry : map_) {
    ids.push_back(entry.first);
  }
  return ids;
}

}  // namespace QevaFlutter
