#include "Transcript.h"

#include <set>

#include "DartValues.h"
#include "headless/DartReply.h"

namespace QevaHost {

using nlohmann::json;
using QevaStandIn::JournalEntry;

namespace {

// Machine output keeps "type" first, as written.
using Object = nlohmann::ordered_json;

std::string Time(Millis time) {
  return "t=" + std::to_string(time) + "ms";
}

}  // namespace

const char* TrackerKindName(TrackerEvent::Kind kind) {
  switch (kind) {
    case TrackerEvent::Kind::request:
      return "request";
    case TrackerEvent::Kind::refused:
      return "refused";
    case TrackerEvent::Kind::hit:
      return "hit";
    case TrackerEvent::Kind::response:
      return "response";
    case TrackerEvent::Kind::failed:
      return "failed";
    case TrackerEvent::Kind::abandoned:
      return "abandoned";
  }
  return "";
}

const char* JournalKindName(JournalEntry::Kind kind) {
  switch (kind) {
    case JournalEntry::Kind::command:
      return "command";
    case JournalEntry::Kind::query:
      return "query";
    case JournalEntry::Kind::callback:
      return "callback";
  }
  return "";
}

std::string Reply::ToString() const {
  switch (kind) {
    case Kind::success:
      return headless::ToString(value);
    case Kind::error: {
      std::string text =
          "error " + code + " " + headless::ToString(flutter::EncodableValue(message));
      if (!details.IsNull()) {
        text += " details " + headless::ToString(details);
      }
      return text;
    }
    case Kind::notImplemented:
      return "not implemented";
    case Kind::undecodable:
      break;
  }
  return "undecodable reply";
}

json Reply::ToJson() const {
  switch (kind) {
    case Kind::success:
      return {{"kind", "success"}, {"value", QevaHost::ToJson(value)}};
    case Kind::error:
      return {{"kind", "error"},
              {"code", code},
              {"message", message},
              {"details", QevaHost::ToJson(details)}};
    case Kind::notImplemented:
      return {{"kind", "notImplemented"}};
    case Kind::undecodable:
      break;
  }
  return {{"kind", "undecodable"}};
}

bool IsNotable(const JournalEntry& entry) {
  if (entry.kind == JournalEntry::Kind::query) {
    return false;
  }
  // Plumbing: how a request is built and sent, and which delegate is set.
  static const std::set<std::string> kPlumbing = {
      "setAdEventDelegate", "createQevaAdspotRequestBuilder", "addAdSpace", "build"};
  if (entry.kind == JournalEntry::Kind::command && kPlumbing.count(entry.operation) > 0) {
    return false;
  }
  return true;
}

// --- TextTranscript

std::string TextTranscript::Painted(Paint paint, const std::string& text) const {
  if (!colour_ || paint == Paint::none) {
    return text;
  }
  const char* code = "";
  switch (paint) {
    case Paint::none:
      break;
    case Paint::bold:
      code = "1";
      break;
    case Paint::dim:
      code = "2";
      break;
    case Paint::call:
      code = "36";
      break;
    case Paint::success:
      code = "32";
      break;
    case Paint::failure:
      code = "1;31";
      break;
    case Paint::warning:
      code = "33";
      break;
    case Paint::network:
      code = "35";
      break;
  }
  return std::string("\x1b[") + code + "m" + text + "\x1b[0m";
}

void TextTranscript::Line(const std::string& text) {
  out_ << text << '\n';
}

void TextTranscript::ShowTime(Millis time) {
  if (time != shown_time_) {
    shown_time_ = time;
    Line(Painted(Paint::dim, "  · " + Time(time)));
  }
}

void TextTranscript::OnHeader(const RunHeader& header) {
  Line(Painted(Paint::bold, "qeva-host: " + header.scenario + ", seed " +
                                std::to_string(header.seed) + ", " +
                                (header.realTime ? "real time" : "virtual time")));
}

void TextTranscript::OnStep(const StepEvent& step) {
  step_ = step.index;
  shown_time_ = step.time;
  Line("");
  Line(Painted(Paint::bold, "step " + std::to_string(step.index) + " · " + Time(step.time) + " · " +
                                (step.name.empty() ? step.what : step.name)));
}

void TextTranscript::OnAction(const ActionEvent& action) {
  ShowTime(action.time);
  std::string text = "  ▸ " + action.name;
  if (!action.argument.is_null()) {
    text += " " + action.argument.dump();
  }
  Line(text);
}

void TextTranscript::OnActionReport(const std::string&, const std::string& report) {
  Line("    " + report);
}

void TextTranscript::OnCall(const CallEvent& call) {
  ShowTime(call.time);
  Line(Painted(Paint::call, "  → #" + std::to_string(call.number) + " " + call.channel + "." +
                                call.method + " " + headless::ToString(call.arguments)));
}

void TextTranscript::OnReply(const ReplyEvent& reply) {
  ShowTime(reply.time);
  std::string text = "  ← #" + std::to_string(reply.number) + " " + reply.method;
  // A late reply names the step that made the call.
  if (reply.step != step_) {
    text += " (from step " + std::to_string(reply.step) + ")";
  }
  text += ": " + reply.reply.ToString();
  if (reply.replyCount > 1) {
    text += " (answered " + std::to_string(reply.replyCount) + " times)";
  }
  const Paint paint = reply.reply.kind == Reply::Kind::success ? Paint::success
                      : reply.reply.kind == Reply::Kind::error ? Paint::failure
                                                               : Paint::warning;
  Line(Painted(paint, text));
}

void TextTranscript::OnRelease(const ReleaseEvent& release) {
  if (!verbose_) {
    return;
  }
  ShowTime(release.time);
  Line(Painted(Paint::warning, "    ⨯ #" + std::to_string(release.number) + " " + release.method +
                                   " released unanswered"));
}

void TextTranscript::OnLog(const LogEvent& log) {
  ShowTime(log.time);
  std::string text = "    log " + log.line.Summary();
  if (verbose_) {
    text += " (" + log.line.file + ":" + std::to_string(log.line.line) + ")";
  }
  Line(log.line.level == Qeva::QevaLogType::error ? Painted(Paint::warning, text) : text);
}

void TextTranscript::OnJournal(const JournalEvent& journal) {
  if (!journal.notable && !verbose_) {
    return;
  }
  ShowTime(journal.time);
  Line(Painted(Paint::dim, "    sdk " + journal.entry.ToString()));
}

void TextTranscript::OnTracker(const TrackerEvent& tracker) {
  ShowTime(tracker.time);
  std::string text = "    net ";
  switch (tracker.kind) {
    case TrackerEvent::Kind::request:
      text += "tracker request: GET " + tracker.url + " (" + tracker.detail + ")";
      break;
    case TrackerEvent::Kind::refused:
      text += "tracker refused: " + tracker.url + ": " + tracker.detail;
      break;
    case TrackerEvent::Kind::hit:
      text += "tracker hit: GET " + tracker.path + " → " + std::to_string(tracker.status);
      break;
    case TrackerEvent::Kind::response:
      text += "tracker response: GET " + tracker.url + " → " + std::to_string(tracker.status);
      break;
    case TrackerEvent::Kind::failed:
      text += "tracker failed: GET " + tracker.url + ": " + tracker.detail;
      break;
    case TrackerEvent::Kind::abandoned:
      text += "tracker abandoned: GET " + tracker.url + ": " + tracker.detail;
      break;
  }
  const bool bad = tracker.kind == TrackerEvent::Kind::refused ||
                   tracker.kind == TrackerEvent::Kind::failed ||
                   tracker.kind == TrackerEvent::Kind::abandoned;
  Line(Painted(bad ? Paint::warning : Paint::network, text));
}

void TextTranscript::OnExpectation(const ExpectationEvent& expectation) {
  if (expectation.ok && !verbose_) {
    return;
  }
  if (!expectations_heading_) {
    expectations_heading_ = true;
    Line("");
    Line(Painted(Paint::bold, "expectations"));
  }
  if (expectation.ok) {
    Line(Painted(Paint::success, "  ✓ " + expectation.stepLabel + ": " + expectation.got));
    return;
  }
  Line(Painted(Paint::failure,
               "  ✗ " + expectation.stepLabel + " (#" + std::to_string(expectation.call) + ")"));
  Line("      expected " + expectation.expected);
  Line("      got      " + expectation.got);
}

void TextTranscript::OnError(const ErrorEvent& error) {
  Line(Painted(Paint::failure, "  ✗ " + error.stepLabel + ": " + error.message));
}

void TextTranscript::OnUnanswered(const UnansweredEvent& unanswered) {
  if (!unanswered_heading_) {
    unanswered_heading_ = true;
    Line("");
    Line(Painted(Paint::bold, "never answered"));
  }
  Line("  #" + std::to_string(unanswered.number) + " " + unanswered.channel + "." +
       unanswered.method + ", " + unanswered.stepLabel + ": " + unanswered.detail);
}

void TextTranscript::OnSummary(const SummaryEvent& summary) {
  Line("");
  std::string text = std::to_string(summary.steps) + " steps, " + std::to_string(summary.calls) +
                     " calls (" + std::to_string(summary.answered) + " answered, " +
                     std::to_string(summary.unanswered) + " never answered), " + Time(summary.time);
  if (summary.expectationsPassed + summary.expectationsFailed > 0) {
    text += "; expectations: " + std::to_string(summary.expectationsPassed) + " met, " +
            std::to_string(summary.expectationsFailed) + " failed";
  }
  Line(text);
  if (!summary.error.empty()) {
    Line(Painted(Paint::failure, "FAILED: " + summary.error));
  } else if (summary.expectationsFailed > 0) {
    Line(Painted(Paint::failure, "FAILED: " + std::to_string(summary.expectationsFailed) +
                                     " expectation(s) not met"));
  }
  out_.flush();
}

// --- JsonTranscript

void JsonTranscript::Write(const nlohmann::ordered_json& object) {
  out_ << object.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
}

void JsonTranscript::OnHeader(const RunHeader& header) {
  Write(Object{{"type", "header"},
               {"scenario", header.scenario},
               {"seed", header.seed},
               {"realTime", header.realTime}});
}

void JsonTranscript::OnStep(const StepEvent& step) {
  Write(Object{{"type", "step"},
               {"step", step.index},
               {"name", step.name},
               {"what", step.what},
               {"time", step.time}});
}

void JsonTranscript::OnActionReport(const std::string& action, const std::string& report) {
  Write(Object{{"type", "actionReport"}, {"action", action}, {"report", report}});
}

void JsonTranscript::OnAction(const ActionEvent& action) {
  Write(Object{{"type", "action"},
               {"action", action.name},
               {"argument", action.argument},
               {"time", action.time}});
}

void JsonTranscript::OnCall(const CallEvent& call) {
  Write(Object{{"type", "call"},
               {"call", call.number},
               {"step", call.step},
               {"channel", call.channel},
               {"method", call.method},
               {"arguments", ToJson(call.arguments)},
               {"time", call.time}});
}

void JsonTranscript::OnReply(const ReplyEvent& reply) {
  Object object = {{"type", "reply"},        {"call", reply.number},
                   {"step", reply.step},     {"channel", reply.channel},
                   {"method", reply.method}, {"reply", reply.reply.ToJson()},
                   {"time", reply.time}};
  if (reply.replyCount > 1) {
    object["replyCount"] = reply.replyCount;
  }
  Write(object);
}

void JsonTranscript::OnRelease(const ReleaseEvent& release) {
  Write(Object{{"type", "release"},
               {"call", release.number},
               {"channel", release.channel},
               {"method", release.method},
               {"time", release.time}});
}

void JsonTranscript::OnLog(const LogEvent& log) {
  Write(Object{{"type", "log"},
               {"level", Qeva::QevaLogTypeName(log.line.level)},
               {"function", log.line.function},
               {"message", log.line.message},
               {"file", log.line.file},
               {"line", log.line.line},
               {"time", log.time}});
}

void JsonTranscript::OnJournal(const JournalEvent& journal) {
  if (!journal.notable && !verbose_) {
    return;
  }
  Write(Object{{"type", "sdk"},
               {"kind", JournalKindName(journal.entry.kind)},
               {"entry", journal.entry.ToString()},
               {"time", journal.time}});
}

void JsonTranscript::OnTracker(const TrackerEvent& tracker) {
  Object object = {{"type", "tracker"},
                   {"kind", TrackerKindName(tracker.kind)},
                   {"url", tracker.url},
                   {"time", tracker.time}};
  if (!tracker.path.empty()) {
    object["path"] = tracker.path;
  }
  if (tracker.status != 0) {
    object["status"] = tracker.status;
  }
  if (!tracker.detail.empty()) {
    object["detail"] = tracker.detail;
  }
  Write(object);
}

void JsonTranscript::OnExpectation(const ExpectationEvent& expectation) {
  Write(Object{{"type", "expectation"},
               {"step", expectation.step},
               {"label", expectation.stepLabel},
               {"call", expectation.call},
               {"ok", expectation.ok},
               {"expected", expectation.expected},
               {"got", expectation.got}});
}

void JsonTranscript::OnError(const ErrorEvent& error) {
  Write(Object{{"type", "error"},
               {"step", error.step},
               {"label", error.stepLabel},
               {"message", error.message}});
}

void JsonTranscript::OnUnanswered(const UnansweredEvent& unanswered) {
  Write(Object{{"type", "unanswered"},
               {"call", unanswered.number},
               {"step", unanswered.step},
               {"channel", unanswered.channel},
               {"method", unanswered.method},
               {"reason", unanswered.reason},
               {"detail", unanswered.detail}});
}

void JsonTranscript::OnSummary(const SummaryEvent& summary) {
  Write(Object{{"type", "summary"},
               {"steps", summary.steps},
               {"calls", summary.calls},
               {"answered", summary.answered},
               {"unanswered", summary.unanswered},
               {"expectationsMet", summary.expectationsPassed},
               {"expectationsFailed", summary.expectationsFailed},
               {"error", summary.error},
               {"ok", summary.ok()},
               {"time", summary.time}});
  out_.flush();
}

}  // namespace QevaHost
