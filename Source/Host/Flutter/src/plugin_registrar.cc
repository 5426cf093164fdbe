#include "include/flutter/plugin_registrar.h"

#include <utility>

#include "binary_messenger_impl.h"

namespace flutter {

PluginRegistrar::PluginRegistrar(FlutterDesktopPluginRegistrarRef core_registrar)
    : registrar_(core_registrar),
      messenger_(std::make_unique<BinaryMessengerImpl>(
          FlutterDesktopPluginRegistrarGetMessenger(core_registrar))) {}

PluginRegistrar::~PluginRegistrar() {
  // Plugins first: they may still use the messenger as they go.
  ClearPlugins();
  messenger_.reset();
}

void PluginRegistrar::AddPlugin(std::unique_ptr<Plugin> plugin) {
  plugins_.push_back(std::move(plugin));
}

void PluginRegistrar::ClearPlugins() {
  // Newest first, like members of a class: a later plugin may lean on an earlier one.
  while (!plugins_.empty()) {
    std::unique_ptr<Plugin> plugin = std::move(plugins_.back());
    plugins_.pop_back();
    plugin.reset();
  }
}

PluginRegistrarManager* PluginRegistrarManager::GetInstance() {
  // Never destroyed: engines may shut down during static destruction.
  static PluginRegistrarManager* instance = new PluginRegistrarManager();
  return instance;
}

PluginRegistrarManager::PluginRegistrarManager() = default;

void PluginRegistrarManager::OnRegistrarDestroyed(FlutterDesktopPluginRegistrarRef registrar) {
  WrapperMap* registrars = GetInstance()->registrars();
  auto found = registrars->find(registrar);
  if (found == registrars->end()) {
    return;
  }
  // Out of the map before it dies, in case its plugins reach the manager while they go.
  std::unique_ptr<PluginRegistrar> dying = std::move(found->second);
  registrars->erase(found);
}

}  // namespace flutter
