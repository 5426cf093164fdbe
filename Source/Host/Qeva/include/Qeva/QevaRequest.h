#ifndef QEVA_SDK_QEVAREQUEST_H_
#define QEVA_SDK_QEVAREQUEST_H_

#include <memory>
#include <vector>

#include "Qeva/QevaAdSpace.h"

namespace Qeva {

// A built request for one or more ad spaces, handed to QevaManager::process.
class QevaRequest {
 public:
  explicit QevaRequest(std::vector<std::shared_ptr<QevaAdSpace>> adSpaces)
      : ad_spaces_(std::move(adSpaces)) {}
  const std::vector<std::shared_ptr<QevaAdSpace>>& adSpaces() const { return ad_spaces_; }

 private:
  std::vector<std::shared_ptr<QevaAdSpace>> ad_spaces_;
};

class QevaRequestBuilder {
 public:
  virtual ~QevaRequestBuilder() = default;
  // Adds an ad space; returns the builder to go on with.
  virtual QevaRequestBuilder& addAdSpace(std::shared_ptr<QevaAdSpace> adSpace) = 0;
  virtual std::shared_ptr<QevaRequest> build() = 0;
};

// The builder for ad-spot requests, made by QevaManager::createQevaAdspotRequestBuilder.
class QevaAdspotRequestBuilder : public QevaRequestBuilder {};

}  // namespace Qeva

#endif  // QEVA_SDK_QEVAREQUEST_H_
