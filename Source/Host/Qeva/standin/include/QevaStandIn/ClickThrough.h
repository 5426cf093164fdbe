#ifndef QEVA_STANDIN_CLICKTHROUGH_H_
#define QEVA_STANDIN_CLICKTHROUGH_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Qeva/QevaAd.h"
#include "Qeva/QevaCTAHandler.h"
#include "Qeva/QevaError.h"
#include "QevaStandIn/RunLoop.h"

namespace QevaStandIn {

// The stand-in's side of one QevaCTAHandler: made when the handler is constructed and kept
// until the next reset, so that the click-through outlives the handler object, as the SDK
// promises. The journal names it "ctaHandler#K", K counting handlers since the last reset.
//
// Simulation of open(), when the stand-in's click-through simulation is on (the default):
// the first URL with a scheme ("https://x", "myapp:x") is "presented"; onSuccessRedirect
// (openedInEmbeddedBrowser or openedInExternalBrowser, after the handler's browser) is
// posted, and onCompleteCTA posted to run after the stand-in's completion delay (virtual
// time). With no such URL, onFailureRedirect with QevaSDKError redirectFailed is posted
// instead. With the simulation off, open() only records the call and tests report by hand.
class ClickThrough {
 public:
  ClickThrough(uint64_t number, std::vector<std::string> urls, std::string viewController,
               std::weak_ptr<Qeva::QevaCTAHandlerEvents> delegate, Qeva::AdClickBrowser browser);
  ~ClickThrough();

  ClickThrough(const ClickThrough&) = delete;
  ClickThrough& operator=(const ClickThrough&) = delete;

  uint64_t number() const { return number_; }
  // "ctaHandler#K".
  std::string name() const;
  const std::vector<std::string>& urls() const { return urls_; }
  // The description of the view controller given at construction, or "nil".
  const std::string& viewControllerDescription() const { return view_controller_; }
  Qeva::AdClickBrowser browser() const { return browser_; }
  // How many times open() was called.
  int openCount() const { return open_count_; }
  // The URL the simulation presents: the first with a scheme, or none.
  std::optional<std::string> presentableUrl() const;
  // The delegate, or null when it is gone.
  std::shared_ptr<Qeva::QevaCTAHandlerEvents> delegate() const { return delegate_.lock(); }

  // Reports by hand to the delegate, at once, if it is alive (journaled as callbacks). They
  // do not cancel simulated reports still due; finishNow() does.
  void reportSuccessRedirect(Qeva::QevaCTAaction action);
  void reportFailureRedirect(const Qeva::QevaError& error);
  void reportComplete();
  // Delivers the simulated reports still due, at once and in their order, instead of later.
  void finishNow();
  // Whether simulated reports are still due.
  bool hasPendingReports() const;

 private:
  friend class Qeva::QevaCTAHandler;

  void open();
  void runPending(RunLoop::TaskId* id, void (ClickThrough::*report)());
  void simulatedSuccess();
  void simulatedFailure();

  const uint64_t number_;
  const std::vector<std::string> urls_;
  const std::string view_controller_;
  const std::weak_ptr<Qeva::QevaCTAHandlerEvents> delegate_;
  const Qeva::AdClickBrowser browser_;
  int open_count_ = 0;
  RunLoop::TaskId pending_success_ = 0;
  RunLoop::TaskId pending_complete_ = 0;
  RunLoop::TaskId pending_failure_ = 0;
};

}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_CLICKTHROUGH_H_
