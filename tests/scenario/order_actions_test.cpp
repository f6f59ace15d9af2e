// The order actions through the action table: where the objects end up, the
// levels and their mirrors, and exactly which nodes the host is asked to redraw.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/tier_harness.h"

namespace tier::test {
namespace {

using host::kNoRefresh;
using host::kUncounted;
using Slots = std::vector<int>;
using Levels = std::vector<std::uint16_t>;

using enum plugin::ActionCode;

// Runs an action and checks what every action must leave behind.
void Act(sim::SimHost& sim, plugin::ActionCode code, std::int32_t first = 0,
         std::int32_t second = 0) {
  EXPECT_EQ(Action(sim, code, first, second) & 0xFFFF, 0) << plugin::Row(code).routineName;
  EXPECT_EQ(sim.CheckInvariants(), "") << "after " << plugin::Row(code).routineName << "\n"
                                       << sim.Dump();
}

TEST(OrderActions, StepOnePlaceRefreshesBothNodesMovingOneFirst) {
  sim::SimHost sim(LineOfSprites(4));
  Act(sim, BringForwardOne, sim.FixedValue(3));  // already front-most
  Act(sim, SendBackOne, sim.FixedValue(0));      // already back-most
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 2, 3}));
  EXPECT_TRUE(sim.Refreshes().empty());

  Act(sim, BringForwardOne, sim.FixedValue(1));
  EXPECT_EQ(sim.Order(), (Slots{0, 2, 1, 3}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{1, 2}));
  EXPECT_EQ(sim.DisplayLevel(1), 3);
  EXPECT_EQ(sim.DisplayLevel(2), 2);

  sim.ClearLogs();
  Act(sim, SendBackOne, sim.FixedValue(3));
  EXPECT_EQ(sim.Order(), (Slots{0, 2, 3, 1}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{3, 1}));
  EXPECT_EQ(sim.Levels(), (Levels{1, 2, 3, 4}));
}

TEST(OrderActions, StepSeveralPlacesStopsAtTheEndAndIgnoresNonPositiveCounts) {
  sim::SimHost sim(LineOfSprites(5));
  Act(sim, BringForwardN, sim.FixedValue(2), 5);  // two places from the front
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 3, 4, 2}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{2, 3, 2, 4}));
  EXPECT_EQ(sim.DisplayLevel(2), 5);

  sim.ClearLogs();
  Act(sim, SendBackN, sim.FixedValue(2), 0);
  Act(sim, SendBackN, sim.FixedValue(2), -3);
  Act(sim, BringForwardN, sim.FixedValue(0), 0);
  Act(sim, BringForwardN, sim.FixedValue(0), INT32_MIN);
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 3, 4, 2}));
  EXPECT_TRUE(sim.Refreshes().empty());

  Act(sim, SendBackN, sim.FixedValue(2), 2);
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 2, 3, 4}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{2, 4, 2, 3}));

  // The count is a full 32-bit number: 65536 is not 0.
  sim.ClearLogs();
  Act(sim, BringForwardN, sim.FixedValue(0), 65536);
  EXPECT_EQ(sim.Order(), (Slots{1, 2, 3, 4, 0}));
  EXPECT_EQ(sim.RefreshedSlots().size(), 8u);
}

TEST(OrderActions, SwapPairRefreshesTheFirstValuesNodeFirst) {
  sim::SceneSpec scene = LineOfSprites(4);
  scene.storedFixedValue = 0x00010003;  // slot 3
  sim::SimHost sim(scene);
  Act(sim, SwapPair, sim.FixedValue(2), sim.FixedValue(0));
  EXPECT_EQ(sim.Order(), (Slots{2, 1, 0, 3}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{2, 0}));

  // 0 stands for the stored value, for that argument only.
  sim.ClearLogs();
  Act(sim, SwapPair, 0, sim.FixedValue(1));
  EXPECT_EQ(sim.Order(), (Slots{2, 3, 0, 1}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{3, 1}));
  EXPECT_EQ(sim.DisplayLevel(3), 2);

  // Both naming one node: nothing moves, that node is redrawn twice.
  sim.ClearLogs();
  Act(sim, SwapPair, sim.FixedValue(0), sim.FixedValue(0));
  EXPECT_EQ(sim.Order(), (Slots{2, 3, 0, 1}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{0, 0}));
}

TEST(OrderActions, ToFrontAndToBackRefreshOnlyTheMovingNode) {
  sim::SimHost sim(LineOfSprites(4));
  Act(sim, BringToFront, sim.FixedValue(3));
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 2, 3}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{3}));

  sim.ClearLogs();
  Act(sim, BringToFront, sim.FixedValue(0));
  EXPECT_EQ(sim.Order(), (Slots{1, 2, 3, 0}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{0}));
  EXPECT_EQ(sim.DisplayLevel(1), 1);
  EXPECT_EQ(sim.DisplayLevel(0), 4);

  sim.ClearLogs();
  Act(sim, SendToBack, sim.FixedValue(1));
  EXPECT_EQ(sim.Order(), (Slots{1, 2, 3, 0}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{1}));

  sim.ClearLogs();
  Act(sim, SendToBack, sim.FixedValue(3));
  EXPECT_EQ(sim.Order(), (Slots{3, 1, 2, 0}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{3}));
  EXPECT_EQ(sim.DisplayLevel(2), 3);
}

TEST(OrderActions, MoveAboveAndBelowDecideByLevels) {
  sim::SimHost sim(LineOfSprites(5));
  Act(sim, MoveAbove, sim.FixedValue(3), sim.FixedValue(1));  // already above
  Act(sim, MoveAbove, sim.FixedValue(2), sim.FixedValue(2));
  Act(sim, MoveBelow, sim.FixedValue(1), sim.FixedValue(3));  // already below
  Act(sim, MoveBelow, sim.FixedValue(2), sim.FixedValue(2));
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 2, 3, 4}));
  EXPECT_TRUE(sim.Refreshes().empty());

  Act(sim, MoveAbove, sim.FixedValue(1), sim.FixedValue(2));  // directly behind: one swap
  EXPECT_EQ(sim.Order(), (Slots{0, 2, 1, 3, 4}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{1}));

  sim.ClearLogs();
  Act(sim, MoveAbove, sim.FixedValue(0), sim.FixedValue(3));
  EXPECT_EQ(sim.Order(), (Slots{2, 1, 3, 0, 4}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{0}));

  sim.ClearLogs();
  Act(sim, MoveBelow, sim.FixedValue(4), sim.FixedValue(1));
  EXPECT_EQ(sim.Order(), (Slots{2, 4, 1, 3, 0}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{4}));
  EXPECT_EQ(sim.DisplayLevel(4), 2);
}

TEST(OrderActions, MoveToLevelCountsEveryNodeFromTheBack) {
  sim::SceneSpec scene = LineOfSprites(5);
  scene.order[1].flags = kUncounted;
  sim::SimHost sim(scene);
  Act(sim, MoveToLevel, sim.FixedValue(2), 0);
  Act(sim, MoveToLevel, sim.FixedValue(2), -1);
  Act(sim, MoveToLevel, sim.FixedValue(2), 6);
  Act(sim, MoveToLevel, sim.FixedValue(2), 65536 + 1);  // all 32 bits count
  Act(sim, MoveToLevel, sim.FixedValue(2), 3);          // its own position
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 2, 3, 4}));
  EXPECT_TRUE(sim.Refreshes().empty());

  Act(sim, MoveToLevel, sim.FixedValue(3), 1);
  EXPECT_EQ(sim.Order(), (Slots{3, 0, 1, 2, 4}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{3}));

  sim.ClearLogs();
  Act(sim, MoveToLevel, sim.FixedValue(3), 5);
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 2, 4, 3}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{3}));

  // The uncounted node is a position like any other.
  sim.ClearLogs();
  Act(sim, MoveToLevel, sim.FixedValue(4), 2);
  EXPECT_EQ(sim.Order(), (Slots{0, 4, 1, 2, 3}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{4}));
  EXPECT_EQ(sim.DisplayLevel(4), 2);
}

TEST(OrderActions, WalksFollowUnsignedLevelsEvenWhenPositionsDisagree) {
  // Levels 65534, 65535, 0, 1, 2 from the back: they still rise by one per
  // place, but wrap, so the unsigned comparison no longer matches positions.
  sim::SceneSpec scene = LineOfSprites(5);
  scene.firstLevel = 65534;
  sim::SimHost sim(scene);

  // Slot 2 (level 0) to position 1 (level 65534): the levels say forward,
  // and the walk, never meeting its target, runs to the front.
  Act(sim, MoveToLevel, sim.FixedValue(2), 1);
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 3, 4, 2}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{2}));

  // Slot 0 (level 65534) below slot 4 (level 1): backward, already at the back.
  sim.ClearLogs();
  Act(sim, MoveBelow, sim.FixedValue(0), sim.FixedValue(4));
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 3, 4, 2}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{0}));

  // Slot 3 (level 0) above slot 1 (level 65535), which lies behind it.
  sim.ClearLogs();
  Act(sim, MoveAbove, sim.FixedValue(3), sim.FixedValue(1));
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 4, 2, 3}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{3}));
  EXPECT_EQ(sim.Levels(), (Levels{65534, 65535, 0, 1, 2}));
}

TEST(OrderActions, ReverseAllSwapsPairsFromTheOutsideIn) {
  sim::SimHost four(LineOfSprites(4));
  Act(four, ReverseAll, 0x1234, 0x5678);
  EXPECT_EQ(four.Order(), (Slots{3, 2, 1, 0}));
  EXPECT_EQ(four.Levels(), (Levels{1, 2, 3, 4}));
  EXPECT_EQ(four.RefreshedSlots(), (Slots{0, 3, 1, 2}));

  sim::SimHost three(LineOfSprites(3));
  Act(three, ReverseAll);
  EXPECT_EQ(three.Order(), (Slots{2, 1, 0}));
  EXPECT_EQ(three.RefreshedSlots(), (Slots{0, 2}));

  sim::SimHost two(LineOfSprites(2));
  Act(two, ReverseAll);
  EXPECT_EQ(two.Order(), (Slots{1, 0}));
  EXPECT_EQ(two.RefreshedSlots(), (Slots{0, 1}));

  sim::SimHost one(LineOfSprites(1));
  Act(one, ReverseAll);
  EXPECT_EQ(one.Order(), (Slots{0}));
  EXPECT_EQ(one.RefreshedSlots(), (Slots{0, 0}));
}

TEST(OrderActions, EmptyListAndUnknownValuesChangeAndRefreshNothing) {
  sim::SceneSpec scene = LineOfSprites(3);
  scene.order.clear();
  sim::SimHost empty(scene);
  for (const plugin::ActionCode code : {BringToFront, SendToBack, ReverseAll, MoveToLevel})
    Act(empty, code, empty.FixedValue(1), 1);
  EXPECT_EQ(empty.Order(), Slots{});
  EXPECT_TRUE(empty.Refreshes().empty());

  // An object without a node, a value no object has, a slot past objectLimit.
  scene = LineOfSprites(4);
  scene.objects.push_back({.slot = 4, .type = 0, .creationCount = 1});
  scene.objects.push_back({.slot = 5, .type = 0, .creationCount = 1});
  scene.order.push_back({5});
  scene.objectLimit = 4;
  sim::SimHost sim(scene);
  for (const std::int32_t missing : {sim.FixedValue(4), 0x00070001, sim.FixedValue(5)}) {
    for (const plugin::ActionCode code : {SendBackOne, BringForwardOne, BringToFront, SendToBack})
      Act(sim, code, missing);
    for (const plugin::ActionCode code : {SendBackN, BringForwardN, MoveToLevel})
      Act(sim, code, missing, 2);
    for (const plugin::ActionCode code : {SwapPair, MoveAbove, MoveBelow}) {
      Act(sim, code, missing, sim.FixedValue(2));
      Act(sim, code, sim.FixedValue(2), missing);
    }
  }
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 2, 3, 5}));
  EXPECT_TRUE(sim.Refreshes().empty());
}

TEST(OrderActions, NoRefreshAndUncountedNodesMoveLikeAnyOther) {
  sim::SceneSpec scene = LineOfSprites(4);
  scene.order[1].flags = kNoRefresh;
  scene.order[2].flags = kUncounted;
  sim::SimHost sim(scene);
  Act(sim, BringForwardN, sim.FixedValue(0), 3);
  EXPECT_EQ(sim.Order(), (Slots{1, 2, 3, 0}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{0, 0, 2, 0, 3}));
  EXPECT_EQ(sim.DisplayLevel(1), 1);
  EXPECT_EQ(sim.Node(2)->level, 2);
  EXPECT_EQ(sim.DisplayLevel(2), 3);  // an uncounted node's mirror is not written

  sim.ClearLogs();
  Act(sim, BringToFront, sim.FixedValue(1));
  EXPECT_EQ(sim.Order(), (Slots{2, 3, 0, 1}));
  EXPECT_TRUE(sim.Refreshes().empty());
  Act(sim, ReverseAll);
  EXPECT_EQ(sim.Order(), (Slots{1, 0, 3, 2}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{2, 3, 0}));
}

TEST(OrderActions, StoreFixedValueTakesTheFirstInstanceInScope) {
  sim::SceneSpec scene = LineOfSprites(4);
  scene.types = {{.name = "Ball", .selected = {2, 1}, .selectionCurrent = true},
                 {.name = "Ghost"},
                 {.name = "Wall", .selected = {3}}};
  scene.objects[0].type = 2;
  scene.objects[3].type = 2;
  scene.storedFixedValue = 0x00440044;
  sim::SimHost sim(scene);
  Act(sim, StoreFixedValue, sim.ActionObjectWord(0));  // current: first selected
  EXPECT_EQ(sim.StoredFixedValue(), sim.FixedValue(2));
  Act(sim, StoreFixedValue, sim.ActionObjectWord(2));  // stale: first object
  EXPECT_EQ(sim.StoredFixedValue(), sim.FixedValue(0));
  Act(sim, StoreFixedValue, sim.ActionObjectWord(1));  // no instance
  EXPECT_EQ(sim.StoredFixedValue(), 0);
  EXPECT_TRUE(sim.Refreshes().empty());
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 2, 3}));
}

TEST(OrderActions, ObjectFormsActOnTheFirstInstanceInScope) {
  sim::SceneSpec scene = LineOfSprites(5);
  scene.types = {{.name = "Ball", .selected = {3}, .selectionCurrent = true},
                 {.name = "Wall"},
                 {.name = "Ghost"}};
  for (const int slot : {0, 2}) scene.objects[slot].type = 1;
  scene.storedFixedValue = 0x00010004;  // slot 4, a Ball
  sim::SimHost sim(scene);
  const std::int32_t ball = sim.ActionObjectWord(0);  // slot 1, but slot 3 is selected
  const std::int32_t wall = sim.ActionObjectWord(1);  // slot 0
  const std::int32_t ghost = sim.ActionObjectWord(2);

  Act(sim, BringToFrontByObject, ball);
  EXPECT_EQ(sim.Order(), (Slots{0, 1, 2, 4, 3}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{3}));

  // No Ghost at all: the stored fixed value's object moves.
  sim.ClearLogs();
  Act(sim, SendToBackByObject, ghost);
  EXPECT_EQ(sim.Order(), (Slots{4, 0, 1, 2, 3}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{4}));

  // Two parameters of one type name one instance.
  sim.ClearLogs();
  Act(sim, MoveAboveByObject, ball, ball);
  Act(sim, MoveBelowByObject, wall, wall);
  EXPECT_TRUE(sim.Refreshes().empty());
  Act(sim, SwapPairByObject, wall, wall);
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{0, 0}));
  EXPECT_EQ(sim.Order(), (Slots{4, 0, 1, 2, 3}));

  sim.ClearLogs();
  Act(sim, SwapPairByObject, wall, ball);
  EXPECT_EQ(sim.Order(), (Slots{4, 3, 1, 2, 0}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{0, 3}));

  // Counts and levels are handed on unchanged.
  sim.ClearLogs();
  Act(sim, SendBackNByObject, wall, 2);
  EXPECT_EQ(sim.Order(), (Slots{4, 3, 0, 1, 2}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{0, 2, 0, 1}));
  sim.ClearLogs();
  Act(sim, BringForwardNByObject, ball, 0);
  EXPECT_TRUE(sim.Refreshes().empty());
  Act(sim, MoveToLevelByObject, ball, 4);
  EXPECT_EQ(sim.Order(), (Slots{4, 0, 1, 3, 2}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{3}));

  sim.ClearLogs();
  Act(sim, SendBackOneByObject, ball);
  Act(sim, BringForwardOneByObject, wall);
  EXPECT_EQ(sim.Order(), (Slots{4, 3, 0, 1, 2}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{3, 1, 0, 3}));

  sim.ClearLogs();
  Act(sim, MoveAboveByObject, ghost, ball);  // the stored Ball (slot 4) above slot 3
  EXPECT_EQ(sim.Order(), (Slots{3, 4, 0, 1, 2}));
  Act(sim, MoveBelowByObject, wall, ball);
  EXPECT_EQ(sim.Order(), (Slots{0, 3, 4, 1, 2}));
  EXPECT_EQ(sim.RefreshedSlots(), (Slots{4, 0}));
}

}  // namespace
}  // namespace tier::test
