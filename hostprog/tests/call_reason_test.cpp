// A reason that lies misleads an author more than no reason at all. So every
// reason the host program gives is held against the reference model, on
// random frames (uncounted nodes, levels that wrap, stale and empty
// selections, bounds below and above the slots in use, eventCount 65535):
// it comes only when the model says the call did nothing, and every fact it
// rests on is true of the model's frame.
#include "hostprog/call_reason.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "hostprog/scene_steps.h"
#include "plugin/catalogue.h"
#include "tests/fuzz/cases.h"
#include "tests/model/layout.h"

namespace tier::scene {
namespace {

using Fact = ReasonFact;
using FactKind = ReasonFact::Kind;

// --- The model's frame, read plainly --------------------------------------------

bool Present(const model::Frame& f, std::int64_t slot) {
  return slot >= 0 && slot < static_cast<std::int64_t>(f.slots.size()) && f.slots[slot].present;
}
std::int32_t ValueAt(const model::Frame& f, std::int64_t slot) {
  return model::FixedValueOf(f.slots[slot]);
}
bool HasNode(const model::Frame& f, std::int64_t slot) {
  return Present(f, slot) && f.slots[slot].node != model::kNone;
}
std::uint16_t LevelAt(const model::Frame& f, int slot) { return f.LevelOf(f.slots[slot].node); }

int FirstInScope(const model::Frame& f, std::int64_t type) {
  const model::Type& t = f.types[type];
  const int n = t.selectionStamp == f.eventCount ? t.firstSelected : t.firstObject;
  return Present(f, n) ? n : -1;
}

// The instances a walk from the first in scope meets: the selected chain
// when `selection`, else the type chain.
std::vector<int> Walk(const model::Frame& f, std::int64_t type, bool selection) {
  const model::Type& t = f.types[type];
  std::vector<int> slots;
  int slot = selection ? t.firstSelected : t.firstObject;
  for (int i = 1; i <= (selection ? t.selectedCount : t.typeObjectCount) && Present(f, slot); ++i) {
    slots.push_back(slot);
    slot = selection ? f.slots[slot].nextSelected : f.slots[slot].nextOfType;
  }
  return slots;
}

bool LiesBeyond(const model::Frame& f, int a, int b, bool above) {
  if (!HasNode(f, a) || !HasNode(f, b)) return false;
  return above ? LevelAt(f, a) > LevelAt(f, b) : LevelAt(f, a) < LevelAt(f, b);
}

int FirstHolder(const model::Frame& f, std::int32_t value, std::int64_t bound) {
  for (int slot = 0; slot <= bound && slot < static_cast<int>(f.slots.size()); ++slot)
    if (Present(f, slot) && ValueAt(f, slot) == value) return slot;
  return -1;
}

bool SortedFor(const model::Frame& f, const Fact& fact) {
  const int code = static_cast<int>(fact.a);
  std::vector<std::int64_t> keys;
  for (const int id : f.order) {
    const model::Object& o = f.slots[f.nodes[id].owner];
    if (code == 12 || code == 14)
      keys.push_back(o.x);
    else if (code == 13 || code == 15)
      keys.push_back(o.y);
    else
      keys.push_back(o.hasValues && fact.c >= 0 && fact.c < model::kValueCount ? o.values[fact.c]
                                                                               : fact.b);
  }
  const bool largestFirst = code == 12 || code == 13 || code == 26;
  for (std::size_t i = 1; i < keys.size(); ++i)
    if (largestFirst ? keys[i] > keys[i - 1] : keys[i] < keys[i - 1]) return false;
  return true;
}

// Whether the fact holds in the frame before the call.
bool Holds(const model::Frame& f, const Fact& fact) {
  switch (fact.kind) {
    case FactKind::kStoredStandsIn:
      return f.storedFixedValue == fact.a;
    case FactKind::kNoSlotLooked:
      return f.objectLimit == fact.a && fact.a < 0;
    case FactKind::kNotWithin: {
      if (fact.c < 0) return FirstHolder(f, static_cast<std::int32_t>(fact.a), 1 << 20) < 0;
      const std::int64_t bound = fact.d == 0 ? f.objectLimit : f.objectCount;
      return bound == fact.b && FirstHolder(f, static_cast<std::int32_t>(fact.a), bound) < 0 &&
             fact.c > bound && Present(f, fact.c) && ValueAt(f, fact.c) == fact.a;
    }
    case FactKind::kFirstMatch: {
      const std::int64_t bound = fact.d == 0 ? f.objectLimit : f.objectCount;
      return fact.b <= bound && FirstHolder(f, static_cast<std::int32_t>(fact.a), bound) == fact.b;
    }
    case FactKind::kNoNode:
      return Present(f, fact.a) && !HasNode(f, fact.a);
    case FactKind::kValueOf:
      return Present(f, fact.a) && ValueAt(f, fact.a) == fact.b;
    case FactKind::kNothingInScope:
      return FirstInScope(f, fact.a) < 0;
    case FactKind::kFirstInScope:
      return FirstInScope(f, fact.a) == fact.b;
    case FactKind::kListSize:
      return static_cast<std::int64_t>(f.order.size()) == fact.a;
    case FactKind::kAtEnd:
      return HasNode(f, fact.a) && !f.order.empty() &&
             f.slots[fact.a].node == (fact.b == 1 ? f.order.back() : f.order.front());
    case FactKind::kEndOwner:
      return !f.order.empty() &&
             f.nodes[fact.a == 1 ? f.order.back() : f.order.front()].owner == fact.b;
    case FactKind::kLevel:
      return HasNode(f, fact.a) && LevelAt(f, static_cast<int>(fact.a)) == fact.b;
    case FactKind::kAtPosition:
      return HasNode(f, fact.a) && f.PositionOf(f.slots[fact.a].node) + 1 == fact.b;
    case FactKind::kSorted:
      return SortedFor(f, fact);
    case FactKind::kScope:
      return FirstInScope(f, fact.a) >= 0 &&
             Walk(f, fact.a, f.types[fact.a].selectionStamp == f.eventCount) == fact.slots;
    case FactKind::kTypeChain:
      return Walk(f, fact.a, false) == fact.slots;
    case FactKind::kNoPair:
      for (const int a : fact.slots)
        for (const int b : fact.others)
          if (LiesBeyond(f, a, b, fact.a == 1)) return false;
      return true;
    case FactKind::kFiltered: {
      std::vector<int> kept;
      for (const int a : fact.slots)
        if (std::any_of(fact.others.begin(), fact.others.end(),
                        [&](int b) { return LiesBeyond(f, a, b, fact.a == 1); }))
          kept.push_back(a);
      return kept == fact.kept;
    }
    case FactKind::kLastEventPass:
      return f.eventCount == 0xFFFF;
    case FactKind::kLeftEmpty: {
      model::Frame copy = f;
      model::Call above;
      above.kind = model::Kind::Condition;
      above.code = 7;
      above.typeA = static_cast<int>(fact.a);
      above.typeB = static_cast<int>(fact.b);
      if (model::Run(copy, above).result == 1) {
        model::Call below = above;
        below.code = 8;
        below.typeB = static_cast<int>(fact.c);
        model::Run(copy, below);
      }
      const model::Type& t = copy.types[fact.a];
      return t.selectionStamp == copy.eventCount && t.firstSelected < 0;
    }
  }
  return false;
}

// --- The model's call as a scene writes it --------------------------------------

CallArgument Number(std::int32_t value) {
  CallArgument argument;
  argument.value = value;
  return argument;
}

SceneCall ToScene(const model::Call& c) {
  using plugin::RoutineKind;
  SceneCall call;
  const RoutineKind kind = c.kind == model::Kind::Condition ? RoutineKind::Condition
                           : c.kind == model::Kind::Action  ? RoutineKind::Action
                                                            : RoutineKind::Expression;
  call.routine = plugin::FindRoutine(kind, static_cast<std::uint16_t>(c.code));
  const int types[] = {c.typeA, c.typeB, c.typeC};
  std::vector<std::int32_t> numbers = {c.first, c.second};
  if (kind == RoutineKind::Condition && c.code == 4)
    numbers.assign(c.nextParameters.begin(), c.nextParameters.end());
  else if (kind == RoutineKind::Action && (c.code >= 16 || c.code == 3))
    numbers = {c.second};
  std::size_t nextType = 0, nextNumber = 0;
  for (int i = 0; i < call.routine->parameterCount; ++i) {
    const std::string_view form = plugin::ParameterWord(*call.routine, i);
    if (form == "object") {
      CallArgument argument;
      argument.form = CallArgument::Form::kObject;
      argument.type = types[nextType++];
      call.arguments.push_back(argument);
    } else if (form == "alterable value") {
      CallArgument argument = Number(c.valueIndex);
      argument.form = CallArgument::Form::kAltValue;
      call.arguments.push_back(argument);
      numbers = {c.second};
      nextNumber = 0;
    } else {
      call.arguments.push_back(Number(numbers.at(nextNumber++)));
    }
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

TEST(CallReason, EveryReasonIsTrueOfTheModelsFrame) {
  int nothing = 0, explained = 0, checkedFacts = 0;
  std::vector<int> explainedByRoutine(46, 0);
  for (std::uint64_t seed = 1; seed <= 1500; ++seed) {
    fuzz::SeededSource source(seed * 7919);
    const fuzz::FrameRecipe recipe = fuzz::MakeFrame(source);
    model::Frame frame = fuzz::ToModel(recipe);
    for (int i = 0; i < 10; ++i) {
      const fuzz::FuzzCall fuzzCall = fuzz::MakeCall(source, recipe, i % 2 == 0);
      const model::Call& call = fuzzCall.call;
      if (call.kind == model::Kind::Expression) continue;
      model::Layout layout(frame);
      const std::vector<SelectionView> selections =
          CaptureFrame(layout.sim(), TypeOfSlot(frame), nullptr).selections;
      model::Frame after = frame;
      const model::Outcome outcome = model::Run(after, call);
      const bool action = call.kind == model::Kind::Action;
      const bool didNothing = action ? SameTable(frame, after) : outcome.result == 0;
      const SceneCall sceneCall = ToScene(call);
      const std::optional<Reason> reason = WhyNothing(layout.sim(), sceneCall, selections);
      std::ostringstream where;
      where << "seed " << seed << ", call " << i << ": " << fuzz::Describe(fuzzCall) << "\n"
            << fuzz::Describe(recipe) << "\nreason: " << (reason ? reason->text : "none");
      if (!didNothing) {
        // The routine's own decisions lead to a change: no reason may claim
        // otherwise (a sort may reorder equal keys that already stood in order).
        const bool sort = action && ((call.code >= 12 && call.code <= 15) || call.code >= 26);
        EXPECT_TRUE(!reason || sort) << where.str();
      } else {
        ++nothing;
        if (reason) {
          ++explained;
          ++explainedByRoutine[action ? 10 + call.code : call.code];
        }
      }
      if (reason) {
        EXPECT_FALSE(reason->text.empty()) << where.str();
        EXPECT_EQ(reason->text.find('\n'), std::string::npos) << where.str();
        for (const Fact& fact : reason->facts) {
          ++checkedFacts;
          EXPECT_TRUE(Holds(frame, fact))
              << "fact of kind " << static_cast<int>(fact.kind) << " (" << fact.a << ", " << fact.b
              << ", " << fact.c << ", " << fact.d << ") is false\n"
              << where.str();
        }
      }
      frame = std::move(after);
      if (HasFailure()) return;
    }
  }
  std::printf("%d calls did nothing, %d with a reason; %d facts checked\n", nothing, explained,
              checkedFacts);
  // Most calls that did nothing get a reason, and every routine that can do
  // nothing has given one.
  EXPECT_GT(explained, nothing * 8 / 10);
  for (int routine = 0; routine < 38; ++routine)
    EXPECT_GT(explainedByRoutine[routine], 0) << "routine " << routine;
}

}  // namespace
}  // namespace tier::scene
