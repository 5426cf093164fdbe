#ifndef QEVA_FLUTTER_LINUX_FLUTTERLINUXAPI_H_
#define QEVA_FLUTTER_LINUX_FLUTTERLINUXAPI_H_

// The part of Flutter's Linux embedding (libflutter_linux_gtk) that the messenger adapter
// uses: the engine's messenger, its response handles and the plugin registrar, all GObjects.
// Declared here so that the adapter builds without the engine's headers; the names and
// signatures are the engine's, resolved when the app links its `flutter` target.

#include <gio/gio.h>
#include <glib-object.h>

G_BEGIN_DECLS

typedef struct _FlBinaryMessenger FlBinaryMessenger;
typedef struct _FlBinaryMessengerResponseHandle FlBinaryMessengerResponseHandle;
typedef struct _FlPluginRegistrar FlPluginRegistrar;

// Called on the main thread for each message on a channel. |response_handle| lives only for the
// call unless the handler takes a reference; it must be answered once before it goes.
typedef void (*FlBinaryMessengerMessageHandler)(FlBinaryMessenger* messenger, const gchar* channel,
                                                GBytes* message,
                                                FlBinaryMessengerResponseHandle* response_handle,
                                                gpointer user_data);

FlBinaryMessenger* fl_plugin_registrar_get_messenger(FlPluginRegistrar* registrar);

// Replaces the channel's handler (a null handler removes it). |destroy_notify| gets |user_data|
// when the handler is replaced or removed, or when the engine goes away.
void fl_binary_messenger_set_message_handler_on_channel(FlBinaryMessenger* messenger,
                                                        const gchar* channel,
                                                        FlBinaryMessengerMessageHandler handler,
                                                        gpointer user_data,
                                                        GDestroyNotify destroy_notify);

// Answers a message; a null |response| is the empty reply. FALSE with |error| set when the
// handle was answered already.
gboolean fl_binary_messenger_send_response(FlBinaryMessenger* messenger,
                                           FlBinaryMessengerResponseHandle* response_handle,
                                           GBytes* response, GError** error);

void fl_binary_messenger_send_on_channel(FlBinaryMessenger* messenger, const gchar* channel,
                                         GBytes* message, GCancellable* cancellable,
                                         GAsyncReadyCallback callback, gpointer user_data);

// The reply of a message sent with a callback (transfer full), or null with |error| set.
GBytes* fl_binary_messenger_send_on_channel_finish(FlBinaryMessenger* messenger,
                                                   GAsyncResult* result, GError** error);

G_END_DECLS

#endif  // QEVA_FLUTTER_LINUX_FLUTTERLINUXAPI_H_
