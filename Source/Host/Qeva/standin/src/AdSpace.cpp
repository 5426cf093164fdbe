#include "QevaStandIn/AdSpace.h"

#include <limits>
#include <utility>

#include "Describe.h"
#include "QevaStandIn/StandIn.h"
#include "Simulation.h"

namespace QevaStandIn {

using describe::Arg;
using Kind = JournalEntry::Kind;

namespace {

// Drops the stand-in's reference to a renderer at the next drain, never inside a call: the
// renderer may be the very one whose report led here, still on the stack.
void Retire(std::shared_ptr<Qeva::QevaAd> ad) {
  if (ad) {
    StandIn::Shared().runLoop().post([ad = std::move(ad)] {});
  }
}

// "adSpace#K.adDelegate": how the journal names the SDK's delegate of ad space K's renderers.
std::string AdDelegateName(uint64_t adSpaceNumber) {
  return "adSpace#" + std::to_string(adSpaceNumber) + ".adDelegate";
}

int64_t IntervalMs(int64_t seconds) {
  constexpr int64_t kMaxSeconds = std::numeric_limits<int64_t>::max() / 1000;
  return seconds > kMaxSeconds ? std::numeric_limits<int64_t>::max() : seconds * 1000;
}

}  // namespace

// The SDK's QevaAdDelegate that a renderer receives in prepare(): it turns the renderer's
// reports into the ad space's events. Owned by the renderer; holds the ad space weakly, as
// the ad space owns the renderer.
class AdLoadDelegate final : public Qeva::QevaAdDelegate {
 public:
  AdLoadDelegate(std::weak_ptr<AdSpace> adSpace, uint64_t generation, uint64_t adSpaceNumber)
      : ad_space_(std::move(adSpace)), generation_(generation), ad_space_number_(adSpaceNumber) {}

  void onLoadSuccess(Qeva::QevaAd& qevaAd) override {
    record("onLoadSuccess", [&] { return Args{ad(qevaAd)}; });
    if (auto ad_space = ad_space_.lock()) {
      ad_space->onLoadSuccess(generation_, qevaAd);
    }
  }
  void onLoadFailure(Qeva::QevaAd& qevaAd, const Qeva::QevaError& qevaError) override {
    record("onLoadFailure", [&] {
      return Args{ad(qevaAd), Arg("qevaError", describe::Quoted(qevaError.description()))};
    });
    if (auto ad_space = ad_space_.lock()) {
      ad_space->onLoadFailure(generation_, qevaAd);
    }
  }
  void onRenderSuccess(Qeva::QevaAd& qevaAd) override {
    record("onRenderSuccess", [&] { return Args{ad(qevaAd)}; });
    if (auto ad_space = ad_space_.lock()) {
      ad_space->onRenderSuccess(qevaAd);
    }
  }
  void onClose(Qeva::QevaAd& qevaAd) override {
    record("onClose", [&] { return Args{ad(qevaAd)}; });
    if (auto ad_space = ad_space_.lock()) {
      ad_space->onClose(qevaAd);
    }
  }
  void onAdPaused() override {
    record("onAdPaused", [] { return Args{}; });
  }
  void onAdResumed() override {
    record("onAdResumed", [] { return Args{}; });
  }

 private:
  using Args = std::vector<std::string>;

  static std::string ad(const Qeva::QevaAd& qevaAd) {
    return Arg("qevaAd", Simulation::Shared().nameOf(qevaAd));
  }
  // Journals |operation| with the arguments |arguments| makes, when recording is on.
  template <typename MakeArgs>
  void record(const char* operation, const MakeArgs& arguments) const {
    Simulation::Shared().record([&] {
      return Entry(Kind::command, AdDelegateName(ad_space_number_), operation, arguments());
    });
  }

  const std::weak_ptr<AdSpace> ad_space_;
  const uint64_t generation_;
  const uint64_t ad_space_number_;
};

const char* AdEventName(AdEvent event) {
  switch (event) {
    case AdEvent::ready:
      return "onAdReady";
    case AdEvent::render:
      return "onAdRender";
    case AdEvent::refresh:
      return "onAdRefresh";
    case AdEvent::error:
      return "onAdError";
    case AdEvent::click:
      return "onAdClick";
    case AdEvent::close:
      return "onAdClose";
  }
  return "";
}

AdSpace::AdSpace(std::string tagId, uint64_t standInNumber)
    : NSObject("Qeva.QevaAdSpace"), tag_id_(std::move(tagId)), stand_in_number_(standInNumber) {}

AdSpace::~AdSpace() {
  cancelRefreshTimer();
}

std::string AdSpace::name() const {
  return "adSpace#" + std::to_string(stand_in_number_);
}

void AdSpace::setRefreshInterval(int64_t time) {
  const Simulation& simulation = Simulation::Shared();
  simulation.record([&] {
    return Entry(Kind::command, name(), "setRefreshInterval",
                 {Arg("time", describe::Integer(time))});
  });
  refresh_interval_ = time;
  cancelRefreshTimer();
  armRefreshTimer();
}

void AdSpace::setAdEventDelegate(std::weak_ptr<Qeva::QevaAdEventDelegate> adEventDelegate) {
  const Simulation& simulation = Simulation::Shared();
  simulation.record([&] {
    return Entry(Kind::command, name(), "setAdEventDelegate",
                 {Arg("adEventDelegate", describe::Object(adEventDelegate))});
  });
  delegate_ = std::move(adEventDelegate);
}

std::shared_ptr<Qeva::QevaAd> AdSpace::getQevaAd() const {
  const Simulation& simulation = Simulation::Shared();
  simulation.record([&] {
    return Entry(Kind::query, name(), "getQevaAd", {},
                 current_ ? simulation.nameOf(*current_) : "nil");
  });
  return current_;
}

bool AdSpace::isQevaAdSpaceRefreshable() const {
  const bool refreshable = refreshable_.value_or(refresh_interval_ > 0);
  const Simulation& simulation = Simulation::Shared();
  simulation.record([&] {
    return Entry(Kind::query, name(), "isQevaAdSpaceRefreshable", {}, describe::Bool(refreshable));
  });
  return refreshable;
}

void AdSpace::showAd(UIKit::UIView& container) {
  const Simulation& simulation = Simulation::Shared();
  auto view = [&container] {
    return container.description() + " (subviews: " + std::to_string(container.subviewCount()) +
           ")";
  };
  simulation.record([&] {
    return Entry(Kind::command, name(), "showAd", {Arg("container", view())},
                 current_ ? "" : "no ad");
  });
  if (std::shared_ptr<Qeva::QevaAd> ad = current_) {
    simulation.record([&] {
      return Entry(Kind::callback, simulation.nameOf(*ad), "render", {Arg("container", view())});
    });
    ad->render(container);
  }
}

void AdSpace::pause() {
  const Simulation& simulation = Simulation::Shared();
  simulation.record([&] { return Entry(Kind::command, name(), "pause"); });
  paused_ = true;
  cancelRefreshTimer();
  if (std::shared_ptr<Qeva::QevaAd> ad = current_) {
    simulation.record([&] { return Entry(Kind::callback, simulation.nameOf(*ad), "pause"); });
    ad->pause();
  }
}

void AdSpace::resume() {
  const Simulation& simulation = Simulation::Shared();
  simulation.record([&] { return Entry(Kind::command, name(), "resume"); });
  paused_ = false;
  armRefreshTimer();
  if (std::shared_ptr<Qeva::QevaAd> ad = current_) {
    simulation.record([&] { return Entry(Kind::callback, simulation.nameOf(*ad), "resume"); });
    ad->resume();
  }
}

void AdSpace::fireEvent(AdEvent event) {
  const Qeva::QevaSDKError no_fill(Qeva::QevaSDKError::Code::noFill);
  deliver(event, event == AdEvent::error ? &no_fill : nullptr);
}

void AdSpace::setQevaAd(std::shared_ptr<Qeva::QevaAd> ad) {
  ++generation_;
  chain_.reset();
  chain_index_ = 0;
  Retire(std::move(loading_));
  loading_.reset();
  if (current_ != ad) {
    Retire(std::move(current_));
  }
  current_ = std::move(ad);
}

void AdSpace::startFetch() {
  StandIn& sdk = StandIn::Shared();
  const uint64_t generation = ++generation_;
  chain_.reset();
  chain_index_ = 0;
  Retire(std::move(loading_));
  loading_.reset();

  auto fetch = [this, generation] {
    if (generation != generation_) {
      return;  // A later fetch or setQevaAd() took over.
    }
    if (std::optional<Qeva::QevaSDKError::Code> failure = Simulation::Shared().takeLoadFailure()) {
      failFetch(Qeva::QevaSDKError(*failure));
      return;
    }
    chain_ = StandIn::Shared().inventory().nextChain(tag_id_);
    if (!chain_) {
      failFetch(Qeva::QevaSDKError(Qeva::QevaSDKError::Code::noFill));
      return;
    }
    loadFromChain(generation);
  };
  if (sdk.delivery() == Delivery::synchronous) {
    fetch();
    return;
  }
  // The fetch keeps the ad space alive, as a request in flight does.
  sdk.runLoop().postDelayed(sdk.fetchDelayMs(), [self = shared_from_this(), fetch] { fetch(); });
}

void AdSpace::loadFromChain(uint64_t generation) {
  Simulation& simulation = Simulation::Shared();
  while (generation == generation_ && chain_ && chain_index_ < chain_->size()) {
    // Held here, not copied: prepare() may start another fetch and replace chain_.
    const std::shared_ptr<const std::vector<InventoryAd>> chain = chain_;
    const InventoryAd& ad = (*chain)[chain_index_];
    // Classes stay where they are until a reset, even if make() registers more.
    const Qeva::QevaAdClass* ad_class = simulation.classFor(ad.signature);
    if (ad_class == nullptr || !ad_class->make) {
      ++chain_index_;
      continue;
    }
    std::shared_ptr<Qeva::QevaAd> renderer = ad_class->make();
    if (renderer) {
      simulation.addRenderer(renderer);
    }
    simulation.record([&] {
      return Entry(Kind::callback, ad_class->name, "make", {},
                   renderer ? simulation.nameOf(*renderer) : "nil");
    });
    if (!renderer) {
      ++chain_index_;
      continue;
    }
    auto renderer_name = [&renderer, &simulation] { return simulation.nameOf(*renderer); };
    if (ad.width || ad.height) {
      if (auto* params = dynamic_cast<Qeva::QevaCompanionParams*>(renderer.get())) {
        simulation.record([&] {
          return Entry(Kind::callback, renderer_name(), "setAdParameters",
                       {Arg("adParameters", describe::Integer(ad.width)),
                        Arg("height", describe::Integer(ad.height))});
        });
        params->setAdParameters(ad.width, ad.height);
      }
    }
    Retire(std::move(loading_));
    loading_ = renderer;
    simulation.record([&] {
      return Entry(Kind::callback, renderer_name(), "prepare",
                   {Arg("adResponse", describe::Quoted(ad.markup)),
                    Arg("delegate", AdDelegateName(stand_in_number_))});
    });
    renderer->prepare(ad.markup, std::make_shared<AdLoadDelegate>(weak_from_this(), generation,
                                                                  stand_in_number_));
    return;
  }
  if (generation == generation_) {
    failFetch(Qeva::QevaSDKError(Qeva::QevaSDKError::Code::noFill));
  }
}

void AdSpace::onLoadSuccess(uint64_t generation, Qeva::QevaAd& ad) {
  if (generation != generation_ || !loading_ || loading_.get() != &ad) {
    return;  // Not the renderer this ad space waits for.
  }
  if (current_ != loading_) {
    Retire(std::move(current_));
  }
  current_ = std::move(loading_);
  loading_.reset();
  refreshing_ = true;
  if (refresh_timer_ == 0) {
    armRefreshTimer();
  }
  deliver(AdEvent::ready, nullptr);
}

void AdSpace::onLoadFailure(uint64_t generation, Qeva::QevaAd& ad) {
  const bool waited_for = loading_ && loading_.get() == &ad;
  const bool held = current_ && current_.get() == &ad;
  if (generation != generation_ || (!waited_for && !held)) {
    return;
  }
  ++chain_index_;
  if (waited_for) {
    Retire(std::move(loading_));
    loading_.reset();
  }
  StandIn& sdk = StandIn::Shared();
  if (sdk.delivery() == Delivery::synchronous) {
    loadFromChain(generation);
    return;
  }
  sdk.runLoop().post([self = shared_from_this(), generation] { self->loadFromChain(generation); });
}

void AdSpace::onRenderSuccess(Qeva::QevaAd& ad) {
  if (current_ && current_.get() == &ad) {
    deliver(AdEvent::render, nullptr);
  }
}

void AdSpace::onClose(Qeva::QevaAd& ad) {
  if (current_ && current_.get() == &ad) {
    deliver(AdEvent::close, nullptr);
  }
}

void AdSpace::failFetch(const Qeva::QevaError& error) {
  chain_.reset();
  chain_index_ = 0;
  Retire(std::move(loading_));
  loading_.reset();
  Retire(std::move(current_));
  current_.reset();
  refreshing_ = false;
  cancelRefreshTimer();
  deliver(AdEvent::error, &error);
}

void AdSpace::deliver(AdEvent event, const Qeva::QevaError* error) {
  std::shared_ptr<Qeva::QevaAdEventDelegate> delegate = delegate_.lock();
  Simulation::Shared().record([&] {
    std::vector<std::string> arguments;
    if (event == AdEvent::error && error != nullptr) {
      arguments.push_back(Arg("qevaError", describe::Quoted(error->description())));
    }
    return Entry(Kind::callback, name() + ".delegate", AdEventName(event), std::move(arguments),
                 delegate ? "" : "no delegate");
  });
  if (!delegate) {
    return;
  }
  // The delegate may drop the last reference to this ad space while it handles the event.
  std::shared_ptr<AdSpace> keep_alive = weak_from_this().lock();
  switch (event) {
    case AdEvent::ready:
      delegate->onAdReady(*this);
      break;
    case AdEvent::render:
      delegate->onAdRender(*this);
      break;
    case AdEvent::refresh:
      delegate->onAdRefresh(*this);
      break;
    case AdEvent::error: {
      const Qeva::QevaSDKError no_fill(Qeva::QevaSDKError::Code::noFill);
      delegate->onAdError(*this, error != nullptr ? *error : no_fill);
      break;
    }
    case AdEvent::click:
      delegate->onAdClick(*this);
      break;
    case AdEvent::close:
      delegate->onAdClose(*this);
      break;
  }
}

void AdSpace::armRefreshTimer() {
  if (!refreshing_ || paused_ || refresh_interval_ <= 0 || !current_ || refresh_timer_ != 0) {
    return;
  }
  refresh_timer_ = StandIn::Shared().runLoop().postDelayed(IntervalMs(refresh_interval_),
                                                           [weak = weak_from_this()] {
                                                             if (auto self = weak.lock()) {
                                                               self->onRefreshTimer();
                                                             }
                                                           });
}

void AdSpace::cancelRefreshTimer() {
  if (refresh_timer_ != 0) {
    StandIn::Shared().runLoop().cancel(refresh_timer_);
    refresh_timer_ = 0;
  }
}

void AdSpace::onRefreshTimer() {
  refresh_timer_ = 0;
  if (paused_ || !current_) {
    return;
  }
  armRefreshTimer();
  deliver(AdEvent::refresh, nullptr);
}

}  // namespace QevaStandIn
