#include "Qeva/QevaTracker.h"

#include <utility>

#include "Describe.h"
#include "QevaStandIn/StandIn.h"

namespace Qeva {
namespace {

std::string TrackerName(uint64_t number) {
  return "tracker#" + std::to_string(number);
}

}  // namespace

QevaTracker::QevaTracker() : tracker_number_(++QevaStandIn::StandIn::Shared().tracker_count_) {
  QevaStandIn::StandIn& sdk = QevaStandIn::StandIn::Shared();
  if (sdk.recording()) {
    sdk.record(QevaStandIn::JournalEntry::Kind::command, "QevaTracker", "init", {},
               TrackerName(tracker_number_));
  }
}

void QevaTracker::addEvent(const QevaEvent& event) {
  using QevaStandIn::describe::Quoted;
  QevaStandIn::StandIn& sdk = QevaStandIn::StandIn::Shared();
  if (sdk.recording()) {
    sdk.record(QevaStandIn::JournalEntry::Kind::command, TrackerName(tracker_number_), "addEvent",
               {QevaStandIn::describe::Arg(
                   "event", "QevaEvent(name: " + Quoted(event.name) + ", httpUrls: " +
                                QevaStandIn::describe::QuotedList(event.httpUrls) + ")")});
  }
  events_.push_back(event);
}

void QevaTracker::fireNotification(const std::string& eventName) {
  QevaStandIn::StandIn& sdk = QevaStandIn::StandIn::Shared();
  if (sdk.recording()) {
    sdk.record(QevaStandIn::JournalEntry::Kind::command, TrackerName(tracker_number_),
               "fireNotification",
               {QevaStandIn::describe::Arg("eventName", QevaStandIn::describe::Quoted(eventName))});
  }
  for (const QevaEvent& event : events_) {
    if (event.name != eventName) {
      continue;
    }
    for (const std::string& url : event.httpUrls) {
      QevaStandIn::TrackerRequest request{eventName, url, tracker_number_};
      sdk.tracker_requests_.push_back(request);
      if (QevaStandIn::TrackerTransport transport = sdk.transport_) {
        transport(request);
      }
    }
  }
}

}  // namespace Qeva
