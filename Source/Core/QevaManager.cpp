#include "Core/QevaManager.h"

#include <flutter/method_channel.h>
#include <flutter/standard_method_codec.h>

#include <utility>

#include "Core/QevaFlutterLog.h"
#include "Core/TargetingChannels.h"
#include "QevaAd/QevaAdFlutterDisplay.h"
#include "QevaAd/QevaAdFlutterGAMBanner.h"

namespace QevaFlutter {

const double QevaFlutterVersionNumber = 1.0;
const char QevaFlutterVersionString[] = "@(#)PROGRAM:QevaFlutter  PROJECT:QevaFlutter-1\n";

namespace {

constexpr char kStartUpChannel[] = "QevaManager";
constexpr char kApplicationChannel[] = "QevaApplication";
constexpr char kUserChannel[] = "QevaUser";
constexpr char kDeviceChannel[] = "QevaDevice";
constexpr char kAdSpaceChannel[] = "QevaAdSpace";

constexpr char kAccountIdKey[] = "accountId";
constexpr char kAppIdKey[] = "appId";
constexpr char kSecretKeyKey[] = "secretKey";

constexpr char kSuccessReply[] = "success";
constexpr char kFailureReply[] = "failure";

// The call's result, with its line in |ledger|.
FlutterResult Recorded(ReplyLedger& ledger, const std::string& channel,
                       const flutter::MethodCall<>& call,
                       std::unique_ptr<flutter::MethodResult<>> result) {
  return FlutterResult(std::move(result), ledger.Open(channel, call.method_name()));
}

// The value under |key|, or the empty string.
std::string StringOrEmpty(const std::map<std::string, std::string>& map, const char* key) {
  auto entry = map.find(key);
  return entry == map.end() ? std::string() : entry->second;
}

}  // namespace

std::shared_ptr<QevaFlutterManager> QevaFlutterManager::Create(flutter::BinaryMessenger* flutter) {
  // The constructor is private; make_shared cannot reach it.
  std::shared_ptr<QevaFlutterManager> manager(new QevaFlutterManager(flutter));
  manager->OpenChannels();
  return manager;
}

QevaFlutterManager::QevaFlutterManager(flutter::BinaryMessenger* flutter)
    : NSObject("QevaFlutter.QevaFlutterManager"),
      ledger_(ReplyLedger::Create()),
      flutterBinaryMessenger_(flutter) {}

QevaFlutterManager::~QevaFlutterManager() = default;

void QevaFlutterManager::OpenChannels() {
  if (flutterBinaryMessenger_ == nullptr) {
    return;
  }
  const auto& codec = flutter::StandardMethodCodec::GetInstance();
  // Each channel object is dropped right away: the messenger keeps its handler, and nothing
  // ever unregisters one.
  {
    flutter::MethodChannel<> channel(flutterBinaryMessenger_, kStartUpChannel, &codec);
    channel.SetMethodCallHandler(
        [name = std::string(kStartUpChannel), values = std::make_shared<StartUpValues>(),
         manager = shared_from_this()](const flutter::MethodCall<>& call,
                                       std::unique_ptr<flutter::MethodResult<>> result) {
          manager->HandleStartUpCall(
              name, call, Recorded(*manager->ledger_, name, call, std::move(result)), *values);
        });
  }
  for (const char* targeting_channel : {kApplicationChannel, kUserChannel, kDeviceChannel}) {
    flutter::MethodChannel<> channel(flutterBinaryMessenger_, targeting_channel, &codec);
    channel.SetMethodCallHandler(
        [name = std::string(targeting_channel), ledger = ledger_](
            const flutter::MethodCall<>& call, std::unique_ptr<flutter::MethodResult<>> result) {
          HandleTargetingCall(name, call, Recorded(*ledger, name, call, std::move(result)));
        });
  }
  {
    flutter::MethodChannel<> channel(flutterBinaryMessenger_, kAdSpaceChannel, &codec);
    channel.SetMethodCallHandler(
        [manager = shared_from_this()](const flutter::MethodCall<>& call,
                                       std::unique_ptr<flutter::MethodResult<>> result) {
          manager->HandleAdSpaceCall(
              call, Recorded(*manager->ledger_, kAdSpaceChannel, call, std::move(result)));
        });
  }
}

void QevaFlutterManager::HandleStartUpCall(const std::string& channel_name,
                                           const flutter::MethodCall<>& call, FlutterResult result,
                                           StartUpValues& values) {
  if (call.method_name() != channel_name) {
    result.ticket().Unanswered(UnansweredReason::kMethodNotAccepted);
    return;
  }
  std::optional<std::map<std::string, std::string>> arguments =
      StringToStringArguments(call.arguments());
  if (!arguments) {
    result.ticket().Unanswered(UnansweredReason::kArgumentsNotAccepted);
    return;
  }
  values.accountId = ParseDecimalInt64(StringOrEmpty(*arguments, kAccountIdKey)).value_or(0);
  values.appId = ParseDecimalInt64(StringOrEmpty(*arguments, kAppIdKey)).value_or(0);
  values.secretKey = StringOrEmpty(*arguments, kSecretKeyKey);

  // Stored before initialize(), so that a report made from inside initialize() is answered.
  if (adManagerResult_) {
    adManagerResult_->ticket().Replaced();
  }
  adManagerResult_ = std::move(result);
  Qeva::QevaManager::shared().initialize(values.accountId, values.appId, values.secretKey,
                                         weak_from_this());
  Qeva::QevaRegistry::shared().addQevaAds({
      Qeva::QevaAdClass::Of<QevaAdFlutterDisplay>(QevaAdFlutterDisplay::kClassName),
      Qeva::QevaAdClass::Of<QevaAdFlutterGAMBanner>(QevaAdFlutterGAMBanner::kClassName),
  });
}

void QevaFlutterManager::onSuccess() {
  QEVA_FLUTTER_LOG("", "onSuccess()");
  if (adManagerResult_) {
    // A copy: the reply may re-enter and replace adManagerResult_ while it is delivered.
    FlutterResult result = *adManagerResult_;
    result(kSuccessReply);
  }
}

void QevaFlutterManager::onFailure(const Qeva::QevaError& error) {
  QEVA_FLUTTER_LOG("error " + error.description(), "onFailure(error:)");
  if (adManagerResult_) {
    FlutterResult result = *adManagerResult_;
    result(kFailureReply);
  }
}

std::vector<std::string> QevaFlutterManager::pendingResultIds() const {
  std::vector<std::string> ids;
  for (const auto& entry : adSpaceResults_) {
    ids.push_back(entry.first);
  }
  return ids;
}

}  // namespace QevaFlutter
