#ifndef QEVA_TEST_FLUTTER_LINUX_H_
#define QEVA_TEST_FLUTTER_LINUX_H_

// The test engine's public header, in the place of the Linux embedding's: the few types and
// functions of the engine that a plugin and an app's registrant use, under the engine's names.

#include <gio/gio.h>
#include <glib-object.h>

G_BEGIN_DECLS

typedef struct _FlEngine FlEngine;
typedef struct _FlBinaryMessenger FlBinaryMessenger;
typedef struct _FlBinaryMessengerResponseHandle FlBinaryMessengerResponseHandle;
typedef struct _FlPluginRegistrar FlPluginRegistrar;
// The engine is the registry here (a real app hands its FlView).
typedef struct _FlEngine FlPluginRegistry;
#define FL_PLUGIN_REGISTRY(object) ((FlPluginRegistry*)(object))

G_DEFINE_AUTOPTR_CLEANUP_FUNC(FlPluginRegistrar, g_object_unref)

#define FL_BINARY_MESSENGER_ERROR fl_binary_messenger_codec_error_quark()
typedef enum { FL_BINARY_MESSENGER_ERROR_ALREADY_RESPONDED } FlBinaryMessengerError;
GQuark fl_binary_messenger_codec_error_quark(void);

typedef void (*FlBinaryMessengerMessageHandler)(FlBinaryMessenger* messenger, const gchar* channel,
                                                GBytes* message,
                                                FlBinaryMessengerResponseHandle* response_handle,
                                                gpointer user_data);

FlPluginRegistrar* fl_plugin_registry_get_registrar_for_plugin(FlPluginRegistry* registry,
                                                               const gchar* name);
FlBinaryMessenger* fl_plugin_registrar_get_messenger(FlPluginRegistrar* registrar);
FlBinaryMessenger* fl_engine_get_binary_messenger(FlEngine* engine);

void fl_binary_messenger_set_message_handler_on_channel(FlBinaryMessenger* messenger,
                                                        const gchar* channel,
                                                        FlBinaryMessengerMessageHandler handler,
                                                        gpointer user_data,
                                                        GDestroyNotify destroy_notify);
gboolean fl_binary_messenger_send_response(FlBinaryMessenger* messenger,
                                           FlBinaryMessengerResponseHandle* response_handle,
                                           GBytes* response, GError** error);
void fl_binary_messenger_send_on_channel(FlBinaryMessenger* messenger, const gchar* channel,
                                         GBytes* message, GCancellable* cancellable,
                                         GAsyncReadyCallback callback, gpointer user_data);
GBytes* fl_binary_messenger_send_on_channel_finish(FlBinaryMessenger* messenger,
                                                   GAsyncResult* result, GError** error);

G_END_DECLS

#endif  // QEVA_TEST_FLUTTER_LINUX_H_
