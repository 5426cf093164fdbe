#ifndef QEVA_FLUTTER_QEVAAD_QEVAADFLUTTERGAMBANNER_H_
#define QEVA_FLUTTER_QEVAAD_QEVAADFLUTTERGAMBANNER_H_

#include <optional>
#include <string>
#include <vector>

#include "QevaAd/FlutterDrawnAd.h"
#include "QevaAd/QevaFlutterMediationAd.h"

namespace QevaFlutter {

// The renderer for Google Ad Manager banners drawn by Flutter. It hands the GAM markup to Dart
// unchanged; Dart's clicks fire the markup's click trackers and Dart's failed loads go back to
// the SDK as a load failure, so that it falls back.
//
// Instances are made and owned by the SDK from the registered class; the plugin never
// constructs one.
class QevaAdFlutterGAMBanner final : public FlutterDrawnAd<QevaFlutterMediationAd> {
 public:
  static constexpr const char* kClassName = "QevaFlutter.QevaAdFlutterGAMBanner";

  QevaAdFlutterGAMBanner() : FlutterDrawnAd(kClassName) {}

  // The signatures the SDK picks this class for: "nw.gambanner", "nw.admobbanner".
  static std::vector<std::string> getSignatures();

  // QevaFlutterAd: the markup exactly as prepare() received it, or none before.
  std::optional<std::string> getAdResponse() const override { return adResponse(); }

  // QevaFlutterMediationAd. The delegate stays after a failure: the SDK answers it with a
  // fallback ad or an error event, and a later close() must still reach it.
  void prepareMediationAdFailed() override;
  // Reads the markup afresh on every call and fires its "click-url" trackers through a new
  // tracker; silent on every failure.
  void trackMediationAdClick() override;
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_QEVAAD_QEVAADFLUTTERGAMBANNER_H_
