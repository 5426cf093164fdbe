#include "Core/CoreFixture.h"

#include <algorithm>

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

::testing::AssertionResult Verdict(const std::string& mismatch) {
  return mismatch.empty() ? ::testing::AssertionSuccess()
                          : ::testing::AssertionFailure() << mismatch;
}

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

EncodableValue DartList(std::vector<EncodableValue> items) {
  return EncodableValue(flutter::EncodableList(std::move(items)));
}

::testing::AssertionResult Answered(const headless::DartReply& reply,
                                    const EncodableValue& expected) {
  return Verdict(support::Mismatch(reply, expected));
}

::testing::AssertionResult AnsweredAdError(const headless::DartReply& reply) {
  return Verdict(support::ErrorMismatch(reply));
}

::testing::AssertionResult Unanswered(const headless::DartReply& reply) {
  if (reply.reply_count() == 0) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "got " << reply.ToString();
}

std::shared_ptr<Qeva::QevaAd> GAMBanner(const std::string& markup) {
  auto ad = std::make_shared<QevaAdFlutterGAMBanner>();
  ad->prepare(markup, std::make_shared<QevaStandIn::IgnoringAdDelegate>());
  return ad;
}

std::shared_ptr<Qeva::QevaAd> NativeAd() {
  return std::make_shared<Native>();
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

Strings CoreTest::Ledger(size_t count) const {
  Strings lines;
  for (const CallRecord& record : manager()->replyLedger()->records(count)) {
    const std::string line = record.ToString();
    lines.push_back(line.substr(line.find(' ') + 1));
  }
  return lines;
}

Strings CoreTest::KeptCalls() const {
  Strings kept;
  for (const CallRecord& record : manager()->replyLedger()->records()) {
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
