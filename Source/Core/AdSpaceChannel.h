#ifndef QEVA_FLUTTER_CORE_ADSPACECHANNEL_H_
#define QEVA_FLUTTER_CORE_ADSPACECHANNEL_H_

#include <flutter/binary_messenger.h>
#include <flutter/method_call.h>

#include <cstdint>
#include <memory>
#include <string>

#include "Core/AdSpaceDict.h"
#include "Core/ChannelArguments.h"
#include "Core/PendingResult.h"
#include "Core/PendingResults.h"
#include "Core/ReplyLedger.h"
#include "Qeva/QevaAdSpace.h"
#include "Qeva/QevaCTAHandler.h"
#include "Qeva/QevaError.h"
#include "UIKit/UIKit.h"

namespace QevaFlutter {

// The "QevaAdSpace" channel: Dart's ad requests and its commands on a delivered ad, the SDK's
// ad events answered to the calls they wait on, and the click-through.
//
// It owns the ad spaces it has had the SDK create (adSpaceDict, never shrunk) and the calls
// waiting for an event of one of them (adSpaceResults). It is the event delegate of every ad
// space it creates and the delegate of every click-through it opens; the SDK holds it weakly.
class AdSpaceChannel : public Qeva::QevaAdEventDelegate, public Qeva::QevaCTAHandlerEvents {
 public:
  static constexpr char kName[] = "QevaAdSpace";

  // Records its calls in |ledger|.
  explicit AdSpaceChannel(std::shared_ptr<ReplyLedger> ledger);
  ~AdSpaceChannel() override;

  AdSpaceChannel(const AdSpaceChannel&) = delete;
  AdSpaceChannel& operator=(const AdSpaceChannel&) = delete;

  // Opens the channel on |messenger| with a handler that owns |channel|; nothing ever
  // unregisters it.
  static void Open(flutter::BinaryMessenger* messenger, std::shared_ptr<AdSpaceChannel> channel);

  // QevaAdEventDelegate: ready, render, refresh and error answer the call waiting on the ad
  // space; click and close do nothing.
  void onAdReady(Qeva::QevaAdSpace& qevaAdSpace) override;
  void onAdRender(Qeva::QevaAdSpace& qevaAdSpace) override;
  void onAdRefresh(Qeva::QevaAdSpace& qevaAdSpace) override;
  void onAdError(Qeva::QevaAdSpace& qevaAdSpace, const Qeva::QevaError& qevaError) override;
  void onAdClick(Qeva::QevaAdSpace& qevaAdSpace) override;
  void onAdClose(Qeva::QevaAdSpace& qevaAdSpace) override;

  // QevaCTAHandlerEvents: pause and resume the ad space of the latest click-through; log a
  // failed one.
  void onSuccessRedirect(Qeva::QevaCTAaction event) override;
  void onFailureRedirect(const Qeva::QevaError& error) override;
  void onCompleteCTA() override;

 protected:
  const AdSpaceDict& ad_spaces() const { return ad_spaces_; }
  const PendingResults& pending_results() const { return pending_results_; }

 private:
  // The texts that tell the render and refresh events apart.
  struct RenderEvent;

  void HandleMethodCall(const flutter::MethodCall<>& call, PendingResult result);

  // One operation per method.
  void RequestAd(const ArgumentMap& arguments, PendingResult result);
  void RenderAd(const ArgumentMap& arguments, PendingResult result);
  void AwaitRefresh(const ArgumentMap& arguments, PendingResult result);
  void ClickAd(const ArgumentMap& arguments, PendingResult result);
  void AttemptFallbackAd(const ArgumentMap& arguments, PendingResult result);
  void PauseAd(const ArgumentMap& arguments, PendingResult result);

  // The ad space the SDK makes for |tag_id|, refreshing every |refresh_rate| and reporting
  // to this channel; null when the SDK refuses the tag id.
  std::shared_ptr<Qeva::QevaAdSpace> CreateAdSpace(const std::string& tag_id, int64_t refresh_rate);
  // The render and refresh events: the render reply.
  void AnswerRenderEvent(Qeva::QevaAdSpace& qevaAdSpace, const RenderEvent& event);

  // Declared first, so that results released with the channel still find it.
  std::shared_ptr<ReplyLedger> ledger_;
  std::weak_ptr<AdSpaceChannel> self_;
  // The container handed to the SDK when an ad is shown; the ad itself is drawn in Dart.
  UIKit::UIView ad_container_;
  // adSpaceResults: Dart calls waiting for an ad-space event, by ad-space id.
  PendingResults pending_results_;
  // adSpaceDict: the ad spaces created so far, by ad-space id.
  AdSpaceDict ad_spaces_;
  // adSpaceIdforAdClick: the ad-space id of the latest click-through.
  std::string click_ad_space_id_;
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_CORE_ADSPACECHANNEL_H_
