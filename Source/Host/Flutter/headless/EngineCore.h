#ifndef QEVA_FLUTTER_HEADLESS_ENGINECORE_H_
#define QEVA_FLUTTER_HEADLESS_ENGINECORE_H_

#include <flutter_messenger.h>
#include <flutter_plugin_registrar.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace headless {

// The engine side of Flutter's desktop C API without Dart: the messenger and the registrar
// that plugins and the C++ client wrapper use, with the engine's rules. A message's response
// handle stays the engine's until it is answered, once; what is still unanswered at shutdown is
// reported then. Messages sent towards Dart are recorded, and get the empty reply at once.
//
// Everything runs on the calling thread; handlers may re-enter the engine while they run.
class EngineCore {
 public:
  // What the host hears of one delivered message. on_reply: once, with the answer (null and 0
  // for the empty reply). on_released: once, for a message never answered, when the plugin
  // side lets its reply go (seen through the reference the reply holds on the message's
  // messenger), else at shutdown.
  struct ReplySink {
    std::function<void(const uint8_t* reply, size_t reply_size)> on_reply;
    std::function<void()> on_released;
  };

  // One message the plugin side sent towards Dart.
  struct SentMessage {
    std::string channel;
    std::vector<uint8_t> bytes;
  };

  EngineCore();
  // Shuts down: the registrar's destruction handler runs, the messenger becomes unavailable,
  // and every pending reply is released.
  ~EngineCore();

  EngineCore(EngineCore const&) = delete;
  EngineCore& operator=(EngineCore const&) = delete;

  FlutterDesktopMessengerRef messenger() const { return messenger_; }
  FlutterDesktopPluginRegistrarRef registrar() const { return registrar_.get(); }

  // Plays Dart sending |message| on |channel| to its callback.
  void Deliver(const std::string& channel, const uint8_t* message, size_t message_size,
               ReplySink sink);

  // Channels that have a callback, in the order they were first registered.
  std::vector<std::string> channels() const;
  bool HasHandler(const std::string& channel) const;
  // Messages delivered and not yet answered.
  size_t pending_replies() const { return pending_.size(); }

  const std::vector<SentMessage>& sent_messages() const { return sent_messages_; }
  void ClearSentMessages() { sent_messages_.clear(); }

  // The C API's side, called through the messenger.
  void SetCallback(const char* channel, FlutterDesktopMessageCallback callback, void* user_data);
  void Record(const char* channel, const uint8_t* message, size_t message_size);
  void Respond(const FlutterDesktopMessageResponseHandle* handle, const uint8_t* data, size_t size);
  // The plugin side let |handle|'s reply go unanswered: on_released runs now, once.
  void LetGo(FlutterDesktopMessageResponseHandle* handle);

 private:
  struct Registration {
    FlutterDesktopMessageCallback callback;
    void* user_data;
  };
  // The message is answered or the engine shuts down: its messenger stops standing for it.
  static void EndDelivery(FlutterDesktopMessageResponseHandle* handle);
  struct RegistrarDeleter {
    void operator()(FlutterDesktopPluginRegistrar* registrar) const;
  };

  FlutterDesktopMessengerRef messenger_;
  std::unique_ptr<FlutterDesktopPluginRegistrar, RegistrarDeleter> registrar_;
  std::map<std::string, Registration> callbacks_;
  std::vector<std::string> registration_order_;
  // The response handles of the messages not yet answered; a handle is the list's element.
  std::list<FlutterDesktopMessageResponseHandle> pending_;
  std::vector<SentMessage> sent_messages_;
};

}  // namespace headless

#endif  // QEVA_FLUTTER_HEADLESS_ENGINECORE_H_
