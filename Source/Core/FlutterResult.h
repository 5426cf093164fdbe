#ifndef QEVA_FLUTTER_CORE_FLUTTERRESULT_H_
#define QEVA_FLUTTER_CORE_FLUTTERRESULT_H_

#include <flutter/encodable_value.h>
#include <flutter/method_result.h>

#include <map>
#include <memory>
#include <string>

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
class FlutterResult {
 public:
  // The reply maps the plugin builds: string keys, values of any codec type.
  using StringKeyedMap = std::map<std::string, flutter::EncodableValue>;

  // |result| may be null; such a wrapper counts as already answered.
  explicit FlutterResult(std::unique_ptr<flutter::MethodResult<>> result);

  // Replies null.
  void operator()() const;
  void operator()(const std::string& value) const;
  void operator()(const char* value) const;
  void operator()(const StringKeyedMap& value) const;
  void operator()(const flutter::EncodableMap& value) const;
  // Replies with an error envelope; null details are sent as none.
  void operator()(const FlutterError& error) const;

  // True once any copy has answered.
  bool answered() const;

 private:
  // Moves the engine's result out for answering, or returns null (and logs) when it was
  // answered before. Moving it out first also keeps a reply that re-enters the plugin from
  // answering the same call again.
  std::unique_ptr<flutter::MethodResult<>> TakeForAnswer() const;

  std::shared_ptr<std::unique_ptr<flutter::MethodResult<>>> result_;
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_CORE_FLUTTERRESULT_H_
