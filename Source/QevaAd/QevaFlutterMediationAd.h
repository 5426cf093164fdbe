#ifndef QEVA_FLUTTER_QEVAAD_QEVAFLUTTERMEDIATIONAD_H_
#define QEVA_FLUTTER_QEVAAD_QEVAFLUTTERMEDIATIONAD_H_

#include "Qeva/QevaAd.h"

namespace QevaFlutter {

// A mediated ad: a Flutter-drawn ad whose clicks and failed loads Dart reports back. The
// ad-space channel tests an ad for this interface, not for a class, before it calls either
// operation.
class QevaFlutterMediationAd : public Qeva::QevaFlutterAd {
 public:
  // Reports to the SDK, through the ad's delegate, that the mediated ad failed to load, so
  // that the SDK moves on to a fallback ad.
  virtual void prepareMediationAdFailed() = 0;
  // Fires the ad's click trackers.
  virtual void trackMediationAdClick() = 0;
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_QEVAAD_QEVAFLUTTERMEDIATIONAD_H_
