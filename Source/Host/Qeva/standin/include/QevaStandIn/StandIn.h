#ifndef QEVA_STANDIN_STANDIN_H_
#define QEVA_STANDIN_STANDIN_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Qeva/Qeva.h"
#include "QevaStandIn/AdSpace.h"
#include "QevaStandIn/ClickThrough.h"
#include "QevaStandIn/Inventory.h"
#include "QevaStandIn/Journal.h"
#include "QevaStandIn/LogSink.h"
#include "QevaStandIn/RunLoop.h"
#include "QevaStandIn/Targeting.h"

// The stand-in Ad SDK: an implementation of module Qeva that tests and tools link instead of
// the real framework. QevaManager::shared() and QevaRegistry::shared() are its objects; this
// header is how tests and tools watch and steer it. It contains no plugin code.
//
// Everything happens on the main thread, synchronously or as a task on runLoop(); nothing
// blocks and nothing starts a thread. The only lock is inside RunLoop::postFromAnyThread().
namespace QevaStandIn {

// Where the simulated fetch does its work.
enum class Delivery {
  // As a real SDK: process() and a load failure's fallback post their work to the run loop
  // (after the fetch delay), so the ready or error event comes at a later drain. The
  // renderer's own reports still turn into events at once.
  posted,
  // Everything inside the call that caused it: the ready event fires inside process().
  synchronous,
};

// How the stand-in answers QevaManager::initialize.
enum class InitReport {
  successLater,   // onSuccess() posted to the run loop (the default).
  successAtOnce,  // onSuccess() inside initialize().
  failureLater,   // onFailure(QevaSDKError initializationFailed), posted.
  failureAtOnce,  // The same, inside initialize().
  never,          // No report; tests report by hand.
};

// One tracking request: a URL that QevaTracker::fireNotification handed to the transport.
struct TrackerRequest {
  std::string eventName;
  std::string url;
  uint64_t trackerNumber = 0;

  // "tracker#N click https://x".
  std::string ToString() const;
  bool operator==(const TrackerRequest& other) const;
  bool operator!=(const TrackerRequest& other) const { return !(*this == other); }
};

// Sends one tracking request; called on the main thread inside fireNotification. A transport
// that works in the background hands its outcome back with RunLoop::postFromAnyThread.
using TrackerTransport = std::function<void(const TrackerRequest& request)>;

// The stand-in's state and controls. One per process; reset between tests.
class StandIn {
 public:
  static StandIn& Shared();
  // Back to the state of a fresh process: clears the journal, the log (printing on again,
  // listeners removed), the controls and settings (recording on again), the inventory, the
  // registry, the ad spaces, the run loop (queued tasks dropped unrun, time 0), the targeting
  // objects, the click-throughs and the tracker requests; restarts every stand-in sequence
  // and the Foundation object numbers, then restores UIKit's default scene (so its window,
  // root view controller and application delegate are objects 1 to 3). Objects the plugin
  // still holds keep working but are no longer found by number. Not from inside a run-loop
  // task.
  static void Reset();

  RunLoop& runLoop() { return run_loop_; }
  Journal& journal() { return journal_; }
  LogSink& logSink() { return log_sink_; }
  Inventory& inventory() { return inventory_; }

  // --- Recording.
  // Whether SDK calls are journaled and log lines kept: on by default and after Reset().
  // Off, no journal entry is made (so neither its text is formatted nor the journal's
  // listener told) and the log sink keeps no line (it still prints and tells its listener as
  // set); events, the simulation, the tracker transport and the "#K" numbering go on alike.
  // For benchmarks, which would otherwise time the stand-in's bookkeeping with the plugin.
  void setRecording(bool on);
  bool recording() const;

  // --- Initialisation.
  void setInitializationReport(InitReport report) { init_report_ = report; }
  InitReport initializationReport() const { return init_report_; }
  // Report to the delegate of the latest initialize() at once (if it is alive), e.g. a second
  // time. Journaled as callbacks of "initDelegate".
  void reportInitializationSuccess();
  void reportInitializationFailure(const Qeva::QevaError& error);
  void reportInitializationFailure();  // With QevaSDKError initializationFailed.

  // --- Registry.
  // The names of the registered classes, in registration order. A class registered again
  // under a name already present is not added twice.
  std::vector<std::string> registeredClassNames() const;

  // --- Ad spaces.
  // createQevaAdSpace(tagId:) answers null for |tagId| from now on.
  void refuseTagId(const std::string& tagId);
  // The next createQevaAdSpace hands out |adSpace| again instead of a new one (once).
  void reuseAdSpaceForNextCreate(std::shared_ptr<AdSpace> adSpace);
  // Ad spaces made since the last reset.
  size_t adSpaceCount() const;
  // Ad space "adSpace#|number|", or null when unknown or no longer alive.
  std::shared_ptr<AdSpace> adSpace(uint64_t number) const;
  std::shared_ptr<AdSpace> lastAdSpace() const { return adSpace(adSpaceCount()); }
  // The next fetch ends in the error event with QevaSDKError |code| instead of serving an ad.
  // Calls add up: each makes one more fetch fail.
  void failNextLoad(Qeva::QevaSDKError::Code code = Qeva::QevaSDKError::Code::noFill);

  // --- Simulation settings.
  void setDelivery(Delivery delivery) { delivery_ = delivery; }
  Delivery delivery() const { return delivery_; }
  // Virtual milliseconds a posted fetch takes (default 0: the next drain).
  void setFetchDelayMs(int64_t delay_ms) { fetch_delay_ms_ = delay_ms; }
  int64_t fetchDelayMs() const { return fetch_delay_ms_; }

  // --- Click-through.
  size_t clickThroughCount() const;
  // The click-through of handler "ctaHandler#|number|", or null.
  ClickThrough* clickThrough(uint64_t number) const;
  ClickThrough* lastClickThrough() const { return clickThrough(clickThroughCount()); }
  // Whether open() reports by itself (default on).
  void setClickThroughSimulation(bool on) { click_through_simulation_ = on; }
  // Runs inside every open(), before the simulation (if on) posts its reports: lets a test
  // report from within open() itself, as an SDK may. Null, the default: nothing.
  using OpenHook = std::function<void(ClickThrough& clickThrough)>;
  void setClickThroughOpenHook(OpenHook hook) { click_through_open_hook_ = std::move(hook); }
  const OpenHook& clickThroughOpenHook() const { return click_through_open_hook_; }
  bool clickThroughSimulation() const { return click_through_simulation_; }
  // Virtual milliseconds from open() to onCompleteCTA (default 3000).
  void setClickThroughCompleteDelayMs(int64_t delay_ms) { click_through_delay_ms_ = delay_ms; }
  int64_t clickThroughCompleteDelayMs() const { return click_through_delay_ms_; }

  // --- Tracking.
  // Every request handed to the transport since the last reset, in order.
  const std::vector<TrackerRequest>& trackerRequests() const;
  // Also hands each request to |transport|; nullptr stops that. Requests are recorded either
  // way.
  void setTrackerTransport(TrackerTransport transport);

  // --- Targeting objects (what getQevaUser() and the others return).
  User& user();
  Device& device();
  Application& application();

  // --- Names as the journal writes them.
  // "adSpace#K" for the stand-in's ad spaces, else the object's description.
  std::string nameOf(const Qeva::QevaAdSpace& adSpace) const;
  // "renderer#K" for ads made from a registered class, else the description of an NSObject,
  // else "<object>".
  std::string nameOf(const Qeva::QevaAd& ad) const;

  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

 private:
  StandIn() = default;
  ~StandIn() = default;
  void clear();

  RunLoop run_loop_;
  Journal journal_;
  LogSink log_sink_;
  Inventory inventory_;

  InitReport init_report_ = InitReport::successLater;
  Delivery delivery_ = Delivery::posted;
  int64_t fetch_delay_ms_ = 0;
  OpenHook click_through_open_hook_;
  bool click_through_simulation_ = true;
  int64_t click_through_delay_ms_ = 3000;
};

// Resets the stand-in for the length of a scope: at construction, with the log's printing
// off unless |echo_log|, and again at destruction. Declared as a test fixture's first member,
// it outlives the plugin objects of the fixture, so that their last calls are still served.
class StandInScope {
 public:
  explicit StandInScope(bool echo_log = false);
  ~StandInScope();

  StandInScope(const StandInScope&) = delete;
  StandInScope& operator=(const StandInScope&) = delete;

  StandIn& sdk() const { return StandIn::Shared(); }
};

}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_STANDIN_H_
