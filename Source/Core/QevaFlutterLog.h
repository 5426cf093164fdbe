#ifndef QEVA_FLUTTER_CORE_QEVAFLUTTERLOG_H_
#define QEVA_FLUTTER_CORE_QEVAFLUTTERLOG_H_

#include "Qeva/QevaLog.h"

#include <string>

// Writes one info line through the SDK's log, with the caller's source line and file: a
// macro, so that __LINE__ and __FILE__ are the call site's. |function_text| is the calling
// operation's signature text, e.g. "singleAd(tagId:refreshRate:result:)", a constant. The
// function and file texts are made once per call site, not on every line: the log takes
// strings, and a ready event writes several lines.
#define QEVA_FLUTTER_LOG(message, function_text)                                                   \
  do {                                                                                             \
    static const std::string qeva_log_function(function_text);                                     \
    static const std::string qeva_log_file(__FILE__);                                              \
    ::Qeva::log((message), ::Qeva::QevaLogType::info, __LINE__, qeva_log_function, qeva_log_file); \
  } while (false)

// The same for a call site shared by several operations: |function| is a std::string chosen
// by the caller.
#define QEVA_FLUTTER_LOG_AS(message, function)                                              \
  do {                                                                                      \
    static const std::string qeva_log_file(__FILE__);                                       \
    ::Qeva::log((message), ::Qeva::QevaLogType::info, __LINE__, (function), qeva_log_file); \
  } while (false)

#endif  // QEVA_FLUTTER_CORE_QEVAFLUTTERLOG_H_
