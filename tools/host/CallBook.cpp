#include "CallBook.h"

#include <utility>

#include "QevaStandIn/StandIn.h"
#include "Redactor.h"
#include "Rejection.h"
#include "headless/DartReply.h"

namespace QevaHost {

using QevaFlutter::CallCounts;
using QevaFlutter::CallEnd;

namespace {

// The engine's decoding of a reply, as the transcript holds it.
Reply FromDart(const headless::DartReply& dart) {
  Reply reply;
  switch (dart.kind()) {
    case headless::DartReply::Kind::kSuccess:
      reply.kind = Reply::Kind::success;
      reply.value = dart.value();
      break;
    case headless::DartReply::Kind::kError:
      reply.kind = Reply::Kind::error;
      reply.code = dart.error_code();
      reply.message = dart.error_message();
      reply.details = dart.error_details();
      break;
    case headless::DartReply::Kind::kNotImplemented:
    case headless::DartReply::Kind::kPending:
      reply.kind = Reply::Kind::notImplemented;
      break;
    case headless::DartReply::Kind::kUndecodable:
      reply.kind = Reply::Kind::undecodable;
      break;
  }
  return reply;
}

// How many calls ended each way that is not an answer, in |after| beyond |before|.
struct UnansweredEnds {
  UnansweredEnds(const CallCounts& before, const CallCounts& after)
      : replaced(after.replaced - before.replaced),
        dropped(after.dropped - before.dropped),
        unanswered(after.unanswered - before.unanswered),
        released(after.released - before.released) {}

  void Remove(CallEnd end) {
    uint64_t* count = Count(end);
    if (count != nullptr && *count > 0) {
      --*count;
    }
  }
  // One end not yet given to a call, if any is left.
  CallEnd Take() {
    for (CallEnd end :
         {CallEnd::kReplaced, CallEnd::kDropped, CallEnd::kUnanswered, CallEnd::kReleased}) {
      if (*Count(end) > 0) {
        --*Count(end);
        return end;
      }
    }
    return CallEnd::kPending;
  }

 private:
  uint64_t* Count(CallEnd end) {
    switch (end) {
      case CallEnd::kReplaced:
        return &replaced;
      case CallEnd::kDropped:
        return &dropped;
      case CallEnd::kUnanswered:
        return &unanswered;
      case CallEnd::kReleased:
        return &released;
      default:
        return nullptr;
    }
  }

  uint64_t replaced;
  uint64_t dropped;
  uint64_t unanswered;
  uint64_t released;
};

}  // namespace

CallBook::CallBook(const Redactor* redactor, bool keep_answered)
    : redactor_(redactor), keep_answered_(keep_answered) {}

void CallBook::SetLedger(std::shared_ptr<const QevaFlutter::ReplyLedger> ledger) {
  ledger_ = std::move(ledger);
}

HostCall& CallBook::Open(std::string channel, uint32_t tag) {
  auto call = std::make_unique<HostCall>();
  call->number = ++last_number_;
  call->tag = tag;
  call->step = step_;
  call->channel = std::move(channel);
  HostCall& opened = *call;
  records_.emplace(opened.number, std::move(call));
  return opened;
}

void CallBook::BeginDelivery(int number) {
  Delivery delivery;
  delivery.number = number;
  if (ledger_) {
    delivery.before = ledger_->counts();
  }
  deliveries_.push_back(std::move(delivery));
}

void CallBook::EndDelivery() {
  Delivery delivery = std::move(deliveries_.back());
  deliveries_.pop_back();
  ReadLedger(delivery);
  Forget(delivery.number);
}

void CallBook::OnAnswered(int number, const headless::DartReply& reply) {
  HostCall* call = Find(number);
  if (call == nullptr) {
    return;
  }
  call->replyCount = reply.reply_count();
  if (!call->reply) {
    call->reply = FromDart(reply);
  }
  if (sink_ == nullptr) {
    return;
  }
  ReplyEvent event;
  event.number = number;
  event.step = call->step;
  event.channel = call->channel;
  event.method = call->method;
  event.reply = *call->reply;
  event.bytes = reply.bytes();
  event.reply.value = redactor_->Printable(event.reply.value);
  event.reply.message = redactor_->Redact(event.reply.message);
  event.replyCount = call->replyCount;
  event.time = QevaStandIn::StandIn::Shared().runLoop().now();
  sink_->OnReply(event);
  Forget(number);
}

void CallBook::OnReleased(int number) {
  HostCall* call = Find(number);
  if (call == nullptr || call->reply) {
    return;
  }
  const int during = deliveries_.empty() ? 0 : deliveries_.back().number;
  call->released = true;
  call->releasedDuring = during;
  call->releasedInStep = step_;
  if (const HostCall* by = Find(during); by != nullptr && during != number) {
    call->releasedBy = (call_namer_ ? call_namer_(by->number) : "#" + std::to_string(by->number)) +
                       " " + by->method;
  }
  if (!deliveries_.empty()) {
    deliveries_.back().released.push_back(number);
  }
  if (sink_ != nullptr) {
    sink_->OnRelease(
        {number, call->channel, call->method, QevaStandIn::StandIn::Shared().runLoop().now()});
  }
}

HostCall* CallBook::Find(int number) const {
  auto found = records_.find(number);
  return found == records_.end() ? nullptr : found->second.get();
}

std::vector<const HostCall*> CallBook::calls() const {
  std::vector<const HostCall*> all;
  for (const auto& [number, call] : records_) {
    all.push_back(call.get());
  }
  return all;
}

std::vector<Unanswered> CallBook::UnansweredCalls() const {
  std::vector<Unanswered> unanswered;
  for (const auto& [number, call] : records_) {
    if (!call->reply) {
      unanswered.push_back(Explain(*call));
    }
  }
  return unanswered;
}

// Drops an answered call's record when answered records are not kept; a call being handled
// stays until it returns, as a call it releases names it.
void CallBook::Forget(int number) {
  const HostCall* call = Find(number);
  if (keep_answered_ || call == nullptr || !call->reply) {
    return;
  }
  for (const Delivery& delivery : deliveries_) {
    if (delivery.number == number) {
      return;
    }
  }
  records_.erase(number);
}

std::optional<QevaFlutter::CallRecord> CallBook::LedgerRecord(uint64_t number) const {
  if (!ledger_ || number == 0) {
    return std::nullopt;
  }
  const uint64_t back = ledger_->counts().total() - number + 1;
  if (back > QevaFlutter::ReplyLedger::kCapacity) {
    return std::nullopt;
  }
  std::vector<QevaFlutter::CallRecord> records = ledger_->records(static_cast<size_t>(back));
  if (records.empty() || records.front().number != number) {
    return std::nullopt;
  }
  return records.front();
}

// The ledger keeps only its last records; for a call that has left it, the counts say how the
// calls released during this delivery ended.
void CallBook::ReadLedger(const Delivery& delivery) {
  if (!ledger_) {
    return;
  }
  const CallCounts after = ledger_->counts();
  if (HostCall* call = Find(delivery.number);
      call != nullptr && after.total() > delivery.before.total()) {
    call->ledgerNumber = delivery.before.total() + 1;
  }
  UnansweredEnds ends(delivery.before, after);
  std::vector<HostCall*> gone;
  for (int number : delivery.released) {
    HostCall* call = Find(number);
    if (call == nullptr) {
      continue;
    }
    if (std::optional<QevaFlutter::CallRecord> record = LedgerRecord(call->ledgerNumber)) {
      call->end = record->end;
      call->reason = record->reason;
      ends.Remove(record->end);
    } else if (call->ledgerNumber != 0) {
      gone.push_back(call);
    }
  }
  for (HostCall* call : gone) {
    call->end = ends.Take();
  }
}

Unanswered CallBook::Explain(const HostCall& call) const {
  // Outside scenario steps (step 0) there is no step to name.
  const std::string at_step = call.releasedInStep == 0
                                  ? std::string()
                                  : " (step " + std::to_string(call.releasedInStep) + ")";
  if (call.released && call.releasedDuring == call.number) {
    return Rejection(call, *redactor_);
  }
  if (call.released && call.releasedDuring != 0) {
    const std::string& name = call.releasedBy;
    if (call.end == CallEnd::kDropped) {
      return {call.number, "dropped", "dropped by " + name + at_step};
    }
    if (call.end == CallEnd::kReplaced) {
      return {call.number, "replaced",
              "replaced by " + name + at_step +
                  (call.channel == "QevaAdSpace" ? ", a newer call under the same ad-space id"
                                                 : ", a newer call on the same channel")};
    }
    return {call.number, "released", "released unanswered during " + name + at_step};
  }
  if (call.released) {
    return {call.number, "released", "released unanswered" + at_step};
  }
  if (call.channel == "QevaManager") {
    return {call.number, "pending", "still pending: the SDK never reported its start-up"};
  }
  return {call.number, "pending", "still pending: no event of its ad space answered it"};
}

}  // namespace QevaHost
