#ifndef FLUTTER_PLUGIN_QEVA_FLUTTER_PLUGIN_H_
#define FLUTTER_PLUGIN_QEVA_FLUTTER_PLUGIN_H_

#include <glib.h>

G_BEGIN_DECLS

#ifdef FLUTTER_PLUGIN_IMPL
#define FLUTTER_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define FLUTTER_PLUGIN_EXPORT
#endif

// The engine's registrar type, as <flutter_linux/flutter_linux.h> names it (this header does
// not need the engine's headers; the app's registrant includes them).
typedef struct _FlPluginRegistrar FlPluginRegistrar;

// What the app's generated registrant calls for pluginClass QevaFlutterPlugin: opens the
// plugin's channels on the registrar's messenger. The plugin lives until the engine goes away.
FLUTTER_PLUGIN_EXPORT void qeva_flutter_plugin_register_with_registrar(
    FlPluginRegistrar* registrar);

G_END_DECLS

#endif  // FLUTTER_PLUGIN_QEVA_FLUTTER_PLUGIN_H_
