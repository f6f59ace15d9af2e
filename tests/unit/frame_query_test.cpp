// Finding objects by fixed value, one at a time and many in one sweep: the
// lowest slot wins, the bound is inclusive, and a negative bound finds nothing.
#include "frame/frame_query.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "simhost/sim_host.h"

namespace tier::test {
namespace {

// Objects in slots 1, 3, 4 and 6; slot 6 is numbered 3, so it shares slot
// 3's fixed value; slot 0 is free.
sim::SceneSpec Scene() {
  sim::SceneSpec scene;
  scene.types = {{.name = "Ball"}};
  for (int slot : {1, 3, 4, 6}) scene.objects.push_back({.slot = slot, .creationCount = 2});
  scene.objects.back().number = 3;
  scene.objectCount = 9;  // the table holds slots 0..9
  return scene;
}

TEST(FrameQuery, OneValueAtATimeAndManyInOneSweepAgree) {
  sim::SimHost sim(Scene());
  const host::RunHeader& header = sim.runHeader();
  const std::int32_t fv3 = sim.FixedValue(3), fv4 = sim.FixedValue(4), fv1 = sim.FixedValue(1);
  const std::int32_t missing = 0x00050005, notWanted = 0x00020002;

  // Room for every value; for fewer than were wanted (the rest are left to
  // scans); for none.
  for (const std::int32_t capacity : {4, 2, 0}) {
    for (const std::int32_t lastSlot : {-1, 0, 2, 3, 4, 6, 9}) {
      frame::WantedFixedValues table(capacity);
      for (const std::int32_t value : {fv4, fv3, missing, fv3, fv1}) table.Want(value);
      table.Sweep(header, lastSlot);
      for (const std::int32_t value : {fv1, fv3, fv4, missing, notWanted}) {
        EXPECT_EQ(table.Find(header, value),
                  frame::LowestSlotObjectWithFixedValue(header, lastSlot, value))
            << "capacity " << capacity << ", lastSlot " << lastSlot << ", value " << value;
      }
    }
  }
  // The lower of two slots with one fixed value wins, the bound inclusive.
  EXPECT_EQ(frame::LowestSlotObjectWithFixedValue(header, 6, fv3), sim.Object(3));
  EXPECT_EQ(frame::LowestSlotObjectWithFixedValue(header, 4, fv4), sim.Object(4));
  EXPECT_EQ(frame::LowestSlotObjectWithFixedValue(header, 3, fv4), nullptr);
}

// The index of many lookups answers as a scan would, for every value and for
// every object from its own slot: where a slot is alone in its bucket, where
// two share one (slot 6 numbered like slot 3, slot 12 numbered 17, which
// folds onto slot 1's bucket of sixteen), beyond the bound, and with no slot
// in bounds.
TEST(FrameQuery, TheIndexAnswersAsAScanForValuesAndForObjectsInTheirSlots) {
  sim::SceneSpec scene = Scene();
  scene.objects.push_back({.slot = 12, .creationCount = 2, .number = 17});
  scene.objects.push_back({.slot = 14, .creationCount = 5});
  scene.objectCount = 15;
  sim::SimHost sim(scene);
  const host::RunHeader& header = sim.runHeader();
  const std::vector<int> slots = {1, 3, 4, 6, 12, 14};
  std::vector<std::int32_t> values = {0x00050005, 0x00020000, 0x00030011};  // none of them held
  for (const int slot : slots) values.push_back(sim.FixedValue(slot));

  for (const std::int32_t lastSlot : {-1, 0, 2, 3, 6, 12, 13, 15}) {
    // Objects asked about in slot order, as a walk meets them, and out of it.
    for (const bool inOrder : {true, false}) {
      frame::FixedValueIndex index(header, lastSlot);
      std::vector<int> asked = slots;
      if (!inOrder) std::reverse(asked.begin(), asked.end());
      for (const int slot : asked) {
        EXPECT_EQ(index.LowestSlotObjectLike(*sim.Object(slot), slot),
                  frame::LowestSlotObjectWithFixedValue(header, lastSlot, sim.FixedValue(slot)))
            << "lastSlot " << lastSlot << ", the object in slot " << slot;
      }
      for (const std::int32_t value : values) {
        EXPECT_EQ(index.Find(value), frame::LowestSlotObjectWithFixedValue(header, lastSlot, value))
            << "lastSlot " << lastSlot << ", value " << value;
      }
    }
  }
}

TEST(FrameQuery, ZeroStandsForTheStoredValueWhateverItHolds) {
  sim::SimHost sim(Scene());
  host::RunData& runData = sim.runData();
  runData.storedFixedValue = 0;
  EXPECT_EQ(frame::FixedValueMeant(runData, 0), 0);
  runData.storedFixedValue = -5;
  EXPECT_EQ(frame::FixedValueMeant(runData, 0), -5);
  EXPECT_EQ(frame::FixedValueMeant(runData, 7), 7);
}

}  // namespace
}  // namespace tier::test
