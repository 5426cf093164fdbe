#include "Core/ReplyLedger.h"

#include <algorithm>

namespace QevaFlutter {

namespace {

// |text| cut to at most kMaxTextBytes, at a UTF-8 character boundary, marked with "...".
std::string Clipped(const std::string& text) {
  if (text.size() <= CallRecord::kMaxTextBytes) {
    return text;
  }
  size_t cut = CallRecord::kMaxTextBytes - 3;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
    --cut;
  }
  return text.substr(0, cut) + "...";
}

}  // namespace

const char* CallEndName(CallEnd end) {
  // In enumerator order.
  static const char* const kNames[] = {"pending", "answered",   "replaced",
                                       "dropped", "unanswered", "released"};
  return kNames[static_cast<size_t>(end)];
}

const char* UnansweredReasonText(UnansweredReason reason) {
  // In enumerator order.
  static const char* const kTexts[] = {"",
                                       "method not accepted",
                                       "arguments not accepted",
                                       "unknown ad-space id",
                                       "ad space holds no ad",
                                       "no window",
                                       "no ad space for the tag id"};
  return kTexts[static_cast<size_t>(reason)];
}

std::string CallRecord::ToString() const {
  std::string text = "#" + std::to_string(number) + " " + channel + "." + method + "(" + adSpaceId +
                     ") " + CallEndName(end);
  if (end == CallEnd::kAnswered) {
    text += reply == ReplyKind::kError ? " error " + errorCode : " value";
  } else if (end == CallEnd::kUnanswered) {
    text += std::string(": ") + UnansweredReasonText(reason);
  }
  return text;
}

uint64_t CallCounts::total() const {
  return pending + answeredValue + answeredError + replaced + dropped + unanswered + released;
}

std::string CallCounts::ToString() const {
  const auto n = [](uint64_t value) { return std::to_string(value); };
  return "calls " + n(total()) + ": pending " + n(pending) + ", answered " +
         n(answeredValue + answeredError) + " (value " + n(answeredValue) + ", error " +
         n(answeredError) + "), replaced " + n(replaced) + ", dropped " + n(dropped) +
         ", unanswered " + n(unanswered) + ", released " + n(released);
}

bool CallCounts::operator==(const CallCounts& other) const {
  return pending == other.pending && answeredValue == other.answeredValue &&
         answeredError == other.answeredError && replaced == other.replaced &&
         dropped == other.dropped && unanswered == other.unanswered && released == other.released;
}

void CallTicket::NoteAdSpaceId(const std::string& adSpaceId) const {
  if (std::shared_ptr<ReplyLedger> ledger = ledger_.lock()) {
    if (CallRecord* record = ledger->Find(number_)) {
      record->adSpaceId = Clipped(adSpaceId);
    }
  }
}

void CallTicket::Answered(ReplyKind reply, const std::string& errorCode) const {
  End(CallEnd::kAnswered, reply, errorCode);
}

void CallTicket::Unanswered(UnansweredReason reason) const {
  End(CallEnd::kUnanswered, ReplyKind::kNone, std::string(), reason);
}

void CallTicket::End(CallEnd end, ReplyKind reply, const std::string& errorCode,
                     UnansweredReason reason) const {
  if (ended_) {
    return;
  }
  std::shared_ptr<ReplyLedger> ledger = ledger_.lock();
  if (!ledger) {
    return;
  }
  ended_ = true;
  ledger->Count(end, reply);
  if (CallRecord* record = ledger->Find(number_)) {
    record->end = end;
    record->reply = reply;
    record->errorCode = Clipped(errorCode);
    record->reason = reason;
  }
}

std::shared_ptr<ReplyLedger> ReplyLedger::Create() {
  // The constructor is private; make_shared cannot reach it.
  return std::shared_ptr<ReplyLedger>(new ReplyLedger());
}

// The ring is allocated once, up front: recording a call then allocates only for texts too
// long to sit inside a std::string.
ReplyLedger::ReplyLedger() {
  ring_.reserve(kCapacity);
}

CallTicket ReplyLedger::Open(const std::string& channel, const std::string& method) {
  CallRecord record;
  record.number = ++opened_;
  record.channel = Clipped(channel);
  record.method = Clipped(method);
  if (ring_.size() < kCapacity) {
    ring_.push_back(std::move(record));
  } else {
    ring_[(record.number - 1) % kCapacity] = std::move(record);
  }
  ++counts_.pending;
  CallTicket ticket;
  ticket.ledger_ = weak_from_this();
  ticket.number_ = opened_;
  return ticket;
}

std::vector<CallRecord> ReplyLedger::records(size_t count) const {
  count = std::min(count, ring_.size());
  std::vector<CallRecord> last;
  last.reserve(count);
  for (uint64_t number = opened_ - count + 1; number <= opened_; ++number) {
    last.push_back(ring_[(number - 1) % kCapacity]);
  }
  return last;
}

CallRecord* ReplyLedger::Find(uint64_t number) {
  // Tickets come from Open() only, so 1 <= number <= opened_.
  if (opened_ - number >= ring_.size()) {
    return nullptr;
  }
  return &ring_[(number - 1) % kCapacity];
}

void ReplyLedger::Count(CallEnd end, ReplyKind reply) {
  --counts_.pending;
  switch (end) {
    case CallEnd::kAnswered:
      ++(reply == ReplyKind::kError ? counts_.answeredError : counts_.answeredValue);
      break;
    case CallEnd::kReplaced:
      ++counts_.replaced;
      break;
    case CallEnd::kDropped:
      ++counts_.dropped;
      break;
    case CallEnd::kUnanswered:
      ++counts_.unanswered;
      break;
    default:  // kReleased; kPending is never an end.
      ++counts_.released;
      break;
  }
}

}  // namespace QevaFlutter
