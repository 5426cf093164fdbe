#include "QevaStandIn/StandIn.h"

#include <utility>

#include "Describe.h"
#include "Foundation/NSObject.h"
#include "Manager.h"
#include "UIKit/UIKit.h"

namespace QevaStandIn {

using describe::Arg;
using Kind = JournalEntry::Kind;

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

StandIn::StandIn()
    : manager_(std::make_unique<StandInManager>()),
      registry_(std::make_unique<StandInRegistry>()),
      user_(std::make_shared<User>()),
      device_(std::make_shared<Device>()),
      application_(std::make_shared<Application>()) {}

StandIn::~StandIn() = default;

void StandIn::clear() {
  // First the run loop: dropping its tasks may release ad spaces and renderers, whose
  // destructors still find a working stand-in.
  run_loop_.clear();
  handlers_.clear();
  click_throughs_.clear();
  reuse_next_.reset();
  ad_spaces_.clear();
  refused_tag_ids_.clear();
  load_failures_.clear();
  classes_.clear();
  class_of_signature_.clear();
  inventory_.clear();
  init_report_ = InitReport::successLater;
  init_delegate_.reset();
  delivery_ = Delivery::posted;
  fetch_delay_ms_ = 0;
  builder_count_ = 0;
  requests_.clear();
  renderers_.clear();
  click_through_simulation_ = true;
  click_through_open_hook_ = nullptr;
  click_through_delay_ms_ = 3000;
  tracker_count_ = 0;
  tracker_requests_.clear();
  transport_ = nullptr;
  user_ = std::make_shared<User>();
  device_ = std::make_shared<Device>();
  application_ = std::make_shared<Application>();
  // Numbers first, then the scene, so that the scene's objects are numbered alike after
  // every reset. The application is fetched before the numbers restart: the first fetch in a
  // process makes a scene of its own.
  UIKit::UIApplication& application = UIKit::UIApplication::sharedApplication();
  Foundation::NSObject::ResetObjectNumbers();
  application.restoreDefaultScene();
  journal_.reset();
  log_sink_.reset();
  recording_ = true;
}

void StandIn::setRecording(bool on) {
  recording_ = on;
  log_sink_.setKeepLines(on);
}

void StandIn::record(JournalEntry::Kind kind, std::string subject, std::string operation,
                     std::vector<std::string> arguments, std::string result) {
  if (!recording_) {
    return;
  }
  journal_.record(JournalEntry{kind, std::move(subject), std::move(operation), std::move(arguments),
                               std::move(result)});
}

void StandIn::reportInitialization(
    const std::weak_ptr<Qeva::InitializationStatusDelegate>& delegate, bool success,
    const Qeva::QevaError* error) {
  std::shared_ptr<Qeva::InitializationStatusDelegate> alive = delegate.lock();
  const char* note = alive ? "" : "no delegate";
  if (success) {
    if (recording_) {
      record(Kind::callback, "initDelegate", "onSuccess", {}, note);
    }
    if (alive) {
      alive->onSuccess();
    }
    return;
  }
  const Qeva::QevaSDKError fallback(Qeva::QevaSDKError::Code::initializationFailed);
  const Qeva::QevaError& reported = error != nullptr ? *error : fallback;
  if (recording_) {
    record(Kind::callback, "initDelegate", "onFailure",
           {Arg("error", describe::Quoted(reported.description()))}, note);
  }
  if (alive) {
    alive->onFailure(reported);
  }
}

void StandIn::reportInitializationSuccess() {
  reportInitialization(init_delegate_, true, nullptr);
}

void StandIn::reportInitializationFailure(const Qeva::QevaError& error) {
  reportInitialization(init_delegate_, false, &error);
}

void StandIn::reportInitializationFailure() {
  reportInitialization(init_delegate_, false, nullptr);
}

std::vector<std::string> StandIn::registeredClassNames() const {
  std::vector<std::string> names;
  names.reserve(classes_.size());
  for (const Qeva::QevaAdClass& ad_class : classes_) {
    names.push_back(ad_class.name);
  }
  return names;
}

const Qeva::QevaAdClass* StandIn::classFor(const std::string& signature) const {
  auto found = class_of_signature_.find(signature);
  return found == class_of_signature_.end() ? nullptr : &classes_[found->second];
}

void StandIn::addClass(const Qeva::QevaAdClass& adClass) {
  for (const Qeva::QevaAdClass& registered : classes_) {
    if (registered.name == adClass.name) {
      return;
    }
  }
  classes_.push_back(adClass);
  if (adClass.getSignatures) {
    for (const std::string& signature : adClass.getSignatures()) {
      // An earlier class keeps a signature it claims too.
      class_of_signature_.emplace(signature, classes_.size() - 1);
    }
  }
}

std::shared_ptr<AdSpace> StandIn::adSpace(uint64_t number) const {
  if (number == 0 || number > ad_spaces_.size()) {
    return nullptr;
  }
  return ad_spaces_[number - 1].lock();
}

ClickThrough* StandIn::clickThrough(uint64_t number) const {
  if (number == 0 || number > click_throughs_.size()) {
    return nullptr;
  }
  return click_throughs_[number - 1].get();
}

std::string StandIn::nameOf(const Qeva::QevaAdSpace& adSpace) const {
  if (const auto* stand_in = dynamic_cast<const AdSpace*>(&adSpace)) {
    return stand_in->name();
  }
  return adSpace.description();
}

std::string StandIn::nameOf(const Qeva::QevaAd& ad) const {
  for (size_t i = 0; i < renderers_.size(); ++i) {
    if (renderers_[i].lock().get() == &ad) {
      return "renderer#" + std::to_string(i + 1);
    }
  }
  return describe::Object(&ad);
}

std::string StandIn::nameOf(const Qeva::QevaRequest& request) const {
  for (size_t i = 0; i < requests_.size(); ++i) {
    if (requests_[i].lock().get() == &request) {
      return "request#" + std::to_string(i + 1);
    }
  }
  std::string name = "request(";
  for (size_t i = 0; i < request.adSpaces().size(); ++i) {
    const auto& ad_space = request.adSpaces()[i];
    name += (i > 0 ? ", " : "") + (ad_space ? nameOf(*ad_space) : std::string("nil"));
  }
  return name + ")";
}

StandInScope::StandInScope(bool echo_log) {
  StandIn::Reset();
  StandIn::Shared().logSink().setEcho(echo_log);
}

StandInScope::~StandInScope() {
  StandIn::Reset();
}

}  // namespace QevaStandIn
