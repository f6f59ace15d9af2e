// The six sort actions, called through the action table as the host calls
// them: key and direction, levels, flags, refreshes and equal-key orders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <optional>
#include <vector>

#include "tests/tier_harness.h"

namespace tier::test {
namespace {

using enum plugin::ActionCode;

// Object i sits in slot i and is listed i-th from the back.
sim::SceneSpec Scene(std::vector<sim::ObjectSpec> objects, std::uint16_t firstLevel = 1) {
  sim::SceneSpec scene;
  scene.types = {{.name = "Sprite"}};
  scene.firstLevel = firstLevel;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    objects[i].slot = static_cast<int>(i);
    scene.order.push_back({.slot = static_cast<int>(i)});
  }
  scene.objects = std::move(objects);
  return scene;
}

sim::SceneSpec SceneOfX(const std::vector<std::int16_t>& xs, std::uint16_t firstLevel = 1) {
  std::vector<sim::ObjectSpec> objects;
  for (std::int16_t x : xs) objects.push_back({.x = x});
  return Scene(objects, firstLevel);
}

std::vector<int> Range(int count) {
  std::vector<int> slots(static_cast<std::size_t>(count));
  std::iota(slots.begin(), slots.end(), 0);
  return slots;
}

std::vector<int> Reversed(std::vector<int> slots) {
  std::reverse(slots.begin(), slots.end());
  return slots;
}

std::vector<std::int16_t> XsBackToFront(const sim::SimHost& sim) {
  std::vector<std::int16_t> xs;
  for (int slot : sim.Order()) xs.push_back(sim.Object(slot)->x);
  return xs;
}

TEST(SortActions, EachKindOrdersByItsKeyAndDirection) {
  {
    sim::SimHost sim(SceneOfX({10, 30, 20}));
    EXPECT_EQ(Action(sim, IncreasingXSort), 0);
    EXPECT_EQ(XsBackToFront(sim), (std::vector<std::int16_t>{30, 20, 10}));
    EXPECT_EQ(sim.Levels(), (std::vector<std::uint16_t>{1, 2, 3}));
    EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
    EXPECT_EQ(Action(sim, DecreasingXSort), 0);
    EXPECT_EQ(XsBackToFront(sim), (std::vector<std::int16_t>{10, 20, 30}));
    EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
  }
  {  // Y sorts read y only; x is deliberately in the opposite order.
    sim::SimHost sim(Scene({{.x = 1, .y = 5}, {.x = 2, .y = -7}, {.x = 3, .y = 9}}));
    EXPECT_EQ(Action(sim, IncreasingYSort), 0);
    EXPECT_EQ(sim.Order(), (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(Action(sim, DecreasingYSort), 0);
    EXPECT_EQ(sim.Order(), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
  }
  {  // Positions are signed 16-bit, compared after widening.
    sim::SimHost sim(SceneOfX({3, -5, 32767, -32768, 0}));
    Action(sim, DecreasingXSort);
    EXPECT_EQ(XsBackToFront(sim), (std::vector<std::int16_t>{-32768, -5, 0, 3, 32767}));
    Action(sim, IncreasingXSort);
    EXPECT_EQ(XsBackToFront(sim), (std::vector<std::int16_t>{32767, 3, 0, -5, -32768}));
  }
  {  // The position sorts never read their parameter words.
    sim::SimHost sim(SceneOfX({1, 2}));
    EXPECT_EQ(Action(sim, IncreasingXSort, 0x7EADBEEF, 0x7EADBEEF), 0);
    EXPECT_EQ(Action(sim, IncreasingYSort, 0x7EADBEEF, 0x7EADBEEF), 0);
    EXPECT_EQ(Action(sim, DecreasingXSort, 0x7EADBEEF, 0x7EADBEEF), 0);
    EXPECT_EQ(Action(sim, DecreasingYSort, 0x7EADBEEF, 0x7EADBEEF), 0);
    EXPECT_EQ(sim.Order(), (std::vector<int>{0, 1}));
  }
}

TEST(SortActions, ValueSortsUseTheIndexedValueOrTheDefault) {
  // Values 55 (no values: the default), 70, -80, 90 at index 2.
  const sim::SceneSpec scene = Scene({{.hasValues = false},
                                      {.values = {0, 0, 70}},
                                      {.values = {0, 0, -80}},
                                      {.values = {0, 0, 90}}});
  {
    sim::SimHost sim(scene);
    EXPECT_EQ(Action(sim, IncreasingSortByValue, sim.AltValueParamWord(2), 55), 0);
    EXPECT_EQ(sim.Order(), (std::vector<int>{3, 1, 0, 2}));
    EXPECT_EQ(Action(sim, DecreasingSortByValue, sim.AltValueParamWord(2), 55), 0);
    EXPECT_EQ(sim.Order(), (std::vector<int>{2, 0, 1, 3}));
    EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
    // A default above every value puts the object without values at the back.
    Action(sim, IncreasingSortByValue, sim.AltValueParamWord(2), 1000);
    EXPECT_EQ(sim.Order(), (std::vector<int>{0, 3, 1, 2}));
  }
  {  // Index 0 holds zeros: only the default differs, the rest keep their order.
    sim::SimHost sim(scene);
    Action(sim, DecreasingSortByValue, sim.AltValueParamWord(0), -1);
    EXPECT_EQ(sim.Order(), (std::vector<int>{0, 1, 2, 3}));
    Action(sim, DecreasingSortByValue, sim.AltValueParamWord(0), 1);
    EXPECT_EQ(sim.Order(), (std::vector<int>{1, 2, 3, 0}));
  }
  // An index outside the block sorts every object by the default: all keys
  // equal, so a short list keeps its order, yet it is renumbered and refreshed.
  for (std::int16_t index :
       {std::int16_t{-1}, std::int16_t{26}, std::int16_t{-32768}, std::int16_t{32767}}) {
    sim::SimHost sim(scene);
    EXPECT_EQ(Action(sim, IncreasingSortByValue, sim.AltValueParamWord(index), 7), 0) << index;
    EXPECT_EQ(sim.Order(), (std::vector<int>{0, 1, 2, 3})) << index;
    EXPECT_EQ(sim.RefreshedSlots(), (std::vector<int>{0, 1, 2, 3})) << index;
  }
}

TEST(SortActions, LevelsRunOnFromTheOldBackLevelAndWrap) {
  {
    sim::SimHost sim(SceneOfX({1, 2, 3}, 5));
    Action(sim, IncreasingXSort);
    EXPECT_EQ(sim.Order(), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(sim.Levels(), (std::vector<std::uint16_t>{5, 6, 7}));
    EXPECT_EQ(sim.DisplayLevel(2), 5);
    EXPECT_EQ(sim.DisplayLevel(0), 7);
    EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
  }
  {
    sim::SimHost sim(SceneOfX({1, 2, 3, 4}, 65534));
    Action(sim, IncreasingXSort);
    EXPECT_EQ(sim.Order(), (std::vector<int>{3, 2, 1, 0}));
    EXPECT_EQ(sim.Levels(), (std::vector<std::uint16_t>{65534, 65535, 0, 1}));
    EXPECT_EQ(sim.DisplayLevel(1), 0);
    EXPECT_EQ(sim.DisplayLevel(0), 1);
    EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
  }
}

TEST(SortActions, ListsOfFewerThanTwoNodesAreLeftAlone) {
  {
    sim::SceneSpec scene = SceneOfX({1});
    scene.order.clear();
    sim::SimHost sim(scene);
    EXPECT_EQ(Action(sim, IncreasingXSort), 0);
    EXPECT_TRUE(sim.Order().empty());
    EXPECT_TRUE(sim.Refreshes().empty());
  }
  {  // A lone node keeps even a level that disagrees with the old head's.
    sim::SimHost sim(SceneOfX({1}, 4));
    sim.Node(0)->level = 99;
    for (const plugin::ActionCode code :
         {IncreasingXSort, IncreasingYSort, DecreasingXSort, DecreasingYSort})
      Action(sim, code);
    Action(sim, IncreasingSortByValue, sim.AltValueParamWord(0), 0);
    EXPECT_EQ(sim.Levels(), (std::vector<std::uint16_t>{99}));
    EXPECT_EQ(sim.DisplayLevel(0), 4);
    EXPECT_TRUE(sim.Refreshes().empty());
  }
}

TEST(SortActions, FlagsAndRefreshes) {
  const std::uint8_t U = host::kUncounted, N = host::kNoRefresh;
  sim::SceneSpec scene = SceneOfX({10, 40, 20, 30, 50});
  scene.objects[3].hasDisplayBlock = false;
  scene.order = {{0}, {1, U}, {2, N}, {3}, {4, U | N}};
  sim::SimHost sim(scene);
  EXPECT_EQ(Action(sim, IncreasingXSort), 0);
  EXPECT_EQ(sim.Order(), (std::vector<int>{4, 1, 3, 2, 0}));
  EXPECT_EQ(sim.Levels(), (std::vector<std::uint16_t>{1, 2, 3, 4, 5}));
  // Uncounted nodes are renumbered and their owners' displayLevel written.
  EXPECT_EQ(sim.DisplayLevel(4), 1);
  EXPECT_EQ(sim.DisplayLevel(1), 2);
  EXPECT_EQ(sim.DisplayLevel(3), std::nullopt);
  // Each node without noRefresh is refreshed once, back to front, with flag 1.
  EXPECT_EQ(sim.RefreshedSlots(), (std::vector<int>{1, 3, 0}));
  for (const sim::RefreshCall& call : sim.Refreshes()) EXPECT_EQ(call.flag, 1);
  EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
}

TEST(SortActions, EqualKeysKeepOrderUpTo16AndThenFollowTheProcedure) {
  {  // Up to 16 nodes the sort is stable.
    sim::SimHost sim(SceneOfX({2, 1, 2, 1, 2, 1, 2, 1, 2, 1, 2, 1, 2, 1, 2, 1}));
    Action(sim, DecreasingXSort);
    EXPECT_EQ(sim.Order(),
              (std::vector<int>{1, 3, 5, 7, 9, 11, 13, 15, 0, 2, 4, 6, 8, 10, 12, 14}));
    sim::SimHost same(SceneOfX(std::vector<std::int16_t>(16, 3)));
    Action(same, IncreasingXSort);
    EXPECT_EQ(same.Order(), Range(16));
  }
  for (int count : {17, 24, 32}) {  // each sort reverses the list
    sim::SimHost sim(SceneOfX(std::vector<std::int16_t>(static_cast<std::size_t>(count), 3)));
    Action(sim, IncreasingXSort);
    EXPECT_EQ(sim.Order(), Reversed(Range(count))) << count;
    Action(sim, DecreasingXSort);
    EXPECT_EQ(sim.Order(), Range(count)) << count;
    EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
  }
  {  // 33: 32 down to 17, then 0 up to 16.
    sim::SimHost sim(SceneOfX(std::vector<std::int16_t>(33, 3)));
    Action(sim, IncreasingSortByValue, sim.AltValueParamWord(5), 0);
    std::vector<int> expected;
    for (int slot = 32; slot >= 17; --slot) expected.push_back(slot);
    for (int slot = 0; slot <= 16; ++slot) expected.push_back(slot);
    EXPECT_EQ(sim.Order(), expected);
  }
}

TEST(SortActions, LargeListsWithDuplicatesComeOutOrdered) {
  for (int count : {100, 1000}) {
    std::vector<std::int16_t> xs;
    std::uint32_t seed = 12345;
    for (int i = 0; i < count; ++i) {
      seed = seed * 1103515245u + 12345u;
      xs.push_back(static_cast<std::int16_t>(static_cast<int>((seed >> 16) % 21) - 10));
    }
    sim::SimHost sim(SceneOfX(xs, 300));
    Action(sim, IncreasingXSort);
    const std::vector<std::int16_t> sorted = XsBackToFront(sim);
    EXPECT_TRUE(std::is_sorted(sorted.rbegin(), sorted.rend())) << sim.Dump();
    std::vector<int> slots = sim.Order();
    std::sort(slots.begin(), slots.end());
    EXPECT_EQ(slots, Range(count));
    EXPECT_EQ(sim.RefreshedSlots(), sim.Order());
    EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
  }
}

TEST(SortActions, ANodeWithoutOwnerSortsAtTheOriginWithTheDefault) {
  sim::SceneSpec scene = SceneOfX({5, -5, 1});
  scene.order.insert(scene.order.begin() + 1, {.slot = -1});
  sim::SimHost sim(scene);
  Action(sim, DecreasingXSort);
  EXPECT_EQ(sim.Order(), (std::vector<int>{1, -1, 2, 0}));
  Action(sim, IncreasingSortByValue, sim.AltValueParamWord(0), 1);
  EXPECT_EQ(sim.Order(), (std::vector<int>{-1, 1, 2, 0}));
  EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
}

}  // namespace
}  // namespace tier::test
