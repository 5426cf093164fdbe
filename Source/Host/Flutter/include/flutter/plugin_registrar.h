#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_PLUGIN_REGISTRAR_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_PLUGIN_REGISTRAR_H_

#include <memory>
#include <vector>

#include "binary_messenger.h"

namespace flutter {

// A plugin object that a registrar keeps alive, typically holding its channels.
class Plugin {
 public:
  virtual ~Plugin() = default;
};

// Gives plugins the messenger to open channels on, and keeps them alive while it lives.
class PluginRegistrar {
 public:
  // This layer's own addition (the engine's registrar is built from the engine's C handle): a
  // registrar over any messenger, for headless hosts and tests. The |messenger| pointer must
  // remain valid for as long as this registrar exists.
  explicit PluginRegistrar(BinaryMessenger* messenger);

  // Destroys the plugins, newest first, while the messenger is still there.
  virtual ~PluginRegistrar();

  PluginRegistrar(PluginRegistrar const&) = delete;
  PluginRegistrar& operator=(PluginRegistrar const&) = delete;

  // The messenger belongs to whoever made this registrar and must never be deleted.
  BinaryMessenger* messenger() { return messenger_; }

  // Keeps |plugin| alive until the registrar is destroyed.
  void AddPlugin(std::unique_ptr<Plugin> plugin);

 protected:
  // Destroys every plugin now, newest first.
  void ClearPlugins();

 private:
  BinaryMessenger* messenger_;
  std::vector<std::unique_ptr<Plugin>> plugins_;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_PLUGIN_REGISTRAR_H_
