#include "include/qeva_flutter_desktop/qeva_flutter_plugin.h"

#include <memory>

#include "Core/QevaFlutterManager.h"
#include "FlBinaryMessengerAdapter.h"

#if QEVA_FLUTTER_DESKTOP_STANDIN
#include "GLibRunLoopDriver.h"
#include "QevaStandIn/StandIn.h"
#include "qeva_demo_inventory.h"
#endif

namespace {

#if QEVA_FLUTTER_DESKTOP_STANDIN
// The stand-in SDK serves the demo inventory, its run loop runs on the app's main loop for as
// long as a plugin lives, and its tracking requests are logged instead of sent.
std::shared_ptr<void> StartDemoSdk() {
  static std::weak_ptr<QevaStandIn::GLibRunLoopDriver> running;
  if (auto driver = running.lock()) {
    return driver;
  }
  QevaStandIn::StandIn& sdk = QevaStandIn::StandIn::Shared();
  static bool stocked = false;
  if (!stocked) {
    stocked = true;
    std::string error;
    if (!sdk.inventory().loadJson(QevaFlutterDesktop::DemoInventoryText(), &error)) {
      g_log("qeva_flutter", G_LOG_LEVEL_WARNING, "demo inventory: %s", error.c_str());
    }
    sdk.setTrackerTransport([](const QevaStandIn::TrackerRequest& request) {
      g_log("qeva_flutter", G_LOG_LEVEL_MESSAGE, "demo tracker request: GET %s (%s)",
            request.url.c_str(), request.eventName.c_str());
    });
  }
  auto driver = std::make_shared<QevaStandIn::GLibRunLoopDriver>(sdk.runLoop());
  running = driver;
  return driver;
}
#endif

}  // namespace

void qeva_flutter_plugin_register_with_registrar(FlPluginRegistrar* registrar) {
  FlBinaryMessenger* messenger =
      registrar != nullptr ? fl_plugin_registrar_get_messenger(registrar) : nullptr;
  if (messenger == nullptr) {
    return;
  }
  auto adapter = QevaFlutterLinux::FlBinaryMessengerAdapter::Create(messenger);
#if QEVA_FLUTTER_DESKTOP_STANDIN
  adapter->KeepAlive(StartDemoSdk());
#endif
  // The manager's channel handlers own it and the adapter; the engine owns the handlers.
  QevaFlutter::QevaFlutterManager::Create(adapter.get());
}
