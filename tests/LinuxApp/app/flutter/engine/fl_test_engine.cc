// A small engine over GLib in the place of Flutter's Linux engine library: one messenger per
// engine, messages from "Dart" delivered from the main loop, response handles that must be
// answered once, and the engine's going away, which drops every handler.
#include "test_engine.h"

namespace {

guint live_objects = 0;
guint unanswered_handles = 0;
guint repeated_responses = 0;

struct Handler {
  FlBinaryMessengerMessageHandler function;
  gpointer user_data;
  GDestroyNotify destroy_notify;
};

void FreeHandler(gpointer data) {
  auto* handler = static_cast<Handler*>(data);
  if (handler->destroy_notify != nullptr) {
    handler->destroy_notify(handler->user_data);
  }
  g_free(handler);
}

}  // namespace

G_DEFINE_QUARK(fl_binary_messenger_codec_error_quark, fl_binary_messenger_codec_error)

// --- FlBinaryMessenger -----------------------------------------------------------------------

struct _FlBinaryMessenger {
  GObject parent_instance;
  FlEngine* engine;      // Null once the engine has gone.
  GHashTable* handlers;  // Channel name -> Handler.
};
typedef struct {
  GObjectClass parent_class;
} FlBinaryMessengerClass;
G_DEFINE_TYPE(FlBinaryMessenger, fl_binary_messenger, G_TYPE_OBJECT)

static void fl_binary_messenger_dispose(GObject* object) {
  auto* self = reinterpret_cast<FlBinaryMessenger*>(object);
  g_clear_pointer(&self->handlers, g_hash_table_unref);
  G_OBJECT_CLASS(fl_binary_messenger_parent_class)->dispose(object);
}

static void fl_binary_messenger_finalize(GObject* object) {
  --live_objects;
  G_OBJECT_CLASS(fl_binary_messenger_parent_class)->finalize(object);
}

static void fl_binary_messenger_class_init(FlBinaryMessengerClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = fl_binary_messenger_dispose;
  G_OBJECT_CLASS(klass)->finalize = fl_binary_messenger_finalize;
}

static void fl_binary_messenger_init(FlBinaryMessenger* self) {
  ++live_objects;
  self->handlers = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, FreeHandler);
}

// --- FlBinaryMessengerResponseHandle ---------------------------------------------------------

struct _FlBinaryMessengerResponseHandle {
  GObject parent_instance;
  FlBinaryMessenger* messenger;
  gboolean responded;
  FlTestReplyCallback callback;
  gpointer user_data;
};
typedef struct {
  GObjectClass parent_class;
} FlBinaryMessengerResponseHandleClass;
G_DEFINE_TYPE(FlBinaryMessengerResponseHandle, fl_binary_messenger_response_handle, G_TYPE_OBJECT)

static void fl_binary_messenger_response_handle_dispose(GObject* object) {
  auto* self = reinterpret_cast<FlBinaryMessengerResponseHandle*>(object);
  if (self->messenger != nullptr && !self->responded && self->messenger->engine != nullptr) {
    ++unanswered_handles;
  }
  g_clear_object(&self->messenger);
  G_OBJECT_CLASS(fl_binary_messenger_response_handle_parent_class)->dispose(object);
}

static void fl_binary_messenger_response_handle_finalize(GObject* object) {
  --live_objects;
  G_OBJECT_CLASS(fl_binary_messenger_response_handle_parent_class)->finalize(object);
}

static void fl_binary_messenger_response_handle_class_init(
    FlBinaryMessengerResponseHandleClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = fl_binary_messenger_response_handle_dispose;
  G_OBJECT_CLASS(klass)->finalize = fl_binary_messenger_response_handle_finalize;
}

static void fl_binary_messenger_response_handle_init(FlBinaryMessengerResponseHandle*) {
  ++live_objects;
}

// --- FlEngine --------------------------------------------------------------------------------

struct _FlEngine {
  GObject parent_instance;
  FlBinaryMessenger* messenger;
};
typedef struct {
  GObjectClass parent_class;
} FlEngineClass;
G_DEFINE_TYPE(FlEngine, fl_engine, G_TYPE_OBJECT)

static void fl_engine_dispose(GObject* object) {
  auto* self = reinterpret_cast<FlEngine*>(object);
  if (self->messenger != nullptr) {
    self->messenger->engine = nullptr;
    g_hash_table_remove_all(self->messenger->handlers);
    g_clear_object(&self->messenger);
  }
  G_OBJECT_CLASS(fl_engine_parent_class)->dispose(object);
}

static void fl_engine_finalize(GObject* object) {
  --live_objects;
  G_OBJECT_CLASS(fl_engine_parent_class)->finalize(object);
}

static void fl_engine_class_init(FlEngineClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = fl_engine_dispose;
  G_OBJECT_CLASS(klass)->finalize = fl_engine_finalize;
}

static void fl_engine_init(FlEngine* self) {
  ++live_objects;
  self->messenger =
      static_cast<FlBinaryMessenger*>(g_object_new(fl_binary_messenger_get_type(), nullptr));
  self->messenger->engine = self;
}

// --- FlPluginRegistrar -----------------------------------------------------------------------

struct _FlPluginRegistrar {
  GObject parent_instance;
  FlBinaryMessenger* messenger;
};
typedef struct {
  GObjectClass parent_class;
} FlPluginRegistrarClass;
G_DEFINE_TYPE(FlPluginRegistrar, fl_plugin_registrar, G_TYPE_OBJECT)

static void fl_plugin_registrar_dispose(GObject* object) {
  g_clear_object(&reinterpret_cast<FlPluginRegistrar*>(object)->messenger);
  G_OBJECT_CLASS(fl_plugin_registrar_parent_class)->dispose(object);
}

static void fl_plugin_registrar_finalize(GObject* object) {
  --live_objects;
  G_OBJECT_CLASS(fl_plugin_registrar_parent_class)->finalize(object);
}

static void fl_plugin_registrar_class_init(FlPluginRegistrarClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = fl_plugin_registrar_dispose;
  G_OBJECT_CLASS(klass)->finalize = fl_plugin_registrar_finalize;
}

static void fl_plugin_registrar_init(FlPluginRegistrar*) {
  ++live_objects;
}

// --- The engine's API ------------------------------------------------------------------------

FlPluginRegistrar* fl_plugin_registry_get_registrar_for_plugin(FlPluginRegistry* registry,
                                                               const gchar*) {
  auto* registrar =
      static_cast<FlPluginRegistrar*>(g_object_new(fl_plugin_registrar_get_type(), nullptr));
  registrar->messenger = static_cast<FlBinaryMessenger*>(g_object_ref(registry->messenger));
  return registrar;
}

FlBinaryMessenger* fl_plugin_registrar_get_messenger(FlPluginRegistrar* registrar) {
  return registrar->messenger;
}

FlBinaryMessenger* fl_engine_get_binary_messenger(FlEngine* engine) {
  return engine->messenger;
}

void fl_binary_messenger_set_message_handler_on_channel(FlBinaryMessenger* messenger,
                                                        const gchar* channel,
                                                        FlBinaryMessengerMessageHandler handler,
                                                        gpointer user_data,
                                                        GDestroyNotify destroy_notify) {
  if (messenger->engine == nullptr) {
    if (destroy_notify != nullptr) {
      destroy_notify(user_data);
    }
    return;
  }
  if (handler == nullptr) {
    g_hash_table_remove(messenger->handlers, channel);
    return;
  }
  auto* entry = g_new0(Handler, 1);
  *entry = Handler{handler, user_data, destroy_notify};
  g_hash_table_replace(messenger->handlers, g_strdup(channel), entry);
}

gboolean fl_binary_messenger_send_response(FlBinaryMessenger* messenger,
                                           FlBinaryMessengerResponseHandle* handle,
                                           GBytes* response, GError** error) {
  g_return_val_if_fail(handle->messenger == messenger, FALSE);
  if (messenger->engine == nullptr) {
    return TRUE;
  }
  if (handle->responded) {
    ++repeated_responses;
    g_set_error(error, FL_BINARY_MESSENGER_ERROR, FL_BINARY_MESSENGER_ERROR_ALREADY_RESPONDED,
                "Attempted to respond to a message that is already responded to");
    return FALSE;
  }
  handle->responded = TRUE;
  handle->callback(response, handle->user_data);
  return TRUE;
}

// Dart has no listener in these tests: a message sent to it gets the empty reply.
void fl_binary_messenger_send_on_channel(FlBinaryMessenger* messenger, const gchar*, GBytes*,
                                         GCancellable* cancellable, GAsyncReadyCallback callback,
                                         gpointer user_data) {
  if (messenger->engine == nullptr || callback == nullptr) {
    return;
  }
  GTask* task = g_task_new(messenger, cancellable, callback, user_data);
  g_task_return_pointer(task, g_bytes_new(nullptr, 0),
                        reinterpret_cast<GDestroyNotify>(g_bytes_unref));
  g_object_unref(task);
}

GBytes* fl_binary_messenger_send_on_channel_finish(FlBinaryMessenger*, GAsyncResult* result,
                                                   GError** error) {
  return static_cast<GBytes*>(g_task_propagate_pointer(G_TASK(result), error));
}

// --- The test's side -------------------------------------------------------------------------

FlEngine* fl_test_engine_new(void) {
  return static_cast<FlEngine*>(g_object_new(fl_engine_get_type(), nullptr));
}

namespace {

struct Delivery {
  FlEngine* engine;
  gchar* channel;
  GBytes* message;
  FlTestReplyCallback callback;
  gpointer user_data;
};

void FreeDelivery(gpointer data) {
  auto* delivery = static_cast<Delivery*>(data);
  g_object_unref(delivery->engine);
  g_free(delivery->channel);
  if (delivery->message != nullptr) {
    g_bytes_unref(delivery->message);
  }
  g_free(delivery);
}

gboolean Deliver(gpointer data) {
  auto* delivery = static_cast<Delivery*>(data);
  FlBinaryMessenger* messenger = delivery->engine->messenger;
  auto* handler =
      messenger != nullptr
          ? static_cast<Handler*>(g_hash_table_lookup(messenger->handlers, delivery->channel))
          : nullptr;
  if (handler == nullptr) {
    delivery->callback(nullptr, delivery->user_data);
    return G_SOURCE_REMOVE;
  }
  auto* handle = static_cast<FlBinaryMessengerResponseHandle*>(
      g_object_new(fl_binary_messenger_response_handle_get_type(), nullptr));
  handle->messenger = static_cast<FlBinaryMessenger*>(g_object_ref(messenger));
  handle->callback = delivery->callback;
  handle->user_data = delivery->user_data;
  handler->function(messenger, delivery->channel, delivery->message, handle, handler->user_data);
  g_object_unref(handle);
  return G_SOURCE_REMOVE;
}

}  // namespace

void fl_test_engine_send_from_dart(FlEngine* engine, const gchar* channel, GBytes* message,
                                   FlTestReplyCallback callback, gpointer user_data) {
  auto* delivery = g_new0(Delivery, 1);
  *delivery = Delivery{static_cast<FlEngine*>(g_object_ref(engine)), g_strdup(channel),
                       message != nullptr ? g_bytes_ref(message) : nullptr, callback, user_data};
  g_idle_add_full(G_PRIORITY_DEFAULT, Deliver, delivery, FreeDelivery);
}

guint fl_test_engine_live_objects(void) {
  return live_objects;
}

guint fl_test_engine_unanswered_handles(void) {
  return unanswered_handles;
}

guint fl_test_engine_repeated_responses(void) {
  return repeated_responses;
}
