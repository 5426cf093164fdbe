// The "QevaAdSpace" channel: the ad request, the SDK's ad events answered to Dart, and Dart's
// commands on a delivered ad with the click-through.
#include <cassert>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "Core/QevaFlutterLog.h"
#include "Core/QevaManager.h"
#include "Foundation/TextScan.h"
#include "Foundation/UUID.h"
#include "QevaAd/QevaAdFlutterDisplay.h"
#include "QevaAd/QevaAdFlutterGAMBanner.h"
#include "QevaAd/QevaFlutterMediationAd.h"

namespace QevaFlutter {

namespace {

// The ready reply's "response": the ad's text, or the empty string when it has none or when
// it is not UTF-8 (a markup Dart could not decode would fail its whole reply).
std::string ResponseText(const Qeva::QevaFlutterAd& ad) {
  std::optional<std::string> response = ad.getAdResponse();
  if (!response || !Foundation::IsValidUTF8(*response)) {
    return std::string();
  }
  return std::move(*response);
}

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

constexpr char kCodeCheck[] = "Code Check";

flutter::EncodableValue Text(const std::string& text) {
  return flutter::EncodableValue(text);
}

// The command reply: {"result": |outcome|}.
FlutterResult::StringKeyedMap CommandReply(const char* outcome) {
  return {{kResultKey, Text(outcome)}};
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

// The escape of a byte that is not written as it is: its letter after the backslash, or 0
// when it is written as "\u{…}".
char EscapeLetter(unsigned char byte) {
  switch (byte) {
    case '"':
    case '\\':
      return static_cast<char>(byte);
    case '\n':
      return 'n';
    case '\r':
      return 'r';
    case '\t':
      return 't';
    case '\0':
      return '0';
    default:
      return 0;
  }
}

// How many bytes QuoteInto() writes for |text|.
size_t QuotedSize(std::string_view text) {
  size_t size = 2;
  while (!text.empty()) {
    const size_t plain = Foundation::PlainASCIIPrefixLength(text);
    size += plain;
    text.remove_prefix(plain);
    if (text.empty()) {
      break;
    }
    const auto byte = static_cast<unsigned char>(text.front());
    text.remove_prefix(1);
    if (EscapeLetter(byte) != 0) {
      size += 2;
    } else if (byte >= 0x80) {
      size += 1;
    } else {
      size += byte >= 0x10 ? 6 : 5;
    }
  }
  return size;
}

// Writes |text| at |out| as Swift's debug description writes a string: quoted, with quotes,
// backslashes and control characters escaped, everything else as it is. Returns the end of
// what it wrote, QuotedSize(|text|) bytes.
char* QuoteInto(char* out, std::string_view text) {
  static const char kHexDigits[] = "0123456789abcdef";
  *out++ = '"';
  while (!text.empty()) {
    const size_t plain = Foundation::PlainASCIIPrefixLength(text);
    std::memcpy(out, text.data(), plain);
    out += plain;
    text.remove_prefix(plain);
    if (text.empty()) {
      break;
    }
    const auto byte = static_cast<unsigned char>(text.front());
    text.remove_prefix(1);
    if (const char escape = EscapeLetter(byte); escape != 0) {
      *out++ = '\\';
      *out++ = escape;
    } else if (byte >= 0x80) {
      *out++ = static_cast<char>(byte);
    } else {
      *out++ = '\\';
      *out++ = 'u';
      *out++ = '{';
      if (byte >= 0x10) {
        *out++ = kHexDigits[byte >> 4];
      }
      *out++ = kHexDigits[byte & 0xf];
      *out++ = '}';
    }
  }
  *out++ = '"';
  return out;
}

// A reply field for the log line: its key and its text.
using ReplyField = std::pair<std::string_view, std::string_view>;

// "QevaFlutter: Result " and the reply's fields the way Swift prints a dictionary of strings:
// ["adSpaceId": "…", "response": "…", "result": "success", "signature": "…"]. |fields| come
// in the order they are printed. Sized first and written in place: the response is hundreds
// of bytes and the line is written for every ready event.
std::string ResultLine(std::initializer_list<ReplyField> fields) {
  static constexpr std::string_view kPrefix = "QevaFlutter: Result [";
  size_t size = kPrefix.size() + 1;  // And the closing bracket.
  for (const auto& [key, value] : fields) {
    size += QuotedSize(key) + 2 + QuotedSize(value);  // ": " between them.
  }
  if (fields.size() > 1) {
    size += 2 * (fields.size() - 1);  // ", " between fields.
  }
  std::string line(size, '\0');
  char* out = line.data();
  std::memcpy(out, kPrefix.data(), kPrefix.size());
  out += kPrefix.size();
  const char* first_field = out;
  for (const auto& [key, value] : fields) {
    if (out != first_field) {
      *out++ = ',';
      *out++ = ' ';
    }
    out = QuoteInto(out, key);
    *out++ = ':';
    *out++ = ' ';
    out = QuoteInto(out, value);
  }
  *out++ = ']';
  assert(out == line.data() + line.size());
  return line;
}

// "QevaFlutter: Couldn't find the result for given adSpace <space> & adSpace id <id>".
std::string NotFoundLine(const Qeva::QevaAdSpace& qevaAdSpace, const std::string& adSpaceId) {
  return "QevaFlutter: Couldn't find the result for given adSpace " + qevaAdSpace.description() +
         " & adSpace id " + adSpaceId;
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

}  // namespace

// Dispatch.

void QevaFlutterManager::HandleAdSpaceCall(const flutter::MethodCall<>& call,
                                           FlutterResult result) {
  using Operation = void (QevaFlutterManager::*)(const ArgumentMap&, FlutterResult);
  static const std::pair<const char*, Operation> kMethods[] = {
      {kAdRequestMethod, &QevaFlutterManager::adRequest},
      {kAdRenderMethod, &QevaFlutterManager::adConsumed},
      {kAdRefreshMethod, &QevaFlutterManager::adRefresh},
      {kAdClickMethod, &QevaFlutterManager::adClicked},
      {kFallbackAdMethod, &QevaFlutterManager::attemptFallbackAd},
      {kAdPauseMethod, &QevaFlutterManager::adPaused},
  };
  for (const auto& [name, operation] : kMethods) {
    if (call.method_name() != name) {
      continue;
    }
    std::optional<ArgumentMap> arguments = StringKeyedArguments(call.arguments());
    if (arguments) {
      (this->*operation)(*arguments, std::move(result));
    } else {
      result.ticket().Unanswered(UnansweredReason::kArgumentsNotAccepted);
    }
    return;
  }
  result.ticket().Unanswered(UnansweredReason::kMethodNotAccepted);
}

// "AdRequest".

void QevaFlutterManager::adRequest(const ArgumentMap& arguments, FlutterResult result) {
  const std::string tagId = StringArgument(arguments, kTagIdKey);
  const int64_t refreshRate =
      ParseDecimalInt64(StringArgument(arguments, kRefreshRateKey)).value_or(0);
  singleAd(tagId, refreshRate, std::move(result));
}

void QevaFlutterManager::singleAd(const std::string& tagId, int64_t refreshRate,
                                  FlutterResult result) {
  std::shared_ptr<Qeva::QevaAdSpace> adSpace = getQevaAdSpace(tagId, refreshRate);
  if (!adSpace) {
    QEVA_FLUTTER_LOG("QevaFlutter: QevaAdSpace is nil", "singleAd(tagId:refreshRate:result:)");
    result.ticket().Unanswered(UnansweredReason::kAdSpaceRefused);
    return;
  }
  const std::string adSpaceId = Foundation::UUID().uuidString();
  result.ticket().NoteAdSpaceId(adSpaceId);
  // Both entries exist before the request is processed: an event the SDK sends from inside
  // process() finds the id and the pending result.
  adSpaceDict_.Keep(adSpaceId, adSpace);
  StoreResult(adSpaceId, std::move(result));
  QEVA_FLUTTER_LOG(
      "QevaFlutter: qevaAdSpace created " + adSpace->description() + " with id " + adSpaceId,
      "singleAd(tagId:refreshRate:result:)");

  Qeva::QevaManager& sdk = Qeva::QevaManager::shared();
  std::unique_ptr<Qeva::QevaAdspotRequestBuilder> builder = sdk.createQevaAdspotRequestBuilder();
  if (!builder) {
    return;
  }
  std::shared_ptr<Qeva::QevaRequest> request = builder->addAdSpace(adSpace).build();
  sdk.process(request);
}

std::shared_ptr<Qeva::QevaAdSpace> QevaFlutterManager::getQevaAdSpace(const std::string& tagId,
                                                                      int64_t refreshRate) {
  std::shared_ptr<Qeva::QevaAdSpace> adSpace = Qeva::QevaManager::shared().createQevaAdSpace(tagId);
  if (!adSpace) {
    QEVA_FLUTTER_LOG("QevaFlutter: QevaAdSpace is nil", "getQevaAdSpace(tagId:refreshRate:)");
    return nullptr;
  }
  adSpace->setRefreshInterval(refreshRate);
  adSpace->setAdEventDelegate(weak_from_this());
  return adSpace;
}

// Ad events.

void QevaFlutterManager::onAdReady(Qeva::QevaAdSpace& qevaAdSpace) {
  static constexpr char kFunction[] = "onAdReady(qevaAdSpace:)";
  const std::string adSpaceId = adSpaceDict_.Resolve(qevaAdSpace);
  if (!HasPendingResult(adSpaceId)) {
    QEVA_FLUTTER_LOG(NotFoundLine(qevaAdSpace, adSpaceId), kFunction);
    return;
  }
  std::shared_ptr<Qeva::QevaAd> ad = qevaAdSpace.getQevaAd();
  const auto* flutterAd = dynamic_cast<const Qeva::QevaFlutterAd*>(ad.get());
  if (flutterAd == nullptr) {
    // The result stays pending: a later event may still answer it.
    QEVA_FLUTTER_LOG("QevaFlutter: Couldn't find QevaFlutterAd", kFunction);
    return;
  }
  QEVA_FLUTTER_LOG("QevaFlutter: onAdReady event sent to flutter", kFunction);
  std::string response = ResponseText(*flutterAd);
  const std::string_view signature = AdSignature(*ad);
  // In key order, as the dictionary is printed.
  QEVA_FLUTTER_LOG(ResultLine({{kAdSpaceIdKey, adSpaceId},
                               {kResponseKey, response},
                               {kResultKey, kSuccess},
                               {kSignatureKey, signature}}),
                   kFunction);
  flutter::EncodableMap reply;
  reply.emplace(Text(kResultKey), Text(kSuccess));
  reply.emplace(Text(kAdSpaceIdKey), Text(adSpaceId));
  reply.emplace(Text(kResponseKey), flutter::EncodableValue(std::move(response)));
  reply.emplace(Text(kSignatureKey), Text(std::string(signature)));
  if (std::optional<FlutterResult> result = TakeResult(adSpaceId)) {
    (*result)(std::move(reply));
  }
}

void QevaFlutterManager::onAdRender(Qeva::QevaAdSpace& qevaAdSpace) {
  static constexpr char kFunction[] = "onAdRender(qevaAdSpace:)";
  const std::string adSpaceId = adSpaceDict_.Resolve(qevaAdSpace);
  const bool pending = HasPendingResult(adSpaceId);
  std::shared_ptr<Qeva::QevaAd> ad = qevaAdSpace.getQevaAd();
  if (!pending || !ad) {
    QEVA_FLUTTER_LOG(NotFoundLine(qevaAdSpace, adSpaceId), kFunction);
    return;
  }
  QEVA_FLUTTER_LOG("QevaFlutter: onAdRender event sent to flutter", kFunction);
  AnswerRendered(qevaAdSpace, *ad, adSpaceId);
}

void QevaFlutterManager::onAdRefresh(Qeva::QevaAdSpace& qevaAdSpace) {
  static constexpr char kFunction[] = "onAdRefresh(qevaAdSpace:)";
  const std::string adSpaceId = adSpaceDict_.Resolve(qevaAdSpace);
  const bool pending = HasPendingResult(adSpaceId);
  std::shared_ptr<Qeva::QevaAd> ad = qevaAdSpace.getQevaAd();
  if (!pending || !ad) {
    QEVA_FLUTTER_LOG(NotFoundLine(qevaAdSpace, adSpaceId), kFunction);
    return;
  }
  QEVA_FLUTTER_LOG("QevaFlutter: onAdRefresh event sent to flutter", kFunction);
  AnswerRendered(qevaAdSpace, *ad, adSpaceId);
}

void QevaFlutterManager::AnswerRendered(const Qeva::QevaAdSpace& qevaAdSpace,
                                        const Qeva::QevaAd& ad, const std::string& adSpaceId) {
  // Only an ad that takes part in refresh reports the ad space's flag; its own
  // shouldProcessRefresh() is not asked.
  const bool refreshable = dynamic_cast<const Qeva::QevaRefreshableAd*>(&ad) != nullptr &&
                           qevaAdSpace.isQevaAdSpaceRefreshable();
  const FlutterResult::StringKeyedMap reply = {
      {kResultKey, Text(kSuccess)},
      {kIsAdRefreshableKey, flutter::EncodableValue(refreshable)},
  };
  if (std::optional<FlutterResult> result = TakeResult(adSpaceId)) {
    (*result)(reply);
  }
}

void QevaFlutterManager::onAdError(Qeva::QevaAdSpace& qevaAdSpace,
                                   const Qeva::QevaError& /*qevaError*/) {
  static constexpr char kFunction[] = "onAdError(qevaAdSpace:qevaError:)";
  const std::string adSpaceId = adSpaceDict_.Resolve(qevaAdSpace);
  if (!HasPendingResult(adSpaceId)) {
    QEVA_FLUTTER_LOG(NotFoundLine(qevaAdSpace, adSpaceId), kFunction);
    return;
  }
  QEVA_FLUTTER_LOG("QevaFlutter: onAdError event sent to flutter", kFunction);
  // Every ad error looks the same to Dart: the SDK's error is not passed on.
  if (std::optional<FlutterResult> result = TakeResult(adSpaceId)) {
    (*result)(FlutterError{kAdErrorCode, kAdErrorMessage});
  }
}

// Clicks on the ad reach the plugin from Dart ("AdClick"), not from the SDK.
void QevaFlutterManager::onAdClick(Qeva::QevaAdSpace& /*qevaAdSpace*/) {}

void QevaFlutterManager::onAdClose(Qeva::QevaAdSpace& /*qevaAdSpace*/) {}

// Commands.

void QevaFlutterManager::adConsumed(const ArgumentMap& arguments, FlutterResult result) {
  const std::string adSpaceId = StringArgument(arguments, kAdSpaceIdKey);
  result.ticket().NoteAdSpaceId(adSpaceId);
  std::shared_ptr<Qeva::QevaAdSpace> adSpace = adSpaceDict_.Find(adSpaceId);
  if (!adSpace) {
    QEVA_FLUTTER_LOG(kCodeCheck, "adConsumed(_:result:)");
    result.ticket().Unanswered(UnansweredReason::kUnknownAdSpaceId);
    return;
  }
  // Answered by the ad space's next answering event, normally the render event that
  // showAd() leads to.
  StoreResult(adSpaceId, std::move(result));
  adSpace->showAd(adContainer_);
}

void QevaFlutterManager::adRefresh(const ArgumentMap& arguments, FlutterResult result) {
  const std::string adSpaceId = StringArgument(arguments, kAdSpaceIdKey);
  result.ticket().NoteAdSpaceId(adSpaceId);
  if (!adSpaceDict_.Find(adSpaceId)) {
    QEVA_FLUTTER_LOG(kCodeCheck, "adRefresh(_:result:)");
    result.ticket().Unanswered(UnansweredReason::kUnknownAdSpaceId);
    return;
  }
  // The SDK refreshes on its own; its next refresh event answers.
  StoreResult(adSpaceId, std::move(result));
}

void QevaFlutterManager::adClicked(const ArgumentMap& arguments, FlutterResult result) {
  std::shared_ptr<UIKit::UIViewController> rootViewController = RootViewController();
  if (!rootViewController) {
    QEVA_FLUTTER_LOG("QevaFlutter: UIWindow is empty or nil", "adClicked(_:result:)");
    result.ticket().Unanswered(UnansweredReason::kNoWindow);
    return;
  }
  const std::string adSpaceId = StringArgument(arguments, kAdSpaceIdKey);
  result.ticket().NoteAdSpaceId(adSpaceId);
  const std::string clickUrl = StringArgument(arguments, kClickUrlKey);
  std::shared_ptr<Qeva::QevaAdSpace> adSpace = adSpaceDict_.Find(adSpaceId);
  std::shared_ptr<Qeva::QevaAd> ad = adSpace ? adSpace->getQevaAd() : nullptr;
  if (auto* mediatedAd = dynamic_cast<QevaFlutterMediationAd*>(ad.get())) {
    // Dart hears first; the trackers fire after.
    result(CommandReply(kSuccess));
    mediatedAd->trackMediationAdClick();
    return;
  }
  if (!adSpace) {
    result(CommandReply(kFailure));
    return;
  }
  adSpaceIdforAdClick_ = adSpaceId;
  // The handler keeps itself alive while the click-through runs.
  Qeva::QevaCTAHandler handler({clickUrl}, rootViewController, weak_from_this(),
                               Qeva::AdClickBrowser::embedded);
  handler.open();
  result(CommandReply(kSuccess));
}

void QevaFlutterManager::attemptFallbackAd(const ArgumentMap& arguments, FlutterResult result) {
  static constexpr char kFunction[] = "attemptFallbackAd(_:result:)";
  const std::string adSpaceId = StringArgument(arguments, kAdSpaceIdKey);
  result.ticket().NoteAdSpaceId(adSpaceId);
  std::shared_ptr<Qeva::QevaAdSpace> adSpace = adSpaceDict_.Find(adSpaceId);
  std::shared_ptr<Qeva::QevaAd> ad = adSpace ? adSpace->getQevaAd() : nullptr;
  if (!ad) {
    result.ticket().Unanswered(adSpace ? UnansweredReason::kNoAd
                                       : UnansweredReason::kUnknownAdSpaceId);
    return;
  }
  auto* mediatedAd = dynamic_cast<QevaFlutterMediationAd*>(ad.get());
  if (mediatedAd == nullptr) {
    QEVA_FLUTTER_LOG("QevaFlutter: Is qevaAd flutterMediationAd false", kFunction);
    result(CommandReply(kFailure));
    return;
  }
  QEVA_FLUTTER_LOG("QevaFlutter: Is qevaAd flutterMediationAd true", kFunction);
  // Answered by the fallback ad's ready event or by the error event.
  StoreResult(adSpaceId, std::move(result));
  mediatedAd->prepareMediationAdFailed();
}

void QevaFlutterManager::adPaused(const ArgumentMap& arguments, FlutterResult result) {
  const std::string adSpaceId = StringArgument(arguments, kAdSpaceIdKey);
  result.ticket().NoteAdSpaceId(adSpaceId);
  std::shared_ptr<Qeva::QevaAdSpace> adSpace = adSpaceDict_.Find(adSpaceId);
  if (!adSpace) {
    QEVA_FLUTTER_LOG(kCodeCheck, "adPaused(_:result:)");
    result.ticket().Unanswered(UnansweredReason::kUnknownAdSpaceId);
    return;
  }
  adSpace->pause();
  // Dropped before the reply goes out, so that a call Dart makes from inside the reply, and
  // the result it leaves pending under this id, survive.
  DropResult(adSpaceId);
  result(CommandReply(kSuccess));
}

// Click-through.

void QevaFlutterManager::onSuccessRedirect(Qeva::QevaCTAaction /*event*/) {
  if (adSpaceIdforAdClick_.empty()) {
    return;
  }
  if (std::shared_ptr<Qeva::QevaAdSpace> adSpace = adSpaceDict_.Find(adSpaceIdforAdClick_)) {
    adSpace->pause();
  }
}

void QevaFlutterManager::onFailureRedirect(const Qeva::QevaError& error) {
  QEVA_FLUTTER_LOG("QevaFlutter: CTA Click Error " + error.description(),
                   "onFailureRedirect(error:)");
}

void QevaFlutterManager::onCompleteCTA() {
  if (adSpaceIdforAdClick_.empty()) {
    return;
  }
  if (std::shared_ptr<Qeva::QevaAdSpace> adSpace = adSpaceDict_.Find(adSpaceIdforAdClick_)) {
    adSpace->resume();
  }
}

// adSpaceResults.

void QevaFlutterManager::StoreResult(const std::string& adSpaceId, FlutterResult result) {
  // try_emplace leaves |result| alone when the id is taken.
  auto [entry, inserted] = adSpaceResults_.try_emplace(adSpaceId, std::move(result));
  if (!inserted) {
    entry->second.ticket().Replaced();
    entry->second = std::move(result);
  }
}

bool QevaFlutterManager::HasPendingResult(const std::string& adSpaceId) const {
  return adSpaceResults_.count(adSpaceId) != 0;
}

std::optional<FlutterResult> QevaFlutterManager::TakeResult(const std::string& adSpaceId) {
  auto entry = adSpaceResults_.find(adSpaceId);
  if (entry == adSpaceResults_.end()) {
    return std::nullopt;
  }
  FlutterResult result = std::move(entry->second);
  adSpaceResults_.erase(entry);
  return result;
}

void QevaFlutterManager::DropResult(const std::string& adSpaceId) {
  auto entry = adSpaceResults_.find(adSpaceId);
  if (entry != adSpaceResults_.end()) {
    entry->second.ticket().Dropped();
    adSpaceResults_.erase(entry);
  }
}

}  // namespace QevaFlutter
