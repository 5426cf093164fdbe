#include "Core/FlutterResult.h"

#include <utility>

#include "Core/QevaFlutterLog.h"

namespace QevaFlutter {

namespace {
constexpr char kAnswerFunction[] = "FlutterResult(_:)";
}  // namespace

FlutterResult::FlutterResult(std::unique_ptr<flutter::MethodResult<>> result, CallTicket ticket)
    : state_(std::make_shared<State>()) {
  state_->result = std::move(result);
  state_->ticket = std::move(ticket);
}

FlutterResult::State::~State() {
  if (result) {
    ticket.Released();
  }
}

std::unique_ptr<flutter::MethodResult<>> FlutterResult::TakeForAnswer() const {
  std::unique_ptr<flutter::MethodResult<>> result;
  if (state_) {
    result = std::move(state_->result);
  }
  if (!result) {
    QEVA_FLUTTER_LOG("QevaFlutter: result already answered, reply dropped", kAnswerFunction);
  }
  return result;
}

void FlutterResult::operator()() const {
  if (auto result = TakeForAnswer()) {
    state_->ticket.Answered(ReplyKind::kValue);
    result->Success();
  }
}

void FlutterResult::operator()(const std::string& value) const {
  if (auto result = TakeForAnswer()) {
    state_->ticket.Answered(ReplyKind::kValue);
    result->Success(flutter::EncodableValue(value));
  }
}

void FlutterResult::operator()(const char* value) const {
  (*this)(std::string(value == nullptr ? "" : value));
}

void FlutterResult::operator()(const StringKeyedMap& value) const {
  if (auto result = TakeForAnswer()) {
    state_->ticket.Answered(ReplyKind::kValue);
    flutter::EncodableMap map;
    for (const auto& [key, entry] : value) {
      map.emplace(flutter::EncodableValue(key), entry);
    }
    result->Success(flutter::EncodableValue(std::move(map)));
  }
}

void FlutterResult::operator()(flutter::EncodableMap&& value) const {
  if (auto result = TakeForAnswer()) {
    state_->ticket.Answered(ReplyKind::kValue);
    result->Success(flutter::EncodableValue(std::move(value)));
  }
}

void FlutterResult::operator()(const FlutterError& error) const {
  if (auto result = TakeForAnswer()) {
    state_->ticket.Answered(ReplyKind::kError, error.code);
    if (error.details.IsNull()) {
      result->Error(error.code, error.message);
    } else {
      result->Error(error.code, error.message, error.details);
    }
  }
}

const CallTicket& FlutterResult::ticket() const {
  // A moved-from wrapper has no state; its ticket records nothing.
  static const CallTicket kNoTicket;
  return state_ ? state_->ticket : kNoTicket;
}

}  // namespace QevaFlutter
