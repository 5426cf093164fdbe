#ifndef QEVA_FLUTTER_C_API_FLUTTER_MESSENGER_H_
#define QEVA_FLUTTER_C_API_FLUTTER_MESSENGER_H_

// The engine's messenger as every desktop embedding exports it: the C API under
// flutter::BinaryMessenger.

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "flutter_export.h"

#if defined(__cplusplus)
extern "C" {
#endif

// The engine's messenger; reference counted, usable after the engine is gone only to learn that
// it is (FlutterDesktopMessengerIsAvailable).
typedef struct FlutterDesktopMessenger* FlutterDesktopMessengerRef;

// Names one incoming message's pending reply. The engine owns it until it is answered.
typedef struct _FlutterPlatformMessageResponseHandle FlutterDesktopMessageResponseHandle;

// Receives Dart's reply to a message sent with FlutterDesktopMessengerSendWithReply.
typedef void (*FlutterDesktopBinaryReply)(const uint8_t* data, size_t data_size, void* user_data);

// One message from Dart, valid for the duration of the callback that receives it.
typedef struct {
  // sizeof this struct as the engine filled it in.
  size_t struct_size;
  const char* channel;
  const uint8_t* message;
  size_t message_size;
  // When not null, the receiver answers it with FlutterDesktopMessengerSendResponse, once.
  const FlutterDesktopMessageResponseHandle* response_handle;
} FlutterDesktopMessage;

// Called for each message on a channel, with the user data given when it was set.
typedef void (*FlutterDesktopMessageCallback)(FlutterDesktopMessengerRef /* messenger */,
                                              const FlutterDesktopMessage* /* message */,
                                              void* /* user_data */);

// Sends |message| to Dart on |channel| without waiting for a reply.
FLUTTER_EXPORT bool FlutterDesktopMessengerSend(FlutterDesktopMessengerRef messenger,
                                                const char* channel, const uint8_t* message,
                                                const size_t message_size);

// Sends |message| to Dart on |channel|; |reply| gets Dart's answer with |user_data|. False when
// the message could not be sent, in which case |reply| is never called.
FLUTTER_EXPORT bool FlutterDesktopMessengerSendWithReply(
    FlutterDesktopMessengerRef messenger, const char* channel, const uint8_t* message,
    const size_t message_size, const FlutterDesktopBinaryReply reply, void* user_data);

// Answers the message |handle| belongs to. |handle| is invalid afterwards.
FLUTTER_EXPORT void FlutterDesktopMessengerSendResponse(
    FlutterDesktopMessengerRef messenger, const FlutterDesktopMessageResponseHandle* handle,
    const uint8_t* data, size_t data_length);

// Makes |callback| the receiver of |channel|'s messages, replacing any earlier one; a null
// |callback| unregisters the channel.
FLUTTER_EXPORT void FlutterDesktopMessengerSetCallback(FlutterDesktopMessengerRef messenger,
                                                       const char* channel,
                                                       FlutterDesktopMessageCallback callback,
                                                       void* user_data);

// Takes a reference on |messenger| and returns it. Thread-safe.
FLUTTER_EXPORT FlutterDesktopMessengerRef
FlutterDesktopMessengerAddRef(FlutterDesktopMessengerRef messenger);

// Gives back a reference taken with FlutterDesktopMessengerAddRef. Thread-safe.
FLUTTER_EXPORT void FlutterDesktopMessengerRelease(FlutterDesktopMessengerRef messenger);

// Whether the engine behind |messenger| still runs. Off the platform thread, ask while holding
// FlutterDesktopMessengerLock.
FLUTTER_EXPORT bool FlutterDesktopMessengerIsAvailable(FlutterDesktopMessengerRef messenger);

// Holds the engine's availability steady until FlutterDesktopMessengerUnlock; returns
// |messenger|. Thread-safe.
FLUTTER_EXPORT FlutterDesktopMessengerRef
FlutterDesktopMessengerLock(FlutterDesktopMessengerRef messenger);

FLUTTER_EXPORT void FlutterDesktopMessengerUnlock(FlutterDesktopMessengerRef messenger);

#if defined(__cplusplus)
}  // extern "C"
#endif

#endif  // QEVA_FLUTTER_C_API_FLUTTER_MESSENGER_H_
