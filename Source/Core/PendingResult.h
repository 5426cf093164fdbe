#ifndef QEVA_FLUTTER_CORE_PENDINGRESULT_H_
#define QEVA_FLUTTER_CORE_PENDINGRESULT_H_

#include <flutter/binary_messenger.h>
#include <flutter/encodable_value.h>
#include <flutter/method_call.h>
#include <flutter/method_channel.h>
#include <flutter/method_result.h>
#include <flutter/standard_method_codec.h>

#include <memory>
#include <string>
#include <utility>

#include "Core/ReplyLedger.h"

namespace QevaFlutter {

// The one reply of a Dart call, kept after its handler has returned so that an SDK event can
// answer it later, and the call's record in the reply ledger.
//
// Move-only: whoever holds it owns the reply. It is answered at most once; this is the one
// place that enforces it. An answer after the first, as from an SDK that reports twice, is
// dropped with a log line and never reaches the engine. Every way a call can end writes its
// record here: answered, Reject()ed on arrival, replaced by ReplaceWith(), dropped by Drop(),
// or released, when it is destroyed still unanswered (the Dart call then stays pending for
// good; the engine warns about it).
class PendingResult {
 public:
  // Holds no call: answers go nowhere, silently.
  PendingResult() = default;
  // |result| is the engine's; |ticket| its record (none: nothing is recorded).
  PendingResult(std::unique_ptr<flutter::MethodResult<>> result, CallTicket ticket);

  // The reply of |call| on |channel|, with a new record in |ledger|.
  static PendingResult ForCall(ReplyLedger& ledger, const std::string& channel,
                               const flutter::MethodCall<>& call,
                               std::unique_ptr<flutter::MethodResult<>> result);

  PendingResult(PendingResult&& other) noexcept;
  // The call held before is released (see above).
  PendingResult& operator=(PendingResult&& other) noexcept;
  PendingResult(const PendingResult&) = delete;
  PendingResult& operator=(const PendingResult&) = delete;
  ~PendingResult();

  // Whether it holds a call, answered or not.
  bool has_call() const { return has_call_; }

  // Notes the ad-space id the call names or gets in its record.
  void NoteAdSpaceId(const std::string& ad_space_id) const;

  void Success(flutter::EncodableValue value);
  // An error envelope with no details; Dart receives it as a PlatformException.
  void Error(const std::string& code, const std::string& message);

  // Leaves the call unanswered on arrival, by rule, and says why. Holds no call afterwards.
  void Reject(UnansweredReason reason);
  // Lets the call go unanswered because a newer one takes its place; holds |newer| from now.
  void ReplaceWith(PendingResult newer);
  // Lets the call go unanswered ("AdPause"). Holds no call afterwards.
  void Drop();

 private:
  // Moves the engine's result out for answering, or returns null: when it holds no call, or
  // (with a log line) when the call was answered before. Moved out before it is called, so that a
  // reply that re-enters the plugin finds the call answered.
  std::unique_ptr<flutter::MethodResult<>> TakeForAnswer();

  std::unique_ptr<flutter::MethodResult<>> result_;
  CallTicket ticket_;
  bool has_call_ = false;
};

// Opens the method channel |name| (a string literal) on |messenger| with the standard method
// codec; every call on it goes to |handle|(call, PendingResult) with its record in |ledger|.
// The handler, and whatever |handle| holds, lives as long as the channel stays registered.
template <class Handle>
void OpenPendingResultChannel(flutter::BinaryMessenger* messenger, const char* name,
                              std::shared_ptr<ReplyLedger> ledger, Handle handle) {
  flutter::MethodChannel<> channel(messenger, name, &flutter::StandardMethodCodec::GetInstance());
  channel.SetMethodCallHandler(
      [name, ledger = std::move(ledger), handle = std::move(handle)](
          const flutter::MethodCall<>& call, std::unique_ptr<flutter::MethodResult<>> result) {
        handle(call, PendingResult::ForCall(*ledger, name, call, std::move(result)));
      });
}

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_CORE_PENDINGRESULT_H_
