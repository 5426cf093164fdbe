#ifndef QEVA_HOST_WIRECLIENT_H_
#define QEVA_HOST_WIRECLIENT_H_

#include <flutter/encodable_value.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "WireFrame.h"

// The Dart side of qeva-host's wire mode, for C++ programs and the tool's own tests: sends
// messages as kind-0 frames and sorts what comes back into replies by request id and events.
namespace QevaHost::wire {

// A kind-2 frame's map, or none when the body is no standard message codec map.
std::optional<flutter::EncodableMap> DecodeEvent(const std::vector<uint8_t>& body);

class WireClient {
 public:
  // How long a read waits for the host unless told otherwise.
  static constexpr int kDefaultTimeoutMs = 5000;

  // Speaks over |read_fd| and |write_fd|: one socket given twice, or the ends of two pipes.
  // Neither is owned. Over pipes, have SIGPIPE ignored: a write to a host that has gone would
  // otherwise end the process.
  WireClient(int read_fd, int write_fd) : reader_(read_fd), write_fd_(write_fd) {}

  WireClient(const WireClient&) = delete;
  WireClient& operator=(const WireClient&) = delete;

  // A socket connected to a host's --wire-port on 127.0.0.1, or -1 with |error|. The caller
  // owns it.
  static int ConnectLoopback(int port, std::string* error);

  // Sends |message| (the bytes the engine would deliver) to |channel| under the next request
  // id, from 1 up, and returns that id; 0 when the write failed (see error()).
  uint32_t Send(const std::string& channel, const std::vector<uint8_t>& message);
  // Sends a standard method codec call.
  uint32_t Invoke(const std::string& channel, const std::string& method,
                  const flutter::EncodableValue& arguments);
  // Writes |bytes| as they are, for frames the framing does not allow.
  bool SendRaw(const std::vector<uint8_t>& bytes);

  // The reply to request |id| (the bytes as the plugin produced them), reading frames until
  // it comes: events on the way are kept, other replies too. None at the end of the stream,
  // on a malformed or failed read, or after |timeout_ms| without a frame.
  std::optional<std::vector<uint8_t>> Reply(uint32_t id, int timeout_ms = kDefaultTimeoutMs);
  // Invoke, then Reply.
  std::optional<std::vector<uint8_t>> Call(const std::string& channel, const std::string& method,
                                           const flutter::EncodableValue& arguments);

  // Reads until the host closes the stream; true when it closed cleanly between frames.
  bool ReadToEnd(int timeout_ms = kDefaultTimeoutMs);
  // Whether the reply to |id| has come (and not been taken by Reply).
  bool HasReply(uint32_t id) const { return replies_.count(id) > 0; }
  // The events read so far, oldest first; TakeEvents also forgets them.
  const std::vector<flutter::EncodableMap>& events() const { return events_; }
  std::vector<flutter::EncodableMap> TakeEvents();

  // What went wrong last: a failed write, a timeout, a frame the host should not send.
  const std::string& error() const { return error_; }

 private:
  // Reads one frame and files it; false at the end of the stream or on a problem.
  bool ReadOne(int timeout_ms);

  FrameReader reader_;
  const int write_fd_;
  uint32_t next_id_ = 1;
  std::map<uint32_t, std::vector<uint8_t>> replies_;
  std::vector<flutter::EncodableMap> events_;
  bool ended_ = false;
  std::string error_;
};

}  // namespace QevaHost::wire

#endif  // QEVA_HOST_WIRECLIENT_H_
