#ifndef QEVA_FLUTTER_CORE_QEVAMANAGER_H_
#define QEVA_FLUTTER_CORE_QEVAMANAGER_H_

// The manager's old header, kept only while hosts outside the plugin still include it; it goes
// once they include "Core/QevaFlutterManager.h".
#include "Core/QevaFlutterManager.h"

#endif  // QEVA_FLUTTER_CORE_QEVAMANAGER_H_
