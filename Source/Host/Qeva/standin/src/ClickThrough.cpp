#include "QevaStandIn/ClickThrough.h"

#include <cctype>
#include <utility>

#include "Describe.h"
#include "QevaStandIn/StandIn.h"
#include "Simulation.h"

namespace Qeva {

QevaCTAHandler::QevaCTAHandler(std::vector<std::string> urls,
                               std::shared_ptr<UIKit::UIViewController> viewControllerToPresent,
                               std::weak_ptr<QevaCTAHandlerEvents> delegate,
                               AdClickBrowser adClickBrowser)
    : urls_(std::move(urls)),
      view_controller_(std::move(viewControllerToPresent)),
      delegate_(std::move(delegate)),
      ad_click_browser_(adClickBrowser) {
  QevaStandIn::Simulation& simulation = QevaStandIn::Simulation::Shared();
  const std::string view_controller = QevaStandIn::describe::Object(view_controller_.get());
  auto click_through = std::make_unique<QevaStandIn::ClickThrough>(
      simulation.nextClickThroughNumber(), urls_, view_controller, delegate_, ad_click_browser_);
  using QevaStandIn::describe::Arg;
  simulation.record([&] {
    return QevaStandIn::Entry(
        QevaStandIn::JournalEntry::Kind::command, "QevaCTAHandler", "init",
        {Arg("urls", QevaStandIn::describe::QuotedList(urls_)),
         Arg("viewControllerToPresent", view_controller),
         Arg("delegate", QevaStandIn::describe::Object(delegate_)),
         Arg("adClickBrowser", QevaStandIn::describe::Case(ad_click_browser_))},
        click_through->name());
  });
  simulation.addClickThrough(this, std::move(click_through));
}

void QevaCTAHandler::open() {
  QevaStandIn::Simulation& simulation = QevaStandIn::Simulation::Shared();
  QevaStandIn::ClickThrough* click_through = simulation.clickThroughOf(this);
  if (click_through == nullptr) {
    // A copy of a handler: it gets a click-through of its own.
    click_through =
        &simulation.addClickThrough(this, std::make_unique<QevaStandIn::ClickThrough>(
                                              simulation.nextClickThroughNumber(), urls_,
                                              QevaStandIn::describe::Object(view_controller_.get()),
                                              delegate_, ad_click_browser_));
  }
  simulation.record([&] {
    return QevaStandIn::Entry(QevaStandIn::JournalEntry::Kind::command, click_through->name(),
                              "open");
  });
  click_through->open();
}

}  // namespace Qeva

namespace QevaStandIn {

using describe::Arg;
using Kind = JournalEntry::Kind;

namespace {

// "scheme:rest" with a scheme of a letter followed by letters, digits, "+", "-" or ".".
bool HasScheme(const std::string& url) {
  const size_t colon = url.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 >= url.size() ||
      !std::isalpha(static_cast<unsigned char>(url[0]))) {
    return false;
  }
  for (size_t i = 1; i < colon; ++i) {
    const auto c = static_cast<unsigned char>(url[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') {
      return false;
    }
  }
  return true;
}

}  // namespace

ClickThrough::ClickThrough(uint64_t number, std::vector<std::string> urls,
                           std::string viewController,
                           std::weak_ptr<Qeva::QevaCTAHandlerEvents> delegate,
                           Qeva::AdClickBrowser browser)
    : number_(number),
      urls_(std::move(urls)),
      view_controller_(std::move(viewController)),
      delegate_(std::move(delegate)),
      browser_(browser) {}

ClickThrough::~ClickThrough() {
  RunLoop& run_loop = StandIn::Shared().runLoop();
  for (RunLoop::TaskId id : {pending_success_, pending_complete_, pending_failure_}) {
    if (id != 0) {
      run_loop.cancel(id);
    }
  }
}

std::string ClickThrough::name() const {
  return "ctaHandler#" + std::to_string(number_);
}

std::optional<std::string> ClickThrough::presentableUrl() const {
  for (const std::string& url : urls_) {
    if (HasScheme(url)) {
      return url;
    }
  }
  return std::nullopt;
}

bool ClickThrough::hasPendingReports() const {
  return pending_success_ != 0 || pending_complete_ != 0 || pending_failure_ != 0;
}

void ClickThrough::open() {
  ++open_count_;
  StandIn& sdk = StandIn::Shared();
  if (sdk.clickThroughOpenHook()) {
    // A copy: the hook may replace itself.
    const StandIn::OpenHook hook = sdk.clickThroughOpenHook();
    hook(*this);
  }
  if (!sdk.clickThroughSimulation()) {
    return;
  }
  RunLoop& run_loop = sdk.runLoop();
  for (RunLoop::TaskId* id : {&pending_success_, &pending_complete_, &pending_failure_}) {
    if (*id != 0) {
      run_loop.cancel(*id);
      *id = 0;
    }
  }
  // The tasks use |this| freely: a click-through lives until the reset that also clears the
  // run loop, and its destructor cancels what is still due.
  if (presentableUrl()) {
    pending_success_ = run_loop.post([this] {
      pending_success_ = 0;
      simulatedSuccess();
    });
    pending_complete_ = run_loop.postDelayed(sdk.clickThroughCompleteDelayMs(), [this] {
      pending_complete_ = 0;
      reportComplete();
    });
  } else {
    pending_failure_ = run_loop.post([this] {
      pending_failure_ = 0;
      simulatedFailure();
    });
  }
}

void ClickThrough::simulatedSuccess() {
  reportSuccessRedirect(browser_ == Qeva::AdClickBrowser::external
                            ? Qeva::QevaCTAaction::openedInExternalBrowser
                            : Qeva::QevaCTAaction::openedInEmbeddedBrowser);
}

void ClickThrough::simulatedFailure() {
  reportFailureRedirect(Qeva::QevaSDKError(Qeva::QevaSDKError::Code::redirectFailed));
}

void ClickThrough::reportSuccessRedirect(Qeva::QevaCTAaction action) {
  std::shared_ptr<Qeva::QevaCTAHandlerEvents> delegate = delegate_.lock();
  const Simulation& simulation = Simulation::Shared();
  simulation.record([&] {
    return Entry(Kind::callback, name() + ".delegate", "onSuccessRedirect",
                 {Arg("event", describe::Case(action))}, delegate ? "" : "no delegate");
  });
  if (delegate) {
    delegate->onSuccessRedirect(action);
  }
}

void ClickThrough::reportFailureRedirect(const Qeva::QevaError& error) {
  std::shared_ptr<Qeva::QevaCTAHandlerEvents> delegate = delegate_.lock();
  const Simulation& simulation = Simulation::Shared();
  simulation.record([&] {
    return Entry(Kind::callback, name() + ".delegate", "onFailureRedirect",
                 {Arg("error", describe::Quoted(error.description()))},
                 delegate ? "" : "no delegate");
  });
  if (delegate) {
    delegate->onFailureRedirect(error);
  }
}

void ClickThrough::reportComplete() {
  std::shared_ptr<Qeva::QevaCTAHandlerEvents> delegate = delegate_.lock();
  const Simulation& simulation = Simulation::Shared();
  simulation.record([&] {
    return Entry(Kind::callback, name() + ".delegate", "onCompleteCTA", {},
                 delegate ? "" : "no delegate");
  });
  if (delegate) {
    delegate->onCompleteCTA();
  }
}

void ClickThrough::runPending(RunLoop::TaskId* id, void (ClickThrough::*report)()) {
  if (*id == 0) {
    return;
  }
  StandIn::Shared().runLoop().cancel(*id);
  *id = 0;
  (this->*report)();
}

void ClickThrough::finishNow() {
  runPending(&pending_success_, &ClickThrough::simulatedSuccess);
  runPending(&pending_failure_, &ClickThrough::simulatedFailure);
  runPending(&pending_complete_, &ClickThrough::reportComplete);
}

}  // namespace QevaStandIn
