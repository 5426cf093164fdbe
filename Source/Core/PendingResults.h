#ifndef QEVA_FLUTTER_CORE_PENDINGRESULTS_H_
#define QEVA_FLUTTER_CORE_PENDINGRESULTS_H_

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "Core/PendingResult.h"

namespace QevaFlutter {

// The ad-space channel's adSpaceResults: the Dart calls waiting for an ad-space event, one
// per ad-space id. Nobody touches the map but these operations, and each writes the reply
// ledger of the call it lets go. Main thread only.
class PendingResults {
 public:
  // Keeps |result| under |ad_space_id|. A call kept there before is replaced: never
  // answered, recorded as replaced.
  void Store(const std::string& ad_space_id, PendingResult result);

  bool Has(const std::string& ad_space_id) const { return map_.count(ad_space_id) != 0; }

  // Moves the call kept under |ad_space_id| out and erases its entry, so that it is answered
  // from outside the map; a result that holds no call when there is none.
  PendingResult Take(const std::string& ad_space_id);

  // Erases the call kept under |ad_space_id|, if any, unanswered, recorded as dropped.
  void Drop(const std::string& ad_space_id);

  // The ids with a call kept, in id order.
  std::vector<std::string> ids() const;
  size_t size() const { return map_.size(); }

 private:
  std::map<std::string, PendingResult> map_;
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_CORE_PENDINGRESULTS_H_
