#ifndef QEVA_TESTS_HOST_QEVA_FAKEADS_H_
#define QEVA_TESTS_HOST_QEVA_FAKEADS_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/NSObject.h"
#include "Qeva/Qeva.h"
#include "QevaStandIn/StandIn.h"

namespace QevaStandIn {
namespace fakes {

// A renderer that behaves like the plugin's: it reports load success inside prepare() (load
// failure when the markup is "fail"), render success inside render(), and close.
class FakeAd : public Foundation::NSObject,
               public Qeva::QevaFlutterAd,
               public Qeva::QevaCompanionParams {
 public:
  explicit FakeAd(const char* class_name) : NSObject(class_name) {}

  void prepare(const std::string& adResponse,
               std::shared_ptr<Qeva::QevaAdDelegate> delegate) override {
    markup_ = adResponse;
    delegate_ = std::move(delegate);
    if (adResponse == "fail") {
      failLoad();
    } else {
      delegate_->onLoadSuccess(*this);
    }
  }
  void render(UIKit::UIView&) override { delegate_->onRenderSuccess(*this); }
  void pause() override { delegate_->onAdPaused(); }
  void resume() override { delegate_->onAdResumed(); }
  void close() override { delegate_->onClose(*this); }
  std::optional<std::string> getAdResponse() const override { return markup_; }
  void setAdParameters(std::optional<int64_t> width, std::optional<int64_t> height) override {
    width_ = width;
    height_ = height;
  }

  // What a mediated ad does when Dart could not show it. It goes on using itself after the
  // report, as real renderers do, so the SDK must not release it inside the report.
  void failLoad() {
    delegate_->onLoadFailure(*this,
                             Qeva::QevaSDKError(Qeva::QevaSDKError::Code::prepareQevaAdFailed));
    ++failures_reported_;
  }

  const std::string& markup() const { return markup_; }
  std::optional<int64_t> width() const { return width_; }
  std::optional<int64_t> height() const { return height_; }

 private:
  std::string markup_;
  std::shared_ptr<Qeva::QevaAdDelegate> delegate_;
  std::optional<int64_t> width_;
  std::optional<int64_t> height_;
  int failures_reported_ = 0;
};

// Two classes that share the signature "shared.sig", so that registration order decides.
class DisplayFake final : public FakeAd {
 public:
  DisplayFake() : FakeAd("Test.DisplayFake") {}
  static std::vector<std::string> getSignatures() { return {"iab.smartphonebanner", "shared.sig"}; }
};

class BannerFake final : public FakeAd {
 public:
  BannerFake() : FakeAd("Test.BannerFake") {}
  static std::vector<std::string> getSignatures() { return {"nw.gambanner", "shared.sig"}; }
};

inline Qeva::QevaAdClass DisplayClass() {
  return Qeva::QevaAdClass::Of<DisplayFake>("DisplayFake");
}
inline Qeva::QevaAdClass BannerClass() {
  return Qeva::QevaAdClass::Of<BannerFake>("BannerFake");
}

// Records the events of an ad space as "ready <markup of the held ad>", "error <description>",
// and so on, so that a test sees what the ad space held when each event came.
class RecordingAdEvents final : public Qeva::QevaAdEventDelegate {
 public:
  void onAdReady(Qeva::QevaAdSpace& space) override { add("ready", space); }
  void onAdRender(Qeva::QevaAdSpace& space) override { add("render", space); }
  void onAdRefresh(Qeva::QevaAdSpace& space) override { add("refresh", space); }
  void onAdError(Qeva::QevaAdSpace&, const Qeva::QevaError& error) override {
    events.push_back("error " + error.description());
  }
  void onAdClick(Qeva::QevaAdSpace& space) override { add("click", space); }
  void onAdClose(Qeva::QevaAdSpace& space) override { add("close", space); }

  std::vector<std::string> events;

 private:
  void add(const char* event, Qeva::QevaAdSpace& space) {
    std::shared_ptr<Qeva::QevaAd> ad = space.getQevaAd();
    const auto* fake = dynamic_cast<const FakeAd*>(ad.get());
    events.push_back(std::string(event) + " " + (fake != nullptr ? fake->markup() : "(no ad)"));
  }
};

// An ad space requested the way the plugin requests one.
inline std::shared_ptr<Qeva::QevaAdSpace> RequestAd(
    const std::string& tag_id, int64_t refresh_seconds,
    const std::shared_ptr<Qeva::QevaAdEventDelegate>& delegate) {
  Qeva::QevaManager& manager = Qeva::QevaManager::shared();
  std::shared_ptr<Qeva::QevaAdSpace> space = manager.createQevaAdSpace(tag_id);
  if (!space) {
    return nullptr;
  }
  space->setRefreshInterval(refresh_seconds);
  space->setAdEventDelegate(delegate);
  auto builder = manager.createQevaAdspotRequestBuilder();
  manager.process(builder->addAdSpace(space).build());
  return space;
}

inline InventoryAd Ad(std::string signature, std::string markup,
                      std::vector<InventoryAd> fallback = {}) {
  InventoryAd ad;
  ad.signature = std::move(signature);
  ad.markup = std::move(markup);
  ad.fallback = std::move(fallback);
  return ad;
}

}  // namespace fakes
}  // namespace QevaStandIn

#endif  // QEVA_TESTS_HOST_QEVA_FAKEADS_H_
