#ifndef QEVA_HOST_TRACKERTRAFFIC_H_
#define QEVA_HOST_TRACKERTRAFFIC_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "QevaStandIn/StandIn.h"
#include "TrackerHttp.h"
#include "Transcript.h"

namespace QevaHost {

class Redactor;

// The click trackers the SDK fires, sent over real HTTP (to the loopback sink when it runs)
// and reported as they go: request, then hit, response, failure or abandonment. The requests
// run on the HTTP worker; their outcomes are reported on the main thread.
class TrackerTraffic : public std::enable_shared_from_this<TrackerTraffic> {
 public:
  // Hears every tracker event, on the main thread.
  using Report = std::function<void(const TrackerEvent& event)>;

  // |redactor| must outlive this object; the sink's address is set on it once the sink runs.
  TrackerTraffic(std::chrono::milliseconds timeout, Redactor* redactor, Report report);
  // Stops the worker and the sink.
  ~TrackerTraffic();

  TrackerTraffic(const TrackerTraffic&) = delete;
  TrackerTraffic& operator=(const TrackerTraffic&) = delete;

  // Starts the loopback sink; |sink_host|, when set, names it in inputs. On failure, says why
  // on stderr and runs without it.
  void StartSink(const std::string& sink_host);
  // Nothing is reported any more.
  void Mute() { report_ = nullptr; }

  // The stand-in's tracker transport: one request.
  void Send(const QevaStandIn::TrackerRequest& request);
  // Waits (bounded) until every request made so far has finished, and reports the outcomes.
  void Settle();
  // Settles, then reports what is still out as abandoned.
  void Finish();

 private:
  void Flush();
  void Emit(const TrackerEvent& event) const;
  Millis now() const;

  // Outcomes the worker hands over; the main thread reports them.
  struct Inbox {
    std::mutex mutex;
    std::vector<HttpOutcome> arrived;
  };

  const std::chrono::milliseconds timeout_;
  Redactor* redactor_;
  Report report_;
  std::unique_ptr<LoopbackSink> loopback_;
  std::unique_ptr<HttpTracker> http_;
  std::shared_ptr<Inbox> inbox_ = std::make_shared<Inbox>();
  uint64_t requests_ = 0;
  // Requests not reported finished: id to (printable URL, parsed URL).
  std::map<uint64_t, std::pair<std::string, HttpUrl>> outstanding_;
};

}  // namespace QevaHost

#endif  // QEVA_HOST_TRACKERTRAFFIC_H_
