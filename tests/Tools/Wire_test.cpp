// qeva-host's wire mode end to end: the tool runs as a child process, a WireClient plays Dart,
// and every reply is checked byte for byte against the same calls made in this process on the
// headless engine.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <flutter/standard_message_codec.h>
#include <flutter/standard_method_codec.h>

#include "Core/QevaFlutterManager.h"
#include "DartValues.h"
#include "Foundation/UUID.h"
#include "HostActions.h"
#include "HostTestSupport.h"
#include "QevaStandIn/StandIn.h"
#include "Transcript.h"
#include "WireClient.h"
#include "headless/HeadlessEngine.h"

namespace QevaHost::testing {
namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;
using wire::WireClient;

// A display ad, and a GAM banner with a fallback whose click tracker goes to a closed port
// (a fixed address, so that both hosts serve the same markup).
constexpr char kInventory[] = R"({
  "home-display": [{"signature": "iab.smartphonebanner", "markup": "<p>display</p>",
                    "width": 320, "height": 50}],
  "home-gam": [{"signature": "nw.gambanner",
                "markup": {"adnetwork_params": {"click-url": ["http://127.0.0.1:1/click"]}},
                "fallback": [{"signature": "iab.mediumrectangle", "markup": "<p>fallback</p>",
                              "width": 300, "height": 250}]}]
})";
constexpr char kSecret[] = "wire-secret";

EncodableValue Value(const std::string& json_text) {
  EncodableValue value;
  std::string error;
  EXPECT_TRUE(FromJson(nlohmann::json::parse(json_text), "test", &value, &error)) << error;
  return value;
}

EncodableMap Map(const std::string& json_text) {
  return std::get<EncodableMap>(Value(json_text));
}

EncodableValue Decode(const std::vector<uint8_t>& envelope) {
  EncodableValue value;
  if (envelope.empty() || envelope[0] != 0) {
    ADD_FAILURE() << "not a success envelope: " << envelope.size() << " bytes";
    return value;
  }
  std::unique_ptr<EncodableValue> decoded =
      flutter::StandardMessageCodec::GetInstance().DecodeMessage(envelope.data() + 1,
                                                                 envelope.size() - 1);
  return decoded ? *decoded : value;
}

// Values as text, so that a failure shows them readably.
std::string Show(const EncodableValue& value) {
  return headless::ToString(value);
}
std::vector<std::string> Show(const std::vector<EncodableMap>& maps) {
  std::vector<std::string> shown;
  for (const EncodableMap& map : maps) {
    shown.push_back(Show(EncodableValue(map)));
  }
  return shown;
}

// The events of type |type|, their "time" left out, as text.
std::vector<std::string> Events(const std::vector<EncodableMap>& events, const char* type) {
  std::vector<EncodableMap> picked;
  for (EncodableMap event : events) {
    if (event[EncodableValue("event")] == EncodableValue(type)) {
      event.erase(EncodableValue("time"));
      picked.push_back(std::move(event));
    }
  }
  return Show(picked);
}

// The one "unanswered" event of a "QevaAdSpace" call, "time" aside, as Events() shows it.
std::vector<std::string> Unanswered(uint32_t id, const char* method, const char* reason,
                                    const char* detail) {
  EncodableMap event = Map(R"({"event": "unanswered", "channel": "QevaAdSpace"})");
  event[EncodableValue("id")] = EncodableValue(static_cast<int64_t>(id));
  event[EncodableValue("method")] = EncodableValue(method);
  event[EncodableValue("reason")] = EncodableValue(reason);
  event[EncodableValue("detail")] = EncodableValue(detail);
  return Show(std::vector<EncodableMap>{event});
}

// The same calls made in this process, straight on the headless engine, with the stand-in
// seeded and stocked as the wire host is.
class Reference {
 public:
  Reference() {
    Foundation::UUID::SetByteSource(Foundation::UUID::SeededByteSource(1));
    std::string error;
    EXPECT_TRUE(sdk().inventory().loadJson(kInventory, &error)) << error;
    manager_ = QevaFlutter::QevaFlutterManager::Create(&engine_);
  }
  ~Reference() { Foundation::UUID::SetByteSource(nullptr); }

  QevaStandIn::StandIn& sdk() const { return scope_.sdk(); }

  // Makes the call and runs what is due, as the wire host does after each frame.
  std::shared_ptr<const headless::DartReply> Call(const std::string& channel,
                                                  const std::string& method,
                                                  const EncodableValue& arguments) {
    std::shared_ptr<const headless::DartReply> reply =
        engine_.CallMethod(channel, method, arguments);
    sdk().runLoop().runUntilIdle();
    return reply;
  }

  // What the wire's log and journal events must be, "time" aside: every line and entry of
  // this run, in order, the secret masked.
  std::vector<std::string> LogEvents() const {
    std::vector<EncodableMap> events;
    for (const QevaStandIn::LogLine& line : sdk().logSink().lines()) {
      events.push_back(
          {{EncodableValue("event"), EncodableValue("log")},
           {EncodableValue("level"), EncodableValue(Qeva::QevaLogTypeName(line.level))},
           {EncodableValue("message"), EncodableValue(line.message)},
           {EncodableValue("function"), EncodableValue(line.function)},
           {EncodableValue("file"), EncodableValue(line.file)},
           {EncodableValue("line"), EncodableValue(line.line)}});
    }
    return Show(events);
  }
  std::vector<std::string> JournalEvents() const {
    std::vector<EncodableMap> events;
    for (const QevaStandIn::JournalEntry& entry : sdk().journal().entries()) {
      std::string text = entry.ToString();
      const std::string secret = std::string("\"") + kSecret + "\"";
      if (size_t at = text.find(secret); at != std::string::npos) {
        text.replace(at, secret.size(), "\"••••\"");
      }
      events.push_back({{EncodableValue("event"), EncodableValue("journal")},
                        {EncodableValue("kind"), EncodableValue(JournalKindName(entry.kind))},
                        {EncodableValue("entry"), EncodableValue(text)}});
    }
    return Show(events);
  }

 private:
  // Declared first: the plugin's last calls on the SDK still find it.
  QevaStandIn::StandInScope scope_;
  headless::HeadlessEngine engine_;
  std::shared_ptr<QevaFlutter::QevaFlutterManager> manager_;
};

class WireTest : public ::testing::Test {
 protected:
  // Makes the call over the wire and on the reference; the replies must be the same bytes.
  // Returns the decoded success value.
  EncodableValue Both(WireClient& client, const std::string& channel, const std::string& method,
                      const EncodableValue& arguments) {
    SCOPED_TRACE(channel + "." + method);
    const std::optional<std::vector<uint8_t>> wire = client.Call(channel, method, arguments);
    std::shared_ptr<const headless::DartReply> local = reference_.Call(channel, method, arguments);
    EXPECT_TRUE(wire.has_value()) << client.error();
    EXPECT_TRUE(local->answered()) << local->ToString();
    EXPECT_EQ(wire.value_or(std::vector<uint8_t>{}), local->bytes());
    return local->value();
  }

  // Runs a host action over the control channel; returns its success value.
  EncodableValue Control(WireClient& client, const std::string& action,
                         const EncodableValue& argument) {
    const std::optional<std::vector<uint8_t>> reply =
        client.Call(wire::kControlChannel, action, argument);
    EXPECT_TRUE(reply.has_value()) << client.error();
    return reply ? Decode(*reply) : EncodableValue();
  }

  static EncodableValue Done(const std::string& action, const std::string& outcome, int64_t time) {
    return EncodableValue(EncodableMap{{EncodableValue("action"), EncodableValue(action)},
                                       {EncodableValue("outcome"), EncodableValue(outcome)},
                                       {EncodableValue("time"), EncodableValue(time)}});
  }

  static std::string Id(const EncodableValue& ready) {
    return std::get<std::string>(std::get<EncodableMap>(ready).at(EncodableValue("adSpaceId")));
  }

  Reference reference_;
};

TEST_F(WireTest, RoadOfAnAdOverStdioMatchesTheEngineByteForByte) {
  HostProcess host({"--wire", "--seed", "1"});
  WireClient client(host.from_host(), host.to_host());
  EXPECT_EQ(Control(client, "setInventory", Value(kInventory)),
            Done("setInventory", "inventory replaced", 0));

  EXPECT_EQ(
      Show(Both(client, "QevaManager", "QevaManager",
                Value(R"({"accountId": "1001", "appId": "2002", "secretKey": "wire-secret"})"))),
      Show(EncodableValue("success")));
  Both(client, "QevaUser", "QevaUser", Value(R"({"id": "user-42", "keywords": ["sport"]})"));
  const std::string display = Id(Both(client, "QevaAdSpace", "AdRequest",
                                      Value(R"({"tagId": "home-display", "refreshRate": "0"})")));
  const EncodableValue on_display(
      EncodableMap{{EncodableValue("adSpaceId"), EncodableValue(display)}});
  Both(client, "QevaAdSpace", "AdRender", on_display);
  EncodableMap click = std::get<EncodableMap>(on_display);
  click[EncodableValue("clickUrl")] = EncodableValue("https://example.com/landing");
  Both(client, "QevaAdSpace", "AdClick", EncodableValue(click));

  const std::string gam = Id(Both(client, "QevaAdSpace", "AdRequest",
                                  Value(R"({"tagId": "home-gam", "refreshRate": "30"})")));
  const EncodableValue on_gam(EncodableMap{{EncodableValue("adSpaceId"), EncodableValue(gam)}});
  Both(client, "QevaAdSpace", "AdClick", on_gam);
  // The fallback ad's ready reply.
  EXPECT_EQ(Show(std::get<EncodableMap>(Both(client, "QevaAdSpace", "FallbackAd", on_gam))
                     .at(EncodableValue("response"))),
            Show(EncodableValue(R"({"adSize":"300x250","response":"<p>fallback</p>"})")));

  // A refresh waits for the ad space's next event, which the control channel fires.
  const uint32_t refresh = client.Invoke("QevaAdSpace", "AdRefresh", on_display);
  std::shared_ptr<const headless::DartReply> local_refresh =
      reference_.Call("QevaAdSpace", "AdRefresh", on_display);
  EXPECT_FALSE(local_refresh->answered());
  EXPECT_EQ(Control(client, "fire", Value(R"({"adSpace": 1, "event": "refresh"})")),
            Done("fire", "onAdRefresh on adSpace#1", 0));
  reference_.sdk().adSpace(1)->fireEvent(QevaStandIn::AdEvent::refresh);
  EXPECT_EQ(client.Reply(refresh), std::optional(local_refresh->bytes()));

  Both(client, "QevaAdSpace", "AdPause", on_gam);
  EXPECT_EQ(Control(client, "advance", EncodableValue(3000)),
            Done("advance", "now t=3000ms", 3000));
  reference_.sdk().runLoop().advanceBy(3000);
  const uint32_t lost = client.Invoke("QevaAdSpace", "AdRender", Value(R"({"adSpaceId": "x"})"));
  EXPECT_FALSE(
      reference_.Call("QevaAdSpace", "AdRender", Value(R"({"adSpaceId": "x"})"))->answered());

  host.CloseInput();
  EXPECT_TRUE(client.ReadToEnd()) << client.error();
  EXPECT_FALSE(client.HasReply(lost));
  EXPECT_EQ(host.Wait(), 0);

  // Every log line and journal entry of the in-process run, in order, and nothing else.
  EXPECT_EQ(Events(client.events(), "log"), reference_.LogEvents());
  EXPECT_EQ(Events(client.events(), "journal"), reference_.JournalEvents());
  EXPECT_EQ(Events(client.events(), "tracker"),
            Show(std::vector<EncodableMap>{
                Map(R"({"event": "tracker", "kind": "request", "url": "http://127.0.0.1:1/click",
                        "path": "", "status": 0, "detail": "tracker#1 click"})"),
                Map(R"({"event": "tracker", "kind": "failed", "url": "http://127.0.0.1:1/click",
                        "path": "", "status": 0, "detail": "could not connect"})")}));
  EXPECT_EQ(Events(client.events(), "unanswered"),
            Unanswered(lost, "AdRender", "no-ad-space", "no ad space for id \"x\""));
}

TEST_F(WireTest, LoopbackPortServesClientsOneAfterAnotherUntilASignal) {
  HostProcess host({"--wire-port", "0"});
  const std::string port = host.WaitForErrorLine("qeva-host: listening on 127.0.0.1:");
  ASSERT_FALSE(port.empty());
  std::string error;

  // A client that breaks the framing loses its connection, not the server.
  const int rude = WireClient::ConnectLoopback(std::stoi(port), &error);
  ASSERT_GE(rude, 0) << error;
  WireClient first(rude, rude);
  first.SendRaw(wire::EncodeFrame(wire::Kind::event, 0, nullptr, 0));
  EXPECT_TRUE(first.ReadToEnd()) << first.error();
  EXPECT_EQ(Events(first.events(), "error"),
            Show(std::vector<EncodableMap>{Map(R"({"event": "error", "reason": "wrong-direction",
                        "message": "frame kind 2 goes from the host to the client only"})")}));
  close(rude);

  // The next client gets a fresh host: the same ids as a fresh engine.
  const int fd = WireClient::ConnectLoopback(std::stoi(port), &error);
  ASSERT_GE(fd, 0) << error;
  WireClient client(fd, fd);
  Control(client, "setInventory", Value(kInventory));
  Both(client, "QevaManager", "QevaManager", Value(R"({"secretKey": "wire-secret"})"));
  const std::string display = Id(Both(client, "QevaAdSpace", "AdRequest",
                                      Value(R"({"tagId": "home-display", "refreshRate": "0"})")));
  const uint32_t pending = client.Invoke(
      "QevaAdSpace", "AdRefresh",
      EncodableValue(EncodableMap{{EncodableValue("adSpaceId"), EncodableValue(display)}}));
  client.TakeEvents();
  EXPECT_EQ(Control(client, "unanswered", EncodableValue()),
            Done("unanswered", "1 call(s) unanswered", 0));
  const std::vector<std::string> still_pending = Unanswered(
      pending, "AdRefresh", "pending", "still pending: no event of its ad space answered it");
  EXPECT_EQ(Events(client.TakeEvents(), "unanswered"), still_pending);

  shutdown(fd, SHUT_WR);
  EXPECT_TRUE(client.ReadToEnd()) << client.error();
  EXPECT_EQ(Events(client.events(), "unanswered"), still_pending);
  close(fd);

  host.Signal(SIGTERM);
  EXPECT_EQ(host.Wait(), 0);
}

TEST_F(WireTest, ControlCallsThatCannotRunAreErrorReplies) {
  struct Row {
    const char* name;
    std::string method;
    EncodableValue argument;
    std::string code;
    std::string message;
  };
  const std::vector<Row> rows = {
      {"an unknown action", "dance", EncodableValue(), "unknown-action",
       "no host action \"dance\" (known: " + HostActions::Standard().Names() + ", unanswered)"},
      {"an argument that does not fit", "advance", EncodableValue(1.5), "bad-arguments",
       "\"advance\": must be an integer >= 0 (milliseconds), got 1.5"},
      {"text the codec refuses (not UTF-8)", "advance",
       EncodableValue(std::string("ab\xff"
                                  "cd")),
       "bad-call", "a string in the message is not UTF-8: byte 13 in \"ab\\xffcd\""},
      {"an action that fails", "fire", Value(R"({"adSpaceId": "nope", "event": "ready"})"),
       "action-failed", "fire: the plugin keeps no ad space under that id"},
      {"a load failure without an ad", "fire", Value(R"({"adSpace": 1, "event": "loadFailure"})"),
       "action-failed", "fire: adSpace#1 holds no ad"},
  };
  HostProcess host({"--wire"});
  WireClient client(host.from_host(), host.to_host());
  // adSpace#1 exists, but the SDK was never started: no renderer claims its ad.
  client.Call("QevaAdSpace", "AdRequest", Value(R"({"tagId": "home-display"})"));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::optional<std::vector<uint8_t>> reply =
        client.Call(wire::kControlChannel, row.method, row.argument);
    ASSERT_TRUE(reply.has_value()) << client.error();
    EXPECT_EQ(*reply, *flutter::StandardMethodCodec::GetInstance().EncodeErrorEnvelope(
                          row.code, row.message));
  }
  host.CloseInput();
  EXPECT_TRUE(client.ReadToEnd());
  EXPECT_EQ(host.Wait(), 0);
}

std::vector<uint8_t> Length(uint32_t length) {
  return {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
          static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

TEST(WireFramingTest, MalformedFramesEndTheConnectionWithAnErrorEvent) {
  struct Row {
    const char* name;
    std::vector<uint8_t> bytes;  // The input ends after them.
    const char* reason;
    std::string message;
  };
  const std::vector<uint8_t> body = {3, 0, 'a', 'b', 'c', 0, 0};
  const std::vector<uint8_t> message = wire::EncodeFrame(wire::Kind::message, 9, body.data(), 7);
  const std::vector<Row> rows = {
      {"a length below the header", Length(4), "bad-length",
       "frame length 4 is not within 5 to 16777216"},
      {"a length above the limit", Length(wire::kMaxFrameLength + 1), "bad-length",
       "frame length 16777217 is not within 5 to 16777216"},
      {"a length of 4 GiB", Length(0xFFFFFFFF), "bad-length",
       "frame length 4294967295 is not within 5 to 16777216"},
      {"an unknown kind", wire::EncodeFrame(static_cast<wire::Kind>(3), 1, nullptr, 0),
       "unknown-kind", "frame kind 3 is unknown (0 is a message)"},
      {"a reply from the client", wire::EncodeFrame(wire::Kind::reply, 1, nullptr, 0),
       "wrong-direction", "frame kind 1 goes from the host to the client only"},
      {"no room for the channel name's length",
       wire::EncodeFrame(wire::Kind::message, 1, body.data(), 1), "bad-channel-length",
       "a message body of 1 byte(s) has no room for the channel name's length"},
      {"a channel name past the body", wire::EncodeFrame(wire::Kind::message, 1, body.data(), 4),
       "bad-channel-length", "the channel name's length 3 runs past the message body of 4 bytes"},
      {"a length cut short", Cut(message, 2), "truncated", "the stream ended inside a frame"},
      {"a header cut short", Cut(message, 6), "truncated", "the stream ended inside a frame"},
      {"a body cut short", Cut(message, message.size() - 1), "truncated",
       "the stream ended inside a frame"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    HostProcess host({"--wire"});
    WireClient client(host.from_host(), host.to_host());
    client.SendRaw(row.bytes);
    host.CloseInput();
    EXPECT_TRUE(client.ReadToEnd()) << client.error();
    ASSERT_EQ(client.events().size(), 1u);
    EncodableMap error = client.events()[0];
    error.erase(EncodableValue("time"));
    EXPECT_EQ(Show(EncodableValue(error)),
              Show(EncodableValue(
                  EncodableMap{{EncodableValue("event"), EncodableValue("error")},
                               {EncodableValue("reason"), EncodableValue(row.reason)},
                               {EncodableValue("message"), EncodableValue(row.message)}})));
    EXPECT_EQ(host.Wait(), 2);
  }
}

TEST(WireFramingTest, FramesUpToSixteenMebibytesAreServedAndLargerOnesRefused) {
  HostProcess host({"--wire"});
  WireClient client(host.from_host(), host.to_host());
  // The largest frame: a message of zeros for a channel nobody handles gets the empty reply.
  const std::string channel = "nobody";
  const std::vector<uint8_t> filler(wire::kMaxFrameLength - wire::kHeaderSize - 2 - channel.size());
  const uint32_t id = client.Send(channel, filler);
  EXPECT_EQ(client.Reply(id), std::optional(std::vector<uint8_t>{}));
  client.SendRaw(Length(wire::kMaxFrameLength + 1));
  host.CloseInput();
  EXPECT_TRUE(client.ReadToEnd());
  ASSERT_EQ(client.events().size(), 1u);
  EXPECT_EQ(Show(client.events()[0].at(EncodableValue("reason"))), "\"bad-length\"");
  EXPECT_EQ(host.Wait(), 2);
}

}  // namespace
}  // namespace QevaHost::testing
