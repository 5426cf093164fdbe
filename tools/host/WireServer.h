#ifndef QEVA_HOST_WIRESERVER_H_
#define QEVA_HOST_WIRESERVER_H_

#include <csignal>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>

#include "CommandLine.h"

// qeva-host's wire mode: the plugin's binary messenger served to another process over a
// framed byte stream (WireFrame.h), so that any program can be the Dart side. Messages on the
// plugin's channels reach the plugin's handlers as the engine would deliver them and their
// replies go back as the plugin produced them; the host's own channel "qeva.host/control"
// runs the host actions; every SDK log line, journal entry and tracker request goes out as an
// event map.
namespace QevaHost {

struct WireOptions {
  uint64_t seed = kDefaultSeed;
  // The ads served from the start, in the stand-in's inventory shape; null: the built-in
  // scenario's inventory.
  nlohmann::json inventory;
  // Port mode's limits on one client, so that none holds the port (negative: none). A frame
  // once begun must go on arriving: a gap longer than |stallTimeoutMs| ends the connection.
  int stallTimeoutMs = -1;
  // While |othersWaiting| says another client waits, a client idle between frames for
  // |idleTimeoutMs| is let go.
  int idleTimeoutMs = -1;
  std::function<bool()> othersWaiting;
};

// Port mode's limits (see docs/wire.md).
constexpr int kStallTimeoutMs = 10000;
constexpr int kIdleTimeoutMs = 10000;

// How a connection ended.
enum class WireEnd {
  closed,     // The client closed its side between frames.
  malformed,  // The client sent a frame the framing does not allow; it was told why.
  failed,     // Reading or writing failed.
  stopped,    // A signal asked the host to stop.
  timedOut,   // The client stalled inside a frame, or idled while others waited; it was told.
};

// Serves one client, reading frames from |in| and writing frames to |out| (one socket given
// twice, or a pipe pair; neither is owned or closed), until the connection ends. Every
// connection gets a host of its own: a fresh stand-in SDK, ids seeded anew, the inventory
// loaded. Before it returns, the calls still unanswered are reported, and on a malformed
// frame the error event comes last. Main thread only; |stop|, if given, must outlive the call.
WireEnd ServeWire(int in, int out, const WireOptions& options,
                  const volatile std::sig_atomic_t* stop);

// qeva-host --wire: serves standard input and output (standard output carries nothing but
// frames). Returns the exit status: 0 the client closed, 1 an I/O error, 2 a malformed frame.
int RunWireStdio(const WireOptions& options, std::ostream& err);

// qeva-host --wire-port N: serves clients on 127.0.0.1:|port| (0: a port the system picks)
// one after another in the order they connect, until SIGINT or SIGTERM, or after the first
// when |once|. A client is let go when it stalls inside a frame, or idles between frames
// while another waits (kStallTimeoutMs, kIdleTimeoutMs). Says where it
// listens on |err|. Returns 0, or with |once| that connection's status as RunWireStdio's; 1
// when it cannot listen.
int RunWirePort(const WireOptions& options, int port, bool once, std::ostream& err);

}  // namespace QevaHost

#endif  // QEVA_HOST_WIRESERVER_H_
