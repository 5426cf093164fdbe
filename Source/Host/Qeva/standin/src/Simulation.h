#ifndef QEVA_STANDIN_SRC_SIMULATION_H_
#define QEVA_STANDIN_SRC_SIMULATION_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "Manager.h"
#include "Qeva/Qeva.h"
#include "QevaStandIn/StandIn.h"
#include "Recorder.h"

namespace QevaStandIn {

// What the stand-in's SDK objects (the manager, registry, request builders, ad spaces,
// click-through handlers and trackers) need of the stand-in: the recorder, their numbering,
// and the steering that StandIn's controls set. Private to the stand-in; tests and tools use
// StandIn. One per process, cleared by StandIn::Reset().
class Simulation {
 public:
  static Simulation& Shared();

  Simulation(const Simulation&) = delete;
  Simulation& operator=(const Simulation&) = delete;

  // Back to a fresh process's state, recording on.
  void clear();

  // --- Recording.
  // Journals the entry |make| builds, when recording is on.
  void record(EntryMaker make) const { recorder_->Record(make); }
  void setRecording(bool on);
  bool recording() const { return recorder_ == &journal_recorder_; }

  // --- Start-up.
  Qeva::QevaManager& manager() { return *manager_; }
  Qeva::QevaRegistry& registry() { return *registry_; }
  void setInitDelegate(std::weak_ptr<Qeva::InitializationStatusDelegate> delegate);
  const std::weak_ptr<Qeva::InitializationStatusDelegate>& initDelegate() const {
    return init_delegate_;
  }
  // Reports to |delegate|, if it is alive; journaled as a callback of "initDelegate".
  void reportInitialization(const std::weak_ptr<Qeva::InitializationStatusDelegate>& delegate,
                            bool success, const Qeva::QevaError* error) const;

  // --- Registry and renderers.
  // Registers |adClass| unless a class of that name is registered already.
  void addClass(const Qeva::QevaAdClass& adClass);
  // The registered class claiming |signature|, or null; valid until the next reset, also
  // across registrations that make() may do.
  const Qeva::QevaAdClass* classFor(const std::string& signature) const;
  std::vector<std::string> classNames() const;
  // A renderer made from a registered class: it becomes "renderer#K".
  void addRenderer(const std::shared_ptr<const Qeva::QevaAd>& renderer);

  // --- Ad spaces, requests and fetches.
  void refuseTag(const std::string& tagId) { refused_tag_ids_.insert(tagId); }
  bool refuses(const std::string& tagId) const { return refused_tag_ids_.count(tagId) > 0; }
  void reuseForNextCreate(std::shared_ptr<AdSpace> adSpace) { reuse_next_ = std::move(adSpace); }
  // The ad space set aside for reuse, else a new one, "adSpace#K".
  std::shared_ptr<AdSpace> newAdSpace(const std::string& tagId);
  size_t adSpaceCount() const { return ad_spaces_.size(); }
  std::shared_ptr<AdSpace> adSpace(uint64_t number) const;
  uint64_t nextBuilderNumber() { return ++builder_count_; }
  // Numbers |request| "request#K" and returns K.
  uint64_t addRequest(const std::shared_ptr<const Qeva::QevaRequest>& request);
  void failNextLoad(Qeva::QevaSDKError::Code code) { load_failures_.push_back(code); }
  // The failure the next fetch ends in, if one was asked for.
  std::optional<Qeva::QevaSDKError::Code> takeLoadFailure();

  // --- Click-throughs.
  uint64_t nextClickThroughNumber() const { return click_throughs_.size() + 1; }
  // Keeps |clickThrough| as the one of |handler|.
  ClickThrough& addClickThrough(const Qeva::QevaCTAHandler* handler,
                                std::unique_ptr<ClickThrough> clickThrough);
  ClickThrough* clickThroughOf(const Qeva::QevaCTAHandler* handler) const;
  size_t clickThroughCount() const { return click_throughs_.size(); }
  ClickThrough* clickThrough(uint64_t number) const;

  // --- Trackers.
  uint64_t nextTrackerNumber() { return ++tracker_count_; }
  // Records |request| and hands it to the transport.
  void sendTrackerRequest(const TrackerRequest& request);
  const std::vector<TrackerRequest>& trackerRequests() const { return tracker_requests_; }
  void setTrackerTransport(TrackerTransport transport) { transport_ = std::move(transport); }

  // --- Targeting objects.
  const std::shared_ptr<User>& user() const { return user_; }
  const std::shared_ptr<Device>& device() const { return device_; }
  const std::shared_ptr<Application>& application() const { return application_; }

  // --- Names as the journal writes them.
  std::string nameOf(const Qeva::QevaAdSpace& adSpace) const;
  std::string nameOf(const Qeva::QevaAd& ad) const;
  std::string nameOf(const Qeva::QevaRequest& request) const;

 private:
  Simulation();
  ~Simulation() = default;

  NullRecorder null_recorder_;
  JournalRecorder journal_recorder_;
  Recorder* recorder_;

  std::unique_ptr<StandInManager> manager_;
  std::unique_ptr<StandInRegistry> registry_;
  std::weak_ptr<Qeva::InitializationStatusDelegate> init_delegate_;
  std::deque<Qeva::QevaAdClass> classes_;  // A deque: registering moves no class.
  // Each signature's first claimant, an index into classes_. getSignatures() is a class
  // operation, so it is asked once, at registration, and not at every fetch.
  std::unordered_map<std::string, size_t> class_of_signature_;

  std::set<std::string> refused_tag_ids_;
  std::shared_ptr<AdSpace> reuse_next_;
  std::vector<std::weak_ptr<AdSpace>> ad_spaces_;  // "adSpace#K" is ad_spaces_[K - 1].
  std::deque<Qeva::QevaSDKError::Code> load_failures_;
  uint64_t builder_count_ = 0;
  std::vector<std::weak_ptr<const Qeva::QevaRequest>> requests_;  // "request#K".
  std::vector<std::weak_ptr<const Qeva::QevaAd>> renderers_;      // "renderer#K".

  std::vector<std::unique_ptr<ClickThrough>> click_throughs_;  // "ctaHandler#K".
  // Which click-through a handler object belongs to. A handler's address may be reused by a
  // later handler, whose construction then overwrites the entry.
  std::unordered_map<const Qeva::QevaCTAHandler*, ClickThrough*> handlers_;

  uint64_t tracker_count_ = 0;
  std::vector<TrackerRequest> tracker_requests_;
  TrackerTransport transport_;

  std::shared_ptr<User> user_;
  std::shared_ptr<Device> device_;
  std::shared_ptr<Application> application_;
};

}  // namespace QevaStandIn

#endif  // QEVA_STANDIN_SRC_SIMULATION_H_
