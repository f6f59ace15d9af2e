// How the cost of the routines grows with the frame, counted in instructions
// of Tier.vdx in the emulator: the same on every machine and under any load,
// so the test can assert on it where it could never assert on time.
#include "tests/workload/instruction_counts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace tier::bench {
namespace {

// From 500 to 8,000 objects n log n grows 23.1 times. A routine's fixed costs
// only lower its ratio; the 10% allowance covers how deep the sorts'
// partitions run on other random keys. Growth of n log^2 n (33 times) or
// n^2 (256 times) fails.
double NLogNGrowth(int from, int to) { return (to * std::log2(to)) / (from * std::log2(from)); }

TEST(InstructionCounts, ObjectFormsAndSortsGrowNoFasterThanNLogN) {
  const char* path = std::getenv("TIER_MODULE");
  const auto module = host::LoadEmulatedModule(path != nullptr ? path : TIER_DEFAULT_MODULE,
                                               /*countInstructions=*/true);
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
  EXPECT_EQ(checked, 5 + 10 + 6);
}

}  // namespace
}  // namespace tier::bench
