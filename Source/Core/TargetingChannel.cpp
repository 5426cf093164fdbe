#include "Core/TargetingChannel.h"

#include <flutter/method_channel.h>
#include <flutter/standard_method_codec.h>

#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "Core/ChannelArguments.h"
#include "Qeva/QevaManager.h"
#include "Qeva/QevaTargeting.h"

namespace QevaFlutter {

namespace {

constexpr char kSuccessReply[] = "success";

// Conversions of one argument value to a setter's type; none when the value does not match.

std::optional<std::string> AsString(const flutter::EncodableValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) {
    return *text;
  }
  return std::nullopt;
}

// A list converts only as a whole: every element must convert.
template <typename T>
std::optional<std::vector<T>> AsList(
    const flutter::EncodableValue& value,
    const std::function<std::optional<T>(const flutter::EncodableValue&)>& element) {
  const auto* list = std::get_if<flutter::EncodableList>(&value);
  if (list == nullptr) {
    return std::nullopt;
  }
  std::vector<T> result;
  result.reserve(list->size());
  for (const auto& item : *list) {
    std::optional<T> converted = element(item);
    if (!converted) {
      return std::nullopt;
    }
    result.push_back(std::move(*converted));
  }
  return result;
}

std::optional<std::vector<std::string>> AsStringList(const flutter::EncodableValue& value) {
  return AsList<std::string>(value, AsString);
}

std::optional<std::map<std::string, std::string>> AsStringMap(
    const flutter::EncodableValue& value) {
  return StringToStringArguments(&value);
}

// The SDK's enumerations convert from codec integers (int32 or int64) only, never from
// doubles, booleans or text.
std::optional<int64_t> AsCodecInteger(const flutter::EncodableValue& value) {
  if (const auto* number = std::get_if<int32_t>(&value)) {
    return *number;
  }
  if (const auto* number = std::get_if<int64_t>(&value)) {
    return *number;
  }
  return std::nullopt;
}

std::optional<Qeva::ConnectionType> AsConnectionType(const flutter::EncodableValue& value) {
  std::optional<int64_t> raw = AsCodecInteger(value);
  return raw ? Qeva::ConnectionTypeFromRawValue(*raw) : std::nullopt;
}

std::optional<Qeva::DeviceType> AsDeviceType(const flutter::EncodableValue& value) {
  std::optional<int64_t> raw = AsCodecInteger(value);
  return raw ? Qeva::DeviceTypeFromRawValue(*raw) : std::nullopt;
}

std::optional<Qeva::QevaPages> AsPage(const flutter::EncodableValue& value) {
  std::optional<std::string> raw = AsString(value);
  return raw ? Qeva::QevaPagesFromRawValue(*raw) : std::nullopt;
}

std::optional<Qeva::QevaSections> AsSection(const flutter::EncodableValue& value) {
  std::optional<std::string> raw = AsString(value);
  return raw ? Qeva::QevaSectionsFromRawValue(*raw) : std::nullopt;
}

std::optional<std::vector<Qeva::QevaPages>> AsPageList(const flutter::EncodableValue& value) {
  return AsList<Qeva::QevaPages>(value, AsPage);
}

std::optional<std::vector<Qeva::QevaSections>> AsSectionList(const flutter::EncodableValue& value) {
  return AsList<Qeva::QevaSections>(value, AsSection);
}

// One row of a key table: reads |key| and, when the value has the row's type, calls the
// row's setter on |target|.
template <typename Target>
using TargetingRow = std::function<void(const ArgumentMap& arguments, Target& target)>;

template <typename Target, typename Value>
TargetingRow<Target> Row(
    std::string key, std::optional<Value> (*convert)(const flutter::EncodableValue&),
    void (Target::*setter)(std::conditional_t<std::is_scalar_v<Value>, Value, const Value&>)) {
  return [key = std::move(key), convert, setter](const ArgumentMap& arguments, Target& target) {
    const flutter::EncodableValue* entry = arguments.Find(key);
    if (entry == nullptr) {
      return;
    }
    if (std::optional<Value> value = convert(*entry)) {
      (target.*setter)(*value);
    }
  };
}

template <typename Target>
void ApplyRows(const ArgumentMap& arguments, Target& target,
               const std::vector<TargetingRow<Target>>& rows) {
  for (const auto& row : rows) {
    row(arguments, target);
  }
}

void ApplyUser(const ArgumentMap& arguments, Qeva::QevaManager& sdk) {
  using User = Qeva::QevaUser;
  static const std::vector<TargetingRow<User>> kRows = {
      Row<User, std::string>("id", AsString, &User::setId),
      Row<User, std::string>("gender", AsString, &User::setGender),
      // The age is text, not a number.
      Row<User, std::string>("age", AsString, &User::setAge),
      Row<User, std::string>("city", AsString, &User::setCity),
      Row<User, std::string>("region", AsString, &User::setRegion),
      Row<User, std::string>("country", AsString, &User::setCountry),
      Row<User, std::string>("zipCode", AsString, &User::setZipCode),
      Row<User, std::vector<std::string>>("keywords", AsStringList, &User::setKeywords),
  };
  if (std::shared_ptr<User> user = sdk.getQevaUser()) {
    ApplyRows(arguments, *user, kRows);
  }
}

void ApplyDevice(const ArgumentMap& arguments, Qeva::QevaManager& sdk) {
  using Device = Qeva::QevaDevice;
  static const std::vector<TargetingRow<Device>> kRows = {
      Row<Device, Qeva::ConnectionType>("connectionType", AsConnectionType,
                                        &Device::setConnectionType),
      Row<Device, Qeva::DeviceType>("deviceType", AsDeviceType, &Device::setDeviceType),
      Row<Device, std::string>("make", AsString, &Device::setMake),
      Row<Device, std::string>("model", AsString, &Device::setModel),
      Row<Device, std::string>("operatingSystem", AsString, &Device::setOS),
      Row<Device, std::string>("osVersion", AsString, &Device::setOSVersion),
      Row<Device, int64_t>("platform", IntegralNumber, &Device::setPlatform),
      Row<Device, std::string>("marketingName", AsString, &Device::setMarketingName),
  };
  if (std::shared_ptr<Device> device = sdk.getQevaDevice()) {
    ApplyRows(arguments, *device, kRows);
  }
}

void ApplyApplication(const ArgumentMap& arguments, Qeva::QevaManager& sdk) {
  using Application = Qeva::QevaApplication;
  static const std::vector<TargetingRow<Application>> kRows = {
      Row<Application, std::vector<std::string>>("keywords", AsStringList,
                                                 &Application::setKeywords),
      Row<Application, std::vector<Qeva::QevaPages>>("pageCategory", AsPageList,
                                                     &Application::setPageCategory),
      Row<Application, std::vector<Qeva::QevaSections>>("sectionCategory", AsSectionList,
                                                        &Application::setSectionCategory),
      Row<Application, std::map<std::string, std::string>>("customData", AsStringMap,
                                                           &Application::setCustomData),
  };
  if (std::shared_ptr<Application> application = sdk.getQevaApplication()) {
    ApplyRows(arguments, *application, kRows);
  }
}

}  // namespace

std::optional<int64_t> IntegralNumber(const flutter::EncodableValue& value) {
  if (std::optional<int64_t> integer = AsCodecInteger(value)) {
    return integer;
  }
  const auto* number = std::get_if<double>(&value);
  // 2^63 is exact as a double; the range is [-2^63, 2^63).
  constexpr double kTwoTo63 = 9223372036854775808.0;
  if (number == nullptr || !std::isfinite(*number) || std::trunc(*number) != *number ||
      *number < -kTwoTo63 || *number >= kTwoTo63) {
    return std::nullopt;
  }
  return static_cast<int64_t>(*number);
}

const TargetingChannel TargetingChannel::kApplication{"QevaApplication", ApplyApplication};
const TargetingChannel TargetingChannel::kUser{"QevaUser", ApplyUser};
const TargetingChannel TargetingChannel::kDevice{"QevaDevice", ApplyDevice};

void TargetingChannel::Open(flutter::BinaryMessenger* messenger,
                            std::shared_ptr<ReplyLedger> ledger) const {
  OpenPendingResultChannel(messenger, name_, std::move(ledger),
                           [this](const flutter::MethodCall<>& call, PendingResult result) {
                             HandleMethodCall(call, std::move(result));
                           });
}

void TargetingChannel::HandleMethodCall(const flutter::MethodCall<>& call,
                                        PendingResult result) const {
  if (call.method_name() != name_) {
    result.Reject(UnansweredReason::kMethodNotAccepted);
    return;
  }
  std::optional<ArgumentMap> arguments = StringKeyedArguments(call.arguments());
  if (!arguments) {
    result.Reject(UnansweredReason::kArgumentsNotAccepted);
    return;
  }
  apply_(*arguments, Qeva::QevaManager::shared());
  result.Success(flutter::EncodableValue(kSuccessReply));
}

}  // namespace QevaFlutter
