// Creates the plugin's manager on a messenger of its own, the way a host embedding its own
// Flutter engine would, and prints what it learnt: the package and module versions and the
// channels the manager opened, in order. Exits non-zero when the channels are not the five
// expected ones.
#include <flutter/binary_messenger.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Core/QevaFlutterManager.h"

namespace {

// Keeps every handler it is given, as an engine does, and remembers the order of registration.
class RecordingMessenger : public flutter::BinaryMessenger {
 public:
  void Send(const std::string&, const uint8_t*, size_t, flutter::BinaryReply) const override {}

  void SetMessageHandler(const std::string& channel,
                         flutter::BinaryMessageHandler handler) override {
    registered_.push_back(channel);
    handlers_[channel] = std::move(handler);
  }

  const std::vector<std::string>& registered() const { return registered_; }

 private:
  std::vector<std::string> registered_;
  std::map<std::string, flutter::BinaryMessageHandler> handlers_;
};

}  // namespace

int main() {
  const std::vector<std::string> expected = {"QevaManager", "QevaApplication", "QevaUser",
                                             "QevaDevice", "QevaAdSpace"};
  RecordingMessenger messenger;
  // The messenger's handlers own the manager; the host keeps no reference of its own.
  std::weak_ptr<QevaFlutter::QevaFlutterManager> manager =
      QevaFlutter::QevaFlutterManager::Create(&messenger);

  std::string channels;
  for (const std::string& channel : messenger.registered()) {
    channels += (channels.empty() ? "" : " ") + channel;
  }
  std::printf("QevaFlutter %s, module version %.1f, channels: %s\n", QEVA_FLUTTER_PACKAGE_VERSION,
              QevaFlutter::QevaFlutterVersionNumber, channels.c_str());
  if (messenger.registered() != expected) {
    std::fprintf(stderr, "unexpected channels\n");
    return 1;
  }
  if (manager.expired()) {
    std::fprintf(stderr, "the messenger's handlers do not keep the manager alive\n");
    return 1;
  }
  return 0;
}
