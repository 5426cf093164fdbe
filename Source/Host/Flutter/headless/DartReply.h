#ifndef QEVA_FLUTTER_HEADLESS_DARTREPLY_H_
#define QEVA_FLUTTER_HEADLESS_DARTREPLY_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "flutter/encodable_value.h"

namespace headless {

// Renders |value| for transcripts and test failures: strings quoted, int64 with an L suffix
// (so it reads differently from the int32 it is not equal to), lists as [a, b], maps as
// {k: v} in key order, typed lists as Int32List[1, 2].
std::string ToString(const flutter::EncodableValue& value);

// What the Dart side got back for one message it sent, now or later.
//
// The engine-side reply closure fills it in; like the engine, only the first reply counts and
// later ones are merely counted, so a test can prove a call was answered at most once. It is
// not thread-safe: reply on the thread that reads it, as plugins do on the platform thread.
class DartReply {
 public:
  enum class Kind {
    kPending,         // No reply yet.
    kSuccess,         // value() holds the result (null when there was none).
    kError,           // error_code(), error_message(), error_details().
    kNotImplemented,  // The empty reply: no handler, or NotImplemented().
    kUndecodable,     // Bytes that are no method reply envelope; see bytes().
  };

  Kind kind() const { return kind_; }
  bool answered() const { return kind_ != Kind::kPending; }

  // The success value; null for any other kind.
  const flutter::EncodableValue& value() const { return value_; }

  // The error parts; empty or null for any other kind. A null message reads as "".
  const std::string& error_code() const { return error_code_; }
  const std::string& error_message() const { return error_message_; }
  const flutter::EncodableValue& error_details() const { return error_details_; }

  // The bytes of the first reply, as they came.
  const std::vector<uint8_t>& bytes() const { return bytes_; }

  // How many times the engine-side reply closure was called; more than 1 is a bug in the
  // replying code.
  int reply_count() const { return reply_count_; }

  // "no reply yet", "success: {...}", "error(code, "message", details)", "not implemented".
  std::string ToString() const;

 private:
  friend class HeadlessEngine;
  friend class ReplyRecorder;

  DartReply() = default;

  // Called by the reply closure with the raw reply.
  void Record(const uint8_t* reply, size_t reply_size);

  Kind kind_ = Kind::kPending;
  flutter::EncodableValue value_;
  std::string error_code_;
  std::string error_message_;
  flutter::EncodableValue error_details_;
  std::vector<uint8_t> bytes_;
  int reply_count_ = 0;
};

}  // namespace headless

#endif  // QEVA_FLUTTER_HEADLESS_DARTREPLY_H_
