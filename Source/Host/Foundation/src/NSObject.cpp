#include "Foundation/NSObject.h"

#include <atomic>
#include <charconv>
#include <cstring>

namespace Foundation {
namespace {
std::atomic<uint64_t> g_next_object_number{1};
}  // namespace

NSObject::NSObject(const char* class_name)
    : class_name_(class_name), object_number_(g_next_object_number.fetch_add(1)) {}

std::string NSObject::description() const {
  // Written into one string sized up front: log lines ask for it on every ad request.
  char number[24];
  char* number_end = std::to_chars(number, number + sizeof number, object_number_).ptr;
  const size_t class_length = std::strlen(class_name_);
  std::string text;
  text.reserve(class_length + static_cast<size_t>(number_end - number) + 4);
  text += '<';
  text.append(class_name_, class_length);
  text += ": ";
  text.append(number, number_end);
  text += '>';
  return text;
}

void NSObject::ResetObjectNumbers() {
  g_next_object_number.store(1);
}

}  // namespace Foundation
