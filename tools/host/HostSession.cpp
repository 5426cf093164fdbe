#include "HostSession.h"

#include <flutter/method_call.h>
#include <flutter/standard_method_codec.h>

#include <utility>

#include "Core/QevaFlutterPlugin.h"
#include "EngineWarnings.h"
#include "Foundation/UUID.h"
#include "Redactor.h"
#include "TrackerTraffic.h"
#include "headless/HeadlessEngine.h"

namespace QevaHost {

using flutter::EncodableValue;

namespace {

// How many journal entries and log lines the stand-in keeps for looking back.
constexpr size_t kKeptRecords = 4096;

}  // namespace

struct HostSession::Parts {
  Parts(const SessionOptions& session_options, TranscriptSink* transcript)
      : options(session_options),
        sink(transcript),
        clock(&QevaStandIn::StandIn::Shared().runLoop(), session_options.maxFirings,
              session_options.stop),
        calls(&redactor, session_options.keepAnsweredCalls) {
    calls.SetSink(transcript);
  }

  void OnLog(QevaStandIn::LogLine line) const {
    if (sink != nullptr) {
      line.message = redactor.Redact(line.message);
      sink->OnLog({std::move(line), QevaStandIn::StandIn::Shared().runLoop().now()});
    }
  }

  void OnJournal(const QevaStandIn::JournalEntry& entry) const {
    if (sink != nullptr) {
      QevaStandIn::JournalEntry printable = redactor.Printable(entry);
      const bool notable = IsNotable(printable);
      sink->OnJournal(
          {std::move(printable), notable, QevaStandIn::StandIn::Shared().runLoop().now()});
    }
  }

  const SessionOptions options;
  // Null once the session is going away: nothing is reported from then on.
  TranscriptSink* sink;
  EngineWarnings warnings;
  Clock clock;
  Redactor redactor;
  CallBook calls;
  std::shared_ptr<TrackerTraffic> trackers;
};

HostSession::HostSession(const SessionOptions& options, TranscriptSink* sink)
    : parts_(std::make_shared<Parts>(options, sink)) {
  QevaStandIn::StandIn::Reset();
  QevaStandIn::StandIn& stand_in = QevaStandIn::StandIn::Shared();
  stand_in.logSink().setEcho(false);
  // Everything is reported as it happens; the stand-in's own records only need to hold what
  // a test looks back on, not a long session's history.
  stand_in.logSink().setCapacity(kKeptRecords);
  stand_in.journal().setCapacity(kKeptRecords);
  stand_in.runLoop().setRealTime(options.realTime);
  Foundation::UUID::SetByteSource(Foundation::UUID::SeededByteSource(options.seed));

  std::weak_ptr<Parts> weak = parts_;
  stand_in.logSink().setListener([weak](const QevaStandIn::LogLine& line) {
    if (std::shared_ptr<Parts> parts = weak.lock()) {
      parts->OnLog(line);
    }
  });
  stand_in.journal().setListener([weak](const QevaStandIn::JournalEntry& entry) {
    if (std::shared_ptr<Parts> parts = weak.lock()) {
      parts->OnJournal(entry);
    }
  });
  parts_->trackers = std::make_shared<TrackerTraffic>(options.trackerTimeout, &parts_->redactor,
                                                      [sink](const TrackerEvent& event) {
                                                        if (sink != nullptr) {
                                                          sink->OnTracker(event);
                                                        }
                                                      });
  std::weak_ptr<TrackerTraffic> trackers = parts_->trackers;
  stand_in.setTrackerTransport([trackers](const QevaStandIn::TrackerRequest& request) {
    if (std::shared_ptr<TrackerTraffic> traffic = trackers.lock()) {
      traffic->Send(request);
    }
  });
  if (options.trackerSink) {
    parts_->trackers->StartSink(options.sinkHost);
  }

  engine_ = std::make_unique<headless::HeadlessEngine>();
  QevaFlutterPluginRegisterWithRegistrar(engine_->registrar());
  manager_ = QevaFlutter::QevaFlutterPlugin::ManagerFor(engine_->registrar());
  parts_->calls.SetLedger(manager_->replyLedger());
}

HostSession::~HostSession() {
  parts_->sink = nullptr;
  parts_->calls.SetSink(nullptr);
  parts_->trackers->Mute();
  QevaStandIn::StandIn& stand_in = QevaStandIn::StandIn::Shared();
  stand_in.setTrackerTransport(nullptr);
  stand_in.journal().setListener(nullptr);
  stand_in.logSink().setListener(nullptr);
  // The engine's handlers own the manager: it goes with the engine.
  manager_.reset();
  engine_.reset();
  parts_->trackers.reset();
  QevaStandIn::StandIn::Reset();
  Foundation::UUID::SetByteSource(nullptr);
}

void HostSession::BeginStep(size_t index) {
  parts_->calls.BeginStep(index);
}

size_t HostSession::step() const {
  return parts_->calls.step();
}

int HostSession::Call(const std::string& channel, const std::string& method,
                      const EncodableValue& arguments) {
  flutter::MethodCall<EncodableValue> call(method, std::make_unique<EncodableValue>(arguments));
  return CallBytes(channel,
                   std::move(*flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(call)));
}

int HostSession::CallBytes(const std::string& channel, std::vector<uint8_t> message, uint32_t tag) {
  CallBook& calls = parts_->calls;
  HostCall& made = calls.Open(channel, tag);
  // The call as the plugin's handler will see it; the engine does not decode what Dart sends.
  std::unique_ptr<flutter::MethodCall<EncodableValue>> decoded =
      flutter::StandardMethodCodec::GetInstance().DecodeMethodCall(message);
  if (decoded) {
    made.method = decoded->method_name();
    if (decoded->arguments() != nullptr) {
      made.arguments = *decoded->arguments();
    }
  }
  const int number = made.number;
  if (parts_->sink != nullptr) {
    parts_->sink->OnCall({number, made.step, channel, made.method,
                          parts_->redactor.Printable(made.arguments), now()});
  }

  // The hooks outlive neither the session's interest nor the session: they hold it weakly.
  std::weak_ptr<Parts> weak = parts_;
  headless::HeadlessEngine::ReplyHooks hooks;
  hooks.on_released = [weak, number] {
    if (std::shared_ptr<Parts> parts = weak.lock()) {
      parts->warnings.OnReleaseReported();
      parts->calls.OnReleased(number);
    }
  };
  calls.BeginDelivery(number);
  engine_->SendBytes(channel, std::move(message), std::move(hooks),
                     [weak, number](const headless::DartReply& reply) {
                       if (std::shared_ptr<Parts> parts = weak.lock()) {
                         parts->calls.OnAnswered(number, reply);
                       }
                     });
  calls.EndDelivery();
  return number;
}

void HostSession::SetCallNamer(CallNamer namer) {
  parts_->calls.SetCallNamer(std::move(namer));
}

const HostCall* HostSession::call(int number) const {
  return parts_->calls.Find(number);
}

std::vector<const HostCall*> HostSession::calls() const {
  return parts_->calls.calls();
}

void HostSession::RunUntilIdle() {
  parts_->clock.RunUntilIdle();
}

AdvanceOutcome HostSession::Advance(int64_t ms) {
  return parts_->clock.Advance(ms);
}

bool HostSession::StopRequested() const {
  return parts_->clock.StopRequested();
}

Millis HostSession::now() const {
  return parts_->clock.now();
}

void HostSession::Settle(bool drain) {
  if (drain) {
    RunUntilIdle();
  }
  parts_->trackers->Settle();
  if (drain) {
    RunUntilIdle();
  }
}

void HostSession::Finish() {
  parts_->trackers->Finish();
}

std::vector<Unanswered> HostSession::UnansweredCalls() const {
  return parts_->calls.UnansweredCalls();
}

QevaStandIn::StandIn& HostSession::sdk() const {
  return QevaStandIn::StandIn::Shared();
}

QevaFlutter::QevaFlutterManager& HostSession::manager() const {
  return *manager_;
}

std::shared_ptr<QevaStandIn::AdSpace> HostSession::adSpace(const std::string& adSpaceId) const {
  return std::dynamic_pointer_cast<QevaStandIn::AdSpace>(manager_->adSpace(adSpaceId));
}

std::vector<std::string> HostSession::channels() const {
  return engine_->channels();
}

void HostSession::RefuseTag(const std::string& tagId) {
  sdk().refuseTagId(tagId);
}

bool HostSession::LoadInventory(const nlohmann::json& inventory, bool replace, std::string* error) {
  // Bytes that are not UTF-8 become U+FFFD rather than an exception.
  const std::string text =
      ExpandSink(inventory.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  QevaStandIn::Inventory checked;
  if (!checked.loadJson(text, error)) {
    return false;
  }
  if (replace) {
    sdk().inventory().clear();
  }
  return sdk().inventory().loadJson(text, error);
}

const SessionOptions& HostSession::options() const {
  return parts_->options;
}

std::string HostSession::Redact(const std::string& text) const {
  return parts_->redactor.Redact(text);
}

EncodableValue HostSession::Printable(const EncodableValue& value) const {
  return parts_->redactor.Printable(value);
}

std::string HostSession::sinkAddress() const {
  return parts_->redactor.sinkAddress();
}

std::string HostSession::ExpandSink(const std::string& text) const {
  return parts_->redactor.ExpandSink(text);
}

}  // namespace QevaHost
