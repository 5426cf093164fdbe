#ifndef QEVA_FLUTTER_CORE_QEVAFLUTTERPLUGIN_H_
#define QEVA_FLUTTER_CORE_QEVAFLUTTERPLUGIN_H_

#include <flutter/plugin_registrar.h>

#include <memory>

#include "Core/QevaManager.h"

// 1 when the channel layer is the engine's client wrapper, whose <flutter/plugin_registrar.h>
// brings the engine's C registrar API (FlutterDesktopPluginRegistrarRef) and
// flutter::PluginRegistrarManager. Our own layer has neither: its registrars are made over any
// messenger. A build may define it to force the choice.
#ifndef QEVA_FLUTTER_ENGINE_REGISTRAR
#if __has_include(<flutter_plugin_registrar.h>)
#define QEVA_FLUTTER_ENGINE_REGISTRAR 1
#else
#define QEVA_FLUTTER_ENGINE_REGISTRAR 0
#endif
#endif

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

#if !QEVA_FLUTTER_ENGINE_REGISTRAR
// Over our own channel layer there is no engine-side registrar object: the handle a host passes
// to the C entry point names a flutter::PluginRegistrar the host made over its messenger. The
// host owns the handle and the registrar; the registrar then owns the plugin.
struct FlutterDesktopPluginRegistrar {
  flutter::PluginRegistrar* registrar;
};
typedef struct FlutterDesktopPluginRegistrar* FlutterDesktopPluginRegistrarRef;
#endif

namespace QevaFlutter {

// The plugin as Flutter's C++ hosts take it: registered once per engine, owned by that engine's
// registrar. It keeps the manager alive for as long as the registrar lives; the manager's own
// channel handlers keep it for as long as the messenger keeps them (a real engine's registrar
// owns its messenger, so both end together).
class QevaFlutterPlugin : public flutter::Plugin {
 public:
  // Creates the manager on |registrar|'s messenger, which opens the plugin's five channels,
  // and gives the registrar the plugin holding it. Does nothing for a null registrar.
  static void RegisterWithRegistrar(flutter::PluginRegistrar* registrar);

  explicit QevaFlutterPlugin(std::shared_ptr<QevaFlutterManager> manager);
  ~QevaFlutterPlugin() override;

  QevaFlutterPlugin(const QevaFlutterPlugin&) = delete;
  QevaFlutterPlugin& operator=(const QevaFlutterPlugin&) = delete;

  const std::shared_ptr<QevaFlutterManager>& manager() const { return manager_; }

 private:
  std::shared_ptr<QevaFlutterManager> manager_;
};

}  // namespace QevaFlutter

// What the app's generated registrant calls (pluginClass QevaFlutterPlugin):
//   QevaFlutterPluginRegisterWithRegistrar(registry->GetRegistrarForPlugin("QevaFlutterPlugin"));
// On an engine the handle is the engine's, and the registrar behind it is the one
// flutter::PluginRegistrarManager keeps for it until the engine goes away. Does nothing for a
// null handle.
extern "C" QEVA_FLUTTER_PLUGIN_EXPORT void QevaFlutterPluginRegisterWithRegistrar(
    FlutterDesktopPluginRegistrarRef registrar);

#endif  // QEVA_FLUTTER_CORE_QEVAFLUTTERPLUGIN_H_
