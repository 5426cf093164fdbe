#ifndef QEVA_HOST_CALLBOOK_H_
#define QEVA_HOST_CALLBOOK_H_

#include <flutter/encodable_value.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Core/ReplyLedger.h"
#include "Transcript.h"

namespace headless {
class DartReply;
}

namespace QevaHost {

class Redactor;

// One Dart call and what became of it.
struct HostCall {
  int number = 0;  // #N, from 1.
  size_t step = 0;
  uint32_t tag = 0;  // The caller's own name for the call (the wire's request id).
  std::string channel;
  std::string method;
  flutter::EncodableValue arguments;  // As sent: the secret unmasked.
  std::optional<Reply> reply;         // The first reply, once it came.
  int replyCount = 0;
  // The engine heard the plugin let the reply go unanswered: during call #releasedDuring (0:
  // outside any call) in step releasedInStep; releasedBy names that call as it was named then
  // ("#7 AdPause").
  bool released = false;
  int releasedDuring = 0;
  size_t releasedInStep = 0;
  std::string releasedBy;
  // Where the plugin's reply ledger says the call went, read after the call that ended it.
  // ledgerNumber is 0 for a call that reached none of the plugin's handlers.
  uint64_t ledgerNumber = 0;
  QevaFlutter::CallEnd end = QevaFlutter::CallEnd::kPending;
  QevaFlutter::UnansweredReason reason = QevaFlutter::UnansweredReason::kNone;
};

// Why a call was never answered: a short code and the readable why (see UnansweredEvent).
struct Unanswered {
  int number = 0;
  std::string reason;
  std::string detail;
};

// The calls Dart made, numbered, with their replies as the engine decoded them and their ends
// as the plugin's reply ledger recorded them. Reports each reply and release to the sink.
class CallBook {
 public:
  // How reasons name the call that replaced or dropped another: "#N" unless set.
  using CallNamer = std::function<std::string(int number)>;

  // |redactor| must outlive the book; |keep_answered|: whether answered records stay.
  CallBook(const Redactor* redactor, bool keep_answered);

  // The plugin's ledger, once the plugin is registered.
  void SetLedger(std::shared_ptr<const QevaFlutter::ReplyLedger> ledger);
  // |sink| hears replies and releases; null: nothing is reported any more.
  void SetSink(TranscriptSink* sink) { sink_ = sink; }
  void SetCallNamer(CallNamer namer) { call_namer_ = std::move(namer); }
  void BeginStep(size_t index) { step_ = index; }
  size_t step() const { return step_; }

  // A new record for the call, numbered.
  HostCall& Open(std::string channel, uint32_t tag);

  // Around the engine's delivery of call |number| (deliveries may nest): what the ledger
  // recorded meanwhile is read afterwards, and an answered record may then be forgotten.
  void BeginDelivery(int number);
  void EndDelivery();

  // The engine's news of call |number|: its reply, as the engine decoded it, or its release
  // unanswered.
  void OnAnswered(int number, const headless::DartReply& reply);
  void OnReleased(int number);

  HostCall* Find(int number) const;
  std::vector<const HostCall*> calls() const;
  // Every call not answered, with the reason, in call order.
  std::vector<Unanswered> UnansweredCalls() const;

 private:
  void Forget(int number);
  // The ledger's record of its call |number|, while the ledger still holds it.
  std::optional<QevaFlutter::CallRecord> LedgerRecord(uint64_t number) const;
  struct Delivery {
    int number = 0;
    QevaFlutter::CallCounts before;
    std::vector<int> released;  // During this delivery.
  };
  void ReadLedger(const Delivery& delivery);
  Unanswered Explain(const HostCall& call) const;

  const Redactor* redactor_;
  const bool keep_answered_;
  std::shared_ptr<const QevaFlutter::ReplyLedger> ledger_;
  TranscriptSink* sink_ = nullptr;
  CallNamer call_namer_;
  // By number; answered ones only while keep_answered_.
  std::map<int, std::unique_ptr<HostCall>> records_;
  int last_number_ = 0;
  size_t step_ = 0;
  // The calls the plugin is handling, innermost last.
  std::vector<Delivery> deliveries_;
};

}  // namespace QevaHost

#endif  // QEVA_HOST_CALLBOOK_H_
