#ifndef QEVA_FLUTTER_CORE_TARGETINGCHANNELS_H_
#define QEVA_FLUTTER_CORE_TARGETINGCHANNELS_H_

#include <flutter/encodable_value.h>
#include <flutter/method_call.h>

#include <cstdint>
#include <optional>
#include <string>

#include "Core/FlutterResult.h"

namespace QevaFlutter {

// The handler of the "QevaUser", "QevaDevice" and "QevaApplication" channels, which hold
// nothing but their name. A call whose method is |channel_name| and whose arguments are a
// string-keyed map has the values of its channel's key table handed to the SDK's targeting
// object, in table order, each only when it has the key's type, and is answered "success".
// Any other call is left unanswered. Nothing is logged.
void HandleTargetingCall(const std::string& channel_name, const flutter::MethodCall<>& call,
                         FlutterResult result);

// "A number with an integral value": an int32 or int64, or a double that holds a whole
// number within the signed 64-bit range (Dart sends 3.0 as a double). Booleans, strings and
// fractions are not numbers of this kind.
std::optional<int64_t> IntegralNumber(const flutter::EncodableValue& value);

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_CORE_TARGETINGCHANNELS_H_
