#include "Core/PendingResult.h"

#include <utility>

#include "Core/QevaFlutterLog.h"

namespace QevaFlutter {

namespace {
// The function text of the dropped-answer line, as the log has always shown it.
constexpr char kAnswerFunction[] = "FlutterResult(_:)";
}  // namespace

PendingResult::PendingResult(std::unique_ptr<flutter::MethodResult<>> result, CallTicket ticket)
    : result_(std::move(result)), ticket_(std::move(ticket)), has_call_(true) {}

PendingResult PendingResult::ForCall(ReplyLedger& ledger, const std::string& channel,
                                     const flutter::MethodCall<>& call,
                                     std::unique_ptr<flutter::MethodResult<>> result) {
  return PendingResult(std::move(result), ledger.Open(channel, call.method_name()));
}

PendingResult::PendingResult(PendingResult&& other) noexcept
    : result_(std::move(other.result_)),
      ticket_(std::move(other.ticket_)),
      has_call_(std::exchange(other.has_call_, false)) {}

PendingResult& PendingResult::operator=(PendingResult&& other) noexcept {
  if (this != &other) {
    if (result_) {
      ticket_.Released();
    }
    result_ = std::move(other.result_);
    ticket_ = std::move(other.ticket_);
    has_call_ = std::exchange(other.has_call_, false);
  }
  return *this;
}

PendingResult::~PendingResult() {
  if (result_) {
    ticket_.Released();
  }
}

void PendingResult::NoteAdSpaceId(const std::string& ad_space_id) const {
  ticket_.NoteAdSpaceId(ad_space_id);
}

std::unique_ptr<flutter::MethodResult<>> PendingResult::TakeForAnswer() {
  std::unique_ptr<flutter::MethodResult<>> result = std::move(result_);
  if (!result && has_call_) {
    QEVA_FLUTTER_LOG("QevaFlutter: result already answered, reply dropped", kAnswerFunction);
  }
  return result;
}

// Nothing of |this| is touched after the engine's result is called: the reply may re-enter
// the plugin and put a newer call in this one's place.
void PendingResult::Success(flutter::EncodableValue value) {
  if (std::unique_ptr<flutter::MethodResult<>> result = TakeForAnswer()) {
    ticket_.Answered(ReplyKind::kValue);
    result->Success(value);
  }
}

void PendingResult::Error(const std::string& code, const std::string& message) {
  if (std::unique_ptr<flutter::MethodResult<>> result = TakeForAnswer()) {
    ticket_.Answered(ReplyKind::kError, code);
    result->Error(code, message);
  }
}

void PendingResult::Reject(UnansweredReason reason) {
  ticket_.Unanswered(reason);
  result_.reset();
  has_call_ = false;
}

void PendingResult::ReplaceWith(PendingResult newer) {
  ticket_.Replaced();
  *this = std::move(newer);
}

void PendingResult::Drop() {
  ticket_.Dropped();
  result_.reset();
  has_call_ = false;
}

}  // namespace QevaFlutter
