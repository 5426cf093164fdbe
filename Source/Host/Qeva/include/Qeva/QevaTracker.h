#ifndef QEVA_SDK_QEVATRACKER_H_
#define QEVA_SDK_QEVATRACKER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace Qeva {

// VAST tracking events. Their text values are VAST's event names.
enum class QevaVastEvent { impression, click, start, complete };
// rawValue: "impression", "click", "start", "complete".
const char* rawValue(QevaVastEvent event);

// A tracking event: a name and the URLs to request when it fires.
struct QevaEvent {
  QevaEvent(std::string name, std::vector<std::string> httpUrls)
      : name(std::move(name)), httpUrls(std::move(httpUrls)) {}
  std::string name;
  std::vector<std::string> httpUrls;
};

// Requests tracking URLs. fireNotification requests every URL of every event added under
// that name, in the order added; the requests themselves are the SDK's business.
class QevaTracker {
 public:
  QevaTracker();

  void addEvent(const QevaEvent& event);
  void fireNotification(const std::string& eventName);

  uint64_t trackerNumber() const { return tracker_number_; }

 private:
  uint64_t tracker_number_;
  std::vector<QevaEvent> events_;
};

}  // namespace Qeva

#endif  // QEVA_SDK_QEVATRACKER_H_
