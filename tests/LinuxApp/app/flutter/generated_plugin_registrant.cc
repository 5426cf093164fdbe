// As the tool generates it for pluginClass QevaFlutterPlugin of package qeva_flutter_desktop.
#include "generated_plugin_registrant.h"

#include <qeva_flutter_desktop/qeva_flutter_plugin.h>

void fl_register_plugins(FlPluginRegistry* registry) {
  g_autoptr(FlPluginRegistrar) qeva_flutter_desktop_registrar =
      fl_plugin_registry_get_registrar_for_plugin(registry, "QevaFlutterPlugin");
  qeva_flutter_plugin_register_with_registrar(qeva_flutter_desktop_registrar);
}
