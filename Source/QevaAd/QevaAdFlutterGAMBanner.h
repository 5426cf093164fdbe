#ifndef QEVA_FLUTTER_QEVAAD_QEVAADFLUTTERGAMBANNER_H_
#define QEVA_FLUTTER_QEVAAD_QEVAADFLUTTERGAMBANNER_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/NSObject.h"
#include "Qeva/QevaAd.h"
#include "QevaAd/GAMMarkup.h"
#include "QevaAd/QevaFlutterMediationAd.h"
#include "UIKit/UIKit.h"

namespace QevaFlutter {

// The renderer for Google Ad Manager banners drawn by Flutter. It keeps the GAM markup and
// hands it to Dart unchanged; Dart's clicks fire the markup's click trackers and Dart's
// failed loads go back to the SDK as a load failure, so that it falls back.
//
// Instances are made and owned by the SDK from the registered class; the plugin never
// constructs one.
class QevaAdFlutterGAMBanner final : public Foundation::NSObject,
                                     public Qeva::QevaRefreshableAd,
                                     public QevaFlutterMediationAd {
 public:
  static constexpr const char* kClassName = "QevaFlutter.QevaAdFlutterGAMBanner";

  QevaAdFlutterGAMBanner();
  ~QevaAdFlutterGAMBanner() override;

  // The signatures the SDK picks this class for: "nw.gambanner", "nw.admobbanner".
  static std::vector<std::string> getSignatures();

  // QevaAd. prepare() keeps the delegate (owned) until close().
  void prepare(const std::string& adResponse,
               std::shared_ptr<Qeva::QevaAdDelegate> delegate) override;
  void render(UIKit::UIView& container) override;
  void pause() override;
  void resume() override;
  void close() override;

  // QevaFlutterAd: the markup exactly as prepare() received it, or none before.
  std::optional<std::string> getAdResponse() const override;

  // QevaRefreshableAd: always true.
  bool shouldProcessRefresh() const override;

  // QevaFlutterMediationAd.
  void prepareMediationAdFailed() override;
  // Reads the markup afresh on every call and fires its "click-url" trackers through a new
  // tracker; silent on every failure.
  void trackMediationAdClick() override;

  const std::shared_ptr<Qeva::QevaAdDelegate>& delegate() const { return delegate_; }
  const std::optional<std::string>& adResponse() const { return ad_response_; }

 private:
  std::shared_ptr<Qeva::QevaAdDelegate> delegate_;
  std::shared_ptr<UIKit::UIView> dev_container_;  // Never set: the ad is drawn in Dart.
  std::optional<std::string> ad_response_;
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_QEVAAD_QEVAADFLUTTERGAMBANNER_H_
