#include "plugin_registrar.h"

#include <utility>

namespace flutter {

PluginRegistrar::PluginRegistrar(BinaryMessenger* messenger) : messenger_(messenger) {}

PluginRegistrar::~PluginRegistrar() {
  ClearPlugins();
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

}  // namespace flutter
