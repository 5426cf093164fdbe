#include "Qeva/QevaTracker.h"

#include <utility>

#include "Describe.h"
#include "QevaStandIn/StandIn.h"
#include "Simulation.h"

namespace Qeva {
namespace {

std::string TrackerName(uint64_t number) {
  return "tracker#" + std::to_string(number);
}

}  // namespace

QevaTracker::QevaTracker()
    : tracker_number_(QevaStandIn::Simulation::Shared().nextTrackerNumber()) {
  QevaStandIn::Simulation& simulation = QevaStandIn::Simulation::Shared();
  simulation.record([&] {
    return QevaStandIn::Entry(QevaStandIn::JournalEntry::Kind::command, "QevaTracker", "init", {},
                              TrackerName(tracker_number_));
  });
}

void QevaTracker::addEvent(const QevaEvent& event) {
  using QevaStandIn::describe::Quoted;
  QevaStandIn::Simulation& simulation = QevaStandIn::Simulation::Shared();
  simulation.record([&] {
    return QevaStandIn::Entry(
        QevaStandIn::JournalEntry::Kind::command, TrackerName(tracker_number_), "addEvent",
        {QevaStandIn::describe::Arg("event",
                                    "QevaEvent(name: " + Quoted(event.name) + ", httpUrls: " +
                                        QevaStandIn::describe::QuotedList(event.httpUrls) + ")")});
  });
  events_.push_back(event);
}

void QevaTracker::fireNotification(const std::string& eventName) {
  QevaStandIn::Simulation& simulation = QevaStandIn::Simulation::Shared();
  simulation.record([&] {
    return QevaStandIn::Entry(
        QevaStandIn::JournalEntry::Kind::command, TrackerName(tracker_number_), "fireNotification",
        {QevaStandIn::describe::Arg("eventName", QevaStandIn::describe::Quoted(eventName))});
  });
  for (const QevaEvent& event : events_) {
    if (event.name != eventName) {
      continue;
    }
    for (const std::string& url : event.httpUrls) {
      QevaStandIn::TrackerRequest request{eventName, url, tracker_number_};
      simulation.sendTrackerRequest(request);
    }
  }
}

}  // namespace Qeva
