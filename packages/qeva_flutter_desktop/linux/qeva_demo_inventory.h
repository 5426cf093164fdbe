#ifndef QEVA_FLUTTER_DESKTOP_DEMO_INVENTORY_H_
#define QEVA_FLUTTER_DESKTOP_DEMO_INVENTORY_H_

namespace QevaFlutterDesktop {

// The stand-in's demo ads: examples/builtin.inventory.json, compiled in at configure time.
const char* DemoInventoryText();

}  // namespace QevaFlutterDesktop

#endif  // QEVA_FLUTTER_DESKTOP_DEMO_INVENTORY_H_
