#include <gtest/gtest.h>

#include "tests/tier_harness.h"

namespace tier::test {
namespace {

TEST(Descriptor, TablesHaveTheirCountsAndEndInNull) {
  const host::PluginModule& plugin = Plugin();
  EXPECT_EQ(plugin.infos.conditionCount, 10);
  EXPECT_EQ(plugin.infos.actionCount, 28);
  EXPECT_EQ(plugin.infos.expressionCount, 8);
  for (int i = 0; i < 10; ++i) EXPECT_NE(plugin.conditions[i], nullptr) << i;
  EXPECT_EQ(plugin.conditions[10], nullptr);
  for (int i = 0; i < 28; ++i) EXPECT_NE(plugin.actions[i], nullptr) << i;
  EXPECT_EQ(plugin.actions[28], nullptr);
  for (int i = 0; i < 8; ++i) EXPECT_NE(plugin.expressions[i], nullptr) << i;
  EXPECT_EQ(plugin.expressions[8], nullptr);
}

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
