#ifndef QEVA_FLUTTER_QEVAAD_QEVAADFLUTTERDISPLAY_H_
#define QEVA_FLUTTER_QEVAAD_QEVAADFLUTTERDISPLAY_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Qeva/QevaAd.h"
#include "QevaAd/FlutterDrawnAd.h"

namespace QevaFlutter {

// The renderer for display ads. It keeps the markup and the size the SDK hands it and gives
// them out as the JSON text {"adSize": "<w>x<h>", "response": markup}, which a Flutter widget
// draws.
//
// Instances are made and owned by the SDK from the registered class; the plugin never
// constructs one.
class QevaAdFlutterDisplay final : public FlutterDrawnAd<Qeva::QevaFlutterAd>,
                                   public Qeva::QevaCompanionParams {
 public:
  static constexpr const char* kClassName = "QevaFlutter.QevaAdFlutterDisplay";

  QevaAdFlutterDisplay() : FlutterDrawnAd(kClassName) {}

  // The signatures the SDK picks this class for: "iab.smartphonebanner",
  // "iab.mediumrectangle".
  static std::vector<std::string> getSignatures();

  // QevaFlutterAd: the JSON text for Dart, or none when the markup is not UTF-8.
  std::optional<std::string> getAdResponse() const override;

  // QevaCompanionParams.
  void setAdParameters(std::optional<int64_t> adParameters, std::optional<int64_t> height) override;

  std::optional<int64_t> flutterWidth() const { return flutter_width_; }
  std::optional<int64_t> flutterHeight() const { return flutter_height_; }

 private:
  std::optional<int64_t> flutter_width_;
  std::optional<int64_t> flutter_height_;
};

}  // namespace QevaFlutter

#endif  // QEVA_FLUTTER_QEVAAD_QEVAADFLUTTERDISPLAY_H_
