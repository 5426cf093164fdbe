#include "FlBinaryMessengerAdapter.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "test_engine.h"

namespace QevaFlutterLinux {
namespace {

using Bytes = std::vector<uint8_t>;

// What Dart got back for one message: nothing yet, or the reply bytes (empty: the empty reply).
struct DartSide {
  int replies = 0;
  Bytes last;
};

void OnReply(GBytes* reply, gpointer user_data) {
  auto* dart = static_cast<DartSide*>(user_data);
  ++dart->replies;
  dart->last.clear();
  if (reply != nullptr) {
    gsize size = 0;
    const auto* data = static_cast<const uint8_t*>(g_bytes_get_data(reply, &size));
    dart->last.assign(data, data + size);
  }
}

class AdapterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    live_before_ = fl_test_engine_live_objects();
    unanswered_before_ = fl_test_engine_unanswered_handles();
    engine_ = fl_test_engine_new();
    adapter_ = FlBinaryMessengerAdapter::Create(fl_engine_get_binary_messenger(engine_));
  }
  void TearDown() override {
    adapter_.reset();
    if (engine_ != nullptr) {
      g_object_unref(engine_);
    }
    Spin();
    EXPECT_EQ(fl_test_engine_live_objects(), live_before_) << "engine objects leaked";
  }
  // Runs the main loop until nothing is pending.
  static void Spin() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
  }
  void SendFromDart(const std::string& channel, const Bytes& message, DartSide* dart) {
    GBytes* bytes = g_bytes_new(message.data(), message.size());
    fl_test_engine_send_from_dart(engine_, channel.c_str(), bytes, OnReply, dart);
    g_bytes_unref(bytes);
    Spin();
  }
  // Sets a handler on |channel| that keeps each message's reply closure in |replies|.
  void Keep(const std::string& channel, std::vector<flutter::BinaryReply>* replies,
            std::vector<Bytes>* messages = nullptr) {
    adapter_->SetMessageHandler(channel, [replies, messages](const uint8_t* message, size_t size,
                                                             flutter::BinaryReply reply) {
      if (messages != nullptr) {
        messages->emplace_back(message, message + size);
      }
      replies->push_back(std::move(reply));
    });
  }

  FlEngine* engine_ = nullptr;
  std::shared_ptr<FlBinaryMessengerAdapter> adapter_;
  guint live_before_ = 0;
  guint unanswered_before_ = 0;
};

TEST_F(AdapterTest, EachMessageIsAnsweredOnceWithTheBytesGiven) {
  std::vector<flutter::BinaryReply> replies;
  std::vector<Bytes> messages;
  Keep("c", &replies, &messages);
  DartSide first, second;
  SendFromDart("c", {1, 2, 3}, &first);
  SendFromDart("c", {}, &second);
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(messages, (std::vector<Bytes>{{1, 2, 3}, {}}));
  EXPECT_EQ(first.replies + second.replies, 0) << "answered before the plugin replied";

  const uint8_t answer[] = {9, 8};
  replies[0](answer, sizeof answer);
  replies[0](answer, 1);  // A second reply reaches neither Dart nor the engine.
  replies[1](nullptr, 0);
  EXPECT_EQ(first.replies, 1);
  EXPECT_EQ(first.last, (Bytes{9, 8}));
  EXPECT_EQ(second.replies, 1);
  EXPECT_EQ(second.last, Bytes{});
  EXPECT_EQ(fl_test_engine_repeated_responses(), 0u);
  replies.clear();
  EXPECT_EQ(fl_test_engine_unanswered_handles(), unanswered_before_);
}

TEST_F(AdapterTest, AReplyDroppedUnansweredLetsTheEngineKnow) {
  std::vector<flutter::BinaryReply> replies;
  Keep("c", &replies);
  DartSide dart;
  SendFromDart("c", {1}, &dart);
  replies.clear();
  EXPECT_EQ(fl_test_engine_unanswered_handles(), unanswered_before_ + 1);
  EXPECT_EQ(dart.replies, 0);
}

// The handlers own the adapter, the engine owns the handlers: replacing, removing or the
// engine's going away frees what a handler holds, and the adapter with the last of them.
TEST_F(AdapterTest, HandlersLiveAsTheEngineKeepsThemAndKeepTheAdapter) {
  auto held = std::make_shared<int>(0);
  std::weak_ptr<int> first_handler_state = held;
  adapter_->SetMessageHandler(
      "a", [held](const uint8_t*, size_t, flutter::BinaryReply reply) { reply(nullptr, 0); });
  held.reset();
  std::vector<flutter::BinaryReply> replies;
  Keep("b", &replies);
  std::weak_ptr<FlBinaryMessengerAdapter> adapter = adapter_;
  adapter_.reset();
  EXPECT_FALSE(adapter.expired());

  adapter.lock()->SetMessageHandler("a", nullptr);
  EXPECT_TRUE(first_handler_state.expired());
  DartSide removed;
  SendFromDart("a", {1}, &removed);
  EXPECT_EQ(removed.replies, 1);
  EXPECT_EQ(removed.last, Bytes{});
  EXPECT_FALSE(adapter.expired());

  // A message still waiting when the engine goes may be answered later, to no one.
  DartSide pending;
  SendFromDart("b", {2}, &pending);
  ASSERT_EQ(replies.size(), 1u);
  g_object_unref(engine_);
  engine_ = nullptr;
  EXPECT_TRUE(adapter.expired());
  replies[0](nullptr, 0);
  EXPECT_EQ(pending.replies, 0);
  replies.clear();
  EXPECT_EQ(fl_test_engine_unanswered_handles(), unanswered_before_);
}

TEST_F(AdapterTest, SendDeliversDartsReplyOnTheMainLoop) {
  std::optional<Bytes> reply;
  const uint8_t message[] = {7};
  adapter_->Send("to-dart", message, sizeof message, [&reply](const uint8_t* bytes, size_t size) {
    reply.emplace(bytes, bytes + size);
  });
  adapter_->Send("to-dart", message, sizeof message);
  EXPECT_FALSE(reply.has_value());
  Spin();
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(*reply, Bytes{}) << "no Dart listener: the empty reply";
}

}  // namespace
}  // namespace QevaFlutterLinux
