#include "Core/QevaFlutterPlugin.h"

#include <flutter/encodable_value.h>
#include <flutter/method_call.h>
#include <flutter/standard_method_codec.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "QevaStandIn/StandIn.h"
#include "headless/HeadlessEngine.h"

namespace QevaFlutter {
namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;
using QevaStandIn::StandIn;
using Strings = std::vector<std::string>;

const Strings kChannelsInOrder = {"QevaManager", "QevaApplication", "QevaUser", "QevaDevice",
                                  "QevaAdSpace"};

// A headless engine, whose registrar handle a Flutter host's generated registrant passes to
// the entry point, and the stand-in SDK holding back its start-up report so that each test
// decides when the manager hears it.
class QevaFlutterPluginTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetStandIn(); }

  void TearDown() override {
    engine_.reset();
    StandIn::Reset();
  }

  static void ResetStandIn() {
    StandIn::Reset();
    StandIn::Shared().setInitializationReport(QevaStandIn::InitReport::never);
  }

  // Dart starting the SDK on the "QevaManager" channel; the reply waits for the SDK's report.
  std::shared_ptr<const headless::DartReply> StartSdk(headless::HeadlessEngine::ReplyHooks hooks) {
    return engine_->SendBytes(
        "QevaManager",
        std::move(*flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(
            flutter::MethodCall<EncodableValue>(
                "QevaManager", std::make_unique<EncodableValue>(EncodableMap{
                                   {EncodableValue("accountId"), EncodableValue("12")},
                                   {EncodableValue("appId"), EncodableValue("34")},
                                   {EncodableValue("secretKey"), EncodableValue("key")},
                               })))),
        std::move(hooks));
  }

  // What the SDK's start-up report reached: "initDelegate.onSuccess()" while the manager
  // lives, "initDelegate.onSuccess() -> no delegate" once it is gone.
  Strings ReportStartUpSuccess() {
    StandIn::Shared().journal().clear();
    StandIn::Shared().reportInitializationSuccess();
    return StandIn::Shared().journal().callbackLines();
  }

  std::unique_ptr<headless::HeadlessEngine> engine_ = std::make_unique<headless::HeadlessEngine>();
};

TEST_F(QevaFlutterPluginTest, EntryPointOpensTheFiveChannelsInOrderOnAWorkingManager) {
  QevaFlutterPluginRegisterWithRegistrar(nullptr);
  EXPECT_EQ(engine_->channels(), Strings{});

  QevaFlutterPluginRegisterWithRegistrar(engine_->registrar());

  EXPECT_EQ(engine_->channels(), kChannelsInOrder);
  ASSERT_NE(QevaFlutterPlugin::ManagerFor(engine_->registrar()), nullptr);
  std::shared_ptr<const headless::DartReply> reply = StartSdk({});
  EXPECT_EQ(ReportStartUpSuccess(), Strings{"initDelegate.onSuccess()"});
  EXPECT_EQ(reply->ToString(), "success: \"success\"");
}

// The engine's registrar owns the plugin, and the engine keeps a call's response handle, until
// the engine shuts down; then the wrapper warns of the call left unanswered, and the engine
// reports it released.
TEST_F(QevaFlutterPluginTest, TheEngineKeepsThePluginAndItsUnansweredCallsUntilItShutsDown) {
  QevaFlutterPluginRegisterWithRegistrar(engine_->registrar());
  int released = 0;
  std::shared_ptr<const headless::DartReply> reply = StartSdk({nullptr, [&] { ++released; }});
  for (const std::string& channel : kChannelsInOrder) {
    engine_->SetMessageHandler(channel, nullptr);
  }
  EXPECT_EQ(engine_->channels(), Strings{});
  EXPECT_NE(QevaFlutterPlugin::ManagerFor(engine_->registrar()), nullptr);
  EXPECT_EQ(released, 0);

  testing::internal::CaptureStderr();
  engine_.reset();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Warning: Failed to respond to a message. This is a memory leak.\n");
  EXPECT_EQ(released, 1);
  EXPECT_FALSE(reply->answered());
  EXPECT_EQ(ReportStartUpSuccess(), Strings{"initDelegate.onSuccess() -> no delegate"});
}

}  // namespace
}  // namespace QevaFlutter
