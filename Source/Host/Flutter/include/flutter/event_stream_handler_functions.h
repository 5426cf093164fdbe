#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_EVENT_STREAM_HANDLER_FUNCTIONS_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_EVENT_STREAM_HANDLER_FUNCTIONS_H_

#include <functional>
#include <memory>
#include <utility>

#include "event_sink.h"
#include "event_stream_handler.h"

namespace flutter {

class EncodableValue;

// Called when Dart listens; returns nullptr or the error to report.
template <typename T>
using StreamHandlerListen = std::function<std::unique_ptr<StreamHandlerError<T>>(
    const T* arguments, std::unique_ptr<EventSink<T>>&& events)>;

// Called when Dart cancels; returns nullptr or the error to report.
template <typename T>
using StreamHandlerCancel =
    std::function<std::unique_ptr<StreamHandlerError<T>>(const T* arguments)>;

// A StreamHandler made of two functions. A missing function answers with an error.
template <typename T = EncodableValue>
class StreamHandlerFunctions : public StreamHandler<T> {
 public:
  StreamHandlerFunctions(StreamHandlerListen<T> on_listen, StreamHandlerCancel<T> on_cancel)
      : on_listen_(std::move(on_listen)), on_cancel_(std::move(on_cancel)) {}

  virtual ~StreamHandlerFunctions() = default;

  StreamHandlerFunctions(StreamHandlerFunctions const&) = delete;
  StreamHandlerFunctions& operator=(StreamHandlerFunctions const&) = delete;

 protected:
  std::unique_ptr<StreamHandlerError<T>> OnListenInternal(
      const T* arguments, std::unique_ptr<EventSink<T>>&& events) override {
    if (!on_listen_) {
      return std::make_unique<StreamHandlerError<T>>("error", "No OnListen handler set", nullptr);
    }
    return on_listen_(arguments, std::move(events));
  }

  std::unique_ptr<StreamHandlerError<T>> OnCancelInternal(const T* arguments) override {
    if (!on_cancel_) {
      return std::make_unique<StreamHandlerError<T>>("error", "No OnCancel handler set", nullptr);
    }
    return on_cancel_(arguments);
  }

 private:
  StreamHandlerListen<T> on_listen_;
  StreamHandlerCancel<T> on_cancel_;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_EVENT_STREAM_HANDLER_FUNCTIONS_H_
