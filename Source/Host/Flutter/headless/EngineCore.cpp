#include "headless/EngineCore.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

#include "headless/qeva_headless_engine.h"

// The C API's objects. The messenger is reference counted and outlives the engine for whoever
// still holds it; the registrar and the texture registrar live as long as the engine.
//
// Each delivered message comes with a messenger of its own that stands for the engine's (every
// call on it acts on the engine's). The wrapper's reply for the message holds a reference on it,
// so when that reference goes while the message is unanswered, the plugin side has let the reply
// go: reported then, though the engine keeps the handle until it shuts down, as a real one does.
// A wrapper that takes no reference is heard of at shutdown only.
struct FlutterDesktopMessenger {
  std::atomic<int> references{1};
  std::mutex mutex;
  headless::EngineCore* engine = nullptr;  // Null once the engine shut down.
  // For a message's messenger: the engine's messenger (referenced), the message while it is
  // pending, and whether anyone but the engine took a reference.
  FlutterDesktopMessenger* main = nullptr;
  _FlutterPlatformMessageResponseHandle* delivery = nullptr;
  bool shared = false;
};

namespace {

FlutterDesktopMessengerRef Main(FlutterDesktopMessengerRef messenger) {
  return messenger->main != nullptr ? messenger->main : messenger;
}

}  // namespace

struct FlutterDesktopTextureRegistrar {};

struct FlutterDesktopPluginRegistrar {
  FlutterDesktopMessengerRef messenger = nullptr;
  // Each distinct handler once, as plugins in separate libraries each set their wrapper's own.
  std::vector<FlutterDesktopOnPluginRegistrarDestroyed> on_destroyed;
  FlutterDesktopTextureRegistrar textures;
};

struct _FlutterPlatformMessageResponseHandle {
  headless::EngineCore::ReplySink sink;
  std::list<_FlutterPlatformMessageResponseHandle>::iterator self;
  FlutterDesktopMessenger* messenger = nullptr;  // The message's own; the engine's reference.
  bool released = false;                         // on_released has run.
};

struct QevaHeadlessEngine {
  headless::EngineCore core;
};

namespace headless {

void EngineCore::RegistrarDeleter::operator()(FlutterDesktopPluginRegistrar* registrar) const {
  delete registrar;
}

EngineCore::EngineCore()
    : messenger_(new FlutterDesktopMessenger()), registrar_(new FlutterDesktopPluginRegistrar()) {
  messenger_->engine = this;
  registrar_->messenger = messenger_;
}

EngineCore::~EngineCore() {
  // The plugins go first, while the messenger still works for them.
  for (FlutterDesktopOnPluginRegistrarDestroyed on_destroyed :
       std::exchange(registrar_->on_destroyed, {})) {
    on_destroyed(registrar_.get());
  }
  {
    std::lock_guard<std::mutex> lock(messenger_->mutex);
    messenger_->engine = nullptr;
  }
  callbacks_.clear();
  // A real engine keeps an unanswered handle until now; Dart's future never completes.
  while (!pending_.empty()) {
    FlutterDesktopMessageResponseHandle& pending = pending_.front();
    ReplySink sink = std::move(pending.sink);
    const bool reported = pending.released;
    EndDelivery(&pending);
    pending_.pop_front();
    if (!reported && sink.on_released) {
      sink.on_released();
    }
  }
  FlutterDesktopMessengerRelease(messenger_);
}

void EngineCore::Deliver(const std::string& channel, const uint8_t* message, size_t message_size,
                         ReplySink sink) {
  auto found = callbacks_.find(channel);
  if (found == callbacks_.end()) {
    if (sink.on_reply) {
      sink.on_reply(nullptr, 0);
    }
    return;
  }
  // Copied: the callback may clear or replace its own registration.
  const Registration registration = found->second;
  pending_.push_front({std::move(sink), {}, new FlutterDesktopMessenger(), false});
  FlutterDesktopMessageResponseHandle* handle = &pending_.front();
  handle->self = pending_.begin();
  handle->messenger->main = FlutterDesktopMessengerAddRef(messenger_);
  handle->messenger->delivery = handle;
  const FlutterDesktopMessage delivered = {sizeof(FlutterDesktopMessage), channel.c_str(), message,
                                           message_size, handle};
  registration.callback(handle->messenger, &delivered, registration.user_data);
}

std::vector<std::string> EngineCore::channels() const {
  std::vector<std::string> names;
  std::copy_if(registration_order_.begin(), registration_order_.end(), std::back_inserter(names),
               [this](const std::string& channel) { return HasHandler(channel); });
  return names;
}

bool EngineCore::HasHandler(const std::string& channel) const {
  return callbacks_.count(channel) > 0;
}

void EngineCore::SetCallback(const char* channel, FlutterDesktopMessageCallback callback,
                             void* user_data) {
  if (callback == nullptr) {
    callbacks_.erase(channel);
    return;
  }
  auto [where, added] = callbacks_.insert_or_assign(channel, Registration{callback, user_data});
  if (added && std::find(registration_order_.begin(), registration_order_.end(), where->first) ==
                   registration_order_.end()) {
    registration_order_.push_back(where->first);
  }
}

void EngineCore::Record(const char* channel, const uint8_t* message, size_t message_size) {
  std::vector<uint8_t> bytes;
  if (message_size > 0) {
    bytes.assign(message, message + message_size);
  }
  sent_messages_.push_back({channel, std::move(bytes)});
}

void EngineCore::Respond(const FlutterDesktopMessageResponseHandle* handle, const uint8_t* data,
                         size_t size) {
  if (handle == nullptr) {
    return;
  }
  // The handle is ours and dies here; the sink runs after, so it may deliver new messages.
  auto* pending = const_cast<FlutterDesktopMessageResponseHandle*>(handle);
  ReplySink sink = std::move(pending->sink);
  EndDelivery(pending);
  pending_.erase(pending->self);
  if (sink.on_reply) {
    sink.on_reply(size > 0 ? data : nullptr, size);
  }
}

void EngineCore::LetGo(FlutterDesktopMessageResponseHandle* handle) {
  if (!handle->released) {
    handle->released = true;
    if (handle->sink.on_released) {
      handle->sink.on_released();
    }
  }
}

void EngineCore::EndDelivery(FlutterDesktopMessageResponseHandle* handle) {
  handle->messenger->delivery = nullptr;
  FlutterDesktopMessengerRelease(std::exchange(handle->messenger, nullptr));
}

}  // namespace headless

// ---- The engine's C API -----------------------------------------------------------------------

bool FlutterDesktopMessengerSend(FlutterDesktopMessengerRef messenger, const char* channel,
                                 const uint8_t* message, const size_t message_size) {
  return FlutterDesktopMessengerSendWithReply(messenger, channel, message, message_size, nullptr,
                                              nullptr);
}

bool FlutterDesktopMessengerSendWithReply(FlutterDesktopMessengerRef messenger, const char* channel,
                                          const uint8_t* message, const size_t message_size,
                                          const FlutterDesktopBinaryReply reply, void* user_data) {
  messenger = Main(messenger);
  if (messenger->engine == nullptr) {
    return false;
  }
  messenger->engine->Record(channel, message, message_size);
  // No Dart listens here: the answer is the empty reply, at once.
  if (reply != nullptr) {
    reply(nullptr, 0, user_data);
  }
  return true;
}

void FlutterDesktopMessengerSendResponse(FlutterDesktopMessengerRef messenger,
                                         const FlutterDesktopMessageResponseHandle* handle,
                                         const uint8_t* data, size_t data_length) {
  messenger = Main(messenger);
  if (messenger->engine != nullptr) {
    messenger->engine->Respond(handle, data, data_length);
  }
}

void FlutterDesktopMessengerSetCallback(FlutterDesktopMessengerRef messenger, const char* channel,
                                        FlutterDesktopMessageCallback callback, void* user_data) {
  messenger = Main(messenger);
  if (messenger->engine != nullptr) {
    messenger->engine->SetCallback(channel, callback, user_data);
  }
}

FlutterDesktopMessengerRef FlutterDesktopMessengerAddRef(FlutterDesktopMessengerRef messenger) {
  messenger->references.fetch_add(1, std::memory_order_relaxed);
  messenger->shared = true;
  return messenger;
}

void FlutterDesktopMessengerRelease(FlutterDesktopMessengerRef messenger) {
  const int left = messenger->references.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) {
    if (messenger->main != nullptr) {
      FlutterDesktopMessengerRelease(messenger->main);
    }
    delete messenger;
    return;
  }
  // Back to the engine's own reference while the message waits: its reply is gone.
  if (left == 1 && messenger->delivery != nullptr && messenger->shared) {
    FlutterDesktopMessengerRef main = Main(messenger);
    if (main->engine != nullptr) {
      main->engine->LetGo(messenger->delivery);
    }
  }
}

bool FlutterDesktopMessengerIsAvailable(FlutterDesktopMessengerRef messenger) {
  return Main(messenger)->engine != nullptr;
}

FlutterDesktopMessengerRef FlutterDesktopMessengerLock(FlutterDesktopMessengerRef messenger) {
  Main(messenger)->mutex.lock();
  return messenger;
}

void FlutterDesktopMessengerUnlock(FlutterDesktopMessengerRef messenger) {
  Main(messenger)->mutex.unlock();
}

FlutterDesktopMessengerRef FlutterDesktopPluginRegistrarGetMessenger(
    FlutterDesktopPluginRegistrarRef registrar) {
  return registrar->messenger;
}

FlutterDesktopTextureRegistrarRef FlutterDesktopRegistrarGetTextureRegistrar(
    FlutterDesktopPluginRegistrarRef registrar) {
  return &registrar->textures;
}

void FlutterDesktopPluginRegistrarSetDestructionHandler(
    FlutterDesktopPluginRegistrarRef registrar, FlutterDesktopOnPluginRegistrarDestroyed callback) {
  std::vector<FlutterDesktopOnPluginRegistrarDestroyed>& handlers = registrar->on_destroyed;
  if (callback != nullptr &&
      std::find(handlers.begin(), handlers.end(), callback) == handlers.end()) {
    handlers.push_back(callback);
  }
}

// Nothing is drawn headless: no texture is ever taken.
int64_t FlutterDesktopTextureRegistrarRegisterExternalTexture(FlutterDesktopTextureRegistrarRef,
                                                              const FlutterDesktopTextureInfo*) {
  return -1;
}

bool FlutterDesktopTextureRegistrarUnregisterExternalTexture(FlutterDesktopTextureRegistrarRef,
                                                             int64_t) {
  return false;
}

bool FlutterDesktopTextureRegistrarMarkExternalTextureFrameAvailable(
    FlutterDesktopTextureRegistrarRef, int64_t) {
  return false;
}

// ---- The host's controls ----------------------------------------------------------------------

QevaHeadlessEngineRef QevaHeadlessEngineCreate(void) {
  return new QevaHeadlessEngine();
}

void QevaHeadlessEngineDestroy(QevaHeadlessEngineRef engine) {
  delete engine;
}

FlutterDesktopPluginRegistrarRef QevaHeadlessEngineGetRegistrar(QevaHeadlessEngineRef engine) {
  return engine->core.registrar();
}

void QevaHeadlessEngineDispatch(QevaHeadlessEngineRef engine, const char* channel,
                                const uint8_t* message, size_t message_size,
                                FlutterDesktopBinaryReply reply, void* user_data) {
  headless::EngineCore::ReplySink sink;
  if (reply != nullptr) {
    sink.on_reply = [reply, user_data](const uint8_t* data, size_t size) {
      reply(data, size, user_data);
    };
  }
  engine->core.Deliver(channel, message, message_size, std::move(sink));
}
