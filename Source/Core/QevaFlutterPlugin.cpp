#include "Core/QevaFlutterPlugin.h"

#include <utility>

namespace QevaFlutter {

void QevaFlutterPlugin::RegisterWithRegistrar(flutter::PluginRegistrar* registrar) {
  if (registrar == nullptr) {
    return;
  }
  registrar->AddPlugin(
      std::make_unique<QevaFlutterPlugin>(QevaFlutterManager::Create(registrar->messenger())));
}

QevaFlutterPlugin::QevaFlutterPlugin(std::shared_ptr<QevaFlutterManager> manager)
    : manager_(std::move(manager)) {}

QevaFlutterPlugin::~QevaFlutterPlugin() = default;

}  // namespace QevaFlutter

void QevaFlutterPluginRegisterWithRegistrar(FlutterDesktopPluginRegistrarRef registrar) {
  if (registrar == nullptr) {
    return;
  }
#if QEVA_FLUTTER_ENGINE_REGISTRAR
  // The manager makes the registrar on first use and destroys it with the engine. The base
  // registrar is enough: the plugin needs the messenger only, on every desktop embedding.
  QevaFlutter::QevaFlutterPlugin::RegisterWithRegistrar(
      flutter::PluginRegistrarManager::GetInstance()->GetRegistrar<flutter::PluginRegistrar>(
          registrar));
#else
  QevaFlutter::QevaFlutterPlugin::RegisterWithRegistrar(registrar->registrar);
#endif
}
