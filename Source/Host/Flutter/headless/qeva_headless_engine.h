#ifndef QEVA_FLUTTER_HEADLESS_QEVA_HEADLESS_ENGINE_H_
#define QEVA_FLUTTER_HEADLESS_QEVA_HEADLESS_ENGINE_H_

// What a host needs of the headless engine beyond the engine's C API: making one, its plugin
// registrar, and playing Dart's side of a channel. C, so that a runner can drive the engine
// across a shared library boundary the way an app's runner drives the real one.

#include <flutter_messenger.h>
#include <flutter_plugin_registrar.h>

#if defined(__cplusplus)
extern "C" {
#endif

typedef struct QevaHeadlessEngine* QevaHeadlessEngineRef;

FLUTTER_EXPORT QevaHeadlessEngineRef QevaHeadlessEngineCreate(void);

// Shuts the engine down: runs the registrar's destruction handler, makes the messenger
// unavailable and drops every reply still pending.
FLUTTER_EXPORT void QevaHeadlessEngineDestroy(QevaHeadlessEngineRef engine);

// The one registrar the engine hands to plugins, valid until the engine is destroyed.
FLUTTER_EXPORT FlutterDesktopPluginRegistrarRef
QevaHeadlessEngineGetRegistrar(QevaHeadlessEngineRef engine);

// Plays Dart sending |message| on |channel|. |reply| gets the answer once: at once with the empty
// reply when the channel has no handler, later when the plugin answers, never when the engine
// shuts down first.
FLUTTER_EXPORT void QevaHeadlessEngineDispatch(QevaHeadlessEngineRef engine, const char* channel,
                                               const uint8_t* message, size_t message_size,
                                               FlutterDesktopBinaryReply reply, void* user_data);

#if defined(__cplusplus)
}  // extern "C"
#endif

#endif  // QEVA_FLUTTER_HEADLESS_QEVA_HEADLESS_ENGINE_H_
