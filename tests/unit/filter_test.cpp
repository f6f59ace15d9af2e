// The selection filter called directly with a recording test: which pairs it
// tests, in what order, and how it stays bounded on chains the host should
// never hand over.
#include "conditions/filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "plugin/routines.h"
#include "simhost/sim_host.h"

namespace tier::test {
namespace {

using conditions::FilterSelection;
using host::ObjectParam;
using Pairs = std::vector<std::pair<std::int32_t, std::int32_t>>;

constexpr std::int16_t kEnd = host::kEndOfChain;

// Every call of the recording test, and the candidates it lets pass (against
// any partner).
Pairs g_calls;
std::vector<std::int32_t> g_passing;

std::int32_t Recording(host::RunData&, std::int32_t candidate, std::int32_t partner) {
  g_calls.emplace_back(candidate, partner);
  return std::count(g_passing.begin(), g_passing.end(), candidate) != 0 ? 1 : 0;
}

void Reset(std::vector<std::int32_t> passing = {}) {
  g_calls.clear();
  g_passing = std::move(passing);
}

// Objects in `slots`, of `types[i]`, creation count 1, none drawn.
sim::SceneSpec Scene(std::vector<sim::TypeSpec> types, const std::vector<int>& slots,
                     const std::vector<int>& objectTypes) {
  sim::SceneSpec scene;
  scene.types = std::move(types);
  for (std::size_t i = 0; i < slots.size(); ++i)
    scene.objects.push_back({.slot = slots[i], .type = objectTypes[i], .creationCount = 1});
  return scene;
}

const ObjectParam& Param(sim::SimHost& sim, int type) {
  return *host::HostPtr<ObjectParam>::FromWord(sim.ObjectParamWord(type)).get();
}

std::int32_t Filter(sim::SimHost& sim, int a, int b = -1) {
  const ObjectParam* partner = b >= 0 ? &Param(sim, b) : nullptr;
  return FilterSelection(sim.runData(), Param(sim, a), partner, &Recording);
}

TEST(FilterSelection, TestsEachCandidateAloneWithMinusOneUpToTheCount) {
  // Ten objects, a current selection of two: exactly two calls.
  sim::SceneSpec scene = Scene({{.name = "Ball", .selected = {7, 3}, .selectionCurrent = true}},
                               {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, std::vector<int>(10, 0));
  sim::SimHost sim(scene);
  Reset();
  EXPECT_EQ(Filter(sim, 0), 0);
  EXPECT_EQ(g_calls, (Pairs{{sim.FixedValue(7), -1}, {sim.FixedValue(3), -1}}));
  EXPECT_EQ(sim.Type(0).firstSelected, -1);
  EXPECT_EQ(sim.Type(0).selectedCount, 0);
  EXPECT_EQ(sim.Type(0).selectionStamp, 7);

  // A type chain that ends before typeObjectCount ends the walk there.
  sim::SceneSpec shortChain = Scene({{.name = "Ball", .typeObjectCount = 10}}, {0, 1}, {0, 0});
  sim::SimHost shortSim(shortChain);
  Reset({shortSim.FixedValue(1)});
  EXPECT_EQ(Filter(shortSim, 0), 1);
  EXPECT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(shortSim.Type(0).firstSelected, 1);
  EXPECT_EQ(shortSim.Type(0).selectedCount, 1);
  EXPECT_EQ(shortSim.Object(1)->nextSelected, kEnd);
}

TEST(FilterSelection, TestsEveryPartnerOfBForEveryCandidateInChainOrder) {
  // A: slots 0, 1, 2 (stale); B: a current selection 6 then 4.
  sim::SceneSpec scene =
      Scene({{.name = "Ball"}, {.name = "Wall", .selected = {6, 4}, .selectionCurrent = true}},
            {0, 1, 2, 4, 5, 6}, {0, 0, 0, 1, 1, 1});
  sim::SimHost sim(scene);
  const std::int32_t a0 = sim.FixedValue(0), a1 = sim.FixedValue(1), a2 = sim.FixedValue(2);
  const std::int32_t b4 = sim.FixedValue(4), b6 = sim.FixedValue(6);
  Reset({a0, a2});
  EXPECT_EQ(Filter(sim, 0, 1), 1);
  // A pass does not cut the partners short; each candidate starts from B's first.
  EXPECT_EQ(g_calls, (Pairs{{a0, b6}, {a0, b4}, {a1, b6}, {a1, b4}, {a2, b6}, {a2, b4}}));
  EXPECT_EQ(sim.SelectedChain(0), (std::vector<int>{0, 2}));
  EXPECT_EQ(sim.Object(2)->nextSelected, kEnd);

  // B's count below 1: every candidate fails untested, but A is written.
  sim.Type(1).selectedCount = 0;
  sim.Type(0).selectionStamp = 3;
  Reset({a0, a1, a2});
  EXPECT_EQ(Filter(sim, 0, 1), 0);
  EXPECT_TRUE(g_calls.empty());
  EXPECT_EQ(sim.Type(0).firstSelected, -1);
  EXPECT_EQ(sim.Type(0).selectedCount, 0);
  EXPECT_EQ(sim.Type(0).selectionStamp, 3);
}

TEST(FilterSelection, SharedTypeKeepsThePartnersOfTheSelectionAtEntry) {
  sim::SceneSpec scene =
      Scene({{.name = "Ball", .selected = {0, 1, 2, 3}, .selectionCurrent = true}}, {0, 1, 2, 3},
            {0, 0, 0, 0});
  sim::SimHost sim(scene);
  std::vector<std::int32_t> all;
  for (int slot = 0; slot < 4; ++slot) all.push_back(sim.FixedValue(slot));
  Reset({all[0], all[2]});
  const ObjectParam& ball = Param(sim, 0);
  EXPECT_EQ(FilterSelection(sim.runData(), ball, &ball, &Recording), 1);
  // Slot 0 is relinked to slot 2 before slot 3 is tested; slot 3 still meets
  // slot 1 as a partner.
  ASSERT_EQ(g_calls.size(), 16u);
  for (std::size_t i = 0; i < g_calls.size(); ++i) {
    EXPECT_EQ(g_calls[i].first, all[i / 4]) << i;
    EXPECT_EQ(g_calls[i].second, all[i % 4]) << i;
  }
  EXPECT_EQ(sim.SelectedChain(0), (std::vector<int>{0, 2}));
}

TEST(FilterSelection, BrokenChainsStayBoundedAndInsideTheTable) {
  // Slots 0, 1, 2 and 5 hold Balls, slots 3 and 4 are free; the table ends at 5.
  const sim::SceneSpec scene =
      Scene({{.name = "Ball", .selected = {1, 2}, .selectionCurrent = true}, {.name = "Wall"}},
            {0, 1, 2, 5}, {0, 0, 0, 1});
  {  // a cycle 1 -> 2 -> 1 with a count of five: five calls, a chain that ends
    sim::SimHost sim(scene);
    sim.Object(2)->nextSelected = 1;
    sim.Type(0).selectedCount = 5;
    Reset({sim.FixedValue(1), sim.FixedValue(2)});
    EXPECT_EQ(Filter(sim, 0), 1);
    EXPECT_EQ(g_calls.size(), 5u);
    EXPECT_EQ(sim.Type(0).firstSelected, 1);
    std::int16_t link = sim.Type(0).firstSelected;
    int steps = 0;
    while (link >= 0 && steps < 10) {
      link = sim.Object(link)->nextSelected;
      ++steps;
    }
    EXPECT_LT(link, 0);
  }
  {  // a cycle in B's chain is bounded by B's count as well
    sim::SimHost sim(scene);
    sim.Object(2)->nextSelected = 1;
    sim.Type(0).selectedCount = 3;
    Reset();
    EXPECT_EQ(Filter(sim, 1, 0), 0);
    EXPECT_EQ(g_calls.size(), 3u);
  }
  {  // a link to a free slot ends the walk: that slot's object is never read
    sim::SimHost sim(scene);
    sim.Object(1)->nextSelected = 3;
    sim.Type(0).selectedCount = 4;
    Reset({sim.FixedValue(1)});
    EXPECT_EQ(Filter(sim, 0), 1);
    EXPECT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(sim.Object(1)->nextSelected, kEnd);
  }
}

// The same result, selection fields and links of every object on two copies
// of one scene, one filtered through the fixed-value test and one through the
// routine that stands for it.
void ExpectSameSelections(const sim::SceneSpec& scene, std::int32_t want, std::int32_t got,
                          sim::SimHost& viaTest, sim::SimHost& viaStandIn,
                          const std::string& label) {
  EXPECT_EQ(got, want) << label;
  for (std::size_t t = 0; t < scene.types.size(); ++t) {
    const host::ObjectTypeEntry &x = viaTest.Type(static_cast<int>(t)),
                                &y = viaStandIn.Type(static_cast<int>(t));
    EXPECT_EQ(y.firstSelected, x.firstSelected) << label << ", type " << t;
    EXPECT_EQ(y.selectedCount, x.selectedCount) << label << ", type " << t;
    EXPECT_EQ(y.selectionStamp, x.selectionStamp) << label << ", type " << t;
  }
  for (const sim::ObjectSpec& o : scene.objects)
    EXPECT_EQ(viaStandIn.Object(o.slot)->nextSelected, viaTest.Object(o.slot)->nextSelected)
        << label << ", slot " << o.slot;
}

// FilterByLevel against the pairwise filter with the tests it stands for,
// where the one-pass lookup differs most from a scan per pair.
void ExpectSameAsPairwise(const sim::SceneSpec& scene, int a, int b, const char* what) {
  for (const bool above : {true, false}) {
    sim::SimHost pairwise(scene);
    const std::int32_t want =
        FilterSelection(pairwise.runData(), Param(pairwise, a), &Param(pairwise, b),
                        above ? &conditions::CondAbove : &conditions::CondBelow);
    sim::SimHost oneFilter(scene);
    const std::int32_t got = conditions::FilterByLevel(
        oneFilter.runData(), Param(oneFilter, a), Param(oneFilter, b),
        above ? conditions::PartnerLevel::kAboveSome : conditions::PartnerLevel::kBelowSome);
    ExpectSameSelections(scene, want, got, pairwise, oneFilter,
                         std::string(what) + (above ? " (above)" : " (below)"));
  }
}

// FilterByEnd against the filter with CondAtBack and CondAtFront as tests.
void ExpectSameAsEndTest(const sim::SceneSpec& scene, int a, const std::string& what) {
  for (const bool back : {true, false}) {
    sim::SimHost viaTest(scene);
    const std::int32_t want =
        FilterSelection(viaTest.runData(), Param(viaTest, a), nullptr,
                        back ? &conditions::CondAtBack : &conditions::CondAtFront);
    sim::SimHost viaEnd(scene);
    const std::int32_t got =
        conditions::FilterByEnd(viaEnd.runData(), Param(viaEnd, a),
                                back ? conditions::ListEnd::kBack : conditions::ListEnd::kFront);
    ExpectSameSelections(scene, want, got, viaTest, viaEnd, what + (back ? " (back)" : " (front)"));
  }
}

TEST(FilterByEnd, AgreesWithTheEndTestsWhereFixedValuesAreZero) {
  // Balls in slots 0..3, a Wall in slot 4; Ball 0 at the back, the Wall at
  // the front. Ball 0 has fixed value 0, and so, in some scenes, does the
  // back node's owner.
  sim::SceneSpec scene =
      Scene({{.name = "Ball"}, {.name = "Wall"}}, {0, 1, 2, 3, 4}, {0, 0, 0, 0, 1});
  scene.objects[0].creationCount = 0;
  scene.order = {{0}, {2}, {1}, {3}, {4}};
  const std::int32_t ball2 = 0x00010002;
  for (const std::int32_t stored : {0, ball2, 0x00010004, 0x7777}) {
    scene.storedFixedValue = stored;
    const std::string value = ", stored " + std::to_string(stored);
    ExpectSameAsEndTest(scene, 0, "Ball 0 at the back" + value);
    ExpectSameAsEndTest(scene, 1, "Walls" + value);

    sim::SceneSpec ball2AtBack = scene;
    std::swap(ball2AtBack.order[0], ball2AtBack.order[1]);
    ExpectSameAsEndTest(ball2AtBack, 0, "Ball 2 at the back" + value);

    sim::SceneSpec ownerless = scene;
    ownerless.order.front().slot = -1;
    ownerless.order.back().slot = -1;
    ExpectSameAsEndTest(ownerless, 0, "ends without owner" + value);

    sim::SceneSpec empty = scene;
    empty.order.clear();
    ExpectSameAsEndTest(empty, 0, "empty list" + value);

    sim::SceneSpec selected = scene;
    selected.types[0].selected = {3, 0};
    selected.types[0].selectionCurrent = true;
    ExpectSameAsEndTest(selected, 0, "selection of Balls 3 and 0" + value);
  }
}

TEST(FilterByLevel, AgreesWithThePairwiseTestsWhereLookupsAreUnusual) {
  // Balls in slots 0..5, Walls in 6..9, drawn in an interleaved order.
  sim::SceneSpec scene = Scene({{.name = "Ball"}, {.name = "Wall"}}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
                               {0, 0, 0, 0, 0, 0, 1, 1, 1, 1});
  scene.order = {{6}, {0}, {7}, {1}, {2}, {8}, {3}, {9}, {4}};  // slot 5 has no node
  ExpectSameAsPairwise(scene, 0, 1, "plain");
  ExpectSameAsPairwise(scene, 0, 0, "one type, stale");

  sim::SceneSpec shared = scene;
  shared.types[0].selected = {4, 1, 3, 0};
  shared.types[0].selectionCurrent = true;
  ExpectSameAsPairwise(shared, 0, 0, "one type, current: partners as at entry");

  // A Ball numbered like a lower Wall: the lookup finds the Wall's slot first.
  sim::SceneSpec duplicate = scene;
  duplicate.objects[3].number = 7;
  duplicate.objects[3].creationCount = 1;
  duplicate.objects[8].number = 7;  // a Wall in slot 8 with the fixed value of slot 7
  ExpectSameAsPairwise(duplicate, 0, 1, "duplicate fixed values");

  // Slot 0 with fixed value 0 looks up storedFixedValue instead, here a Wall's.
  sim::SceneSpec zero = scene;
  zero.objects[0].creationCount = 0;
  for (const std::int32_t stored : {0x00010008, 0x00010005, 0x7777, 0}) {
    zero.storedFixedValue = stored;
    ExpectSameAsPairwise(zero, 0, 1, "fixed value 0");
    ExpectSameAsPairwise(zero, 1, 0, "fixed value 0 as partner");
  }

  // objectCount below some instances: those are never found.
  sim::SceneSpec bounded = scene;
  bounded.objectCount = 7;
  ExpectSameAsPairwise(bounded, 0, 1, "objectCount 7");
  ExpectSameAsPairwise(bounded, 1, 0, "objectCount 7, Walls as A");
  bounded.objectCount = 0;
  ExpectSameAsPairwise(bounded, 0, 1, "objectCount 0");

  // Numbers that fold onto other slots' buckets (20 slots file in 32): the
  // Ball in slot 5 numbered 37 has slot 5's bucket to itself, the Wall in
  // slot 9 numbered 33 shares slot 1's.
  sim::SceneSpec folded = scene;
  folded.objects[5].number = 37;
  folded.objects[9].number = 33;
  for (int slot = 10; slot < 20; ++slot) folded.objects.push_back({.slot = slot, .type = slot % 2});
  for (int slot = 10; slot < 20; ++slot) folded.order.push_back({slot});
  ExpectSameAsPairwise(folded, 0, 1, "numbers folded together");
  ExpectSameAsPairwise(folded, 1, 0, "numbers folded together, Walls as A");

  // A selected chain that ends before its count.
  sim::SceneSpec cyclic = scene;
  cyclic.types[0].selected = {1, 2};
  cyclic.types[0].selectionCurrent = true;
  cyclic.types[0].selectedCount = 6;
  ExpectSameAsPairwise(cyclic, 0, 1, "selected chain of two, count six");
}

TEST(ObjectConditions, NullParameterWordsFailWithoutWriting) {
  sim::SceneSpec scene = Scene({{.name = "Ball", .selected = {0}}}, {0}, {0});
  scene.order = {{0}};
  sim::SimHost sim(scene);
  const std::int32_t ball = sim.ObjectParamWord(0);
  EXPECT_EQ(conditions::CondObjectAtBack(sim.runData(), 0, 0), 0);
  EXPECT_EQ(conditions::CondObjectAbove(sim.runData(), ball, 0), 0);
  EXPECT_EQ(conditions::CondObjectBelow(sim.runData(), 0, ball), 0);
  sim.QueueNextParameters({ball, 0, ball});
  EXPECT_EQ(conditions::CondObjectBetween(sim.runData(), 0, 0), 0);
  EXPECT_EQ(sim.NextParameterCalls().size(), 3u);
  EXPECT_EQ(sim.Type(0).firstSelected, 0);
  EXPECT_EQ(sim.Type(0).selectedCount, 1);
  EXPECT_EQ(sim.Type(0).selectionStamp, 6);
}

}  // namespace
}  // namespace tier::test
