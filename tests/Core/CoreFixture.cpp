#include "Core/CoreFixture.h"

#include <algorithm>

#include "QevaAd/QevaAdFlutterDisplay.h"
#include "QevaAd/QevaAdFlutterGAMBanner.h"
#include "QevaStandIn/IgnoringAdDelegate.h"

namespace QevaFlutter::testing {

namespace {

class Native : public Qeva::QevaAd {
  void prepare(const std::string&, std::shared_ptr<Qeva::QevaAdDelegate>) override {}
  void render(UIKit::UIView&) override {}
  void pause() override {}
  void resume() override {}
  void close() override {}
};

class Foreign : public Qeva::QevaFlutterAd {
 public:
  explicit Foreign(std::optional<std::string> response) : response_(std::move(response)) {}
  void prepare(const std::string&, std::shared_ptr<Qeva::QevaAdDelegate>) override {}
  void render(UIKit::UIView&) override {}
  void pause() override {}
  void resume() override {}
  void close() override {}
  std::optional<std::string> getAdResponse() const override { return response_; }

 private:
  std::optional<std::string> response_;
};

}  // namespace

std::string LogLine(const std::string& function, const std::string& message) {
  return "[info] " + function + ": " + message;
}

Strings PendingIds(const ReplyLedger& ledger) {
  Strings ids;
  for (const CallRecord& record : ledger.records()) {
    if (record.end == CallEnd::kPending && record.channel == "QevaAdSpace") {
      ids.push_back(record.adSpaceId);
    }
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

EncodableValue DartMap(Entries entries) {
  EncodableMap map;
  for (auto& [key, value] : entries) {
    map.emplace(EncodableValue(key), std::move(value));
  }
  return EncodableValue(std::move(map));
}

EncodableValue DartList(std::vector<EncodableValue> items) {
  return EncodableValue(flutter::EncodableList(std::move(items)));
}

EncodableValue CommandReply(const std::string& outcome) {
  return DartMap({{"result", Str(outcome)}});
}

EncodableValue RenderReply(bool refreshable) {
  return DartMap({{"result", Str("success")}, {"isAdRefreshable", EncodableValue(refreshable)}});
}

EncodableValue ReadyReply(const std::string& id, const std::string& response,
                          const std::string& signature) {
  return DartMap({{"result", Str("success")},
                  {"adSpaceId", Str(id)},
                  {"response", Str(response)},
                  {"signature", Str(signature)}});
}

::testing::AssertionResult Answered(const headless::DartReply& reply,
                                    const EncodableValue& expected) {
  if (reply.kind() == headless::DartReply::Kind::kSuccess && reply.reply_count() == 1 &&
      reply.value() == expected) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "got " << reply.ToString() << " (" << reply.reply_count()
                                       << " replies), expected " << headless::ToString(expected);
}

::testing::AssertionResult AnsweredAdError(const headless::DartReply& reply) {
  if (reply.kind() == headless::DartReply::Kind::kError && reply.reply_count() == 1 &&
      reply.error_code() == "1001" &&
      reply.error_message() == "QevaAd is nil or Ad Response is empty." &&
      reply.error_details().IsNull()) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "got " << reply.ToString();
}

::testing::AssertionResult Unanswered(const headless::DartReply& reply) {
  if (reply.reply_count() == 0) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "got " << reply.ToString();
}

std::shared_ptr<Qeva::QevaAd> DisplayAd(const std::string& markup) {
  auto ad = std::make_shared<QevaAdFlutterDisplay>();
  ad->setAdParameters(320, 50);
  ad->prepare(markup, std::make_shared<QevaStandIn::IgnoringAdDelegate>());
  return ad;
}

std::string DisplayResponse(const std::string& markup) {
  return R"({"adSize":"320x50","response":")" + markup + R"("})";
}

std::shared_ptr<Qeva::QevaAd> GAMBanner(const std::string& markup) {
  auto ad = std::make_shared<QevaAdFlutterGAMBanner>();
  ad->prepare(markup, std::make_shared<QevaStandIn::IgnoringAdDelegate>());
  return ad;
}

std::shared_ptr<Qeva::QevaAd> ForeignFlutterAd(std::optional<std::string> response) {
  return std::make_shared<Foreign>(std::move(response));
}

std::shared_ptr<Qeva::QevaAd> NativeAd() {
  return std::make_shared<Native>();
}

void ReplyHookMessenger::Send(const std::string& channel, const uint8_t* message,
                              size_t message_size, flutter::BinaryReply reply) const {
  engine_->Send(channel, message, message_size, std::move(reply));
}

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

CoreTest::CoreTest()
    : engine_(std::make_unique<headless::HeadlessEngine>()),
      manager_(QevaFlutterManager::Create(engine_.get())) {}

Reply CoreTest::Command(const std::string& method, const std::string& id, Entries more) {
  more.emplace_back("adSpaceId", Str(id));
  return Call("QevaAdSpace", method, DartMap(std::move(more)));
}

CoreTest::Requested CoreTest::Request(const std::string& tagId, const std::string& refreshRate) {
  Requested requested;
  requested.reply = Call("QevaAdSpace", "AdRequest",
                         DartMap({{"tagId", Str(tagId)}, {"refreshRate", Str(refreshRate)}}));
  // The ledger notes the id the request got; the SDK made (or handed out again) the ad space.
  requested.id = manager_->replyLedger()->records(1).at(0).adSpaceId;
  const Strings commands = Commands();
  auto created = std::find_if(commands.rbegin(), commands.rend(), [](const std::string& line) {
    return line.rfind("manager.createQevaAdSpace(", 0) == 0;
  });
  if (!requested.id.empty() && created != commands.rend()) {
    requested.adSpace = sdk().adSpace(std::stoull(created->substr(created->rfind('#') + 1)));
  }
  return requested;
}

CoreTest::Requested CoreTest::Delivered(std::shared_ptr<Qeva::QevaAd> ad) {
  Requested requested = Request();
  requested.adSpace->setQevaAd(std::move(ad));
  requested.adSpace->fireAdReady();
  EXPECT_EQ(requested.reply->kind(), headless::DartReply::Kind::kSuccess);
  return requested;
}

Strings CoreTest::CoreLog() const {
  Strings lines;
  for (const QevaStandIn::LogLine& line : sdk().logSink().lines()) {
    if (line.file.rfind("Source/Core/", 0) == 0) {
      lines.push_back(line.Summary());
    }
  }
  return lines;
}

void CoreTest::ClearRecords() const {
  sdk().journal().clear();
  sdk().logSink().clear();
}

Strings CoreTest::Ledger(size_t count) const {
  Strings lines;
  for (const CallRecord& record : manager_->replyLedger()->records(count)) {
    const std::string line = record.ToString();
    lines.push_back(line.substr(line.find(' ') + 1));
  }
  return lines;
}

Strings CoreTest::KeptCalls() const {
  Strings kept;
  for (const CallRecord& record : manager_->replyLedger()->records()) {
    if (record.end == CallEnd::kPending) {
      kept.push_back(record.ToString());
    }
  }
  return kept;
}

std::string CoreTest::RootViewController() {
  return UIKit::UIApplication::sharedApplication()
      .delegate()
      ->window()
      ->rootViewController()
      ->description();
}

}  // namespace QevaFlutter::testing
