#ifndef QEVA_HOST_WIREFRAME_H_
#define QEVA_HOST_WIREFRAME_H_

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The framing of qeva-host's wire mode, shared by the host and its clients. Every frame is
//   length (uint32 LE, counts what follows) | kind (uint8) | request id (uint32 LE) | body
// A message body (kind 0) is
//   channel-name length (uint16 LE) | channel name (UTF-8) | message bytes
namespace QevaHost::wire {

enum class Kind : uint8_t {
  message = 0,  // Client to host: a message for a channel, as the engine would deliver it.
  reply = 1,    // Host to client: the reply to the message with the same request id.
  event = 2,    // Host to client, request id 0: a standard message codec map.
};

// Kind and request id: the smallest length a frame can declare.
constexpr uint32_t kHeaderSize = 5;
// The largest length a frame may declare (16 MiB); a reader refuses more without allocating.
constexpr uint32_t kMaxFrameLength = 16u * 1024 * 1024;
// The host's own channel, for the host actions; any other name is the plugin's.
constexpr char kControlChannel[] = "qeva.host/control";

struct Frame {
  uint8_t kind = 0;  // A Kind, or whatever a peer wrote.
  uint32_t id = 0;
  std::vector<uint8_t> body;
};

// One whole frame's bytes. |size| must keep the length within kMaxFrameLength.
std::vector<uint8_t> EncodeFrame(Kind kind, uint32_t id, const uint8_t* body, size_t size);
// A kind-0 frame for |channel| (at most 65535 bytes of UTF-8) carrying |message|.
std::vector<uint8_t> EncodeMessage(uint32_t id, const std::string& channel,
                                   const std::vector<uint8_t>& message);
// Splits a kind-0 body; false when it is shorter than its channel-name length says.
bool SplitMessage(const std::vector<uint8_t>& body, std::string* channel,
                  std::vector<uint8_t>* message);

// Reads frames from a file descriptor (a pipe or a socket), coping with short reads and
// EINTR. It checks the framing only; which kinds are welcome is the caller's business.
class FrameReader {
 public:
  enum class Status {
    frame,        // |frame| holds the next frame.
    end,          // The peer closed its side between frames.
    badLength,    // A declared length below kHeaderSize or above kMaxFrameLength.
    truncated,    // The stream ended inside a frame.
    failed,       // The descriptor failed (|why| says how).
    timedOut,     // Nothing complete within the timeout, or a begun frame stalled.
    idle,         // The timeout passed before a frame began; the stream is still usable.
    interrupted,  // |stop| became non-zero while waiting.
  };

  // |fd| is not owned and must stay open while the reader is used. |stop|, when given, is
  // watched while the reader waits (a signal handler sets it); it must outlive the reader.
  explicit FrameReader(int fd, const volatile std::sig_atomic_t* stop = nullptr)
      : fd_(fd), stop_(stop) {}

  // Waits for the next frame, at most |timeout_ms| for each chunk (negative: for ever). On
  // anything but Status::frame and Status::idle, |why| says what went wrong and the stream is
  // unusable. The body is allocated as its bytes arrive, not as its length declares.
  Status Read(Frame* frame, std::string* why, int timeout_ms = -1);

  // Once a frame has begun, the most time to wait for each further chunk of it (negative,
  // the default: |timeout_ms| of Read); a peer that stalls mid-frame gets Status::timedOut.
  void setStallTimeout(int ms) { stall_timeout_ms_ = ms; }

 private:
  // Waits until |fd_| is readable: at once when there is neither a timeout nor |stop_|, else
  // polling, in slices short enough to notice |stop_| even when a signal came just before.
  Status WaitReadable(int timeout_ms, std::string* why);
  // Reads exactly |size| bytes; |started| says whether a frame has begun (for end vs
  // truncated).
  Status ReadExactly(uint8_t* into, size_t size, bool started, std::string* why, int timeout_ms);

  int fd_;
  const volatile std::sig_atomic_t* stop_;
  int stall_timeout_ms_ = -1;
};

// Writes all of |bytes| to |fd|, across short writes and EINTR; on a socket without raising
// SIGPIPE. False, with |why|, when the descriptor fails (the peer is gone).
// A write blocked on a peer that does not read gives up when |stop| becomes non-zero.
bool WriteAll(int fd, const std::vector<uint8_t>& bytes, std::string* why,
              const volatile std::sig_atomic_t* stop = nullptr);

}  // namespace QevaHost::wire

#endif  // QEVA_HOST_WIREFRAME_H_
