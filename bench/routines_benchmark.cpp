// Every routine as the frame grows, through the descriptor's tables as the
// host calls them, beside the reference model's plain version of the same
// call on the same frame (the "before": one test per pair of instances, one
// scan of the table per lookup). Frames of n objects: Balls and Walls
// interleaved in slot and display order, plus n/8 Ghosts (a third type,
// drawn nowhere) that "tirGetFV(" is asked for. Address checks are off.
//
// At the end a table of CPU times per call: the plug-in at each size, its
// growth from the smallest to the largest frame beside n log n, and the
// model's time over the plug-in's where the model was run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/address_space.h"
#include "tests/model/layout.h"
#include "tests/model/model.h"
#include "tests/tier_harness.h"

namespace {

using tier::model::Call;
using tier::model::Kind;

constexpr std::uint16_t kEventCount = 7;
constexpr int kBall = 0, kWall = 1, kGhost = 2;

int Slots(int n) { return n + n / 8; }

std::int32_t FixedValue(int slot) { return static_cast<std::int32_t>(slot + 65536); }

// `balls` Balls and `walls` Walls in slots 0.. alternately (the Walls go on
// alone once the Balls run out), drawn in slot order; Ghosts after them.
tier::model::Frame MakeFrame(int balls, int walls) {
  const int n = balls + walls, ghosts = n / 8;
  tier::model::Frame f;
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
    tier::model::Object& o = f.slots[slot];
    o.present = true;
    o.number = static_cast<std::int16_t>(slot);
    o.creationCount = 1;
    o.type = type;
    o.x = static_cast<std::int16_t>(random());
    o.y = static_cast<std::int16_t>(random());
    o.hasValues = true;
    for (std::int32_t& v : o.values) v = static_cast<std::int32_t>(random());
    o.hasDisplayBlock = true;
    tier::model::Type& t = f.types[type];
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

bool IsSort(const Routine& r) {
  return r.kind == Kind::Action && ((r.code >= 12 && r.code <= 15) || r.code >= 26);
}

// The call, with fixed values of objects far up the table, where a scan
// from slot 0 takes longest.
Call MakeCall(const Routine& r, int n) {
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
void Scramble(tier::model::Frame& f, std::mt19937& random) {
  for (tier::model::Object& o : f.slots) {
    o.x = static_cast<std::int16_t>(random());
    o.y = static_cast<std::int16_t>(random());
    o.values[0] = static_cast<std::int32_t>(random());
  }
}

void Scramble(tier::sim::SimHost& sim, int slots, std::mt19937& random) {
  for (int slot = 0; slot < slots; ++slot) {
    tier::host::HostObject* o = sim.Object(slot);
    o->x = static_cast<std::int16_t>(random());
    o->y = static_cast<std::int16_t>(random());
    const auto value = static_cast<std::int32_t>(random());
    std::memcpy(reinterpret_cast<char*>(o) + o->valuesOffset, &value, sizeof value);
  }
}

// A condition narrows A's selection; each call starts again from all of A.
void StaleSelections(tier::model::Frame& f) {
  for (tier::model::Type& t : f.types) t.selectionStamp = kEventCount - 1;
}
void StaleSelections(tier::sim::SimHost& sim) {
  for (int t = 0; t < 3; ++t) sim.Type(t).selectionStamp = kEventCount - 1;
}

void Plugin(benchmark::State& state, Routine r, int balls, int walls) {
  const int n = balls + walls;
  const tier::model::Frame frame = MakeFrame(balls, walls);
  tier::model::Layout layout(frame);
  tier::sim::SimHost& sim = layout.sim();
  const Call c = MakeCall(r, n);
  const std::int32_t ball = sim.ObjectParamWord(kBall), wall = sim.ObjectParamWord(kWall);
  const std::int32_t ballObject = sim.ActionObjectWord(kBall),
                     wallObject = sim.ActionObjectWord(kWall);
  const std::int32_t altValue = sim.AltValueParamWord(0);
  std::mt19937 random(11);
  tier::host::AddressSpace::SetChecked(false);
  for (auto _ : state) {
    if (IsSort(r)) {
      state.PauseTiming();
      Scramble(sim, Slots(n), random);
      state.ResumeTiming();
    }
    sim.ClearLogs();
    std::intptr_t result = 0;
    if (r.kind == Kind::Condition) {
      StaleSelections(sim);
      if (r.code == 4) sim.QueueNextParameters({c.nextParameters.begin(), c.nextParameters.end()});
      if (r.code == 9) sim.QueueNextParameters({ball, wall, wall});
      const bool objects = r.code >= 5;
      result =
          tier::test::Condition(sim, r.code, objects ? ball : c.first, objects ? wall : c.second);
    } else if (r.kind == Kind::Action) {
      const bool objects = r.code == 3 || (r.code >= 16 && r.code <= 25);
      std::int32_t first = objects ? ballObject : r.code >= 26 ? altValue : c.first;
      std::int32_t second =
          objects && (r.code == 18 || r.code == 23 || r.code == 24) ? wallObject : c.second;
      result = tier::test::Action(sim, r.code, first, second);
    } else {
      if (r.code == 0)
        sim.SetExpressionText(*c.textArgument);
      else
        sim.SetExpressionInteger(c.integerArgument);
      if (r.code == 3 || r.code == 4)
        result = static_cast<std::intptr_t>(tier::test::ExpressionText(sim, r.code).size());
      else
        result = tier::test::Expression(sim, r.code);
    }
    benchmark::DoNotOptimize(result);
  }
  tier::host::AddressSpace::SetChecked(true);
}

void Model(benchmark::State& state, Routine r, int balls, int walls) {
  const int n = balls + walls;
  tier::model::Frame frame = MakeFrame(balls, walls);
  const Call c = MakeCall(r, n);
  std::mt19937 random(11);
  for (auto _ : state) {
    if (IsSort(r)) {
      state.PauseTiming();
      Scramble(frame, random);
      state.ResumeTiming();
    }
    StaleSelections(frame);
    tier::model::Outcome outcome = tier::model::Run(frame, c);
    benchmark::DoNotOptimize(outcome.result);
  }
}

const char* KindName(Kind kind) {
  return kind == Kind::Condition ? "condition" : kind == Kind::Action ? "action" : "expression";
}

std::string Name(const char* side, const Routine& r, int balls, int walls) {
  return std::string(side) + "/" + KindName(r.kind) + "/" + std::to_string(r.code) + "/" +
         std::to_string(balls) + "+" + std::to_string(walls);
}

class TableReporter : public benchmark::ConsoleReporter {
 public:
  explicit TableReporter(std::vector<int> sizes) : sizes_(std::move(sizes)) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration) {
        std::string name = run.benchmark_name();
        name = name.substr(0, name.find("/min_time:"));
        times_[name] = run.GetAdjustedCPUTime();  // in the unit set: microseconds
      }
    ConsoleReporter::ReportRuns(runs);
  }
  void Print(const std::vector<Routine>& routines) const {
    const int smallest = sizes_.front(), largest = sizes_.back();
    const double nLogN = (static_cast<double>(largest) / smallest) *
                         (std::log2(static_cast<double>(largest)) / std::log2(smallest));
    std::printf(
        "\nCPU time per call in microseconds; growth = time at %d / time at %d "
        "(n log n: %.1f); before = the model's time over the plug-in's\n\n",
        largest, smallest, nLogN);
    std::printf("| routine | ");
    for (int n : sizes_) std::printf("%d | ", n);
    std::printf("growth | ");
    for (int n : sizes_) std::printf("before %d | ", n);
    std::printf("\n|---|");
    for (std::size_t i = 0; i < 2 * sizes_.size() + 1; ++i) std::printf("---:|");
    std::printf("\n");
    for (const Routine& r : routines) {
      std::printf("| %s %d %s | ", KindName(r.kind), r.code,
                  tier::model::RoutineName(r.kind, r.code));
      for (int n : sizes_) std::printf("%.3g | ", Time("tier", r, n / 2, n / 2));
      std::printf("%.1f | ", Time("tier", r, largest / 2, largest / 2) /
                                 Time("tier", r, smallest / 2, smallest / 2));
      for (int n : sizes_) {
        const double model = Time("model", r, n / 2, n / 2);
        if (model > 0)
          std::printf("%.3gx | ", model / Time("tier", r, n / 2, n / 2));
        else
          std::printf("not run | ");
      }
      std::printf("\n");
    }
  }
  double Time(const char* side, const Routine& r, int balls, int walls) const {
    const auto it = times_.find(Name(side, r, balls, walls));
    return it == times_.end() ? 0 : it->second;
  }

 private:
  std::vector<int> sizes_;
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<int> sizes = {500, 2000, 8000};
  // The model's pairwise object forms grow with the cube of the frame: past
  // this many objects they are not run (hours at 8,000).
  constexpr int kModelPairwiseLimit = 2000;
  std::vector<Routine> routines;
  for (int code = 0; code < 10; ++code) routines.push_back({Kind::Condition, code});
  for (int code = 0; code < 28; ++code) routines.push_back({Kind::Action, code});
  for (int code = 0; code < 8; ++code) routines.push_back({Kind::Expression, code});

  const auto add = [](const std::string& name, auto function, Routine r, int balls, int walls) {
    benchmark::RegisterBenchmark(name.c_str(), function, r, balls, walls)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.05);
  };
  for (int n : sizes) {
    for (const Routine& r : routines) {
      add(Name("tier", r, n / 2, n / 2), Plugin, r, n / 2, n / 2);
      const bool pairwise = r.kind == Kind::Condition && r.code >= 7;
      if (!pairwise || n <= kModelPairwiseLimit)
        add(Name("model", r, n / 2, n / 2), Model, r, n / 2, n / 2);
    }
  }
  // The targets: 2,000 Balls above 2,000 Walls, against the model and
  // against "Increasing X Sort" on the same frame.
  const Routine above{Kind::Condition, 7}, increasingX{Kind::Action, 12};
  add(Name("tier", above, 2000, 2000), Plugin, above, 2000, 2000);
  add(Name("tier", increasingX, 2000, 2000), Plugin, increasingX, 2000, 2000);
  add(Name("model", above, 2000, 2000), Model, above, 2000, 2000);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TableReporter reporter(sizes);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Print(routines);
  const double aboveTier = reporter.Time("tier", above, 2000, 2000);
  const double sortTier = reporter.Time("tier", increasingX, 2000, 2000);
  const double aboveModel = reporter.Time("model", above, 2000, 2000);
  if (aboveTier > 0 && sortTier > 0) {
    std::printf(
        "\n2,000 Balls + 2,000 Walls: \"%%0 Above %%1?\" (object form) %.3g us, "
        "\"Increasing X Sort\" %.3g us: %.2f x the sort",
        aboveTier, sortTier, aboveTier / sortTier);
    if (aboveModel > 0)
      std::printf("; the model's pairwise form %.3g us: %.3gx faster", aboveModel,
                  aboveModel / aboveTier);
    std::printf("\n");
  }
  benchmark::Shutdown();
  return 0;
}
