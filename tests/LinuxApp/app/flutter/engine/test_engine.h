#ifndef QEVA_TEST_ENGINE_H_
#define QEVA_TEST_ENGINE_H_

#include <flutter_linux/flutter_linux.h>

G_BEGIN_DECLS

// The engine's side that a real engine keeps to itself: a test plays Dart with it.

// A running engine with its messenger. Unreferencing the engine is the engine going away: the
// messenger drops every handler (with its destroy notification) and answers nothing more.
FlEngine* fl_test_engine_new(void);

// Receives the reply to a message sent from Dart: null for the empty reply.
typedef void (*FlTestReplyCallback)(GBytes* reply, gpointer user_data);

// Plays Dart sending |message| on |channel|: the channel's handler gets it from the main loop,
// as from the engine's platform task runner; |callback| gets the reply when the handler answers
// (the empty reply when the channel has no handler).
void fl_test_engine_send_from_dart(FlEngine* engine, const gchar* channel, GBytes* message,
                                   FlTestReplyCallback callback, gpointer user_data);

// The engine's GObjects alive now (engines, messengers, registrars, response handles).
guint fl_test_engine_live_objects(void);
// Response handles let go unanswered while their engine was running.
guint fl_test_engine_unanswered_handles(void);
// Responses refused because the handle was answered already.
guint fl_test_engine_repeated_responses(void);

G_END_DECLS

#endif  // QEVA_TEST_ENGINE_H_
