#include "Core/AdSpaceChannel.h"

#include <flutter/method_channel.h>
#include <flutter/standard_method_codec.h>

#include <optional>
#include <string_view>
#include <utility>

#include "Core/QevaFlutterLog.h"
#include "Foundation/LogText.h"
#include "Foundation/TextScan.h"
#include "Foundation/UUID.h"
#include "Qeva/QevaManager.h"
#include "QevaAd/QevaAdFlutterDisplay.h"
#include "QevaAd/QevaAdFlutterGAMBanner.h"
#include "QevaAd/QevaFlutterMediationAd.h"

namespace QevaFlutter {

namespace {

constexpr char kAdRequestMethod[] = "AdRequest";
constexpr char kAdRenderMethod[] = "AdRender";
constexpr char kAdRefreshMethod[] = "AdRefresh";
constexpr char kAdClickMethod[] = "AdClick";
constexpr char kFallbackAdMethod[] = "FallbackAd";
constexpr char kAdPauseMethod[] = "AdPause";

constexpr char kTagIdKey[] = "tagId";
constexpr char kRefreshRateKey[] = "refreshRate";
constexpr char kAdSpaceIdKey[] = "adSpaceId";
constexpr char kClickUrlKey[] = "clickUrl";

constexpr char kResultKey[] = "result";
constexpr char kResponseKey[] = "response";
constexpr char kSignatureKey[] = "signature";
constexpr char kIsAdRefreshableKey[] = "isAdRefreshable";
constexpr char kSuccess[] = "success";
constexpr char kFailure[] = "failure";

constexpr char kAdErrorCode[] = "1001";
constexpr char kAdErrorMessage[] = "QevaAd is nil or Ad Response is empty.";

constexpr char kDisplaySignature[] = "iab.smartphonebanner";
constexpr char kGAMBannerSignature[] = "nw.gambanner";

// The operations' signature texts, as the log shows them.
constexpr char kSingleAdFunction[] = "singleAd(tagId:refreshRate:result:)";
constexpr char kGetQevaAdSpaceFunction[] = "getQevaAdSpace(tagId:refreshRate:)";
constexpr char kOnAdReadyFunction[] = "onAdReady(qevaAdSpace:)";
constexpr char kOnAdRenderFunction[] = "onAdRender(qevaAdSpace:)";
constexpr char kOnAdRefreshFunction[] = "onAdRefresh(qevaAdSpace:)";
constexpr char kOnAdErrorFunction[] = "onAdError(qevaAdSpace:qevaError:)";
constexpr char kAdConsumedFunction[] = "adConsumed(_:result:)";
constexpr char kAdRefreshFunction[] = "adRefresh(_:result:)";
constexpr char kAdClickedFunction[] = "adClicked(_:result:)";
constexpr char kAttemptFallbackAdFunction[] = "attemptFallbackAd(_:result:)";
constexpr char kAdPausedFunction[] = "adPaused(_:result:)";
constexpr char kOnFailureRedirectFunction[] = "onFailureRedirect(error:)";

constexpr char kCodeCheck[] = "Code Check";

flutter::EncodableValue Text(std::string text) {
  return flutter::EncodableValue(std::move(text));
}

// The command reply: {"result": |outcome|}.
flutter::EncodableValue CommandReply(const char* outcome) {
  return flutter::EncodableValue(flutter::EncodableMap{{Text(kResultKey), Text(outcome)}});
}

// The ready reply's "response": the ad's text, or the empty string when it has none or when
// it is not UTF-8 (a markup Dart could not decode would fail its whole reply).
std::string ResponseText(const Qeva::QevaFlutterAd& ad) {
  std::optional<std::string> response = ad.getAdResponse();
  if (!response || !Foundation::IsValidUTF8(*response)) {
    return std::string();
  }
  return std::move(*response);
}

// The signature by class, whichever of its signatures the SDK matched.
const char* AdSignature(const Qeva::QevaAd& ad) {
  if (dynamic_cast<const QevaAdFlutterDisplay*>(&ad) != nullptr) {
    return kDisplaySignature;
  }
  if (dynamic_cast<const QevaAdFlutterGAMBanner*>(&ad) != nullptr) {
    return kGAMBannerSignature;
  }
  return "";
}

// "QevaFlutter: Couldn't find the result for given adSpace <space> & adSpace id <id>".
std::string NotFoundLine(const Qeva::QevaAdSpace& qevaAdSpace, const std::string& ad_space_id) {
  return "QevaFlutter: Couldn't find the result for given adSpace " + qevaAdSpace.description() +
         " & adSpace id " + ad_space_id;
}

// The view controller to present a click-through from, or null when the application has no
// delegate, the delegate no window, or the window no root view controller.
std::shared_ptr<UIKit::UIViewController> RootViewController() {
  std::shared_ptr<UIKit::UIApplicationDelegate> delegate =
      UIKit::UIApplication::sharedApplication().delegate();
  if (!delegate || !delegate->respondsToWindow()) {
    return nullptr;
  }
  std::shared_ptr<UIKit::UIWindow> window = delegate->window();
  return window ? window->rootViewController() : nullptr;
}

// The "adSpaceId" a command names, noted in its call's record.
std::string CommandAdSpaceId(const ArgumentMap& arguments, const PendingResult& result) {
  std::string ad_space_id = StringArgument(arguments, kAdSpaceIdKey);
  result.NoteAdSpaceId(ad_space_id);
  return ad_space_id;
}

}  // namespace

struct AdSpaceChannel::RenderEvent {
  std::string function;
  const char* sent_message;
};

AdSpaceChannel::AdSpaceChannel(std::shared_ptr<ReplyLedger> ledger) : ledger_(std::move(ledger)) {}

AdSpaceChannel::~AdSpaceChannel() = default;

void AdSpaceChannel::Open(flutter::BinaryMessenger* messenger,
                          std::shared_ptr<AdSpaceChannel> channel) {
  channel->self_ = channel;
  std::shared_ptr<ReplyLedger> ledger = channel->ledger_;
  OpenPendingResultChannel(
      messenger, kName, std::move(ledger),
      [channel = std::move(channel)](const flutter::MethodCall<>& call, PendingResult result) {
        channel->HandleMethodCall(call, std::move(result));
      });
}

void AdSpaceChannel::HandleMethodCall(const flutter::MethodCall<>& call, PendingResult result) {
  using Operation = void (AdSpaceChannel::*)(const ArgumentMap&, PendingResult);
  static const std::pair<const char*, Operation> kMethods[] = {
      {kAdRequestMethod, &AdSpaceChannel::RequestAd},
      {kAdRenderMethod, &AdSpaceChannel::RenderAd},
      {kAdRefreshMethod, &AdSpaceChannel::AwaitRefresh},
      {kAdClickMethod, &AdSpaceChannel::ClickAd},
      {kFallbackAdMethod, &AdSpaceChannel::AttemptFallbackAd},
      {kAdPauseMethod, &AdSpaceChannel::PauseAd},
  };
  for (const auto& [name, operation] : kMethods) {
    if (call.method_name() != name) {
      continue;
    }
    std::optional<ArgumentMap> arguments = StringKeyedArguments(call.arguments());
    if (!arguments) {
      result.Reject(UnansweredReason::kArgumentsNotAccepted);
      return;
    }
    (this->*operation)(*arguments, std::move(result));
    return;
  }
  result.Reject(UnansweredReason::kMethodNotAccepted);
}

// "AdRequest".

void AdSpaceChannel::RequestAd(const ArgumentMap& arguments, PendingResult result) {
  const std::string tag_id = StringArgument(arguments, kTagIdKey);
  const int64_t refresh_rate =
      ParseDecimalInt64(StringArgument(arguments, kRefreshRateKey)).value_or(0);
  std::shared_ptr<Qeva::QevaAdSpace> ad_space = CreateAdSpace(tag_id, refresh_rate);
  if (!ad_space) {
    QEVA_FLUTTER_LOG("QevaFlutter: QevaAdSpace is nil", kSingleAdFunction);
    result.Reject(UnansweredReason::kAdSpaceRefused);
    return;
  }
  const std::string ad_space_id = Foundation::UUID().uuidString();
  result.NoteAdSpaceId(ad_space_id);
  // Both entries exist before the request is processed: an event the SDK sends from inside
  // process() finds the id and the pending result.
  ad_spaces_.Keep(ad_space_id, ad_space);
  pending_results_.Store(ad_space_id, std::move(result));
  QEVA_FLUTTER_LOG(
      "QevaFlutter: qevaAdSpace created " + ad_space->description() + " with id " + ad_space_id,
      kSingleAdFunction);

  Qeva::QevaManager& sdk = Qeva::QevaManager::shared();
  std::unique_ptr<Qeva::QevaAdspotRequestBuilder> builder = sdk.createQevaAdspotRequestBuilder();
  if (!builder) {
    return;
  }
  std::shared_ptr<Qeva::QevaRequest> request = builder->addAdSpace(ad_space).build();
  sdk.process(request);
}

std::shared_ptr<Qeva::QevaAdSpace> AdSpaceChannel::CreateAdSpace(const std::string& tag_id,
                                                                 int64_t refresh_rate) {
  std::shared_ptr<Qeva::QevaAdSpace> ad_space =
      Qeva::QevaManager::shared().createQevaAdSpace(tag_id);
  if (!ad_space) {
    QEVA_FLUTTER_LOG("QevaFlutter: QevaAdSpace is nil", kGetQevaAdSpaceFunction);
    return nullptr;
  }
  ad_space->setRefreshInterval(refresh_rate);
  ad_space->setAdEventDelegate(self_);
  return ad_space;
}

// Ad events.

void AdSpaceChannel::onAdReady(Qeva::QevaAdSpace& qevaAdSpace) {
  const std::string ad_space_id = ad_spaces_.Resolve(qevaAdSpace);
  if (!pending_results_.Has(ad_space_id)) {
    QEVA_FLUTTER_LOG(NotFoundLine(qevaAdSpace, ad_space_id), kOnAdReadyFunction);
    return;
  }
  std::shared_ptr<Qeva::QevaAd> ad = qevaAdSpace.getQevaAd();
  const auto* flutter_ad = dynamic_cast<const Qeva::QevaFlutterAd*>(ad.get());
  if (flutter_ad == nullptr) {
    // The result stays pending: a later event may still answer it.
    QEVA_FLUTTER_LOG("QevaFlutter: Couldn't find QevaFlutterAd", kOnAdReadyFunction);
    return;
  }
  QEVA_FLUTTER_LOG("QevaFlutter: onAdReady event sent to flutter", kOnAdReadyFunction);
  std::string response = ResponseText(*flutter_ad);
  const char* signature = AdSignature(*ad);
  // In key order, as the dictionary is printed.
  std::string result_line = "QevaFlutter: Result ";
  Foundation::AppendDictionaryDescription(result_line, {{kAdSpaceIdKey, ad_space_id},
                                                        {kResponseKey, response},
                                                        {kResultKey, kSuccess},
                                                        {kSignatureKey, signature}});
  QEVA_FLUTTER_LOG(result_line, kOnAdReadyFunction);
  flutter::EncodableMap reply;
  reply.emplace(Text(kResultKey), Text(kSuccess));
  reply.emplace(Text(kAdSpaceIdKey), Text(ad_space_id));
  reply.emplace(Text(kResponseKey), Text(std::move(response)));
  reply.emplace(Text(kSignatureKey), Text(signature));
  pending_results_.Take(ad_space_id).Success(flutter::EncodableValue(std::move(reply)));
}

void AdSpaceChannel::onAdRender(Qeva::QevaAdSpace& qevaAdSpace) {
  static const RenderEvent kRender{kOnAdRenderFunction,
                                   "QevaFlutter: onAdRender event sent to flutter"};
  AnswerRenderEvent(qevaAdSpace, kRender);
}

void AdSpaceChannel::onAdRefresh(Qeva::QevaAdSpace& qevaAdSpace) {
  static const RenderEvent kRefresh{kOnAdRefreshFunction,
                                    "QevaFlutter: onAdRefresh event sent to flutter"};
  AnswerRenderEvent(qevaAdSpace, kRefresh);
}

void AdSpaceChannel::AnswerRenderEvent(Qeva::QevaAdSpace& qevaAdSpace, const RenderEvent& event) {
  const std::string ad_space_id = ad_spaces_.Resolve(qevaAdSpace);
  const bool pending = pending_results_.Has(ad_space_id);
  std::shared_ptr<Qeva::QevaAd> ad = qevaAdSpace.getQevaAd();
  if (!pending || !ad) {
    QEVA_FLUTTER_LOG_AS(NotFoundLine(qevaAdSpace, ad_space_id), event.function);
    return;
  }
  QEVA_FLUTTER_LOG_AS(event.sent_message, event.function);
  // Only an ad that takes part in refresh reports the ad space's flag; its own
  // shouldProcessRefresh() is not asked.
  const bool refreshable = dynamic_cast<const Qeva::QevaRefreshableAd*>(ad.get()) != nullptr &&
                           qevaAdSpace.isQevaAdSpaceRefreshable();
  pending_results_.Take(ad_space_id)
      .Success(flutter::EncodableValue(flutter::EncodableMap{
          {Text(kResultKey), Text(kSuccess)},
          {Text(kIsAdRefreshableKey), flutter::EncodableValue(refreshable)},
      }));
}

void AdSpaceChannel::onAdError(Qeva::QevaAdSpace& qevaAdSpace,
                               const Qeva::QevaError& /*qevaError*/) {
  const std::string ad_space_id = ad_spaces_.Resolve(qevaAdSpace);
  if (!pending_results_.Has(ad_space_id)) {
    QEVA_FLUTTER_LOG(NotFoundLine(qevaAdSpace, ad_space_id), kOnAdErrorFunction);
    return;
  }
  QEVA_FLUTTER_LOG("QevaFlutter: onAdError event sent to flutter", kOnAdErrorFunction);
  // Every ad error looks the same to Dart: the SDK's error is not passed on.
  pending_results_.Take(ad_space_id).Error(kAdErrorCode, kAdErrorMessage);
}

// Clicks on the ad reach the plugin from Dart ("AdClick"), not from the SDK.
void AdSpaceChannel::onAdClick(Qeva::QevaAdSpace& /*qevaAdSpace*/) {}

void AdSpaceChannel::onAdClose(Qeva::QevaAdSpace& /*qevaAdSpace*/) {}

// Commands.

void AdSpaceChannel::RenderAd(const ArgumentMap& arguments, PendingResult result) {
  const std::string ad_space_id = CommandAdSpaceId(arguments, result);
  std::shared_ptr<Qeva::QevaAdSpace> ad_space = ad_spaces_.Find(ad_space_id);
  if (!ad_space) {
    QEVA_FLUTTER_LOG(kCodeCheck, kAdConsumedFunction);
    result.Reject(UnansweredReason::kUnknownAdSpaceId);
    return;
  }
  // Answered by the ad space's next answering event, normally the render event that
  // showAd() leads to.
  pending_results_.Store(ad_space_id, std::move(result));
  ad_space->showAd(ad_container_);
}

void AdSpaceChannel::AwaitRefresh(const ArgumentMap& arguments, PendingResult result) {
  const std::string ad_space_id = CommandAdSpaceId(arguments, result);
  if (!ad_spaces_.Find(ad_space_id)) {
    QEVA_FLUTTER_LOG(kCodeCheck, kAdRefreshFunction);
    result.Reject(UnansweredReason::kUnknownAdSpaceId);
    return;
  }
  // The SDK refreshes on its own; its next refresh event answers.
  pending_results_.Store(ad_space_id, std::move(result));
}

void AdSpaceChannel::ClickAd(const ArgumentMap& arguments, PendingResult result) {
  std::shared_ptr<UIKit::UIViewController> root_view_controller = RootViewController();
  if (!root_view_controller) {
    QEVA_FLUTTER_LOG("QevaFlutter: UIWindow is empty or nil", kAdClickedFunction);
    result.Reject(UnansweredReason::kNoWindow);
    return;
  }
  const std::string ad_space_id = CommandAdSpaceId(arguments, result);
  const std::string click_url = StringArgument(arguments, kClickUrlKey);
  std::shared_ptr<Qeva::QevaAdSpace> ad_space = ad_spaces_.Find(ad_space_id);
  std::shared_ptr<Qeva::QevaAd> ad = ad_space ? ad_space->getQevaAd() : nullptr;
  if (auto* mediated_ad = dynamic_cast<QevaFlutterMediationAd*>(ad.get())) {
    // Dart hears first; the trackers fire after.
    result.Success(CommandReply(kSuccess));
    mediated_ad->trackMediationAdClick();
    return;
  }
  if (!ad_space) {
    result.Success(CommandReply(kFailure));
    return;
  }
  click_ad_space_id_ = ad_space_id;
  // The handler keeps itself alive while the click-through runs.
  Qeva::QevaCTAHandler handler({click_url}, root_view_controller, self_,
                               Qeva::AdClickBrowser::embedded);
  handler.open();
  result.Success(CommandReply(kSuccess));
}

void AdSpaceChannel::AttemptFallbackAd(const ArgumentMap& arguments, PendingResult result) {
  const std::string ad_space_id = CommandAdSpaceId(arguments, result);
  std::shared_ptr<Qeva::QevaAdSpace> ad_space = ad_spaces_.Find(ad_space_id);
  std::shared_ptr<Qeva::QevaAd> ad = ad_space ? ad_space->getQevaAd() : nullptr;
  if (!ad) {
    result.Reject(ad_space ? UnansweredReason::kNoAd : UnansweredReason::kUnknownAdSpaceId);
    return;
  }
  auto* mediated_ad = dynamic_cast<QevaFlutterMediationAd*>(ad.get());
  if (mediated_ad == nullptr) {
    QEVA_FLUTTER_LOG("QevaFlutter: Is qevaAd flutterMediationAd false", kAttemptFallbackAdFunction);
    result.Success(CommandReply(kFailure));
    return;
  }
  QEVA_FLUTTER_LOG("QevaFlutter: Is qevaAd flutterMediationAd true", kAttemptFallbackAdFunction);
  // Answered by the fallback ad's ready event or by the error event.
  pending_results_.Store(ad_space_id, std::move(result));
  mediated_ad->prepareMediationAdFailed();
}

void AdSpaceChannel::PauseAd(const ArgumentMap& arguments, PendingResult result) {
  const std::string ad_space_id = CommandAdSpaceId(arguments, result);
  std::shared_ptr<Qeva::QevaAdSpace> ad_space = ad_spaces_.Find(ad_space_id);
  if (!ad_space) {
    QEVA_FLUTTER_LOG(kCodeCheck, kAdPausedFunction);
    result.Reject(UnansweredReason::kUnknownAdSpaceId);
    return;
  }
  ad_space->pause();
  // Dropped before the reply goes out, so that a call Dart makes from inside the reply, and
  // the result it leaves pending under this id, survive.
  pending_results_.Drop(ad_space_id);
  result.Success(CommandReply(kSuccess));
}

// Click-through.

void AdSpaceChannel::onSuccessRedirect(Qeva::QevaCTAaction /*event*/) {
  if (click_ad_space_id_.empty()) {
    return;
  }
  if (std::shared_ptr<Qeva::QevaAdSpace> ad_space = ad_spaces_.Find(click_ad_space_id_)) {
    ad_space->pause();
  }
}

void AdSpaceChannel::onFailureRedirect(const Qeva::QevaError& error) {
  QEVA_FLUTTER_LOG("QevaFlutter: CTA Click Error " + error.description(),
                   kOnFailureRedirectFunction);
}

void AdSpaceChannel::onCompleteCTA() {
  if (click_ad_space_id_.empty()) {
    return;
  }
  if (std::shared_ptr<Qeva::QevaAdSpace> ad_space = ad_spaces_.Find(click_ad_space_id_)) {
    ad_space->resume();
  }
}

}  // namespace QevaFlutter
