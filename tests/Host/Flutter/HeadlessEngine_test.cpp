// Channels through the headless engine: dispatch, replies at most once, deferred and missing
// replies, re-entrancy and lifetimes.

#include "headless/HeadlessEngine.h"

#include <flutter_messenger.h>
#include <flutter_plugin_registrar.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TestBytes.h"
#include "ValuePrinter.h"
#include "flutter/basic_message_channel.h"
#include "flutter/method_channel.h"
#include "flutter/method_result_functions.h"
#include "flutter/plugin_registrar.h"
#include "flutter/standard_message_codec.h"
#include "flutter/standard_method_codec.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using flutter::MethodCall;
using flutter::MethodResult;
using flutter::StandardMethodCodec;
using headless::DartReply;
using headless::HeadlessEngine;
using qeva_test::Hex;
using qeva_test::ToHex;

using Result = std::unique_ptr<MethodResult<EncodableValue>>;

constexpr char kDuplicateLine[] =
    "Error: Only one of Success, Error, or NotImplemented can be called, and it can be called "
    "exactly once. Ignoring duplicate result.\n";
constexpr char kUnansweredLine[] =
    "Warning: Failed to respond to a message. This is a memory leak.\n";

std::string StderrOf(const std::function<void()>& action) {
  testing::internal::CaptureStderr();
  action();
  return testing::internal::GetCapturedStderr();
}

class HeadlessEngineTest : public testing::Test {
 protected:
  // Registers |handler| for method calls on |channel|, the way plugins do.
  void Handle(const std::string& channel, flutter::MethodCallHandler<EncodableValue> handler) {
    flutter::MethodChannel<EncodableValue> method_channel(&engine_, channel,
                                                          &StandardMethodCodec::GetInstance());
    method_channel.SetMethodCallHandler(std::move(handler));
  }

  // Dart calls |method| on |channel|.
  std::shared_ptr<const DartReply> Call(const std::string& channel, const std::string& method,
                                        const EncodableValue& arguments = EncodableValue()) {
    return engine_.CallMethod(channel, method, arguments);
  }

  HeadlessEngine engine_;
  // A result kept for answering after the handler returned.
  Result pending_;
};

TEST_F(HeadlessEngineTest, HandlerGetsMethodAndArgumentsAndDartGetsTheResult) {
  std::string seen_method;
  EncodableValue seen_arguments;
  Handle("qeva/ads", [&](const MethodCall<EncodableValue>& call, Result result) {
    seen_method = call.method_name();
    seen_arguments = *call.arguments();
    result->Success(EncodableValue(EncodableMap{{EncodableValue("loaded"), EncodableValue(true)}}));
  });
  EncodableValue arguments(EncodableMap{{EncodableValue("tagId"), EncodableValue("abc123")}});

  std::shared_ptr<const DartReply> reply = Call("qeva/ads", "AdRequest", arguments);

  EXPECT_EQ(seen_method, "AdRequest");
  EXPECT_EQ(seen_arguments, arguments);
  EXPECT_EQ(reply->ToString(), "success: {\"loaded\": true}");
  EXPECT_EQ(reply->reply_count(), 1);
}

TEST_F(HeadlessEngineTest, RepliesOfEveryKindReachDart) {
  struct Row {
    const char* name;
    std::function<void(MethodResult<EncodableValue>&)> answer;
    std::string expected;
  } rows[] = {
      {"success with value", [](auto& r) { r.Success(EncodableValue(int64_t{7})); }, "success: 7L"},
      {"success without value", [](auto& r) { r.Success(); }, "success: null"},
      {"error with details",
       [](auto& r) { r.Error("bad_args", "no \"tagId\"", EncodableValue(EncodableList{})); },
       "error(bad_args, \"no \\\"tagId\\\"\", [])"},
      {"error without message", [](auto& r) { r.Error("failed"); }, "error(failed, \"\", null)"},
      {"not implemented", [](auto& r) { r.NotImplemented(); }, "not implemented"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Handle("c", [&row](const MethodCall<EncodableValue>&, Result result) { row.answer(*result); });
    std::shared_ptr<const DartReply> reply = Call("c", "m");
    EXPECT_EQ(reply->ToString(), row.expected);
    EXPECT_EQ(reply->reply_count(), 1);
  }
}

TEST_F(HeadlessEngineTest, UndecodableCallGetsTheEmptyReplyAndALogLine) {
  struct Row {
    const char* name;
    std::vector<uint8_t> bytes;
  } rows[] = {
      {"empty message", {}},
      {"method name not a string", Hex("03 01 00 00 00 00")},
      {"truncated name", Hex("07 09 41 64")},
      {"no arguments", Hex("07 01 6d")},
      {"trailing byte", Hex("07 01 6d 00 00")},
  };
  bool handler_called = false;
  Handle("qeva/ads", [&](const MethodCall<EncodableValue>&, Result result) {
    handler_called = true;
    result->Success();
  });
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::shared_ptr<const DartReply> reply;
    std::string log = StderrOf([&] { reply = engine_.SendBytes("qeva/ads", row.bytes); });
    EXPECT_EQ(log, "Unable to construct method call from message on channel qeva/ads\n");
    EXPECT_EQ(reply->kind(), DartReply::Kind::kNotImplemented);
    EXPECT_EQ(reply->reply_count(), 1);
    EXPECT_TRUE(reply->bytes().empty());
  }
  EXPECT_FALSE(handler_called);
}

TEST_F(HeadlessEngineTest, OnlyTheFirstAnswerIsSent) {
  struct Answer {
    const char* name;
    std::function<void(MethodResult<EncodableValue>&)> give;
  } answers[] = {
      {"Success", [](auto& r) { r.Success(EncodableValue("first")); }},
      {"Error", [](auto& r) { r.Error("code", "message", EncodableValue(1)); }},
      {"NotImplemented", [](auto& r) { r.NotImplemented(); }},
  };
  for (const Answer& first : answers) {
    Handle("once",
           [&first](const MethodCall<EncodableValue>&, Result result) { first.give(*result); });
    std::string answered_once = Call("once", "m")->ToString();
    for (const Answer& second : answers) {
      SCOPED_TRACE(std::string(first.name) + " then " + second.name);
      std::string log;
      Handle("twice", [&](const MethodCall<EncodableValue>&, Result result) {
        first.give(*result);
        log = StderrOf([&] { second.give(*result); });
      });
      std::shared_ptr<const DartReply> reply = Call("twice", "m");
      EXPECT_EQ(reply->ToString(), answered_once);
      EXPECT_EQ(reply->reply_count(), 1);
      EXPECT_EQ(log, kDuplicateLine);
    }
  }
}

TEST_F(HeadlessEngineTest, StoredResultIsAnsweredAfterTheHandlerReturned) {
  Handle("qeva/ads", [this](const MethodCall<EncodableValue>&, Result result) {
    pending_ = std::move(result);
  });
  std::shared_ptr<const DartReply> reply = Call("qeva/ads", "load");
  EXPECT_EQ(reply->kind(), DartReply::Kind::kPending);
  EXPECT_EQ(reply->reply_count(), 0);

  Result result = std::move(pending_);
  result->Success(EncodableValue("loaded"));

  EXPECT_EQ(reply->ToString(), "success: \"loaded\"");
  EXPECT_EQ(reply->reply_count(), 1);
}

TEST_F(HeadlessEngineTest, ResultDroppedUnansweredIsLoggedAndNothingIsSent) {
  Handle("qeva/ads", [](const MethodCall<EncodableValue>&, Result) {});
  std::shared_ptr<const DartReply> reply;
  std::string log = StderrOf([&] { reply = Call("qeva/ads", "load"); });
  EXPECT_EQ(log, kUnansweredLine);
  EXPECT_EQ(reply->kind(), DartReply::Kind::kPending);
  EXPECT_EQ(reply->reply_count(), 0);
}

TEST_F(HeadlessEngineTest, ChannelWithoutHandlerGetsTheEmptyReply) {
  Handle("a", [](const MethodCall<EncodableValue>&, Result result) { result->Success(); });
  Handle("b", [](const MethodCall<EncodableValue>&, Result result) { result->Success(); });
  Handle("a", [](const MethodCall<EncodableValue>&, Result result) { result->NotImplemented(); });
  Handle("b", nullptr);

  EXPECT_EQ(engine_.channels(), std::vector<std::string>{"a"});
  EXPECT_FALSE(engine_.HasHandler("b"));
  std::shared_ptr<const DartReply> reply = Call("b", "m");
  EXPECT_EQ(reply->kind(), DartReply::Kind::kNotImplemented);
  EXPECT_EQ(reply->reply_count(), 1);

  Handle("c", [](const MethodCall<EncodableValue>&, Result result) { result->Success(); });
  Handle("b", [](const MethodCall<EncodableValue>&, Result result) { result->Success(); });
  EXPECT_EQ(engine_.channels(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(HeadlessEngineTest, HandlerMayUnregisterItselfAndCallOtherChannels) {
  Handle("inner", [](const MethodCall<EncodableValue>& call, Result result) {
    result->Success(EncodableValue("inner saw " + call.method_name()));
  });
  std::shared_ptr<const DartReply> inner_reply;
  auto token = std::make_shared<int>(1);
  Handle("outer", [this, token, &inner_reply](const MethodCall<EncodableValue>&, Result result) {
    engine_.SetMessageHandler("outer", nullptr);  // Destroys this very handler's registration.
    inner_reply = Call("inner", "ping");
    result->Success(EncodableValue(*token));  // The captures are still alive here.
  });

  std::shared_ptr<const DartReply> reply = Call("outer", "go");

  EXPECT_EQ(reply->ToString(), "success: 1");
  EXPECT_EQ(inner_reply->ToString(), "success: \"inner saw ping\"");
  EXPECT_FALSE(engine_.HasHandler("outer"));
  EXPECT_EQ(token.use_count(), 1);
}

// Unregisters another channel when destroyed, as a plugin's destructor might.
struct Unregisterer {
  HeadlessEngine* engine;
  ~Unregisterer() { engine->SetMessageHandler("other", nullptr); }
};

TEST(HeadlessEngine, DestroyingTheEngineReleasesWhatHandlersOwn) {
  auto owned = std::make_shared<int>(1);
  std::weak_ptr<int> watch = owned;
  Result kept;
  {
    HeadlessEngine engine;
    auto unregisterer = std::make_shared<Unregisterer>(Unregisterer{&engine});
    engine.SetMessageHandler(
        "owner", [owned, unregisterer](const uint8_t*, size_t, flutter::BinaryReply) {});
    engine.SetMessageHandler("other", [](const uint8_t*, size_t, flutter::BinaryReply) {});
    flutter::MethodChannel<EncodableValue> channel(&engine, "keep",
                                                   &StandardMethodCodec::GetInstance());
    channel.SetMethodCallHandler(
        [&kept](const MethodCall<EncodableValue>&, Result result) { kept = std::move(result); });
    std::shared_ptr<const DartReply> reply = engine.CallMethod("keep", "m", EncodableValue());
    owned.reset();
    EXPECT_FALSE(watch.expired());
  }
  EXPECT_TRUE(watch.expired());
  // A result that outlives the engine still answers safely into its record.
  kept->Success();
}

TEST_F(HeadlessEngineTest, PluginSideMessagesAreRecordedAndGetTheEmptyReply) {
  flutter::MethodChannel<EncodableValue> channel(&engine_, "flutter/test",
                                                 &StandardMethodCodec::GetInstance());
  int not_implemented = 0;
  channel.InvokeMethod("onAdLoaded", std::make_unique<EncodableValue>("banner"),
                       std::make_unique<flutter::MethodResultFunctions<EncodableValue>>(
                           nullptr, nullptr, [&] { ++not_implemented; }));
  channel.Resize(3);
  channel.SetWarnsOnOverflow(false);

  EXPECT_EQ(not_implemented, 1);
  const std::vector<HeadlessEngine::SentMessage>& sent = engine_.sent_messages();
  ASSERT_EQ(sent.size(), 3u);
  std::unique_ptr<MethodCall<EncodableValue>> call =
      StandardMethodCodec::GetInstance().DecodeMethodCall(sent[0].bytes);
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(sent[0].channel, "flutter/test");
  EXPECT_EQ(call->method_name(), "onAdLoaded");
  EXPECT_EQ(*call->arguments(), EncodableValue("banner"));
  EXPECT_EQ(sent[1].channel, "dev.flutter/channel-buffers");
  EXPECT_EQ(ToHex(sent[1].bytes),
            "07 06 72 65 73 69 7a 65 0c 02 07 0c 66 6c 75 74 74 65 72 2f 74 65 73 74 03 03 00 00 "
            "00");
  EXPECT_EQ(ToHex(sent[2].bytes),
            "07 08 6f 76 65 72 66 6c 6f 77 0c 02 07 0c 66 6c 75 74 74 65 72 2f 74 65 73 74 01");
}

TEST_F(HeadlessEngineTest, InvokeMethodDecodesTheReplyIntoTheResult) {
  // Stands in for a Dart reply: whatever the messenger answers reaches the result decoded.
  struct Row {
    const char* name;
    std::vector<uint8_t> reply;
    std::string expected;
  } rows[] = {
      {"success", Hex("00 07 02 6f 6b"), "success ok"},
      {"error", Hex("01 07 01 65 07 01 6d 00"), "error e m"},
      {"empty", {}, "not implemented"},
      {"undecodable", Hex("05"), "not implemented"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    struct Replier : flutter::BinaryMessenger {
      std::vector<uint8_t> reply;
      void Send(const std::string&, const uint8_t*, size_t,
                flutter::BinaryReply on_reply) const override {
        on_reply(reply.empty() ? nullptr : reply.data(), reply.size());
      }
      void SetMessageHandler(const std::string&, flutter::BinaryMessageHandler) override {}
    } messenger;
    messenger.reply = row.reply;
    std::string seen;
    flutter::MethodChannel<EncodableValue> channel(&messenger, "c",
                                                   &StandardMethodCodec::GetInstance());
    StderrOf([&] {
      channel.InvokeMethod(
          "m", nullptr,
          std::make_unique<flutter::MethodResultFunctions<EncodableValue>>(
              [&](const EncodableValue* v) { seen = "success " + std::get<std::string>(*v); },
              [&](const std::string& code, const std::string& message, const EncodableValue*) {
                seen = "error " + code + " " + message;
              },
              [&] { seen = "not implemented"; }));
    });
    EXPECT_EQ(seen, row.expected);
  }
}

TEST_F(HeadlessEngineTest, BasicMessageChannelDecodesMessagesAndEncodesReplies) {
  flutter::BasicMessageChannel<EncodableValue> channel(
      &engine_, "qeva/messages", &flutter::StandardMessageCodec::GetInstance());
  EncodableValue received;
  channel.SetMessageHandler(
      [&](const EncodableValue& message, const flutter::MessageReply<EncodableValue>& reply) {
        received = message;
        reply(EncodableValue("pong"));
      });

  std::shared_ptr<const DartReply> reply =
      engine_.SendBytes("qeva/messages", Hex("07 04 70 69 6e 67"));
  EXPECT_EQ(received, EncodableValue("ping"));
  EXPECT_EQ(ToHex(reply->bytes()), "07 04 70 6f 6e 67");

  std::shared_ptr<const DartReply> bad;
  std::string log = StderrOf([&] { bad = engine_.SendBytes("qeva/messages", Hex("07 04 70")); });
  EXPECT_EQ(log, "Unable to decode message on channel qeva/messages\n");
  EXPECT_EQ(bad->kind(), DartReply::Kind::kNotImplemented);
}

// The engine's side of the C API, as a real engine keeps it: each response handle answered
// once and then forgotten, handles still unanswered released at shutdown, after the registrar's
// destruction handler ran on a working messenger; after shutdown the messenger is unavailable
// and drops what is sent.
struct CApiProbe {
  std::vector<const FlutterDesktopMessageResponseHandle*> handles;
  int replies = 0;
  int released = 0;
  std::vector<uint8_t> last_reply;
};
CApiProbe* g_probe = nullptr;
bool g_available_at_destruction = false;

TEST(HeadlessEngine, KeepsTheRulesOfTheEnginesCApi) {
  CApiProbe probe;
  g_probe = &probe;
  auto engine = std::make_unique<HeadlessEngine>();
  FlutterDesktopMessengerRef messenger = FlutterDesktopMessengerAddRef(engine->core_messenger());
  FlutterDesktopMessengerSetCallback(
      messenger, "c",
      [](FlutterDesktopMessengerRef, const FlutterDesktopMessage* message, void* user_data) {
        static_cast<CApiProbe*>(user_data)->handles.push_back(message->response_handle);
      },
      &probe);
  FlutterDesktopPluginRegistrarSetDestructionHandler(
      engine->registrar(), [](FlutterDesktopPluginRegistrarRef registrar) {
        g_available_at_destruction = FlutterDesktopMessengerIsAvailable(
            FlutterDesktopPluginRegistrarGetMessenger(registrar));
      });
  HeadlessEngine::ReplyHooks hooks{[&probe](const uint8_t* bytes, size_t size) {
                                     ++probe.replies;
                                     probe.last_reply.assign(bytes, bytes + size);
                                   },
                                   [&probe] { ++probe.released; }};
  engine->SendBytes("c", {1}, hooks);
  engine->SendBytes("c", {2}, hooks);
  ASSERT_EQ(probe.handles.size(), 2u);
  const uint8_t answer[] = {7, 8};
  FlutterDesktopMessengerSendResponse(messenger, probe.handles[0], answer, sizeof answer);
  EXPECT_EQ(probe.replies, 1);
  EXPECT_EQ(probe.last_reply, (std::vector<uint8_t>{7, 8}));

  FlutterDesktopMessengerSetCallback(messenger, "c", nullptr, nullptr);
  EXPECT_FALSE(engine->HasHandler("c"));
  engine->SendBytes("c", {3}, hooks);
  EXPECT_EQ(probe.handles.size(), 2u);
  EXPECT_EQ(probe.replies, 2);
  EXPECT_TRUE(probe.last_reply.empty());
  EXPECT_EQ(probe.released, 0);

  engine.reset();
  EXPECT_TRUE(g_available_at_destruction);
  EXPECT_EQ(probe.released, 1);
  EXPECT_EQ(probe.replies, 2);
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(messenger));
  EXPECT_FALSE(FlutterDesktopMessengerSend(messenger, "c", answer, sizeof answer));
  EXPECT_FALSE(FlutterDesktopMessengerSendWithReply(
      messenger, "c", answer, sizeof answer,
      [](const uint8_t*, size_t, void*) { ++g_probe->replies; }, nullptr));
  EXPECT_EQ(probe.replies, 2);
  FlutterDesktopMessengerRelease(messenger);
  g_probe = nullptr;
}

TEST(PluginRegistrar, KeepsPluginsUntilDestroyedNewestFirst) {
  std::vector<std::string> destroyed;
  struct Recorder : flutter::Plugin {
    Recorder(std::string name, std::vector<std::string>* log) : name(std::move(name)), log(log) {}
    ~Recorder() override { log->push_back(name); }
    std::string name;
    std::vector<std::string>* log;
  };
  HeadlessEngine engine;
  {
    flutter::PluginRegistrar registrar(engine.registrar());
    registrar.AddPlugin(std::make_unique<Recorder>("first", &destroyed));
    registrar.AddPlugin(std::make_unique<Recorder>("second", &destroyed));
    EXPECT_TRUE(destroyed.empty());
  }
  EXPECT_EQ(destroyed, (std::vector<std::string>{"second", "first"}));
}

TEST(ToString, RendersValuesForTranscripts) {
  struct Row {
    EncodableValue value;
    std::string expected;
  } rows[] = {
      {EncodableValue(), "null"},
      {EncodableValue(3), "3"},
      {EncodableValue(int64_t{-3}), "-3L"},
      {EncodableValue(1.0), "1.0"},
      {EncodableValue(0.1), "0.1"},
      {EncodableValue("a\"b\\c\n"), "\"a\\\"b\\\\c\\n\""},
      {EncodableValue(std::vector<int32_t>{1, -2}), "Int32List[1, -2]"},
      {EncodableValue(std::vector<float>{0.5f}), "Float32List[0.5]"},
      {EncodableValue(EncodableMap{{EncodableValue("z"), EncodableValue(EncodableList{})},
                                   {EncodableValue("a"), EncodableValue(false)}}),
       "{\"a\": false, \"z\": []}"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    EXPECT_EQ(headless::ToString(row.value), row.expected);
  }
}

}  // namespace

TEST_F(HeadlessEngineTest, ReplyEnvelopesAreReadAsDartReadsThem) {
  struct Row {
    const char* name;
    const char* reply;
    const char* expected;
  } rows[] = {
      {"success", "00 07 02 6f 6b", "success: \"ok\""},
      {"success map", "00 0d 01 07 01 6b 03 07 00 00 00", "success: {\"k\": 7}"},
      {"success null", "00 00", "success: null"},
      {"tag alone", "00", "undecodable reply of 1 bytes"},
      {"cut value", "00 07 05 6f 6b", "undecodable reply of 5 bytes"},
      {"trailing byte", "00 07 02 6f 6b 00", "undecodable reply of 6 bytes"},
      {"error", "01 07 01 65 07 01 6d 00", "error(e, \"m\", null)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::vector<uint8_t> bytes = Hex(row.reply);
    engine_.SetMessageHandler("replay",
                              [bytes](const uint8_t*, size_t, flutter::BinaryReply reply) {
                                reply(bytes.data(), bytes.size());
                              });
    EXPECT_EQ(engine_.SendBytes("replay", {})->ToString(), row.expected);
  }
}
