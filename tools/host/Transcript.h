#ifndef QEVA_HOST_TRANSCRIPT_H_
#define QEVA_HOST_TRANSCRIPT_H_

#include <flutter/encodable_value.h>

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "QevaStandIn/Journal.h"
#include "QevaStandIn/LogSink.h"

// What a host run reports, as events, and the sinks that print them. The session and the
// scenario runner produce the events; a sink decides how they look (readable text, JSON
// lines, or a wire protocol). Every text in an event is already fit for printing: the secret
// key masked and the tracker sink's port replaced by "{sink}".
namespace QevaHost {

// Virtual milliseconds on the SDK's run loop.
using Millis = int64_t;

struct RunHeader {
  std::string scenario;  // "built-in" or the file name.
  uint64_t seed = 0;
  bool realTime = false;
};

struct StepEvent {
  size_t index = 0;  // From 1.
  std::string name;  // May be empty.
  std::string what;  // "call QevaAdSpace.AdRender", "advance 3000".
  Millis time = 0;
};

// Reported before the action runs, so that what it causes follows it.
struct ActionEvent {
  std::string name;
  nlohmann::json argument;
  Millis time = 0;
};

struct CallEvent {
  int number = 0;  // #N: calls in the order Dart made them, from 1.
  size_t step = 0;
  std::string channel;
  std::string method;
  flutter::EncodableValue arguments;
  Millis time = 0;
};

// A reply as Dart decodes it.
struct Reply {
  enum class Kind { success, error, notImplemented, undecodable };
  Kind kind = Kind::success;
  flutter::EncodableValue value;  // success
  std::string code;               // error
  std::string message;
  flutter::EncodableValue details;

  // "\"success\"", "error 1001 \"message\"", "not implemented".
  std::string ToString() const;
  nlohmann::json ToJson() const;
};

struct ReplyEvent {
  int number = 0;
  size_t step = 0;  // The step that made the call.
  std::string channel;
  std::string method;
  Reply reply;
  // The reply's bytes as the plugin produced them (empty for not implemented), for sinks that
  // pass replies on; unlike |reply|, nothing in them is masked.
  std::vector<uint8_t> bytes;
  // More than 1: the plugin answered again; only the first reply reached Dart.
  int replyCount = 1;
  Millis time = 0;
};

// The plugin let go of a call's reply without answering: Dart would wait for ever.
struct ReleaseEvent {
  int number = 0;
  std::string channel;
  std::string method;
  Millis time = 0;
};

struct LogEvent {
  QevaStandIn::LogLine line;
  Millis time = 0;
};

struct JournalEvent {
  QevaStandIn::JournalEntry entry;
  // Worth showing without --verbose (see IsNotable).
  bool notable = false;
  Millis time = 0;
};

struct TrackerEvent {
  enum class Kind {
    request,    // Handed to the transport.
    refused,    // A scheme the transport does not speak.
    hit,        // The loopback sink received it.
    response,   // Another server answered.
    failed,     // No answer: connection error or timeout.
    abandoned,  // Still outstanding when the host gave up waiting.
  };
  Kind kind = Kind::request;
  std::string url;
  std::string path;  // hit: the path the sink saw.
  int status = 0;    // hit, response.
  std::string detail;
  Millis time = 0;
};

struct ExpectationEvent {
  size_t step = 0;
  std::string stepLabel;  // `step 4 ("render")`.
  int call = 0;
  bool ok = false;
  std::string expected;
  std::string got;
};

struct UnansweredEvent {
  int number = 0;
  size_t step = 0;
  std::string stepLabel;
  std::string channel;
  std::string method;
  // A short code for machines ("replaced", "dropped", "no-ad-space", "no-ad", "no-window",
  // "refused-tag", "wrong-method", "not-a-map", "pending", "released") and the readable why.
  std::string reason;
  std::string detail;
};

struct SummaryEvent {
  size_t steps = 0;
  int calls = 0;
  int answered = 0;
  int unanswered = 0;
  int expectationsPassed = 0;
  int expectationsFailed = 0;
  // A step that could not run (e.g. it names a reply that never came); empty when none.
  std::string error;
  Millis time = 0;
  bool ok() const { return expectationsFailed == 0 && error.empty(); }
};

// A scenario step that could not run.
struct ErrorEvent {
  size_t step = 0;
  std::string stepLabel;
  std::string message;
};

// "request", "refused", ... as machine output writes the kinds.
const char* TrackerKindName(TrackerEvent::Kind kind);
// "command", "query", "callback".
const char* JournalKindName(QevaStandIn::JournalEntry::Kind kind);

// The journal entries shown without --verbose: what the plugin asked of the SDK that changes
// something, and every event the SDK reported back. Left out: read-only queries, and the
// SDK's plumbing (builders, requests, delegates being set).
bool IsNotable(const QevaStandIn::JournalEntry& entry);

// Receives a run's events in the order they happen. Implementations print them; none may
// call back into the session.
class TranscriptSink {
 public:
  virtual ~TranscriptSink() = default;

  virtual void OnHeader(const RunHeader& header) = 0;
  virtual void OnStep(const StepEvent& step) = 0;
  virtual void OnAction(const ActionEvent& action) = 0;
  // What an action that reports found out (the channels the plugin opened, say).
  virtual void OnActionReport(const std::string& /*action*/, const std::string& /*report*/) {}
  virtual void OnCall(const CallEvent& call) = 0;
  virtual void OnReply(const ReplyEvent& reply) = 0;
  virtual void OnRelease(const ReleaseEvent& release) = 0;
  virtual void OnLog(const LogEvent& log) = 0;
  virtual void OnJournal(const JournalEvent& journal) = 0;
  virtual void OnTracker(const TrackerEvent& tracker) = 0;
  virtual void OnExpectation(const ExpectationEvent& expectation) = 0;
  virtual void OnError(const ErrorEvent& error) = 0;
  // After the last step: every call never answered, then the summary.
  virtual void OnUnanswered(const UnansweredEvent& unanswered) = 0;
  virtual void OnSummary(const SummaryEvent& summary) = 0;
};

// Readable text, one event a line, indented under its step. |out| must outlive the sink.
// Colour is ANSI escapes; callers decide (a terminal, NO_COLOR unset).
class TextTranscript : public TranscriptSink {
 public:
  TextTranscript(std::ostream& out, bool colour, bool verbose)
      : out_(out), colour_(colour), verbose_(verbose) {}

  void OnHeader(const RunHeader& header) override;
  void OnStep(const StepEvent& step) override;
  void OnAction(const ActionEvent& action) override;
  void OnActionReport(const std::string& action, const std::string& report) override;
  void OnCall(const CallEvent& call) override;
  void OnReply(const ReplyEvent& reply) override;
  void OnRelease(const ReleaseEvent& release) override;
  void OnLog(const LogEvent& log) override;
  void OnJournal(const JournalEvent& journal) override;
  void OnTracker(const TrackerEvent& tracker) override;
  void OnExpectation(const ExpectationEvent& expectation) override;
  void OnError(const ErrorEvent& error) override;
  void OnUnanswered(const UnansweredEvent& unanswered) override;
  void OnSummary(const SummaryEvent& summary) override;

 private:
  enum class Paint { none, bold, dim, call, success, failure, warning, network };
  std::string Painted(Paint paint, const std::string& text) const;
  // Writes "  · t=Nms" when |time| differs from the time last shown.
  void ShowTime(Millis time);
  void Line(const std::string& text);

  std::ostream& out_;
  const bool colour_;
  const bool verbose_;
  Millis shown_time_ = 0;
  size_t step_ = 0;
  bool unanswered_heading_ = false;
  bool expectations_heading_ = false;
};

// One JSON object a line ("type" says which event), for machines. |out| must outlive the
// sink. Shows the same journal entries as the text unless |verbose|.
class JsonTranscript : public TranscriptSink {
 public:
  JsonTranscript(std::ostream& out, bool verbose) : out_(out), verbose_(verbose) {}

  void OnHeader(const RunHeader& header) override;
  void OnStep(const StepEvent& step) override;
  void OnAction(const ActionEvent& action) override;
  void OnActionReport(const std::string& action, const std::string& report) override;
  void OnCall(const CallEvent& call) override;
  void OnReply(const ReplyEvent& reply) override;
  void OnRelease(const ReleaseEvent& release) override;
  void OnLog(const LogEvent& log) override;
  void OnJournal(const JournalEvent& journal) override;
  void OnTracker(const TrackerEvent& tracker) override;
  void OnExpectation(const ExpectationEvent& expectation) override;
  void OnError(const ErrorEvent& error) override;
  void OnUnanswered(const UnansweredEvent& unanswered) override;
  void OnSummary(const SummaryEvent& summary) override;

 private:
  void Write(const nlohmann::ordered_json& object);

  std::ostream& out_;
  const bool verbose_;
};

}  // namespace QevaHost

#endif  // QEVA_HOST_TRANSCRIPT_H_
