#ifndef QEVA_TESTS_HOST_FLUTTER_VALUEPRINTER_H_
#define QEVA_TESTS_HOST_FLUTTER_VALUEPRINTER_H_

#include <ostream>

#include "flutter/encodable_value.h"
#include "headless/DartReply.h"

namespace flutter {

// Failure messages show values as {"tagId": "abc"} rather than as raw object bytes.
inline void PrintTo(const EncodableValue& value, std::ostream* os) {
  *os << headless::ToString(value);
}

}  // namespace flutter

#endif  // QEVA_TESTS_HOST_FLUTTER_VALUEPRINTER_H_
