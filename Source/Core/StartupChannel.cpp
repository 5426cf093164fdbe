#include "Core/StartupChannel.h"

#include <flutter/method_channel.h>
#include <flutter/standard_method_codec.h>

#include <map>
#include <optional>
#include <utility>

#include "Core/ChannelArguments.h"
#include "Core/QevaFlutterLog.h"
#include "QevaAd/QevaAdFlutterDisplay.h"
#include "QevaAd/QevaAdFlutterGAMBanner.h"

namespace QevaFlutter {

namespace {

constexpr char kAccountIdKey[] = "accountId";
constexpr char kAppIdKey[] = "appId";
constexpr char kSecretKeyKey[] = "secretKey";

constexpr char kSuccessReply[] = "success";
constexpr char kFailureReply[] = "failure";

// The operations' signature texts, as the log shows them.
constexpr char kOnSuccessFunction[] = "onSuccess()";
constexpr char kOnFailureFunction[] = "onFailure(error:)";

// The value under |key|, or the empty string.
std::string StringOrEmpty(const std::map<std::string, std::string>& map, const char* key) {
  auto entry = map.find(key);
  return entry == map.end() ? std::string() : entry->second;
}

}  // namespace

StartupChannel::StartupChannel(std::shared_ptr<ReplyLedger> ledger) : ledger_(std::move(ledger)) {}

StartupChannel::~StartupChannel() = default;

void StartupChannel::Open(flutter::BinaryMessenger* messenger,
                          std::shared_ptr<StartupChannel> channel) {
  channel->self_ = channel;
  std::shared_ptr<ReplyLedger> ledger = channel->ledger_;
  OpenPendingResultChannel(
      messenger, kName, std::move(ledger),
      [channel = std::move(channel)](const flutter::MethodCall<>& call, PendingResult result) {
        channel->HandleMethodCall(call, std::move(result));
      });
}

void StartupChannel::HandleMethodCall(const flutter::MethodCall<>& call, PendingResult result) {
  if (call.method_name() != kName) {
    result.Reject(UnansweredReason::kMethodNotAccepted);
    return;
  }
  std::optional<std::map<std::string, std::string>> arguments =
      StringToStringArguments(call.arguments());
  if (!arguments) {
    result.Reject(UnansweredReason::kArgumentsNotAccepted);
    return;
  }
  values_.account_id = ParseDecimalInt64(StringOrEmpty(*arguments, kAccountIdKey)).value_or(0);
  values_.app_id = ParseDecimalInt64(StringOrEmpty(*arguments, kAppIdKey)).value_or(0);
  values_.secret_key = StringOrEmpty(*arguments, kSecretKeyKey);

  // Kept before initialize(), so that a report made from inside initialize() is answered.
  startup_result_.ReplaceWith(std::move(result));
  Qeva::QevaManager::shared().initialize(values_.account_id, values_.app_id, values_.secret_key,
                                         self_);
  Qeva::QevaRegistry::shared().addQevaAds({
      Qeva::QevaAdClass::Of<QevaAdFlutterDisplay>(QevaAdFlutterDisplay::kClassName),
      Qeva::QevaAdClass::Of<QevaAdFlutterGAMBanner>(QevaAdFlutterGAMBanner::kClassName),
  });
}

void StartupChannel::onSuccess() {
  QEVA_FLUTTER_LOG("", kOnSuccessFunction);
  if (startup_result_.has_call()) {
    startup_result_.Success(flutter::EncodableValue(kSuccessReply));
  }
}

void StartupChannel::onFailure(const Qeva::QevaError& error) {
  QEVA_FLUTTER_LOG("error " + error.description(), kOnFailureFunction);
  if (startup_result_.has_call()) {
    startup_result_.Success(flutter::EncodableValue(kFailureReply));
  }
}

}  // namespace QevaFlutter
