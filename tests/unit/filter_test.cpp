// The selection filter called directly with a recording test: which pairs it
// tests, in what order, and how it stays bounded on chains the host should
// never hand over.
#include "conditions/filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "conditions/conditions.h"
#include "simhost/sim_host.h"

namespace tier::test {
namespace {

using conditions::FilterSelection;
using host::ObjectParam;
using Pairs = std::vector<std::pair<std::int32_t, std::int32_t>>;

constexpr std::int16_t kEnd = host::kEndOfChain;

// Every call of the recording test, and the candidates it lets pass (against
// any partner).
Pairs g_calls;
std::vector<std::int32_t> g_passing;

std::int32_t Recording(host::RunData&, std::int32_t candidate, std::int32_t partner) {
  g_calls.emplace_back(candidate, partner);
  return std::count(g_passing.begin(), g_passing.end(), candidate) != 0 ? 1 : 0;
}

void Reset(std::vector<std::int32_t> passing = {}) {
  g_calls.clear();
  g_passing = std::move(passing);
}

// Objects in `slots`, of `types[i]`, creation count 1, none drawn.
sim::SceneSpec Scene(std::vector<sim::TypeSpec> types, const std::vector<int>& slots,
                     const std::vector<int>& objectTypes) {
  sim::SceneSpec scene;
  scene.types = std::move(types);
  for (std::size_t i = 0; i < slots.size(); ++i)
    scene.objects.push_back({.slot = slots[i], .type = objectTypes[i], .creationCount = 1});
  return scene;
}

const ObjectParam& Param(sim::SimHost& sim, int type) {
  return *host::HostPtr<ObjectParam>::FromWord(sim.ObjectParamWord(type)).get();
}

std::int32_t Filter(sim::SimHost& sim, int a, int b = -1) {
  const ObjectParam* partner = b >= 0 ? &Param(sim, b) : nullptr;
  return FilterSelection(sim.runData(), Param(sim, a), partner, &Recording);
}

TEST(FilterSelection, TestsEachCandidateAloneWithMinusOneUpToTheCount) {
  // Ten objects, a current selection of two: exactly two calls.
  sim::SceneSpec scene = Scene({{.name = "Ball", .selected = {7, 3}, .selectionCurrent = true}},
                               {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, std::vector<int>(10, 0));
  sim::SimHost sim(scene);
  Reset();
  EXPECT_EQ(Filter(sim, 0), 0);
  EXPECT_EQ(g_calls, (Pairs{{sim.FixedValue(7), -1}, {sim.FixedValue(3), -1}}));
  EXPECT_EQ(sim.Type(0).firstSelected, -1);
  EXPECT_EQ(sim.Type(0).selectedCount, 0);
  EXPECT_EQ(sim.Type(0).selectionStamp, 7);

  // A type chain that ends before typeObjectCount ends the walk there.
  sim::SceneSpec shortChain = Scene({{.name = "Ball", .typeObjectCount = 10}}, {0, 1}, {0, 0});
  sim::SimHost shortSim(shortChain);
  Reset({shortSim.FixedValue(1)});
  EXPECT_EQ(Filter(shortSim, 0), 1);
  EXPECT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(shortSim.Type(0).firstSelected, 1);
  EXPECT_EQ(shortSim.Type(0).selectedCount, 1);
  EXPECT_EQ(shortSim.Object(1)->nextSelected, kEnd);
}

TEST(FilterSelection, TestsEveryPartnerOfBForEveryCandidateInChainOrder) {
  // A: slots 0, 1, 2 (stale); B: a current selection 6 then 4.
  sim::SceneSpec scene =
      Scene({{.name = "Ball"}, {.name = "Wall", .selected = {6, 4}, .selectionCurrent = true}},
            {0, 1, 2, 4, 5, 6}, {0, 0, 0, 1, 1, 1});
  sim::SimHost sim(scene);
  const std::int32_t a0 = sim.FixedValue(0), a1 = sim.FixedValue(1), a2 = sim.FixedValue(2);
  const std::int32_t b4 = sim.FixedValue(4), b6 = sim.FixedValue(6);
  Reset({a0, a2});
  EXPECT_EQ(Filter(sim, 0, 1), 1);
  // A pass does not cut the partners short; each candidate starts from B's first.
  EXPECT_EQ(g_calls, (Pairs{{a0, b6}, {a0, b4}, {a1, b6}, {a1, b4}, {a2, b6}, {a2, b4}}));
  EXPECT_EQ(sim.SelectedChain(0), (std::vector<int>{0, 2}));
  EXPECT_EQ(sim.Object(2)->nextSelected, kEnd);

  // B's count below 1: every candidate fails untested, but A is written.
  sim.Type(1).selectedCount = 0;
  sim.Type(0).selectionStamp = 3;
  Reset({a0, a1, a2});
  EXPECT_EQ(Filter(sim, 0, 1), 0);
  EXPECT_TRUE(g_calls.empty());
  EXPECT_EQ(sim.Type(0).firstSelected, -1);
  EXPECT_EQ(sim.Type(0).selectedCount, 0);
  EXPECT_EQ(sim.Type(0).selectionStamp, 3);
}

TEST(FilterSelection, SharedTypeKeepsThePartnersOfTheSelectionAtEntry) {
  sim::SceneSpec scene =
      Scene({{.name = "Ball", .selected = {0, 1, 2, 3}, .selectionCurrent = true}}, {0, 1, 2, 3},
            {0, 0, 0, 0});
  sim::SimHost sim(scene);
  std::vector<std::int32_t> all;
  for (int slot = 0; slot < 4; ++slot) all.push_back(sim.FixedValue(slot));
  Reset({all[0], all[2]});
  const ObjectParam& ball = Param(sim, 0);
  EXPECT_EQ(FilterSelection(sim.runData(), ball, &ball, &Recording), 1);
  // Slot 0 is relinked to slot 2 before slot 3 is tested; slot 3 still meets
  // slot 1 as a partner.
  ASSERT_EQ(g_calls.size(), 16u);
  for (std::size_t i = 0; i < g_calls.size(); ++i) {
    EXPECT_EQ(g_calls[i].first, all[i / 4]) << i;
    EXPECT_EQ(g_calls[i].second, all[i % 4]) << i;
  }
  EXPECT_EQ(sim.SelectedChain(0), (std::vector<int>{0, 2}));
}

TEST(FilterSelection, BrokenChainsStayBoundedAndInsideTheTable) {
  // Slots 0, 1, 2 and 5 hold Balls, slots 3 and 4 are free; the table ends at 5.
  const sim::SceneSpec scene =
      Scene({{.name = "Ball", .selected = {1, 2}, .selectionCurrent = true}, {.name = "Wall"}},
            {0, 1, 2, 5}, {0, 0, 0, 1});
  {  // a cycle 1 -> 2 -> 1 with a count of five: five calls, a chain that ends
    sim::SimHost sim(scene);
    sim.Object(2)->nextSelected = 1;
    sim.Type(0).selectedCount = 5;
    Reset({sim.FixedValue(1), sim.FixedValue(2)});
    EXPECT_EQ(Filter(sim, 0), 1);
    EXPECT_EQ(g_calls.size(), 5u);
    EXPECT_EQ(sim.Type(0).firstSelected, 1);
    std::int16_t link = sim.Type(0).firstSelected;
    int steps = 0;
    while (link >= 0 && steps < 10) {
      link = sim.Object(link)->nextSelected;
      ++steps;
    }
    EXPECT_LT(link, 0);
  }
  {  // a cycle in B's chain is bounded by B's count as well
    sim::SimHost sim(scene);
    sim.Object(2)->nextSelected = 1;
    sim.Type(0).selectedCount = 3;
    Reset();
    EXPECT_EQ(Filter(sim, 1, 0), 0);
    EXPECT_EQ(g_calls.size(), 3u);
  }
  {  // a link to a free slot ends the walk: that slot's object is never read
    sim::SimHost sim(scene);
    sim.Object(1)->nextSelected = 3;
    sim.Type(0).selectedCount = 4;
    Reset({sim.FixedValue(1)});
    EXPECT_EQ(Filter(sim, 0), 1);
    EXPECT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(sim.Object(1)->nextSelected, kEnd);
  }
}

TEST(ObjectConditions, NullParameterWordsFailWithoutWriting) {
  sim::SceneSpec scene = Scene({{.name = "Ball", .selected = {0}}}, {0}, {0});
  scene.order = {{0}};
  sim::SimHost sim(scene);
  const std::int32_t ball = sim.ObjectParamWord(0);
  EXPECT_EQ(conditions::CondObjectAtBack(sim.runData(), 0, 0), 0);
  EXPECT_EQ(conditions::CondObjectAbove(sim.runData(), ball, 0), 0);
  EXPECT_EQ(conditions::CondObjectBelow(sim.runData(), 0, ball), 0);
  sim.QueueNextParameters({ball, 0, ball});
  EXPECT_EQ(conditions::CondObjectBetween(sim.runData(), 0, 0), 0);
  EXPECT_EQ(sim.NextParameterCalls().size(), 3u);
  EXPECT_EQ(sim.Type(0).firstSelected, 0);
  EXPECT_EQ(sim.Type(0).selectedCount, 1);
  EXPECT_EQ(sim.Type(0).selectionStamp, 6);
}

}  // namespace
}  // namespace tier::test
