#ifndef QEVA_SDK_QEVACTAHANDLER_H_
#define QEVA_SDK_QEVACTAHANDLER_H_

#include <memory>
#include <string>
#include <vector>

#include "Qeva/QevaAd.h"
#include "Qeva/QevaError.h"
#include "UIKit/UIKit.h"

namespace Qeva {

// How a click-through was served.
enum class QevaCTAaction { openedInEmbeddedBrowser, openedInExternalBrowser, openedInApp };

// Reports of a click-through.
class QevaCTAHandlerEvents {
 public:
  virtual ~QevaCTAHandlerEvents() = default;
  virtual void onSuccessRedirect(QevaCTAaction event) = 0;
  virtual void onFailureRedirect(const QevaError& error) = 0;
  virtual void onCompleteCTA() = 0;
};

// Opens a click-through: presents the first URL that can be opened from
// |viewControllerToPresent| and reports to |delegate| (held weakly). The handler keeps itself
// alive while the click-through runs: callers may drop it once open() returns.
class QevaCTAHandler {
 public:
  QevaCTAHandler(std::vector<std::string> urls,
                 std::shared_ptr<UIKit::UIViewController> viewControllerToPresent,
                 std::weak_ptr<QevaCTAHandlerEvents> delegate, AdClickBrowser adClickBrowser);

  void open();

  const std::vector<std::string>& urls() const { return urls_; }
  const std::shared_ptr<UIKit::UIViewController>& viewControllerToPresent() const {
    return view_controller_;
  }
  AdClickBrowser adClickBrowser() const { return ad_click_browser_; }

 private:
  std::vector<std::string> urls_;
  std::shared_ptr<UIKit::UIViewController> view_controller_;
  std::weak_ptr<QevaCTAHandlerEvents> delegate_;
  AdClickBrowser ad_click_browser_;
};

}  // namespace Qeva

#endif  // QEVA_SDK_QEVACTAHANDLER_H_
