#ifndef QEVA_SDK_QEVAAD_H_
#define QEVA_SDK_QEVAAD_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Qeva/QevaError.h"
#include "UIKit/UIKit.h"

namespace Qeva {

class QevaAd;

// What a renderer reports to the SDK. The renderer owns the delegate it was given in
// prepare() (a std::shared_ptr) until close().
class QevaAdDelegate {
 public:
  virtual ~QevaAdDelegate() = default;
  virtual void onLoadSuccess(QevaAd& qevaAd) = 0;
  virtual void onLoadFailure(QevaAd& qevaAd, const QevaError& qevaError) = 0;
  virtual void onRenderSuccess(QevaAd& qevaAd) = 0;
  virtual void onClose(QevaAd& qevaAd) = 0;
  virtual void onAdPaused() = 0;
  virtual void onAdResumed() = 0;
};

enum class QevaLayout { banner, interstitial };
enum class AdClickBrowser { embedded, external };

// An ad renderer. The SDK creates renderers from registered classes (QevaAdClass) and owns
// them; others reach a renderer only through its ad space's getQevaAd().
class QevaAd {
 public:
  virtual ~QevaAd() = default;

  // Hands the renderer its markup and the SDK's delegate for this ad.
  virtual void prepare(const std::string& adResponse, std::shared_ptr<QevaAdDelegate> delegate) = 0;
  virtual void render(UIKit::UIView& container) = 0;
  // Defaults of the SDK: they only remember the value.
  virtual void setLayout(QevaLayout layout) { layout_ = layout; }
  virtual void setAdClickBrowser(AdClickBrowser browser) { ad_click_browser_ = browser; }
  virtual void pause() = 0;
  virtual void resume() = 0;
  virtual void close() = 0;

 protected:
  QevaLayout layout_ = QevaLayout::banner;
  AdClickBrowser ad_click_browser_ = AdClickBrowser::embedded;
};

// A renderer whose ad is drawn by Flutter: it hands its response text to Dart.
class QevaFlutterAd : public QevaAd {
 public:
  // The text Dart receives for this ad, or none.
  virtual std::optional<std::string> getAdResponse() const = 0;
};

// A renderer that takes part in the ad space's refresh.
class QevaRefreshableAd {
 public:
  virtual ~QevaRefreshableAd() = default;
  virtual bool shouldProcessRefresh() const = 0;
};

// A renderer that takes the ad's size from the SDK before prepare().
class QevaCompanionParams {
 public:
  virtual ~QevaCompanionParams() = default;
  // set(adParameters:height:): the width and the height; an empty value empties the field.
  virtual void setAdParameters(std::optional<int64_t> adParameters,
                               std::optional<int64_t> height) = 0;
};

// A class reference for the registry: the class's name, its class operation getSignatures()
// and a way to make instances.
struct QevaAdClass {
  std::string name;
  std::function<std::vector<std::string>()> getSignatures;
  std::function<std::shared_ptr<QevaAd>()> make;

  // The reference of class |T|, which must have a no-argument constructor and a static
  // getSignatures().
  template <typename T>
  static QevaAdClass Of(std::string class_name) {
    return QevaAdClass{std::move(class_name), [] { return T::getSignatures(); },
                       []() -> std::shared_ptr<QevaAd> { return std::make_shared<T>(); }};
  }
};

}  // namespace Qeva

#endif  // QEVA_SDK_QEVAAD_H_
