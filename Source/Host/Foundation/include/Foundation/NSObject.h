#ifndef QEVA_HOST_FOUNDATION_NSOBJECT_H_
#define QEVA_HOST_FOUNDATION_NSOBJECT_H_

#include <cstdint>
#include <string>

namespace Foundation {

// The root of the plugin's and the SDK's reference-counted objects: a class name and a
// textual description. Objects are reference counted through std::shared_ptr, not here.
//
// The description is "<Module.Class: N>", where N is a process-wide sequence number given
// at construction. Sequence numbers instead of addresses keep log lines and transcripts
// identical from run to run.
class NSObject {
 public:
  // |class_name| is the qualified name shown in the description, e.g. "Qeva.QevaAdSpace".
  explicit NSObject(const char* class_name);
  virtual ~NSObject() = default;

  NSObject(const NSObject&) = delete;
  NSObject& operator=(const NSObject&) = delete;

  virtual std::string description() const;

  const char* className() const { return class_name_; }
  uint64_t objectNumber() const { return object_number_; }

  // Restarts the sequence at 1, so that each test or scenario numbers its objects alike.
  static void ResetObjectNumbers();

 private:
  const char* class_name_;  // A string literal; never owned.
  uint64_t object_number_;
};

}  // namespace Foundation

#endif  // QEVA_HOST_FOUNDATION_NSOBJECT_H_
