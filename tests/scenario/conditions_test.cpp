// The ten conditions, called through the condition table as the host calls
// them, and the selections their object forms leave behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/tier_harness.h"

namespace tier::test {
namespace {

using enum plugin::ConditionCode;

constexpr std::int16_t kEnd = host::kEndOfChain;
constexpr std::int32_t kGarbage = 0x5A5A5A5A;  // an argument word the routine must not read

// Object i sits in slot i with creation count 1, of type `types[i]`; the
// display order lists slots back to front, so slot order[k] has level k + 1.
sim::SceneSpec Scene(std::vector<sim::TypeSpec> types, const std::vector<int>& objectTypes,
                     const std::vector<sim::NodeSpec>& order) {
  sim::SceneSpec scene;
  scene.types = std::move(types);
  for (std::size_t i = 0; i < objectTypes.size(); ++i)
    scene.objects.push_back(
        {.slot = static_cast<int>(i), .type = objectTypes[i], .creationCount = 1});
  scene.order = order;
  return scene;
}

// The selection fields of a type, for comparing before and after.
struct Selection {
  std::int16_t firstSelected;
  std::int16_t selectedCount;
  std::uint16_t selectionStamp;
  bool operator==(const Selection&) const = default;
};

Selection SelectionOf(const sim::SimHost& sim, int type) {
  const host::ObjectTypeEntry& entry = sim.Type(type);
  return {entry.firstSelected, entry.selectedCount, entry.selectionStamp};
}

std::int16_t LinkOf(const sim::SimHost& sim, int slot) { return sim.Object(slot)->nextSelected; }

std::int32_t Between(sim::SimHost& sim, std::int32_t f1, std::int32_t f2, std::int32_t f3) {
  return Call(sim, {.routine = &plugin::Row(CondBetween),
                    .parameters = {f1, f2, f3},
                    .unusedWords = {kGarbage, kGarbage}})
      .result;
}

std::int32_t ObjectBetween(sim::SimHost& sim, int a, int b, int c) {
  return Call(sim, {.routine = &plugin::Row(CondObjectBetween),
                    .parameters = {sim.ObjectParamWord(a), sim.ObjectParamWord(b),
                                   sim.ObjectParamWord(c)},
                    .unusedWords = {kGarbage, kGarbage}})
      .result;
}

void ExpectThreeNextParameterCalls(const sim::SimHost& sim) {
  ASSERT_EQ(sim.NextParameterCalls().size(), 3u);
  for (const sim::ServiceCall& call : sim.NextParameterCalls()) {
    EXPECT_EQ(call.runData, sim.RunDataAddress());
    EXPECT_EQ(call.first, 0xFFFFu);
    EXPECT_EQ(call.second, 0u);
  }
}

TEST(AtBackAndAtFront, TestTheEndNodesWhateverTheirFlags) {
  {
    sim::SceneSpec scene =
        Scene({{.name = "Ball"}}, {0, 0, 0}, {{0, host::kUncounted}, {1}, {2, host::kNoRefresh}});
    sim::SimHost sim(scene);
    // The uncounted back-most node is still the back.
    EXPECT_EQ(Condition(sim, CondAtBack, sim.FixedValue(0), kGarbage), 1);
    EXPECT_EQ(Condition(sim, CondAtBack, sim.FixedValue(1), kGarbage), 0);
    EXPECT_EQ(Condition(sim, CondAtFront, sim.FixedValue(2), kGarbage), 1);
    EXPECT_EQ(Condition(sim, CondAtFront, sim.FixedValue(0), kGarbage), 0);
  }
  {  // 0 stands for the stored fixed value
    sim::SceneSpec scene = Scene({{.name = "Ball"}}, {0, 0}, {{0}, {1}});
    scene.storedFixedValue = 65536 + 1;
    sim::SimHost sim(scene);
    EXPECT_EQ(Condition(sim, CondAtBack, 0), 0);
    EXPECT_EQ(Condition(sim, CondAtFront, 0), 1);
  }
  {  // an empty list
    sim::SimHost sim(Scene({{.name = "Ball"}}, {0}, {}));
    EXPECT_EQ(Condition(sim, CondAtBack, sim.FixedValue(0)), 0);
    EXPECT_EQ(Condition(sim, CondAtFront, 0), 0);
  }
  {  // end nodes without an owner
    sim::SimHost sim(Scene({{.name = "Ball"}}, {0}, {{-1}, {0}, {-1}}));
    EXPECT_EQ(Condition(sim, CondAtBack, sim.FixedValue(0)), 0);
    EXPECT_EQ(Condition(sim, CondAtFront, sim.FixedValue(0)), 0);
  }
}

TEST(AboveAndBelow, CompareLevelsStrictlyAndUnsigned) {
  {
    // Slot i at level i + 1, slot 6 without a node, slot 2 uncounted.
    sim::SceneSpec scene = Scene({{.name = "Ball"}}, {0, 0, 0, 0, 0, 0, 0},
                                 {{0}, {1}, {2, host::kUncounted}, {3}, {4}, {5}});
    scene.storedFixedValue = 65536 + 4;
    sim::SimHost sim(scene);
    const std::int32_t level5 = sim.FixedValue(4), level3 = sim.FixedValue(2);
    EXPECT_EQ(Condition(sim, CondAbove, level5, level3), 1);
    EXPECT_EQ(Condition(sim, CondBelow, level5, level3), 0);
    EXPECT_EQ(Condition(sim, CondAbove, level3, level5), 0);
    EXPECT_EQ(Condition(sim, CondBelow, level3, level5), 1);
    // One object against itself: equal levels satisfy neither.
    EXPECT_EQ(Condition(sim, CondAbove, level5, level5), 0);
    EXPECT_EQ(Condition(sim, CondBelow, level5, level5), 0);
    // Each 0 is resolved on its own.
    EXPECT_EQ(Condition(sim, CondAbove, 0, level3), 1);
    EXPECT_EQ(Condition(sim, CondBelow, level3, 0), 1);
    // A missing object, or one without a node, in either place.
    EXPECT_EQ(Condition(sim, CondAbove, 0x7777, level3), 0);
    EXPECT_EQ(Condition(sim, CondBelow, level3, 0x7777), 0);
    EXPECT_EQ(Condition(sim, CondAbove, level5, sim.FixedValue(6)), 0);
    EXPECT_EQ(Condition(sim, CondBelow, sim.FixedValue(6), level5), 0);
  }
  {  // the scan stops at objectCount even where objectLimit goes further
    sim::SceneSpec scene = Scene({{.name = "Ball"}}, {0, 0, 0, 0, 0}, {{0}, {1}, {2}, {3}, {4}});
    scene.objectCount = 3;
    scene.objectLimit = 4;
    sim::SimHost sim(scene);
    EXPECT_EQ(Condition(sim, CondAbove, sim.FixedValue(3), sim.FixedValue(0)), 1);
    EXPECT_EQ(Condition(sim, CondAbove, sim.FixedValue(4), sim.FixedValue(0)), 0);
    EXPECT_EQ(Condition(sim, CondBelow, sim.FixedValue(0), sim.FixedValue(4)), 0);
  }
  {  // objectCount 0 examines slot 0 alone
    sim::SceneSpec scene = Scene({{.name = "Ball"}}, {0, 0}, {{1}, {0}});
    scene.objectCount = 0;
    sim::SimHost sim(scene);
    EXPECT_EQ(Condition(sim, CondAbove, sim.FixedValue(0), sim.FixedValue(1)), 0);
  }
  {  // levels on both sides of 0x8000 compare as unsigned numbers
    sim::SceneSpec scene = Scene({{.name = "Ball"}}, {0, 0}, {{0}, {1}});
    scene.firstLevel = 0x7FFF;
    sim::SimHost sim(scene);
    EXPECT_EQ(Condition(sim, CondAbove, sim.FixedValue(1), sim.FixedValue(0)), 1);
    EXPECT_EQ(Condition(sim, CondBelow, sim.FixedValue(0), sim.FixedValue(1)), 1);
  }
}

TEST(Between, FetchesThreeValuesAndTestsStrictlyInEitherOrder) {
  // Slot i at level i + 1; slot 6 has no node; objectCount leaves slot 7 out.
  sim::SceneSpec scene =
      Scene({{.name = "Ball"}}, {0, 0, 0, 0, 0, 0, 0, 0}, {{0}, {1}, {2}, {3}, {4}, {5}, {7}});
  scene.objectCount = 6;
  scene.storedFixedValue = 65536 + 3;
  sim::SimHost sim(scene);
  const std::int32_t level2 = sim.FixedValue(1), level4 = sim.FixedValue(3),
                     level6 = sim.FixedValue(5);

  EXPECT_EQ(Between(sim, level4, level6, level2), 1);
  ExpectThreeNextParameterCalls(sim);
  EXPECT_EQ(Between(sim, level4, level2, level6), 1);
  EXPECT_EQ(Between(sim, 0, level2, level6), 1);
  EXPECT_EQ(Between(sim, level6, level2, level4), 0);
  // Strict: an end naming the object itself, or both ends one object.
  EXPECT_EQ(Between(sim, level4, level4, level6), 0);
  EXPECT_EQ(Between(sim, level4, level2, 0), 0);
  EXPECT_EQ(Between(sim, level4, level6, level6), 0);
  // Missing objects and objects without a node.
  EXPECT_EQ(Between(sim, level4, 0x7777, level2), 0);
  EXPECT_EQ(Between(sim, 0x7777, level6, level2), 0);
  EXPECT_EQ(Between(sim, sim.FixedValue(6), level6, level2), 0);
  EXPECT_EQ(Between(sim, level4, sim.FixedValue(6), level2), 0);
  // Slot 7 (level 7) lies beyond objectCount.
  EXPECT_EQ(Between(sim, level4, sim.FixedValue(7), level2), 0);
  // All 32 bits are compared: the same number with another creation count.
  EXPECT_EQ(Between(sim, level4, level2, level6 + 0x10000), 0);
}

TEST(ObjectAtBackAndFront, NarrowTheSelectionInWalkOrder) {
  const std::uint16_t now = 7;
  {  // a current selection of three of which only the second is at the back
    sim::SceneSpec scene =
        Scene({{.name = "Ball", .selected = {1, 2, 3}, .selectionCurrent = true}}, {0, 0, 0, 0},
              {{2}, {1}, {3}, {0}});
    sim::SimHost sim(scene);
    EXPECT_EQ(Condition(sim, CondObjectAtBack, sim.ObjectParamWord(0), kGarbage), 1);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{2, 1, now}));
    EXPECT_EQ(LinkOf(sim, 2), kEnd);
    EXPECT_EQ(LinkOf(sim, 1), 2);  // links of instances that failed stay
    // The front object (slot 0) is not in the narrowed selection.
    EXPECT_EQ(Condition(sim, CondObjectAtFront, sim.ObjectParamWord(0)), 0);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{-1, 0, now}));
    // The empty current selection is no instance in scope: nothing is written.
    sim.Type(0).selectedCount = 4;
    EXPECT_EQ(Condition(sim, CondObjectAtBack, sim.ObjectParamWord(0)), 0);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{-1, 4, now}));
  }
  {  // stale selection: the whole type is walked; nothing passes
    sim::SceneSpec scene = Scene({{.name = "Ball", .selected = {1}}, {.name = "Wall"}},
                                 {0, 0, 0, 0, 1}, {{4}, {0}, {1}, {2}, {3}});
    sim::SimHost sim(scene);
    EXPECT_EQ(Condition(sim, CondObjectAtBack, sim.ObjectParamWord(0)), 0);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{-1, 0, now - 1}));
    // Still stale, so the next test walks every Ball again.
    EXPECT_EQ(Condition(sim, CondObjectAtFront, sim.ObjectParamWord(0)), 1);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{3, 1, now}));
    EXPECT_EQ(LinkOf(sim, 3), kEnd);
    EXPECT_EQ(SelectionOf(sim, 1), (Selection{-1, 0, now - 1}));  // other types untouched
  }
  {  // the uncounted back-most node is still at the back
    sim::SimHost sim(Scene({{.name = "Ball"}}, {0, 0}, {{1, host::kUncounted}, {0}}));
    EXPECT_EQ(Condition(sim, CondObjectAtBack, sim.ObjectParamWord(0)), 1);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{1, 1, now}));
  }
  {  // a type without objects and no current selection: nothing written
    sim::SceneSpec scene =
        Scene({{.name = "Ball", .firstSelected = 5, .selectedCount = 3, .selectionStamp = 2},
               {.name = "Wall"}},
              {1}, {{0}});
    sim::SimHost sim(scene);
    EXPECT_EQ(Condition(sim, CondObjectAtBack, sim.ObjectParamWord(0)), 0);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{5, 3, 2}));
  }
  {  // a current selection with count 0 runs no test but is written
    sim::SceneSpec scene =
        Scene({{.name = "Ball", .selected = {0}, .selectionCurrent = true, .selectedCount = 0}},
              {0}, {{0}});
    sim::SimHost sim(scene);
    EXPECT_EQ(Condition(sim, CondObjectAtBack, sim.ObjectParamWord(0)), 0);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{-1, 0, now}));
  }
  {  // a candidate whose fixed value is 0 stands for the stored one
    sim::SceneSpec scene = Scene({{.name = "Ball"}, {.name = "Wall"}}, {0, 1}, {{1}, {0}});
    scene.objects[0].creationCount = 0;
    scene.storedFixedValue = 65536 + 1;
    sim::SimHost sim(scene);
    ASSERT_EQ(sim.FixedValue(0), 0);
    EXPECT_EQ(Condition(sim, CondObjectAtBack, sim.ObjectParamWord(0)), 1);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{0, 1, now}));
    EXPECT_EQ(Condition(sim, CondObjectAtFront, sim.ObjectParamWord(0)), 0);
  }
}

TEST(ObjectAboveAndBelow, TestEachCandidateAgainstAllOfB) {
  const std::uint16_t now = 7;
  {  // stale: four Balls, the first and the fourth above the Wall
    sim::SimHost sim(
        Scene({{.name = "Ball"}, {.name = "Wall"}}, {0, 0, 0, 0, 1}, {{1}, {2}, {4}, {0}, {3}}));
    EXPECT_EQ(Condition(sim, CondObjectAbove, sim.ObjectParamWord(0), sim.ObjectParamWord(1)), 1);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{0, 2, now}));
    EXPECT_EQ(LinkOf(sim, 0), 3);
    EXPECT_EQ(LinkOf(sim, 3), kEnd);
    EXPECT_EQ(LinkOf(sim, 1), -1);
    EXPECT_EQ(LinkOf(sim, 2), -1);
    EXPECT_EQ(SelectionOf(sim, 1), (Selection{-1, 0, now - 1}));  // B never written
    // Below now starts from the current selection {0, 3}: neither lies below.
    EXPECT_EQ(Condition(sim, CondObjectBelow, sim.ObjectParamWord(0), sim.ObjectParamWord(1)), 0);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{-1, 0, now}));
  }
  {  // the Ball lies above only the last Wall of B's chain
    sim::SceneSpec scene =
        Scene({{.name = "Ball"}, {.name = "Wall"}}, {0, 1, 1, 1}, {{3}, {0}, {1}, {2}});
    sim::SimHost sim(scene);
    EXPECT_EQ(Condition(sim, CondObjectAbove, sim.ObjectParamWord(0), sim.ObjectParamWord(1)), 1);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{0, 1, now}));
    EXPECT_EQ(Condition(sim, CondObjectBelow, sim.ObjectParamWord(0), sim.ObjectParamWord(1)), 1);
  }
  {  // B's chain is cut at its count: the last Wall is linked but not counted
    sim::SceneSpec scene = Scene(
        {{.name = "Ball"},
         {.name = "Wall", .selected = {1, 2, 3}, .selectionCurrent = true, .selectedCount = 2}},
        {0, 1, 1, 1}, {{3}, {0}, {1}, {2}});
    sim::SimHost sim(scene);
    EXPECT_EQ(Condition(sim, CondObjectAbove, sim.ObjectParamWord(0), sim.ObjectParamWord(1)), 0);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{-1, 0, now - 1}));
  }
  {  // A's chain is cut at its count: two tests for a selection of two
    sim::SceneSpec scene = Scene(
        {{.name = "Ball", .selected = {0, 1, 2}, .selectionCurrent = true, .selectedCount = 2},
         {.name = "Wall"}},
        {0, 0, 0, 1}, {{1}, {3}, {0}, {2}});
    sim::SimHost sim(scene);
    EXPECT_EQ(Condition(sim, CondObjectAbove, sim.ObjectParamWord(0), sim.ObjectParamWord(1)), 1);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{0, 1, now}));
    EXPECT_EQ(LinkOf(sim, 0), kEnd);
    EXPECT_EQ(LinkOf(sim, 1), 2);  // walked past, failed: untouched
  }
  {  // B with no instance in scope (an empty current selection): A untouched
    sim::SceneSpec scene =
        Scene({{.name = "Ball", .selected = {0, 1}, .selectionCurrent = true},
               {.name = "Wall", .firstSelected = -1, .selectedCount = 1, .selectionStamp = 7}},
              {0, 0, 1}, {{2}, {0}, {1}});
    sim::SimHost sim(scene);
    EXPECT_EQ(Condition(sim, CondObjectAbove, sim.ObjectParamWord(0), sim.ObjectParamWord(1)), 0);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{0, 2, now}));
    EXPECT_EQ(LinkOf(sim, 0), 1);
    EXPECT_EQ(LinkOf(sim, 1), kEnd);
  }
  {  // B's type has no objects at all: A untouched
    sim::SimHost sim(Scene({{.name = "Ball", .selected = {0}}, {.name = "Wall"}}, {0}, {{0}}));
    EXPECT_EQ(Condition(sim, CondObjectBelow, sim.ObjectParamWord(0), sim.ObjectParamWord(1)), 0);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{0, 1, now - 1}));
  }
}

TEST(ObjectAboveAndBelow, ObjectsBeyondObjectCountNeverPass) {
  const std::uint16_t now = 7;
  // Slots 0 and 4 are Balls, 1 a Wall, 5 a Wall; objectCount 3 leaves 4 and
  // 5 to the walk of the chains but out of the tests' scans.
  sim::SceneSpec scene = Scene({{.name = "Ball"}, {.name = "Wall"}, {.name = "Rock"}},
                               {0, 1, 2, 2, 0, 1}, {{1}, {0}, {4}, {5}});
  scene.objectCount = 3;
  scene.objectLimit = 5;
  sim::SimHost sim(scene);
  // Both Balls lie above the first Wall; only the one in slot 0 is found.
  EXPECT_EQ(Condition(sim, CondObjectAbove, sim.ObjectParamWord(0), sim.ObjectParamWord(1)), 1);
  EXPECT_EQ(SelectionOf(sim, 0), (Selection{0, 1, now}));
  // The Ball in slot 0 lies below only the Wall in slot 5.
  EXPECT_EQ(Condition(sim, CondObjectBelow, sim.ObjectParamWord(0), sim.ObjectParamWord(1)), 0);
  EXPECT_EQ(SelectionOf(sim, 0), (Selection{-1, 0, now}));
}

TEST(SharedType, PartnersAreTheSelectionAsItStoodAtEntry) {
  const std::uint16_t now = 7;
  // Chain order 0, 1, 2, 3; levels: slot 1 at 1, slot 3 at 2, slot 0 at 3,
  // slot 2 at 4. Slot 3 lies above slot 1 only, which fails itself and is
  // dropped from the chain by the time slot 3 is tested.
  for (const bool current : {true, false}) {
    sim::SceneSpec scene =
        Scene({{.name = "Ball", .selected = {0, 1, 2, 3}, .selectionCurrent = current}},
              {0, 0, 0, 0}, {{1}, {3}, {0}, {2}});
    sim::SimHost sim(scene);
    const std::int32_t ball = sim.ObjectParamWord(0);
    EXPECT_EQ(Condition(sim, CondObjectAbove, ball, ball), 1) << current;
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{0, 3, now})) << current;
    EXPECT_EQ(sim.SelectedChain(0), (std::vector<int>{0, 2, 3})) << current;
    EXPECT_EQ(LinkOf(sim, 3), kEnd);
    // Now the partners are {0, 2, 3}: slot 3 is above none of the others.
    EXPECT_EQ(Condition(sim, CondObjectAbove, ball, ball), 1) << current;
    EXPECT_EQ(sim.SelectedChain(0), (std::vector<int>{0, 2})) << current;
  }
}

TEST(ObjectBetween, TriesBothOrdersAndLeavesTheLastSelection) {
  const std::uint16_t now = 7;
  const std::uint16_t invalidated = host::kInvalidatedStamp;
  {  // first order: above the Wall and below the Rock
    sim::SceneSpec scene = Scene({{.name = "Ball", .selected = {0, 1}, .selectionCurrent = true},
                                  {.name = "Wall"},
                                  {.name = "Rock"}},
                                 {0, 0, 1, 2}, {{2}, {0}, {3}, {1}});
    sim::SimHost sim(scene);
    EXPECT_EQ(ObjectBetween(sim, 0, 1, 2), 1);
    ExpectThreeNextParameterCalls(sim);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{0, 1, now}));
    EXPECT_EQ(LinkOf(sim, 0), kEnd);
  }
  {  // second order only; slot 3 was not selected at entry and now is
    sim::SceneSpec scene = Scene({{.name = "Ball", .selected = {0, 1}, .selectionCurrent = true},
                                  {.name = "Wall"},
                                  {.name = "Rock"}},
                                 {0, 0, 1, 0, 2}, {{4}, {0}, {3}, {2}, {1}});
    sim::SimHost sim(scene);
    EXPECT_EQ(ObjectBetween(sim, 0, 1, 2), 1);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{0, 2, now}));
    EXPECT_EQ(sim.SelectedChain(0), (std::vector<int>{0, 3}));
    EXPECT_EQ(LinkOf(sim, 3), kEnd);
    EXPECT_EQ(SelectionOf(sim, 1).selectionStamp, now - 1);  // B and C untouched
  }
  {  // nowhere between: the last filter (above the Rock) left it empty and current
    sim::SceneSpec scene =
        Scene({{.name = "Ball"}, {.name = "Wall"}, {.name = "Rock"}}, {0, 1, 2}, {{0}, {1}, {2}});
    sim::SimHost sim(scene);
    EXPECT_EQ(ObjectBetween(sim, 0, 1, 2), 0);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{-1, 0, now}));
  }
  {  // the first pair narrows and then empties; the invalidated stamp stays
    sim::SceneSpec scene =
        Scene({{.name = "Ball"}, {.name = "Wall"}, {.name = "Rock"}}, {0, 1, 2}, {{2}, {1}, {0}});
    sim::SimHost sim(scene);
    EXPECT_EQ(ObjectBetween(sim, 0, 1, 2), 0);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{-1, 0, invalidated}));
  }
  {  // C without instances: the first pair narrows, then the selection is invalidated
    sim::SceneSpec scene = Scene({{.name = "Ball", .selected = {0}, .selectionCurrent = true},
                                  {.name = "Wall"},
                                  {.name = "Rock"}},
                                 {0, 1}, {{1}, {0}});
    sim::SimHost sim(scene);
    EXPECT_EQ(ObjectBetween(sim, 0, 1, 2), 0);
    // First pair: above the Wall passes; C fails. Second pair: below fails.
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{-1, 0, invalidated}));
  }
  {  // A and B one type: invalidating A's selection ends B's as well
    sim::SceneSpec scene =
        Scene({{.name = "Ball", .selected = {0, 1}, .selectionCurrent = true}, {.name = "Rock"}},
              {0, 0, 1}, {{2}, {0}, {1}});
    sim::SimHost sim(scene);
    // First order: slot 1 above slot 0, not below the Rock at the back; the
    // empty current selection is invalidated, so B is every Ball again.
    EXPECT_EQ(ObjectBetween(sim, 0, 0, 1), 1);
    EXPECT_EQ(SelectionOf(sim, 0), (Selection{0, 1, now}));
    EXPECT_EQ(LinkOf(sim, 0), kEnd);
  }
}

}  // namespace
}  // namespace tier::test
