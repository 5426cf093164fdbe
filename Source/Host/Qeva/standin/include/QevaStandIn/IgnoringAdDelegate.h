#ifndef QEVA_STANDIN_IGNORINGADDELEGATE_H_
#define QEVA_STANDIN_IGNORINGADDELEGATE_H_

#include "Qeva/QevaAd.h"

namespace QevaStandIn {

// The SDK's side of a renderer prepared by hand, outside any ad space: every report is heard
// and dropped.
class IgnoringAdDelegate final : public Qeva::QevaAdDelegate {
 public:
  void onLoadSuccess(Qeva::QevaAd&) override {}
  void onLoadFailure(Qeva::QevaAd&, const Qeva::QevaError&) override {}
  void onRenderSuccess(Qeva::QevaAd&) override {}
  void onClose(Qeva::QevaAd&) override {}
  void onAdPaused() override {}
  void onAdResumed() override {}
};

}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_IGNORINGADDELEGATE_H_
