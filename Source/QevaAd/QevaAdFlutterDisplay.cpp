#include "QevaAd/QevaAdFlutterDisplay.h"

#include <cstddef>
#include <string_view>

#include "Foundation/TextScan.h"

namespace QevaFlutter {
namespace {

constexpr char kSmartphoneBannerSignature[] = "iab.smartphonebanner";
constexpr char kMediumRectangleSignature[] = "iab.mediumrectangle";

constexpr char kAdSizeKey[] = "adSize";
constexpr char kResponseKey[] = "response";

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

std::vector<std::string> QevaAdFlutterDisplay::getSignatures() {
  return {kSmartphoneBannerSignature, kMediumRectangleSignature};
}

std::optional<std::string> QevaAdFlutterDisplay::getAdResponse() const {
  // Asked for once per ready event, with a markup of hundreds of bytes: written by hand, not
  // through a JSON object, which cost more than the rest of the event's reply. The members come
  // in key order, as a JSON object keeps them.
  const std::string ad_size = std::to_string(flutter_width_.value_or(0)) + "x" +
                              std::to_string(flutter_height_.value_or(0));
  const std::string_view markup =
      adResponse() ? std::string_view(*adResponse()) : std::string_view();
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

void QevaAdFlutterDisplay::setAdParameters(std::optional<int64_t> adParameters,
                                           std::optional<int64_t> height) {
  flutter_width_ = adParameters;
  flutter_height_ = height;
}

}  // namespace QevaFlutter
