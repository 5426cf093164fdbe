// Event channels through the headless engine: Dart listens and cancels, events arrive as
// envelopes on the channel.

#include <flutter/event_channel.h>
#include <flutter/event_stream_handler_functions.h>
#include <flutter/standard_method_codec.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ValuePrinter.h"
#include "headless/HeadlessEngine.h"

namespace {

using flutter::EncodableValue;
using flutter::EventSink;
using flutter::StandardMethodCodec;
using flutter::StreamHandlerError;
using headless::DartReply;
using headless::HeadlessEngine;

using Sink = std::unique_ptr<EventSink<EncodableValue>>;
using HandlerError = std::unique_ptr<StreamHandlerError<EncodableValue>>;

constexpr char kChannel[] = "qeva_flutter/events";

class EventChannelTest : public testing::Test {
 protected:
  EventChannelTest() : channel_(&engine_, kChannel, &StandardMethodCodec::GetInstance()) {}

  // Registers a handler that keeps the sink and logs each listen and cancel.
  void Listen(HandlerError listen_error = nullptr) {
    auto error = std::make_shared<HandlerError>(std::move(listen_error));
    channel_.SetStreamHandler(std::make_unique<flutter::StreamHandlerFunctions<EncodableValue>>(
        [this, error](const EncodableValue* arguments, Sink&& events) {
          journal_.push_back("listen " + headless::ToString(*arguments));
          sink_ = std::move(events);
          return std::move(*error);
        },
        [this](const EncodableValue* arguments) {
          journal_.push_back(arguments ? "cancel " + headless::ToString(*arguments)
                                       : "cancel without arguments");
          return HandlerError();
        }));
  }

  // The events sent on the channel so far, decoded.
  std::vector<std::string> Events() const {
    std::vector<std::string> events;
    for (const HeadlessEngine::SentMessage& sent : engine_.sent_messages()) {
      if (sent.bytes.empty()) {
        events.push_back("end of stream");
        continue;
      }
      events.push_back(DecodeEnvelope(sent.bytes)->ToString());
    }
    return events;
  }

  std::shared_ptr<const DartReply> DecodeEnvelope(const std::vector<uint8_t>& bytes) const {
    // Replaying the bytes as a reply decodes them the way Dart's event stream does.
    HeadlessEngine replay;
    replay.SetMessageHandler("replay", [bytes](const uint8_t*, size_t, flutter::BinaryReply reply) {
      reply(bytes.data(), bytes.size());
    });
    return replay.SendBytes("replay", {});
  }

  HeadlessEngine engine_;
  flutter::EventChannel<EncodableValue> channel_;
  Sink sink_;
  std::vector<std::string> journal_;
};

TEST_F(EventChannelTest, EventsFlowBetweenListenAndCancel) {
  Listen();
  EXPECT_EQ(engine_.CallMethod(kChannel, "listen", EncodableValue("ads"))->ToString(),
            "success: null");
  sink_->Success(EncodableValue(1));
  sink_->Error("load_failed", "no fill", EncodableValue(204));
  sink_->EndOfStream();
  EXPECT_EQ(engine_.CallMethod(kChannel, "cancel", EncodableValue())->ToString(), "success: null");

  EXPECT_EQ(Events(), (std::vector<std::string>{
                          "success: 1", "error(load_failed, \"no fill\", 204)", "end of stream"}));
  EXPECT_EQ(journal_, (std::vector<std::string>{"listen \"ads\"", "cancel null"}));
}

TEST_F(EventChannelTest, ListenAgainCancelsTheFirstStream) {
  Listen();
  engine_.CallMethod(kChannel, "listen", EncodableValue(1));
  engine_.CallMethod(kChannel, "listen", EncodableValue(2));
  EXPECT_EQ(journal_,
            (std::vector<std::string>{"listen 1", "cancel without arguments", "listen 2"}));
}

TEST_F(EventChannelTest, RefusalsAndStrayCallsAreAnswered) {
  Listen(std::make_unique<StreamHandlerError<EncodableValue>>("denied", "not now",
                                                              std::make_unique<EncodableValue>(3)));
  struct Row {
    const char* method;
    std::string reply;
  } rows[] = {
      {"cancel", "error(error, \"No active stream to cancel\", null)"},
      {"listen", "error(denied, \"not now\", 3)"},
      {"pause", "not implemented"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.method);
    EXPECT_EQ(engine_.CallMethod(kChannel, row.method, EncodableValue())->ToString(), row.reply);
  }
}

}  // namespace
