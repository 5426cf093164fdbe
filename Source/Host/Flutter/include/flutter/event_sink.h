#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_EVENT_SINK_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_EVENT_SINK_H_

#include <string>

namespace flutter {

class EncodableValue;

// Where a stream handler sends events to its Dart listener. It does not itself refuse events
// after EndOfStream: the handler must stop sending.
template <typename T = EncodableValue>
class EventSink {
 public:
  EventSink() = default;
  virtual ~EventSink() = default;

  EventSink(EventSink const&) = delete;
  EventSink& operator=(EventSink const&) = delete;

  void Success(const T& event) { SuccessInternal(&event); }

  // An event without a value; Dart receives null.
  void Success() { SuccessInternal(nullptr); }

  void Error(const std::string& error_code, const std::string& error_message,
             const T& error_details) {
    ErrorInternal(error_code, error_message, &error_details);
  }

  void Error(const std::string& error_code, const std::string& error_message = "") {
    ErrorInternal(error_code, error_message, nullptr);
  }

  // Tells Dart the stream is done.
  void EndOfStream() { EndOfStreamInternal(); }

 protected:
  virtual void SuccessInternal(const T* event = nullptr) = 0;

  virtual void ErrorInternal(const std::string& error_code, const std::string& error_message,
                             const T* error_details) = 0;

  virtual void EndOfStreamInternal() = 0;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_EVENT_SINK_H_
