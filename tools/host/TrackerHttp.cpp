#include "TrackerHttp.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <utility>

namespace QevaHost {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
constexpr bool kHttps = true;
#else
constexpr bool kHttps = false;
#endif

// The library names its errors tersely ("Connection"); say what happened.
std::string Describe(httplib::Error error) {
  switch (error) {
    case httplib::Error::Connection:
      return "could not connect";
    case httplib::Error::ConnectionTimeout:
      return "timed out connecting";
    case httplib::Error::Read:
      return "no response (read failed or timed out)";
    case httplib::Error::Write:
      return "could not send the request";
    case httplib::Error::SSLConnection:
    case httplib::Error::SSLServerVerification:
      return "TLS failed (" + httplib::to_string(error) + ")";
    default:
      return httplib::to_string(error);
  }
}

}  // namespace

bool ParseHttpUrl(const std::string& url, HttpUrl* out, std::string* why) {
  const size_t separator = url.find("://");
  if (separator == std::string::npos) {
    *why = "not an absolute http URL";
    return false;
  }
  const std::string scheme = Lower(url.substr(0, separator));
  if (scheme != "http" && !(scheme == "https" && kHttps)) {
    *why = "scheme \"" + scheme + "\" not supported (" +
           (kHttps ? "http and https only" : "http only: built without TLS") + ")";
    return false;
  }
  const size_t authority_start = separator + 3;
  size_t authority_end = url.find_first_of("/?#", authority_start);
  if (authority_end == std::string::npos) {
    authority_end = url.size();
  }
  const std::string authority = url.substr(authority_start, authority_end - authority_start);
  if (authority.empty() || authority.find('@') != std::string::npos ||
      authority.find_first_of(" \t\r\n") != std::string::npos) {
    *why = "no usable host";
    return false;
  }
  std::string target = url.substr(authority_end);
  target = target.substr(0, target.find('#'));
  if (target.empty() || target[0] != '/') {
    target.insert(0, "/");
  }
  out->scheme = scheme;
  out->origin = scheme + "://" + authority;
  out->target = target;
  return true;
}

HttpTracker::HttpTracker(std::chrono::milliseconds timeout)
    : timeout_(timeout), worker_([this] { Work(); }) {}

HttpTracker::~HttpTracker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  changed_.notify_all();
  worker_.join();
}

void HttpTracker::Submit(uint64_t id, HttpUrl url, std::string printable_url, Done done) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back({id, std::move(url), std::move(printable_url), std::move(done)});
  }
  changed_.notify_all();
}

bool HttpTracker::WaitIdle(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_until(lock, deadline, [this] { return queue_.empty() && in_flight_ == 0; });
}

std::vector<uint64_t> HttpTracker::Outstanding() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<uint64_t> ids;
  if (in_flight_ != 0) {
    ids.push_back(in_flight_);
  }
  for (const Job& job : queue_) {
    ids.push_back(job.id);
  }
  return ids;
}

void HttpTracker::Work() {
  while (true) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) {
        return;
      }
      job = std::move(queue_.front());
      queue_.pop_front();
      in_flight_ = job.id;
    }
    const HttpOutcome outcome = Get(job);
    // Reported before the request counts as finished, so whoever WaitIdle() released finds
    // the outcome already handed on.
    job.done(outcome);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      in_flight_ = 0;
    }
    changed_.notify_all();
  }
}

HttpOutcome HttpTracker::Get(const Job& job) const {
  HttpOutcome outcome;
  outcome.id = job.id;
  outcome.url = job.printable_url;
  httplib::Client client(job.url.origin);
  client.set_connection_timeout(timeout_);
  client.set_read_timeout(timeout_);
  client.set_write_timeout(timeout_);
  client.set_keep_alive(false);
  httplib::Result result = client.Get(job.url.target);
  if (!result) {
    outcome.error = Describe(result.error());
    return outcome;
  }
  outcome.answered = true;
  outcome.status = result->status;
  return outcome;
}

struct LoopbackSink::Server {
  httplib::Server http;
};

LoopbackSink::LoopbackSink() : server_(std::make_unique<Server>()) {}

LoopbackSink::~LoopbackSink() {
  if (thread_.joinable()) {
    server_->http.stop();
    thread_.join();
  }
}

bool LoopbackSink::Start(std::string* error) {
  server_->http.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    int status = 200;
    constexpr char kStatusPrefix[] = "/status/";
    if (request.path.rfind(kStatusPrefix, 0) == 0) {
      const std::string code = request.path.substr(sizeof(kStatusPrefix) - 1);
      if (code.size() == 3 && std::all_of(code.begin(), code.end(), ::isdigit)) {
        status = std::stoi(code);
      }
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      hits_.push_back({request.method, request.target, status});
    }
    response.status = status;
    response.set_content("ok", "text/plain");
  });
  port_ = server_->http.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) {
    *error = "could not bind a port on 127.0.0.1";
    port_ = 0;
    return false;
  }
  // The socket listens from here on; connections wait in its backlog until the loop runs.
  thread_ = std::thread([this] { server_->http.listen_after_bind(); });
  // stop() only reaches a loop that is running, so the destructor must not come earlier.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!server_->http.is_running() && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::string LoopbackSink::address() const {
  return port_ == 0 ? std::string() : "127.0.0.1:" + std::to_string(port_);
}

std::vector<LoopbackSink::Hit> LoopbackSink::hits() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return hits_;
}

}  // namespace QevaHost
