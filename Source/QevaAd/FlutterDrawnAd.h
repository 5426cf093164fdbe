#ifndef QEVA_FLUTTER_QEVAAD_FLUTTERDRAWNAD_H_
#define QEVA_FLUTTER_QEVAAD_FLUTTERDRAWNAD_H_

#include <memory>
#include <optional>
#include <string>

#include "Foundation/NSObject.h"
#include "Qeva/QevaAd.h"
#include "UIKit/UIKit.h"

namespace QevaFlutter {

// The life-cycle every renderer of an ad drawn in Dart shares. Nothing is drawn natively: the
// ad keeps the markup and the SDK's delegate that prepare() hands it, reports load success at
// once and render success whenever it is told to render. Its renderers add only their
// response and, for mediated ads, what Dart reports back.
//
// |Interface| is the SDK interface the renderer is reached through: Qeva::QevaFlutterAd, or
// QevaFlutterMediationAd, which extends it. Both are instantiated in FlutterDrawnAd.cpp.
template <typename Interface>
class FlutterDrawnAd : public Foundation::NSObject,
                       public Interface,
                       public Qeva::QevaRefreshableAd {
 public:
  // Logs the description, as destruction does again. |class_name| is a string literal.
  explicit FlutterDrawnAd(const char* class_name);
  ~FlutterDrawnAd() override;

  // QevaAd. prepare() keeps the delegate (owned) until close(); without a delegate each
  // operation logs the SDK's executionStopped error and does nothing else.
  void prepare(const std::string& adResponse,
               std::shared_ptr<Qeva::QevaAdDelegate> delegate) override;
  void render(UIKit::UIView& container) override;
  void pause() override;
  void resume() override;
  void close() override;

  // QevaRefreshableAd: always true.
  bool shouldProcessRefresh() const override;

  // Fields, read-only, for tests and diagnostics.
  const std::shared_ptr<Qeva::QevaAdDelegate>& delegate() const { return delegate_; }
  const std::optional<std::string>& adResponse() const { return ad_response_; }

 protected:
  // The SDK's executionStopped error as it is logged.
  static std::string ExecutionStopped();

 private:
  std::shared_ptr<Qeva::QevaAdDelegate> delegate_;
  std::optional<std::string> ad_response_;  // As prepare() received it.
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_QEVAAD_FLUTTERDRAWNAD_H_
