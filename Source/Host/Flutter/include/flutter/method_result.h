#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_METHOD_RESULT_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_METHOD_RESULT_H_

#include <string>

namespace flutter {

class EncodableValue;

// The answer to one method call. Whoever holds the std::unique_ptr to it owns the one reply:
// call exactly one of Success, Error or NotImplemented, now or later.
template <typename T = EncodableValue>
class MethodResult {
 public:
  MethodResult() = default;
  virtual ~MethodResult() = default;

  MethodResult(MethodResult const&) = delete;
  MethodResult& operator=(MethodResult const&) = delete;

  void Success(const T& result) { SuccessInternal(&result); }

  // Succeeds with no value; Dart receives null.
  void Success() { SuccessInternal(nullptr); }

  void Error(const std::string& error_code, const std::string& error_message,
             const T& error_details) {
    ErrorInternal(error_code, error_message, &error_details);
  }

  void Error(const std::string& error_code, const std::string& error_message = "") {
    ErrorInternal(error_code, error_message, nullptr);
  }

  // Tells Dart nobody handles the method (a MissingPluginException there).
  void NotImplemented() { NotImplementedInternal(); }

 protected:
  // |result| is nullptr for Success().
  virtual void SuccessInternal(const T* result) = 0;

  // |error_details| is nullptr when none were given.
  virtual void ErrorInternal(const std::string& error_code, const std::string& error_message,
                             const T* error_details) = 0;

  virtual void NotImplementedInternal() = 0;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_METHOD_RESULT_H_
