#include "ScenarioRunner.h"

#include <cctype>
#include <map>
#include <utility>

#include "DartValues.h"
#include "headless/DartReply.h"

namespace QevaHost {

using flutter::EncodableValue;
using nlohmann::json;

namespace {

bool AllDigits(const std::string& text) {
  if (text.empty()) {
    return false;
  }
  for (char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) {
      return false;
    }
  }
  return true;
}

class Run {
 public:
  Run(const Scenario& scenario, HostSession& session, const HostActions& actions,
      TranscriptSink& sink)
      : scenario_(scenario), session_(session), actions_(actions), sink_(sink) {}

  SummaryEvent Go() {
    const SessionOptions& options = session_.options();
    sink_.OnHeader({scenario_.source, options.seed, options.realTime});
    SummaryEvent summary;
    std::string error;
    if (scenario_.inventory && !session_.LoadInventory(*scenario_.inventory, true, &error)) {
      summary.error = scenario_.source + ": inventory: " + error;
      sink_.OnError({0, "inventory", error});
    }
    for (const Step& step : scenario_.steps) {
      if (summary.error.empty() && session_.StopRequested()) {
        summary.error = "stopped by a signal before " + step.Label();
        sink_.OnError({step.index, step.Label(), "stopped by a signal"});
      }
      if (!summary.error.empty()) {
        break;
      }
      ++summary.steps;
      session_.BeginStep(step.index);
      sink_.OnStep({step.index, step.name, step.What(), session_.now()});
      if (!RunStep(step, &error)) {
        summary.error = step.Label() + ": " + error;
        sink_.OnError({step.index, step.Label(), error});
      }
      session_.Settle(scenario_.drain == Drain::afterEachStep);
    }
    session_.Finish();

    for (const Unanswered& unanswered : session_.UnansweredCalls()) {
      const HostCall& record = *session_.call(unanswered.number);
      sink_.OnUnanswered({unanswered.number, record.step, LabelOf(record.step), record.channel,
                          record.method, unanswered.reason, unanswered.detail});
    }
    for (const Step& step : scenario_.steps) {
      auto made = step_calls_.find(step.index);
      if (step.expect.kind == Expectation::Kind::none || made == step_calls_.end()) {
        continue;
      }
      const ExpectationEvent checked = Check(step, *session_.call(made->second));
      (checked.ok ? summary.expectationsPassed : summary.expectationsFailed) += 1;
      sink_.OnExpectation(checked);
    }
    for (const HostCall* record : session_.calls()) {
      ++summary.calls;
      (record->reply ? summary.answered : summary.unanswered) += 1;
    }
    summary.time = session_.now();
    sink_.OnSummary(summary);
    return summary;
  }

 private:
  bool RunStep(const Step& step, std::string* error) {
    if (step.call) {
      json channel;
      json method;
      json arguments;
      if (!Resolve(step.call->channel, &channel, error) ||
          !Resolve(step.call->method, &method, error) ||
          !Resolve(step.call->arguments, &arguments, error)) {
        return false;
      }
      EncodableValue value;
      if (!channel.is_string() || !method.is_string()) {
        *error = "the channel and the method must come out as strings";
        return false;
      }
      if (!FromJson(arguments, "call.arguments", &value, error)) {
        return false;
      }
      const int number =
          session_.Call(channel.get<std::string>(), method.get<std::string>(), value);
      step_calls_[step.index] = number;
      if (!step.as.empty()) {
        names_[step.as] = number;
      }
      return true;
    }
    json argument;
    if (!Resolve(step.argument, &argument, error)) {
      return false;
    }
    const HostAction* action = actions_.Find(step.action);
    const std::string why = action->check(argument);
    if (!why.empty()) {
      *error = "\"" + step.action + "\": " + why;
      return false;
    }
    sink_.OnAction({step.action, argument, session_.now()});
    const ActionResult result = action->run(session_, argument);
    if (result.ok && result.report) {
      sink_.OnActionReport(step.action, result.outcome);
    }
    if (!result.ok) {
      *error = step.action + ": " + result.outcome;
    }
    return result.ok;
  }

  // |value| with its "${...}" references filled in and "{sink}" expanded.
  bool Resolve(const json& value, json* out, std::string* error) const {
    if (value.is_structured()) {
      *out = value.is_array() ? json::array() : json::object();
      for (auto element = value.begin(); element != value.end(); ++element) {
        json resolved;
        if (!Resolve(element.value(), &resolved, error)) {
          return false;
        }
        if (value.is_array()) {
          out->push_back(std::move(resolved));
        } else {
          (*out)[session_.ExpandSink(element.key())] = std::move(resolved);
        }
      }
      return true;
    }
    if (!value.is_string()) {
      *out = value;
      return true;
    }
    std::vector<TextPiece> pieces;
    if (!SplitReferences(value.get<std::string>(), &pieces, error)) {
      return false;
    }
    if (pieces.size() == 1 && pieces[0].reference) {
      return Lookup(pieces[0].text, out, error);
    }
    std::string text;
    for (const TextPiece& piece : pieces) {
      if (!piece.reference) {
        text += session_.ExpandSink(piece.text);
        continue;
      }
      json referenced;
      if (!Lookup(piece.text, &referenced, error)) {
        return false;
      }
      text += referenced.is_string() ? referenced.get<std::string>() : referenced.dump();
    }
    *out = text;
    return true;
  }

  // The value "display.adSpaceId" names: a member of the reply of call "display".
  bool Lookup(const std::string& reference, json* out, std::string* error) const {
    const size_t dot = reference.find('.');
    const std::string name = reference.substr(0, dot);
    const std::string shown = "\"${" + reference + "}\"";
    auto named = names_.find(name);
    if (named == names_.end()) {
      *error = shown + ": call \"" + name + "\" was never made";
      return false;
    }
    const HostCall& record = *session_.call(named->second);
    const std::string call = "call \"" + name + "\" (#" + std::to_string(record.number) + ")";
    if (!record.reply) {
      *error = shown + ": " + call + " has no reply yet";
      return false;
    }
    if (record.reply->kind != Reply::Kind::success) {
      *error = shown + ": " + call + " was answered with " + record.reply->ToString();
      return false;
    }
    json value = ToJson(record.reply->value);
    size_t at = dot;
    while (at != std::string::npos) {
      const size_t next = reference.find('.', at + 1);
      const std::string key =
          reference.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
      if (value.is_object() && value.contains(key)) {
        value = json(value[key]);
      } else if (value.is_array() && AllDigits(key) && std::stoul(key) < value.size()) {
        value = json(value[std::stoul(key)]);
      } else {
        *error = shown + ": the reply of " + call + " has no \"" + key + "\"";
        return false;
      }
      at = next;
    }
    *out = std::move(value);
    return true;
  }

  std::string LabelOf(size_t index) const {
    for (const Step& step : scenario_.steps) {
      if (step.index == index) {
        return step.Label();
      }
    }
    return "step " + std::to_string(index);
  }

  ExpectationEvent Check(const Step& step, const HostCall& record) const {
    const Expectation& expect = step.expect;
    ExpectationEvent checked;
    checked.step = step.index;
    checked.stepLabel = step.Label();
    checked.call = record.number;
    if (record.reply) {
      Reply shown = *record.reply;
      shown.value = session_.Printable(shown.value);
      shown.message = session_.Redact(shown.message);
      checked.got = shown.ToString();
    } else {
      checked.got = "no reply";
      for (const Unanswered& unanswered : session_.UnansweredCalls()) {
        if (unanswered.number == record.number) {
          checked.got += " (" + unanswered.detail + ")";
        }
      }
    }
    const bool success = record.reply && record.reply->kind == Reply::Kind::success;
    switch (expect.kind) {
      case Expectation::Kind::none:
        break;
      case Expectation::Kind::never:
        checked.expected = "no reply, ever";
        checked.ok = !record.reply;
        break;
      case Expectation::Kind::error:
        checked.expected =
            "error " + expect.code +
            (expect.message ? " " + headless::ToString(EncodableValue(*expect.message))
                            : std::string());
        checked.ok = record.reply && record.reply->kind == Reply::Kind::error &&
                     record.reply->code == expect.code &&
                     (!expect.message || *expect.message == record.reply->message);
        break;
      case Expectation::Kind::value:
      case Expectation::Kind::includes: {
        json wanted;
        EncodableValue value;
        std::string error;
        if (!Resolve(expect.value, &wanted, &error) ||
            !FromJson(wanted, "expect", &value, &error)) {
          checked.expected = "(" + error + ")";
          break;
        }
        const json expected = ToJson(value);
        const json got = success ? ToJson(record.reply->value) : json();
        checked.expected = headless::ToString(session_.Printable(value));
        if (expect.kind == Expectation::Kind::value) {
          checked.ok = success && got == expected;
          break;
        }
        checked.expected = "a map including " + checked.expected;
        checked.ok = success && got.is_object();
        for (auto member = expected.begin(); checked.ok && member != expected.end(); ++member) {
          checked.ok = got.contains(member.key()) && got[member.key()] == member.value();
        }
        break;
      }
    }
    return checked;
  }

  const Scenario& scenario_;
  HostSession& session_;
  const HostActions& actions_;
  TranscriptSink& sink_;
  std::map<std::string, int> names_;  // "as" name to call number.
  std::map<size_t, int> step_calls_;  // Step index to call number.
};

}  // namespace

SummaryEvent RunScenario(const Scenario& scenario, HostSession& session, const HostActions& actions,
                         TranscriptSink& sink) {
  return Run(scenario, session, actions, sink).Go();
}

}  // namespace QevaHost
