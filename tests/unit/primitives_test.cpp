// The display-list primitives: node lookup, the swap with its level mirrors,
// the refresh rule, and the choice of the instance in scope.
#include "order/primitives.h"

#include <gtest/gtest.h>

#include <vector>

#include "order/scope.h"
#include "simhost/sim_host.h"
#include "tests/tier_harness.h"

namespace tier::test {
namespace {

using host::DisplayNode;
using host::kNoRefresh;
using host::kUncounted;
using Slots = std::vector<int>;
using Levels = std::vector<std::uint16_t>;

host::Frame& FrameOf(const sim::SimHost& sim) { return *host::FrameOf(sim.runData()); }

void Swap(sim::SimHost& sim, int slotA, int slotB) {
  order::SwapNodes(FrameOf(sim), *sim.Node(slotA), *sim.Node(slotB));
}

TEST(SwapNodes, AdjacentNodesGiveTheSameListInEitherArgumentOrder) {
  for (const bool reversed : {false, true}) {
    sim::SimHost sim(LineOfSprites(4));
    reversed ? Swap(sim, 2, 1) : Swap(sim, 1, 2);
    EXPECT_EQ(sim.Order(), (Slots{0, 2, 1, 3})) << sim.Dump();
    EXPECT_EQ(sim.Node(1)->level, 3);
    EXPECT_EQ(sim.Node(2)->level, 2);
    EXPECT_EQ(sim.DisplayLevel(1), 3);
    EXPECT_EQ(sim.DisplayLevel(2), 2);
    EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
    EXPECT_TRUE(sim.Refreshes().empty());
  }
}

TEST(SwapNodes, ExchangesTheEndsOfTheList) {
  for (const bool reversed : {false, true}) {
    sim::SimHost two(LineOfSprites(2));
    reversed ? Swap(two, 1, 0) : Swap(two, 0, 1);
    EXPECT_EQ(two.Order(), (Slots{1, 0}));
    EXPECT_EQ(two.CheckInvariants(), "") << two.Dump();

    // Not adjacent: the nodes between keep their order and their levels.
    sim::SimHost five(LineOfSprites(5));
    reversed ? Swap(five, 4, 0) : Swap(five, 0, 4);
    EXPECT_EQ(five.Order(), (Slots{4, 1, 2, 3, 0})) << five.Dump();
    EXPECT_EQ(five.Levels(), (Levels{1, 2, 3, 4, 5}));
    EXPECT_EQ(five.Node(2)->level, 3);
    EXPECT_EQ(five.CheckInvariants(), "") << five.Dump();
  }
}

TEST(SwapNodes, NonAdjacentInnerNodesLeaveTheEndsAlone) {
  sim::SimHost sim(LineOfSprites(6));
  Swap(sim, 1, 4);
  EXPECT_EQ(sim.Order(), (Slots{0, 4, 2, 3, 1, 5})) << sim.Dump();
  EXPECT_EQ(sim.DisplayLevel(4), 2);
  EXPECT_EQ(sim.DisplayLevel(1), 5);
  EXPECT_EQ(sim.DisplayLevel(0), 1);
  EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
  // A node one place short of adjacent (one node between them).
  Swap(sim, 2, 1);
  EXPECT_EQ(sim.Order(), (Slots{0, 4, 1, 3, 2, 5})) << sim.Dump();
  EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
}

TEST(SwapNodes, SelfSwapWritesNothing) {
  sim::SimHost sim(LineOfSprites(3));
  // A displayLevel that disagrees would be overwritten by any mirror.
  host::DisplayNode& node = *sim.Node(1);
  host::HostObject& owner = *sim.Object(1);
  host::DisplayBlock* block = host::DisplayBlockOf(owner);
  block->displayLevel = 99;
  Swap(sim, 1, 1);
  EXPECT_EQ(block->displayLevel, 99);
  EXPECT_EQ(node.level, 2);
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 2}));
  EXPECT_EQ(sim.Levels(), (Levels{1, 2, 3}));
}

TEST(MirrorLevel, SkipsUncountedNodesOwnerlessNodesAndObjectsWithoutBlock) {
  sim::SceneSpec scene = LineOfSprites(4);
  scene.objects[3].hasDisplayBlock = false;
  scene.order = {{0, kUncounted}, {1}, {-1}, {3}, {2}};
  sim::SimHost sim(scene);
  ASSERT_EQ(sim.DisplayLevel(0), 1);

  Swap(sim, 0, 1);  // uncounted 0 takes level 2 but its mirror stays
  EXPECT_EQ(sim.Node(0)->level, 2);
  EXPECT_EQ(sim.DisplayLevel(0), 1);
  EXPECT_EQ(sim.DisplayLevel(1), 1);

  // The ownerless node (third) and the object without a display block.
  DisplayNode& ownerless = *sim.Node(0)->next.get();
  ASSERT_FALSE(ownerless.owner);
  order::SwapNodes(FrameOf(sim), ownerless, *sim.Node(3));
  EXPECT_EQ(sim.Order(), (Slots{1, 0, 3, -1, 2}));
  EXPECT_EQ(ownerless.level, 4);
  EXPECT_EQ(sim.Node(3)->level, 3);
  EXPECT_EQ(sim.DisplayLevel(3), std::nullopt);
  EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
}

TEST(SwapAndRefresh, RefreshesBothNodesAfterTheSwapUnlessMarked) {
  sim::SceneSpec scene = LineOfSprites(4);
  scene.order[3].flags = kNoRefresh;
  sim::SimHost sim(scene);
  host::RunData& runData = sim.runData();

  order::SwapAndRefresh(runData, *sim.Node(2), *sim.Node(0));
  EXPECT_EQ(sim.Order(), (Slots{2, 1, 0, 3}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{2, 0}));
  ASSERT_EQ(sim.Refreshes().size(), 2u);
  EXPECT_EQ(sim.Refreshes()[0].frame, host::AddressOf(&FrameOf(sim)));
  EXPECT_EQ(sim.Refreshes()[0].flag, 1);

  sim.ClearLogs();
  order::SwapAndRefresh(runData, *sim.Node(3), *sim.Node(0));  // 3 is noRefresh
  EXPECT_EQ(sim.Order(), (Slots{2, 1, 3, 0}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{0}));

  sim.ClearLogs();
  order::SwapAndRefresh(runData, *sim.Node(1), *sim.Node(1));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{1, 1}));
  order::SwapAndRefresh(runData, *sim.Node(3), *sim.Node(3));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{1, 1}));
  EXPECT_EQ(sim.CheckInvariants(), "") << sim.Dump();
}

TEST(FindNodeByFixedValue, ZeroStandsForTheStoredValueWhateverItHolds) {
  sim::SceneSpec scene = LineOfSprites(3);
  scene.objects[0].creationCount = 0;  // slot 0's fixed value is 0
  scene.objects[2].creationCount = 2;
  sim::SimHost sim(scene);
  const host::RunData& runData = sim.runData();
  EXPECT_EQ(sim.FixedValue(2), 0x00020002);

  EXPECT_EQ(order::FindNodeByFixedValue(runData, 0), sim.Node(0));  // stored 0 finds fv 0
  sim.runData().storedFixedValue = sim.FixedValue(2);
  EXPECT_EQ(order::FindNodeByFixedValue(runData, 0), sim.Node(2));
  EXPECT_EQ(order::FindNodeByFixedValue(runData, sim.FixedValue(1)), sim.Node(1));
  EXPECT_EQ(order::FindNodeByFixedValue(runData, 2), nullptr);  // the number alone is not enough
  EXPECT_EQ(order::FindNodeByFixedValue(runData, 0x00010009), nullptr);
}

TEST(FindNodeByFixedValue, ScansSlotsUpToTheSignedLimitInclusive) {
  sim::SceneSpec scene = LineOfSprites(4);
  scene.objectLimit = 2;
  sim::SimHost limited(scene);
  EXPECT_EQ(order::FindNodeByFixedValue(limited.runData(), limited.FixedValue(2)), limited.Node(2));
  EXPECT_EQ(order::FindNodeByFixedValue(limited.runData(), limited.FixedValue(3)), nullptr);

  scene.objectLimit = -1;
  sim::SimHost none(scene);
  for (int slot = 0; slot < 4; ++slot)
    EXPECT_EQ(order::FindNodeByFixedValue(none.runData(), none.FixedValue(slot)), nullptr);

  // Free slots are skipped.
  sim::SceneSpec sparse;
  sparse.types = {{.name = "Sprite"}};
  sparse.objects = {{.slot = 5, .type = 0, .creationCount = 3}};
  sparse.order = {{5}};
  sim::SimHost gaps(sparse);
  EXPECT_EQ(order::FindNodeByFixedValue(gaps.runData(), gaps.FixedValue(5)), gaps.Node(5));
}

TEST(FindNodeByFixedValue, LowerSlotWinsAmongEqualFixedValuesEvenWithoutNode) {
  sim::SceneSpec scene = LineOfSprites(3);
  scene.objects.push_back({.slot = 4, .type = 0, .creationCount = 1, .number = 1});
  scene.order = {{0}, {4}, {2}};  // slot 1 has no node, slot 4 shares its fixed value
  sim::SimHost sim(scene);
  ASSERT_EQ(sim.FixedValue(1), sim.FixedValue(4));
  EXPECT_EQ(order::FindNodeByFixedValue(sim.runData(), sim.FixedValue(1)), nullptr);

  scene.order = {{0}, {1}, {4}};
  sim::SimHost both(scene);
  EXPECT_EQ(order::FindNodeByFixedValue(both.runData(), both.FixedValue(4)), both.Node(1));
}

sim::SceneSpec TwoTypes() {
  sim::SceneSpec scene;
  scene.types = {{.name = "Ball", .selected = {3, 1}}, {.name = "Ghost"}};
  for (int slot = 0; slot < 4; ++slot)
    scene.objects.push_back({.slot = slot, .type = 0, .creationCount = 1});
  scene.order = {{0}, {1}, {2}, {3}};
  return scene;
}

const host::ObjectParam& ParamOf(sim::SimHost& sim, int type) {
  return *host::HostPtr<host::ObjectParam>::FromWord(sim.ObjectParamWord(type)).get();
}

TEST(FirstInScope, TakesTheFirstSelectedWhileCurrentElseTheFirstObject) {
  sim::SceneSpec scene = TwoTypes();
  scene.types[0].selectionCurrent = true;
  sim::SimHost current(scene);
  const host::RunData& runData = current.runData();
  EXPECT_EQ(order::ParamTypeEntry(runData, ParamOf(current, 1)), &current.Type(1));
  EXPECT_EQ(order::FirstInScope(runData, ParamOf(current, 0)), current.Object(3));
  EXPECT_EQ(order::FirstInScopeFixedValue(runData, current.Type(0)), current.FixedValue(3));

  scene.types[0].selectionCurrent = false;  // stale: the whole type
  sim::SimHost stale(scene);
  EXPECT_EQ(order::FirstInScope(stale.runData(), ParamOf(stale, 0)), stale.Object(0));
  EXPECT_EQ(order::FirstInScopeFixedValue(stale.runData(), stale.Type(0)), stale.FixedValue(0));

  // A type without objects, and a current selection that is empty.
  EXPECT_EQ(order::FirstInScope(stale.runData(), ParamOf(stale, 1)), nullptr);
  EXPECT_EQ(order::FirstInScopeFixedValue(stale.runData(), stale.Type(1)), 0);
  scene.types[0] = {.name = "Ball", .selectionCurrent = true};
  sim::SimHost empty(scene);
  EXPECT_EQ(empty.Type(0).firstSelected, -1);
  EXPECT_EQ(order::FirstInScope(empty.runData(), ParamOf(empty, 0)), nullptr);
  EXPECT_EQ(order::FirstInScopeFixedValue(empty.runData(), empty.Type(0)), 0);
}

TEST(InvalidateSelection, EndsOnlyACurrentSelectionAndKeepsItsChain) {
  sim::SceneSpec scene = TwoTypes();
  scene.types[0].selectionCurrent = true;
  sim::SimHost sim(scene);
  order::InvalidateSelection(sim.runData(), sim.Type(0));
  EXPECT_EQ(sim.Type(0).selectionStamp, host::kInvalidatedStamp);
  EXPECT_EQ(sim.Type(0).firstSelected, 3);
  EXPECT_EQ(sim.Type(0).selectedCount, 2);
  EXPECT_EQ(sim.SelectedChain(0), (Slots{3, 1}));
  EXPECT_EQ(order::FirstInScope(sim.runData(), ParamOf(sim, 0)), sim.Object(0));

  scene.types[0].selectionStamp = 3;  // stale
  sim::SimHost stale(scene);
  order::InvalidateSelection(stale.runData(), stale.Type(0));
  EXPECT_EQ(stale.Type(0).selectionStamp, 3);
}

}  // namespace
}  // namespace tier::test
