// The records compared around a call from a copy kept between calls: the
// host's own writes between calls are not the call's (found by comparing, or
// noted by its services), a write behind the copy's back is charged to the
// call, the call's writes are found as a full copy finds them wherever they
// fall, and what depends on the bytes alone is found again only once a byte
// changed.
#include "simhost/record_watch.h"

#include <gtest/gtest.h>

#include <random>

#include "host/records.h"
#include "hostlink/routine_call.h"
#include "plugin/catalogue.h"
#include "simhost/sim_host.h"
#include "testkit/plugin_under_test.h"

namespace tier::test {
namespace {

sim::SceneSpec Balls(int count) {
  sim::SceneSpec scene;
  scene.types = {{.name = "Ball"}};
  for (int slot = 0; slot < count; ++slot) {
    scene.objects.push_back({.slot = slot, .type = 0, .values = {slot}});
    scene.order.push_back({slot});
  }
  return scene;
}

std::vector<std::string> Messages(const std::vector<sim::AccessBreach>& breaches) {
  std::vector<std::string> messages;
  for (const sim::AccessBreach& breach : breaches) messages.push_back(breach.Message());
  return messages;
}

TEST(RecordWatch, ChargesACallWithItsOwnWritesAlone) {
  sim::SimHost sim(Balls(2));
  sim::RecordWatch& watch = sim.Watch();
  watch.Begin();
  EXPECT_TRUE(watch.End().empty());
  EXPECT_FALSE(watch.callChanged());
  EXPECT_FALSE(watch.unchangedSinceLastCall());  // nothing is known before the first call

  // The host's writes between calls, and a record it made, are its own.
  sim.Object(1)->x = 77;
  sim.ObjectParamWord(0);
  watch.Begin();
  EXPECT_TRUE(watch.End().empty());
  EXPECT_FALSE(watch.unchangedSinceLastCall());
  watch.Begin();
  EXPECT_TRUE(watch.End().empty());
  EXPECT_TRUE(watch.unchangedSinceLastCall());

  // A write of the call's own; a write of the same value changes nothing.
  watch.Begin();
  sim.Object(1)->y = 78;
  sim.Object(0)->x = sim.Object(0)->x;
  EXPECT_EQ(Messages(watch.End()),
            std::vector<std::string>{
                "wrote 1 byte at HostObject+0x42 (y), which the plug-in may only read"});
  EXPECT_TRUE(watch.callChanged());
  EXPECT_FALSE(watch.unchangedSinceLastCall());
}

TEST(RecordWatch, TakesTheHostsNotedWritesAndChargesAnyOtherToTheCall) {
  using HostWrites = sim::RecordWatch::HostWrites;
  sim::SimHost sim(Balls(2));
  sim::RecordWatch& watch = sim.Watch();
  sim.SetExpressionText("Ball");
  watch.Begin(HostWrites::kNoted);
  EXPECT_TRUE(watch.End().empty());

  // A text of the same size fills the last one's record again, through the
  // host's service: its write is the host's.
  sim.SetExpressionText("Bell");
  watch.Begin(HostWrites::kNoted);
  EXPECT_TRUE(watch.End().empty());
  EXPECT_FALSE(watch.unchangedSinceLastCall());
  sim.SetExpressionText("Bell");
  watch.Begin(HostWrites::kNoted);
  EXPECT_TRUE(watch.End().empty());
  EXPECT_TRUE(watch.unchangedSinceLastCall());

  // A write behind the copy's back, where the caller vouched for its notes:
  // the call is charged with it, loudly.
  sim.Object(1)->y = 78;
  watch.Begin(HostWrites::kNoted);
  EXPECT_EQ(Messages(watch.End()),
            std::vector<std::string>{
                "wrote 1 byte at HostObject+0x42 (y), which the plug-in may only read"});
  sim.Object(1)->y = 79;
  watch.Begin(HostWrites::kCompared);
  EXPECT_TRUE(watch.End().empty());
}

TEST(RecordWatch, ACallWhoseCallerBrokeItsWordFailsTheContract) {
  sim::SimHost sim(Balls(3));
  hostlink::RoutineCall call{.routine = &plugin::Row(plugin::ExpressionCode::GetLevelCount),
                             .options = {.hostWritesNoted = true}};
  const hostlink::CallOutcome first = hostlink::Invoke(testkit::Plugin(), sim, call);
  EXPECT_TRUE(first.contract.Kept());
  EXPECT_EQ(first.result, 3);

  sim.Object(2)->x = 5;  // not through the host's services
  const hostlink::CallOutcome second = hostlink::Invoke(testkit::Plugin(), sim, call);
  EXPECT_FALSE(second.contract.Kept());
  EXPECT_EQ(hostlink::DescribeBreaches(second.breaches),
            "wrote 1 byte at HostObject+0x3E (x), which the plug-in may only read\n");

  // A caller that does not vouch has the records compared before the call.
  sim.Object(2)->x = 6;
  call.options.hostWritesNoted = false;
  EXPECT_TRUE(hostlink::Invoke(testkit::Plugin(), sim, call).contract.Kept());
}

TEST(RecordWatch, FindsTheWritesOfALargeFrameAsAFullCopyDoes) {
  sim::SimHost sim(Balls(3000));
  sim::RecordWatch& watch = sim.Watch();
  const std::vector<sim::HostBlock>& blocks = sim.Blocks().blocks();
  const host::HostAddress first = blocks.front().start;
  const host::HostAddress end = blocks.back().start + blocks.back().size;
  std::mt19937 random(5);
  for (int call = 0; call < 20; ++call) {
    // The host writes between calls too, never charged to the next one.
    *static_cast<std::uint8_t*>(sim.space().Pointer(first + random() % (end - first), 1)) ^= 0x5A;
    watch.Begin();
    const sim::RecordSnapshot copy(sim);
    for (int write = 0; write < call; ++write) {
      const host::HostAddress at = first + random() % (end - first);
      *static_cast<std::uint8_t*>(sim.space().Pointer(at, 1)) += 1 + random() % 255;
    }
    EXPECT_EQ(Messages(watch.End()), Messages(copy.ForbiddenWrites())) << "call " << call;
  }
}

TEST(RecordWatch, PutsBackTheRecordsAsTheCallFoundThemForAWhile) {
  sim::SimHost sim(Balls(2));
  sim::RecordWatch& watch = sim.Watch();
  watch.Begin();
  sim.Node(0)->level = 9;
  watch.End();
  EXPECT_EQ(watch.AsFound([&sim] { return sim.Levels(); }), (std::vector<std::uint16_t>{1, 2}));
  EXPECT_EQ(sim.Levels(), (std::vector<std::uint16_t>{9, 2}));
}

TEST(RecordWatch, FindsTheInvariantsAgainOnceAByteChanged) {
  sim::SimHost sim(Balls(2));
  sim::RecordWatch& watch = sim.Watch();
  watch.Begin();
  watch.End();
  EXPECT_EQ(watch.Invariants(), "");
  // Broken by the host between calls, then mended by a call.
  sim.Node(0)->level = 5;
  watch.Begin();
  watch.End();
  EXPECT_NE(watch.Invariants(), "");
  watch.Begin();
  sim.Node(0)->level = 1;
  watch.End();
  EXPECT_EQ(watch.Invariants(), "");
}

}  // namespace
}  // namespace tier::test
