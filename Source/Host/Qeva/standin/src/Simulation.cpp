#include "Simulation.h"

#include <utility>

#include "Describe.h"

namespace QevaStandIn {

using describe::Arg;
using Kind = JournalEntry::Kind;

Simulation& Simulation::Shared() {
  // Never destroyed, like the stand-in: objects held by static objects may still call in while
  // the process exits.
  static Simulation* simulation = new Simulation();
  return *simulation;
}

Simulation::Simulation()
    : journal_recorder_(&StandIn::Shared().journal()),
      recorder_(&journal_recorder_),
      manager_(std::make_unique<StandInManager>()),
      registry_(std::make_unique<StandInRegistry>()),
      user_(std::make_shared<User>()),
      device_(std::make_shared<Device>()),
      application_(std::make_shared<Application>()) {}

void Simulation::clear() {
  handlers_.clear();
  click_throughs_.clear();
  reuse_next_.reset();
  ad_spaces_.clear();
  refused_tag_ids_.clear();
  load_failures_.clear();
  classes_.clear();
  class_of_signature_.clear();
  init_delegate_.reset();
  builder_count_ = 0;
  requests_.clear();
  renderers_.clear();
  tracker_count_ = 0;
  tracker_requests_.clear();
  transport_ = nullptr;
  user_ = std::make_shared<User>();
  device_ = std::make_shared<Device>();
  application_ = std::make_shared<Application>();
  recorder_ = &journal_recorder_;
}

void Simulation::setRecording(bool on) {
  recorder_ = on ? static_cast<Recorder*>(&journal_recorder_) : &null_recorder_;
}

void Simulation::setInitDelegate(std::weak_ptr<Qeva::InitializationStatusDelegate> delegate) {
  init_delegate_ = std::move(delegate);
}

void Simulation::reportInitialization(
    const std::weak_ptr<Qeva::InitializationStatusDelegate>& delegate, bool success,
    const Qeva::QevaError* error) const {
  std::shared_ptr<Qeva::InitializationStatusDelegate> alive = delegate.lock();
  const char* note = alive ? "" : "no delegate";
  if (success) {
    record([&] { return JournalEntry{Kind::callback, "initDelegate", "onSuccess", {}, note}; });
    if (alive) {
      alive->onSuccess();
    }
    return;
  }
  const Qeva::QevaSDKError fallback(Qeva::QevaSDKError::Code::initializationFailed);
  const Qeva::QevaError& reported = error != nullptr ? *error : fallback;
  record([&] {
    return JournalEntry{Kind::callback,
                        "initDelegate",
                        "onFailure",
                        {Arg("error", describe::Quoted(reported.description()))},
                        note};
  });
  if (alive) {
    alive->onFailure(reported);
  }
}

void Simulation::addClass(const Qeva::QevaAdClass& adClass) {
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

const Qeva::QevaAdClass* Simulation::classFor(const std::string& signature) const {
  auto found = class_of_signature_.find(signature);
  return found == class_of_signature_.end() ? nullptr : &classes_[found->second];
}

std::vector<std::string> Simulation::classNames() const {
  std::vector<std::string> names;
  names.reserve(classes_.size());
  for (const Qeva::QevaAdClass& ad_class : classes_) {
    names.push_back(ad_class.name);
  }
  return names;
}

void Simulation::addRenderer(const std::shared_ptr<const Qeva::QevaAd>& renderer) {
  renderers_.push_back(renderer);
}

std::shared_ptr<AdSpace> Simulation::newAdSpace(const std::string& tagId) {
  std::shared_ptr<AdSpace> ad_space = std::move(reuse_next_);
  reuse_next_.reset();
  if (!ad_space) {
    ad_space = std::make_shared<AdSpace>(tagId, ad_spaces_.size() + 1);
    ad_spaces_.push_back(ad_space);
  }
  return ad_space;
}

std::shared_ptr<AdSpace> Simulation::adSpace(uint64_t number) const {
  if (number == 0 || number > ad_spaces_.size()) {
    return nullptr;
  }
  return ad_spaces_[number - 1].lock();
}

uint64_t Simulation::addRequest(const std::shared_ptr<const Qeva::QevaRequest>& request) {
  requests_.push_back(request);
  return requests_.size();
}

std::optional<Qeva::QevaSDKError::Code> Simulation::takeLoadFailure() {
  if (load_failures_.empty()) {
    return std::nullopt;
  }
  const Qeva::QevaSDKError::Code code = load_failures_.front();
  load_failures_.pop_front();
  return code;
}

ClickThrough& Simulation::addClickThrough(const Qeva::QevaCTAHandler* handler,
                                          std::unique_ptr<ClickThrough> clickThrough) {
  ClickThrough& added = *clickThrough;
  handlers_[handler] = &added;
  click_throughs_.push_back(std::move(clickThrough));
  return added;
}

ClickThrough* Simulation::clickThroughOf(const Qeva::QevaCTAHandler* handler) const {
  auto found = handlers_.find(handler);
  return found == handlers_.end() ? nullptr : found->second;
}

ClickThrough* Simulation::clickThrough(uint64_t number) const {
  if (number == 0 || number > click_throughs_.size()) {
    return nullptr;
  }
  return click_throughs_[number - 1].get();
}

void Simulation::sendTrackerRequest(const TrackerRequest& request) {
  tracker_requests_.push_back(request);
  if (TrackerTransport transport = transport_) {
    transport(request);
  }
}

std::string Simulation::nameOf(const Qeva::QevaAdSpace& adSpace) const {
  if (const auto* stand_in = dynamic_cast<const AdSpace*>(&adSpace)) {
    return stand_in->name();
  }
  return adSpace.description();
}

std::string Simulation::nameOf(const Qeva::QevaAd& ad) const {
  for (size_t i = 0; i < renderers_.size(); ++i) {
    if (renderers_[i].lock().get() == &ad) {
      return "renderer#" + std::to_string(i + 1);
    }
  }
  return describe::Object(&ad);
}

std::string Simulation::nameOf(const Qeva::QevaRequest& request) const {
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

}  // namespace QevaStandIn
