#ifndef QEVA_FLUTTER_QEVAAD_QEVAADFLUTTERDISPLAY_H_
#define QEVA_FLUTTER_QEVAAD_QEVAADFLUTTERDISPLAY_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/NSObject.h"
#include "Qeva/QevaAd.h"
#include "UIKit/UIKit.h"

namespace QevaFlutter {

// The renderer for display ads. It draws nothing: it keeps the markup and the size the SDK
// hands it and gives them out as the JSON text {"adSize": "<w>x<h>", "response": markup},
// which a Flutter widget draws. Towards the SDK it loads and renders at once.
//
// Instances are made and owned by the SDK from the registered class; the plugin never
// constructs one.
class QevaAdFlutterDisplay final : public Foundation::NSObject,
                                   public Qeva::QevaFlutterAd,
                                   public Qeva::QevaRefreshableAd,
                                   public Qeva::QevaCompanionParams {
 public:
  static constexpr const char* kClassName = "QevaFlutter.QevaAdFlutterDisplay";

  QevaAdFlutterDisplay();
  ~QevaAdFlutterDisplay() override;

  // The signatures the SDK picks this class for: "iab.smartphonebanner",
  // "iab.mediumrectangle".
  static std::vector<std::string> getSignatures();

  // QevaAd. prepare() keeps the delegate (owned) until close().
  void prepare(const std::string& adResponse,
               std::shared_ptr<Qeva::QevaAdDelegate> delegate) override;
  void render(UIKit::UIView& container) override;
  void pause() override;
  void resume() override;
  void close() override;

  // QevaFlutterAd: the JSON text for Dart, or none when it cannot be encoded.
  std::optional<std::string> getAdResponse() const override;

  // QevaRefreshableAd: always true.
  bool shouldProcessRefresh() const override;

  // QevaCompanionParams.
  void setAdParameters(std::optional<int64_t> adParameters, std::optional<int64_t> height) override;

  // Fields, read-only, for tests and diagnostics.
  std::optional<int64_t> flutterWidth() const { return flutter_width_; }
  std::optional<int64_t> flutterHeight() const { return flutter_height_; }
  const std::shared_ptr<Qeva::QevaAdDelegate>& delegate() const { return delegate_; }
  const std::optional<std::string>& adResponse() const { return ad_response_; }

 private:
  std::optional<int64_t> flutter_width_;
  std::optional<int64_t> flutter_height_;
  std::shared_ptr<Qeva::QevaAdDelegate> delegate_;
  std::shared_ptr<UIKit::UIView> dev_container_;  // Never set: the ad is drawn in Dart.
  std::optional<std::string> ad_response_;
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_QEVAAD_QEVAADFLUTTERDISPLAY_H_
