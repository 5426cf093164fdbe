#include "HostSession.h"

#include <flutter/method_call.h>
#include <flutter/method_result.h>
#include <flutter/standard_method_codec.h>

#include <algorithm>
#include <iostream>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <streambuf>
#include <utility>
#include <variant>

#include "Core/QevaFlutterPlugin.h"
#include "DartValues.h"
#include "Foundation/UUID.h"
#include "TrackerHttp.h"
#include "UIKit/UIKit.h"
#include "headless/HeadlessEngine.h"

namespace QevaHost {

using flutter::EncodableMap;
using flutter::EncodableValue;

namespace {

constexpr char kMask[] = "••••";
constexpr char kSecretKey[] = "secretKey";
constexpr char kSinkPlaceholder[] = "{sink}";
// How many journal entries and log lines the stand-in keeps for looking back.
constexpr size_t kKeptRecords = 4096;
// The longest real-time wait between two looks at the stop signal.
constexpr int64_t kRealTimeSliceMs = 200;

// The methods each of the plugin's channels accepts; any other name is left unanswered.
const std::map<std::string, std::set<std::string>>& PluginMethods() {
  static const auto* methods = new std::map<std::string, std::set<std::string>>{
      {"QevaManager", {"QevaManager"}},
      {"QevaApplication", {"QevaApplication"}},
      {"QevaUser", {"QevaUser"}},
      {"QevaDevice", {"QevaDevice"}},
      {"QevaAdSpace", {"AdRequest", "AdRender", "AdRefresh", "AdClick", "FallbackAd", "AdPause"}},
  };
  return *methods;
}

// "a list", "an int" and so on, for rejection reasons.
std::string Kind(const EncodableValue& value) {
  if (value.IsNull()) {
    return "null";
  }
  if (std::holds_alternative<bool>(value)) {
    return "a bool";
  }
  if (std::holds_alternative<int32_t>(value) || std::holds_alternative<int64_t>(value)) {
    return "an int";
  }
  if (std::holds_alternative<double>(value)) {
    return "a double";
  }
  if (std::holds_alternative<std::string>(value)) {
    return "a string";
  }
  if (std::holds_alternative<flutter::EncodableList>(value)) {
    return "a list";
  }
  if (std::holds_alternative<EncodableMap>(value)) {
    return "a map";
  }
  return "a typed list";
}

std::string StringArgument(const EncodableMap& map, const char* key) {
  auto found = map.find(EncodableValue(key));
  if (found == map.end()) {
    return std::string();
  }
  const auto* text = std::get_if<std::string>(&found->second);
  return text != nullptr ? *text : std::string();
}

bool HasRootViewController() {
  std::shared_ptr<UIKit::UIApplicationDelegate> delegate =
      UIKit::UIApplication::sharedApplication().delegate();
  return delegate && delegate->respondsToWindow() && delegate->window() &&
         delegate->window()->rootViewController();
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) {
    return text;
  }
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// Decodes a reply envelope the way Dart's side sees it.
class ReplyDecoder : public flutter::MethodResult<EncodableValue> {
 public:
  explicit ReplyDecoder(Reply* reply) : reply_(reply) {}

 protected:
  void SuccessInternal(const EncodableValue* result) override {
    reply_->kind = Reply::Kind::success;
    if (result != nullptr) {
      reply_->value = *result;
    }
  }
  void ErrorInternal(const std::string& code, const std::string& message,
                     const EncodableValue* details) override {
    reply_->kind = Reply::Kind::error;
    reply_->code = code;
    reply_->message = message;
    if (details != nullptr) {
      reply_->details = *details;
    }
  }
  void NotImplementedInternal() override { reply_->kind = Reply::Kind::notImplemented; }

 private:
  Reply* reply_;
};

Reply Decode(const uint8_t* bytes, size_t size) {
  Reply reply;
  if (size == 0) {
    reply.kind = Reply::Kind::notImplemented;
    return reply;
  }
  ReplyDecoder decoder(&reply);
  if (!flutter::StandardMethodCodec::GetInstance().DecodeAndProcessResponseEnvelope(bytes, size,
                                                                                    &decoder)) {
    reply.kind = Reply::Kind::undecodable;
  }
  return reply;
}

// Passes stderr through, minus the engine's warning about a reply released unanswered: the
// transcript already says which call that was, and why.
class EngineWarningFilter : public std::streambuf {
 public:
  explicit EngineWarningFilter(std::streambuf* target) : target_(target) {}
  // A last line without its newline still reaches stderr.
  ~EngineWarningFilter() override {
    if (!line_.empty()) {
      FlushLine();
      target_->pubsync();
    }
  }

 protected:
  int overflow(int c) override {
    if (c == traits_type::eof()) {
      return traits_type::not_eof(c);
    }
    line_.push_back(static_cast<char>(c));
    if (c == '\n') {
      FlushLine();
    }
    return c;
  }
  int sync() override {
    if (!line_.empty() && line_.back() == '\n') {
      FlushLine();
    }
    return target_->pubsync();
  }

 private:
  void FlushLine() {
    if (line_.rfind("Warning: Failed to respond to a message.", 0) != 0) {
      target_->sputn(line_.data(), static_cast<std::streamsize>(line_.size()));
    }
    line_.clear();
  }

  std::streambuf* target_;
  std::string line_;
};

// Outcomes the tracker's worker thread hands over; the main thread reports them.
struct TrackerInbox {
  std::mutex mutex;
  std::vector<HttpOutcome> arrived;
};

}  // namespace

struct HostSession::Core {
  Core(const SessionOptions& session_options, TranscriptSink* transcript)
      : options(session_options), sink(transcript) {}

  Millis now() const { return QevaStandIn::StandIn::Shared().runLoop().now(); }

  std::string Redact(const std::string& text) const {
    return ReplaceAll(ReplaceAll(text, sink_address, kSinkPlaceholder), sink_name,
                      kSinkPlaceholder);
  }

  // What "{sink}" stands for in inventories and arguments.
  const std::string& SinkName() const { return sink_name.empty() ? sink_address : sink_name; }

  // The arguments as printed: the secret key masked, the sink's address hidden.
  EncodableValue Printable(const EncodableValue& arguments) const {
    EncodableValue printable =
        EditStrings(arguments, [this](const std::string& text) { return Redact(text); });
    if (auto* map = std::get_if<EncodableMap>(&printable)) {
      auto secret = map->find(EncodableValue(kSecretKey));
      if (secret != map->end() && std::holds_alternative<std::string>(secret->second)) {
        secret->second = EncodableValue(kMask);
      }
    }
    return printable;
  }

  CallRecord* Find(int number) const {
    auto found = records.find(number);
    return found == records.end() ? nullptr : found->second.get();
  }

  // Drops an answered call's record when answered records are not kept; the call being
  // handled stays until it returns, as a call it releases names it.
  void Forget(int number) {
    const CallRecord* record = Find(number);
    if (!options.keepAnsweredCalls && record != nullptr && record->reply && dispatching != number) {
      records.erase(number);
    }
  }

  void OnAnswered(int number, const uint8_t* bytes, size_t size) {
    CallRecord* record = Find(number);
    if (record == nullptr) {
      return;
    }
    ++record->replyCount;
    if (record->replyCount == 1) {
      record->reply = Decode(bytes, size);
    }
    if (sink == nullptr) {
      return;
    }
    ReplyEvent event;
    event.number = number;
    event.step = record->step;
    event.channel = record->channel;
    event.method = record->method;
    event.reply = *record->reply;
    if (size > 0) {
      event.bytes.assign(bytes, bytes + size);
    }
    event.reply.value = Printable(event.reply.value);
    event.reply.message = Redact(event.reply.message);
    event.replyCount = record->replyCount;
    event.time = now();
    sink->OnReply(event);
    Forget(number);
  }

  void OnReleased(int number) {
    CallRecord* record = Find(number);
    if (record == nullptr || record->reply) {
      return;
    }
    record->released = true;
    record->releasedDuring = dispatching;
    record->releasedInStep = step;
    if (const CallRecord* by = Find(dispatching); by != nullptr && dispatching != number) {
      record->releasedBy =
          (call_namer ? call_namer(by->number) : "#" + std::to_string(by->number)) + " " +
          by->method;
      record->releasedByChannel = by->channel;
      record->releasedByMethod = by->method;
    }
    if (sink != nullptr) {
      sink->OnRelease({number, record->channel, record->method, now()});
    }
  }

  void OnLog(QevaStandIn::LogLine line) {
    if (sink == nullptr) {
      return;
    }
    line.message = Redact(line.message);
    sink->OnLog({std::move(line), now()});
  }

  void OnJournal(QevaStandIn::JournalEntry entry) {
    if (sink == nullptr) {
      return;
    }
    const std::string secret_label = std::string(kSecretKey) + ": ";
    for (std::string& argument : entry.arguments) {
      argument = argument.rfind(secret_label, 0) == 0 ? secret_label + "\"" + kMask + "\""
                                                      : Redact(argument);
    }
    entry.result = Redact(entry.result);
    const bool notable = IsNotable(entry);
    sink->OnJournal({std::move(entry), notable, now()});
  }

  void OnTrackerRequest(const QevaStandIn::TrackerRequest& request) {
    const uint64_t id = ++tracker_requests;
    const std::string printable = Redact(request.url);
    const std::string from =
        "tracker#" + std::to_string(request.trackerNumber) + " " + request.eventName;
    HttpUrl url;
    std::string why;
    if (!ParseHttpUrl(request.url, &url, &why)) {
      Report({TrackerEvent::Kind::refused, printable, "", 0, why + ", from " + from, now()});
      return;
    }
    if (!sink_name.empty() && url.origin == "http://" + sink_name) {
      url.origin = "http://" + sink_address;
    }
    Report({TrackerEvent::Kind::request, printable, "", 0, from, now()});
    outstanding[id] = {printable, url};
    std::weak_ptr<Core> weak = self;
    std::shared_ptr<TrackerInbox> box = inbox;
    http->Submit(id, url, printable, [weak, box](const HttpOutcome& outcome) {
      {
        std::lock_guard<std::mutex> lock(box->mutex);
        box->arrived.push_back(outcome);
      }
      // The main thread reports it at its next drain (or earlier, when it settles a step).
      QevaStandIn::StandIn::Shared().runLoop().postFromAnyThread([weak] {
        if (std::shared_ptr<Core> core = weak.lock()) {
          core->FlushTrackerOutcomes();
        }
      });
    });
  }

  void FlushTrackerOutcomes() {
    std::vector<HttpOutcome> arrived;
    {
      std::lock_guard<std::mutex> lock(inbox->mutex);
      arrived.swap(inbox->arrived);
    }
    for (const HttpOutcome& outcome : arrived) {
      auto found = outstanding.find(outcome.id);
      if (found == outstanding.end()) {
        continue;
      }
      const HttpUrl url = found->second.second;
      outstanding.erase(found);
      TrackerEvent event{TrackerEvent::Kind::failed, outcome.url, "", 0, outcome.error, now()};
      if (outcome.answered) {
        event.status = outcome.status;
        const bool to_sink = loopback && url.origin == "http://" + sink_address;
        event.kind = to_sink ? TrackerEvent::Kind::hit : TrackerEvent::Kind::response;
        event.path = url.target;
        event.detail.clear();
      }
      Report(event);
    }
  }

  void Report(const TrackerEvent& event) {
    if (sink != nullptr) {
      sink->OnTracker(event);
    }
  }

  // Why |record|'s call will be left unanswered at once, if it will: judged from what the
  // plugin is about to see.
  void Precheck(CallRecord* record, const QevaFlutter::QevaFlutterManager& manager) const {
    auto channel = PluginMethods().find(record->channel);
    if (channel == PluginMethods().end()) {
      return;  // No handler: the engine answers "not implemented" itself.
    }
    auto reject = [record](const char* reason, std::string detail) {
      record->rejection = reason;
      record->rejectionDetail = std::move(detail);
    };
    if (channel->second.count(record->method) == 0) {
      reject("wrong-method",
             "\"" + record->method + "\" is not a method of channel \"" + record->channel + "\"");
      return;
    }
    const auto* map = std::get_if<EncodableMap>(&record->arguments);
    if (map == nullptr) {
      reject("not-a-map", "the arguments are " + Kind(record->arguments) + ", not a map");
      return;
    }
    for (const auto& [key, value] : *map) {
      if (!std::holds_alternative<std::string>(key)) {
        reject("not-a-map", "the arguments map has a key that is " + Kind(key));
        return;
      }
      if (record->channel == "QevaManager" && !std::holds_alternative<std::string>(value)) {
        reject("not-a-map", "the arguments are not a map of strings: \"" +
                                std::get<std::string>(key) + "\" is " + Kind(value));
        return;
      }
    }
    if (record->channel != "QevaAdSpace") {
      return;
    }
    const std::string& method = record->method;
    if (method == "AdRequest") {
      const std::string tag = StringArgument(*map, "tagId");
      if (refused_tags.count(tag) > 0) {
        reject("refused-tag", "the SDK refused tag \"" + tag + "\": no ad space");
      }
      return;
    }
    if (method == "AdClick") {
      if (!HasRootViewController()) {
        reject("no-window", "the application has no window with a root view controller");
      }
      return;
    }
    const std::string id = StringArgument(*map, "adSpaceId");
    std::shared_ptr<Qeva::QevaAdSpace> ad_space = manager.adSpace(id);
    if (!ad_space) {
      reject("no-ad-space", "no ad space for id \"" + Redact(id) + "\"");
      return;
    }
    const auto* stand_in = dynamic_cast<const QevaStandIn::AdSpace*>(ad_space.get());
    if (method == "FallbackAd" && stand_in != nullptr && !stand_in->heldAd()) {
      reject("no-ad", "the ad space holds no ad");
    }
  }

  Unanswered Explain(const CallRecord& record) const {
    // Outside scenario steps (step 0) there is no step to name.
    const std::string at_step = record.releasedInStep == 0
                                    ? std::string()
                                    : " (step " + std::to_string(record.releasedInStep) + ")";
    if (record.released && record.releasedDuring == record.number) {
      if (!record.rejection.empty()) {
        return {record.number, record.rejection, record.rejectionDetail};
      }
      return {record.number, "released", "released unanswered while the plugin handled it"};
    }
    if (record.released && record.releasedDuring != 0) {
      const std::string& name = record.releasedBy;
      if (record.releasedByChannel == "QevaAdSpace" && record.releasedByMethod == "AdPause") {
        return {record.number, "dropped", "dropped by " + name + at_step};
      }
      if (record.releasedByChannel == record.channel) {
        return {record.number, "replaced",
                "replaced by " + name + at_step +
                    (record.channel == "QevaAdSpace" ? ", a newer call under the same ad-space id"
                                                     : ", a newer call on the same channel")};
      }
      return {record.number, "released", "released unanswered during " + name + at_step};
    }
    if (record.released) {
      return {record.number, "released", "released unanswered" + at_step};
    }
    if (record.channel == "QevaManager") {
      return {record.number, "pending", "still pending: the SDK never reported its start-up"};
    }
    return {record.number, "pending", "still pending: no event of its ad space answered it"};
  }

  const SessionOptions options;
  // Null once the session is going away: nothing is reported from then on.
  TranscriptSink* sink;
  std::weak_ptr<Core> self;
  // By number; answered ones only while options.keepAnsweredCalls.
  std::map<int, std::unique_ptr<CallRecord>> records;
  int last_number = 0;
  size_t step = 0;
  int dispatching = 0;  // The call the plugin is handling, 0 when none.
  std::set<std::string> refused_tags;
  CallNamer call_namer;

  std::unique_ptr<LoopbackSink> loopback;
  std::string sink_address;
  std::string sink_name;  // options.sinkHost while the sink runs.
  std::unique_ptr<HttpTracker> http;
  std::shared_ptr<TrackerInbox> inbox = std::make_shared<TrackerInbox>();
  uint64_t tracker_requests = 0;
  // Requests not reported finished: id to (printable URL, parsed URL).
  std::map<uint64_t, std::pair<std::string, HttpUrl>> outstanding;

  std::streambuf* original_cerr = nullptr;
  std::unique_ptr<EngineWarningFilter> cerr_filter;
};

HostSession::HostSession(const SessionOptions& options, TranscriptSink* sink)
    : core_(std::make_shared<Core>(options, sink)) {
  core_->self = core_;
  QevaStandIn::StandIn::Reset();
  QevaStandIn::StandIn& stand_in = QevaStandIn::StandIn::Shared();
  stand_in.logSink().setEcho(false);
  // Everything is reported as it happens; the stand-in's own records only need to hold what
  // a test looks back on, not a long session's history.
  stand_in.logSink().setCapacity(kKeptRecords);
  stand_in.journal().setCapacity(kKeptRecords);
  stand_in.runLoop().setRealTime(options.realTime);
  Foundation::UUID::SetByteSource(Foundation::UUID::SeededByteSource(options.seed));

  core_->original_cerr = std::cerr.rdbuf();
  core_->cerr_filter = std::make_unique<EngineWarningFilter>(core_->original_cerr);
  std::cerr.rdbuf(core_->cerr_filter.get());

  std::weak_ptr<Core> weak = core_;
  stand_in.logSink().setListener([weak](const QevaStandIn::LogLine& line) {
    if (std::shared_ptr<Core> core = weak.lock()) {
      core->OnLog(line);
    }
  });
  stand_in.journal().setListener([weak](const QevaStandIn::JournalEntry& entry) {
    if (std::shared_ptr<Core> core = weak.lock()) {
      core->OnJournal(entry);
    }
  });
  stand_in.setTrackerTransport([weak](const QevaStandIn::TrackerRequest& request) {
    if (std::shared_ptr<Core> core = weak.lock()) {
      core->OnTrackerRequest(request);
    }
  });
  core_->http = std::make_unique<HttpTracker>(options.trackerTimeout);
  if (options.trackerSink) {
    core_->loopback = std::make_unique<LoopbackSink>();
    std::string error;
    if (core_->loopback->Start(&error)) {
      core_->sink_address = core_->loopback->address();
      core_->sink_name = options.sinkHost;
    } else {
      std::cerr << "qeva-host: tracker sink: " << error << "\n";
      core_->loopback.reset();
    }
  }

  engine_ = std::make_unique<headless::HeadlessEngine>();
  QevaFlutterPluginRegisterWithRegistrar(engine_->registrar());
  manager_ = QevaFlutter::QevaFlutterPlugin::ManagerFor(engine_->registrar());
}

HostSession::~HostSession() {
  core_->sink = nullptr;
  QevaStandIn::StandIn& stand_in = QevaStandIn::StandIn::Shared();
  stand_in.setTrackerTransport(nullptr);
  stand_in.journal().setListener(nullptr);
  stand_in.logSink().setListener(nullptr);
  // The engine's handlers own the manager: it goes with the engine.
  manager_.reset();
  engine_.reset();
  core_->http.reset();
  core_->loopback.reset();
  QevaStandIn::StandIn::Reset();
  Foundation::UUID::SetByteSource(nullptr);
  std::cerr.rdbuf(core_->original_cerr);
}

void HostSession::BeginStep(size_t index) {
  core_->step = index;
}

size_t HostSession::step() const {
  return core_->step;
}

int HostSession::Call(const std::string& channel, const std::string& method,
                      const EncodableValue& arguments) {
  flutter::MethodCall<EncodableValue> call(method, std::make_unique<EncodableValue>(arguments));
  return CallBytes(channel,
                   std::move(*flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(call)));
}

int HostSession::CallBytes(const std::string& channel, std::vector<uint8_t> message, uint32_t tag) {
  auto record = std::make_unique<CallRecord>();
  record->number = ++core_->last_number;
  record->tag = tag;
  record->step = core_->step;
  record->channel = channel;
  std::unique_ptr<flutter::MethodCall<EncodableValue>> decoded =
      flutter::StandardMethodCodec::GetInstance().DecodeMethodCall(message);
  if (decoded) {
    record->method = decoded->method_name();
    if (decoded->arguments() != nullptr) {
      record->arguments = *decoded->arguments();
    }
    core_->Precheck(record.get(), *manager_);
  }
  const int number = record->number;
  const CallRecord& made = *record;
  core_->records.emplace(number, std::move(record));
  if (core_->sink != nullptr) {
    core_->sink->OnCall(
        {number, core_->step, channel, made.method, core_->Printable(made.arguments), now()});
  }

  // The hooks outlive neither the session's interest nor the session: they hold it weakly.
  std::weak_ptr<Core> weak = core_;
  headless::HeadlessEngine::ReplyHooks hooks;
  hooks.on_reply = [weak, number](const uint8_t* bytes, size_t size) {
    if (std::shared_ptr<Core> core = weak.lock()) {
      core->OnAnswered(number, bytes, size);
    }
  };
  hooks.on_released = [weak, number] {
    if (std::shared_ptr<Core> core = weak.lock()) {
      core->OnReleased(number);
    }
  };
  const int outer = std::exchange(core_->dispatching, number);
  engine_->SendBytes(channel, std::move(message), std::move(hooks));
  core_->dispatching = outer;
  core_->Forget(number);
  return number;
}

void HostSession::SetCallNamer(CallNamer namer) {
  core_->call_namer = std::move(namer);
}

const CallRecord* HostSession::call(int number) const {
  return core_->Find(number);
}

std::vector<const CallRecord*> HostSession::calls() const {
  std::vector<const CallRecord*> all;
  for (const auto& [number, record] : core_->records) {
    all.push_back(record.get());
  }
  return all;
}

void HostSession::RunUntilIdle() {
  sdk().runLoop().runUntilIdle();
}

AdvanceOutcome HostSession::Advance(int64_t ms) {
  QevaStandIn::RunLoop& loop = sdk().runLoop();
  const int64_t start = loop.now();
  const int64_t target = ms > std::numeric_limits<int64_t>::max() - start
                             ? std::numeric_limits<int64_t>::max()
                             : start + ms;
  AdvanceOutcome outcome;
  // One due time at a time, so that the cap and a signal are looked at between firings; a
  // real-time wait goes in short slices for the same reason.
  while (loop.now() < target || loop.nextDueTime().value_or(target + 1) <= target) {
    if (StopRequested()) {
      outcome.stopped = true;
      return outcome;
    }
    if (outcome.ran >= core_->options.maxFirings) {
      outcome.capped = true;
      return outcome;
    }
    int64_t until = std::min(target, loop.nextDueTime().value_or(target));
    if (loop.realTime()) {
      until = std::min(until, loop.now() + kRealTimeSliceMs);
    }
    const int64_t before = loop.now();
    const size_t ran = loop.advanceBy(std::max<int64_t>(0, until - before));
    outcome.ran += ran;
    if (ran == 0 && (loop.now() >= target || loop.now() == before)) {
      break;
    }
  }
  return outcome;
}

bool HostSession::StopRequested() const {
  return core_->options.stop != nullptr && *core_->options.stop != 0;
}

Millis HostSession::now() const {
  return core_->now();
}

void HostSession::Settle(bool drain) {
  if (drain) {
    RunUntilIdle();
  }
  // Requests run one after another, each bounded by the timeout.
  const auto bound = core_->options.trackerTimeout * 2 * (core_->outstanding.size() + 1);
  core_->http->WaitIdle(std::chrono::steady_clock::now() + bound);
  core_->FlushTrackerOutcomes();
  if (drain) {
    RunUntilIdle();
  }
}

void HostSession::Finish() {
  Settle(false);
  for (const auto& [id, request] : core_->outstanding) {
    core_->Report({TrackerEvent::Kind::abandoned, request.first, "", 0,
                   "no outcome after waiting; the request is dropped", now()});
  }
  core_->outstanding.clear();
}

std::vector<Unanswered> HostSession::UnansweredCalls() const {
  std::vector<Unanswered> unanswered;
  for (const auto& [number, record] : core_->records) {
    if (!record->reply) {
      unanswered.push_back(core_->Explain(*record));
    }
  }
  return unanswered;
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
  core_->refused_tags.insert(tagId);
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
  return core_->options;
}

std::string HostSession::Redact(const std::string& text) const {
  return core_->Redact(text);
}

EncodableValue HostSession::Printable(const EncodableValue& value) const {
  return core_->Printable(value);
}

std::string HostSession::sinkAddress() const {
  return core_->sink_address;
}

std::string HostSession::ExpandSink(const std::string& text) const {
  if (core_->sink_address.empty()) {
    return text;
  }
  return ReplaceAll(text, kSinkPlaceholder, core_->SinkName());
}

}  // namespace QevaHost
