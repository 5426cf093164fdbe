#ifndef QEVA_FLUTTER_CORE_STARTUPCHANNEL_H_
#define QEVA_FLUTTER_CORE_STARTUPCHANNEL_H_

#include <flutter/binary_messenger.h>
#include <flutter/method_call.h>
#include <flutter/method_result.h>

#include <cstdint>
#include <memory>
#include <string>

#include "Core/PendingResult.h"
#include "Core/ReplyLedger.h"
#include "Qeva/QevaError.h"
#include "Qeva/QevaManager.h"

namespace QevaFlutter {

// The "QevaManager" channel: Dart starts the SDK with an account id, an app id and a secret
// key, and is answered "success" or "failure" when the SDK reports how initialisation went.
// The channel is the SDK's InitializationStatusDelegate.
class StartupChannel : public Qeva::InitializationStatusDelegate {
 public:
  static constexpr char kName[] = "QevaManager";

  // Records its calls in |ledger|.
  explicit StartupChannel(std::shared_ptr<ReplyLedger> ledger);
  ~StartupChannel() override;

  StartupChannel(const StartupChannel&) = delete;
  StartupChannel& operator=(const StartupChannel&) = delete;

  // Opens the channel on |messenger| with a handler that owns |channel|; nothing ever
  // unregisters it. The SDK holds the channel weakly, as its status delegate.
  static void Open(flutter::BinaryMessenger* messenger, std::shared_ptr<StartupChannel> channel);

  // InitializationStatusDelegate: answer the latest call. It stays kept; a repeated report
  // for it is dropped by PendingResult.
  void onSuccess() override;
  void onFailure(const Qeva::QevaError& error) override;

 private:
  // Overwritten in full by every accepted call.
  struct StartUpValues {
    int64_t account_id = 0;
    int64_t app_id = 0;
    std::string secret_key;
  };

  void HandleMethodCall(const flutter::MethodCall<>& call, PendingResult result);

  // Declared first, so that a result released with the channel still finds it.
  std::shared_ptr<ReplyLedger> ledger_;
  std::weak_ptr<StartupChannel> self_;
  StartUpValues values_;
  // The latest accepted call (adManagerResult).
  PendingResult startup_result_;
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_CORE_STARTUPCHANNEL_H_
