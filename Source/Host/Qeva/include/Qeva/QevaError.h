#ifndef QEVA_SDK_QEVAERROR_H_
#define QEVA_SDK_QEVAERROR_H_

#include <string>

namespace Qeva {

// An error the SDK reports to a delegate.
class QevaError {
 public:
  virtual ~QevaError() = default;
  // A readable text of the error.
  virtual std::string description() const = 0;
};

// The SDK's own error codes.
class QevaSDKError : public QevaError {
 public:
  enum class Code {
    executionStopped,     // An operation needed a delegate and had none.
    prepareQevaAdFailed,  // A renderer could not load its ad.
    noFill,  // No ad left for the ad space (no inventory, or the fallback chain ran out).
    initializationFailed,
    redirectFailed,  // A click-through could not be opened.
  };

  explicit QevaSDKError(Code code) : code_(code) {}

  Code code() const { return code_; }
  // "QevaSDKError.<code>: <explanation>", e.g.
  // "QevaSDKError.executionStopped: the ad has no delegate".
  std::string description() const override;

 private:
  Code code_;
};

// The name of a code, e.g. "executionStopped".
const char* QevaSDKErrorCodeName(QevaSDKError::Code code);

}  // namespace Qeva

#endif  // QEVA_SDK_QEVAERROR_H_
