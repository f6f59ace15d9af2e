// A reason that lies misleads an author more than no reason at all. The
// host program words what the reference model decided on the frame it reads
// from the host's records; on random frames (uncounted nodes, levels that
// wrap, stale and empty selections, bounds below and above the slots in use,
// eventCount 65535) that reading must be the model's own frame, a reason
// must come only when the call did nothing, and most calls that did nothing
// must get one.
#include "hostprog/call_reason.h"

#include <gtest/gtest.h>

#include <sstream>

#include "bridge/frame_records.h"
#include "hostprog/model_frame.h"
#include "hostprog/scene_steps.h"
#include "plugin/catalogue.h"
#include "testkit/fuzz/cases.h"

namespace tier::hostprog {
namespace {

// The model's call as a scene writes it.
SceneCall ToScene(const model::Call& c) {
  using plugin::RoutineKind;
  SceneCall call;
  const RoutineKind kind =
      c.kind == model::Kind::Condition ? RoutineKind::Condition : RoutineKind::Action;
  call.routine = plugin::FindRoutine(kind, static_cast<std::uint16_t>(c.code));
  const int types[] = {c.typeA, c.typeB, c.typeC};
  std::vector<std::int32_t> numbers = {c.first, c.second};
  if (call.routine == &plugin::Row(plugin::ConditionCode::CondBetween))
    numbers.assign(c.nextParameters.begin(), c.nextParameters.end());
  else if (kind == RoutineKind::Action && plugin::ParameterWord(*call.routine, 0) == "object")
    numbers = {c.second};
  std::size_t nextType = 0, nextNumber = 0;
  for (int i = 0; i < call.routine->parameterCount; ++i) {
    const std::string_view form = plugin::ParameterWord(*call.routine, i);
    CallArgument argument;
    if (form == "object") {
      argument.form = CallArgument::Form::kObject;
      argument.type = types[nextType++];
    } else if (form == "alterable value") {
      argument.form = CallArgument::Form::kAltValue;
      argument.value = c.valueIndex;
      numbers = {c.second};
      nextNumber = 0;
    } else {
      argument.value = numbers.at(nextNumber++);
    }
    call.arguments.push_back(argument);
  }
  return call;
}

bool SameTable(const model::Frame& a, const model::Frame& b) {
  if (a.order != b.order || a.levelAt != b.levelAt) return false;
  for (std::size_t slot = 0; slot < a.slots.size(); ++slot)
    if (a.slots[slot].displayLevel != b.slots[slot].displayLevel) return false;
  return true;
}

std::vector<int> TypeOfSlot(const model::Frame& f) {
  std::vector<int> types(f.slots.size(), -1);
  for (std::size_t slot = 0; slot < f.slots.size(); ++slot)
    if (f.slots[slot].present) types[slot] = f.slots[slot].type;
  return types;
}

TEST(CallReason, ReasonsComeOnlyWhenTheModelDidNothing) {
  int nothing = 0, explained = 0;
  std::vector<int> explainedByRoutine(plugin::kConditionCount + plugin::kActionCount, 0);
  for (std::uint64_t seed = 1; seed <= 1500; ++seed) {
    testkit::fuzz::SeededSource source(seed * 7919);
    const testkit::fuzz::FrameRecipe recipe = testkit::fuzz::MakeFrame(source);
    model::Frame frame = testkit::fuzz::ToModel(recipe);
    for (int i = 0; i < 10; ++i) {
      const testkit::fuzz::FuzzCall fuzzCall = testkit::fuzz::MakeCall(source, recipe, i % 2 == 0);
      const model::Call& call = fuzzCall.call;
      if (call.kind == model::Kind::Expression) continue;
      bridge::Layout layout(frame);
      const std::optional<model::Frame> read = ModelFrame(
          layout.sim(), CaptureFrame(layout.sim(), TypeOfSlot(frame), nullptr).selections);
      std::ostringstream where;
      where << "seed " << seed << ", call " << i << ": " << testkit::fuzz::Describe(fuzzCall)
            << "\n"
            << testkit::fuzz::Describe(recipe);
      // The host's records read back are the frame they were laid out from
      // (node ids by position, as a fresh frame numbers them).
      ASSERT_TRUE(read.has_value()) << where.str();
      if (i == 0) {
        ASSERT_EQ(bridge::Diff(bridge::Expected(frame), bridge::Expected(*read)), "");
      }

      model::Frame after = frame;
      const model::Outcome outcome = model::Run(after, call);
      const bool action = call.kind == model::Kind::Action;
      const bool didNothing = action ? SameTable(frame, after) : outcome.result == 0;
      // Asked whatever the outcome: the decisions alone must not claim that
      // a call which changed something did nothing.
      const CallAccount account = ReplayOnModel(*read, ToScene(call), true);
      where << "\nreason: " << (account.why ? account.why->text : "none");
      if (didNothing) {
        ++nothing;
        if (account.why) {
          ++explained;
          ++explainedByRoutine[action ? plugin::kConditionCount + call.code : call.code];
        }
      } else {
        // A sort may reorder equal keys that already stood in order.
        EXPECT_TRUE(!account.why || plugin::IsSort(*ToScene(call).routine)) << where.str();
      }
      if (account.why) {
        EXPECT_FALSE(account.why->text.empty()) << where.str();
        EXPECT_EQ(account.why->text.find('\n'), std::string::npos) << where.str();
        EXPECT_EQ(account.why->text.find("!!"), std::string::npos) << where.str();
      }
      // Every phrase the model chose has its words, one for each fact it gave.
      for (const std::string& note : account.notes)
        EXPECT_EQ(note.find("!!"), std::string::npos) << where.str() << "\nnote: " << note;
      frame = std::move(after);
      if (HasFailure()) return;
    }
  }
  std::printf("%d calls did nothing, %d with a reason\n", nothing, explained);
  // Most calls that did nothing get a reason, and every routine that can do
  // nothing has given one.
  EXPECT_GT(explained, nothing * 8 / 10);
  for (std::size_t routine = 0; routine < explainedByRoutine.size(); ++routine)
    EXPECT_GT(explainedByRoutine[routine], 0) << "routine " << routine;
}

bool SameAccount(const CallAccount& a, const CallAccount& b) {
  return a.notes == b.notes && a.named == b.named && a.why.has_value() == b.why.has_value() &&
         (!a.why || a.why->text == b.why->text);
}

// The wording looks each decision up by what it is: the record reversed
// words the same, and a record short of any one decision words the same
// (the wording did not need it) or fails naming the decision, never giving
// another reason or none.
TEST(CallReason, DecisionsAreFoundByWhatTheyAreAndAMissingOneFailsLoudly) {
  int reasons = 0;
  for (std::uint64_t seed = 1; seed <= 400; ++seed) {
    testkit::fuzz::SeededSource source(seed * 104729);
    const testkit::fuzz::FrameRecipe recipe = testkit::fuzz::MakeFrame(source);
    model::Frame frame = testkit::fuzz::ToModel(recipe);
    for (int i = 0; i < 10; ++i) {
      const model::Call call = testkit::fuzz::MakeCall(source, recipe, i % 2 == 0).call;
      model::Frame after = frame;
      model::Decisions decisions;
      if (model::Run(after, call, &decisions).unmodelled) break;
      if (call.kind == model::Kind::Expression) continue;
      const SceneCall scene = ToScene(call);
      const std::string where = "seed " + std::to_string(seed) + ", call " + std::to_string(i);
      const Result<CallAccount> whole = WordDecisions(frame, decisions, scene, true);
      ASSERT_TRUE(whole) << where << ": " << whole.error();
      const model::Decisions reversed(decisions.rbegin(), decisions.rend());
      const Result<CallAccount> backwards = WordDecisions(frame, reversed, scene, true);
      ASSERT_TRUE(backwards && SameAccount(*backwards, *whole)) << where;
      int failed = 0;
      for (std::size_t drop = 0; drop < decisions.size(); ++drop) {
        model::Decisions shorter = decisions;
        shorter.erase(shorter.begin() + static_cast<std::ptrdiff_t>(drop));
        const Result<CallAccount> account = WordDecisions(frame, shorter, scene, true);
        if (!account) {
          ++failed;
          EXPECT_NE(account.error().find("recorded no "), std::string::npos) << account.error();
        } else {
          EXPECT_TRUE(SameAccount(*account, *whole))
              << where << ", decision " << drop << " dropped";
        }
      }
      // A reason rests on at least one decision.
      if (whole->why) {
        ++reasons;
        EXPECT_GT(failed, 0) << where << ": " << whole->why->text;
      }
      frame = std::move(after);
      if (HasFailure()) return;
    }
  }
  EXPECT_GT(reasons, 100);
}

}  // namespace
}  // namespace tier::hostprog
