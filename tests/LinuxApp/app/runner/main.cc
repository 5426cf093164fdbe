// The app's runner: the engine, the generated registrant, and Dart's side of the road of two
// ads, every call as standard method codec bytes through the engine's messenger and every reply
// waited for on a real GMainLoop. Exits 0 when every reply is the one expected byte for byte.
#include <flutter_linux/flutter_linux.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "generated_plugin_registrant.h"
#include "test_engine.h"

namespace {

using Bytes = std::vector<uint8_t>;

int failures = 0;

void Check(bool ok, const std::string& what) {
  if (!ok) {
    ++failures;
    std::fprintf(stderr, "FAILED: %s\n", what.c_str());
  }
}

// --- Dart's standard codec, as far as these calls need it. -------------------------------------

// A string, a bool, or a map of string keys, in the order the entries are written.
struct Value {
  enum Kind { kString, kBool, kMap } kind = kString;
  std::string text;
  bool flag = false;
  std::vector<std::pair<std::string, Value>> entries;
};

Value Str(std::string text) {
  Value value;
  value.text = std::move(text);
  return value;
}

Value Bool(bool flag) {
  Value value;
  value.kind = Value::kBool;
  value.flag = flag;
  return value;
}

Value Map(std::vector<std::pair<std::string, Value>> entries) {
  Value value;
  value.kind = Value::kMap;
  value.entries = std::move(entries);
  return value;
}

void WriteSize(Bytes& out, size_t size) {
  if (size < 254) {
    out.push_back(static_cast<uint8_t>(size));
  } else {
    out.push_back(254);
    out.push_back(static_cast<uint8_t>(size & 0xff));
    out.push_back(static_cast<uint8_t>(size >> 8));
  }
}

void Write(Bytes& out, const Value& value) {
  switch (value.kind) {
    case Value::kString:
      out.push_back(7);
      WriteSize(out, value.text.size());
      out.insert(out.end(), value.text.begin(), value.text.end());
      break;
    case Value::kBool:
      out.push_back(value.flag ? 1 : 2);
      break;
    case Value::kMap:
      out.push_back(13);
      WriteSize(out, value.entries.size());
      for (const auto& [key, entry] : value.entries) {
        Write(out, Str(key));
        Write(out, entry);
      }
      break;
  }
}

Bytes MethodCall(const std::string& method, const Value& arguments) {
  Bytes out;
  Write(out, Str(method));
  Write(out, arguments);
  return out;
}

Bytes Success(const Value& result) {
  Bytes out{0};
  Write(out, result);
  return out;
}

// The string value of |key| in a success envelope holding a map of strings and bools.
std::string StringField(const Bytes& reply, const std::string& key) {
  size_t at = 0;
  auto size = [&]() -> size_t {
    size_t n = at < reply.size() ? reply[at++] : 0;
    if (n == 254 && at + 2 <= reply.size()) {
      n = reply[at] | (reply[at + 1] << 8);
      at += 2;
    }
    return n;
  };
  auto string = [&]() -> std::string {
    if (at >= reply.size() || reply[at++] != 7) {
      return "";
    }
    size_t n = size();
    std::string text(reply.begin() + at, reply.begin() + std::min(reply.size(), at + n));
    at += n;
    return text;
  };
  if (reply.size() < 2 || reply[0] != 0 || reply[1] != 13) {
    return "";
  }
  at = 2;
  for (size_t count = size(); count > 0 && at < reply.size(); --count) {
    std::string name = string();
    if (at < reply.size() && (reply[at] == 1 || reply[at] == 2)) {
      ++at;
      continue;
    }
    std::string text = string();
    if (name == key) {
      return text;
    }
  }
  return "";
}

std::string Hex(const Bytes& bytes) {
  std::string text;
  char byte[4];
  for (uint8_t b : bytes) {
    std::snprintf(byte, sizeof byte, "%02x", b);
    text += byte;
  }
  return text;
}

// --- Calls through the engine. -------------------------------------------------------------------

struct Pending {
  GMainLoop* loop;
  bool answered = false;
  int answers = 0;
  Bytes reply;
};

void OnReply(GBytes* reply, gpointer user_data) {
  auto* pending = static_cast<Pending*>(user_data);
  ++pending->answers;
  pending->answered = true;
  if (reply != nullptr) {
    gsize size = 0;
    const auto* data = static_cast<const uint8_t*>(g_bytes_get_data(reply, &size));
    pending->reply.assign(data, data + size);
  }
  g_main_loop_quit(pending->loop);
}

gboolean OnTimeout(gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_REMOVE;
}

// Sends the call from Dart and runs the main loop until the reply comes (or 5 s pass).
Bytes Call(FlEngine* engine, const char* channel, const std::string& method,
           const Value& arguments) {
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  Pending pending{loop};
  Bytes message = MethodCall(method, arguments);
  GBytes* bytes = g_bytes_new(message.data(), message.size());
  fl_test_engine_send_from_dart(engine, channel, bytes, OnReply, &pending);
  g_bytes_unref(bytes);
  guint timeout = g_timeout_add(5000, OnTimeout, loop);
  g_main_loop_run(loop);
  if (pending.answered) {
    g_source_remove(timeout);
  }
  g_main_loop_unref(loop);
  Check(pending.answered, method + " on " + channel + " was answered");
  return pending.reply;
}

void Expect(const Bytes& actual, const Bytes& expected, const std::string& what) {
  Check(actual == expected,
        what + ":\n  expected " + Hex(expected) + "\n  actual   " + Hex(actual));
}

// Lets the main loop run for |ms| with nothing to wait for.
void Idle(guint ms) {
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  g_timeout_add(ms, OnTimeout, loop);
  g_main_loop_run(loop);
  g_main_loop_unref(loop);
}

std::vector<std::string> tracker_lines;

void OnLog(const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
  tracker_lines.push_back(message);
}

}  // namespace

int main() {
  FlEngine* engine = fl_test_engine_new();
  fl_register_plugins(FL_PLUGIN_REGISTRY(engine));
  Check(fl_test_engine_live_objects() == 2, "the registrant let its registrar go");
  g_log_set_handler("qeva_flutter", G_LOG_LEVEL_MESSAGE, OnLog, nullptr);

  // The stand-in reports the start-up from its run loop, which only the main loop runs.
  Expect(Call(engine, "QevaManager", "QevaManager", Map({{"accountId", Str("1001")}})),
         Success(Str("success")), "start-up");

  const Bytes request = Call(engine, "QevaAdSpace", "AdRequest",
                             Map({{"tagId", Str("home-gam")}, {"refreshRate", Str("30")}}));
  const std::string id = StringField(request, "adSpaceId");
  Check(id.size() == 36, "the ready reply carries an ad space id: " + id);
  Expect(request,
         Success(Map(
             {{"adSpaceId", Str(id)},
              {"response", Str("{\"adnetwork_class\":\"GADBannerView\",\"adnetwork_params\":{"
                               "\"adsizes\":[\"320x50\"],\"adunitid\":\"/6499/example/banner\","
                               "\"campaignid\":\"demo-campaign\",\"click-url\":[\"http://{sink}/"
                               "click/1\",\"http://{sink}/click/2\"]}}")},
              {"result", Str("success")},
              {"signature", Str("nw.gambanner")}})),
         "ad request");

  Expect(Call(engine, "QevaAdSpace", "AdRender", Map({{"adSpaceId", Str(id)}})),
         Success(Map({{"isAdRefreshable", Bool(true)}, {"result", Str("success")}})), "render");

  Expect(Call(engine, "QevaAdSpace", "AdClick",
              Map({{"adSpaceId", Str(id)}, {"clickUrl", Str("https://example.com/gam")}})),
         Success(Map({{"result", Str("success")}})), "click");
  Check(tracker_lines ==
            std::vector<std::string>{"demo tracker request: GET http://{sink}/click/1 (click)",
                                     "demo tracker request: GET http://{sink}/click/2 (click)"},
        "the click fired the banner's two trackers");

  Expect(Call(engine, "QevaAdSpace", "AdPause", Map({{"adSpaceId", Str(id)}})),
         Success(Map({{"result", Str("success")}})), "pause");

  // A channel the plugin does not have gets the engine's empty reply.
  Expect(Call(engine, "QevaElsewhere", "Anything", Map({})), Bytes{}, "unknown channel");

  Idle(50);
  Check(fl_test_engine_unanswered_handles() == 0, "no message was left unanswered");
  Check(fl_test_engine_repeated_responses() == 0, "no message was answered twice");

  // The engine goes: the handlers, the plugin, its messenger adapter and the stand-in's main
  // loop driver go with it, and every GObject of the engine is freed.
  g_object_unref(engine);
  Idle(50);
  Check(fl_test_engine_live_objects() == 0,
        "engine objects left alive: " + std::to_string(fl_test_engine_live_objects()));

  std::printf("%s\n", failures == 0 ? "linux app: the ad road played on the GLib main loop"
                                    : "linux app: failed");
  return failures == 0 ? 0 : 1;
}
