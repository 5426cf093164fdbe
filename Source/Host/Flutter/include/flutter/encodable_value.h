#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_ENCODABLE_VALUE_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_ENCODABLE_VALUE_H_

#include <any>
#include <cstdint>
#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

// RTTI decides whether CustomEncodableValue can report the type it holds.
#ifndef FLUTTER_ENABLE_RTTI
#if defined(__GXX_RTTI) || defined(_CPPRTTI)
#define FLUTTER_ENABLE_RTTI 1
#else
#define FLUTTER_ENABLE_RTTI 0
#endif
#endif

#if FLUTTER_ENABLE_RTTI
#include <typeinfo>
#endif

namespace flutter {

static_assert(sizeof(double) == 8, "The wire format needs 64-bit doubles");

// An opaque value of an application type, carried through EncodableValue so that a
// StandardCodecSerializer subclass can write it with its own type tag.
//
// Ordering and equality compare object addresses: a copy is unequal to its original, so a
// custom value is a poor map key.
class CustomEncodableValue {
 public:
  explicit CustomEncodableValue(const std::any& value) : value_(value) {}

  // Lets std::any_cast<T>(std::get<CustomEncodableValue>(v)) reach the held object.
  operator std::any&() { return value_; }
  operator const std::any&() const { return value_; }

#if FLUTTER_ENABLE_RTTI
  const std::type_info& type() const noexcept {
    return value_.type();
  }
#endif

  bool operator<(const CustomEncodableValue& other) const {
    return this < &other;
  }
  bool operator==(const CustomEncodableValue& other) const {
    return this == &other;
  }

  // No destructor is declared on purpose: it keeps the implicit noexcept move, which lets
  // containers of EncodableValue move their elements instead of copying them.

 private:
  std::any value_;
};

class EncodableValue;

using EncodableList = std::vector<EncodableValue>;
using EncodableMap = std::map<EncodableValue, EncodableValue>;

namespace internal {
// The alternatives and their order are stable API: plugins switch on index().
using EncodableValueVariant =
    std::variant<std::monostate, bool, int32_t, int64_t, double, std::string, std::vector<uint8_t>,
                 std::vector<int32_t>, std::vector<int64_t>, std::vector<double>, EncodableList,
                 EncodableMap, CustomEncodableValue, std::vector<float>>;
}  // namespace internal

// A value that the standard codec can carry: null, bool, 32- and 64-bit integers, double,
// UTF-8 string, typed numeric lists, lists, maps and custom values.
//
// It is a std::variant, so std::get, std::get_if, std::holds_alternative, std::visit and
// index() work on it directly. Comparison is the variant's: first by alternative, then by
// value, so int32 1, int64 1 and double 1.0 are three different values (and map keys).
//
// Construction from a value is explicit (EncodableValue v(5); or v = 5;). A string literal
// becomes std::string, never bool. Unlike the engine's wrapper, the template constructor
// forwards its argument, so EncodableValue(std::move(s)) moves the string instead of copying.
class EncodableValue : public internal::EncodableValueVariant {
 public:
  using super = internal::EncodableValueVariant;

  using super::super;
  using super::operator=;

  explicit EncodableValue() = default;

  // Keeps a C string from converting to bool.
  explicit EncodableValue(const char* string) : super(std::string(string)) {}
  EncodableValue& operator=(const char* other) {
    *this = std::string(other);
    return *this;
  }

  // Implicit, so a CustomEncodableValue can stand wherever an EncodableValue is expected.
  EncodableValue(const CustomEncodableValue& v) : super(v) {}

  // Builds from anything one of the alternatives accepts, moving from rvalues.
  template <class T>
  constexpr explicit EncodableValue(T&& t) noexcept : super(std::forward<T>(t)) {}

  bool IsNull() const { return std::holds_alternative<std::monostate>(*this); }

  // The integer held as int32 or int64, widened to int64. Dart sends an int as int32 or int64
  // depending on its magnitude, so read integers from Dart with this.
  // Throws std::bad_variant_access when the value is not an integer.
  int64_t LongValue() const {
    if (const int32_t* small = std::get_if<int32_t>(this)) {
      return *small;
    }
    return std::get<int64_t>(*this);
  }

  // The order of EncodableMap keys: exactly the variant's order (by alternative, then by
  // value; a valueless variant first), with string keys, the common case, compared directly.
  friend bool operator<(const EncodableValue& lhs, const EncodableValue& rhs) {
    if (lhs.index() != rhs.index()) {
      // variant_npos + 1 wraps to 0, putting a valueless variant first, as the variant does.
      return lhs.index() + 1 < rhs.index() + 1;
    }
    if (const std::string* left = std::get_if<std::string>(&lhs)) {
      return *left < *std::get_if<std::string>(&rhs);
    }
    return static_cast<const super&>(lhs) < static_cast<const super&>(rhs);
  }
};

// Containers of values move their elements when they grow only if this holds.
static_assert(std::is_nothrow_move_constructible<EncodableValue>::value,
              "EncodableValue must move without throwing");

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_ENCODABLE_VALUE_H_
