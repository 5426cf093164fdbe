#ifndef QEVA_FLUTTER_DESKTOP_QEVA_FLUTTER_PLUGIN_H_
#define QEVA_FLUTTER_DESKTOP_QEVA_FLUTTER_PLUGIN_H_

// The plugin's C entry point, which the app's generated registrant includes and calls:
//   QevaFlutterPluginRegisterWithRegistrar(registry->GetRegistrarForPlugin("QevaFlutterPlugin"));

#include <flutter_plugin_registrar.h>

#ifdef _WIN32
#ifdef FLUTTER_PLUGIN_IMPL
#define FLUTTER_PLUGIN_EXPORT __declspec(dllexport)
#else
#define FLUTTER_PLUGIN_EXPORT __declspec(dllimport)
#endif
#else
#define FLUTTER_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

#if defined(__cplusplus)
extern "C" {
#endif

// Opens the plugin's five method channels on the registrar's messenger; the plugin then lives
// until the engine destroys the registrar. Does nothing for a null registrar.
FLUTTER_PLUGIN_EXPORT void QevaFlutterPluginRegisterWithRegistrar(
    FlutterDesktopPluginRegistrarRef registrar);

#if defined(__cplusplus)
}  // extern "C"
#endif

#endif  // QEVA_FLUTTER_DESKTOP_QEVA_FLUTTER_PLUGIN_H_
