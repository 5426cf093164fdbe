#include "Manager.h"

#include <utility>

#include "Describe.h"
#include "QevaStandIn/StandIn.h"
#include "Simulation.h"

namespace Qeva {

QevaManager& QevaManager::shared() {
  return QevaStandIn::Simulation::Shared().manager();
}

QevaRegistry& QevaRegistry::shared() {
  return QevaStandIn::Simulation::Shared().registry();
}

}  // namespace Qeva

namespace QevaStandIn {

using describe::Arg;
using Kind = JournalEntry::Kind;

void StandInManager::initialize(int64_t accountId, int64_t appId, const std::string& secretKey,
                                std::weak_ptr<Qeva::InitializationStatusDelegate> delegate) {
  Simulation& simulation = Simulation::Shared();
  simulation.record([&] {
    return Entry(
        Kind::command, "manager", "initialize",
        {Arg("accountId", describe::Integer(accountId)), Arg("appId", describe::Integer(appId)),
         Arg("secretKey", describe::Quoted(secretKey)),
         Arg("delegate", describe::Object(delegate))});
  });
  simulation.setInitDelegate(delegate);
  const InitReport report = StandIn::Shared().initializationReport();
  const bool success = report == InitReport::successAtOnce || report == InitReport::successLater;
  const Qeva::QevaSDKError failure(Qeva::QevaSDKError::Code::initializationFailed);
  switch (report) {
    case InitReport::successAtOnce:
    case InitReport::failureAtOnce:
      simulation.reportInitialization(delegate, success, &failure);
      break;
    case InitReport::successLater:
    case InitReport::failureLater:
      StandIn::Shared().runLoop().post([delegate, success] {
        const Qeva::QevaSDKError error(Qeva::QevaSDKError::Code::initializationFailed);
        Simulation::Shared().reportInitialization(delegate, success, &error);
      });
      break;
    case InitReport::never:
      break;
  }
}

std::shared_ptr<Qeva::QevaUser> StandInManager::getQevaUser() {
  Simulation& simulation = Simulation::Shared();
  simulation.record([&] { return Entry(Kind::query, "manager", "getQevaUser", {}, "user"); });
  return simulation.user();
}

std::shared_ptr<Qeva::QevaDevice> StandInManager::getQevaDevice() {
  Simulation& simulation = Simulation::Shared();
  simulation.record([&] { return Entry(Kind::query, "manager", "getQevaDevice", {}, "device"); });
  return simulation.device();
}

std::shared_ptr<Qeva::QevaApplication> StandInManager::getQevaApplication() {
  Simulation& simulation = Simulation::Shared();
  simulation.record(
      [&] { return Entry(Kind::query, "manager", "getQevaApplication", {}, "application"); });
  return simulation.application();
}

std::shared_ptr<Qeva::QevaAdSpace> StandInManager::createQevaAdSpace(const std::string& tagId) {
  Simulation& simulation = Simulation::Shared();
  if (simulation.refuses(tagId)) {
    simulation.record([&] {
      return Entry(Kind::command, "manager", "createQevaAdSpace",
                   {Arg("tagId", describe::Quoted(tagId))}, "nil");
    });
    return nullptr;
  }
  std::shared_ptr<AdSpace> ad_space = simulation.newAdSpace(tagId);
  simulation.record([&] {
    return Entry(Kind::command, "manager", "createQevaAdSpace",
                 {Arg("tagId", describe::Quoted(tagId))}, ad_space->name());
  });
  return ad_space;
}

std::unique_ptr<Qeva::QevaAdspotRequestBuilder> StandInManager::createQevaAdspotRequestBuilder() {
  Simulation& simulation = Simulation::Shared();
  auto builder = std::make_unique<RequestBuilder>(simulation.nextBuilderNumber());
  simulation.record([&] {
    return Entry(Kind::command, "manager", "createQevaAdspotRequestBuilder", {}, builder->name());
  });
  return builder;
}

void StandInManager::process(std::shared_ptr<Qeva::QevaRequest> qevaRequest) {
  Simulation& simulation = Simulation::Shared();
  simulation.record([&] {
    return Entry(Kind::command, "manager", "process",
                 {Arg("qevaRequest", qevaRequest ? simulation.nameOf(*qevaRequest) : "nil")});
  });
  if (!qevaRequest) {
    return;
  }
  for (const auto& ad_space : qevaRequest->adSpaces()) {
    // Only the stand-in's own ad spaces can be served; anything else has no fetch to run.
    if (auto stand_in = std::dynamic_pointer_cast<AdSpace>(ad_space)) {
      stand_in->startFetch();
    }
  }
}

void StandInRegistry::addQevaAds(const std::vector<Qeva::QevaAdClass>& qevaAds) {
  Simulation& simulation = Simulation::Shared();
  simulation.record([&] {
    std::string names = "[";
    for (size_t i = 0; i < qevaAds.size(); ++i) {
      names += (i > 0 ? ", " : "") + qevaAds[i].name;
    }
    names += "]";
    return Entry(Kind::command, "registry", "addQevaAds", {Arg("qevaAds", names)});
  });
  for (const Qeva::QevaAdClass& ad_class : qevaAds) {
    simulation.addClass(ad_class);
  }
}

std::string RequestBuilder::name() const {
  return "builder#" + std::to_string(number_);
}

Qeva::QevaRequestBuilder& RequestBuilder::addAdSpace(std::shared_ptr<Qeva::QevaAdSpace> adSpace) {
  Simulation& simulation = Simulation::Shared();
  simulation.record([&] {
    return Entry(Kind::command, name(), "addAdSpace",
                 {Arg("adSpace", adSpace ? simulation.nameOf(*adSpace) : "nil")});
  });
  if (adSpace) {
    ad_spaces_.push_back(std::move(adSpace));
  }
  return *this;
}

std::shared_ptr<Qeva::QevaRequest> RequestBuilder::build() {
  Simulation& simulation = Simulation::Shared();
  auto request = std::make_shared<Qeva::QevaRequest>(ad_spaces_);
  const uint64_t number = simulation.addRequest(request);
  simulation.record([&] {
    return Entry(Kind::command, name(), "build", {}, "request#" + std::to_string(number));
  });
  return request;
}

}  // namespace QevaStandIn
