#include "Core/QevaFlutterPlugin.h"

#include <flutter/encodable_value.h>
#include <flutter/plugin_registrar.h>
#include <gtest/gtest.h>

#include <functional>
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

// A headless engine with a registrar over its messenger, as a Flutter host has them when it
// runs the generated registrant, and the stand-in SDK holding back its start-up report so that
// each test decides when the manager hears it.
class QevaFlutterPluginTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetStandIn(); }

  void TearDown() override {
    registrar_.reset();
    engine_.reset();
    StandIn::Reset();
  }

  // A new engine and registrar and a fresh stand-in, for each row of a table.
  void StartOver() {
    registrar_.reset();
    engine_ = std::make_unique<headless::HeadlessEngine>();
    registrar_ = std::make_unique<flutter::PluginRegistrar>(engine_.get());
    ResetStandIn();
  }

  static void ResetStandIn() {
    StandIn::Reset();
    StandIn::Shared().setInitializationReport(QevaStandIn::InitReport::never);
  }

  // Dart starting the SDK on the "QevaManager" channel; the reply waits for the SDK's report.
  std::shared_ptr<const headless::DartReply> StartSdk() {
    return engine_->CallMethod("QevaManager", "QevaManager",
                               EncodableValue(EncodableMap{
                                   {EncodableValue("accountId"), EncodableValue("12")},
                                   {EncodableValue("appId"), EncodableValue("34")},
                                   {EncodableValue("secretKey"), EncodableValue("key")},
                               }));
  }

  // What the SDK's start-up report reached: "initDelegate.onSuccess()" while the manager
  // lives, "initDelegate.onSuccess() -> no delegate" once it is gone.
  Strings ReportStartUpSuccess() {
    StandIn::Shared().journal().clear();
    StandIn::Shared().reportInitializationSuccess();
    return StandIn::Shared().journal().callbackLines();
  }

  std::unique_ptr<headless::HeadlessEngine> engine_ = std::make_unique<headless::HeadlessEngine>();
  std::unique_ptr<flutter::PluginRegistrar> registrar_ =
      std::make_unique<flutter::PluginRegistrar>(engine_.get());
};

TEST_F(QevaFlutterPluginTest, EitherEntryPointOpensTheFiveChannelsInOrderOnAWorkingManager) {
  struct Row {
    const char* name;
    std::function<void(flutter::PluginRegistrar*)> register_plugin;
  };
  const Row rows[] = {
      {"RegisterWithRegistrar",
       [](flutter::PluginRegistrar* registrar) {
         QevaFlutterPlugin::RegisterWithRegistrar(registrar);
       }},
      {"the C entry point the generated registrant calls",
       [](flutter::PluginRegistrar* registrar) {
         FlutterDesktopPluginRegistrar handle{registrar};
         QevaFlutterPluginRegisterWithRegistrar(&handle);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StartOver();

    row.register_plugin(registrar_.get());

    EXPECT_EQ(engine_->channels(), kChannelsInOrder);
    std::shared_ptr<const headless::DartReply> reply = StartSdk();
    EXPECT_EQ(ReportStartUpSuccess(), Strings{"initDelegate.onSuccess()"});
    EXPECT_EQ(reply->ToString(), "success: \"success\"");
  }
}

TEST_F(QevaFlutterPluginTest, RegistrarKeepsTheManagerAfterTheMessengerLetsGo) {
  QevaFlutterPlugin::RegisterWithRegistrar(registrar_.get());
  std::shared_ptr<const headless::DartReply> reply = StartSdk();
  // An engine that drops the channel handlers leaves the plugin as the manager's only owner.
  for (const std::string& channel : kChannelsInOrder) {
    engine_->SetMessageHandler(channel, nullptr);
  }

  EXPECT_EQ(ReportStartUpSuccess(), Strings{"initDelegate.onSuccess()"});
  EXPECT_EQ(reply->ToString(), "success: \"success\"");

  registrar_.reset();
  EXPECT_EQ(ReportStartUpSuccess(), Strings{"initDelegate.onSuccess() -> no delegate"});
}

TEST_F(QevaFlutterPluginTest, HandlersKeepTheManagerUntilTheEngineGoes) {
  QevaFlutterPlugin::RegisterWithRegistrar(registrar_.get());
  std::shared_ptr<const headless::DartReply> reply = StartSdk();

  registrar_.reset();
  EXPECT_EQ(ReportStartUpSuccess(), Strings{"initDelegate.onSuccess()"});
  EXPECT_EQ(reply->ToString(), "success: \"success\"");

  engine_.reset();
  EXPECT_EQ(ReportStartUpSuccess(), Strings{"initDelegate.onSuccess() -> no delegate"});
}

}  // namespace
}  // namespace QevaFlutter
