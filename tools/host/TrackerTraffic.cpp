#include "TrackerTraffic.h"

#include <iostream>

#include "Redactor.h"

namespace QevaHost {

TrackerTraffic::TrackerTraffic(std::chrono::milliseconds timeout, Redactor* redactor, Report report)
    : timeout_(timeout),
      redactor_(redactor),
      report_(std::move(report)),
      http_(std::make_unique<HttpTracker>(timeout)) {}

TrackerTraffic::~TrackerTraffic() {
  http_.reset();
  loopback_.reset();
}

void TrackerTraffic::StartSink(const std::string& sink_host) {
  loopback_ = std::make_unique<LoopbackSink>();
  std::string error;
  if (loopback_->Start(&error)) {
    redactor_->SetSink(loopback_->address(), sink_host);
  } else {
    std::cerr << "qeva-host: tracker sink: " << error << "\n";
    loopback_.reset();
  }
}

void TrackerTraffic::Send(const QevaStandIn::TrackerRequest& request) {
  const uint64_t id = ++requests_;
  const std::string printable = redactor_->Redact(request.url);
  const std::string from =
      "tracker#" + std::to_string(request.trackerNumber) + " " + request.eventName;
  HttpUrl url;
  std::string why;
  if (!ParseHttpUrl(request.url, &url, &why)) {
    Emit({TrackerEvent::Kind::refused, printable, "", 0, why + ", from " + from, now()});
    return;
  }
  const std::string& sink_name = redactor_->sinkName();
  if (!sink_name.empty() && url.origin == "http://" + sink_name) {
    url.origin = "http://" + redactor_->sinkAddress();
  }
  Emit({TrackerEvent::Kind::request, printable, "", 0, from, now()});
  outstanding_[id] = {printable, url};
  std::weak_ptr<TrackerTraffic> weak = weak_from_this();
  std::shared_ptr<Inbox> box = inbox_;
  http_->Submit(id, url, printable, [weak, box](const HttpOutcome& outcome) {
    {
      std::lock_guard<std::mutex> lock(box->mutex);
      box->arrived.push_back(outcome);
    }
    // The main thread reports it at its next drain (or earlier, when it settles a step).
    QevaStandIn::StandIn::Shared().runLoop().postFromAnyThread([weak] {
      if (std::shared_ptr<TrackerTraffic> traffic = weak.lock()) {
        traffic->Flush();
      }
    });
  });
}

void TrackerTraffic::Settle() {
  // Requests run one after another, each bounded by the timeout.
  const auto bound = timeout_ * 2 * (outstanding_.size() + 1);
  http_->WaitIdle(std::chrono::steady_clock::now() + bound);
  Flush();
}

void TrackerTraffic::Finish() {
  Settle();
  for (const auto& [id, request] : outstanding_) {
    Emit({TrackerEvent::Kind::abandoned, request.first, "", 0,
          "no outcome after waiting; the request is dropped", now()});
  }
  outstanding_.clear();
}

void TrackerTraffic::Flush() {
  std::vector<HttpOutcome> arrived;
  {
    std::lock_guard<std::mutex> lock(inbox_->mutex);
    arrived.swap(inbox_->arrived);
  }
  for (const HttpOutcome& outcome : arrived) {
    auto found = outstanding_.find(outcome.id);
    if (found == outstanding_.end()) {
      continue;
    }
    const HttpUrl url = found->second.second;
    outstanding_.erase(found);
    TrackerEvent event{TrackerEvent::Kind::failed, outcome.url, "", 0, outcome.error, now()};
    if (outcome.answered) {
      event.status = outcome.status;
      const bool to_sink = loopback_ && url.origin == "http://" + redactor_->sinkAddress();
      event.kind = to_sink ? TrackerEvent::Kind::hit : TrackerEvent::Kind::response;
      event.path = url.target;
      event.detail.clear();
    }
    Emit(event);
  }
}

void TrackerTraffic::Emit(const TrackerEvent& event) const {
  if (report_) {
    report_(event);
  }
}

Millis TrackerTraffic::now() const {
  return QevaStandIn::StandIn::Shared().runLoop().now();
}

}  // namespace QevaHost
