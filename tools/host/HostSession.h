#ifndef QEVA_HOST_HOSTSESSION_H_
#define QEVA_HOST_HOSTSESSION_H_

#include <flutter/encodable_value.h>

#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "CallBook.h"
#include "Clock.h"
#include "Core/QevaFlutterManager.h"
#include "QevaStandIn/StandIn.h"
#include "Transcript.h"

namespace headless {
class HeadlessEngine;
}

namespace QevaHost {

struct SessionOptions {
  // Seeds the ad-space ids (Foundation's UUID byte source).
  uint64_t seed = 1;
  // The run loop waits for wall-clock time instead of jumping.
  bool realTime = false;
  // Starts the loopback tracker sink; "{sink}" in inventories and arguments names it.
  bool trackerSink = false;
  // When set, "{sink}" stands for this fixed host name instead of the sink's address (whose
  // port changes from run to run), and requests to it go to the sink: the same calls give the
  // same bytes.
  std::string sinkHost;
  // Bounds connecting and reading of each tracker request.
  std::chrono::milliseconds trackerTimeout{2000};
  // Whether the record of an answered call is kept for calls() and call(). A scenario refers
  // back to its replies; a long wire session keeps only the calls still unanswered.
  bool keepAnsweredCalls = true;
  // Non-zero once a signal asks the run to stop (StopSignal.h); watched between timer firings.
  const volatile std::sig_atomic_t* stop = nullptr;
  // The most timer firings one Advance runs: a refresh timer against a jump of years must
  // not keep the host busy for ever.
  size_t maxFirings = 10000;
};

// The host: the stand-in Ad SDK, a headless Flutter engine, and the plugin's manager on it,
// with Dart's side played through real standard-codec bytes. Everything that happens is
// reported to the sink as it happens: calls, replies (the moment the plugin answers), SDK log
// lines, journal entries and tracker traffic.
//
// One session at a time per process: the stand-in SDK is process-wide. Main thread only,
// except what the tracker transport does in the background.
class HostSession {
 public:
  // |sink| must outlive the session.
  HostSession(const SessionOptions& options, TranscriptSink* sink);
  // Stops the trackers and the sink, destroys the plugin and resets the stand-in; nothing
  // is reported any more.
  ~HostSession();

  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Marks what follows as part of scenario step |index|.
  void BeginStep(size_t index);
  size_t step() const;

  // Plays Dart calling |method| on |channel| with |arguments| ("{sink}" already expanded).
  // Returns the call's number; the record fills in as the plugin answers.
  int Call(const std::string& channel, const std::string& method,
           const flutter::EncodableValue& arguments);
  // The same with the message's bytes as Dart's engine would deliver them, whatever they are;
  // a message that is no method call is recorded with an empty method and null arguments.
  int CallBytes(const std::string& channel, std::vector<uint8_t> message, uint32_t tag = 0);
  // The record of call #|number|, or null (also once it is answered and not kept).
  const HostCall* call(int number) const;
  std::vector<const HostCall*> calls() const;

  // Time. Draining runs what is due now; Advance moves virtual time, running timers in
  // order (and waits for them in real-time mode). Time moves by the work done: when the
  // firings reach the cap or a stop signal comes, it stands at the last firing.
  void RunUntilIdle();
  AdvanceOutcome Advance(int64_t ms);
  // Whether a signal asked the host to stop.
  bool StopRequested() const;
  Millis now() const;
  // Waits (bounded) until every tracker request made so far has finished, then, when
  // |drain|, runs what is due, outcomes included: a fixed point for the next step to start.
  void Settle(bool drain);
  // At the end: a last bounded wait for trackers; those still out are reported abandoned.
  void Finish();

  // Every call not answered, with the reason, in call order.
  std::vector<Unanswered> UnansweredCalls() const;
  // How those reasons name the call that replaced or dropped another: "#N" unless set.
  using CallNamer = CallBook::CallNamer;
  void SetCallNamer(CallNamer namer);

  // Host-side controls used by the actions.
  QevaStandIn::StandIn& sdk() const;
  // The plugin's manager; kept alive by the engine's handlers.
  QevaFlutter::QevaFlutterManager& manager() const;
  // The stand-in ad space the plugin keeps under |adSpaceId|, or null.
  std::shared_ptr<QevaStandIn::AdSpace> adSpace(const std::string& adSpaceId) const;
  void RefuseTag(const std::string& tagId);
  // The channels the plugin opened, in the order it opened them.
  std::vector<std::string> channels() const;
  // Loads stand-in inventory JSON, "{sink}" expanded; |replace| clears the old ads first.
  bool LoadInventory(const nlohmann::json& inventory, bool replace, std::string* error);

  const SessionOptions& options() const;
  // For printing: the sink's address written "{sink}", and in values also the secret key
  // masked.
  std::string Redact(const std::string& text) const;
  flutter::EncodableValue Printable(const flutter::EncodableValue& value) const;

  // "127.0.0.1:PORT" of the tracker sink, or empty when it is not running.
  std::string sinkAddress() const;
  // |text| with "{sink}" replaced by the sink's address.
  std::string ExpandSink(const std::string& text) const;

 private:
  struct Parts;

  // Shared with the SDK's listeners and the engine's reply hooks, which hold it weakly.
  std::shared_ptr<Parts> parts_;
  std::unique_ptr<headless::HeadlessEngine> engine_;
  // Also held by the engine's handlers; kept here for the actions.
  std::shared_ptr<QevaFlutter::QevaFlutterManager> manager_;
};

}  // namespace QevaHost

#endif  // QEVA_HOST_HOSTSESSION_H_
