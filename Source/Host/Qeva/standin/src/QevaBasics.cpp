// The out-of-line parts of the SDK interface that are plain values: errors, log levels, the
// log function itself and VAST event names.
#include "Qeva/QevaError.h"
#include "Qeva/QevaLog.h"
#include "Qeva/QevaTracker.h"
#include "QevaStandIn/StandIn.h"

namespace Qeva {
namespace {

const char* Explanation(QevaSDKError::Code code) {
  switch (code) {
    case QevaSDKError::Code::executionStopped:
      return "the ad has no delegate";
    case QevaSDKError::Code::prepareQevaAdFailed:
      return "the ad could not be loaded";
    case QevaSDKError::Code::noFill:
      return "no ad is available for the ad space";
    case QevaSDKError::Code::initializationFailed:
      return "the SDK could not be initialised";
    case QevaSDKError::Code::redirectFailed:
      return "the click-through could not be opened";
  }
  return "unknown error";
}

}  // namespace

const char* QevaSDKErrorCodeName(QevaSDKError::Code code) {
  switch (code) {
    case QevaSDKError::Code::executionStopped:
      return "executionStopped";
    case QevaSDKError::Code::prepareQevaAdFailed:
      return "prepareQevaAdFailed";
    case QevaSDKError::Code::noFill:
      return "noFill";
    case QevaSDKError::Code::initializationFailed:
      return "initializationFailed";
    case QevaSDKError::Code::redirectFailed:
      return "redirectFailed";
  }
  return "unknown";
}

std::string QevaSDKError::description() const {
  return std::string("QevaSDKError.") + QevaSDKErrorCodeName(code_) + ": " + Explanation(code_);
}

const char* QevaLogTypeName(QevaLogType level) {
  switch (level) {
    case QevaLogType::info:
      return "info";
    case QevaLogType::error:
      return "error";
  }
  return "unknown";
}

void log(const std::string& message, QevaLogType level, int lNo, const std::string& fun,
         const std::string& file) {
  QevaStandIn::LogSink& sink = QevaStandIn::StandIn::Shared().logSink();
  if (sink.wantsLines()) {
    sink.write(QevaStandIn::LogLine{level, message, fun, file, lNo});
  }
}

const char* rawValue(QevaVastEvent event) {
  switch (event) {
    case QevaVastEvent::impression:
      return "impression";
    case QevaVastEvent::click:
      return "click";
    case QevaVastEvent::start:
      return "start";
    case QevaVastEvent::complete:
      return "complete";
  }
  return "";
}

}  // namespace Qeva
