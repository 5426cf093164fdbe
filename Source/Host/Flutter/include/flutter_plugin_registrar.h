#ifndef QEVA_FLUTTER_C_API_FLUTTER_PLUGIN_REGISTRAR_H_
#define QEVA_FLUTTER_C_API_FLUTTER_PLUGIN_REGISTRAR_H_

// The registrar an engine hands each plugin: the C API under flutter::PluginRegistrar, and the
// handle type of every plugin's C entry point.

#include <stddef.h>
#include <stdint.h>

#include "flutter_export.h"
#include "flutter_messenger.h"
#include "flutter_texture_registrar.h"

#if defined(__cplusplus)
extern "C" {
#endif

typedef struct FlutterDesktopPluginRegistrar* FlutterDesktopPluginRegistrarRef;

// Called when the engine destroys |registrar|, at its shutdown.
typedef void (*FlutterDesktopOnPluginRegistrarDestroyed)(FlutterDesktopPluginRegistrarRef);

FLUTTER_EXPORT FlutterDesktopMessengerRef
FlutterDesktopPluginRegistrarGetMessenger(FlutterDesktopPluginRegistrarRef registrar);

FLUTTER_EXPORT FlutterDesktopTextureRegistrarRef
FlutterDesktopRegistrarGetTextureRegistrar(FlutterDesktopPluginRegistrarRef registrar);

// Adds a handler the engine calls as it destroys |registrar|; setting the same handler again
// changes nothing.
FLUTTER_EXPORT void FlutterDesktopPluginRegistrarSetDestructionHandler(
    FlutterDesktopPluginRegistrarRef registrar, FlutterDesktopOnPluginRegistrarDestroyed callback);

#if defined(__cplusplus)
}  // extern "C"
#endif

#endif  // QEVA_FLUTTER_C_API_FLUTTER_PLUGIN_REGISTRAR_H_
