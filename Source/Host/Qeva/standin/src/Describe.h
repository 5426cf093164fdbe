#ifndef QEVA_STANDIN_SRC_DESCRIBE_H_
#define QEVA_STANDIN_SRC_DESCRIBE_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Foundation/NSObject.h"
#include "Qeva/QevaAd.h"
#include "Qeva/QevaCTAHandler.h"

// The journal's text forms of values (documented with JournalEntry).
namespace QevaStandIn {
namespace describe {

std::string Quoted(std::string_view text);
std::string QuotedList(const std::vector<std::string>& texts);
std::string QuotedMap(const std::map<std::string, std::string>& map);
std::string Integer(int64_t value);
std::string Integer(const std::optional<int64_t>& value);
std::string Bool(bool value);
std::string Case(Qeva::AdClickBrowser browser);
std::string Case(Qeva::QevaCTAaction action);
// "label: value".
std::string Arg(std::string_view label, std::string_view value);

// An object of the plugin: its NSObject description, "<object>" when it has none, "nil" for
// none at all.
template <typename T>
std::string Object(const T* object) {
  if (object == nullptr) {
    return "nil";
  }
  if (const auto* ns_object = dynamic_cast<const Foundation::NSObject*>(object)) {
    return ns_object->description();
  }
  return "<object>";
}

template <typename T>
std::string Object(const std::weak_ptr<T>& object) {
  return Object(object.lock().get());
}

}  // namespace describe
}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_SRC_DESCRIBE_H_
