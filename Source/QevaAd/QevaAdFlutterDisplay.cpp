#include "QevaAd/QevaAdFlutterDisplay.h"

#include <nlohmann/json.hpp>

namespace QevaFlutter {
namespace {

using nlohmann::json;

constexpr char kSmartphoneBannerSignature[] = "iab.smartphonebanner";
constexpr char kMediumRectangleSignature[] = "iab.mediumrectangle";

}  // namespace

std::vector<std::string> QevaAdFlutterDisplay::getSignatures() {
  return {kSmartphoneBannerSignature, kMediumRectangleSignature};
}

std::optional<std::string> QevaAdFlutterDisplay::getAdResponse() const {
  const json response = {{"adSize", std::to_string(flutter_width_.value_or(0)) + "x" +
                                        std::to_string(flutter_height_.value_or(0))},
                         {"response", adResponse().value_or(std::string())}};
  // Strict about UTF-8: markup that is not UTF-8 cannot reach Dart as a string.
  try {
    return response.dump(-1, ' ', false, json::error_handler_t::strict);
  } catch (const json::type_error&) {
    return std::nullopt;
  }
}

void QevaAdFlutterDisplay::setAdParameters(std::optional<int64_t> adParameters,
                                           std::optional<int64_t> height) {
  flutter_width_ = adParameters;
  flutter_height_ = height;
}

}  // namespace QevaFlutter
