// The host boundary: fixed values, the simulated address space's checks.
#include <gtest/gtest.h>

#include "host/records.h"
#include "simhost/sim_host.h"

namespace tier::test {
namespace {

using host::FixedValueOf;
using host::HostObject;

TEST(FixedValue, HoldsCreationCountHighAndNumberLow) {
  HostObject object{};
  object.number = 5;
  object.creationCount = 2;
  EXPECT_EQ(FixedValueOf(object), 0x00020005);
  // Both halves are signed 16-bit and the sum wraps in 32 bits.
  object.number = -1;
  object.creationCount = 0;
  EXPECT_EQ(FixedValueOf(object), -1);
  object.number = 0;
  object.creationCount = -32768;
  EXPECT_EQ(FixedValueOf(object), std::int32_t{-32768} * 65536);
  object.number = 32767;
  object.creationCount = 32767;
  EXPECT_EQ(FixedValueOf(object), 32767 * 65536 + 32767);
}

TEST(AddressSpaceDeathTest, AccessOutsideARecordFailsAtOnce) {
  sim::SceneSpec scene;
  scene.types = {{.name = "Ball"}};
  scene.objects = {{.slot = 0, .type = 0, .hasValues = false}};
  scene.order = {{0}};
  sim::SimHost sim(scene);
  const host::HostAddress node = sim.Node(0)->owner.address();
  // Reading a whole node at an object's address runs past the object record.
  EXPECT_DEATH(host::HostPtr<host::RunHeader>(node).get(), "outside the host's records");
  EXPECT_DEATH(host::HostPtr<int>(0x12345678).get(), "outside the host's records");
  std::int32_t value = 0;
  EXPECT_FALSE(host::ReadAlterableValue(*sim.Object(0), 0, value));
}

// A timing run hands the same text argument over and over: its record is
// taken again instead of filling the host's room. A text of another size
// gets a record of exactly its size, which a read past its end leaves.
TEST(SimHost, RepeatedExpressionTextsStayInBoundedRoom) {
  sim::SimHost sim(sim::SceneSpec{});
  for (int call = 0; call < 200000; ++call) sim.SetExpressionText("ghost");
  sim.SetExpressionText("ball");
  EXPECT_TRUE(sim.space().IsInsideBlock(sim.ExpressionArgument(), 5));
  EXPECT_FALSE(sim.space().IsInsideBlock(sim.ExpressionArgument(), 6));
}

}  // namespace
}  // namespace tier::test
