// The records as the host sees them at each service call of a call. A
// routine that ends in the right state with the right refreshes, but shows
// the host another half-done list at a refresh, must be told apart from the
// real one; the digests the differential fuzzer compares do that.
#include <gtest/gtest.h>

#include <vector>

#include "bridge/frame_records.h"
#include "hostlink/routine_call.h"
#include "model/model.h"
#include "order/primitives.h"
#include "plugin/catalogue.h"
#include "tests/tier_harness.h"

namespace tier::testkit::fuzz {
namespace {

using host::DisplayNode;

// Objects in slots 0..n-1 of one type, each with a display block, node i
// owned by slot i, levels 1..n.
model::Frame Line(int n) {
  model::Frame f;
  f.types.push_back({.name = "Obj",
                     .firstObject = 0,
                     .typeObjectCount = static_cast<std::int16_t>(n),
                     .selectionStamp = 1});
  f.eventCount = 7;
  f.slots.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    model::Object& o = f.slots[i];
    o.present = true;
    o.number = static_cast<std::int16_t>(i);
    o.creationCount = 1;
    o.nextOfType = static_cast<std::int16_t>(i + 1 < n ? i + 1 : -1);
    o.hasDisplayBlock = true;
    o.displayLevel = static_cast<std::uint16_t>(i + 1);
    o.node = i;
    f.nodes.push_back({i, 0});
    f.order.push_back(i);
    f.levelAt.push_back(static_cast<std::uint16_t>(i + 1));
  }
  f.objectCount = static_cast<std::uint16_t>(n - 1);
  f.objectLimit = static_cast<std::int16_t>(n - 1);
  return f;
}

constexpr int kObjects = 6;
constexpr int kMoving = 4;  // its fixed value: slot + 65536
constexpr int kSteps = 3;

// One action over the frame, through `act` on the host's side and the model
// on its own; the digests of both at every service call.
struct Seen {
  std::vector<std::uint64_t> plugin, model;
  bool sameEnd = false;
  bool sameRefreshes = false;
};

template <typename Act>
Seen Watch(model::Frame frame, const model::Call& call, Act act) {
  bridge::Layout layout(frame);
  sim::SimHost& sim = layout.sim();
  Seen seen;
  sim.SetServiceObserver([&] { seen.plugin.push_back(layout.RecordsDigest()); });
  act(sim);
  const model::Outcome want = model::Run(frame, call, nullptr, [&](const model::Frame& f) {
    seen.model.push_back(layout.FrameDigest(f));
  });
  seen.sameEnd = bridge::Expected(frame) == layout.Snapshot();
  std::vector<int> refreshed;
  for (const sim::RefreshCall& r : sim.Refreshes()) refreshed.push_back(layout.NodeId(r.node));
  seen.sameRefreshes = refreshed == want.refreshed;
  return seen;
}

// The action's call through the descriptor's tables.
Seen WatchThePlugin(model::Frame frame, const model::Call& call) {
  return Watch(std::move(frame), call, [&](sim::SimHost& sim) {
    hostlink::RoutineCall routineCall;
    routineCall.routine = plugin::RowOf(plugin::RoutineKind::Action, call.code);
    routineCall.parameters = {call.first, call.second, 0};
    const hostlink::CallOutcome outcome = hostlink::Invoke(test::Plugin(), sim, routineCall);
    EXPECT_FALSE(outcome.fault) << outcome.fault->message;
  });
}

// "Send %0 Back %1" over the frame.
template <typename Act>
Seen SendBackThree(Act act) {
  return Watch(Line(kObjects),
               {.kind = model::Kind::Action,
                .code = plugin::CodeOf(plugin::ActionCode::SendBackN),
                .first = kMoving + 65536,
                .second = kSteps},
               act);
}

TEST(MidCall, TheRoutineShowsTheHostWhatTheModelDoesAtEveryRefresh) {
  const Seen seen = SendBackThree([](sim::SimHost& sim) {
    hostlink::RoutineCall call;
    call.routine = &plugin::Row(plugin::ActionCode::SendBackN);
    call.parameters = {kMoving + 65536, kSteps, 0};
    const hostlink::CallOutcome outcome = hostlink::Invoke(test::Plugin(), sim, call);
    EXPECT_FALSE(outcome.fault) << outcome.fault->message;
  });
  EXPECT_TRUE(seen.sameEnd);
  EXPECT_TRUE(seen.sameRefreshes);
  EXPECT_EQ(seen.plugin.size(), 2u * kSteps);
  EXPECT_EQ(seen.plugin, seen.model);
}

// A planted fault: each step writes the passed node's mirror only after the
// moving node's refresh. The end, the refreshes and every written byte are
// the real routine's; only the host's view at a refresh differs.
TEST(MidCall, AMirrorWrittenAfterTheRefreshIsCaught) {
  const Seen seen = SendBackThree([](sim::SimHost& sim) {
    host::Frame& frame = *host::FrameOf(sim.runData());
    DisplayNode& moving = *sim.Node(kMoving);
    for (int step = 0; step < kSteps; ++step) {
      DisplayNode& passed = *moving.prev.get();
      std::uint16_t& mirror = host::DisplayBlockOf(*passed.owner.get())->displayLevel;
      const std::uint16_t before = mirror;
      order::SwapNodes(frame, moving, passed);
      mirror = before;
      order::RequestRefresh(frame, moving);
      order::MirrorLevel(passed);
      order::RequestRefresh(frame, passed);
    }
  });
  EXPECT_TRUE(seen.sameEnd);
  EXPECT_TRUE(seen.sameRefreshes);
  ASSERT_EQ(seen.plugin.size(), seen.model.size());
  EXPECT_NE(seen.plugin.front(), seen.model.front());
}

// Another: the whole walk first, then every refresh, as a faster path might.
TEST(MidCall, RefreshesGatheredAfterTheWalkAreCaught) {
  const Seen seen = SendBackThree([](sim::SimHost& sim) {
    host::Frame& frame = *host::FrameOf(sim.runData());
    DisplayNode& moving = *sim.Node(kMoving);
    std::vector<DisplayNode*> passed;
    for (int step = 0; step < kSteps; ++step) {
      passed.push_back(moving.prev.get());
      order::SwapNodes(frame, moving, *passed.back());
    }
    for (DisplayNode* node : passed) {
      order::RequestRefresh(frame, moving);
      order::RequestRefresh(frame, *node);
    }
  });
  EXPECT_TRUE(seen.sameEnd);
  EXPECT_TRUE(seen.sameRefreshes);
  EXPECT_NE(seen.plugin, seen.model);
  EXPECT_EQ(seen.plugin.back(), seen.model.back());  // the end is the same
}

// "Reverse all" exchanges its outermost pair through the general swap and
// every pair inward by writes of its own; each pair's refreshes must show the
// list as the swaps so far leave it, for an odd and an even count, with an
// uncounted node, a node that is not redrawn and a node without a display
// block among the pairs inward.
TEST(MidCall, ReverseAllShowsTheHostEachPairExchangedInTurn) {
  for (const int n : {7, 8}) {
    model::Frame frame = Line(n);
    frame.nodes[1].flags = host::kUncounted;
    frame.nodes[2].flags = host::kNoRefresh;
    frame.slots[n - 3].hasDisplayBlock = false;
    const Seen seen = WatchThePlugin(
        frame,
        {.kind = model::Kind::Action, .code = plugin::CodeOf(plugin::ActionCode::ReverseAll)});
    EXPECT_TRUE(seen.sameEnd) << n;
    EXPECT_TRUE(seen.sameRefreshes) << n;
    EXPECT_EQ(seen.plugin.size(), static_cast<std::size_t>(n / 2 * 2 - 1)) << n;
    EXPECT_EQ(seen.plugin, seen.model) << n;
  }
}

}  // namespace
}  // namespace tier::testkit::fuzz
