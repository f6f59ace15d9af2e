// The sort procedure against std::sort on the same records with the same
// comparison, and a whole sort action over a simulated frame; at 65,536
// records, keys made to drive median-of-three partitioning quadratic against
// random keys, with the reference model's plain procedure (which has no way
// out of the quadratic case) beside them. Each timed
// iteration copies the unsorted records first (the same cost on both sides);
// a table of Tier / std::sort CPU times is printed at the end (CPU time, as
// other work on the machine inflates wall time).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "host/native_memory.h"
#include "order/sort.h"
#include "simhost/sim_host.h"
#include "tests/fuzz/sort_adversary.h"
#include "tests/model/model.h"

namespace {

using tier::order::SortKind;
using tier::order::SortRecord;

enum Keys { kRandomKeys = 0, kEqualKeys = 1, kKillerKeys = 2 };
const char* const kKeyNames[] = {"random", "equal", "killer"};
constexpr int kKillerRecords = 65536;

std::vector<std::int32_t> KeyList(int count, Keys keys) {
  if (keys == kKillerKeys) {
    // The adversary's keys go before each other smallest first; negated for
    // the largest-first kind used here.
    std::vector<std::int32_t> killer = tier::fuzz::SortAdversary(count).keys();
    for (std::int32_t& key : killer) key = -key;
    return killer;
  }
  std::mt19937 random(42);
  std::uniform_int_distribution<std::int32_t> position(-32768, 32767);
  std::vector<std::int32_t> list;
  for (int i = 0; i < count; ++i) list.push_back(keys == kEqualKeys ? 0 : position(random));
  return list;
}

std::vector<SortRecord> MakeRecords(int count, Keys keys,
                                    std::vector<tier::host::DisplayNode>& nodes) {
  nodes.assign(static_cast<std::size_t>(count), tier::host::DisplayNode{});
  const std::vector<std::int32_t> list = KeyList(count, keys);
  std::vector<SortRecord> records;
  for (int i = 0; i < count; ++i)
    records.push_back({&nodes[i], list[i], list[i], list[i], SortKind::kLargestXFirst});
  return records;
}

template <bool kStandard>
void SortArray(benchmark::State& state, Keys keys) {
  std::vector<tier::host::DisplayNode> nodes;
  const std::vector<SortRecord> source = MakeRecords(static_cast<int>(state.range(0)), keys, nodes);
  std::vector<SortRecord> work(source.size());
  for (auto _ : state) {
    std::copy(source.begin(), source.end(), work.begin());
    if constexpr (kStandard)
      std::sort(work.begin(), work.end(), [](const SortRecord& a, const SortRecord& b) {
        return tier::order::GoesBefore(a, b);
      });
    else
      tier::order::SortRecords(work.data(), work.data() + work.size());
    benchmark::DoNotOptimize(work.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The reference model's order for the same keys: the plain procedure.
void ModelSortOrder(benchmark::State& state, Keys keys) {
  const std::vector<std::int32_t> list = KeyList(static_cast<int>(state.range(0)), keys);
  for (auto _ : state) {
    std::vector<int> order = tier::model::SortOrder(list, true);
    benchmark::DoNotOptimize(order.data());
  }
}

// "Increasing X Sort" over a frame of random positions, scrambled again
// (untimed) before each sort.
void SortAction(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  tier::sim::SceneSpec scene;
  scene.types = {{.name = "Sprite"}};
  for (int i = 0; i < count; ++i) {
    scene.objects.push_back({.slot = i, .hasValues = false});
    scene.order.push_back({.slot = i});
  }
  tier::sim::SimHost sim(scene);
  tier::host::CheckAccesses(false);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> position(-32768, 32767);
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < count; ++i) sim.Object(i)->x = static_cast<std::int16_t>(position(random));
    sim.ClearLogs();  // the simulated host logs every refresh
    state.ResumeTiming();
    tier::order::SortDisplayList(sim.runData(), SortKind::kLargestXFirst, 0, 0);
  }
  tier::host::CheckAccesses(true);
  state.SetItemsProcessed(state.iterations() * count);
}

// Prints the usual console output, then Tier's time over std::sort's for
// every size and key pattern.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-8s %8s %16s %16s %8s\n", "keys", "records", "Tier cpu ns", "std::sort cpu ns",
                "ratio");
    for (const auto& [name, tierTime] : times_) {
      if (name.rfind("SortRecords/", 0) != 0) continue;
      const auto standard = times_.find("std::sort/" + name.substr(12));
      if (standard == times_.end()) continue;
      const std::string rest = name.substr(12);  // "<keys>/<count>"
      const std::size_t slash = rest.find('/');
      std::printf("%-8s %8s %16.0f %16.0f %8.2f\n", rest.substr(0, slash).c_str(),
                  rest.substr(slash + 1).c_str(), tierTime, standard->second,
                  tierTime / standard->second);
    }
    const auto at = [&](const std::string& name) {
      const auto it = times_.find(name + "/" + std::to_string(kKillerRecords));
      return it == times_.end() ? 0.0 : it->second;
    };
    const double killer = at("SortRecords/killer"), random = at("SortRecords/random");
    const double modelKiller = at("model/killer"), modelRandom = at("model/random");
    if (killer > 0 && random > 0)
      std::printf("\n%d records: killer keys %.0f ns, random keys %.0f ns: %.2f x\n",
                  kKillerRecords, killer, random, killer / random);
    if (modelKiller > 0 && modelRandom > 0)
      std::printf("the model's plain procedure: killer keys %.0f ns, random keys %.0f ns: %.1f x\n",
                  modelKiller, modelRandom, modelKiller / modelRandom);
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  for (Keys keys : {kRandomKeys, kEqualKeys}) {
    const std::string suffix = kKeyNames[keys];
    for (bool standard : {false, true}) {
      const std::string name = (standard ? "std::sort/" : "SortRecords/") + suffix;
      benchmark::RegisterBenchmark(name.c_str(), standard ? SortArray<true> : SortArray<false>,
                                   keys)
          ->RangeMultiplier(10)
          ->Range(10, 100000)
          ->Unit(benchmark::kNanosecond);
    }
  }
  for (Keys keys : {kKillerKeys, kRandomKeys}) {
    const std::string suffix = kKeyNames[keys];
    benchmark::RegisterBenchmark(("SortRecords/" + suffix).c_str(), SortArray<false>, keys)
        ->Arg(kKillerRecords)
        ->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark(("model/" + suffix).c_str(), ModelSortOrder, keys)
        ->Arg(kKillerRecords)
        ->Unit(benchmark::kNanosecond);
  }
  benchmark::RegisterBenchmark("SortDisplayList/random", SortAction)
      ->Arg(1000)
      ->Arg(10000)
      ->Arg(30000)
      ->Unit(benchmark::kMicrosecond);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
