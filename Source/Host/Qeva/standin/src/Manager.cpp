#include "Manager.h"

#include <utility>

#include "Describe.h"
#include "QevaStandIn/StandIn.h"

namespace Qeva {

QevaManager& QevaManager::shared() {
  return *QevaStandIn::StandIn::Shared().manager_;
}

QevaRegistry& QevaRegistry::shared() {
  return *QevaStandIn::StandIn::Shared().registry_;
}

}  // namespace Qeva

namespace QevaStandIn {

using describe::Arg;
using Kind = JournalEntry::Kind;

void StandInManager::initialize(int64_t accountId, int64_t appId, const std::string& secretKey,
                                std::weak_ptr<Qeva::InitializationStatusDelegate> delegate) {
  StandIn& sdk = StandIn::Shared();
  if (sdk.recording()) {
    sdk.record(
        Kind::command, "manager", "initialize",
        {Arg("accountId", describe::Integer(accountId)), Arg("appId", describe::Integer(appId)),
         Arg("secretKey", describe::Quoted(secretKey)),
         Arg("delegate", describe::Object(delegate))});
  }
  sdk.init_delegate_ = delegate;
  const bool success =
      sdk.init_report_ == InitReport::successAtOnce || sdk.init_report_ == InitReport::successLater;
  const Qeva::QevaSDKError failure(Qeva::QevaSDKError::Code::initializationFailed);
  switch (sdk.init_report_) {
    case InitReport::successAtOnce:
    case InitReport::failureAtOnce:
      sdk.reportInitialization(delegate, success, &failure);
      break;
    case InitReport::successLater:
    case InitReport::failureLater:
      sdk.run_loop_.post([delegate, success] {
        const Qeva::QevaSDKError error(Qeva::QevaSDKError::Code::initializationFailed);
        StandIn::Shared().reportInitialization(delegate, success, &error);
      });
      break;
    case InitReport::never:
      break;
  }
}

std::shared_ptr<Qeva::QevaUser> StandInManager::getQevaUser() {
  StandIn& sdk = StandIn::Shared();
  if (sdk.recording()) {
    sdk.record(Kind::query, "manager", "getQevaUser", {}, "user");
  }
  return sdk.user_;
}

std::shared_ptr<Qeva::QevaDevice> StandInManager::getQevaDevice() {
  StandIn& sdk = StandIn::Shared();
  if (sdk.recording()) {
    sdk.record(Kind::query, "manager", "getQevaDevice", {}, "device");
  }
  return sdk.device_;
}

std::shared_ptr<Qeva::QevaApplication> StandInManager::getQevaApplication() {
  StandIn& sdk = StandIn::Shared();
  if (sdk.recording()) {
    sdk.record(Kind::query, "manager", "getQevaApplication", {}, "application");
  }
  return sdk.application_;
}

std::shared_ptr<Qeva::QevaAdSpace> StandInManager::createQevaAdSpace(const std::string& tagId) {
  StandIn& sdk = StandIn::Shared();
  if (sdk.refused_tag_ids_.count(tagId) > 0) {
    if (sdk.recording()) {
      sdk.record(Kind::command, "manager", "createQevaAdSpace",
                 {Arg("tagId", describe::Quoted(tagId))}, "nil");
    }
    return nullptr;
  }
  std::shared_ptr<AdSpace> ad_space = std::move(sdk.reuse_next_);
  sdk.reuse_next_.reset();
  if (!ad_space) {
    ad_space = std::make_shared<AdSpace>(tagId, sdk.ad_spaces_.size() + 1);
    sdk.ad_spaces_.push_back(ad_space);
  }
  if (sdk.recording()) {
    sdk.record(Kind::command, "manager", "createQevaAdSpace",
               {Arg("tagId", describe::Quoted(tagId))}, ad_space->name());
  }
  return ad_space;
}

std::unique_ptr<Qeva::QevaAdspotRequestBuilder> StandInManager::createQevaAdspotRequestBuilder() {
  StandIn& sdk = StandIn::Shared();
  auto builder = std::make_unique<RequestBuilder>(++sdk.builder_count_);
  if (sdk.recording()) {
    sdk.record(Kind::command, "manager", "createQevaAdspotRequestBuilder", {},
               "builder#" + std::to_string(sdk.builder_count_));
  }
  return builder;
}

void StandInManager::process(std::shared_ptr<Qeva::QevaRequest> qevaRequest) {
  StandIn& sdk = StandIn::Shared();
  if (sdk.recording()) {
    sdk.record(Kind::command, "manager", "process",
               {Arg("qevaRequest", qevaRequest ? sdk.nameOf(*qevaRequest) : "nil")});
  }
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
  StandIn& sdk = StandIn::Shared();
  if (sdk.recording()) {
    std::string names = "[";
    for (size_t i = 0; i < qevaAds.size(); ++i) {
      names += (i > 0 ? ", " : "") + qevaAds[i].name;
    }
    names += "]";
    sdk.record(Kind::command, "registry", "addQevaAds", {Arg("qevaAds", names)});
  }
  for (const Qeva::QevaAdClass& ad_class : qevaAds) {
    sdk.addClass(ad_class);
  }
}

std::string RequestBuilder::name() const {
  return "builder#" + std::to_string(number_);
}

Qeva::QevaRequestBuilder& RequestBuilder::addAdSpace(std::shared_ptr<Qeva::QevaAdSpace> adSpace) {
  StandIn& sdk = StandIn::Shared();
  if (sdk.recording()) {
    sdk.record(Kind::command, name(), "addAdSpace",
               {Arg("adSpace", adSpace ? sdk.nameOf(*adSpace) : "nil")});
  }
  if (adSpace) {
    ad_spaces_.push_back(std::move(adSpace));
  }
  return *this;
}

std::shared_ptr<Qeva::QevaRequest> RequestBuilder::build() {
  StandIn& sdk = StandIn::Shared();
  auto request = std::make_shared<Qeva::QevaRequest>(ad_spaces_);
  sdk.requests_.push_back(request);
  if (sdk.recording()) {
    sdk.record(Kind::command, name(), "build", {},
               "request#" + std::to_string(sdk.requests_.size()));
  }
  return request;
}

}  // namespace QevaStandIn
