#include "WireFrame.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace QevaHost::wire {

namespace {

// How often a reader with a stop flag looks at it while it waits.
constexpr int kStopCheckMs = 200;
// A frame's body is read, and allocated, this much at a time.
constexpr size_t kChunk = 64 * 1024;

void PutUint32(uint32_t value, uint8_t* out) {
  for (int i = 0; i < 4; ++i) {
    out[i] = static_cast<uint8_t>(value >> (8 * i));
  }
}

uint32_t GetUint32(const uint8_t* in) {
  return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
         static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

std::string Errno(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

std::vector<uint8_t> EncodeFrame(Kind kind, uint32_t id, const uint8_t* body, size_t size) {
  std::vector<uint8_t> frame(4 + kHeaderSize + size);
  PutUint32(static_cast<uint32_t>(kHeaderSize + size), frame.data());
  frame[4] = static_cast<uint8_t>(kind);
  PutUint32(id, frame.data() + 5);
  if (size > 0) {
    std::memcpy(frame.data() + 4 + kHeaderSize, body, size);
  }
  return frame;
}

std::vector<uint8_t> EncodeMessage(uint32_t id, const std::string& channel,
                                   const std::vector<uint8_t>& message) {
  std::vector<uint8_t> body;
  body.reserve(2 + channel.size() + message.size());
  body.push_back(static_cast<uint8_t>(channel.size()));
  body.push_back(static_cast<uint8_t>(channel.size() >> 8));
  body.insert(body.end(), channel.begin(), channel.end());
  body.insert(body.end(), message.begin(), message.end());
  return EncodeFrame(Kind::message, id, body.data(), body.size());
}

bool SplitMessage(const std::vector<uint8_t>& body, std::string* channel,
                  std::vector<uint8_t>* message) {
  if (body.size() < 2) {
    return false;
  }
  const size_t length = static_cast<size_t>(body[0]) | static_cast<size_t>(body[1]) << 8;
  if (length > body.size() - 2) {
    return false;
  }
  channel->assign(body.begin() + 2, body.begin() + 2 + static_cast<std::ptrdiff_t>(length));
  message->assign(body.begin() + 2 + static_cast<std::ptrdiff_t>(length), body.end());
  return true;
}

FrameReader::Status FrameReader::WaitReadable(int timeout_ms, std::string* why) {
  if (timeout_ms < 0 && stop_ == nullptr) {
    return Status::frame;  // read() itself waits.
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (true) {
    if (stop_ != nullptr && *stop_ != 0) {
      *why = "stopped by a signal";
      return Status::interrupted;
    }
    int slice = stop_ != nullptr ? kStopCheckMs : -1;
    if (timeout_ms >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      if (left <= 0) {
        *why = "no frame within " + std::to_string(timeout_ms) + " ms";
        return Status::timedOut;
      }
      slice = slice < 0 ? static_cast<int>(left) : std::min(slice, static_cast<int>(left));
    }
    pollfd readable{fd_, POLLIN, 0};
    const int polled = poll(&readable, 1, slice);
    if (polled > 0) {
      return Status::frame;
    }
    if (polled < 0 && errno != EINTR) {
      *why = Errno("poll");
      return Status::failed;
    }
  }
}

FrameReader::Status FrameReader::ReadExactly(uint8_t* into, size_t size, bool started,
                                             std::string* why, int timeout_ms) {
  size_t got = 0;
  while (got < size) {
    const bool begun = started || got > 0;
    const int wait = begun && stall_timeout_ms_ >= 0 ? stall_timeout_ms_ : timeout_ms;
    const Status ready = WaitReadable(wait, why);
    if (ready == Status::timedOut && !begun) {
      return Status::idle;
    }
    if (ready == Status::timedOut) {
      *why = "the frame stalled: no byte of it for " + std::to_string(wait) + " ms";
    }
    if (ready != Status::frame) {
      return ready;
    }
    const ssize_t n = read(fd_, into + got, size - got);
    if (n > 0) {
      got += static_cast<size_t>(n);
      continue;
    }
    if (n == 0) {
      if (!started && got == 0) {
        *why = "the peer closed the stream";
        return Status::end;
      }
      *why = "the stream ended inside a frame";
      return Status::truncated;
    }
    if (errno == EINTR) {
      continue;
    }
    *why = Errno("read");
    return Status::failed;
  }
  return Status::frame;
}

FrameReader::Status FrameReader::Read(Frame* frame, std::string* why, int timeout_ms) {
  uint8_t prefix[4 + kHeaderSize];
  Status status = ReadExactly(prefix, 4, false, why, timeout_ms);
  if (status != Status::frame) {
    return status;
  }
  const uint32_t length = GetUint32(prefix);
  if (length < kHeaderSize || length > kMaxFrameLength) {
    *why = "frame length " + std::to_string(length) + " is not within " +
           std::to_string(kHeaderSize) + " to " + std::to_string(kMaxFrameLength);
    return Status::badLength;
  }
  status = ReadExactly(prefix + 4, kHeaderSize, true, why, timeout_ms);
  if (status != Status::frame) {
    return status;
  }
  frame->kind = prefix[4];
  frame->id = GetUint32(prefix + 5);
  // Grown as the bytes come: a declared length alone claims no memory.
  const size_t size = length - kHeaderSize;
  frame->body.clear();
  while (frame->body.size() < size) {
    const size_t at = frame->body.size();
    const size_t chunk = std::min(size - at, kChunk);
    frame->body.resize(at + chunk);
    status = ReadExactly(frame->body.data() + at, chunk, true, why, timeout_ms);
    if (status != Status::frame) {
      return status;
    }
  }
  return Status::frame;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes, std::string* why,
              const volatile std::sig_atomic_t* stop) {
  size_t sent = 0;
  bool socket = true;
  while (sent < bytes.size()) {
    const uint8_t* from = bytes.data() + sent;
    const size_t left = bytes.size() - sent;
    ssize_t n = socket ? send(fd, from, left, MSG_NOSIGNAL) : write(fd, from, left);
    if (n < 0 && socket && errno == ENOTSOCK) {
      socket = false;
      continue;
    }
    if (n < 0 && errno == EINTR && (stop == nullptr || *stop == 0)) {
      continue;
    }
    if (n < 0) {
      *why = Errno("write");
      return false;
    }
    sent += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace QevaHost::wire
