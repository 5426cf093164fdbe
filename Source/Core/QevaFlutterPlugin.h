#ifndef QEVA_FLUTTER_CORE_QEVAFLUTTERPLUGIN_H_
#define QEVA_FLUTTER_CORE_QEVAFLUTTERPLUGIN_H_

#include <flutter/plugin_registrar.h>

#include <memory>

#include "Core/QevaFlutterManager.h"

// Visibility of the C entry point, which the app's generated registrant calls across the
// plugin's shared library boundary. Exported while building the plugin; a client of the DLL
// reaches it through the import library, so it needs no dllimport, which would only get in the
// way of linking the archive statically.
#if defined(_WIN32)
#if defined(QEVA_FLUTTER_PLUGIN_IMPL)
#define QEVA_FLUTTER_PLUGIN_EXPORT __declspec(dllexport)
#else
#define QEVA_FLUTTER_PLUGIN_EXPORT
#endif
#else
#define QEVA_FLUTTER_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

namespace QevaFlutter {

// The plugin as Flutter's C++ hosts take it: registered once per engine through the C entry
// point below, owned by the registrar the engine's wrapper keeps for that engine
// (flutter::PluginRegistrarManager) until the engine destroys its registrar. It keeps the manager
// alive for as long as that registrar lives; the manager's own channel handlers keep it for as
// long as the messenger keeps them.
class QevaFlutterPlugin : public flutter::Plugin {
 public:
  QevaFlutterPlugin(std::shared_ptr<QevaFlutterManager> manager,
                    FlutterDesktopPluginRegistrarRef registrar);
  ~QevaFlutterPlugin() override;

  QevaFlutterPlugin(const QevaFlutterPlugin&) = delete;
  QevaFlutterPlugin& operator=(const QevaFlutterPlugin&) = delete;

  const std::shared_ptr<QevaFlutterManager>& manager() const { return manager_; }

  // The manager of the plugin registered on |registrar|, for hosts that reach into it (the host
  // tools, benchmarks); null when none is registered there, or no longer.
  static std::shared_ptr<QevaFlutterManager> ManagerFor(FlutterDesktopPluginRegistrarRef registrar);

 private:
  std::shared_ptr<QevaFlutterManager> manager_;
  FlutterDesktopPluginRegistrarRef registrar_;
};

}  // namespace QevaFlutter

// What the app's generated registrant calls (pluginClass QevaFlutterPlugin):
//   QevaFlutterPluginRegisterWithRegistrar(registry->GetRegistrarForPlugin("QevaFlutterPlugin"));
// Creates the manager on the registrar's messenger, which opens the plugin's five channels, and
// gives the plugin holding it to the registrar. Does nothing for a null handle.
extern "C" QEVA_FLUTTER_PLUGIN_EXPORT void QevaFlutterPluginRegisterWithRegistrar(
    FlutterDesktopPluginRegistrarRef registrar);

#endif  // QEVA_FLUTTER_CORE_QEVAFLUTTERPLUGIN_H_
