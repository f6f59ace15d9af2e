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

#include "model/model.h"
#include "plugin/catalogue.h"
#include "tests/model/layout.h"
#include "tests/tier_harness.h"

namespace tier::bench {

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

// All 46 routines, in catalogue order.
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

inline bool IsPairwise(const Routine& r) { return r.kind == Kind::Condition && r.code >= 7; }

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

inline bool IsSort(const Routine& r) {
  return r.kind == Kind::Action && ((r.code >= 12 && r.code <= 15) || r.code >= 26);
}

// The call, with fixed values of objects far up the table, where a scan
// from slot 0 takes longest.
inline Call MakeCall(const Routine& r, int n) {
  Call c;
  c.kind = r.kind;
  c.code = r.code;
  c.first = FixedValue(n - 2);
  c.second = r.kind == Kind::Action && (r.code == 6 || r.code == 7 || r.code == 21 || r.code == 22)
                 ? 3  // a count of levels
             : r.kind == Kind::Action && (r.code == 11 || r.code == 25) ? n / 2  // a level
             : r.kind == Kind::Action && r.code >= 26                   ? 5      // a default
                                                                        : FixedValue(n - 1);
  c.typeA = kBall;
  c.typeB = kWall;
  c.typeC = kWall;
  c.nextParameters = {FixedValue(n - 3), FixedValue(n - 1), FixedValue(n - 2)};
  c.token = 0x5A17;
  c.integerArgument = r.code == 6 ? FixedValue(n - 2) : r.code == 7 ? n / 2 : 1;
  if (r.kind == Kind::Expression && r.code == 0) c.textArgument = "ghost";
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
// it: parameter words made once, selections made stale before each
// condition so that it starts from every instance again.
class PluginCaller {
 public:
  PluginCaller(sim::SimHost& sim, Routine routine, int n,
               const host::PluginModule& module = test::Plugin())
      : module_(module),
        sim_(sim),
        r_(routine),
        c_(MakeCall(routine, n)),
        ball_(sim.ObjectParamWord(kBall)),
        wall_(sim.ObjectParamWord(kWall)),
        ballObject_(sim.ActionObjectWord(kBall)),
        wallObject_(sim.ActionObjectWord(kWall)),
        altValue_(sim.AltValueParamWord(0)) {}

  std::intptr_t Run() {
    sim_.ClearLogs();
    if (r_.kind == Kind::Condition) {
      StaleSelections(sim_);
      if (r_.code == 4)
        sim_.QueueNextParameters({c_.nextParameters.begin(), c_.nextParameters.end()});
      if (r_.code == 9) sim_.QueueNextParameters({ball_, wall_, wall_});
      const bool objects = r_.code >= 5;
      return module_.Condition(r_.code, sim_.RunDataAddress(), objects ? ball_ : c_.first,
                               objects ? wall_ : c_.second);
    }
    if (r_.kind == Kind::Action) {
      const bool objects = r_.code == 3 || (r_.code >= 16 && r_.code <= 25);
      const std::int32_t first = objects ? ballObject_ : r_.code >= 26 ? altValue_ : c_.first;
      const std::int32_t second =
          objects && (r_.code == 18 || r_.code == 23 || r_.code == 24) ? wallObject_ : c_.second;
      return module_.Action(r_.code, sim_.RunDataAddress(), first, second);
    }
    if (r_.code == 0)
      sim_.SetExpressionText(*c_.textArgument);
    else
      sim_.SetExpressionInteger(c_.integerArgument);
    const std::intptr_t result = module_.Expression(r_.code, sim_.RunDataAddress(), c_.token);
    if (plugin::ReturnsText(RowOf(r_)))
      return static_cast<std::intptr_t>(module_.TakeText(result).value_or("").size());
    return result;
  }

 private:
  const host::PluginModule& module_;
  sim::SimHost& sim_;
  Routine r_;
  Call c_;
  std::int32_t ball_, wall_, ballObject_, wallObject_, altValue_;
};

}  // namespace tier::bench
