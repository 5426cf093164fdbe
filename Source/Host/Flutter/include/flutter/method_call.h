#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_METHOD_CALL_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_METHOD_CALL_H_

#include <memory>
#include <string>
#include <utility>

namespace flutter {

class EncodableValue;

// A method name with its arguments, as sent over a method channel.
template <typename T = EncodableValue>
class MethodCall {
 public:
  // |arguments| may be null when the method takes none.
  MethodCall(const std::string& method_name, std::unique_ptr<T> arguments)
      : method_name_(method_name), arguments_(std::move(arguments)) {}

  virtual ~MethodCall() = default;

  MethodCall(MethodCall<T> const&) = delete;
  MethodCall& operator=(MethodCall<T> const&) = delete;

  const std::string& method_name() const { return method_name_; }

  // The arguments, or nullptr when constructed without any. The pointer lives as long as
  // this call: a handler that answers later must copy what it needs.
  const T* arguments() const { return arguments_.get(); }

 private:
  std::string method_name_;
  std::unique_ptr<T> arguments_;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_METHOD_CALL_H_
