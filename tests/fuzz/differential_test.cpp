// A bounded differential run with a fixed seed: every routine, called some
// hundred times over random frames, must agree with the reference model, and
// each must have done something (moved, answered true, listed a line) at
// least once, so that the run is known to reach past the early exits.
#include <gtest/gtest.h>

#include "tests/fuzz/driver.h"

namespace tier::fuzz {
namespace {

TEST(Differential, PluginAgreesWithTheModelOnRandomFrames) {
  DriverOptions options;
  options.seed = 20240611;
  options.calls = 6000;
  const DriverResult result = RunDriver(options);
  ASSERT_TRUE(result.report.empty()) << result.report;
  for (int routine = 0; routine < 46; ++routine)
    EXPECT_GT(result.stats.effects[routine], 0) << "routine " << routine << " never did anything\n"
                                                << result.stats.Summary();
}

}  // namespace
}  // namespace tier::fuzz
