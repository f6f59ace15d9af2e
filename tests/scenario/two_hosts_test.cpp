// Two simulated hosts in one program: each routine call reaches the services,
// refreshes and records of the host it was made on, whichever host came last,
// and hosts may end in any order. In the emulator both hosts' records lie at
// the same addresses, so each call also shows that the shared memory follows
// the host in effect.
#include <gtest/gtest.h>

#include <memory>

#include "tests/tier_harness.h"

namespace tier::test {
namespace {

using plugin::ActionCode;
using plugin::ConditionCode;
using plugin::ExpressionCode;

hostlink::CallOutcome CallOn(sim::SimHost& sim, hostlink::RoutineCall call) {
  hostlink::CallOutcome outcome = hostlink::Invoke(Plugin(), sim, call);
  EXPECT_FALSE(outcome.fault) << outcome.fault->message;
  EXPECT_TRUE(outcome.breaches.empty()) << hostlink::DescribeBreaches(outcome.breaches);
  return outcome;
}

TEST(TwoHosts, EachCallReachesTheServicesAndRefreshesOfItsOwnHost) {
  sim::SimHost first(LineOfSprites(3));
  sim::SimHost second(LineOfSprites(4));  // in effect from here on

  hostlink::RoutineCall toFront{.routine = &plugin::Row(ActionCode::BringToFront)};
  toFront.parameters[0] = first.FixedValue(0);
  CallOn(first, toFront);
  EXPECT_EQ(first.Order(), (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(first.RefreshedSlots().empty(), false);
  EXPECT_EQ(second.Order(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_TRUE(second.Refreshes().empty());

  hostlink::RoutineCall between{.routine = &plugin::Row(ConditionCode::CondBetween)};
  between.parameters = {second.FixedValue(1), second.FixedValue(0), second.FixedValue(2)};
  EXPECT_EQ(CallOn(second, between).result, 1);
  EXPECT_EQ(second.NextParameterCalls().size(), 3u);
  EXPECT_TRUE(first.NextParameterCalls().empty());

  hostlink::RoutineCall level{.routine = &plugin::Row(ExpressionCode::GetLevel)};
  level.expressionArgument = first.FixedValue(0);
  EXPECT_EQ(CallOn(first, level).result, 3);
  EXPECT_EQ(first.ExpressionParameterCalls().size(), 1u);
  EXPECT_TRUE(second.ExpressionParameterCalls().empty());
  EXPECT_EQ(sim::SimHost::InEffect(), &second);
}

TEST(TwoHosts, EitherMayEndFirst) {
  auto first = std::make_unique<sim::SimHost>(LineOfSprites(2));
  auto second = std::make_unique<sim::SimHost>(LineOfSprites(3));
  first.reset();  // the covered host ends first
  EXPECT_EQ(sim::SimHost::InEffect(), second.get());

  auto third = std::make_unique<sim::SimHost>(LineOfSprites(2));
  second.reset();  // a host covered by a later one ends before it
  EXPECT_EQ(sim::SimHost::InEffect(), third.get());
  hostlink::RoutineCall toBack{.routine = &plugin::Row(ActionCode::SendToBack)};
  toBack.parameters[0] = third->FixedValue(1);
  CallOn(*third, toBack);
  EXPECT_EQ(third->Order(), (std::vector<int>{1, 0}));
  EXPECT_EQ(third->CheckInvariants(), "");
  third.reset();
  EXPECT_EQ(sim::SimHost::InEffect(), nullptr);
}

}  // namespace
}  // namespace tier::test
