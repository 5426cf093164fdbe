#include "Foundation/NSObject.h"

#include <atomic>

namespace Foundation {
namespace {
std::atomic<uint64_t> g_next_object_number{1};
}  // namespace

NSObject::NSObject(const char* class_name)
    : class_name_(class_name), object_number_(g_next_object_number.fetch_add(1)) {}

std::string NSObject::description() const {
  return "<" + std::string(class_name_) + ": " + std::to_string(object_number_) + ">";
}

void NSObject::ResetObjectNumbers() {
  g_next_object_number.store(1);
}

}  // namespace Foundation
