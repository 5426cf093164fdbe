#ifndef QEVA_SDK_QEVAADSPACE_H_
#define QEVA_SDK_QEVAADSPACE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "Qeva/QevaAd.h"
#include "Qeva/QevaError.h"
#include "UIKit/UIKit.h"

namespace Qeva {

class QevaAdSpace;

// Events of an ad space. The ad space names itself by reference: receivers identify it by
// object identity (its address), never by content.
class QevaAdEventDelegate {
 public:
  virtual ~QevaAdEventDelegate() = default;
  virtual void onAdReady(QevaAdSpace& qevaAdSpace) = 0;
  virtual void onAdRender(QevaAdSpace& qevaAdSpace) = 0;
  virtual void onAdRefresh(QevaAdSpace& qevaAdSpace) = 0;
  virtual void onAdError(QevaAdSpace& qevaAdSpace, const QevaError& qevaError) = 0;
  virtual void onAdClick(QevaAdSpace& qevaAdSpace) = 0;
  virtual void onAdClose(QevaAdSpace& qevaAdSpace) = 0;
};

// A place in the app that shows ads for one tag id. Made by QevaManager::createQevaAdSpace.
class QevaAdSpace {
 public:
  virtual ~QevaAdSpace() = default;

  // The refresh interval in seconds; 0 or less means no refresh.
  virtual void setRefreshInterval(int64_t time) = 0;
  // The ad space holds its delegate weakly: it does not keep the delegate alive.
  virtual void setAdEventDelegate(std::weak_ptr<QevaAdEventDelegate> adEventDelegate) = 0;
  // The renderer the ad space currently holds, or null.
  virtual std::shared_ptr<QevaAd> getQevaAd() const = 0;
  virtual bool isQevaAdSpaceRefreshable() const = 0;
  // Renders the ready ad into |container| (calls the renderer's render()).
  virtual void showAd(UIKit::UIView& container) = 0;
  virtual void pause() = 0;
  virtual void resume() = 0;
  // The object's textual description, e.g. "<Qeva.QevaAdSpace: 3>".
  virtual std::string description() const = 0;
};

}  // namespace Qeva

#endif  // QEVA_SDK_QEVAADSPACE_H_
