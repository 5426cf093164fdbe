#include "QevaStandIn/Targeting.h"

#include <utility>

#include "Describe.h"
#include "QevaStandIn/StandIn.h"
#include "Simulation.h"

namespace Qeva {
namespace {

#define QEVA_RAW_VALUE(name, raw) raw,
const char* const kIabCodes[] = {QEVA_IAB_CATEGORIES(QEVA_RAW_VALUE)};
#undef QEVA_RAW_VALUE
constexpr size_t kIabCount = sizeof(kIabCodes) / sizeof(kIabCodes[0]);

std::optional<size_t> IabIndex(const std::string& raw) {
  for (size_t i = 0; i < kIabCount; ++i) {
    if (raw == kIabCodes[i]) {
      return i;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<ConnectionType> ConnectionTypeFromRawValue(int64_t raw) {
  if (raw < static_cast<int64_t>(ConnectionType::unknown) ||
      raw > static_cast<int64_t>(ConnectionType::cellular5G)) {
    return std::nullopt;
  }
  return static_cast<ConnectionType>(raw);
}

std::optional<DeviceType> DeviceTypeFromRawValue(int64_t raw) {
  if (raw < static_cast<int64_t>(DeviceType::mobileTablet) ||
      raw > static_cast<int64_t>(DeviceType::setTopBox)) {
    return std::nullopt;
  }
  return static_cast<DeviceType>(raw);
}

std::optional<QevaPages> QevaPagesFromRawValue(const std::string& raw) {
  auto index = IabIndex(raw);
  if (!index) {
    return std::nullopt;
  }
  return static_cast<QevaPages>(*index);
}

std::optional<QevaSections> QevaSectionsFromRawValue(const std::string& raw) {
  auto index = IabIndex(raw);
  if (!index) {
    return std::nullopt;
  }
  return static_cast<QevaSections>(*index);
}

int64_t RawValue(ConnectionType value) {
  return static_cast<int64_t>(value);
}

int64_t RawValue(DeviceType value) {
  return static_cast<int64_t>(value);
}

const char* RawValue(QevaPages value) {
  auto index = static_cast<size_t>(value);
  return index < kIabCount ? kIabCodes[index] : "";
}

const char* RawValue(QevaSections value) {
  auto index = static_cast<size_t>(value);
  return index < kIabCount ? kIabCodes[index] : "";
}

}  // namespace Qeva

namespace QevaStandIn {
namespace {

using describe::Quoted;
using describe::QuotedList;

void Keep(std::map<std::string, std::string>& values, const char* subject, const char* operation,
          const char* label, std::string value) {
  Simulation::Shared().record([&] {
    return Entry(JournalEntry::Kind::command, subject, operation, {describe::Arg(label, value)});
  });
  values[label] = std::move(value);
}

template <typename Category>
std::string RawValues(const std::vector<Category>& categories) {
  std::vector<std::string> raw;
  raw.reserve(categories.size());
  for (Category category : categories) {
    raw.emplace_back(Qeva::RawValue(category));
  }
  return QuotedList(raw);
}

}  // namespace

void User::keep(const char* operation, const char* label, std::string value) {
  Keep(values_, "user", operation, label, std::move(value));
}

void User::setId(const std::string& id) {
  keep("setId", "id", Quoted(id));
}
void User::setGender(const std::string& gender) {
  keep("setGender", "gender", Quoted(gender));
}
void User::setAge(const std::string& age) {
  keep("setAge", "age", Quoted(age));
}
void User::setCity(const std::string& city) {
  keep("setCity", "city", Quoted(city));
}
void User::setRegion(const std::string& region) {
  keep("setRegion", "region", Quoted(region));
}
void User::setCountry(const std::string& country) {
  keep("setCountry", "country", Quoted(country));
}
void User::setZipCode(const std::string& zipCode) {
  keep("setZipCode", "zipCode", Quoted(zipCode));
}
void User::setKeywords(const std::vector<std::string>& keywords) {
  keep("setKeywords", "keywords", QuotedList(keywords));
}

void Device::keep(const char* operation, const char* label, std::string value) {
  Keep(values_, "device", operation, label, std::move(value));
}

void Device::setConnectionType(Qeva::ConnectionType connectionType) {
  keep("setConnectionType", "connectionType", describe::Integer(Qeva::RawValue(connectionType)));
}
void Device::setDeviceType(Qeva::DeviceType type) {
  keep("setDeviceType", "type", describe::Integer(Qeva::RawValue(type)));
}
void Device::setMake(const std::string& make) {
  keep("setMake", "make", Quoted(make));
}
void Device::setModel(const std::string& model) {
  keep("setModel", "model", Quoted(model));
}
void Device::setOS(const std::string& operatingSystem) {
  keep("setOS", "operatingSystem", Quoted(operatingSystem));
}
void Device::setOSVersion(const std::string& version) {
  keep("setOSVersion", "version", Quoted(version));
}
void Device::setPlatform(int64_t platform) {
  keep("setPlatform", "platform", describe::Integer(platform));
}
void Device::setMarketingName(const std::string& marketingName) {
  keep("setMarketingName", "marketingName", Quoted(marketingName));
}

void Application::keep(const char* operation, const char* label, std::string value) {
  Keep(values_, "application", operation, label, std::move(value));
}

void Application::setKeywords(const std::vector<std::string>& keywords) {
  keep("setKeywords", "keywords", QuotedList(keywords));
}
void Application::setPageCategory(const std::vector<Qeva::QevaPages>& pageCategory) {
  keep("setPageCategory", "pageCategory", RawValues(pageCategory));
}
void Application::setSectionCategory(const std::vector<Qeva::QevaSections>& sectionCategory) {
  keep("setSectionCategory", "sectionCategory", RawValues(sectionCategory));
}
void Application::setCustomData(const std::map<std::string, std::string>& customData) {
  keep("setCustomData", "customData", describe::QuotedMap(customData));
}

}  // namespace QevaStandIn
