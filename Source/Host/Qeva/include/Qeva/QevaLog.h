#ifndef QEVA_SDK_QEVALOG_H_
#define QEVA_SDK_QEVALOG_H_

#include <string>

namespace Qeva {

enum class QevaLogType { info, error };

// "info" or "error".
const char* QevaLogTypeName(QevaLogType level);

// Writes one diagnostic line through the SDK's log. |lNo| is the caller's source line,
// |fun| the calling operation's signature text (e.g. "singleAd(tagId:refreshRate:result:)"),
// |file| the caller's project-relative source path.
void log(const std::string& message, QevaLogType level, int lNo, const std::string& fun,
         const std::string& file);

}  // namespace Qeva

#endif  // QEVA_SDK_QEVALOG_H_
