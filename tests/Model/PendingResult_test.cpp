#include "Core/PendingResult.h"

#include <flutter/method_result_functions.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Core/PendingResults.h"
#include "Core/ReplyLedger.h"
#include "QevaStandIn/StandIn.h"
#include "headless/HeadlessEngine.h"

namespace QevaFlutter {
namespace {

using flutter::EncodableValue;
using Strings = std::vector<std::string>;

// Pending results over a ledger of their own, each with a recorder in place of the engine.
class PendingResultTest : public ::testing::Test {
 protected:
  // A result for a new "QevaAdSpace" call of |method| whose answers land in seen_.
  PendingResult Result(const std::string& method = "AdRender") {
    return PendingResult(
        std::make_unique<flutter::MethodResultFunctions<>>(
            [this](const EncodableValue* value) {
              seen_.push_back("success " + (value ? headless::ToString(*value) : "nullptr"));
            },
            [this](const std::string& code, const std::string& message,
                   const EncodableValue* details) {
              seen_.push_back("error " + code + " " + message + " " +
                              (details ? headless::ToString(*details) : "none"));
            },
            nullptr),
        ledger_->Open("QevaAdSpace", method));
  }
  Strings Records() const {
    Strings records;
    for (const CallRecord& record : ledger_->records()) {
      records.push_back(record.ToString());
    }
    return records;
  }
  Strings Log() const { return stand_in_.sdk().logSink().summaries(); }

  QevaStandIn::StandInScope stand_in_;
  std::shared_ptr<ReplyLedger> ledger_ = ReplyLedger::Create();
  Strings seen_;
};

TEST_F(PendingResultTest, EachEndIsRecordedOnceAndAnAnswerAfterTheFirstIsDropped) {
  struct Row {
    std::string name;
    std::function<void(PendingResult&)> end;
    Strings seen;
    std::string record;
  };
  const Row rows[] = {
      {"success",
       [](PendingResult& r) { r.Success(EncodableValue("done")); },
       {"success \"done\""},
       "#1 QevaAdSpace.AdRender(id) answered value"},
      {"error",
       [](PendingResult& r) { r.Error("1001", "m"); },
       {"error 1001 m none"},
       "#1 QevaAdSpace.AdRender(id) answered error 1001"},
      {"rejected",
       [](PendingResult& r) { r.Reject(UnansweredReason::kNoWindow); },
       {},
       "#1 QevaAdSpace.AdRender(id) unanswered: no window"},
      {"dropped", [](PendingResult& r) { r.Drop(); }, {}, "#1 QevaAdSpace.AdRender(id) dropped"},
      {"released",
       [](PendingResult& r) { r = PendingResult(); },
       {},
       "#1 QevaAdSpace.AdRender(id) released"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ledger_ = ReplyLedger::Create();
    seen_.clear();
    stand_in_.sdk().logSink().clear();
    PendingResult result = Result();
    result.NoteAdSpaceId("id");
    row.end(result);
    result.Success(EncodableValue("again"));
    result.Error("again", "again");
    EXPECT_EQ(seen_, row.seen);
    EXPECT_EQ(Records(), Strings{row.record});
    // Only a call that was answered tells of the answers it drops.
    const std::string dropped =
        "[info] FlutterResult(_:): QevaFlutter: result already answered, "
        "reply dropped";
    EXPECT_EQ(Log(), row.seen.empty() ? Strings{} : (Strings{dropped, dropped}));
  }
}

TEST_F(PendingResultTest, PendingResultsStoreTakeAndDropOnePerId) {
  PendingResults results;
  PendingResult moved = Result("AdRequest");
  results.Store("b", std::move(moved));
  EXPECT_FALSE(moved.has_call());
  results.Store("a", Result("AdRender"));
  results.Store("a", Result("AdRefresh"));  // Replaces the "AdRender" call.
  EXPECT_EQ(results.ids(), (Strings{"a", "b"}));
  PendingResult taken = results.Take("a");
  EXPECT_FALSE(results.Has("a"));
  EXPECT_FALSE(results.Take("a").has_call());  // An empty result answers nothing, silently.
  results.Take("a").Success(EncodableValue());
  results.Drop("b");
  results.Drop("b");
  EXPECT_EQ(results.size(), 0u);
  taken.Success(EncodableValue("rendered"));
  EXPECT_EQ(seen_, Strings{"success \"rendered\""});
  EXPECT_EQ(Records(),
            (Strings{"#1 QevaAdSpace.AdRequest() dropped", "#2 QevaAdSpace.AdRender() replaced",
                     "#3 QevaAdSpace.AdRefresh() answered value"}));
  EXPECT_EQ(ledger_->counts().ToString(),
            "calls 3: pending 0, answered 1 (value 1, error 0), replaced 1, dropped 1, "
            "unanswered 0, released 0");
  EXPECT_EQ(Log(), Strings{});
}

// The ledger keeps the last records in a ring, texts cut at 64 bytes; its counts cover every
// call, also one that ends after its record has left the ring.
TEST_F(PendingResultTest, LedgerKeepsTheLastRecordsAndCountsEveryCall) {
  PendingResult first = Result(std::string(70, 'm'));
  EXPECT_EQ(Records(), Strings{"#1 QevaAdSpace." + std::string(61, 'm') + "...() pending"});
  std::vector<PendingResult> later(ReplyLedger::kCapacity);
  for (PendingResult& result : later) {
    result = Result();
  }
  first.Success(EncodableValue());
  ASSERT_EQ(ledger_->records().size(), ReplyLedger::kCapacity);
  EXPECT_EQ(ledger_->records().front().ToString(), "#2 QevaAdSpace.AdRender() pending");
  EXPECT_EQ(ledger_->counts().ToString(),
            "calls 257: pending 256, answered 1 (value 1, error 0), replaced 0, dropped 0, "
            "unanswered 0, released 0");
}

}  // namespace
}  // namespace QevaFlutter
