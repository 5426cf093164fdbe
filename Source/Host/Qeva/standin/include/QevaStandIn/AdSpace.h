#ifndef QEVA_STANDIN_ADSPACE_H_
#define QEVA_STANDIN_ADSPACE_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/NSObject.h"
#include "Qeva/QevaAd.h"
#include "Qeva/QevaAdSpace.h"
#include "Qeva/QevaError.h"
#include "QevaStandIn/Inventory.h"
#include "QevaStandIn/RunLoop.h"
#include "UIKit/UIKit.h"

namespace QevaStandIn {

class AdLoadDelegate;
class StandInManager;

// The six events of an ad space, for tables of tests.
enum class AdEvent { ready, render, refresh, error, click, close };
// "onAdReady", "onAdRender", "onAdRefresh", "onAdError", "onAdClick", "onAdClose".
const char* AdEventName(AdEvent event);

// The stand-in's ad space. Made only by QevaManager::createQevaAdSpace (always inside a
// std::shared_ptr); its description is "<Qeva.QevaAdSpace: N>" and the journal names it
// "adSpace#K", K counting the ad spaces made since the last reset.
//
// Simulation (what the plugin relies on a real SDK to do):
// - A fetch (QevaManager::process) serves the tag's next inventory ad: the first registered
//   class that claims its signature makes the renderer, which gets the size when it
//   implements QevaCompanionParams and then prepare(markup, the ad space's adDelegate).
// - The renderer's reports become events: load success the ready event (the ad space now
//   holds that renderer), load failure the next ad of the fallback chain (prepared the same
//   way) or, with none left, the error event QevaSDKError noFill (the ad space then holds no
//   ad), render success the render event, close the close event. Reports of a renderer the
//   ad space no longer waits for or holds are ignored. A replaced renderer is released, not
//   closed, and only at the next drain of the run loop: never inside its own report.
// - Timing (StandIn::setDelivery): posted (the default) runs the fetch, and the fallback
//   after a load failure, as run-loop tasks; synchronous runs them inside process() and
//   inside the failure report. Either way a renderer's report becomes its event at once.
// - A tag without inventory, an ad that no class claims at the end of the chain, or a fetch
//   made to fail (StandIn::failNextLoad) end in the error event.
// - Refresh: from its first simulated ready event on, an ad space with a positive refresh
//   interval (seconds) sends the refresh event every interval while it is not paused. The
//   refresh fetches nothing: the renderer stays (the plugin's refresh reply carries no
//   markup). pause() stops the timer and pauses the renderer; resume() restarts the timer
//   from that moment and resumes the renderer.
// - showAd() renders the held renderer into the container; without one it does nothing.
//
// Events reach the delegate only while it is alive: the ad space holds it weakly. A fetch in
// flight keeps its ad space alive (as a request does); a refresh timer does not, and the
// stand-in itself holds ad spaces only weakly.
class AdSpace final : public Foundation::NSObject,
                      public Qeva::QevaAdSpace,
                      public std::enable_shared_from_this<AdSpace> {
 public:
  AdSpace(std::string tagId, uint64_t standInNumber);
  ~AdSpace() override;

  // QevaAdSpace; every call is journaled (getQevaAd and isQevaAdSpaceRefreshable as queries).
  void setRefreshInterval(int64_t time) override;
  void setAdEventDelegate(std::weak_ptr<Qeva::QevaAdEventDelegate> adEventDelegate) override;
  std::shared_ptr<Qeva::QevaAd> getQevaAd() const override;
  // The refreshable flag set by setRefreshable(), else whether the refresh interval is
  // positive.
  bool isQevaAdSpaceRefreshable() const override;
  void showAd(UIKit::UIView& container) override;
  void pause() override;
  void resume() override;
  std::string description() const override { return NSObject::description(); }

  // Observations for tests and tools; none of them is journaled.
  uint64_t standInNumber() const { return stand_in_number_; }
  // "adSpace#K".
  std::string name() const;
  const std::string& tagId() const { return tag_id_; }
  int64_t refreshInterval() const { return refresh_interval_; }
  bool isPaused() const { return paused_; }
  bool refreshTimerActive() const { return refresh_timer_ != 0; }
  // The delegate, or null when none was set or it is gone.
  std::shared_ptr<Qeva::QevaAdEventDelegate> adEventDelegate() const { return delegate_.lock(); }
  // The held renderer, without a journal entry.
  const std::shared_ptr<Qeva::QevaAd>& heldAd() const { return current_; }

  // Test controls. Each event goes to the delegate at once, if it is alive, and is journaled
  // as a callback; none of them changes the ad space's state.
  void fireAdReady() { deliver(AdEvent::ready, nullptr); }
  void fireAdRender() { deliver(AdEvent::render, nullptr); }
  void fireAdRefresh() { deliver(AdEvent::refresh, nullptr); }
  void fireAdError(const Qeva::QevaError& error) { deliver(AdEvent::error, &error); }
  void fireAdClick() { deliver(AdEvent::click, nullptr); }
  void fireAdClose() { deliver(AdEvent::close, nullptr); }
  // Any event; the error event carries QevaSDKError noFill.
  void fireEvent(AdEvent event);

  // Makes the ad space hold |ad| (any QevaAd, a test's own fake included, or null) and
  // abandons any fetch under way. Sends no event and starts no timer.
  void setQevaAd(std::shared_ptr<Qeva::QevaAd> ad);
  // Fixes isQevaAdSpaceRefreshable(); none goes back to following the interval.
  void setRefreshable(std::optional<bool> refreshable) { refreshable_ = refreshable; }

 private:
  friend class AdLoadDelegate;
  friend class StandInManager;

  // A fetch: process() served this ad space. Runs at once or posted, as the stand-in says.
  void startFetch();
  // Prepares the chain's ad at chain_index_ or the next one a class claims.
  void loadFromChain(uint64_t generation);
  void onLoadSuccess(uint64_t generation, Qeva::QevaAd& ad);
  void onLoadFailure(uint64_t generation, Qeva::QevaAd& ad);
  void onRenderSuccess(Qeva::QevaAd& ad);
  void onClose(Qeva::QevaAd& ad);
  void failFetch(const Qeva::QevaError& error);

  void deliver(AdEvent event, const Qeva::QevaError* error);
  void armRefreshTimer();
  void cancelRefreshTimer();
  void onRefreshTimer();

  const std::string tag_id_;
  const uint64_t stand_in_number_;
  int64_t refresh_interval_ = 0;
  std::optional<bool> refreshable_;
  bool paused_ = false;
  bool refreshing_ = false;  // Set by the first simulated ready event.
  RunLoop::TaskId refresh_timer_ = 0;
  std::weak_ptr<Qeva::QevaAdEventDelegate> delegate_;

  // Bumped by each fetch and by setQevaAd(): reports of older renderers are ignored.
  uint64_t generation_ = 0;
  std::shared_ptr<const std::vector<InventoryAd>> chain_;  // The inventory's; null when none.
  size_t chain_index_ = 0;
  std::shared_ptr<Qeva::QevaAd> loading_;  // Prepared, not yet reported loaded.
  std::shared_ptr<Qeva::QevaAd> current_;  // What getQevaAd() returns.
};

}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_ADSPACE_H_
