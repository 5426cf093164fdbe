#ifndef QEVA_FLUTTER_TESTS_SUPPORT_TESTADS_H_
#define QEVA_FLUTTER_TESTS_SUPPORT_TESTADS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Qeva/QevaAd.h"

// Ads to put into an ad space by hand, and a delegate that records what a renderer reports.
namespace QevaFlutter::support {

// The plugin's display renderer prepared as the SDK would, its reports going nowhere.
std::shared_ptr<Qeva::QevaAd> DisplayAd(const std::string& markup, int64_t width = 320,
                                        int64_t height = 50);

// The textual description of a renderer, as the SDK's objects print it.
std::string Describe(const Qeva::QevaAd& ad);

// Records, as text, every call a renderer makes on the SDK's delegate:
// "onLoadSuccess(<description>)", "onLoadFailure(<description>, <error code>)", ...
class RecordingAdDelegate : public Qeva::QevaAdDelegate {
 public:
  void onLoadSuccess(Qeva::QevaAd& ad) override;
  void onLoadFailure(Qeva::QevaAd& ad, const Qeva::QevaError& error) override;
  void onRenderSuccess(Qeva::QevaAd& ad) override;
  void onClose(Qeva::QevaAd& ad) override;
  void onAdPaused() override;
  void onAdResumed() override;

  std::vector<std::string> calls;
  // The ad's response at each load success ("none" for none): the SDK's ready event hands it
  // to Dart from inside the call.
  std::vector<std::string> seen_at_load;
  // Runs inside onClose, as the SDK's own clean-up would.
  std::function<void()> on_close;
};

}  // namespace QevaFlutter::support

#endif  // QEVA_FLUTTER_TESTS_SUPPORT_TESTADS_H_
