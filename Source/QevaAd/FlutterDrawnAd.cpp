#include "QevaAd/FlutterDrawnAd.h"

#include <utility>

#include "QevaAd/Log.h"
#include "QevaAd/QevaFlutterMediationAd.h"

namespace QevaFlutter {

using Qeva::QevaLogType;

template <typename Interface>
FlutterDrawnAd<Interface>::FlutterDrawnAd(const char* class_name) : NSObject(class_name) {
  QEVA_AD_LOG(description(), QevaLogType::info, "init()");
}

template <typename Interface>
FlutterDrawnAd<Interface>::~FlutterDrawnAd() {
  QEVA_AD_LOG(description(), QevaLogType::info, "deinit");
}

template <typename Interface>
std::string FlutterDrawnAd<Interface>::ExecutionStopped() {
  return Qeva::QevaSDKError(Qeva::QevaSDKError::Code::executionStopped).description();
}

template <typename Interface>
void FlutterDrawnAd<Interface>::prepare(const std::string& adResponse,
                                        std::shared_ptr<Qeva::QevaAdDelegate> delegate) {
  QEVA_AD_LOG("", QevaLogType::info, "prepare(adResponse:delegate:)");
  delegate_ = std::move(delegate);
  // Kept as received; the renderer's response is made from it when the SDK asks.
  ad_response_ = adResponse;
  // A local reference keeps the delegate alive should the SDK replace it from inside the call.
  if (auto current = delegate_) {
    current->onLoadSuccess(*this);
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "prepare(adResponse:delegate:)");
  }
}

template <typename Interface>
void FlutterDrawnAd<Interface>::render(UIKit::UIView& /*container*/) {
  if (auto current = delegate_) {
    current->onRenderSuccess(*this);
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "render(container:)");
  }
}

template <typename Interface>
void FlutterDrawnAd<Interface>::pause() {
  if (auto current = delegate_) {
    current->onAdPaused();
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "pause()");
  }
}

template <typename Interface>
void FlutterDrawnAd<Interface>::resume() {
  if (auto current = delegate_) {
    current->onAdResumed();
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "resume()");
  }
}

template <typename Interface>
void FlutterDrawnAd<Interface>::close() {
  // Moving empties the field before the call: the SDK may release this ad from inside onClose,
  // after which no member may be touched.
  if (auto current = std::move(delegate_)) {
    current->onClose(*this);
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "close()");
  }
}

template <typename Interface>
bool FlutterDrawnAd<Interface>::shouldProcessRefresh() const {
  return true;
}

template class FlutterDrawnAd<Qeva::QevaFlutterAd>;
template class FlutterDrawnAd<QevaFlutterMediationAd>;

}  // namespace QevaFlutter
