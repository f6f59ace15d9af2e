// The frames and calls of the routine benchmarks, shared by the native
// benchmark, the Win32 timing program and the instruction counts (program and
// test): n objects, Balls and Walls
// interleaved in slot and display order, plus n/8 Ghosts (a third type,
// drawn nowhere) that "tirGetFV(" is asked for; each routine called with
// fixed values of objects far up the table, where a scan from slot 0 takes
// longest. The plug-in is reached only through the descriptor's tables.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bridge/frame_records.h"
#include "hostlink/routine_call.h"
#include "model/model.h"
#include "plugin/catalogue.h"
#include "support/result.h"
#include "testkit/plugin_under_test.h"

namespace tier::testkit {

using model::Call;
using model::Kind;

constexpr std::uint16_t kEventCount = 7;
constexpr int kBall = 0, kWall = 1, kGhost = 2;

inline int Slots(int n) { return n + n / 8; }

inline std::int32_t FixedValue(int slot) { return static_cast<std::int32_t>(slot + 65536); }

// `balls` Balls and `walls` Walls in slots 0.. alternately (the Walls go on
// alone once the Balls run out), drawn in slot order; Ghosts after them.
inline model::Frame MakeFrame(int balls, int walls) {
  const int n = balls + walls, ghosts = n / 8;
  model::Frame f;
  f.types = {{.name = "Ball"}, {.name = "Wall"}, {.name = "Ghost"}};
  f.slots.resize(static_cast<std::size_t>(n + ghosts));
  std::mt19937 random(5);
  std::vector<int> last(3, -1);
  int ballsLeft = balls, wallsLeft = walls;
  for (int slot = 0; slot < n + ghosts; ++slot) {
    int type = kGhost;
    if (slot < n) type = (slot % 2 == 0 && ballsLeft > 0) || wallsLeft == 0 ? kBall : kWall;
    if (type == kBall) --ballsLeft;
    if (type == kWall) --wallsLeft;
    model::Object& o = f.slots[slot];
    o.present = true;
    o.number = static_cast<std::int16_t>(slot);
    o.creationCount = 1;
    o.type = type;
    o.x = static_cast<std::int16_t>(random());
    o.y = static_cast<std::int16_t>(random());
    o.hasValues = true;
    for (std::int32_t& v : o.values) v = static_cast<std::int32_t>(random());
    o.hasDisplayBlock = true;
    model::Type& t = f.types[type];
    if (last[type] < 0)
      t.firstObject = static_cast<std::int16_t>(slot);
    else
      f.slots[last[type]].nextOfType = static_cast<std::int16_t>(slot);
    last[type] = slot;
    ++t.typeObjectCount;
    t.selectionStamp = kEventCount - 1;  // stale: every instance is in scope
    if (type == kGhost) continue;
    o.node = static_cast<int>(f.nodes.size());
    o.displayLevel = static_cast<std::uint16_t>(f.nodes.size() + 1);
    f.nodes.push_back({.owner = slot});
    f.order.push_back(o.node);
    f.levelAt.push_back(static_cast<std::uint16_t>(f.nodes.size()));
  }
  f.objectCount = static_cast<std::uint16_t>(n + ghosts - 1);
  f.objectLimit = static_cast<std::int16_t>(n + ghosts - 1);
  f.eventCount = kEventCount;
  f.storedFixedValue = FixedValue(n / 2);
  return f;
}

struct Routine {
  Kind kind;
  int code;
};

// The routine's row in the catalogue, where the rows run conditions, actions,
// expressions, each by code.
inline const plugin::RoutineInfo& RowOf(const Routine& r) {
  const int first = r.kind == Kind::Condition ? 0
                    : r.kind == Kind::Action  ? plugin::kConditionCount
                                              : plugin::kConditionCount + plugin::kActionCount;
  return plugin::kCatalogue[static_cast<std::size_t>(first + r.code)];
}

// Every routine, in catalogue order.
inline std::vector<Routine> EveryRoutine() {
  std::vector<Routine> routines;
  for (int code = 0; code < plugin::kConditionCount; ++code)
    routines.push_back({Kind::Condition, code});
  for (int code = 0; code < plugin::kActionCount; ++code) routines.push_back({Kind::Action, code});
  for (int code = 0; code < plugin::kExpressionCount; ++code)
    routines.push_back({Kind::Expression, code});
  return routines;
}

inline std::string KindName(const Routine& r) {
  return std::string(plugin::KindWord(RowOf(r).kind));
}

// The model's pairwise object forms of Above, Below and Between grow with the
// cube of the frame: past this many objects they are not run (hours at 8,000).
constexpr int kModelPairwiseLimit = 2000;

// The object forms of Above, Below and Between, which compare pairs.
inline bool IsPairwise(const Routine& r) {
  return r.kind == Kind::Condition && plugin::FixedValueTwin(RowOf(r)) != nullptr &&
         RowOf(r).parameterCount >= 2;
}

// The head of the Markdown table both timing programs print.
inline void PrintTableHead(const std::vector<int>& sizes) {
  std::printf("| routine |");
  for (int n : sizes) std::printf(" %d |", n);
  std::printf(" growth |");
  for (int n : sizes) std::printf(" before %d |", n);
  std::printf("\n|---|");
  for (std::size_t i = 0; i < 2 * sizes.size() + 1; ++i) std::printf("---:|");
  std::printf("\n");
}

inline bool IsSort(const Routine& r) { return plugin::IsSort(RowOf(r)); }

// The call, with fixed values of objects far up the table, where a scan
// from slot 0 takes longest.
inline Call MakeCall(const Routine& r, int n) {
  const plugin::RoutineInfo& row = RowOf(r);
  Call c;
  c.kind = r.kind;
  c.code = r.code;
  c.first = FixedValue(n - 2);
  switch (row.parameters[1].titleId) {
    case plugin::kTitleHowMany:
      c.second = 3;
      break;
    case plugin::kTitleLevel:
      c.second = n / 2;
      break;
    case plugin::kTitleDefault:
      c.second = 5;
      break;
    default:
      c.second = FixedValue(n - 1);
  }
  c.typeA = kBall;
  c.typeB = kWall;
  c.typeC = kWall;
  c.nextParameters = {FixedValue(n - 3), FixedValue(n - 1), FixedValue(n - 2)};
  c.token = hostlink::kExpressionToken;
  c.integerArgument = 1;
  switch (row.workloadArgument) {
    case plugin::WorkloadArgument::One:
      break;
    case plugin::WorkloadArgument::FarFixedValue:
      c.integerArgument = FixedValue(n - 2);
      break;
    case plugin::WorkloadArgument::MiddlePosition:
      c.integerArgument = n / 2;
      break;
    case plugin::WorkloadArgument::MissingName:
      c.textArgument = "ghost";  // the Ghosts are drawn nowhere
      break;
  }
  return c;
}

// New keys for the sorts, the same on both sides.
inline void Scramble(model::Frame& f, std::mt19937& random) {
  for (model::Object& o : f.slots) {
    o.x = static_cast<std::int16_t>(random());
    o.y = static_cast<std::int16_t>(random());
    o.values[0] = static_cast<std::int32_t>(random());
  }
}

inline void Scramble(sim::SimHost& sim, int slots, std::mt19937& random) {
  for (int slot = 0; slot < slots; ++slot) {
    host::HostObject* o = sim.Object(slot);
    o->x = static_cast<std::int16_t>(random());
    o->y = static_cast<std::int16_t>(random());
    const auto value = static_cast<std::int32_t>(random());
    std::memcpy(reinterpret_cast<char*>(o) + o->valuesOffset, &value, sizeof value);
  }
}

// A condition narrows A's selection; each call starts again from all of A.
inline void StaleSelections(model::Frame& f) {
  for (model::Type& t : f.types) t.selectionStamp = kEventCount - 1;
}
inline void StaleSelections(sim::SimHost& sim) {
  for (int t = 0; t < 3; ++t) sim.Type(t).selectionStamp = kEventCount - 1;
}

// One routine's call on a frame laid out as host records, as the host makes
// it (hostlink::Invoke): parameter words made once, selections made stale before
// each condition so that it starts from every instance again. The records
// are compared after each call unless the call is timed.
class PluginCaller {
 public:
  PluginCaller(sim::SimHost& sim, Routine routine, int n,
               const hostlink::PluginModule& module = testkit::Plugin(), bool compareRecords = true)
      : module_(module),
        sim_(sim),
        r_(routine),
        c_(MakeCall(routine, n)),
        ball_(sim.ObjectParamWord(kBall)),
        wall_(sim.ObjectParamWord(kWall)),
        ballObject_(sim.ActionObjectWord(kBall)),
        wallObject_(sim.ActionObjectWord(kWall)),
        altValue_(sim.AltValueParamWord(0)) {
    const plugin::RoutineInfo& row = RowOf(r_);
    call_.routine = &row;
    call_.unusedWords = {c_.first, c_.second};
    call_.token = c_.token;
    call_.options.compareRecords = compareRecords;
    const bool fetchesAll = r_.kind == Kind::Condition && row.parameterCount == 3;
    for (int i = 0; i < row.parameterCount && r_.kind != Kind::Expression; ++i) {
      const std::uint16_t kind = row.parameters[i].kind;
      const bool condition = r_.kind == Kind::Condition;
      std::int32_t& word = call_.parameters[i];
      if (kind == plugin::kParamObject)
        word = i == 0 ? (condition ? ball_ : ballObject_) : (condition ? wall_ : wallObject_);
      else if (kind == plugin::kParamAltValue)
        word = altValue_;
      else
        word = fetchesAll ? c_.nextParameters[i] : i == 0 ? c_.first : c_.second;
    }
  }

  // The call's answer (a text's length), or the fault that ended it.
  Result<std::intptr_t> Run() {
    if (r_.kind == Kind::Condition) StaleSelections(sim_);
    if (c_.textArgument) {
      sim_.SetExpressionText(*c_.textArgument);
      call_.expressionArgument = static_cast<std::int32_t>(sim_.ExpressionArgument());
    } else {
      call_.expressionArgument = c_.integerArgument;
    }
    hostlink::CallOutcome outcome = hostlink::Invoke(module_, sim_, call_);
    breaches_ = std::move(outcome.breaches);
    if (outcome.fault) return Error{outcome.fault->message};
    if (plugin::ReturnsText(*call_.routine))
      return static_cast<std::intptr_t>(outcome.text.value_or("").size());
    return r_.kind == Kind::Expression ? outcome.value : outcome.result;
  }

  // The writes outside the writable fields of the last call.
  const std::vector<sim::AccessBreach>& Breaches() const { return breaches_; }

 private:
  const hostlink::PluginModule& module_;
  sim::SimHost& sim_;
  Routine r_;
  Call c_;
  std::int32_t ball_, wall_, ballObject_, wallObject_, altValue_;
  hostlink::RoutineCall call_;
  std::vector<sim::AccessBreach> breaches_;
};

}  // namespace tier::testkit
