#include <algorithm>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>

#include "Core/CoreFixture.h"
#include "Foundation/UUID.h"

#ifndef QEVA_MODEL_SEQUENCES
#define QEVA_MODEL_SEQUENCES 10000
#endif

namespace QevaFlutter::testing {
namespace {

constexpr int kSequences = QEVA_MODEL_SEQUENCES;
constexpr char kGAMMarkup[] = R"({"adnetwork_params":{"click-url":["https://t.example/1"]}})";
constexpr char kRefusedTag[] = "refused";

enum class AdKind { none, display, gam, foreign, foreignWithoutResponse, native };

std::shared_ptr<Qeva::QevaAd> MakeAd(AdKind kind) {
  switch (kind) {
    case AdKind::display:
      return DisplayAd();
    case AdKind::gam:
      return GAMBanner(kGAMMarkup);
    case AdKind::foreign:
      return std::make_shared<QevaStandIn::FixedFlutterAd>("x");
    case AdKind::foreignWithoutResponse:
      return std::make_shared<QevaStandIn::FixedFlutterAd>(std::nullopt);
    case AdKind::native:
      return NativeAd();
    default:
      return nullptr;
  }
}

// Texts in the ledger are cut at 64 bytes; the model's are ASCII.
std::string Clipped(const std::string& text) {
  return text.size() <= 64 ? text : text.substr(0, 61) + "...";
}

// A messenger over the headless engine that runs a hook right after each reply has reached
// Dart: Dart code that reacts to a reply before the plugin's event has returned.
class ReplyHookMessenger : public flutter::BinaryMessenger {
 public:
  explicit ReplyHookMessenger(headless::HeadlessEngine* engine) : engine_(engine) {}
  void Send(const std::string& channel, const uint8_t* message, size_t message_size,
            flutter::BinaryReply reply) const override {
    engine_->Send(channel, message, message_size, std::move(reply));
  }
  void SetMessageHandler(const std::string& channel,
                         flutter::BinaryMessageHandler handler) override;
  void SetHook(std::function<void()> hook) { *hook_ = std::move(hook); }

 private:
  headless::HeadlessEngine* engine_;  // Not owned; outlives this messenger's handlers.
  std::shared_ptr<std::function<void()>> hook_ = std::make_shared<std::function<void()>>();
};

void ReplyHookMessenger::SetMessageHandler(const std::string& channel,
                                           flutter::BinaryMessageHandler handler) {
  if (!handler) {
    return engine_->SetMessageHandler(channel, nullptr);
  }
  engine_->SetMessageHandler(channel, [handler = std::move(handler), hook = hook_](
                                          const uint8_t* message, size_t size,
                                          flutter::BinaryReply reply) {
    handler(message, size, [reply = std::move(reply), hook](const uint8_t* bytes, size_t length) {
      reply(bytes, length);
      if (auto run = *hook) {
        run();
      }
    });
  });
}

// The plugin on the headless engine, behind a messenger that lets Dart react to each reply
// before the plugin's own call returns.
struct World {
  QevaStandIn::StandInScope standIn;
  headless::HeadlessEngine engine;
  ReplyHookMessenger messenger{&engine};
  std::shared_ptr<QevaFlutterManager> manager = QevaFlutterManager::Create(&messenger);
};

// One random sequence and the model it is checked against. The model knows, for each ad
// space object, the ad it holds; the ids kept for it (adSpaceDict); the call pending under each
// id (adSpaceResults); and, for each Dart call, how it ended or must end.
class ModelRun {
 public:
  explicit ModelRun(uint64_t seed) : random_(seed) {
    Foundation::UUID::SetByteSource([this] { return nextUuid_; });
    world_.standIn.sdk().refuseTagId(kRefusedTag);
    world_.standIn.sdk().setClickThroughSimulation(false);
    world_.messenger.SetHook([this] { ReactToReply(); });
  }
  ~ModelRun() { Foundation::UUID::SetByteSource(nullptr); }

  void Run(int steps) {
    for (int step = 0; step < steps && !::testing::Test::HasFailure(); ++step) {
      SCOPED_TRACE("step " + std::to_string(step));
      Step();
      CheckReplyCounts();
      EXPECT_EQ(PendingIds(*world_.manager->replyLedger()), ModelPendingIds());
    }
    CheckReplies();
    CheckLedger();
  }

 private:
  struct Space {
    std::shared_ptr<QevaStandIn::AdSpace> object;
    AdKind ad = AdKind::none;
    bool refreshable = false;
  };
  struct Call {
    std::string method;
    std::string adSpaceId;  // As the ledger notes it.
    std::string end = "pending";
    std::optional<EncodableValue> value;  // The reply, once answered with a value.
    bool adError = false;
    Reply reply;
    bool answered() const { return value || adError; }
  };

  uint64_t Roll(uint64_t n) { return random_() % n; }
  QevaStandIn::StandIn& sdk() { return world_.standIn.sdk(); }

  void Step() {
    const uint64_t roll = Roll(100);
    if (roll < 45) {
      RandomCall();
    } else if (roll < 80) {
      RandomEvent();
    } else if (roll < 92) {
      SetAd();
    } else if (roll < 97) {
      ClickThroughReport();
    } else {
      ToggleWindow();
    }
  }

  // Dart, inside a reply, sometimes sends another call at once.
  void ReactToReply() {
    if (depth_ < 2 && Roll(4) == 0) {
      ++depth_;
      RandomCall();
      --depth_;
    }
  }

  // --- Dart calls on "QevaAdSpace".

  EncodableValue RandomId() {
    const uint64_t roll = Roll(100);
    if (roll < 65 && !dict_.empty()) {
      auto entry = dict_.begin();
      std::advance(entry, Roll(dict_.size()));
      return Str(entry->first);
    }
    if (roll < 75) {
      return Str("00000000-0000-4000-8000-000000000000");
    }
    if (roll < 82) {
      return Str(std::string(100, 'Z'));
    }
    if (roll < 88) {
      return Str("");
    }
    return roll < 94 ? EncodableValue(7) : EncodableValue();
  }

  void RandomCall() {
    static const char* const kMethods[] = {"AdRequest", "AdRender",   "AdRefresh",
                                           "AdClick",   "FallbackAd", "AdPause"};
    const uint64_t roll = Roll(100);
    const std::string method = roll < 94   ? kMethods[Roll(6)]
                               : roll < 97 ? "adRender"
                                           : "Ad" + std::string(80, 'X');
    EncodableValue arguments;
    switch (Roll(20)) {
      case 0:
        break;  // Null.
      case 1:
        arguments = DartList({Str("adSpaceId")});
        break;
      case 2:
        arguments = EncodableValue(EncodableMap{{EncodableValue(1), Str("x")}});
        break;
      default: {
        // Only the keys the method reads: every key costs codec time on each of many calls.
        Entries entries;
        if (method == "AdRequest") {
          entries = {{"tagId", Roll(8) == 0 ? Str(kRefusedTag) : Str("home")},
                     {"refreshRate", Roll(2) ? Str("30") : EncodableValue(30)}};
        } else if (Roll(10) != 0) {
          entries = {{"adSpaceId", RandomId()}};
        }
        if (method == "AdClick") {
          entries.emplace_back("clickUrl", Str("https://c.example"));
        }
        arguments = DartMap(std::move(entries));
      }
    }
    Issue(method, arguments);
  }

  // Predicts the call's fate, brings the model up to date, then makes the call: whatever Dart
  // sends from inside a reply finds the model as the plugin is when it replies.
  void Issue(const std::string& method, const EncodableValue& arguments) {
    const size_t index = calls_.size();
    calls_.emplace_back();
    calls_[index].method = Clipped(method);
    const auto* map = std::get_if<EncodableMap>(&arguments);
    const bool stringKeys =
        map != nullptr && std::all_of(map->begin(), map->end(), [](const auto& entry) {
          return std::holds_alternative<std::string>(entry.first);
        });
    static const std::set<std::string> kAccepted = {"AdRequest", "AdRender",   "AdRefresh",
                                                    "AdClick",   "FallbackAd", "AdPause"};
    if (!kAccepted.count(method)) {
      calls_[index].end = "unanswered: method not accepted";
    } else if (!stringKeys) {
      calls_[index].end = "unanswered: arguments not accepted";
    } else if (method == "AdRequest") {
      return Request(index, arguments);
    } else {
      Command(index, method, Text(*map, "adSpaceId"));
    }
    calls_[index].reply = world_.engine.CallMethod("QevaAdSpace", method, arguments);
  }

  static std::string Text(const EncodableMap& map, const std::string& key) {
    auto entry = map.find(EncodableValue(key));
    const std::string* text =
        entry == map.end() ? nullptr : std::get_if<std::string>(&entry->second);
    return text ? *text : std::string();
  }

  // |arguments| holds a map with string keys.
  void Request(size_t index, const EncodableValue& arguments) {
    if (Text(std::get<EncodableMap>(arguments), "tagId") == kRefusedTag) {
      calls_[index].end = "unanswered: no ad space for the tag id";
      calls_[index].reply = world_.engine.CallMethod("QevaAdSpace", "AdRequest", arguments);
      return;
    }
    for (uint8_t& byte : nextUuid_) {
      byte = static_cast<uint8_t>(random_());
    }
    const std::string id = Foundation::UUID(nextUuid_).uuidString();
    calls_[index].adSpaceId = id;
    std::optional<size_t> reused;
    if (!spaces_.empty() && Roll(10) == 0) {
      reused = Roll(spaces_.size());
      sdk().reuseAdSpaceForNextCreate(spaces_[*reused].object);
    }
    Store(id, index);
    // The fetch is posted and the run loop never drained: nothing answers from inside.
    calls_[index].reply = world_.engine.CallMethod("QevaAdSpace", "AdRequest", arguments);
    if (!reused) {
      Space space;
      space.object = sdk().lastAdSpace();
      space.refreshable = Roll(2);
      space.object->setRefreshable(space.refreshable);
      reused = spaces_.size();
      spaces_.push_back(space);
    }
    dict_[id] = *reused;
  }

  void Command(size_t index, const std::string& method, const std::string& id) {
    Call& call = calls_[index];
    if (method == "AdClick" && !window_) {
      call.end = "unanswered: no window";
      return;
    }
    call.adSpaceId = Clipped(id);
    auto kept = dict_.find(id);
    const AdKind ad = kept == dict_.end() ? AdKind::none : spaces_[kept->second].ad;
    if (method == "AdClick") {
      return Answer(index, CommandReply(kept == dict_.end() ? "failure" : "success"));
    }
    if (kept == dict_.end()) {
      call.end = "unanswered: unknown ad-space id";
    } else if (method == "AdRender" || method == "AdRefresh") {
      Store(id, index);
    } else if (method == "AdPause") {
      Drop(id);
      Answer(index, CommandReply("success"));
    } else if (ad == AdKind::none) {
      call.end = "unanswered: ad space holds no ad";
    } else if (ad == AdKind::gam) {
      Store(id, index);
    } else {
      Answer(index, CommandReply("failure"));
    }
  }

  // --- SDK events, fired by hand.

  // The first id, in id order, kept for |space|; the empty id when none is.
  std::string Resolve(size_t space) const {
    for (const auto& [id, kept] : dict_) {
      if (kept == space) {
        return id;
      }
    }
    return std::string();
  }

  size_t RandomSpace() {
    if (spaces_.empty() || Roll(10) == 0) {
      Space stray;
      stray.object = std::make_shared<QevaStandIn::AdSpace>("stray", 1000 + spaces_.size());
      stray.object->setAdEventDelegate(world_.manager);
      // Fixed, so that a refresh interval the plugin sets on it later does not matter.
      stray.refreshable = Roll(2);
      stray.object->setRefreshable(stray.refreshable);
      spaces_.push_back(stray);
    }
    return Roll(spaces_.size());
  }

  void RandomEvent() {
    const size_t index = RandomSpace();
    const Space& space = spaces_[index];
    const auto event = static_cast<QevaStandIn::AdEvent>(Roll(6));
    auto pending = pending_.find(Resolve(index));
    if (pending != pending_.end()) {
      const size_t call = pending->second;
      const std::string id = pending->first;
      const bool flutterAd = space.ad != AdKind::none && space.ad != AdKind::native;
      const bool refreshable =
          (space.ad == AdKind::display || space.ad == AdKind::gam) && space.refreshable;
      switch (event) {
        case QevaStandIn::AdEvent::ready:
          if (flutterAd) {
            Take(id);
            Answer(call, ReadyReply(id, Response(space.ad), Signature(space.ad)));
          }
          break;
        case QevaStandIn::AdEvent::render:
        case QevaStandIn::AdEvent::refresh:
          if (space.ad != AdKind::none) {
            Take(id);
            Answer(call, RenderReply(refreshable));
          }
          break;
        case QevaStandIn::AdEvent::error:
          Take(id);
          calls_[call].adError = true;
          calls_[call].end = "answered error 1001";
          break;
        default:
          break;
      }
    }
    space.object->fireEvent(event);
  }

  static std::string Response(AdKind ad) {
    switch (ad) {
      case AdKind::display:
        return DisplayResponse();
      case AdKind::gam:
        return kGAMMarkup;
      case AdKind::foreign:
        return "x";
      default:
        return "";
    }
  }

  static std::string Signature(AdKind ad) {
    return ad == AdKind::display ? "iab.smartphonebanner" : ad == AdKind::gam ? "nw.gambanner" : "";
  }

  void SetAd() {
    Space& space = spaces_[RandomSpace()];
    space.ad = static_cast<AdKind>(Roll(6));
    space.object->setQevaAd(MakeAd(space.ad));
  }

  // Click-through reports pause and resume ad spaces; they never reach Dart.
  void ClickThroughReport() {
    QevaStandIn::ClickThrough* clickThrough = sdk().lastClickThrough();
    const uint64_t roll = Roll(3);
    if (clickThrough == nullptr) {
      roll == 0 ? world_.manager->onSuccessRedirect(Qeva::QevaCTAaction::openedInApp)
                : world_.manager->onCompleteCTA();
    } else if (roll == 0) {
      clickThrough->reportSuccessRedirect(Qeva::QevaCTAaction::openedInEmbeddedBrowser);
    } else if (roll == 1) {
      clickThrough->reportFailureRedirect(Qeva::QevaSDKError(Qeva::QevaSDKError::Code::noFill));
    } else {
      clickThrough->reportComplete();
    }
  }

  void ToggleWindow() {
    UIKit::UIApplication& app = UIKit::UIApplication::sharedApplication();
    if (window_) {
      app.delegate()->window()->setRootViewController(nullptr);
    } else {
      app.restoreDefaultScene();
    }
    window_ = !window_;
  }

  // --- The model's adSpaceResults.

  void Store(const std::string& id, size_t call) {
    auto [entry, inserted] = pending_.try_emplace(id, call);
    if (!inserted) {
      calls_[entry->second].end = "replaced";
      entry->second = call;
    }
  }
  void Take(const std::string& id) { pending_.erase(id); }
  void Drop(const std::string& id) {
    auto entry = pending_.find(id);
    if (entry != pending_.end()) {
      calls_[entry->second].end = "dropped";
      pending_.erase(entry);
    }
  }
  void Answer(size_t call, EncodableValue value) {
    calls_[call].value = std::move(value);
    calls_[call].end = "answered value";
  }

  Strings ModelPendingIds() const {
    Strings ids;
    for (const auto& entry : pending_) {
      ids.push_back(entry.first);
    }
    return ids;
  }

  // --- Checks.

  // Answered exactly when the model says so, and never twice.
  void CheckReplyCounts() const {
    for (size_t i = 0; i < calls_.size(); ++i) {
      if (calls_[i].reply && calls_[i].reply->reply_count() != (calls_[i].answered() ? 1 : 0)) {
        ADD_FAILURE() << "call #" << i + 1 << " " << calls_[i].method << ": "
                      << calls_[i].reply->ToString() << ", model: " << calls_[i].end;
      }
    }
  }

  void CheckReplies() const {
    for (size_t i = 0; i < calls_.size(); ++i) {
      SCOPED_TRACE("call #" + std::to_string(i + 1) + " " + calls_[i].method);
      const headless::DartReply& reply = *calls_[i].reply;
      EXPECT_TRUE(calls_[i].value     ? Answered(reply, *calls_[i].value)
                  : calls_[i].adError ? AnsweredAdError(reply)
                                      : Unanswered(reply));
    }
  }

  void CheckLedger() const {
    Strings expected;
    CallCounts counts;
    for (size_t i = 0; i < calls_.size(); ++i) {
      const Call& call = calls_[i];
      expected.push_back("#" + std::to_string(i + 1) + " QevaAdSpace." + call.method + "(" +
                         call.adSpaceId + ") " + call.end);
      const std::string& end = call.end;
      ++(end == "pending"               ? counts.pending
         : end == "answered value"      ? counts.answeredValue
         : end == "answered error 1001" ? counts.answeredError
         : end == "replaced"            ? counts.replaced
         : end == "dropped"             ? counts.dropped
                                        : counts.unanswered);
    }
    const std::shared_ptr<const ReplyLedger> ledger = world_.manager->replyLedger();
    Strings recorded;
    for (const CallRecord& record : ledger->records()) {
      recorded.push_back(record.ToString());
    }
    EXPECT_EQ(recorded, expected);
    EXPECT_EQ(ledger->counts(), counts) << ledger->counts().ToString();
  }

  std::mt19937_64 random_;
  Foundation::UUID::Bytes nextUuid_{};
  World world_;
  bool window_ = true;
  int depth_ = 0;
  std::vector<Space> spaces_;              // Every ad space object, kept or stray.
  std::map<std::string, size_t> dict_;     // Id to index in spaces_.
  std::map<std::string, size_t> pending_;  // Id to index in calls_.
  std::vector<Call> calls_;
};

// Every Dart call is answered at most once, and exactly when and how the rules say: events
// answer the call pending under their ad space's id with the ready map, the render map or the
// 1001 error; commands answer at once with "success" or "failure" or not at all; the plugin
// keeps pending exactly what the model keeps; the reply ledger tells each call's end.
TEST(PendingResultsModelTest, PluginFollowsTheModelOnRandomSequences) {
  // The engine warns on stderr about each call released unanswered; here thousands are.
  std::ostringstream discarded;
  std::streambuf* const stderrBuffer = std::cerr.rdbuf(discarded.rdbuf());
  for (uint64_t seed = 1; seed <= kSequences && !::testing::Test::HasFailure(); ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    ModelRun run(seed);
    run.Run(20 + static_cast<int>(seed % 21));
    discarded.str("");
  }
  std::cerr.rdbuf(stderrBuffer);
}

}  // namespace
}  // namespace QevaFlutter::testing
