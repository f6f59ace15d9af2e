// A bounded differential run with a fixed seed: every routine, called some
// hundred times over random frames, must agree with the reference model, and
// each must have done something (moved, answered true, listed a line) at
// least once, so that the run is known to reach past the early exits.
#include <gtest/gtest.h>

#include "testkit/fuzz/driver.h"

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

// Large frames only, kept small enough for a short run: the one-pass lookups
// of the object forms and of the name expression against the model's scans,
// with twins sharing fixed values, bounds on both sides of the highest slot,
// and names shared between types.
TEST(Differential, PluginAgreesWithTheModelOnLargeFrames) {
  DriverOptions options;
  options.seed = 20240612;
  options.calls = 150;
  options.maxCallsPerFrame = 6;
  options.frames.largeFramePercent = 100;
  options.frames.largeFrameObjects = 450;
  const DriverResult result = RunDriver(options);
  ASSERT_TRUE(result.report.empty()) << result.report;
  for (const int condition : {7, 8, 9})
    EXPECT_GT(result.stats.effects[condition], 0) << result.stats.Summary();
  EXPECT_GT(result.stats.effects[38], 0) << result.stats.Summary();  // tirGetFV(
}

}  // namespace
}  // namespace tier::fuzz
