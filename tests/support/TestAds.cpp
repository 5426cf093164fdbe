#include "support/TestAds.h"

#include <utility>

#include "Foundation/NSObject.h"
#include "QevaAd/QevaAdFlutterDisplay.h"
#include "QevaStandIn/IgnoringAdDelegate.h"

namespace QevaFlutter::support {

std::shared_ptr<Qeva::QevaAd> DisplayAd(const std::string& markup, int64_t width, int64_t height) {
  auto ad = std::make_shared<QevaAdFlutterDisplay>();
  ad->setAdParameters(width, height);
  ad->prepare(markup, std::make_shared<QevaStandIn::IgnoringAdDelegate>());
  return ad;
}

std::string Describe(const Qeva::QevaAd& ad) {
  return dynamic_cast<const Foundation::NSObject&>(ad).description();
}

void RecordingAdDelegate::onLoadSuccess(Qeva::QevaAd& ad) {
  calls.push_back("onLoadSuccess(" + Describe(ad) + ")");
  const auto* flutter_ad = dynamic_cast<Qeva::QevaFlutterAd*>(&ad);
  seen_at_load.push_back(flutter_ad ? flutter_ad->getAdResponse().value_or("none") : "none");
}

void RecordingAdDelegate::onLoadFailure(Qeva::QevaAd& ad, const Qeva::QevaError& error) {
  const auto* sdk_error = dynamic_cast<const Qeva::QevaSDKError*>(&error);
  calls.push_back("onLoadFailure(" + Describe(ad) + ", " +
                  (sdk_error ? Qeva::QevaSDKErrorCodeName(sdk_error->code()) : "?") + ")");
}

void RecordingAdDelegate::onRenderSuccess(Qeva::QevaAd& ad) {
  calls.push_back("onRenderSuccess(" + Describe(ad) + ")");
}

void RecordingAdDelegate::onClose(Qeva::QevaAd& ad) {
  calls.push_back("onClose(" + Describe(ad) + ")");
  if (on_close) {
    on_close();
  }
}

void RecordingAdDelegate::onAdPaused() {
  calls.push_back("onAdPaused()");
}

void RecordingAdDelegate::onAdResumed() {
  calls.push_back("onAdResumed()");
}

}  // namespace QevaFlutter::support
