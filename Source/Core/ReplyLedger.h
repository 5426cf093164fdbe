#ifndef QEVA_FLUTTER_CORE_REPLYLEDGER_H_
#define QEVA_FLUTTER_CORE_REPLYLEDGER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Where every Dart call that reached the plugin's handlers went: answered (and how), still
// kept, replaced, dropped, or left unanswered on purpose (and why). Diagnostics only: nothing
// here changes what Dart or the log sees.
namespace QevaFlutter {

// How a call ended, as far as the plugin is concerned.
enum class CallEnd {
  kPending,     // Kept (a pending result or the start-up result), not answered yet.
  kAnswered,    // Answered once; CallRecord::reply says with what.
  kReplaced,    // A newer call was kept in its place; never answered.
  kDropped,     // "AdPause" dropped it; never answered.
  kUnanswered,  // Left unanswered by rule when it arrived; CallRecord::reason says why.
  kReleased,    // Let go unanswered by no rule: the manager went away while it was kept.
};

// Why a call was left unanswered on arrival.
enum class UnansweredReason {
  kNone,
  kMethodNotAccepted,     // The channel takes no method of that name.
  kArgumentsNotAccepted,  // Null, not a map, a key that is not a string ("QevaManager": a
                          // value that is not a string).
  kUnknownAdSpaceId,      // "AdRender", "AdRefresh", "AdPause", "FallbackAd": no ad space
                          // is kept under the id.
  kNoAd,                  // "FallbackAd": the ad space holds no ad.
  kNoWindow,              // "AdClick": no application delegate, window or root view
                          // controller.
  kAdSpaceRefused,        // "AdRequest": the SDK made no ad space for the tag id.
};

enum class ReplyKind { kNone, kValue, kError };

// One call. Texts are cut to kMaxTextBytes (Dart may send any method name or id).
struct CallRecord {
  static constexpr size_t kMaxTextBytes = 64;

  uint64_t number = 0;  // 1 for the first call the manager received.
  std::string channel;
  std::string method;
  std::string adSpaceId;  // Empty when the call names or gets none.
  CallEnd end = CallEnd::kPending;
  ReplyKind reply = ReplyKind::kNone;                 // For kAnswered.
  std::string errorCode;                              // For an error reply.
  UnansweredReason reason = UnansweredReason::kNone;  // For kUnanswered.

  // "#3 QevaAdSpace.AdRender(<id>) answered error 1001",
  // "#4 QevaAdSpace.AdPause(x) unanswered: unknown ad-space id", "#1 QevaUser.QevaUser() ...".
  std::string ToString() const;
};

// How many calls ended each way since the manager was made; pending as of reading.
struct CallCounts {
  uint64_t pending = 0;
  uint64_t answeredValue = 0;
  uint64_t answeredError = 0;
  uint64_t replaced = 0;
  uint64_t dropped = 0;
  uint64_t unanswered = 0;
  uint64_t released = 0;

  uint64_t total() const;
  // "calls 9: pending 1, answered 5 (value 4, error 1), replaced 1, dropped 1, unanswered 1,
  // released 0".
  std::string ToString() const;
  bool operator==(const CallCounts& other) const;
  bool operator!=(const CallCounts& other) const { return !(*this == other); }
};

const char* CallEndName(CallEnd end);
const char* UnansweredReasonText(UnansweredReason reason);

class ReplyLedger;

// One call's line in the ledger, owned by the call's PendingResult, which reports its end.
// The first end a ticket reports is the call's end; later ones are ignored. A ticket with no ledger
// (a result made outside the channel handlers) does nothing.
class CallTicket {
 public:
  CallTicket() = default;
  CallTicket(CallTicket&&) = default;
  CallTicket& operator=(CallTicket&&) = default;
  CallTicket(const CallTicket&) = delete;
  CallTicket& operator=(const CallTicket&) = delete;

  void NoteAdSpaceId(const std::string& adSpaceId) const;
  void Answered(ReplyKind reply, const std::string& errorCode = std::string()) const;
  void Replaced() const { End(CallEnd::kReplaced); }
  void Dropped() const { End(CallEnd::kDropped); }
  void Unanswered(UnansweredReason reason) const;
  void Released() const { End(CallEnd::kReleased); }

 private:
  friend class ReplyLedger;

  void End(CallEnd end, ReplyKind reply = ReplyKind::kNone, const std::string& errorCode = {},
           UnansweredReason reason = UnansweredReason::kNone) const;

  // Weak: a result may outlive the manager's ledger.
  std::weak_ptr<ReplyLedger> ledger_;
  uint64_t number_ = 0;
  mutable bool ended_ = false;
};

// Bounded memory: the last kCapacity records in a ring, plus counters that cover every call.
// Main thread only. The secret key and other argument values are never recorded.
class ReplyLedger : public std::enable_shared_from_this<ReplyLedger> {
 public:
  static constexpr size_t kCapacity = 256;

  static std::shared_ptr<ReplyLedger> Create();

  CallCounts counts() const { return counts_; }
  // The last |count| records (at most kCapacity), oldest first.
  std::vector<CallRecord> records(size_t count = kCapacity) const;

  // A new record for a call of |method| on |channel|, pending until its ticket ends it.
  CallTicket Open(const std::string& channel, const std::string& method);

 private:
  friend class CallTicket;

  ReplyLedger();
  // The record of call |number|, or null once the ring has moved past it.
  CallRecord* Find(uint64_t number);
  void Count(CallEnd end, ReplyKind reply);

  std::vector<CallRecord> ring_;  // Call n sits at (n - 1) % kCapacity.
  uint64_t opened_ = 0;
  CallCounts counts_;
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_CORE_REPLYLEDGER_H_
