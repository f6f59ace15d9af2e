// The description text when the memory for it cannot be had (the simulated
// host can refuse it only natively).
#include "expressions/describe.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "plugin/routines.h"
#include "simhost/sim_host.h"
#include "simhost/test_hooks.h"

namespace tier::test {
namespace {

using expressions::DescribeLevels;

sim::SceneSpec ThreeObjects(const std::string& firstName) {
  sim::SceneSpec scene;
  scene.types = {{.name = firstName}, {.name = "B"}};
  scene.objects = {{.slot = 0, .type = 0}, {.slot = 1, .type = 1}, {.slot = 2, .type = 1}};
  scene.order = {{0}, {1}, {2}};
  return scene;
}

std::string TakeText(char* text) {
  EXPECT_NE(text, nullptr);
  if (text == nullptr) return {};
  std::string copy(text);
  std::free(text);
  return copy;
}

TEST(DescribeLevels, ReturnsNullWhenTheTextCannotBeAllocated) {
  sim::SimHost sim(ThreeObjects(std::string(500, 'L')));
  sim::FailHostTextAllocationAfter(0);
  EXPECT_EQ(DescribeLevels(sim.runData(), 1, 10), nullptr);
  sim.SetExpressionInteger(1);
  EXPECT_EQ(expressions::GetTenDescription(sim.runData(), 0), 0);
  EXPECT_EQ(expressions::GetDescription(sim.runData(), 0), 0);
  sim::FailHostTextAllocationAfter(1);
  EXPECT_EQ(TakeText(DescribeLevels(sim.runData(), 2, 1)), "Lvl\tName\tFV\n\n2\tB\t1\n");
  EXPECT_EQ(DescribeLevels(sim.runData(), 2, 1), nullptr);
  sim::FailHostTextAllocationAfter(-1);
  EXPECT_EQ(TakeText(DescribeLevels(sim.runData(), 3, 1)), "Lvl\tName\tFV\n\n3\tB\t2\n");
}

// The numbers are written without printf: the extremes of a fixed value and
// a name far longer than any line buffer come out as "%ld\t%s\t%ld\n" would.
TEST(DescribeLevels, WritesExtremeFixedValuesAndLongNamesInFull) {
  const std::string longName(5000, 'N');
  sim::SceneSpec scene;
  scene.types = {{.name = "A"}, {.name = longName}};
  scene.objects = {{.slot = 0, .type = 0, .creationCount = -32768, .number = 0},
                   {.slot = 1, .type = 1, .creationCount = 32767, .number = -1},
                   {.slot = 2, .type = 0, .creationCount = 0, .number = -1},
                   {.slot = 3, .type = 0, .creationCount = 32767, .number = 32767}};
  scene.order = {{0}, {1}, {2}, {3}};
  sim::SimHost sim(scene);
  EXPECT_EQ(TakeText(DescribeLevels(sim.runData(), 1, 10)),
            "Lvl\tName\tFV\n\n1\tA\t-2147483648\n2\t" + longName +
                "\t2147418111\n3\tA\t-1\n4\tA\t2147450879\n");
}

}  // namespace
}  // namespace tier::test
