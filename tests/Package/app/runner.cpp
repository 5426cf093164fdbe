// The app's runner, reduced to its dealings with the plugin: it makes the engine, calls the
// plugin's entry point as the generated registrant does, and plays Dart's calls over the C API,
// checking the reply bytes. It knows the plugin only by its entry point.
#include <qeva_flutter_desktop/qeva_flutter_plugin.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "headless/qeva_headless_engine.h"

namespace {

struct Reply {
  bool answered = false;
  std::vector<uint8_t> bytes;
};

// A standard method codec call: the method name, then the arguments (an empty map).
std::vector<uint8_t> EmptyMapCall(const std::string& method) {
  std::vector<uint8_t> bytes = {0x07, static_cast<uint8_t>(method.size())};
  bytes.insert(bytes.end(), method.begin(), method.end());
  bytes.insert(bytes.end(), {0x0d, 0x00});
  return bytes;
}

void Dispatch(QevaHeadlessEngineRef engine, const char* channel,
              const std::vector<uint8_t>& message, Reply* reply) {
  QevaHeadlessEngineDispatch(
      engine, channel, message.data(), message.size(),
      [](const uint8_t* data, size_t size, void* user_data) {
        auto* reply = static_cast<Reply*>(user_data);
        reply->answered = true;
        reply->bytes.assign(data, data + size);
      },
      reply);
}

std::string Hex(const Reply& reply) {
  if (!reply.answered) {
    return "unanswered";
  }
  std::string text;
  for (uint8_t byte : reply.bytes) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%s%02x", text.empty() ? "" : " ", byte);
    text += digits;
  }
  return text.empty() ? "empty" : text;
}

int failures = 0;

void Expect(const char* what, const Reply& reply, const std::string& expected) {
  const std::string actual = Hex(reply);
  if (actual != expected) {
    std::fprintf(stderr, "runner: %s: got %s, expected %s\n", what, actual.c_str(),
                 expected.c_str());
    ++failures;
  }
}

}  // namespace

int main() {
  QevaHeadlessEngineRef engine = QevaHeadlessEngineCreate();
  QevaFlutterPluginRegisterWithRegistrar(QevaHeadlessEngineGetRegistrar(engine));

  Reply user, stray, unknown;
  Dispatch(engine, "QevaUser", EmptyMapCall("QevaUser"), &user);
  Dispatch(engine, "QevaStray", EmptyMapCall("QevaStray"), &stray);
  Dispatch(engine, "QevaUser", EmptyMapCall("qevaUser"), &unknown);
  // A success envelope holding the String "success".
  Expect("QevaUser", user, "00 07 07 73 75 63 63 65 73 73");
  Expect("a channel nobody registered", stray, "empty");
  // Left unanswered by the plugin; the engine holds the call until it shuts down.
  Expect("an unknown method", unknown, "unanswered");

  QevaHeadlessEngineDestroy(engine);
  Expect("an unknown method after shutdown", unknown, "unanswered");
  if (failures > 0) {
    return 1;
  }
  std::printf("runner: the plugin answered over the C API\n");
  return 0;
}
