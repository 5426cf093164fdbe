// QevaAdFlutterDisplay with arbitrary markup and sizes. getAdResponse() never throws; it gives
// none exactly when the markup is not UTF-8, and otherwise a JSON object of two strings:
// "adSize", "<width>x<height>" with 0 for a size not given, and "response", the markup as it
// was prepared (the empty string when it never was), whatever else the ad went through.

#include <nlohmann/json.hpp>

#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "Qeva/QevaAd.h"
#include "QevaAd/QevaAdFlutterDisplay.h"
#include "QevaStandIn/IgnoringAdDelegate.h"
#include "QevaStandIn/StandIn.h"
#include "UIKit/UIKit.h"

namespace qeva_fuzz::display {

namespace {

// The input: a flags byte, the width and the height as little-endian int64, then the markup.
enum Flag : uint8_t {
  kSetWidth = 1,
  kSetHeight = 2,
  kSetSize = 4,           // Call setAdParameters at all.
  kSizeAfterPrepare = 8,  // ... after prepare rather than before.
  kNoDelegate = 16,       // prepare with a null delegate.
  kCloseFirst = 32,       // render, pause, resume and close before reading the response.
  kNoPrepare = 64,
};
constexpr size_t kHeaderSize = 1 + 8 + 8;

int64_t ReadInt64(const uint8_t* bytes) {
  int64_t value;
  std::memcpy(&value, bytes, sizeof(value));
  return value;
}

}  // namespace

int FuzzOne(const uint8_t* data, size_t size) {
  // The renderer logs through the SDK: keep the stand-in's log quiet and short.
  QevaStandIn::LogSink& log = QevaStandIn::StandIn::Shared().logSink();
  log.setEcho(false);
  log.clear();

  uint8_t header[kHeaderSize] = {};
  std::memcpy(header, data, size < kHeaderSize ? size : kHeaderSize);
  const uint8_t flags = header[0];
  const std::optional<int64_t> width =
      (flags & kSetWidth) ? std::optional<int64_t>(ReadInt64(header + 1)) : std::nullopt;
  const std::optional<int64_t> height =
      (flags & kSetHeight) ? std::optional<int64_t>(ReadInt64(header + 9)) : std::nullopt;
  const std::string markup =
      size > kHeaderSize
          ? std::string(reinterpret_cast<const char*>(data) + kHeaderSize, size - kHeaderSize)
          : std::string();

  auto ad = std::make_shared<QevaFlutter::QevaAdFlutterDisplay>();
  std::shared_ptr<Qeva::QevaAdDelegate> delegate;
  if (!(flags & kNoDelegate)) {
    delegate = std::make_shared<QevaStandIn::IgnoringAdDelegate>();
  }
  if ((flags & kSetSize) && !(flags & kSizeAfterPrepare)) {
    ad->setAdParameters(width, height);
  }
  if (!(flags & kNoPrepare)) {
    ad->prepare(markup, delegate);
  }
  if ((flags & kSetSize) && (flags & kSizeAfterPrepare)) {
    ad->setAdParameters(width, height);
  }
  if (flags & kCloseFirst) {
    UIKit::UIView container;
    ad->render(container);
    ad->pause();
    ad->resume();
    ad->close();
  }

  std::optional<std::string> response;
  try {
    response = ad->getAdResponse();
  } catch (...) {
    CheckInput(false, "getAdResponse() threw", data, size);
    return 0;
  }
  const std::string expected_markup = (flags & kNoPrepare) ? std::string() : markup;
  if (!IsValidUtf8(expected_markup)) {
    CheckInput(!response, "a response for markup that is not UTF-8", data, size);
    return 0;
  }
  if (!CheckInput(response.has_value(), "no response for UTF-8 markup", data, size)) {
    return 0;
  }
  const nlohmann::json object = nlohmann::json::parse(*response, nullptr, false);
  if (!CheckInput(object.is_object() && object.size() == 2,
                  "the response is not a JSON object of two members", data, size)) {
    return 0;
  }
  const bool applied = (flags & kSetSize) != 0;
  const std::string ad_size = std::to_string(applied ? width.value_or(0) : 0) + "x" +
                              std::to_string(applied ? height.value_or(0) : 0);
  auto size_member = object.find("adSize");
  auto response_member = object.find("response");
  CheckInput(size_member != object.end() && size_member->is_string() &&
                 size_member->get<std::string>() == ad_size,
             "\"adSize\" is not the size given", data, size);
  CheckInput(response_member != object.end() && response_member->is_string() &&
                 response_member->get<std::string>() == expected_markup,
             "\"response\" is not the markup prepared", data, size);
  return 0;
}

}  // namespace qeva_fuzz::display
