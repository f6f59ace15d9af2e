// The host's contract byte by byte: which accesses of the plug-in the field
// map allows, how a breach is told, and the comparison after a call.
#include "simhost/field_check.h"

#include <gtest/gtest.h>

#include "host/records.h"
#include "simhost/sim_host.h"

namespace tier::test {
namespace {

using sim::AccessKind;
using sim::CheckAccess;

// Two objects of type "Ball": slot 0 with a display block and values, slot 1
// with neither.
sim::SceneSpec TwoBalls() {
  sim::SceneSpec scene;
  scene.types = {{.name = "Ball"}};
  scene.objects = {{.slot = 0, .type = 0, .values = {5}},
                   {.slot = 1, .type = 0, .hasValues = false, .hasDisplayBlock = false}};
  scene.order = {{0}, {1}};
  return scene;
}

template <typename Record>
host::HostAddress AddressOfField(const Record& record, std::size_t offset) {
  return host::AddressOf(&record) + static_cast<host::HostAddress>(offset);
}

std::string Breach(const sim::SimHost& sim, host::HostAddress address, std::uint32_t size,
                   AccessKind kind) {
  const std::optional<sim::AccessBreach> breach = CheckAccess(sim, address, size, kind);
  return breach ? breach->Message() : "";
}

TEST(FieldCheck, FieldsAllowWhatTheHostLetsThePluginDo) {
  sim::SimHost sim(TwoBalls());
  const host::RunData& data = sim.runData();
  const host::HostAddress runHeader = AddressOfField(data, offsetof(host::RunData, runHeader));
  EXPECT_EQ(Breach(sim, runHeader, 4, AccessKind::Read), "");
  EXPECT_EQ(Breach(sim, runHeader, 4, AccessKind::Write),
            "wrote 4 bytes at RunData+0x06 (runHeader), which the plug-in may only read");
  const host::HostAddress stored = AddressOfField(data, offsetof(host::RunData, storedFixedValue));
  EXPECT_EQ(Breach(sim, stored, 4, AccessKind::Write), "");

  // A byte of no field, and an access that runs from a field into one.
  const host::HostAddress header = sim.runData().runHeader.address();
  EXPECT_EQ(Breach(sim, header + 0x10, 4, AccessKind::Read),
            "read 4 bytes at RunHeader+0x010 (no field of ours), which belongs to the host alone");
  EXPECT_NE(Breach(sim, header + 0x30, 4, AccessKind::Read), "");  // objectCount is 2 bytes

  const host::HostObject& object = *sim.Object(0);
  EXPECT_EQ(Breach(sim, AddressOfField(object, offsetof(host::HostObject, nextSelected)), 2,
                   AccessKind::Write),
            "");
  const std::optional<sim::AccessBreach> x =
      CheckAccess(sim, AddressOfField(object, offsetof(host::HostObject, x)), 2, AccessKind::Write);
  ASSERT_TRUE(x);
  EXPECT_EQ(x->record, "HostObject");
  EXPECT_EQ(x->field, "x");

  // The second word of a slot is the host's.
  const host::HostAddress table = sim.runHeader().objectTable.address();
  EXPECT_EQ(Breach(sim, table + 8, 4, AccessKind::Read), "");
  EXPECT_EQ(Breach(sim, table + 12, 4, AccessKind::Read),
            "read 4 bytes at ObjectTable+0x0C (no field of ours), which belongs to the host alone");
}

TEST(FieldCheck, ConditionalRangesExistOnlyWhereTheHostMadeThem) {
  sim::SimHost sim(TwoBalls());
  const host::HostObject& withBlocks = *sim.Object(0);
  const host::HostAddress values = AddressOfField(withBlocks, withBlocks.valuesOffset);
  EXPECT_EQ(Breach(sim, values + 4 * 25, 4, AccessKind::Read), "");
  const std::optional<sim::AccessBreach> past =
      CheckAccess(sim, values + 4 * 26, 4, AccessKind::Read);
  ASSERT_TRUE(past);
  EXPECT_EQ(past->field, "alterable value 26");
  // An access over several values is checked value by value, up to the last.
  EXPECT_EQ(Breach(sim, values + 4 * 24, 8, AccessKind::Read), "");
  EXPECT_EQ(Breach(sim, values + 4 * 25 + 2, 8, AccessKind::Read),
            "read 8 bytes at HostObject+0x128 (alterable value 26, beyond the 26 the object "
            "holds), past the end of the block, which belongs to the host alone");
  EXPECT_NE(Breach(sim, values, 4, AccessKind::Write)
                .find("(alterable value 0), which the plug-in "
                      "may only read"),
            std::string::npos);

  // displayLevel is only written; without a display block it is no field.
  const host::HostAddress level = AddressOfField(
      withBlocks, withBlocks.displayBlockOffset + offsetof(host::DisplayBlock, displayLevel));
  EXPECT_EQ(Breach(sim, level, 2, AccessKind::Write), "");
  EXPECT_EQ(Breach(sim, level, 2, AccessKind::Read),
            "read 2 bytes at display block+0x08 (displayLevel), which the plug-in may only write");
  const host::HostObject& bare = *sim.Object(1);
  EXPECT_EQ(Breach(sim, AddressOfField(bare, offsetof(host::DisplayBlock, displayLevel)), 2,
                   AccessKind::Write),
            "wrote 2 bytes at HostObject+0x08 (displayLevel of a display block the object lacks "
            "(displayBlockOffset is 0)), which belongs to the host alone");

  // A type's name up to its terminator.
  const host::HostAddress name = AddressOfField(sim.Type(0), offsetof(host::ObjectTypeEntry, name));
  EXPECT_EQ(Breach(sim, name, 5, AccessKind::Read), "");  // "Ball" and its terminator
  EXPECT_NE(Breach(sim, name, 6, AccessKind::Read), "");
  EXPECT_NE(Breach(sim, name, 1, AccessKind::Write), "");
}

TEST(FieldCheck, AParameterRecordIsReadableWhileItsCallLasts) {
  sim::SimHost sim(TwoBalls());
  const auto earlier = static_cast<std::uint32_t>(sim.ObjectParamWord(0));
  const auto current = static_cast<std::uint32_t>(sim.ObjectParamWord(0));
  const host::HostAddress typeOffset = offsetof(host::ObjectParam, typeOffset);
  sim.OpenCall(current, 0);
  EXPECT_EQ(Breach(sim, current + typeOffset, 2, AccessKind::Read), "");
  EXPECT_EQ(Breach(sim, earlier + typeOffset, 2, AccessKind::Read),
            "read 2 bytes at ObjectParam+0x04 (typeOffset), a parameter record the host handed "
            "to another call");
  sim.CloseCall();
  EXPECT_EQ(Breach(sim, earlier + typeOffset, 2, AccessKind::Read), "");
  // Outside every block.
  EXPECT_EQ(Breach(sim, 0x12345678, 1, AccessKind::Read),
            "read 1 byte at 0x12345678, which lies in no block of the host");
}

TEST(RecordSnapshot, FindsEveryChangedByteOutsideTheWritableFields) {
  sim::SimHost sim(TwoBalls());
  const sim::RecordSnapshot before(sim);
  EXPECT_TRUE(before.ForbiddenWrites().empty());

  // Writable fields change freely.
  sim.Node(0)->level = 9;
  sim.Type(0).selectionStamp = 3;
  sim.runData().storedFixedValue = 42;
  EXPECT_TRUE(before.ForbiddenWrites().empty());

  sim.Object(1)->x = 77;
  sim.Object(1)->y = 78;
  sim.runHeader().eventCount = 0x0101;
  const std::vector<sim::AccessBreach> breaches = before.ForbiddenWrites();
  ASSERT_EQ(breaches.size(), 3u);
  EXPECT_EQ(breaches[0].Message(),
            "wrote 2 bytes at RunHeader+0x0FA (eventCount), which the plug-in may only read");
  EXPECT_EQ(breaches[1].Message(),
            "wrote 1 byte at HostObject+0x3E (x), which the plug-in may only read");
  EXPECT_EQ(breaches[2].field, "y");
}

}  // namespace
}  // namespace tier::test
