#include "support/TestAds.h"

#include <utility>

#include "Foundation/NSObject.h"
#include "QevaAd/QevaAdFlutterDisplay.h"
#include "QevaAd/QevaAdFlutterGAMBanner.h"
#include "QevaStandIn/IgnoringAdDelegate.h"

namespace QevaFlutter::support {
namespace {

class Native : public Qeva::QevaAd {
  void prepare(const std::string&, std::shared_ptr<Qeva::QevaAdDelegate>) override {}
  void render(UIKit::UIView&) override {}
  void pause() override {}
  void resume() override {}
  void close() override {}
};

class Foreign : public Qeva::QevaFlutterAd {
 public:
  explicit Foreign(std::optional<std::string> response) : response_(std::move(response)) {}
  void prepare(const std::string&, std::shared_ptr<Qeva::QevaAdDelegate>) override {}
  void render(UIKit::UIView&) override {}
  void pause() override {}
  void resume() override {}
  void close() override {}
  std::optional<std::string> getAdResponse() const override { return response_; }

 private:
  std::optional<std::string> response_;
};

}  // namespace

std::shared_ptr<Qeva::QevaAd> DisplayAd(const std::string& markup, int64_t width, int64_t height) {
  auto ad = std::make_shared<QevaAdFlutterDisplay>();
  ad->setAdParameters(width, height);
  ad->prepare(markup, std::make_shared<QevaStandIn::IgnoringAdDelegate>());
  return ad;
}

std::shared_ptr<Qeva::QevaAd> GAMBanner(const std::string& markup) {
  auto ad = std::make_shared<QevaAdFlutterGAMBanner>();
  ad->prepare(markup, std::make_shared<QevaStandIn::IgnoringAdDelegate>());
  return ad;
}

std::shared_ptr<Qeva::QevaAd> ForeignFlutterAd(std::optional<std::string> response) {
  return std::make_shared<Foreign>(std::move(response));
}

std::shared_ptr<Qeva::QevaAd> NativeAd() {
  return std::make_shared<Native>();
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
