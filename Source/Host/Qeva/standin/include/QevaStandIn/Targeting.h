#ifndef QEVA_STANDIN_TARGETING_H_
#define QEVA_STANDIN_TARGETING_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Qeva/QevaTargeting.h"

namespace QevaStandIn {

// The stand-in's targeting objects. Each setter is journaled (subjects "user", "device",
// "application") and kept: values() maps the setter's argument label to the value last set,
// in the journal's text form, e.g. {"id": "\"u-1\"", "keywords": "[\"a\", \"b\"]"}.

class User final : public Qeva::QevaUser {
 public:
  void setId(const std::string& id) override;
  void setGender(const std::string& gender) override;
  void setAge(const std::string& age) override;
  void setCity(const std::string& city) override;
  void setRegion(const std::string& region) override;
  void setCountry(const std::string& country) override;
  void setZipCode(const std::string& zipCode) override;
  void setKeywords(const std::vector<std::string>& keywords) override;

  const std::map<std::string, std::string>& values() const { return values_; }

 private:
  void keep(const char* operation, const char* label, std::string value);
  std::map<std::string, std::string> values_;
};

class Device final : public Qeva::QevaDevice {
 public:
  void setConnectionType(Qeva::ConnectionType connectionType) override;
  void setDeviceType(Qeva::DeviceType type) override;
  void setMake(const std::string& make) override;
  void setModel(const std::string& model) override;
  void setOS(const std::string& operatingSystem) override;
  void setOSVersion(const std::string& version) override;
  void setPlatform(int64_t platform) override;
  void setMarketingName(const std::string& marketingName) override;

  const std::map<std::string, std::string>& values() const { return values_; }

 private:
  void keep(const char* operation, const char* label, std::string value);
  std::map<std::string, std::string> values_;
};

class Application final : public Qeva::QevaApplication {
 public:
  void setKeywords(const std::vector<std::string>& keywords) override;
  void setPageCategory(const std::vector<Qeva::QevaPages>& pageCategory) override;
  void setSectionCategory(const std::vector<Qeva::QevaSections>& sectionCategory) override;
  void setCustomData(const std::map<std::string, std::string>& customData) override;

  const std::map<std::string, std::string>& values() const { return values_; }

 private:
  void keep(const char* operation, const char* label, std::string value);
  std::map<std::string, std::string> values_;
};

}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_TARGETING_H_
