#ifndef QEVA_SDK_QEVATARGETING_H_
#define QEVA_SDK_QEVATARGETING_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Qeva {

// The device's connection, with OpenRTB's integer codes as raw values.
enum class ConnectionType : int64_t {
  unknown = 0,
  ethernet = 1,
  wifi = 2,
  cellularUnknown = 3,
  cellular2G = 4,
  cellular3G = 5,
  cellular4G = 6,
  cellular5G = 7,
};

// The kind of device, with OpenRTB's integer codes as raw values.
enum class DeviceType : int64_t {
  mobileTablet = 1,
  personalComputer = 2,
  connectedTv = 3,
  phone = 4,
  tablet = 5,
  connectedDevice = 6,
  setTopBox = 7,
};

// IAB tier-1 content categories; the raw value is the IAB code ("IAB1" to "IAB26").
// QevaPages categorises the page, QevaSections the section of the app showing the ad.
// clang-format off
#define QEVA_IAB_CATEGORIES(X) \
  X(artsEntertainment, "IAB1") \
  X(automotive, "IAB2") \
  X(business, "IAB3") \
  X(careers, "IAB4") \
  X(education, "IAB5") \
  X(familyParenting, "IAB6") \
  X(healthFitness, "IAB7") \
  X(foodDrink, "IAB8") \
  X(hobbiesInterests, "IAB9") \
  X(homeGarden, "IAB10") \
  X(lawGovernmentPolitics, "IAB11") \
  X(news, "IAB12") \
  X(personalFinance, "IAB13") \
  X(society, "IAB14") \
  X(science, "IAB15") \
  X(pets, "IAB16") \
  X(sports, "IAB17") \
  X(styleFashion, "IAB18") \
  X(technologyComputing, "IAB19") \
  X(travel, "IAB20") \
  X(realEstate, "IAB21") \
  X(shopping, "IAB22") \
  X(religionSpirituality, "IAB23") \
  X(uncategorized, "IAB24") \
  X(nonStandardContent, "IAB25") \
  X(illegalContent, "IAB26")
// clang-format on

#define QEVA_ENUM_CASE(name, raw) name,
enum class QevaPages { QEVA_IAB_CATEGORIES(QEVA_ENUM_CASE) };
enum class QevaSections { QEVA_IAB_CATEGORIES(QEVA_ENUM_CASE) };
#undef QEVA_ENUM_CASE

// Conversions from raw values: the SDK's conditional conversions, which the plugin applies to
// the values Dart sends.
//   ConnectionType, DeviceType: an integer (Dart int, int32 or int64 on the wire) equal to a
//     case's raw value converts to that case. Nothing else converts: not strings (not even
//     "2"), not doubles, not booleans, not integers outside the cases.
//   QevaPages, QevaSections: a string equal to a case's IAB code, exactly ("IAB1", not "iab1"
//     or " IAB1"), converts to that case. Nothing else converts. A list converts only when
//     every element converts.
std::optional<ConnectionType> ConnectionTypeFromRawValue(int64_t raw);
std::optional<DeviceType> DeviceTypeFromRawValue(int64_t raw);
std::optional<QevaPages> QevaPagesFromRawValue(const std::string& raw);
std::optional<QevaSections> QevaSectionsFromRawValue(const std::string& raw);
// Raw values back, for logs and journals.
int64_t RawValue(ConnectionType value);
int64_t RawValue(DeviceType value);
const char* RawValue(QevaPages value);
const char* RawValue(QevaSections value);

// Targeting data about the user. The SDK keeps what it is given.
class QevaUser {
 public:
  virtual ~QevaUser() = default;
  virtual void setId(const std::string& id) = 0;
  virtual void setGender(const std::string& gender) = 0;
  virtual void setAge(const std::string& age) = 0;
  virtual void setCity(const std::string& city) = 0;
  virtual void setRegion(const std::string& region) = 0;
  virtual void setCountry(const std::string& country) = 0;
  virtual void setZipCode(const std::string& zipCode) = 0;
  virtual void setKeywords(const std::vector<std::string>& keywords) = 0;
};

// Targeting data about the device.
class QevaDevice {
 public:
  virtual ~QevaDevice() = default;
  virtual void setConnectionType(ConnectionType connectionType) = 0;
  virtual void setDeviceType(DeviceType type) = 0;
  virtual void setMake(const std::string& make) = 0;
  virtual void setModel(const std::string& model) = 0;
  virtual void setOS(const std::string& operatingSystem) = 0;
  virtual void setOSVersion(const std::string& version) = 0;
  virtual void setPlatform(int64_t platform) = 0;
  virtual void setMarketingName(const std::string& marketingName) = 0;
};

// Targeting data about the application.
class QevaApplication {
 public:
  virtual ~QevaApplication() = default;
  virtual void setKeywords(const std::vector<std::string>& keywords) = 0;
  virtual void setPageCategory(const std::vector<QevaPages>& pageCategory) = 0;
  virtual void setSectionCategory(const std::vector<QevaSections>& sectionCategory) = 0;
  virtual void setCustomData(const std::map<std::string, std::string>& customData) = 0;
};

}  // namespace Qeva

#endif  // QEVA_SDK_QEVATARGETING_H_
