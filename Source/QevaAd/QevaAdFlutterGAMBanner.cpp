#include "QevaAd/QevaAdFlutterGAMBanner.h"

#include <utility>

#include "Qeva/QevaTracker.h"
#include "QevaAd/Log.h"

namespace QevaFlutter {
namespace {

using Qeva::QevaLogType;

constexpr char kGAMBannerSignature[] = "nw.gambanner";
constexpr char kAdMobBannerSignature[] = "nw.admobbanner";

std::string ExecutionStopped() {
  return Qeva::QevaSDKError(Qeva::QevaSDKError::Code::executionStopped).description();
}

}  // namespace

QevaAdFlutterGAMBanner::QevaAdFlutterGAMBanner() : NSObject(kClassName) {
  QEVA_AD_LOG(description(), QevaLogType::info, "init()");
}

QevaAdFlutterGAMBanner::~QevaAdFlutterGAMBanner() {
  QEVA_AD_LOG(description(), QevaLogType::info, "deinit");
}

std::vector<std::string> QevaAdFlutterGAMBanner::getSignatures() {
  return {kGAMBannerSignature, kAdMobBannerSignature};
}

void QevaAdFlutterGAMBanner::prepare(const std::string& adResponse,
                                     std::shared_ptr<Qeva::QevaAdDelegate> delegate) {
  QEVA_AD_LOG("", QevaLogType::info, "prepare(adResponse:delegate:)");
  delegate_ = std::move(delegate);
  // Kept as received: Dart gets the very text, and a click reads it afresh.
  ad_response_ = adResponse;
  // A local reference keeps the delegate alive should the SDK replace it from inside the call.
  if (auto current = delegate_) {
    current->onLoadSuccess(*this);
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "prepare(adResponse:delegate:)");
  }
}

void QevaAdFlutterGAMBanner::render(UIKit::UIView& /*container*/) {
  if (auto current = delegate_) {
    current->onRenderSuccess(*this);
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "render(container:)");
  }
}

void QevaAdFlutterGAMBanner::pause() {
  if (auto current = delegate_) {
    current->onAdPaused();
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "pause()");
  }
}

void QevaAdFlutterGAMBanner::resume() {
  if (auto current = delegate_) {
    current->onAdResumed();
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "resume()");
  }
}

void QevaAdFlutterGAMBanner::close() {
  // Moving empties the field before the call: the SDK may release this ad from inside onClose,
  // after which no member may be touched.
  if (auto current = std::move(delegate_)) {
    current->onClose(*this);
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "close()");
  }
}

std::optional<std::string> QevaAdFlutterGAMBanner::getAdResponse() const {
  return ad_response_;
}

bool QevaAdFlutterGAMBanner::shouldProcessRefresh() const {
  return true;
}

void QevaAdFlutterGAMBanner::prepareMediationAdFailed() {
  QEVA_AD_LOG("", QevaLogType::info, "prepareMediationAdFailed()");
  const Qeva::QevaSDKError error(Qeva::QevaSDKError::Code::prepareQevaAdFailed);
  // The delegate stays: the SDK answers the failure with a fallback ad or an error event, and
  // a later close() must still reach it.
  if (auto current = delegate_) {
    current->onLoadFailure(*this, error);
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "prepareMediationAdFailed()");
  }
}

void QevaAdFlutterGAMBanner::trackMediationAdClick() {
  // Silent on every path: Dart has already been answered, and a markup without trackers is
  // not an error of the plugin.
  if (!ad_response_) {
    return;
  }
  std::optional<GAMMarkup> markup = ReadGAMMarkup(*ad_response_);
  if (!markup || !markup->adnetwork_params || !markup->adnetwork_params->click_url) {
    return;
  }
  const std::string event_name = Qeva::rawValue(Qeva::QevaVastEvent::click);
  // Nothing is kept between clicks: each one reads the markup and fires through a new tracker.
  Qeva::QevaTracker tracker;
  tracker.addEvent(Qeva::QevaEvent(event_name, std::move(*markup->adnetwork_params->click_url)));
  tracker.fireNotification(event_name);
}

}  // namespace QevaFlutter
