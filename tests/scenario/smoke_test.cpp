#include <gtest/gtest.h>

#include "tests/tier_harness.h"

namespace tier::test {
namespace {

TEST(SimulatedHost, BuildsAConsistentFrame) {
  sim::SceneSpec scene;
  scene.types = {{.name = "Ball"}, {.name = "Wall"}};
  scene.objects = {{.slot = 0, .type = 0, .creationCount = 2},
                   {.slot = 3, .type = 1},
                   {.slot = 5, .type = 0, .hasDisplayBlock = false}};
  scene.order = {{3}, {0, host::kUncounted}, {5}};
  sim::SimHost sim(scene);
  EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
  EXPECT_EQ(sim.Order(), (std::vector<int>{3, 0, 5}));
  EXPECT_EQ(sim.FixedValue(0), 2 * 65536);
  EXPECT_EQ(sim.Type(0).firstObject, 0);
  EXPECT_EQ(sim.Object(0)->nextOfType, 5);
}

}  // namespace
}  // namespace tier::test
