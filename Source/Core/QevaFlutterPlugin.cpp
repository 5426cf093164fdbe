#include "Core/QevaFlutterPlugin.h"

#include <map>
#include <utility>

namespace QevaFlutter {

namespace {

// The registered plugins by registrar, for ManagerFor. Never destroyed: engines may shut down
// during static destruction.
std::map<FlutterDesktopPluginRegistrarRef, QevaFlutterPlugin*>& Registered() {
  static auto* registered = new std::map<FlutterDesktopPluginRegistrarRef, QevaFlutterPlugin*>();
  return *registered;
}

}  // namespace

QevaFlutterPlugin::QevaFlutterPlugin(std::shared_ptr<QevaFlutterManager> manager,
                                     FlutterDesktopPluginRegistrarRef registrar)
    : manager_(std::move(manager)), registrar_(registrar) {
  Registered()[registrar_] = this;
}

QevaFlutterPlugin::~QevaFlutterPlugin() {
  auto found = Registered().find(registrar_);
  if (found != Registered().end() && found->second == this) {
    Registered().erase(found);
  }
}

std::shared_ptr<QevaFlutterManager> QevaFlutterPlugin::ManagerFor(
    FlutterDesktopPluginRegistrarRef registrar) {
  auto found = Registered().find(registrar);
  return found == Registered().end() ? nullptr : found->second->manager();
}

}  // namespace QevaFlutter

void QevaFlutterPluginRegisterWithRegistrar(FlutterDesktopPluginRegistrarRef registrar) {
  if (registrar == nullptr) {
    return;
  }
  // The base registrar is enough: the plugin needs the messenger only, on every desktop
  // embedding. The manager keeps it until the engine destroys the handle.
  flutter::PluginRegistrar* wrapper =
      flutter::PluginRegistrarManager::GetInstance()->GetRegistrar<flutter::PluginRegistrar>(
          registrar);
  wrapper->AddPlugin(std::make_unique<QevaFlutter::QevaFlutterPlugin>(
      QevaFlutter::QevaFlutterManager::Create(wrapper->messenger()), registrar));
}
