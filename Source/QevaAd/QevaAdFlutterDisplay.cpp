#include "QevaAd/QevaAdFlutterDisplay.h"

#include <cstddef>
#include <string_view>
#include <utility>

#include "Foundation/TextScan.h"
#include "QevaAd/Log.h"

namespace QevaFlutter {
namespace {

using Qeva::QevaLogType;

constexpr char kSmartphoneBannerSignature[] = "iab.smartphonebanner";
constexpr char kMediumRectangleSignature[] = "iab.mediumrectangle";

constexpr char kAdSizeKey[] = "adSize";
constexpr char kResponseKey[] = "response";

std::string ExecutionStopped() {
  return Qeva::QevaSDKError(Qeva::QevaSDKError::Code::executionStopped).description();
}

// Appends |text| as a JSON string, byte for byte as nlohmann::json's compact dump() writes it:
// '"' and '\\' escaped, \b \f \n \r \t, other control characters as \u00xx in lower-case
// hex, everything else ('/', DEL and UTF-8 included) as it is. Runs of plain characters are
// appended whole. False, with |out| half written, when |text| is not UTF-8.
bool AppendJsonString(std::string_view text, std::string& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  size_t plain_from = 0;
  size_t at = 0;
  while (true) {
    at += Foundation::PlainASCIIPrefixLength(text.substr(at));
    if (at == text.size()) {
      break;
    }
    const auto c = static_cast<unsigned char>(text[at]);
    if (c >= 0x7f) {
      // DEL and UTF-8 sequences are written as they are.
      const size_t length = Foundation::UTF8SequenceLength(text, at);
      if (length == 0) {
        return false;
      }
      at += length;
      continue;
    }
    out.append(text.data() + plain_from, at - plain_from);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += "\\u00";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
    plain_from = ++at;
  }
  out.append(text.data() + plain_from, at - plain_from);
  out += '"';
  return true;
}

}  // namespace

QevaAdFlutterDisplay::QevaAdFlutterDisplay() : NSObject(kClassName) {
  QEVA_AD_LOG(description(), QevaLogType::info, "init()");
}

QevaAdFlutterDisplay::~QevaAdFlutterDisplay() {
  QEVA_AD_LOG(description(), QevaLogType::info, "deinit");
}

std::vector<std::string> QevaAdFlutterDisplay::getSignatures() {
  return {kSmartphoneBannerSignature, kMediumRectangleSignature};
}

void QevaAdFlutterDisplay::prepare(const std::string& adResponse,
                                   std::shared_ptr<Qeva::QevaAdDelegate> delegate) {
  QEVA_AD_LOG("", QevaLogType::info, "prepare(adResponse:delegate:)");
  delegate_ = std::move(delegate);
  ad_response_ = adResponse;
  // A local reference keeps the delegate alive should the SDK replace it from inside the call.
  if (auto current = delegate_) {
    current->onLoadSuccess(*this);
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "prepare(adResponse:delegate:)");
  }
}

void QevaAdFlutterDisplay::render(UIKit::UIView& /*container*/) {
  if (auto current = delegate_) {
    current->onRenderSuccess(*this);
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "render(container:)");
  }
}

void QevaAdFlutterDisplay::pause() {
  if (auto current = delegate_) {
    current->onAdPaused();
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "pause()");
  }
}

void QevaAdFlutterDisplay::resume() {
  if (auto current = delegate_) {
    current->onAdResumed();
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "resume()");
  }
}

void QevaAdFlutterDisplay::close() {
  // Moving empties the field before the call: the SDK may release this ad from inside onClose,
  // after which no member may be touched.
  if (auto current = std::move(delegate_)) {
    current->onClose(*this);
  } else {
    QEVA_AD_LOG(ExecutionStopped(), QevaLogType::error, "close()");
  }
}

std::optional<std::string> QevaAdFlutterDisplay::getAdResponse() const {
  // Asked for once per ready event, with a markup of hundreds of bytes: written by hand, not
  // through a JSON object, which cost more than the rest of the event's reply. The members come
  // in key order, as a JSON object keeps them.
  const std::string ad_size = std::to_string(flutter_width_.value_or(0)) + "x" +
                              std::to_string(flutter_height_.value_or(0));
  const std::string_view markup =
      ad_response_ ? std::string_view(*ad_response_) : std::string_view();
  std::string text;
  text.reserve(markup.size() + ad_size.size() + 32);
  text += '{';
  AppendJsonString(kAdSizeKey, text);
  text += ':';
  AppendJsonString(ad_size, text);
  text += ',';
  AppendJsonString(kResponseKey, text);
  text += ':';
  // Strict about UTF-8: markup that is not UTF-8 cannot reach Dart as a string.
  if (!AppendJsonString(markup, text)) {
    return std::nullopt;
  }
  text += '}';
  return text;
}

bool QevaAdFlutterDisplay::shouldProcessRefresh() const {
  return true;
}

void QevaAdFlutterDisplay::setAdParameters(std::optional<int64_t> adParameters,
                                           std::optional<int64_t> height) {
  flutter_width_ = adParameters;
  flutter_height_ = height;
}

}  // namespace QevaFlutter
