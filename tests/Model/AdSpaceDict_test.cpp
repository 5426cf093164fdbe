#include "Core/AdSpaceDict.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "QevaStandIn/AdSpace.h"

namespace QevaFlutter {
namespace {

using AdSpacePtr = std::shared_ptr<Qeva::QevaAdSpace>;

TEST(AdSpaceDictTest, KeepsFindsAndResolvesByIdentity) {
  AdSpaceDict dict;
  auto home = std::make_shared<QevaStandIn::AdSpace>("home", 1);
  auto twin = std::make_shared<QevaStandIn::AdSpace>("home", 2);  // Same content, not kept.
  dict.Keep("b", home);
  dict.Keep("a", home);
  dict.Keep("c", nullptr);
  EXPECT_EQ(dict.Find("a"), home);
  EXPECT_EQ(dict.Find("A"), nullptr);
  EXPECT_EQ(dict.Resolve(*home), "a");
  EXPECT_EQ(dict.Resolve(*twin), "");
  EXPECT_EQ(dict.ids(), (std::vector<std::string>{"a", "b", "c"}));
  dict.Keep("a", twin);  // Replaced under "a": "b" is now the first id of |home|.
  EXPECT_EQ(dict.Resolve(*home), "b");
  EXPECT_EQ(dict.Resolve(*twin), "a");
  EXPECT_EQ(dict.size(), 3u);
}

// Random histories of Keep(): new ad spaces, a kept one under a new id, an id that comes up
// again (the later ad space replaces the earlier under it). After every step the indexed
// lookup names, for every ad space, the id the walk names.
TEST(AdSpaceDictTest, IndexedLookupAgreesWithTheWalkOnRandomHistories) {
  for (uint64_t seed = 1; seed <= 100; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937_64 random(seed);
    AdSpaceDict dict;
    std::vector<AdSpacePtr> spaces;  // Every ad space made, kept or not: none is freed.
    std::vector<std::string> ids;
    for (int step = 0; step < 60; ++step) {
      const uint64_t roll = random() % 100;
      if (spaces.empty() || roll < 40) {
        spaces.push_back(std::make_shared<QevaStandIn::AdSpace>("home", spaces.size() + 1));
      }
      const AdSpacePtr& space = spaces[random() % spaces.size()];
      const std::string id =
          roll >= 80 && !ids.empty() ? ids[random() % ids.size()] : std::to_string(random() % 1000);
      ids.push_back(id);
      dict.Keep(id, space);
      ASSERT_EQ(dict.Find(id), space);
      for (const AdSpacePtr& each : spaces) {
        ASSERT_EQ(dict.Resolve(*each), dict.ResolveByWalk(*each))
            << "step " << step << ", " << each->description();
      }
    }
  }
}

}  // namespace
}  // namespace QevaFlutter
