// Every routine as the frame grows, through the descriptor's tables as the
// host calls them, beside the reference model's plain version of the same
// call on the same frame (the "before": one test per pair of instances, one
// scan of the table per lookup). The frames and calls: testkit/routine_calls.h.
// Address checks are off.
//
// At the end a table of CPU times per call: the plug-in at each size, its
// growth from the smallest to the largest frame beside n log n, and the
// model's time over the plug-in's where the model was run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/native_memory.h"
#include "order/sort.h"
#include "testkit/routine_calls.h"

namespace {

using namespace tier::testkit;

void TimePlugin(benchmark::State& state, Routine r, int balls, int walls) {
  const int n = balls + walls;
  const tier::model::Frame frame = MakeFrame(balls, walls);
  tier::bridge::Layout layout(frame);
  tier::sim::SimHost& sim = layout.sim();
  // One call with the records compared, then the timed calls without.
  PluginCaller checked(sim, r, n);
  if (const tier::Result<std::intptr_t> answer = checked.Run(); !answer) {
    state.SkipWithError(answer.error().c_str());
    return;
  }
  if (!checked.Breaches().empty()) {
    state.SkipWithError(tier::hostlink::DescribeBreaches(checked.Breaches()).c_str());
    return;
  }
  PluginCaller caller(sim, r, n, tier::testkit::Plugin(), false);
  std::mt19937 random(11);
  sim.CheckAccesses(false);
  for (auto _ : state) {
    if (IsSort(r)) {
      state.PauseTiming();
      Scramble(sim, Slots(n), random);
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(caller.Run());
  }
  sim.CheckAccesses(true);
}

void TimeModel(benchmark::State& state, Routine r, int balls, int walls) {
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

std::string Name(const char* side, const Routine& r, int balls, int walls) {
  return std::string(side) + "/" + KindName(r) + "/" + std::to_string(r.code) + "/" +
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
    PrintTableHead(sizes_);
    for (const Routine& r : routines) {
      std::printf("| %s %d %s | ", KindName(r).c_str(), r.code,
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
    // What n log n looks like on this machine's memory: std::sort of plain
    // records in an array.
    std::printf("| reference: std::sort of n records | ");
    for (int n : sizes_) std::printf("%.3g | ", Reference(n));
    std::printf("%.1f | | | |\n", Reference(largest) / Reference(smallest));
  }
  double Reference(int n) const {
    const auto it = times_.find("reference/std::sort/" + std::to_string(n));
    return it == times_.end() ? 0 : it->second;
  }
  double Time(const char* side, const Routine& r, int balls, int walls) const {
    const auto it = times_.find(Name(side, r, balls, walls));
    return it == times_.end() ? 0 : it->second;
  }

 private:
  std::vector<int> sizes_;
  std::map<std::string, double> times_;
};

// std::sort of n records with random keys, copied afresh each time (the copy
// is timed too, as the sort actions gather their records).
void Reference(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::vector<tier::host::DisplayNode> nodes(n);
  std::vector<tier::order::SortRecord> source, work(n);
  std::mt19937 random(3);
  for (std::size_t i = 0; i < n; ++i) {
    const auto key = static_cast<std::int16_t>(random());
    source.push_back({&nodes[i], key, key, key, tier::order::SortKind::kLargestXFirst});
  }
  for (auto _ : state) {
    std::copy(source.begin(), source.end(), work.begin());
    std::sort(work.begin(), work.end(), tier::order::GoesBefore);
    benchmark::DoNotOptimize(work.data());
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<int> sizes = {500, 2000, 8000};
  const std::vector<Routine> routines = EveryRoutine();

  const auto add = [](const std::string& name, auto function, Routine r, int balls, int walls) {
    benchmark::RegisterBenchmark(name.c_str(), function, r, balls, walls)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.05);
  };
  for (int n : sizes) {
    benchmark::RegisterBenchmark("reference/std::sort", Reference)
        ->Arg(n)
        ->Unit(benchmark::kMicrosecond);
    for (const Routine& r : routines) {
      add(Name("tier", r, n / 2, n / 2), TimePlugin, r, n / 2, n / 2);
      if (!IsPairwise(r) || n <= kModelPairwiseLimit)
        add(Name("model", r, n / 2, n / 2), TimeModel, r, n / 2, n / 2);
    }
  }
  // The targets: 2,000 Balls above 2,000 Walls, against the model and
  // against "Increasing X Sort" on the same frame.
  const Routine above{Kind::Condition,
                      tier::plugin::CodeOf(tier::plugin::ConditionCode::CondObjectAbove)},
      increasingX{Kind::Action, tier::plugin::CodeOf(tier::plugin::ActionCode::IncreasingXSort)};
  add(Name("tier", above, 2000, 2000), TimePlugin, above, 2000, 2000);
  add(Name("tier", increasingX, 2000, 2000), TimePlugin, increasingX, 2000, 2000);
  add(Name("model", above, 2000, 2000), TimeModel, above, 2000, 2000);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (const std::string error = tier::testkit::PluginLoadError(); !error.empty()) {
    std::fprintf(stderr, "cannot load the plug-in: %s\n", error.c_str());
    return 1;
  }
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
