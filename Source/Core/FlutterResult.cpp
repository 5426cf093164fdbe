#include "Core/FlutterResult.h"

#include <utility>

#include "Core/QevaFlutterLog.h"

namespace QevaFlutter {

namespace {
constexpr char kAnswerFunction[] = "FlutterResult(_:)";
}  // namespace

FlutterResult::FlutterResult(std::unique_ptr<flutter::MethodResult<>> result)
    : result_(std::make_shared<std::unique_ptr<flutter::MethodResult<>>>(std::move(result))) {}

std::unique_ptr<flutter::MethodResult<>> FlutterResult::TakeForAnswer() const {
  std::unique_ptr<flutter::MethodResult<>> result;
  if (result_) {
    result = std::move(*result_);
  }
  if (!result) {
    QEVA_FLUTTER_LOG("QevaFlutter: result already answered, reply dropped", kAnswerFunction);
  }
  return result;
}

void FlutterResult::operator()() const {
  if (auto result = TakeForAnswer()) {
    result->Success();
  }
}

void FlutterResult::operator()(const std::string& value) const {
  if (auto result = TakeForAnswer()) {
    result->Success(flutter::EncodableValue(value));
  }
}

void FlutterResult::operator()(const char* value) const {
  (*this)(std::string(value == nullptr ? "" : value));
}

void FlutterResult::operator()(const StringKeyedMap& value) const {
  if (auto result = TakeForAnswer()) {
    flutter::EncodableMap map;
    for (const auto& [key, entry] : value) {
      map.emplace(flutter::EncodableValue(key), entry);
    }
    result->Success(flutter::EncodableValue(std::move(map)));
  }
}

void FlutterResult::operator()(const flutter::EncodableMap& value) const {
  if (auto result = TakeForAnswer()) {
    result->Success(flutter::EncodableValue(value));
  }
}

void FlutterResult::operator()(const FlutterError& error) const {
  if (auto result = TakeForAnswer()) {
    if (error.details.IsNull()) {
      result->Error(error.code, error.message);
    } else {
      result->Error(error.code, error.message, error.details);
    }
  }
}

bool FlutterResult::answered() const {
  return !result_ || *result_ == nullptr;
}

}  // namespace QevaFlutter
