#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_EVENT_STREAM_HANDLER_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_EVENT_STREAM_HANDLER_H_

#include <memory>
#include <string>
#include <utility>

#include "event_sink.h"

namespace flutter {

class EncodableValue;

// Why a stream handler refused to start or stop listening; Dart gets it as an error reply.
template <typename T = EncodableValue>
struct StreamHandlerError {
  const std::string error_code;
  const std::string error_message;
  const std::unique_ptr<T> error_details;

  StreamHandlerError(const std::string& error_code, const std::string& error_message,
                     std::unique_ptr<T>&& error_details)
      : error_code(error_code),
        error_message(error_message),
        error_details(std::move(error_details)) {}
};

// Starts and stops the events of an EventChannel when Dart listens and cancels.
template <typename T = EncodableValue>
class StreamHandler {
 public:
  StreamHandler() = default;
  virtual ~StreamHandler() = default;

  StreamHandler(StreamHandler const&) = delete;
  StreamHandler& operator=(StreamHandler const&) = delete;

  // Dart started listening. |events| is where events go until OnCancel. Returns nullptr on
  // success, or the error to report to Dart.
  std::unique_ptr<StreamHandlerError<T>> OnListen(const T* arguments,
                                                  std::unique_ptr<EventSink<T>>&& events) {
    return OnListenInternal(arguments, std::move(events));
  }

  // Dart stopped listening. Returns nullptr on success, or the error to report to Dart.
  std::unique_ptr<StreamHandlerError<T>> OnCancel(const T* arguments) {
    return OnCancelInternal(arguments);
  }

 protected:
  virtual std::unique_ptr<StreamHandlerError<T>> OnListenInternal(
      const T* arguments, std::unique_ptr<EventSink<T>>&& events) = 0;

  virtual std::unique_ptr<StreamHandlerError<T>> OnCancelInternal(const T* arguments) = 0;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_EVENT_STREAM_HANDLER_H_
