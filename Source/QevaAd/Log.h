#ifndef QEVA_FLUTTER_QEVAAD_LOG_H_
#define QEVA_FLUTTER_QEVAAD_LOG_H_

#include "Qeva/QevaLog.h"

#include <string>

// Writes one line through the SDK's log with the caller's line and project-relative file.
// |fun| is the calling operation's signature text, e.g. "render(container:)", a constant. A
// macro, not a function, so that __LINE__ and __FILE__ are the caller's. The function and
// file texts are made once per call site: a renderer logs on every ad it is made for.
#define QEVA_AD_LOG(message, level, fun)                                         \
  do {                                                                           \
    static const std::string qeva_log_function(fun);                             \
    static const std::string qeva_log_file(__FILE__);                            \
    ::Qeva::log((message), (level), __LINE__, qeva_log_function, qeva_log_file); \
  } while (false)

#endif  // QEVA_FLUTTER_QEVAAD_LOG_H_
