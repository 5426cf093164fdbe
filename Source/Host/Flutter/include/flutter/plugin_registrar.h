#ifndef QEVA_FLUTTER_INCLUDE_FLUTTER_PLUGIN_REGISTRAR_H_
#define QEVA_FLUTTER_INCLUDE_FLUTTER_PLUGIN_REGISTRAR_H_

#include <flutter_plugin_registrar.h>

#include <map>
#include <memory>
#include <vector>

#include "binary_messenger.h"

namespace flutter {

// A plugin object that a registrar keeps alive, typically holding its channels.
class Plugin {
 public:
  virtual ~Plugin() = default;
};

// The engine's registrar for one plugin, as C++: the messenger to open channels on, and the
// owner of the plugin objects.
class PluginRegistrar {
 public:
  // |core_registrar| and its messenger must outlive this object.
  explicit PluginRegistrar(FlutterDesktopPluginRegistrarRef core_registrar);

  // Destroys the plugins, newest first, while the messenger is still there, then the messenger.
  virtual ~PluginRegistrar();

  PluginRegistrar(PluginRegistrar const&) = delete;
  PluginRegistrar& operator=(PluginRegistrar const&) = delete;

  // Valid for as long as this registrar.
  BinaryMessenger* messenger() { return messenger_.get(); }

  // Keeps |plugin| alive until the registrar is destroyed.
  void AddPlugin(std::unique_ptr<Plugin> plugin);

 protected:
  FlutterDesktopPluginRegistrarRef registrar() const { return registrar_; }

  // Destroys every plugin now, newest first. A subclass calls it first in its destructor.
  void ClearPlugins();

 private:
  FlutterDesktopPluginRegistrarRef registrar_;
  std::unique_ptr<BinaryMessenger> messenger_;
  std::vector<std::unique_ptr<Plugin>> plugins_;
};

// Keeps one registrar object per engine registrar for plugins, which have nothing of their own
// that lives as long as the engine: each goes when the engine destroys its registrar.
class PluginRegistrarManager {
 public:
  static PluginRegistrarManager* GetInstance();

  PluginRegistrarManager(PluginRegistrarManager const&) = delete;
  PluginRegistrarManager& operator=(PluginRegistrarManager const&) = delete;

  // The registrar object of type T (a PluginRegistrar) for |registrar_ref|, made on first use.
  // Asking for one handle with different types is undefined.
  template <class T>
  T* GetRegistrar(FlutterDesktopPluginRegistrarRef registrar_ref) {
    auto found = registrars_.find(registrar_ref);
    if (found == registrars_.end()) {
      found = registrars_.emplace(registrar_ref, std::make_unique<T>(registrar_ref)).first;
      FlutterDesktopPluginRegistrarSetDestructionHandler(registrar_ref, OnRegistrarDestroyed);
    }
    return static_cast<T*>(found->second.get());
  }

  // Destroys every registrar object made here, for tests.
  void Reset() { registrars_.clear(); }

 private:
  PluginRegistrarManager();

  using WrapperMap = std::map<FlutterDesktopPluginRegistrarRef, std::unique_ptr<PluginRegistrar>>;

  static void OnRegistrarDestroyed(FlutterDesktopPluginRegistrarRef registrar);

  WrapperMap* registrars() { return &registrars_; }

  WrapperMap registrars_;
};

}  // namespace flutter

#endif  // QEVA_FLUTTER_INCLUDE_FLUTTER_PLUGIN_REGISTRAR_H_
