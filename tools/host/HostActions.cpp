#include "HostActions.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "HostSession.h"
#include "QevaAd/QevaAdFlutterDisplay.h"
#include "QevaAd/QevaAdFlutterGAMBanner.h"
#include "QevaStandIn/FixedFlutterAd.h"
#include "UIKit/UIKit.h"

namespace QevaHost {

using nlohmann::json;

namespace {

using Check = std::function<std::string(const json&)>;

// Client text may hold bytes that are not UTF-8: they print as U+FFFD instead of throwing.
std::string Dump(const json& value) {
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string Got(const json& argument) {
  return ", got " + Dump(argument);
}

Check NullArgument() {
  return [](const json& argument) {
    return argument.is_null() ? std::string() : "takes no argument (write null)" + Got(argument);
  };
}

Check Milliseconds() {
  return [](const json& argument) {
    return argument.is_number_integer() && argument.get<int64_t>() >= 0
               ? std::string()
               : "must be an integer >= 0 (milliseconds)" + Got(argument);
  };
}

Check Text() {
  return [](const json& argument) {
    return argument.is_string() ? std::string() : "must be a string" + Got(argument);
  };
}

Check Boolean() {
  return [](const json& argument) {
    return argument.is_boolean() ? std::string() : "must be true or false" + Got(argument);
  };
}

// One of |names|; |or_null| also lets the argument be left out.
Check OneOf(std::vector<std::string> names, bool or_null = false) {
  return [names, or_null](const json& argument) {
    if (or_null && argument.is_null()) {
      return std::string();
    }
    if (argument.is_string()) {
      for (const std::string& name : names) {
        if (argument.get<std::string>() == name) {
          return std::string();
        }
      }
    }
    std::string list;
    for (const std::string& name : names) {
      list += (list.empty() ? "" : ", ") + ("\"" + name + "\"");
    }
    return "must be one of " + list + (or_null ? " or null" : "") + Got(argument);
  };
}

Check Inventory() {
  return [](const json& argument) {
    if (!argument.is_object()) {
      return "must be an inventory object (tag id to an array of ads)" + Got(argument);
    }
    QevaStandIn::Inventory inventory;
    std::string error;
    return inventory.loadJson(Dump(argument), &error) ? std::string() : error;
  };
}

const std::map<std::string, Qeva::QevaSDKError::Code>& ErrorCodes() {
  using Code = Qeva::QevaSDKError::Code;
  static const auto* codes = new std::map<std::string, Code>{
      {"executionStopped", Code::executionStopped},
      {"prepareQevaAdFailed", Code::prepareQevaAdFailed},
      {"noFill", Code::noFill},
      {"initializationFailed", Code::initializationFailed},
      {"redirectFailed", Code::redirectFailed},
  };
  return *codes;
}

template <typename T>
std::vector<std::string> Keys(const std::map<std::string, T>& map) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : map) {
    keys.push_back(key);
  }
  return keys;
}

const std::map<std::string, QevaStandIn::AdEvent>& AdEvents() {
  using QevaStandIn::AdEvent;
  static const auto* events = new std::map<std::string, AdEvent>{
      {"ready", AdEvent::ready}, {"render", AdEvent::render}, {"refresh", AdEvent::refresh},
      {"error", AdEvent::error}, {"click", AdEvent::click},   {"close", AdEvent::close},
  };
  return *events;
}

std::string CheckFire(const json& argument) {
  if (!argument.is_object()) {
    return "must be an object {\"adSpaceId\": ..., \"event\": ...}" + Got(argument);
  }
  for (const auto& [key, value] : argument.items()) {
    if (key != "adSpaceId" && key != "adSpace" && key != "event") {
      return "\"" + key + "\": unknown member (known: adSpaceId, adSpace, event)";
    }
  }
  const bool by_id = argument.contains("adSpaceId");
  const bool by_number = argument.contains("adSpace");
  if (by_id == by_number) {
    return "name the ad space by \"adSpaceId\" (the plugin's id) or \"adSpace\" (the SDK's "
           "number), not both or neither";
  }
  if (by_id && !argument["adSpaceId"].is_string()) {
    return "\"adSpaceId\": must be a string" + Got(argument["adSpaceId"]);
  }
  if (by_number && !(argument["adSpace"].is_number_integer() && argument["adSpace"] > 0)) {
    return "\"adSpace\": must be an integer >= 1" + Got(argument["adSpace"]);
  }
  if (!argument.contains("event")) {
    return "\"event\": missing";
  }
  std::string error = OneOf(
      {"ready", "render", "refresh", "error", "click", "close", "loadFailure"})(argument["event"]);
  return error.empty() ? error : "\"event\": " + error;
}

// The renderer |ad_space| holds reports a failed load to the SDK, as a renderer does when its
// ad cannot be shown: the SDK goes on to the fallback ad, or ends in the error event.
ActionResult ReportLoadFailure(HostSession& session, QevaStandIn::AdSpace& ad_space) {
  const std::shared_ptr<Qeva::QevaAd> ad = ad_space.heldAd();
  if (!ad) {
    return {false, ad_space.name() + " holds no ad"};
  }
  std::shared_ptr<Qeva::QevaAdDelegate> delegate;
  if (const auto* display = dynamic_cast<const QevaFlutter::QevaAdFlutterDisplay*>(ad.get())) {
    delegate = display->delegate();
  } else if (const auto* gam = dynamic_cast<const QevaFlutter::QevaAdFlutterGAMBanner*>(ad.get())) {
    delegate = gam->delegate();
  }
  const std::string renderer = session.sdk().nameOf(*ad);
  if (!delegate) {
    return {false, renderer + " of " + ad_space.name() + " has no SDK delegate to report to"};
  }
  delegate->onLoadFailure(*ad, Qeva::QevaSDKError(Qeva::QevaSDKError::Code::prepareQevaAdFailed));
  return {true, "load failure of " + renderer + " on " + ad_space.name()};
}

ActionResult Fire(HostSession& session, const json& argument) {
  std::shared_ptr<QevaStandIn::AdSpace> ad_space;
  if (argument.contains("adSpaceId")) {
    ad_space = session.adSpace(argument["adSpaceId"].get<std::string>());
    if (!ad_space) {
      return {false, "the plugin keeps no ad space under that id"};
    }
  } else {
    ad_space = session.sdk().adSpace(argument["adSpace"].get<uint64_t>());
    if (!ad_space) {
      return {false, "the SDK has no live adSpace#" + Dump(argument["adSpace"])};
    }
  }
  if (argument["event"] == "loadFailure") {
    return ReportLoadFailure(session, *ad_space);
  }
  const QevaStandIn::AdEvent event = AdEvents().at(argument["event"].get<std::string>());
  ad_space->fireEvent(event);
  return {true, std::string(QevaStandIn::AdEventName(event)) + " on " + ad_space->name()};
}

std::string CheckServeStill(const json& argument) {
  if (!argument.is_object()) {
    return "must be an object {\"adSpace\": N, \"response\": \"...\"}" + Got(argument);
  }
  for (const auto& [key, value] : argument.items()) {
    if (key != "adSpace" && key != "response") {
      return "\"" + key + "\": unknown member (known: adSpace, response)";
    }
  }
  if (!(argument.contains("adSpace") && argument["adSpace"].is_number_integer() &&
        argument["adSpace"] > 0)) {
    return "\"adSpace\": must be an integer >= 1" + Got(argument.value("adSpace", json()));
  }
  if (argument.contains("response") && !argument["response"].is_string()) {
    return "\"response\": must be a string" + Got(argument["response"]);
  }
  return std::string();
}

// adSpace#N holds a FixedFlutterAd and reports it ready.
ActionResult ServeStill(HostSession& session, const json& argument) {
  const std::shared_ptr<QevaStandIn::AdSpace> ad_space =
      session.sdk().adSpace(argument["adSpace"].get<uint64_t>());
  if (!ad_space) {
    return {false, "the SDK has no live adSpace#" + Dump(argument["adSpace"])};
  }
  ad_space->setQevaAd(
      std::make_shared<QevaStandIn::FixedFlutterAd>(argument.value("response", "")));
  ad_space->fireAdReady();
  return {true, ad_space->name() + " holds an ad Dart draws that takes no part in refresh"};
}

// The renderer |ad_space| holds tells the SDK it closed, as a renderer does when its ad is
// dismissed: the SDK sends the close event.
ActionResult CloseRenderer(HostSession& session, const json& argument) {
  const std::shared_ptr<QevaStandIn::AdSpace> ad_space =
      session.sdk().adSpace(argument.get<uint64_t>());
  if (!ad_space) {
    return {false, "the SDK has no live adSpace#" + Dump(argument)};
  }
  const std::shared_ptr<Qeva::QevaAd> ad = ad_space->heldAd();
  if (!ad) {
    return {false, ad_space->name() + " holds no ad"};
  }
  std::shared_ptr<Qeva::QevaAdDelegate> delegate;
  if (const auto* display = dynamic_cast<const QevaFlutter::QevaAdFlutterDisplay*>(ad.get())) {
    delegate = display->delegate();
  } else if (const auto* gam = dynamic_cast<const QevaFlutter::QevaAdFlutterGAMBanner*>(ad.get())) {
    delegate = gam->delegate();
  }
  const std::string renderer = session.sdk().nameOf(*ad);
  if (!delegate) {
    return {false, renderer + " of " + ad_space->name() + " has no SDK delegate to report to"};
  }
  delegate->onClose(*ad);
  return {true, renderer + " of " + ad_space->name() + " closed"};
}

// An ad space the SDK made by itself, never handed to the plugin, whose events still reach the
// plugin's delegate: what the plugin does with an ad space it never stored.
ActionResult FireUnstored(HostSession& session, const json& argument) {
  const std::shared_ptr<Qeva::QevaAdSpace> made =
      Qeva::QevaManager::shared().createQevaAdSpace("unstored");
  const auto ad_space = std::dynamic_pointer_cast<QevaStandIn::AdSpace>(made);
  if (!ad_space) {
    return {false, "the SDK made no ad space"};
  }
  ad_space->setAdEventDelegate(session.manager().weak_from_this());
  const QevaStandIn::AdEvent event = AdEvents().at(argument.get<std::string>());
  ad_space->fireEvent(event);
  return {true, std::string(QevaStandIn::AdEventName(event)) + " on " + ad_space->name() +
                    ", which the plugin never stored"};
}

ActionResult FinishClickThrough(HostSession& session, const json& argument) {
  QevaStandIn::ClickThrough* click_through =
      argument.is_null() ? session.sdk().lastClickThrough()
                         : session.sdk().clickThrough(argument.get<uint64_t>());
  if (click_through == nullptr) {
    return {false, "no such click-through"};
  }
  if (!click_through->hasPendingReports()) {
    return {true, click_through->name() + " had nothing left to report"};
  }
  click_through->finishNow();
  return {true, click_through->name() + " finished"};
}

const std::map<std::string, Qeva::QevaCTAaction>& ClickThroughActions() {
  using Action = Qeva::QevaCTAaction;
  static const auto* actions = new std::map<std::string, Action>{
      {"openedInEmbeddedBrowser", Action::openedInEmbeddedBrowser},
      {"openedInExternalBrowser", Action::openedInExternalBrowser},
      {"openedInApp", Action::openedInApp},
  };
  return *actions;
}

std::string CheckClickThroughReport(const json& argument) {
  if (!argument.is_object()) {
    return "must be an object {\"report\": ..., \"clickThrough\": N, \"action\": ...}" +
           Got(argument);
  }
  for (const auto& [key, value] : argument.items()) {
    if (key != "report" && key != "clickThrough" && key != "action") {
      return "\"" + key + "\": unknown member (known: report, clickThrough, action)";
    }
  }
  if (!argument.contains("report")) {
    return "\"report\": missing";
  }
  std::string error = OneOf({"successRedirect", "failureRedirect", "complete"})(argument["report"]);
  if (!error.empty()) {
    return "\"report\": " + error;
  }
  if (argument.contains("clickThrough") &&
      !(argument["clickThrough"].is_number_integer() && argument["clickThrough"] > 0)) {
    return "\"clickThrough\": must be a click-through number >= 1" + Got(argument["clickThrough"]);
  }
  if (argument.contains("action")) {
    if (argument["report"] != "successRedirect") {
      return "\"action\": only a successRedirect report has one";
    }
    error = OneOf(Keys(ClickThroughActions()))(argument["action"]);
    return error.empty() ? error : "\"action\": " + error;
  }
  return std::string();
}

ActionResult ReportClickThrough(HostSession& session, const json& argument) {
  QevaStandIn::ClickThrough* click_through =
      argument.contains("clickThrough")
          ? session.sdk().clickThrough(argument["clickThrough"].get<uint64_t>())
          : session.sdk().lastClickThrough();
  if (click_through == nullptr) {
    return {false, "no such click-through"};
  }
  const std::string report = argument["report"].get<std::string>();
  if (report == "successRedirect") {
    const std::string action = argument.value("action", "openedInEmbeddedBrowser");
    click_through->reportSuccessRedirect(ClickThroughActions().at(action));
    return {true, click_through->name() + " reported successRedirect (" + action + ")"};
  }
  if (report == "failureRedirect") {
    click_through->reportFailureRedirect(
        Qeva::QevaSDKError(Qeva::QevaSDKError::Code::redirectFailed));
  } else {
    click_through->reportComplete();
  }
  return {true, click_through->name() + " reported " + report};
}

ActionResult RemoveWindow(const json& argument) {
  UIKit::UIApplication& application = UIKit::UIApplication::sharedApplication();
  const std::string part = argument.is_null() ? "window" : argument.get<std::string>();
  std::shared_ptr<UIKit::UIApplicationDelegate> delegate = application.delegate();
  if (part == "delegate") {
    application.setDelegate(nullptr);
    return {true, "the application has no delegate"};
  }
  if (!delegate) {
    return {true, "the application has no delegate already"};
  }
  if (part == "windowOperation") {
    delegate->setRespondsToWindow(false);
    return {true, "the application delegate does not respond to window"};
  }
  if (part == "rootViewController") {
    if (delegate->window()) {
      delegate->window()->setRootViewController(nullptr);
    }
    return {true, "the window has no root view controller"};
  }
  delegate->setWindow(nullptr);
  return {true, "the application delegate has no window"};
}

std::vector<HostAction> StandardActions() {
  std::vector<HostAction> actions;
  actions.push_back({"advance", "ms", "let virtual time pass, running timers as they fall due",
                     Milliseconds(), [](HostSession& session, const json& argument) {
                       const AdvanceOutcome advanced = session.Advance(argument.get<int64_t>());
                       const std::string now = "t=" + std::to_string(session.now()) + "ms";
                       if (advanced.stopped) {
                         return ActionResult{false, "stopped by a signal at " + now};
                       }
                       if (advanced.capped) {
                         return ActionResult{
                             false, "stopped at " + now + " after " + std::to_string(advanced.ran) +
                                        " timer firings, the most one step runs; time moved "
                                        "only as far as that work"};
                       }
                       return ActionResult{true, "now " + now};
                     }});
  actions.push_back({"runUntilIdle", "null",
                     "run what is due now (done after every step unless \"drain\" is "
                     "\"manual\")",
                     NullArgument(), [](HostSession& session, const json&) {
                       const size_t ran = session.sdk().runLoop().runUntilIdle();
                       return ActionResult{true, "ran " + std::to_string(ran) + " task(s)"};
                     }});
  actions.push_back({"finishClickThrough", "null | N",
                     "deliver the latest (or ctaHandler#N's) click-through reports now",
                     [](const json& argument) {
                       return argument.is_null() || (argument.is_number_integer() && argument > 0)
                                  ? std::string()
                                  : "must be null or a click-through number >= 1" + Got(argument);
                     },
                     FinishClickThrough});
  actions.push_back(
      {"refuseTag", "\"tagId\"", "make the SDK create no ad space for a tag id", Text(),
       [](HostSession& session, const json& argument) {
         session.RefuseTag(argument.get<std::string>());
         return ActionResult{true, "createQevaAdSpace answers nil for " + Dump(argument)};
       }});
  actions.push_back(
      {"failNextLoad", "null | \"code\"", "make the next fetch end in the error event",
       OneOf(Keys(ErrorCodes()), true), [](HostSession& session, const json& argument) {
         const std::string code = argument.is_null() ? "noFill" : argument.get<std::string>();
         session.sdk().failNextLoad(ErrorCodes().at(code));
         return ActionResult{true, "the next fetch fails with QevaSDKError." + code};
       }});
  actions.push_back({"setInventory", "{tag: [ad, ...]}",
                     "replace the ads the SDK serves (the stand-in's inventory JSON)", Inventory(),
                     [](HostSession& session, const json& argument) {
                       std::string error;
                       if (!session.LoadInventory(argument, true, &error)) {
                         return ActionResult{false, error};
                       }
                       return ActionResult{true, "inventory replaced"};
                     }});
  actions.push_back({"addInventory", "{tag: [ad, ...]}", "add ads to the inventory", Inventory(),
                     [](HostSession& session, const json& argument) {
                       std::string error;
                       if (!session.LoadInventory(argument, false, &error)) {
                         return ActionResult{false, error};
                       }
                       return ActionResult{true, "inventory extended"};
                     }});
  actions.push_back({"removeWindow",
                     "null | \"window\" | \"rootViewController\" | \"delegate\" | "
                     "\"windowOperation\"",
                     "take the application's window (or a part of the way to it) away",
                     OneOf({"window", "rootViewController", "delegate", "windowOperation"}, true),
                     [](HostSession&, const json& argument) { return RemoveWindow(argument); }});
  actions.push_back({"restoreWindow", "null",
                     "give the application back a delegate, window and root view controller",
                     NullArgument(), [](HostSession&, const json&) {
                       UIKit::UIApplication::sharedApplication().restoreDefaultScene();
                       return ActionResult{true, "window restored"};
                     }});
  actions.push_back({"fire", "{\"adSpaceId\" | \"adSpace\", \"event\"}",
                     "fire an ad-space event by hand: ready, render, refresh, error, click, "
                     "close, or loadFailure (its renderer's failed load)",
                     CheckFire, Fire});
  actions.push_back({"reportClickThrough",
                     "{\"report\": \"successRedirect\" | \"failureRedirect\" | \"complete\", "
                     "\"clickThrough\": N, \"action\"}",
                     "report to the latest (or ctaHandler#N's) click-through delegate, now",
                     CheckClickThroughReport, ReportClickThrough});
  actions.push_back(
      {"initReport",
       "\"successLater\" | \"successAtOnce\" | \"failureLater\" | "
       "\"failureAtOnce\" | \"never\"",
       "how the SDK answers initialize from now on",
       OneOf({"successLater", "successAtOnce", "failureLater", "failureAtOnce", "never"}),
       [](HostSession& session, const json& argument) {
         static const std::map<std::string, QevaStandIn::InitReport> reports = {
             {"successLater", QevaStandIn::InitReport::successLater},
             {"successAtOnce", QevaStandIn::InitReport::successAtOnce},
             {"failureLater", QevaStandIn::InitReport::failureLater},
             {"failureAtOnce", QevaStandIn::InitReport::failureAtOnce},
             {"never", QevaStandIn::InitReport::never}};
         session.sdk().setInitializationReport(reports.at(argument.get<std::string>()));
         return ActionResult{true, "initialize reports " + argument.get<std::string>()};
       }});
  actions.push_back({"reportInit", "\"success\" | \"failure\"",
                     "report the start-up outcome to the latest initialize's delegate, now",
                     OneOf({"success", "failure"}), [](HostSession& session, const json& argument) {
                       if (argument == "success") {
                         session.sdk().reportInitializationSuccess();
                       } else {
                         session.sdk().reportInitializationFailure();
                       }
                       return ActionResult{true, "reported " + argument.get<std::string>()};
                     }});
  actions.push_back(
      {"delivery", "\"posted\" | \"synchronous\"",
       "whether a fetch ends at a later drain (posted) or inside process()",
       OneOf({"posted", "synchronous"}), [](HostSession& session, const json& argument) {
         session.sdk().setDelivery(argument == "posted" ? QevaStandIn::Delivery::posted
                                                        : QevaStandIn::Delivery::synchronous);
         return ActionResult{true, "fetches are " + argument.get<std::string>()};
       }});
  actions.push_back({"fetchDelay", "ms", "virtual time a posted fetch takes", Milliseconds(),
                     [](HostSession& session, const json& argument) {
                       session.sdk().setFetchDelayMs(argument.get<int64_t>());
                       return ActionResult{true, "fetches take " + Dump(argument) + "ms"};
                     }});
  actions.push_back(
      {"clickThroughDelay", "ms", "virtual time from opening a click-through to its completion",
       Milliseconds(), [](HostSession& session, const json& argument) {
         session.sdk().setClickThroughCompleteDelayMs(argument.get<int64_t>());
         return ActionResult{true, "click-throughs complete after " + Dump(argument) + "ms"};
       }});
  actions.push_back({"clickThroughSimulation", "true | false",
                     "whether an opened click-through reports by itself", Boolean(),
                     [](HostSession& session, const json& argument) {
                       session.sdk().setClickThroughSimulation(argument.get<bool>());
                       return ActionResult{true, argument.get<bool>()
                                                     ? "click-throughs report by themselves"
                                                     : "click-throughs wait for reports by hand"};
                     }});
  actions.push_back(
      {"reuseAdSpace", "N", "make the SDK hand out adSpace#N again for the next AdRequest",
       [](const json& argument) {
         return argument.is_number_integer() && argument > 0
                    ? std::string()
                    : "must be an ad-space number >= 1" + Got(argument);
       },
       [](HostSession& session, const json& argument) {
         std::shared_ptr<QevaStandIn::AdSpace> ad_space =
             session.sdk().adSpace(argument.get<uint64_t>());
         if (!ad_space) {
           return ActionResult{false, "the SDK has no live adSpace#" + Dump(argument)};
         }
         const std::string name = ad_space->name();
         session.sdk().reuseAdSpaceForNextCreate(std::move(ad_space));
         return ActionResult{true, "the next ad space created is " + name};
       }});
  actions.push_back({"fireUnstored", "\"event\"",
                     "fire an ad-space event from an ad space the SDK made by itself, which the "
                     "plugin never stored",
                     OneOf({"ready", "render", "refresh", "error", "click", "close"}),
                     FireUnstored});
  actions.push_back({"closeRenderer", "N",
                     "the renderer adSpace#N holds reports that it closed (the SDK sends the "
                     "close event)",
                     [](const json& argument) {
                       return argument.is_number_integer() && argument > 0
                                  ? std::string()
                                  : "must be an ad-space number >= 1" + Got(argument);
                     },
                     CloseRenderer});
  actions.push_back({"serveStill", "{\"adSpace\": N, \"response\"}",
                     "adSpace#N holds an ad of a Dart-drawn class that takes no part in refresh, "
                     "and reports it ready",
                     CheckServeStill, ServeStill});
  actions.push_back({"channels", "null", "report the channels the plugin opened, in that order",
                     NullArgument(), [](HostSession& session, const json&) {
                       std::string names;
                       for (const std::string& channel : session.channels()) {
                         names += (names.empty() ? "" : ", ") + channel;
                       }
                       return ActionResult{true, "channels: " + names, true};
                     }});
  actions.push_back(
      {"reportInitUnasked", "\"success\" | \"failure\"",
       "the SDK reports a start-up outcome to the plugin with no start-up call "
       "made",
       OneOf({"success", "failure"}), [](HostSession& session, const json& argument) {
         if (argument == "success") {
           session.manager().onSuccess();
         } else {
           session.manager().onFailure(
               Qeva::QevaSDKError(Qeva::QevaSDKError::Code::initializationFailed));
         }
         return ActionResult{true, "reported " + argument.get<std::string>() + " unasked"};
       }});
  return actions;
}

}  // namespace

const HostActions& HostActions::Standard() {
  static const HostActions* actions = new HostActions(StandardActions());
  return *actions;
}

const HostAction* HostActions::Find(const std::string& name) const {
  for (const HostAction& action : actions_) {
    if (action.name == name) {
      return &action;
    }
  }
  return nullptr;
}

std::string HostActions::Names() const {
  std::string names;
  for (const HostAction& action : actions_) {
    names += (names.empty() ? "" : ", ") + action.name;
  }
  return names;
}

ActionResult HostActions::Run(HostSession& session, const std::string& name,
                              const json& argument) const {
  const HostAction* action = Find(name);
  if (action == nullptr) {
    return {false, "no host action \"" + name + "\" (known: " + Names() + ")"};
  }
  const std::string error = action->check(argument);
  if (!error.empty()) {
    return {false, "\"" + name + "\": " + error};
  }
  return action->run(session, argument);
}

}  // namespace QevaHost
