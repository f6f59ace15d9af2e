// How the cost of the routines grows with the frame, counted in instructions
// of Tier.vdx in the emulator: the same on every machine and under any load,
// so the test can assert on it where it could never assert on time.
#include "tests/workload/instruction_counts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <utility>

namespace tier::bench {
namespace {

// From 500 to 8,000 objects n log n grows 23.1 times. A routine's fixed costs
// only lower its ratio; the 10% allowance covers how deep the sorts'
// partitions run on other random keys. Growth of n log^2 n (33 times) or
// n^2 (256 times) fails.
double NLogNGrowth(int from, int to) { return (to * std::log2(to)) / (from * std::log2(from)); }

std::unique_ptr<host::PluginModule> CountingModule() {
  const char* path = std::getenv("TIER_MODULE");
  return host::LoadEmulatedModule(path != nullptr ? path : TIER_DEFAULT_MODULE,
                                  /*countInstructions=*/true);
}

TEST(InstructionCounts, ObjectFormsAndSortsGrowNoFasterThanNLogN) {
  const auto module = CountingModule();
  ASSERT_TRUE(module->ok()) << module->error();
  const auto& emulated = static_cast<const host::EmulatedModule&>(*module);
  const double bound = 1.1 * NLogNGrowth(kCountedSizes[0], kCountedSizes[2]);
  int checked = 0;
  for (const Routine& routine : EveryRoutine()) {
    const bool objectForm = plugin::FixedValueTwin(RowOf(routine)) != nullptr;
    if (!objectForm && !IsSort(routine)) continue;
    std::string breaches;
    const std::uint64_t small = InstructionsPerCall(emulated, routine, kCountedSizes[0], breaches);
    EXPECT_EQ(breaches, "") << KindName(routine) << " " << routine.code;
    const std::uint64_t large = InstructionsPerCall(emulated, routine, kCountedSizes[2], breaches);
    EXPECT_EQ(breaches, "") << KindName(routine) << " " << routine.code;
    ASSERT_GT(small, 0u) << KindName(routine) << " " << routine.code;
    EXPECT_LE(static_cast<double>(large) / static_cast<double>(small), bound)
        << KindName(routine) << " " << routine.code << ": " << small << " instructions at "
        << kCountedSizes[0] << " objects, " << large << " at " << kCountedSizes[2];
    ++checked;
  }
  // Every object form and every sort of the catalogue was measured.
  EXPECT_EQ(checked, std::count_if(plugin::kCatalogue.begin(), plugin::kCatalogue.end(),
                                   [](const plugin::RoutineInfo& row) {
                                     return plugin::FixedValueTwin(row) != nullptr ||
                                            plugin::IsSort(row);
                                   }));
}

// The committed counts are the README's table (`instruction_counts --table`
// prints its rows): "| action 12 "Increasing X Sort" | 125,909 | 558,436 |
// 2,512,864 | 20.0 |", by kind and code.
using CountTable = std::map<std::pair<std::string, int>, std::vector<std::uint64_t>>;

CountTable ReadmeTable() {
  std::ifstream readme(TIER_README);
  const std::regex row(
      R"(^\| (condition|action|expression) (\d+) ".*" \| ([\d,]+) \| ([\d,]+) \| ([\d,]+) \| [\d.]+ \|$)");
  CountTable table;
  std::string line;
  while (std::getline(readme, line)) {
    std::smatch match;
    if (!std::regex_match(line, match, row)) continue;
    std::vector<std::uint64_t>& counts = table[{match[1], std::stoi(match[2])}];
    for (int column = 3; column <= 5; ++column) {
      std::string digits = match[column];
      std::erase(digits, ',');
      counts.push_back(std::stoull(digits));
    }
  }
  return table;
}

// A routine that grows costlier by more than 2% at any size fails, and so
// does one that grew cheaper: either way the table in the README must be
// brought up to date in the same commit, saying why.
TEST(InstructionCounts, EveryRoutineStaysWithinTwoPercentOfTheReadmeTable) {
  const CountTable table = ReadmeTable();
  ASSERT_EQ(table.size(), EveryRoutine().size()) << "rows in " << TIER_README;
  const auto module = CountingModule();
  ASSERT_TRUE(module->ok()) << module->error();
  const auto& emulated = static_cast<const host::EmulatedModule&>(*module);
  for (const Routine& routine : EveryRoutine()) {
    const auto row = table.find({KindName(routine), routine.code});
    ASSERT_NE(row, table.end()) << KindName(routine) << " " << routine.code << " has no row";
    for (std::size_t size = 0; size < std::size(kCountedSizes); ++size) {
      std::string breaches;
      const auto committed = static_cast<double>(row->second[size]);
      const auto counted = static_cast<double>(
          InstructionsPerCall(emulated, routine, kCountedSizes[size], breaches));
      EXPECT_LE(std::abs(counted - committed), 0.02 * committed)
          << KindName(routine) << " " << routine.code << " at " << kCountedSizes[size]
          << " objects: " << counted << " instructions, the README's table says " << committed
          << "; if the change is meant, update the table (instruction_counts --table)";
    }
  }
}

}  // namespace
}  // namespace tier::bench
