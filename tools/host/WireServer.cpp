#include "WireServer.h"

#include <arpa/inet.h>
#include <flutter/method_call.h>
#include <flutter/standard_message_codec.h>
#include <flutter/standard_method_codec.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "BuiltinScenario.h"
#include "DartValues.h"
#include "HostActions.h"
#include "HostSession.h"
#include "Scenario.h"
#include "StopSignal.h"
#include "Transcript.h"
#include "WireFrame.h"

namespace QevaHost {

using flutter::EncodableMap;
using flutter::EncodableValue;
using nlohmann::json;

namespace {

// The control method that is no host action: report the calls still unanswered, now.
constexpr char kUnansweredMethod[] = "unanswered";
// What "{sink}" becomes on the wire: a fixed name, so that the same calls give the same bytes
// (the sink's own port differs from run to run); the host sends its requests to the sink.
constexpr char kSinkHost[] = "tracker-sink.invalid";
// How long a closing socket keeps reading what the client still sends, so that the close
// does not reset the connection before the client has read the last frames.
constexpr auto kLinger = std::chrono::milliseconds(500);
constexpr int kAcceptSliceMs = 200;
// How often an idle client's wait looks whether another client waits.
constexpr int kIdleCheckMs = 500;
// Clients that may wait for the port while one is served.
constexpr int kBacklog = 16;

EncodableValue Text(const std::string& text) {
  return EncodableValue(text);
}

EncodableValue Number(int64_t number) {
  return EncodableValue(number);
}

// Where the first byte that cannot be UTF-8 lies in |bytes|, or npos. Method names and string
// values are UTF-8; a control message the codec refused is looked at for them.
size_t FirstInvalidUtf8(const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size();) {
    const uint8_t c = bytes[i];
    const size_t length = c < 0x80           ? 1
                          : (c >> 5) == 0x6  ? 2
                          : (c >> 4) == 0xE  ? 3
                          : (c >> 3) == 0x1E ? 4
                                             : 0;
    if (length == 0 || i + length > bytes.size()) {
      return i;
    }
    for (size_t k = 1; k < length; ++k) {
      if ((bytes[i + k] & 0xC0) != 0x80) {
        return i;
      }
    }
    i += length;
  }
  return std::string::npos;
}

// The printable run of bytes around |at|: the bad string, as far as it can be told.
std::string AroundByte(const std::vector<uint8_t>& bytes, size_t at) {
  size_t begin = at;
  while (begin > 0 && at - begin < 32 && bytes[begin - 1] >= 0x20) {
    --begin;
  }
  size_t end = at + 1;
  while (end < bytes.size() && end - at < 32 && bytes[end] >= 0x20) {
    ++end;
  }
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                     bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

// One client's host: the session, and the sink that turns what happens into frames.
class Connection final : public TranscriptSink {
 public:
  Connection(int out, const volatile std::sig_atomic_t* stop) : out_(out), stop_(stop) {}
  ~Connection() override { session_.reset(); }

  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  WireEnd Serve(int in, const WireOptions& options, const volatile std::sig_atomic_t* stop) {
    SessionOptions session_options;
    session_options.seed = options.seed;
    // Inventories may point trackers at "{sink}", as the built-in one does.
    session_options.trackerSink = true;
    session_options.sinkHost = kSinkHost;
    session_options.stop = stop;
    session_options.keepAnsweredCalls = false;
    session_ = std::make_unique<HostSession>(session_options, this);
    session_->SetCallNamer(
        [this](int number) { return "request " + std::to_string(RequestId(number)); });
    std::string error;
    const json inventory =
        options.inventory.is_null() ? json::parse(BuiltinInventoryText()) : options.inventory;
    if (!session_->LoadInventory(inventory, true, &error)) {
      EmitError("inventory", error);
      return WireEnd::failed;
    }

    wire::FrameReader reader(in, stop);
    reader.setStallTimeout(options.stallTimeoutMs);
    const bool idle_limit = options.idleTimeoutMs >= 0 && options.othersWaiting;
    const int slice = idle_limit ? kIdleCheckMs : -1;
    auto idle_since = std::chrono::steady_clock::now();
    WireEnd end = WireEnd::closed;
    std::string why;
    while (!broken_ && end == WireEnd::closed) {
      wire::Frame frame;
      switch (reader.Read(&frame, &why, slice)) {
        case wire::FrameReader::Status::idle:
          if (std::chrono::steady_clock::now() - idle_since >=
                  std::chrono::milliseconds(options.idleTimeoutMs) &&
              options.othersWaiting()) {
            Malformed("idle", "no frame for " + std::to_string(options.idleTimeoutMs) +
                                  " ms while another client waits");
            end = WireEnd::timedOut;
          }
          continue;
        case wire::FrameReader::Status::frame:
          idle_since = std::chrono::steady_clock::now();
          Handle(std::move(frame));
          if (!malformed_reason_.empty()) {
            end = WireEnd::malformed;
          }
          continue;
        case wire::FrameReader::Status::end:
          break;
        case wire::FrameReader::Status::badLength:
          Malformed("bad-length", why);
          end = WireEnd::malformed;
          continue;
        case wire::FrameReader::Status::truncated:
          Malformed("truncated", why);
          end = WireEnd::malformed;
          continue;
        case wire::FrameReader::Status::interrupted:
          end = WireEnd::stopped;
          continue;
        case wire::FrameReader::Status::timedOut:
          Malformed("stalled", why);
          end = WireEnd::timedOut;
          continue;
        case wire::FrameReader::Status::failed:
          end = WireEnd::failed;
          continue;
      }
      break;
    }
    session_->Finish();
    ReportUnanswered();
    if (end == WireEnd::malformed || end == WireEnd::timedOut) {
      EmitError(malformed_reason_, malformed_message_);
    }
    session_.reset();
    return broken_ && end != WireEnd::malformed && end != WireEnd::timedOut ? WireEnd::failed : end;
  }

  // TranscriptSink: replies become kind-1 frames; log lines, journal entries and tracker
  // traffic become events; the rest belongs to scenarios.
  void OnHeader(const RunHeader&) override {}
  void OnStep(const StepEvent&) override {}
  void OnAction(const ActionEvent&) override {}
  void OnCall(const CallEvent&) override {}
  void OnReply(const ReplyEvent& reply) override {
    // The engine passes on only the first reply, and so does the wire.
    if (reply.replyCount == 1) {
      Write(wire::EncodeFrame(wire::Kind::reply, RequestId(reply.number), reply.bytes.data(),
                              reply.bytes.size()));
    }
  }
  void OnRelease(const ReleaseEvent&) override {}
  void OnLog(const LogEvent& log) override {
    Emit({{Text("event"), Text("log")},
          {Text("level"), Text(Qeva::QevaLogTypeName(log.line.level))},
          {Text("message"), Text(log.line.message)},
          {Text("function"), Text(log.line.function)},
          {Text("file"), Text(log.line.file)},
          {Text("line"), EncodableValue(static_cast<int32_t>(log.line.line))},
          {Text("time"), Number(log.time)}});
  }
  void OnJournal(const JournalEvent& journal) override {
    Emit({{Text("event"), Text("journal")},
          {Text("kind"), Text(JournalKindName(journal.entry.kind))},
          {Text("entry"), Text(journal.entry.ToString())},
          {Text("time"), Number(journal.time)}});
  }
  void OnTracker(const TrackerEvent& tracker) override {
    Emit({{Text("event"), Text("tracker")},
          {Text("kind"), Text(TrackerKindName(tracker.kind))},
          {Text("url"), Text(tracker.url)},
          {Text("path"), Text(tracker.path)},
          {Text("status"), EncodableValue(static_cast<int32_t>(tracker.status))},
          {Text("detail"), Text(tracker.detail)},
          {Text("time"), Number(tracker.time)}});
  }
  void OnExpectation(const ExpectationEvent&) override {}
  void OnError(const ErrorEvent&) override {}
  void OnUnanswered(const UnansweredEvent&) override {}
  void OnSummary(const SummaryEvent&) override {}

 private:
  uint32_t RequestId(int number) const {
    const HostCall* record = session_ ? session_->call(number) : nullptr;
    return record != nullptr ? record->tag : 0;
  }

  void Handle(wire::Frame frame) {
    const auto kind = static_cast<wire::Kind>(frame.kind);
    if (kind == wire::Kind::reply || kind == wire::Kind::event) {
      Malformed("wrong-direction", "frame kind " + std::to_string(frame.kind) +
                                       " goes from the host to the client only");
      return;
    }
    if (kind != wire::Kind::message) {
      Malformed("unknown-kind",
                "frame kind " + std::to_string(frame.kind) + " is unknown (0 is a message)");
      return;
    }
    std::string channel;
    std::vector<uint8_t> message;
    if (!wire::SplitMessage(frame.body, &channel, &message)) {
      const size_t size = frame.body.size();
      Malformed("bad-channel-length",
                size < 2 ? "a message body of " + std::to_string(size) +
                               " byte(s) has no room for the channel name's length"
                         : "the channel name's length " +
                               std::to_string(frame.body[0] | frame.body[1] << 8) +
                               " runs past the message body of " + std::to_string(size) + " bytes");
      return;
    }
    if (channel == wire::kControlChannel) {
      // The actions were written for checked scenario files; whatever a client sends, an
      // exception becomes an error reply, never the end of the host.
      try {
        Control(frame.id, message);
      } catch (const std::exception& exception) {
        ControlError(frame.id, "action-failed", exception.what());
      }
      return;
    }
    session_->CallBytes(channel, std::move(message), frame.id);
    session_->Settle(true);
  }

  // Runs a host action named by a method call on the control channel. The reply goes out
  // after what is due has run, so every event the action caused comes before it.
  void Control(uint32_t id, const std::vector<uint8_t>& message) {
    const flutter::StandardMethodCodec& codec = flutter::StandardMethodCodec::GetInstance();
    std::unique_ptr<flutter::MethodCall<EncodableValue>> call = codec.DecodeMethodCall(message);
    if (!call) {
      const size_t bad = FirstInvalidUtf8(message);
      ControlError(id, "bad-call",
                   bad == std::string::npos
                       ? std::string("the message is not a standard method codec method call")
                       : "a string in the message is not UTF-8: byte " + std::to_string(bad) +
                             " in \"" + Excerpt(AroundByte(message, bad)) + "\"");
      return;
    }
    const std::string& name = call->method_name();
    const json argument = call->arguments() != nullptr ? ToJson(*call->arguments()) : json();
    std::string outcome;
    if (name == kUnansweredMethod) {
      if (!argument.is_null()) {
        ControlError(id, "bad-arguments",
                     "\"unanswered\": takes no argument (send null), got " +
                         argument.dump(-1, ' ', false, json::error_handler_t::replace));
        return;
      }
      outcome = std::to_string(ReportUnanswered()) + " call(s) unanswered";
    } else {
      const HostAction* action = HostActions::Standard().Find(name);
      if (action == nullptr) {
        ControlError(id, "unknown-action",
                     "no host action \"" + name + "\" (known: " + HostActions::Standard().Names() +
                         ", " + kUnansweredMethod + ")");
        return;
      }
      const std::string why = action->check(argument);
      if (!why.empty()) {
        ControlError(id, "bad-arguments", "\"" + name + "\": " + why);
        return;
      }
      const ActionResult result = action->run(*session_, argument);
      session_->Settle(true);
      if (!result.ok) {
        ControlError(id, "action-failed", name + ": " + result.outcome);
        return;
      }
      outcome = result.outcome;
    }
    const EncodableValue value(EncodableMap{{Text("action"), Text(name)},
                                            {Text("outcome"), Text(outcome)},
                                            {Text("time"), Number(session_->now())}});
    WriteReply(id, *codec.EncodeSuccessEnvelope(&value));
  }

  void ControlError(uint32_t id, const std::string& code, const std::string& message) {
    WriteReply(id, *flutter::StandardMethodCodec::GetInstance().EncodeErrorEnvelope(code, message));
  }

  void WriteReply(uint32_t id, const std::vector<uint8_t>& envelope) {
    Write(wire::EncodeFrame(wire::Kind::reply, id, envelope.data(), envelope.size()));
  }

  // Reports every call still unanswered, with the reason, and returns how many.
  size_t ReportUnanswered() {
    const std::vector<Unanswered> unanswered = session_->UnansweredCalls();
    for (const Unanswered& call : unanswered) {
      const HostCall& record = *session_->call(call.number);
      Emit({{Text("event"), Text("unanswered")},
            {Text("id"), Number(RequestId(call.number))},
            {Text("channel"), Text(record.channel)},
            {Text("method"), Text(record.method)},
            {Text("reason"), Text(call.reason)},
            {Text("detail"), Text(call.detail)},
            {Text("time"), Number(session_->now())}});
    }
    return unanswered.size();
  }

  // The frame is not served; the error event goes out once the connection is wound up.
  void Malformed(const std::string& reason, const std::string& message) {
    malformed_reason_ = reason;
    malformed_message_ = message;
  }

  void EmitError(const std::string& reason, const std::string& message) {
    Emit({{Text("event"), Text("error")},
          {Text("reason"), Text(reason)},
          {Text("message"), Text(message)},
          {Text("time"), Number(session_ ? session_->now() : 0)}});
  }

  void Emit(EncodableMap event) {
    const std::unique_ptr<std::vector<uint8_t>> bytes =
        flutter::StandardMessageCodec::GetInstance().EncodeMessage(
            EncodableValue(std::move(event)));
    Write(wire::EncodeFrame(wire::Kind::event, 0, bytes->data(), bytes->size()));
  }

  // Once a write fails the client is gone: nothing more is written, and serving stops.
  void Write(const std::vector<uint8_t>& frame) {
    std::string why;
    if (!broken_ && !wire::WriteAll(out_, frame, &why, stop_)) {
      broken_ = true;
    }
  }

  const int out_;  // Not owned.
  const volatile std::sig_atomic_t* stop_;
  bool broken_ = false;
  std::string malformed_reason_;
  std::string malformed_message_;
  // Last: it reports to this object until it is gone.
  std::unique_ptr<HostSession> session_;
};

int ExitStatus(WireEnd end) {
  switch (end) {
    case WireEnd::closed:
    case WireEnd::stopped:
      return 0;
    case WireEnd::malformed:
      return 2;
    case WireEnd::failed:
    case WireEnd::timedOut:
      break;
  }
  return 1;
}

const char* Describe(WireEnd end) {
  switch (end) {
    case WireEnd::closed:
      return "closed by the client";
    case WireEnd::malformed:
      return "closed after a malformed frame";
    case WireEnd::failed:
      return "closed after an I/O error";
    case WireEnd::stopped:
      return "closed by a signal";
    case WireEnd::timedOut:
      return "closed after a timeout";
  }
  return "";
}

// Sends the end of the stream, then reads what the client still sends for a moment, so that
// closing does not reset the connection and lose the frames the client has not read yet.
void CloseGently(int fd) {
  shutdown(fd, SHUT_WR);
  const auto deadline = std::chrono::steady_clock::now() + kLinger;
  char scratch[4096];
  for (auto now = std::chrono::steady_clock::now(); now < deadline;
       now = std::chrono::steady_clock::now()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    pollfd readable{fd, POLLIN, 0};
    const int polled = poll(&readable, 1, static_cast<int>(left.count()) + 1);
    if (polled < 0 && errno == EINTR) {
      continue;
    }
    if (polled <= 0 || read(fd, scratch, sizeof(scratch)) <= 0) {
      break;
    }
  }
  close(fd);
}

}  // namespace

WireEnd ServeWire(int in, int out, const WireOptions& options,
                  const volatile std::sig_atomic_t* stop) {
  Connection connection(out, stop);
  return connection.Serve(in, options, stop);
}

int RunWireStdio(const WireOptions& options, std::ostream& err) {
  StopSignalScope signals;
  // Standard output carries frames only: the wire writes to a copy of it, and anything else
  // printed there goes to standard error instead.
  const int out = dup(STDOUT_FILENO);
  if (out < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    err << "qeva-host: cannot set standard output aside: " << std::strerror(errno) << "\n";
    return 1;
  }
  const WireEnd end = ServeWire(STDIN_FILENO, out, options, StopFlag());
  close(out);
  if (end != WireEnd::closed) {
    err << "qeva-host: " << Describe(end) << "\n";
  }
  return ExitStatus(end);
}

int RunWirePort(const WireOptions& options, int port, bool once, std::ostream& err) {
  StopSignalScope signals;
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) {
    err << "qeva-host: socket: " << std::strerror(errno) << "\n";
    return 1;
  }
  const int on = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  socklen_t length = sizeof(address);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listener, kBacklog) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    err << "qeva-host: cannot listen on 127.0.0.1:" << port << ": " << std::strerror(errno) << "\n";
    close(listener);
    return 1;
  }
  err << "qeva-host: listening on 127.0.0.1:" << ntohs(address.sin_port) << std::endl;

  int status = 0;
  int served = 0;
  while (*StopFlag() == 0) {
    // Polled in slices, so that a signal just before the wait still ends it soon.
    pollfd waiting{listener, POLLIN, 0};
    const int polled = poll(&waiting, 1, kAcceptSliceMs);
    if (polled < 0 && errno != EINTR) {
      err << "qeva-host: poll: " << std::strerror(errno) << "\n";
      status = 1;
      break;
    }
    if (polled <= 0) {
      continue;
    }
    const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) {
      if (errno == EINTR || errno == ECONNABORTED) {
        continue;
      }
      err << "qeva-host: accept: " << std::strerror(errno) << "\n";
      status = 1;
      break;
    }
    // A client that stops reading cannot hold the host either.
    const timeval send_timeout{kStallTimeoutMs / 1000, 0};
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &send_timeout, sizeof(send_timeout));
    WireOptions limited = options;
    limited.stallTimeoutMs = kStallTimeoutMs;
    limited.idleTimeoutMs = kIdleTimeoutMs;
    limited.othersWaiting = [listener] {
      pollfd waiting{listener, POLLIN, 0};
      return poll(&waiting, 1, 0) > 0;
    };
    const WireEnd end = ServeWire(client, client, limited, StopFlag());
    CloseGently(client);
    err << "qeva-host: connection " << ++served << " " << Describe(end) << std::endl;
    if (once) {
      status = ExitStatus(end);
      break;
    }
  }
  close(listener);
  return status;
}

}  // namespace QevaHost
