#ifndef QEVA_FLUTTER_QEVAAD_LOG_H_
#define QEVA_FLUTTER_QEVAAD_LOG_H_

#include "Qeva/QevaLog.h"

// Writes one line through the SDK's log with the caller's line and project-relative file.
// |fun| is the calling operation's signature text, e.g. "render(container:)". A macro, not a
// function, so that __LINE__ and __FILE__ are the caller's.
#define QEVA_AD_LOG(message, level, fun) ::Qeva::log((message), (level), __LINE__, (fun), __FILE__)

#endif  // QEVA_FLUTTER_QEVAAD_LOG_H_
