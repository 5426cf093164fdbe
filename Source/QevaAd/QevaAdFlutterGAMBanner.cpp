#include "QevaAd/QevaAdFlutterGAMBanner.h"

#include <utility>

#include "Qeva/QevaTracker.h"
#include "QevaAd/GAMMarkup.h"
#include "QevaAd/Log.h"

namespace QevaFlutter {
namespace {

using Qeva::QevaLogType;

constexpr char kGAMBannerSignature[] = "nw.gambanner";
constexpr char kAdMobBannerSignature[] = "nw.admobbanner";

}  // namespace

std::vector<std::string> QevaAdFlutterGAMBanner::getSignatures() {
  return {kGAMBannerSignature, kAdMobBannerSignature};
}

void QevaAdFlutterGAMBanner::prepareMediationAdFailed() {
  QEVA_AD_LOG("", QevaLogType::info, "prepareMediationAdFailed()");
  const Qeva::QevaSDKError error(Qeva::QevaSDKError::Code::prepareQevaAdFailed);
  if (auto current = delegate()) {
    current->onLoadFailure(*this, error);
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "prepareMediationAdFailed()");
  }
}

void QevaAdFlutterGAMBanner::trackMediationAdClick() {
  // Silent on every path: Dart has already been answered, and a markup without trackers is
  // not an error of the plugin.
  if (!adResponse()) {
    return;
  }
  std::optional<GAMMarkup> markup = ReadGAMMarkup(*adResponse());
  if (!markup || !markup->adnetwork_params || !markup->adnetwork_params->click_url) {
    return;
  }
  const std::string event_name = Qeva::rawValue(Qeva::QevaVastEvent::click);
  // Nothing is kept between clicks: each one reads the markup and fires through a new tracker.
  Qeva::QevaTracker tracker;
  tracker.addEvent(Qeva::QevaEvent(event_name, std::move(*markup->adnetwork_params->click_url)));
  tracker.fireNotification(event_name);
}

}  // namespace QevaFlutter
