#ifndef QEVA_SDK_QEVAMANAGER_H_
#define QEVA_SDK_QEVAMANAGER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Qeva/QevaAd.h"
#include "Qeva/QevaAdSpace.h"
#include "Qeva/QevaError.h"
#include "Qeva/QevaRequest.h"
#include "Qeva/QevaTargeting.h"

namespace Qeva {

// Reports the outcome of QevaManager::initialize.
class InitializationStatusDelegate {
 public:
  virtual ~InitializationStatusDelegate() = default;
  virtual void onSuccess() = 0;
  virtual void onFailure(const QevaError& error) = 0;
};

// The SDK's single manager object.
class QevaManager {
 public:
  static QevaManager& shared();

  virtual ~QevaManager() = default;

  // Starts the SDK. The outcome reaches |delegate| (held weakly) at once or later.
  virtual void initialize(int64_t accountId, int64_t appId, const std::string& secretKey,
                          std::weak_ptr<InitializationStatusDelegate> delegate) = 0;
  // The SDK's targeting objects; each call returns the same object.
  virtual std::shared_ptr<QevaUser> getQevaUser() = 0;
  virtual std::shared_ptr<QevaDevice> getQevaDevice() = 0;
  virtual std::shared_ptr<QevaApplication> getQevaApplication() = 0;
  // A new ad space for |tagId|, or null when the SDK refuses the tag id.
  virtual std::shared_ptr<QevaAdSpace> createQevaAdSpace(const std::string& tagId) = 0;
  virtual std::unique_ptr<QevaAdspotRequestBuilder> createQevaAdspotRequestBuilder() = 0;
  // Fetches ads for the request's ad spaces; each ends in a ready or an error event.
  virtual void process(std::shared_ptr<QevaRequest> qevaRequest) = 0;
};

// The SDK's single registry of ad classes.
class QevaRegistry {
 public:
  static QevaRegistry& shared();

  virtual ~QevaRegistry() = default;

  // Registered classes become renderers for the signatures their getSignatures() claims.
  virtual void addQevaAds(const std::vector<QevaAdClass>& qevaAds) = 0;
};

}  // namespace Qeva

#endif  // QEVA_SDK_QEVAMANAGER_H_
