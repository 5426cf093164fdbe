#ifndef QEVA_HOST_TRACKERHTTP_H_
#define QEVA_HOST_TRACKERHTTP_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Real HTTP for the SDK's click trackers: a client that requests each tracking URL off the
// main thread, and a loopback server the built-in scenario points its trackers at, so a
// transcript shows them actually hit.
namespace QevaHost {

// A URL split into what the HTTP client needs.
struct HttpUrl {
  std::string scheme;  // "http" or "https", lower case.
  std::string origin;  // "http://host:port", as the client takes it.
  std::string target;  // "/path?query"; "/" when the URL has none.
};

// Splits |url|, or says why the client will not request it: a scheme other than http (and
// https, when the HTTP library was built with TLS), or no host.
bool ParseHttpUrl(const std::string& url, HttpUrl* out, std::string* why);

// The outcome of one request.
struct HttpOutcome {
  uint64_t id = 0;
  std::string url;
  bool answered = false;  // A response came, whatever its status.
  int status = 0;
  std::string error;  // Why no response came.
};

// Requests URLs with GET, one after another, on one worker thread: outcomes come in the
// order the requests were made, which keeps transcripts repeatable.
class HttpTracker {
 public:
  // Called on the worker thread with each outcome; must be thread-safe (it is meant to post
  // to the main thread's run loop).
  using Done = std::function<void(const HttpOutcome& outcome)>;

  // |timeout| bounds connecting and reading, each.
  explicit HttpTracker(std::chrono::milliseconds timeout);
  // Drops requests not started, and waits for the one in flight (at most about |timeout|).
  ~HttpTracker();

  HttpTracker(const HttpTracker&) = delete;
  HttpTracker& operator=(const HttpTracker&) = delete;

  // Queues a GET of |url| (already checked with ParseHttpUrl); |done| hears the outcome.
  void Submit(uint64_t id, HttpUrl url, std::string printable_url, Done done);
  // Blocks until every submitted request has called its |done|, or |deadline|; true when
  // none is outstanding.
  bool WaitIdle(std::chrono::steady_clock::time_point deadline);
  // The ids of requests not finished yet, in submission order.
  std::vector<uint64_t> Outstanding() const;

 private:
  struct Job {
    uint64_t id;
    HttpUrl url;
    std::string printable_url;
    Done done;
  };

  void Work();
  HttpOutcome Get(const Job& job) const;

  const std::chrono::milliseconds timeout_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> queue_;
  uint64_t in_flight_ = 0;  // The id being requested, 0 when none.
  bool stopping_ = false;
  std::thread worker_;
};

// An HTTP server on 127.0.0.1 at a port the system picks, recording every request it
// serves. GET /status/NNN answers NNN; any other path 200 "ok".
class LoopbackSink {
 public:
  struct Hit {
    std::string method;
    std::string path;  // With the query, as requested.
    int status = 0;
  };

  LoopbackSink();
  // Stops the server and joins its thread.
  ~LoopbackSink();

  LoopbackSink(const LoopbackSink&) = delete;
  LoopbackSink& operator=(const LoopbackSink&) = delete;

  // Binds and starts serving; false (with |error|) when no port could be bound.
  bool Start(std::string* error);
  // "127.0.0.1:PORT", or empty before Start().
  std::string address() const;
  // Every request served so far, in arrival order. Thread-safe.
  std::vector<Hit> hits() const;

 private:
  struct Server;
  std::unique_ptr<Server> server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<Hit> hits_;
};

}  // namespace QevaHost

#endif  // QEVA_HOST_TRACKERHTTP_H_
