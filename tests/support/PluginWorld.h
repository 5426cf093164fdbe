#ifndef QEVA_FLUTTER_TESTS_SUPPORT_PLUGINWORLD_H_
#define QEVA_FLUTTER_TESTS_SUPPORT_PLUGINWORLD_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Foundation/UUID.h"
#include "QevaStandIn/StandIn.h"
#include "flutter/encodable_value.h"
#include "headless/HeadlessEngine.h"
#include "support/DartValues.h"

namespace QevaFlutter {
class QevaFlutterManager;
}

namespace QevaFlutter::support {

using Reply = std::shared_ptr<const headless::DartReply>;

struct WorldOptions {
  // Dart's start-up call made, and answered by the SDK at once, before the constructor
  // returns; the renderers are registered then.
  bool started = false;
  // Whether the stand-in journals the SDK's calls and keeps log lines once the world is set
  // up. A real SDK does neither, so benchmarks that stand for the plugin turn it off.
  bool recording = true;
  // Whether the stand-in prints its log lines as well.
  bool echo_log = false;
  // The bytes of the plugin's ad-space ids: seeded, so that ids repeat from run to run.
  Foundation::UUID::ByteSource uuid_bytes = Foundation::UUID::SeededByteSource(1);
  // Whether the world notes every id the plugin makes (adSpaceIds()); off for counting the
  // plugin's own heap, to which the notes would add.
  bool note_ids = true;
};

// The plugin as an app runs it: registered on a headless engine through its C entry point with
// the engine's registrar handle, against the stand-in SDK, spoken to in Dart's bytes. It
// reaches the plugin only through the engine, the entry point and the stand-in, so it holds
// whatever the plugin keeps inside.
//
// The stand-in is one per process, so only one world may exist at a time: the constructor
// resets it, the destructor shuts the engine down (the plugin goes with it) and resets it
// again.
class PluginWorld {
 public:
  explicit PluginWorld(WorldOptions options = {});
  ~PluginWorld();

  PluginWorld(const PluginWorld&) = delete;
  PluginWorld& operator=(const PluginWorld&) = delete;

  // Dart calling |method| on |channel|; the record fills in when the plugin replies.
  Reply Call(const std::string& channel, const std::string& method,
             const EncodableValue& arguments);
  // Dart's bytes handed to |channel|'s handler as they are.
  Reply Send(const std::string& channel, std::vector<uint8_t> message);
  // A "QevaAdSpace" command with "adSpaceId" |id| and |more|.
  Reply Command(const std::string& method, const std::string& id, Entries more = {});

  // "AdRequest", and what it left behind: the id the plugin made for it (empty when none), and
  // the stand-in's ad space that the SDK made for it (null when none was made, also when the
  // SDK handed out an ad space it had made before).
  struct Requested {
    std::string id;
    Reply reply;
    std::shared_ptr<QevaStandIn::AdSpace> adSpace;
  };
  Requested Request(const std::string& tagId, const std::string& refreshRate = "0");

  // Runs |hook| right after each reply has reached Dart, inside the plugin's call or event:
  // Dart code that reacts to a reply before the plugin has returned. Calls and sends made
  // after this take it; nullptr ends it.
  void SetReplyHook(std::function<void()> hook) { *reply_hook_ = std::move(hook); }

  // Every ad-space id the plugin has made, oldest first (the ids it drew, whether or not it
  // still keeps them).
  std::vector<std::string> adSpaceIds() const;
  size_t adSpaceIdCount() const { return drawn_->size(); }

  // The manager of the registered plugin: expired once the engine is gone.
  std::weak_ptr<QevaFlutterManager> manager() const { return manager_; }
  // Destroys the engine, and with it the plugin's handlers and the plugin; what the stand-in
  // still has queued runs afterwards against nothing. Only the stand-in is left to use.
  void ShutDown();

  headless::HeadlessEngine& engine() const { return *engine_; }
  QevaStandIn::StandIn& sdk() const { return QevaStandIn::StandIn::Shared(); }
  // Whether the start-up call was answered "success" (false when not |started|).
  bool started() const { return started_; }
  // Forgets the stand-in's journal and log lines, which grow with every call.
  void ForgetRecords() const;

 private:
  headless::HeadlessEngine::ReplyHooks Hooks() const;

  std::unique_ptr<headless::HeadlessEngine> engine_;
  std::weak_ptr<QevaFlutterManager> manager_;
  std::shared_ptr<std::vector<Foundation::UUID::Bytes>> drawn_;
  std::shared_ptr<std::function<void()>> reply_hook_;
  bool started_ = false;
};

}  // namespace QevaFlutter::support

#endif  // QEVA_FLUTTER_TESTS_SUPPORT_PLUGINWORLD_H_
