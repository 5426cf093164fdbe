#ifndef QEVA_FLUTTER_CORE_FLUTTERRESULT_H_
#define QEVA_FLUTTER_CORE_FLUTTERRESULT_H_

#include <flutter/encodable_value.h>
#include <flutter/method_result.h>

#include <map>
#include <memory>
#include <string>

#include "Core/ReplyLedger.h"

namespace QevaFlutter {

// An error reply. Dart receives it as a PlatformException.
struct FlutterError {
  std::string code;
  std::string message;
  // Null when there are no details; may be left out: FlutterError{code, message}.
  flutter::EncodableValue details = flutter::EncodableValue();
};

// The one reply of a method call, wrapped so that it can be kept after the handler has
// returned and answered later, from an SDK event.
//
// Copies share the one reply. Whichever copy answers first sends it; every later answer is
// dropped with a log line and never reaches the engine, so an SDK that reports twice cannot
// make the plugin reply twice. The engine's result is released with the last copy; released
// unanswered, the Dart call stays pending for good (the engine warns about it).
//
// Copies also share the call's ticket in the reply ledger: an answer ends it as answered by
// itself; the owner of a kept result ends it as replaced or dropped, and a handler that leaves
// a call unanswered by rule says why. A result released with its ticket still open ends it
// as released, so no call leaves without a trace.
class FlutterResult {
 public:
  // The reply maps the plugin builds: string keys, values of any codec type.
  using StringKeyedMap = std::map<std::string, flutter::EncodableValue>;

  // |result| may be null; such a wrapper counts as already answered. |ticket| is the call's
  // line in the ledger; without one nothing is recorded.
  explicit FlutterResult(std::unique_ptr<flutter::MethodResult<>> result,
                         CallTicket ticket = CallTicket());

  // Replies null.
  void operator()() const;
  void operator()(const std::string& value) const;
  void operator()(const char* value) const;
  void operator()(const StringKeyedMap& value) const;
  // Replies with |value|, moved into the reply rather than copied.
  void operator()(flutter::EncodableMap&& value) const;
  // Replies with an error envelope; null details are sent as none.
  void operator()(const FlutterError& error) const;

  // The call's ticket, shared by every copy.
  const CallTicket& ticket() const;

 private:
  struct State {
    ~State();
    std::unique_ptr<flutter::MethodResult<>> result;
    CallTicket ticket;
  };

  // Moves the engine's result out for answering, or returns null (and logs) when it was
  // answered before. Moving it out first also keeps a reply that re-enters the plugin from
  // answering the same call again.
  std::unique_ptr<flutter::MethodResult<>> TakeForAnswer() const;

  std::shared_ptr<State> state_;
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_CORE_FLUTTERRESULT_H_
