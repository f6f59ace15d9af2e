// The reference model against worked examples of the routines, so that
// a disagreement found by the fuzzer can be trusted to point at the plug-in.
#include "model/model.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "model/reason.h"
#include "plugin/catalogue.h"

namespace tier::model {
namespace {

// Objects in slots 0..n-1 of type 0 ("Obj"), node i owned by slot i, levels
// from `firstLevel`; flags per node.
Frame Line(int n, std::vector<std::uint8_t> flags = {}, std::uint16_t firstLevel = 1) {
  Frame f;
  f.types.push_back({.name = "Obj",
                     .firstObject = static_cast<std::int16_t>(n > 0 ? 0 : -1),
                     .typeObjectCount = static_cast<std::int16_t>(n),
                     .selectionStamp = 1});
  f.eventCount = 7;
  f.slots.resize(static_cast<std::size_t>(std::max(n, 1)));
  for (int i = 0; i < n; ++i) {
    Object& o = f.slots[i];
    o.present = true;
    o.number = static_cast<std::int16_t>(i);
    o.creationCount = 1;
    o.nextOfType = static_cast<std::int16_t>(i + 1 < n ? i + 1 : -1);
    o.hasDisplayBlock = true;
    o.node = i;
    const std::uint8_t flag = i < static_cast<int>(flags.size()) ? flags[i] : 0;
    f.nodes.push_back({i, flag});
    f.order.push_back(i);
    f.levelAt.push_back(static_cast<std::uint16_t>(firstLevel + i));
    o.displayLevel = static_cast<std::uint16_t>(firstLevel + i);
  }
  f.objectCount = static_cast<std::uint16_t>(std::max(n - 1, 0));
  f.objectLimit = static_cast<std::int16_t>(std::max(n - 1, 0));
  return f;
}

std::int32_t Fv(int slot) { return slot + 65536; }

Call ActionCall(int code, std::int32_t first = 0, std::int32_t second = 0) {
  return {.kind = Kind::Action, .code = code, .first = first, .second = second};
}

TEST(ModelSort, FollowsTheProcedureForEqualAndDistinctKeys) {
  // Up to 16 records: stable.
  EXPECT_EQ(SortOrder({5, 5, 1, 5}, true), (std::vector<int>{0, 1, 3, 2}));
  // 17 to 32 equal keys come out reversed; 33 in the order the procedure fixes.
  std::vector<int> reversed17;
  for (int i = 16; i >= 0; --i) reversed17.push_back(i);
  EXPECT_EQ(SortOrder(std::vector<std::int32_t>(17, 3), false), reversed17);
  std::vector<int> expected33;
  for (int i = 32; i >= 17; --i) expected33.push_back(i);
  for (int i = 0; i <= 16; ++i) expected33.push_back(i);
  EXPECT_EQ(SortOrder(std::vector<std::int32_t>(33, 3), true), expected33);
  // Distinct keys of any length come out in key order.
  std::vector<std::int32_t> keys;
  for (int i = 0; i < 70; ++i) keys.push_back((i * 37) % 71 - 30);
  const std::vector<int> order = SortOrder(keys, false);
  for (std::size_t i = 1; i < order.size(); ++i) EXPECT_LT(keys[order[i - 1]], keys[order[i]]);
}

TEST(ModelSort, ValueSortUsesDefaultsAndRenumbersFromTheOldHead) {
  Frame f = Line(4, {0, kUncounted, 0, kNoRefresh}, 5);
  f.slots[1].hasValues = true;
  f.slots[1].values[2] = 70;
  f.slots[2].hasValues = true;
  f.slots[2].values[2] = -80;
  f.slots[3].hasValues = true;
  f.slots[3].values[2] = 90;
  f.slots[1].displayLevel = 999;  // uncounted: only the sort writes it
  Call call = ActionCall(26, 0, 55);
  call.valueIndex = 2;
  const Outcome out = model::Run(f, call);
  EXPECT_EQ(f.order, (std::vector<int>{3, 1, 0, 2}));  // 90, 70, 55 (default), -80
  EXPECT_EQ(f.levelAt, (std::vector<std::uint16_t>{5, 6, 7, 8}));
  EXPECT_EQ(f.slots[1].displayLevel, 6);
  EXPECT_EQ(out.refreshed, (std::vector<int>{1, 0, 2}));  // node 3 has noRefresh
  call.valueIndex = 26;  // outside the block: every object sorts by the default
  model::Run(f, call);
  EXPECT_EQ(f.order, (std::vector<int>{3, 1, 0, 2}));
}

// Records the model cannot run come back as a value naming why, from deep
// inside a walk as from a move, and the rest of the outcome is not trusted.
TEST(ModelRecords, ThoseItCannotRunSayWhyInTheOutcome) {
  Frame f = Line(3);
  f.order.pop_back();  // slot 2's node is no longer in the list
  f.levelAt.pop_back();
  const Outcome moved =
      model::Run(f, ActionCall(static_cast<int>(plugin::ActionCode::BringToFront), Fv(2)));
  EXPECT_EQ(moved.unmodelled, "a node outside the list");

  f = Line(3);
  f.slots[1].nextOfType = 5;  // past the table
  const Outcome tested = model::Run(
      f,
      {.kind = Kind::Condition, .code = static_cast<int>(plugin::ConditionCode::CondObjectAtBack)});
  EXPECT_EQ(tested.unmodelled, "a chain names a free slot");
  f = Line(3);
  EXPECT_FALSE(model::Run(f, ActionCall(static_cast<int>(plugin::ActionCode::BringToFront), Fv(2)))
                   .unmodelled);
}

TEST(ModelOrder, StepsRefreshBothNodesOfEachSwapAndJumpsOnlyTheMover) {
  Frame f = Line(4);
  EXPECT_EQ(model::Run(f, ActionCall(8)).refreshed, (std::vector<int>{0, 3, 1, 2}));
  EXPECT_EQ(f.order, (std::vector<int>{3, 2, 1, 0}));
  EXPECT_EQ(f.slots[3].displayLevel, 1);

  f = Line(1);
  EXPECT_EQ(model::Run(f, ActionCall(8)).refreshed, (std::vector<int>{0, 0}));

  f = Line(5);
  // Forward 5 from two places behind the front: two swaps, both nodes refreshed.
  EXPECT_EQ(model::Run(f, ActionCall(7, Fv(2), 5)).refreshed, (std::vector<int>{2, 3, 2, 4}));
  EXPECT_EQ(f.order, (std::vector<int>{0, 1, 3, 4, 2}));
  // To the front when already there: refreshed once, nothing moves.
  EXPECT_EQ(model::Run(f, ActionCall(4, Fv(2))).refreshed, (std::vector<int>{2}));
  // Move to level 1: a jump, only the mover refreshed; its old neighbours shift.
  EXPECT_EQ(model::Run(f, ActionCall(11, Fv(4), 1)).refreshed, (std::vector<int>{4}));
  EXPECT_EQ(f.order, (std::vector<int>{4, 0, 1, 3, 2}));
  EXPECT_EQ(f.levelAt, (std::vector<std::uint16_t>{1, 2, 3, 4, 5}));
  EXPECT_TRUE(model::Run(f, ActionCall(11, Fv(4), 6)).refreshed.empty());
  // Swap with itself: nothing moves, refreshed twice.
  EXPECT_EQ(model::Run(f, ActionCall(2, Fv(1), Fv(1))).refreshed, (std::vector<int>{1, 1}));
}

TEST(ModelExpressions, UncountedNodesHandTheirLevelOnAndDescriptionsClampTheirRange) {
  Frame f = Line(3, {kUncounted, 0, 0});  // U, A, B
  const auto expr = [&](int code, std::int32_t argument) {
    return model::Run(f, {.kind = Kind::Expression, .code = code, .integerArgument = argument});
  };
  EXPECT_EQ(expr(6, Fv(1)).result, 1);
  EXPECT_EQ(expr(7, 1).result, Fv(1));
  EXPECT_EQ(expr(7, 2).result, Fv(1));
  EXPECT_EQ(expr(7, 3).result, Fv(2));
  EXPECT_EQ(expr(7, 4).result, 0);
  EXPECT_EQ(*expr(4, 2).text, "Lvl\tName\tFV\n\n2\tObj\t65537\n3\tObj\t65538\n");
  EXPECT_EQ(*expr(4, -3).text, "Lvl\tName\tFV\n\n1\tObj\t65537\n2\tObj\t65538\n");
  EXPECT_EQ(*expr(3, INT32_MAX - 1).text, "Lvl\tName\tFV\n\n");

  f = Line(3, {0, kUncounted, 0});  // A, U, B
  EXPECT_EQ(expr(7, 2).result, Fv(2));
  EXPECT_EQ(expr(5, 0).result, 2);
  EXPECT_EQ(model::Run(f, {.kind = Kind::Expression, .code = 0, .textArgument = "oBJ"}).result,
            Fv(0));
  EXPECT_EQ(
      model::Run(f, {.kind = Kind::Expression, .code = 0, .textArgument = std::nullopt}).result, 0);
}

TEST(ModelConditions, FilterRebuildsTheSelectionInPlace) {
  Frame f = Line(4);
  // Current selection 3, 1, 0, of which only 3 (the front-most) passes.
  f.types[0].selectionStamp = f.eventCount;
  f.types[0].firstSelected = 3;
  f.types[0].selectedCount = 3;
  f.slots[3].nextSelected = 1;
  f.slots[1].nextSelected = 0;
  f.slots[0].nextSelected = kChainEnd;
  EXPECT_EQ(model::Run(f, {.kind = Kind::Condition, .code = 6, .typeA = 0}).result, 1);
  EXPECT_EQ(f.types[0].firstSelected, 3);
  EXPECT_EQ(f.types[0].selectedCount, 1);
  EXPECT_EQ(f.slots[3].nextSelected, kChainEnd);
  EXPECT_EQ(f.slots[1].nextSelected, 0);  // did not pass: left alone

  // A stale selection walks the whole type, against every instance of B.
  f = Line(4);
  EXPECT_EQ(model::Run(f, {.kind = Kind::Condition, .code = 7, .typeA = 0, .typeB = 0}).result, 1);
  EXPECT_EQ(f.types[0].selectedCount, 3);  // all but the back-most lie above some instance
  // Nothing passes from a stale selection: -1 and 0 written, stamp kept.
  f = Line(2);
  f.slots[0].creationCount = 0;  // fixed value 0 stands for the stored one
  f.storedFixedValue = 12345;
  EXPECT_EQ(model::Run(f, {.kind = Kind::Condition, .code = 5, .typeA = 0}).result, 0);
  EXPECT_EQ(f.types[0].firstSelected, -1);
  EXPECT_EQ(f.types[0].selectionStamp, 1);
}

std::vector<Phrase> Phrases(const std::vector<Clause>& clauses) {
  std::vector<Phrase> phrases;
  for (const Clause& clause : clauses) phrases.push_back(clause.phrase);
  return phrases;
}

Explanation Explained(Frame f, const Call& call, bool reversed = false) {
  Decisions decisions;
  EXPECT_FALSE(model::Run(f, call, &decisions).unmodelled);
  if (reversed) std::reverse(decisions.begin(), decisions.end());
  return Explain(call, decisions);
}

// The model settles which of its decisions explain a call that did nothing,
// in order and whatever order they were recorded in; a record short of one
// names it instead.
TEST(ModelReasons, ClausesFollowTheRoutinesPathAndAMissingDecisionIsNamed) {
  using enum plugin::ActionCode;
  const Frame line = Line(3);
  const Call back = ActionCall(static_cast<int>(SendToBack), Fv(0));
  EXPECT_EQ(Phrases(Explained(line, back).why), std::vector{Phrase::AlreadyAtEnd});
  const Call itself = {.kind = Kind::Condition,
                       .code = static_cast<int>(plugin::ConditionCode::CondAbove),
                       .first = Fv(1),
                       .second = Fv(1)};
  EXPECT_EQ(Phrases(Explained(line, itself, true).why), std::vector{Phrase::ComparedWithItself});

  // An object form with its selection current and empty acts on the holder
  // of the stored value, already at the level asked for: a note names it.
  Frame empty = line;
  empty.types[0].selectionStamp = empty.eventCount;
  empty.storedFixedValue = Fv(2);
  Call level = ActionCall(static_cast<int>(MoveToLevelByObject), 0, 3);
  for (const bool reversed : {false, true}) {
    const Explanation e = Explained(empty, level, reversed);
    EXPECT_EQ(Phrases(e.why), (std::vector{Phrase::NoneInScopeTakes, Phrase::AlreadyAtPosition}));
    EXPECT_EQ(Phrases(e.notes), std::vector{Phrase::NoteFellBackOn});
    EXPECT_EQ(e.named, std::vector{2});
  }
  EXPECT_STREQ(Explain(back, {}).missing, "ListLength");  // the first it needs
  EXPECT_TRUE(Explain(back, {}).why.empty());
}

}  // namespace
}  // namespace tier::model
