#ifndef QEVA_FLUTTER_CORE_QEVAFLUTTERLOG_H_
#define QEVA_FLUTTER_CORE_QEVAFLUTTERLOG_H_

#include "Qeva/QevaLog.h"

// Writes one info line through the SDK's log, with the caller's source line and file: a
// macro, so that __LINE__ and __FILE__ are the call site's. |function_text| is the calling
// operation's signature text, e.g. "singleAd(tagId:refreshRate:result:)".
#define QEVA_FLUTTER_LOG(message, function_text) \
  ::Qeva::log((message), ::Qeva::QevaLogType::info, __LINE__, (function_text), __FILE__)

#endif  // QEVA_FLUTTER_CORE_QEVAFLUTTERLOG_H_
