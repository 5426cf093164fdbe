#ifndef QEVA_STANDIN_SRC_MANAGER_H_
#define QEVA_STANDIN_SRC_MANAGER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Qeva/QevaManager.h"
#include "Qeva/QevaRequest.h"

namespace QevaStandIn {

// What QevaManager::shared() returns. Every operation is journaled with subject "manager".
class StandInManager final : public Qeva::QevaManager {
 public:
  void initialize(int64_t accountId, int64_t appId, const std::string& secretKey,
                  std::weak_ptr<Qeva::InitializationStatusDelegate> delegate) override;
  std::shared_ptr<Qeva::QevaUser> getQevaUser() override;
  std::shared_ptr<Qeva::QevaDevice> getQevaDevice() override;
  std::shared_ptr<Qeva::QevaApplication> getQevaApplication() override;
  std::shared_ptr<Qeva::QevaAdSpace> createQevaAdSpace(const std::string& tagId) override;
  std::unique_ptr<Qeva::QevaAdspotRequestBuilder> createQevaAdspotRequestBuilder() override;
  void process(std::shared_ptr<Qeva::QevaRequest> qevaRequest) override;
};

// What QevaRegistry::shared() returns.
class StandInRegistry final : public Qeva::QevaRegistry {
 public:
  void addQevaAds(const std::vector<Qeva::QevaAdClass>& qevaAds) override;
};

// Journaled as "builder#K"; build() makes "request#K".
class RequestBuilder final : public Qeva::QevaAdspotRequestBuilder {
 public:
  explicit RequestBuilder(uint64_t number) : number_(number) {}

  Qeva::QevaRequestBuilder& addAdSpace(std::shared_ptr<Qeva::QevaAdSpace> adSpace) override;
  std::shared_ptr<Qeva::QevaRequest> build() override;

  // "builder#K".
  std::string name() const;

 private:
  const uint64_t number_;
  std::vector<std::shared_ptr<Qeva::QevaAdSpace>> ad_spaces_;
};

}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_SRC_MANAGER_H_
