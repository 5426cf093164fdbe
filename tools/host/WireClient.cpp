#include "WireClient.h"

#include <arpa/inet.h>
#include <flutter/method_call.h>
#include <flutter/standard_message_codec.h>
#include <flutter/standard_method_codec.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

namespace QevaHost::wire {

std::optional<flutter::EncodableMap> DecodeEvent(const std::vector<uint8_t>& body) {
  std::unique_ptr<flutter::EncodableValue> value =
      flutter::StandardMessageCodec::GetInstance().DecodeMessage(body);
  if (!value) {
    return std::nullopt;
  }
  const auto* map = std::get_if<flutter::EncodableMap>(value.get());
  if (map == nullptr) {
    return std::nullopt;
  }
  return *map;
}

int WireClient::ConnectLoopback(int port, std::string* error) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *error = std::string("socket: ") + std::strerror(errno);
    return -1;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  int connected;
  do {
    connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  } while (connected != 0 && errno == EINTR);
  if (connected != 0) {
    *error = "connect to 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
    close(fd);
    return -1;
  }
  return fd;
}

uint32_t WireClient::Send(const std::string& channel, const std::vector<uint8_t>& message) {
  const uint32_t id = next_id_++;
  return WriteAll(write_fd_, EncodeMessage(id, channel, message), &error_) ? id : 0;
}

uint32_t WireClient::Invoke(const std::string& channel, const std::string& method,
                            const flutter::EncodableValue& arguments) {
  flutter::MethodCall<flutter::EncodableValue> call(
      method, std::make_unique<flutter::EncodableValue>(arguments));
  return Send(channel, *flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(call));
}

bool WireClient::SendRaw(const std::vector<uint8_t>& bytes) {
  return WriteAll(write_fd_, bytes, &error_);
}

std::optional<std::vector<uint8_t>> WireClient::Reply(uint32_t id, int timeout_ms) {
  while (replies_.count(id) == 0) {
    if (!ReadOne(timeout_ms)) {
      return std::nullopt;
    }
  }
  auto found = replies_.find(id);
  std::vector<uint8_t> reply = std::move(found->second);
  replies_.erase(found);
  return reply;
}

std::optional<std::vector<uint8_t>> WireClient::Call(const std::string& channel,
                                                     const std::string& method,
                                                     const flutter::EncodableValue& arguments) {
  const uint32_t id = Invoke(channel, method, arguments);
  if (id == 0) {
    return std::nullopt;
  }
  return Reply(id);
}

bool WireClient::ReadToEnd(int timeout_ms) {
  while (ReadOne(timeout_ms)) {
  }
  return ended_;
}

std::vector<flutter::EncodableMap> WireClient::TakeEvents() {
  return std::exchange(events_, {});
}

bool WireClient::ReadOne(int timeout_ms) {
  if (ended_) {
    return false;
  }
  Frame frame;
  std::string why;
  const FrameReader::Status status = reader_.Read(&frame, &why, timeout_ms);
  if (status == FrameReader::Status::end) {
    ended_ = true;
    return false;
  }
  if (status != FrameReader::Status::frame) {
    error_ = why;
    return false;
  }
  switch (static_cast<Kind>(frame.kind)) {
    case Kind::reply:
      replies_[frame.id] = std::move(frame.body);
      return true;
    case Kind::event:
      if (std::optional<flutter::EncodableMap> event = DecodeEvent(frame.body)) {
        events_.push_back(std::move(*event));
        return true;
      }
      error_ = "an event that is no standard message codec map";
      return false;
    case Kind::message:
      break;
  }
  error_ = "the host sent a frame of kind " + std::to_string(frame.kind);
  return false;
}

}  // namespace QevaHost::wire
