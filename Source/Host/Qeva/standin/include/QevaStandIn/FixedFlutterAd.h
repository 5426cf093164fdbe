#ifndef QEVA_STANDIN_FIXEDFLUTTERAD_H_
#define QEVA_STANDIN_FIXEDFLUTTERAD_H_

#include <optional>
#include <string>
#include <utility>

#include "Qeva/QevaAd.h"
#include "UIKit/UIKit.h"

namespace QevaStandIn {

// An ad Dart draws that is none of the plugin's renderers: a class of an app's own, known to
// the plugin only by the SDK's interfaces. It gives out a fixed response, ignores its delegate
// and every command, and takes no part in refresh.
class FixedFlutterAd final : public Qeva::QevaFlutterAd {
 public:
  explicit FixedFlutterAd(std::optional<std::string> response) : response_(std::move(response)) {}

  void prepare(const std::string&, std::shared_ptr<Qeva::QevaAdDelegate>) override {}
  void render(UIKit::UIView&) override {}
  void pause() override {}
  void resume() override {}
  void close() override {}
  std::optional<std::string> getAdResponse() const override { return response_; }

 private:
  const std::optional<std::string> response_;
};

}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_FIXEDFLUTTERAD_H_
