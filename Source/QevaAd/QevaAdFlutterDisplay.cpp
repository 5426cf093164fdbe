#include "QevaAd/QevaAdFlutterDisplay.h"

#include <nlohmann/json.hpp>

#include <utility>

#include "QevaAd/Log.h"

namespace QevaFlutter {
namespace {

using Qeva::QevaLogType;

constexpr char kSmartphoneBannerSignature[] = "iab.smartphonebanner";
constexpr char kMediumRectangleSignature[] = "iab.mediumrectangle";

constexpr char kAdSizeKey[] = "adSize";
constexpr char kResponseKey[] = "response";

std::string ExecutionStopped() {
  return Qeva::QevaSDKError(Qeva::QevaSDKError::Code::executionStopped).description();
}

}  // namespace

QevaAdFlutterDisplay::QevaAdFlutterDisplay() : NSObject(kClassName) {
  QEVA_AD_LOG(description(), QevaLogType::info, "init()");
}

QevaAdFlutterDisplay::~QevaAdFlutterDisplay() {
  QEVA_AD_LOG(description(), QevaLogType::info, "deinit");
}

std::vector<std::string> QevaAdFlutterDisplay::getSignatures() {
  return {kSmartphoneBannerSignature, kMediumRectangleSignature};
}

void QevaAdFlutterDisplay::prepare(const std::string& adResponse,
                                   std::shared_ptr<Qeva::QevaAdDelegate> delegate) {
  QEVA_AD_LOG("", QevaLogType::info, "prepare(adResponse:delegate:)");
  delegate_ = std::move(delegate);
  ad_response_ = adResponse;
  // A local reference keeps the delegate alive should the SDK replace it from inside the call.
  if (auto current = delegate_) {
    current->onLoadSuccess(*this);
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "prepare(adResponse:delegate:)");
  }
}

void QevaAdFlutterDisplay::render(UIKit::UIView& /*container*/) {
  if (auto current = delegate_) {
    current->onRenderSuccess(*this);
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "render(container:)");
  }
}

void QevaAdFlutterDisplay::pause() {
  if (auto current = delegate_) {
    current->onAdPaused();
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "pause()");
  }
}

void QevaAdFlutterDisplay::resume() {
  if (auto current = delegate_) {
    current->onAdResumed();
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "resume()");
  }
}

void QevaAdFlutterDisplay::close() {
  // Moving empties the field before the call: the SDK may release this ad from inside onClose,
  // after which no member may be touched.
  if (auto current = std::move(delegate_)) {
    current->onClose(*this);
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "close()");
  }
}

std::optional<std::string> QevaAdFlutterDisplay::getAdResponse() const {
  const std::string ad_size = std::to_string(flutter_width_.value_or(0)) + "x" +
                              std::to_string(flutter_height_.value_or(0));
  const nlohmann::json object = {{kAdSizeKey, ad_size},
                                 {kResponseKey, ad_response_.value_or(std::string())}};
  try {
    // Compact, and strict about UTF-8: markup that is not UTF-8 cannot reach Dart as a string.
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;
  }
}

bool QevaAdFlutterDisplay::shouldProcessRefresh() const {
  return true;
}

void QevaAdFlutterDisplay::setAdParameters(std::optional<int64_t> adParameters,
                                           std::optional<int64_t> height) {
  flutter_width_ = adParameters;
  flutter_height_ = height;
}

}  // namespace QevaFlutter
