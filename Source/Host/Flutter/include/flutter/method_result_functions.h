#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_METHOD_RESULT_FUNCTIONS_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_METHOD_RESULT_FUNCTIONS_H_

#include <functional>
#include <string>
#include <utility>

#include "method_result.h"

namespace flutter {

class EncodableValue;

// Called on Success; |result| is nullptr when there was no value.
template <typename T>
using ResultHandlerSuccess = std::function<void(const T* result)>;

// Called on Error; |error_details| is nullptr when there were none.
template <typename T>
using ResultHandlerError = std::function<void(
    const std::string& error_code, const std::string& error_message, const T* error_details)>;

// Called on NotImplemented.
template <typename T>
using ResultHandlerNotImplemented = std::function<void()>;

// A MethodResult that hands each outcome to a function, typically for the answer to a call
// made with MethodChannel::InvokeMethod.
//
// It does not guard against repeated calls: each reaches its function again.
template <typename T = EncodableValue>
class MethodResultFunctions : public MethodResult<T> {
 public:
  // Any function may be nullptr; that outcome is then ignored.
  MethodResultFunctions(ResultHandlerSuccess<T> on_success, ResultHandlerError<T> on_error,
                        ResultHandlerNotImplemented<T> on_not_implemented)
      : on_success_(std::move(on_success)),
        on_error_(std::move(on_error)),
        on_not_implemented_(std::move(on_not_implemented)) {}

  virtual ~MethodResultFunctions() = default;

  MethodResultFunctions(MethodResultFunctions const&) = delete;
  MethodResultFunctions& operator=(MethodResultFunctions const&) = delete;

 protected:
  void SuccessInternal(const T* result) override {
    if (on_success_) {
      on_success_(result);
    }
  }

  void ErrorInternal(const std::string& error_code, const std::string& error_message,
                     const T* error_details) override {
    if (on_error_) {
      on_error_(error_code, error_message, error_details);
    }
  }

  void NotImplementedInternal() override {
    if (on_not_implemented_) {
      on_not_implemented_();
    }
  }

 private:
  ResultHandlerSuccess<T> on_success_;
  ResultHandlerError<T> on_error_;
  ResultHandlerNotImplemented<T> on_not_implemented_;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_METHOD_RESULT_FUNCTIONS_H_
