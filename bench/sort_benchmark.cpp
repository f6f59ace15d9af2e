// The sort procedure against std::sort on the same records with the same
// comparison (kind 0, largest X first), and a whole sort action over a
// simulated frame. At 65,536 records, keys made to drive median-of-three
// partitioning quadratic (alone, and with equal keys among the largest, the
// smallest or the middle ones) against random keys, with the reference
// model's plain procedure beside them. Each timed iteration copies the
// unsorted records first (the same cost on both sides); tables of ratios are
// printed at the end (CPU time, as other work on the machine inflates wall
// time).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "host/native_memory.h"
#include "model/model.h"
#include "order/sort.h"
#include "simhost/sim_host.h"
#include "testkit/fuzz/sort_adversary.h"

namespace {

using tier::order::SortKind;
using tier::order::SortRecord;

enum Keys {
  kRandomKeys,
  kEqualKeys,
  kKillerKeys,
  kKillerTopPair,
  kKillerTopFivePairs,
  kKillerBottomPair,
  kKillerMiddlePair,
  kKillerHalved,
  kKeyPatterns
};
const char* const kKeyNames[] = {"random",
                                 "equal",
                                 "killer",
                                 "killer-top-pair",
                                 "killer-top-5pairs",
                                 "killer-bottom-pair",
                                 "killer-mid-pair",
                                 "killer-halved"};
constexpr int kKillerRecords = 65536;

// The adversary's keys 0 .. n-1, with some made equal: the two largest, the
// ten largest in five pairs, the two smallest, two in the middle, or every
// key shared with its neighbour (all halved).
// The adversary answers a quadratic number of comparisons: one run per size.
std::vector<std::int32_t> KillerKeys(int count, Keys keys) {
  static std::map<int, std::vector<std::int32_t>> adversaryKeys;
  if (!adversaryKeys.count(count))
    adversaryKeys[count] = tier::testkit::fuzz::SortAdversary(count).keys();
  std::vector<std::int32_t> killer = adversaryKeys[count];
  const std::int32_t middle = count / 2;
  for (std::int32_t& key : killer) {
    if (keys == kKillerTopPair && key == count - 1) key = count - 2;
    if (keys == kKillerTopFivePairs && key >= count - 10) key -= (key - (count - 10)) % 2;
    if (keys == kKillerBottomPair && key == 1) key = 0;
    if (keys == kKillerMiddlePair && key == middle + 1) key = middle;
    if (keys == kKillerHalved) key /= 2;
  }
  return killer;
}

std::vector<std::int32_t> KeyList(int count, Keys keys) {
  if (keys >= kKillerKeys) {
    // The adversary's keys go before each other smallest first; negated for
    // the largest-first kind used here.
    std::vector<std::int32_t> killer = KillerKeys(count, keys);
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
      // The kind's comparison written out, as Tier fixes it once per sort.
      std::sort(work.begin(), work.end(),
                [](const SortRecord& a, const SortRecord& b) { return a.x > b.x; });
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
  sim.CheckAccesses(false);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> position(-32768, 32767);
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < count; ++i) sim.Object(i)->x = static_cast<std::int16_t>(position(random));
    sim.ClearLogs();  // the simulated host logs every refresh
    state.ResumeTiming();
    tier::order::SortDisplayList(sim.runData(), SortKind::kLargestXFirst, 0, 0);
  }
  sim.CheckAccesses(true);
  state.SetItemsProcessed(state.iterations() * count);
}

// Prints the usual console output, then Tier's time over std::sort's for
// every size of random and equal keys, and at 65,536 records every key
// pattern against std::sort and against Tier's own time on random keys.
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
    const auto at = [&](const std::string& name, int count) {
      const auto it = times_.find(name + "/" + std::to_string(count));
      return it == times_.end() ? 0.0 : it->second;
    };
    std::printf("\n%-20s %8s %14s %16s %9s\n", "keys", "records", "Tier cpu ns", "std::sort cpu ns",
                "ratio");
    for (const Keys keys : {kRandomKeys, kEqualKeys}) {
      for (int count = 10; count <= 100000; count *= 10) {
        const std::string suffix = kKeyNames[keys];
        const double tier = at("SortRecords/" + suffix, count);
        const double standard = at("std::sort/" + suffix, count);
        if (tier > 0 && standard > 0)
          std::printf("%-20s %8d %14.0f %16.0f %9.2f\n", kKeyNames[keys], count, tier, standard,
                      tier / standard);
      }
    }
    const double random = at("SortRecords/random", kKillerRecords);
    std::printf("\n%d records\n%-20s %14s %16s %14s %14s\n", kKillerRecords, "keys", "Tier cpu ns",
                "std::sort cpu ns", "/ std::sort", "/ Tier random");
    for (int keys = 0; keys < kKeyPatterns; ++keys) {
      const std::string suffix = kKeyNames[keys];
      const double tier = at("SortRecords/" + suffix, kKillerRecords);
      const double standard = at("std::sort/" + suffix, kKillerRecords);
      if (tier <= 0 || standard <= 0 || random <= 0) continue;
      std::printf("%-20s %14.0f %16.0f %14.2f %14.2f\n", kKeyNames[keys], tier, standard,
                  tier / standard, tier / random);
    }
    const double modelKiller = at("model/killer", kKillerRecords);
    const double modelRandom = at("model/random", kKillerRecords);
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
  for (int keys = 0; keys < kKeyPatterns; ++keys) {
    const std::string suffix = kKeyNames[keys];
    for (bool standard : {false, true}) {
      const std::string name = (standard ? "std::sort/" : "SortRecords/") + suffix;
      benchmark::RegisterBenchmark(name.c_str(), standard ? SortArray<true> : SortArray<false>,
                                   static_cast<Keys>(keys))
          ->Arg(kKillerRecords)
          ->Unit(benchmark::kNanosecond);
    }
  }
  for (Keys keys : {kKillerKeys, kRandomKeys}) {
    benchmark::RegisterBenchmark(("model/" + std::string(kKeyNames[keys])).c_str(), ModelSortOrder,
                                 keys)
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
