#include <algorithm>
#include <random>

#include "Core/CoreFixture.h"
#include "Foundation/UUID.h"

namespace QevaFlutter::testing {
namespace {

using StandInAdSpace = std::shared_ptr<QevaStandIn::AdSpace>;

class AdSpaceDictTest : public CoreTest {
 protected:
  ~AdSpaceDictTest() override { Foundation::UUID::SetByteSource(nullptr); }

  // A fresh manager on a fresh engine and stand-in.
  void Restart() {
    manager_.reset();
    engine_ = std::make_unique<headless::HeadlessEngine>();
    QevaStandIn::StandIn::Reset();
    sdk().logSink().setEcho(false);
    manager_ = QevaFlutterManager::Create(engine_.get());
  }
};

// Random histories: new ad spaces, the SDK handing out a kept ad space again for a new id, an
// id that comes up twice (the later ad space replaces the earlier under it), "AdRefresh" to
// have results pending, and ready events on kept ad spaces and on ones never kept. After
// every step the indexed lookup names, for every ad space, the id the walk names; and an
// event answers exactly the result pending under that id.
TEST_F(AdSpaceDictTest, IndexedLookupAgreesWithTheWalkOnRandomHistories) {
  std::mt19937_64 random;
  std::vector<Foundation::UUID::Bytes> issued;
  bool repeatNext = false;
  Foundation::UUID::SetByteSource([&] {
    if (repeatNext) {
      repeatNext = false;
      issued.push_back(issued[random() % issued.size()]);
    } else {
      Foundation::UUID::Bytes bytes;
      for (uint8_t& byte : bytes) {
        byte = static_cast<uint8_t>(random());
      }
      issued.push_back(bytes);
    }
    return issued.back();
  });
  for (uint64_t seed = 1; seed <= 100; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    random.seed(seed);
    issued.clear();
    Restart();
    std::vector<StandInAdSpace> spaces;  // Every ad space made, kept or not: none is freed.
    for (int step = 0; step < 60; ++step) {
      SCOPED_TRACE("step " + std::to_string(step));
      const uint64_t roll = random() % 100;
      if (roll < 55) {
        StandInAdSpace handedOut;
        if (roll >= 35 && !spaces.empty()) {
          handedOut = spaces[random() % spaces.size()];
          sdk().reuseAdSpaceForNextCreate(handedOut);
        }
        repeatNext = roll >= 50 && !issued.empty();
        Call("QevaAdSpace", "AdRequest", DartMap({{"tagId", Str("home")}}));
        if (!handedOut) {
          handedOut = sdk().lastAdSpace();
          handedOut->setQevaAd(DisplayAd());
          spaces.push_back(handedOut);
        }
        // Kept under the new id, whatever was kept there before.
        ASSERT_EQ(manager_->adSpace(Foundation::UUID(issued.back()).uuidString()), handedOut);
      } else if (roll < 70) {
        const Strings ids = manager_->adSpaceIds();
        if (!ids.empty()) {
          Command("AdRefresh", ids[random() % ids.size()]);
        }
      } else {
        if (spaces.empty() || roll >= 95) {
          spaces.push_back(std::make_shared<QevaStandIn::AdSpace>("stray", 900 + step));
          spaces.back()->setAdEventDelegate(manager_);
          spaces.back()->setQevaAd(DisplayAd());
        }
        const StandInAdSpace& space = spaces[random() % spaces.size()];
        const std::string id = manager_->adSpaceDict().ResolveByWalk(*space);
        Strings pending = manager_->pendingResultIds();
        pending.erase(std::remove(pending.begin(), pending.end(), id), pending.end());
        space->fireAdReady();
        EXPECT_EQ(manager_->pendingResultIds(), pending);
      }
      for (const StandInAdSpace& space : spaces) {
        ASSERT_EQ(manager_->adSpaceDict().Resolve(*space),
                  manager_->adSpaceDict().ResolveByWalk(*space))
            << space->description();
      }
    }
  }
}

}  // namespace
}  // namespace QevaFlutter::testing
