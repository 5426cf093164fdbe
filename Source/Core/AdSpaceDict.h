#ifndef QEVA_FLUTTER_CORE_ADSPACEDICT_H_
#define QEVA_FLUTTER_CORE_ADSPACEDICT_H_

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Qeva/QevaAdSpace.h"

namespace QevaFlutter {

// The ad-space channel's adSpaceDict: the ad spaces it keeps, by ad-space id, in id order.
//
// The SDK names an ad space by object, never by id, so every ad event has to find the id of
// the object it got. That id is defined by a walk: the first id, in id order, whose ad space is
// that very object. A reverse index from object address to its ids answers the same in
// O(log n), so an event costs the same with a hundred thousand ad spaces as with ten. The
// index holds one small node per kept id (an address and a pointer to the id in the map), and
// is kept in step by Keep(), the only writer.
//
// Main thread only, like the rest of the plugin.
class AdSpaceDict {
 public:
  using AdSpacePtr = std::shared_ptr<Qeva::QevaAdSpace>;

  // Keeps |ad_space| under |ad_space_id|. An ad space already kept under that id is replaced
  // (the plugin never does so on purpose: ids are random UUIDs). The same object may be kept
  // under several ids. A null ad space is kept but never found by Resolve().
  void Keep(const std::string& ad_space_id, AdSpacePtr ad_space);

  // The ad space kept under exactly |ad_space_id|, or null.
  AdSpacePtr Find(const std::string& ad_space_id) const;

  // The smallest id whose ad space is |ad_space| itself (identity, not content), or the empty
  // id when none is. O(log n).
  std::string Resolve(const Qeva::QevaAdSpace& ad_space) const;
  // The same answer the way it is defined: a walk over the map in id order. O(n); kept as the
  // reference that Resolve() is tested against.
  std::string ResolveByWalk(const Qeva::QevaAdSpace& ad_space) const;

  // Every id, in id order.
  std::vector<std::string> ids() const;
  size_t size() const { return map_.size(); }

 private:
  // One id of one ad space. |id| points at the key inside map_, which stays put for as long
  // as the map keeps the entry.
  struct IndexEntry {
    const Qeva::QevaAdSpace* ad_space;
    const std::string* id;
  };
  // By address, then by id: the first entry of an address holds its smallest id. Transparent,
  // so that lower_bound() with an address alone finds that first entry.
  struct IndexOrder {
    using is_transparent = void;
    bool operator()(const IndexEntry& a, const IndexEntry& b) const;
    bool operator()(const IndexEntry& a, const Qeva::QevaAdSpace* b) const;
  };

  std::map<std::string, AdSpacePtr> map_;
  std::set<IndexEntry, IndexOrder> index_;
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_CORE_ADSPACEDICT_H_
