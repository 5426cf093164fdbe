#include "QevaStandIn/StandIn.h"

#include <utility>

#include "Foundation/NSObject.h"
#include "Simulation.h"
#include "UIKit/UIKit.h"

namespace QevaStandIn {

std::string TrackerRequest::ToString() const {
  return "tracker#" + std::to_string(trackerNumber) + " " + eventName + " " + url;
}

bool TrackerRequest::operator==(const TrackerRequest& other) const {
  return eventName == other.eventName && url == other.url && trackerNumber == other.trackerNumber;
}

StandIn& StandIn::Shared() {
  // Never destroyed: ad spaces and renderers held by static objects may still call in while
  // the process exits.
  static StandIn* stand_in = new StandIn();
  return *stand_in;
}

void StandIn::Reset() {
  Shared().clear();
}

void StandIn::clear() {
  // First the run loop: dropping its tasks may release ad spaces and renderers, whose
  // destructors still find a working stand-in.
  run_loop_.clear();
  Simulation::Shared().clear();
  inventory_.clear();
  init_report_ = InitReport::successLater;
  delivery_ = Delivery::posted;
  fetch_delay_ms_ = 0;
  click_through_simulation_ = true;
  click_through_open_hook_ = nullptr;
  click_through_delay_ms_ = 3000;
  // Numbers first, then the scene, so that the scene's objects are numbered alike after
  // every reset. The application is fetched before the numbers restart: the first fetch in a
  // process makes a scene of its own.
  UIKit::UIApplication& application = UIKit::UIApplication::sharedApplication();
  Foundation::NSObject::ResetObjectNumbers();
  application.restoreDefaultScene();
  journal_.reset();
  log_sink_.reset();
}

void StandIn::setRecording(bool on) {
  Simulation::Shared().setRecording(on);
  log_sink_.setKeepLines(on);
}

bool StandIn::recording() const {
  return Simulation::Shared().recording();
}

void StandIn::reportInitializationSuccess() {
  Simulation& simulation = Simulation::Shared();
  simulation.reportInitialization(simulation.initDelegate(), true, nullptr);
}

void StandIn::reportInitializationFailure(const Qeva::QevaError& error) {
  Simulation& simulation = Simulation::Shared();
  simulation.reportInitialization(simulation.initDelegate(), false, &error);
}

void StandIn::reportInitializationFailure() {
  Simulation& simulation = Simulation::Shared();
  simulation.reportInitialization(simulation.initDelegate(), false, nullptr);
}

std::vector<std::string> StandIn::registeredClassNames() const {
  return Simulation::Shared().classNames();
}

void StandIn::refuseTagId(const std::string& tagId) {
  Simulation::Shared().refuseTag(tagId);
}

void StandIn::reuseAdSpaceForNextCreate(std::shared_ptr<AdSpace> adSpace) {
  Simulation::Shared().reuseForNextCreate(std::move(adSpace));
}

size_t StandIn::adSpaceCount() const {
  return Simulation::Shared().adSpaceCount();
}

std::shared_ptr<AdSpace> StandIn::adSpace(uint64_t number) const {
  return Simulation::Shared().adSpace(number);
}

void StandIn::failNextLoad(Qeva::QevaSDKError::Code code) {
  Simulation::Shared().failNextLoad(code);
}

size_t StandIn::clickThroughCount() const {
  return Simulation::Shared().clickThroughCount();
}

ClickThrough* StandIn::clickThrough(uint64_t number) const {
  return Simulation::Shared().clickThrough(number);
}

const std::vector<TrackerRequest>& StandIn::trackerRequests() const {
  return Simulation::Shared().trackerRequests();
}

void StandIn::setTrackerTransport(TrackerTransport transport) {
  Simulation::Shared().setTrackerTransport(std::move(transport));
}

User& StandIn::user() {
  return *Simulation::Shared().user();
}

Device& StandIn::device() {
  return *Simulation::Shared().device();
}

Application& StandIn::application() {
  return *Simulation::Shared().application();
}

std::string StandIn::nameOf(const Qeva::QevaAdSpace& adSpace) const {
  return Simulation::Shared().nameOf(adSpace);
}

std::string StandIn::nameOf(const Qeva::QevaAd& ad) const {
  return Simulation::Shared().nameOf(ad);
}

StandInScope::StandInScope(bool echo_log) {
  StandIn::Reset();
  StandIn::Shared().logSink().setEcho(echo_log);
}

StandInScope::~StandInScope() {
  StandIn::Reset();
}

}  // namespace QevaStandIn
