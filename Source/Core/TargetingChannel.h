#ifndef QEVA_FLUTTER_CORE_TARGETINGCHANNEL_H_
#define QEVA_FLUTTER_CORE_TARGETINGCHANNEL_H_

#include <flutter/binary_messenger.h>
#include <flutter/encodable_value.h>
#include <flutter/method_call.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "Core/ChannelArguments.h"
#include "Core/PendingResult.h"
#include "Core/ReplyLedger.h"
#include "Qeva/QevaManager.h"

namespace QevaFlutter {

// One of the "QevaApplication", "QevaUser" and "QevaDevice" channels, which hold nothing but
// their name. A call whose method is the channel's name and whose arguments are a
// string-keyed map has the values of the channel's key table handed to the SDK's targeting
// object, in table order, each only when it has the key's type, and is answered "success".
// Any other call is left unanswered. Nothing is logged.
class TargetingChannel {
 public:
  // Hands the values of |arguments| to the channel's targeting object of |sdk|.
  using Apply = void (*)(const ArgumentMap& arguments, Qeva::QevaManager& sdk);

  // The three channels, each with its own key table.
  static const TargetingChannel kApplication;
  static const TargetingChannel kUser;
  static const TargetingChannel kDevice;

  const char* name() const { return name_; }

  // Opens the channel on |messenger|, recording its calls in |ledger|; nothing ever
  // unregisters it.
  void Open(flutter::BinaryMessenger* messenger, std::shared_ptr<ReplyLedger> ledger) const;

 private:
  constexpr TargetingChannel(const char* name, Apply apply) : name_(name), apply_(apply) {}

  void HandleMethodCall(const flutter::MethodCall<>& call, PendingResult result) const;

  const char* name_;  // A string literal.
  Apply apply_;
};

// "A number with an integral value": an int32 or int64, or a double that holds a whole
// number within the signed 64-bit range (Dart sends 3.0 as a double). Booleans, strings and
// fractions are not numbers of this kind.
std::optional<int64_t> IntegralNumber(const flutter::EncodableValue& value);

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_CORE_TARGETINGCHANNEL_H_
