// How the cost of the routines grows with the frame, counted in instructions
// of Tier.vdx in the emulator: the same on every machine and under any load,
// so the test can assert on it where it could never assert on time.
#include "testkit/instruction_counts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tier::testkit {
namespace {

// From 500 to 8,000 objects n log n grows 23.1 times. A routine's fixed costs
// only lower its ratio; the 10% allowance covers how deep the sorts'
// partitions run on other random keys. Growth of n log^2 n (33 times) or
// n^2 (256 times) fails.
double NLogNGrowth(int from, int to) { return (to * std::log2(to)) / (from * std::log2(from)); }

std::unique_ptr<hostlink::PluginModule> CountingModule() {
  const char* path = std::getenv("TIER_MODULE");
  return hostlink::LoadEmulatedModule(path != nullptr ? path : TIER_DEFAULT_MODULE,
                                      /*countInstructions=*/true);
}

TEST(InstructionCounts, ObjectFormsAndSortsGrowNoFasterThanNLogN) {
  const auto module = CountingModule();
  ASSERT_TRUE(module->ok()) << module->error();
  const auto& emulated = static_cast<const hostlink::EmulatedModule&>(*module);
  const double bound = 1.1 * NLogNGrowth(kCountedSizes[0], kCountedSizes[2]);
  int checked = 0;
  for (const Routine& routine : EveryRoutine()) {
    const bool objectForm = plugin::FixedValueTwin(RowOf(routine)) != nullptr;
    if (!objectForm && !IsSort(routine)) continue;
    std::string breaches;
    const Result<std::uint64_t> counted =
        InstructionsPerCall(emulated, routine, kCountedSizes[0], breaches);
    ASSERT_TRUE(counted) << counted.error();
    EXPECT_EQ(breaches, "") << KindName(routine) << " " << routine.code;
    const Result<std::uint64_t> countedLarge =
        InstructionsPerCall(emulated, routine, kCountedSizes[2], breaches);
    ASSERT_TRUE(countedLarge) << countedLarge.error();
    EXPECT_EQ(breaches, "") << KindName(routine) << " " << routine.code;
    const std::uint64_t small = *counted, large = *countedLarge;
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

// The committed counts: docs/instruction_counts.tsv, a header line and then
// "action<TAB>12<TAB>Increasing X Sort<TAB>125909<TAB>558436<TAB>2512864", by
// kind and code (`instruction_counts --table` prints the whole file).
using CountTable = std::map<std::pair<std::string, int>, std::vector<std::uint64_t>>;

CountTable CommittedCounts() {
  std::ifstream file(TIER_INSTRUCTION_COUNTS);
  CountTable table;
  std::string line;
  std::getline(file, line);  // the header
  while (std::getline(file, line)) {
    std::vector<std::string> fields;
    for (std::size_t start = 0;;) {
      const std::size_t tab = line.find('\t', start);
      fields.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (fields.size() != 3 + std::size(kCountedSizes)) continue;
    std::vector<std::uint64_t>& counts = table[{fields[0], std::stoi(fields[1])}];
    for (std::size_t column = 3; column < fields.size(); ++column)
      counts.push_back(std::stoull(fields[column]));
  }
  return table;
}

// A routine that grows costlier by more than 2% at any size fails, and so
// does one that grew cheaper: either way the committed counts must be
// brought up to date in the same commit, saying why.
TEST(InstructionCounts, EveryRoutineStaysWithinTwoPercentOfTheCommittedCounts) {
  const CountTable table = CommittedCounts();
  ASSERT_EQ(table.size(), EveryRoutine().size()) << "rows in " << TIER_INSTRUCTION_COUNTS;
  const auto module = CountingModule();
  ASSERT_TRUE(module->ok()) << module->error();
  const auto& emulated = static_cast<const hostlink::EmulatedModule&>(*module);
  for (const Routine& routine : EveryRoutine()) {
    const auto row = table.find({KindName(routine), routine.code});
    ASSERT_NE(row, table.end()) << KindName(routine) << " " << routine.code << " has no row";
    for (std::size_t size = 0; size < std::size(kCountedSizes); ++size) {
      std::string breaches;
      const auto committed = static_cast<double>(row->second[size]);
      const Result<std::uint64_t> count =
          InstructionsPerCall(emulated, routine, kCountedSizes[size], breaches);
      ASSERT_TRUE(count) << count.error();
      const auto counted = static_cast<double>(*count);
      EXPECT_LE(std::abs(counted - committed), 0.02 * committed)
          << KindName(routine) << " " << routine.code << " at " << kCountedSizes[size]
          << " objects: " << counted << " instructions, the committed count is " << committed
          << " (" << TIER_INSTRUCTION_COUNTS << "); if the change is meant, rewrite it with "
          << "cmake --build build/native --target update_instruction_counts";
    }
  }
}

}  // namespace
}  // namespace tier::testkit
