// A bounded differential run with a fixed seed: every routine, called some
// hundred times over random frames, must agree with the reference model, and
// each must have done something (moved, answered true, listed a line) a few
// times, so that the run is known to reach past the early exits. A routine
// short of that after the run gets frames of its own.
#include <gtest/gtest.h>

#include "testkit/fuzz/driver.h"

namespace tier::testkit::fuzz {
namespace {

TEST(Differential, PluginAgreesWithTheModelOnRandomFrames) {
  DriverOptions options;
  options.seed = 20240611;
  options.calls = 6000;
  options.effects = 3;
  const DriverResult result = RunDriver(options);
  ASSERT_TRUE(result.report.empty()) << result.report;
  EXPECT_EQ(result.shortOfEffects, "") << result.stats.Summary();
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
  using enum plugin::ConditionCode;
  for (const plugin::RoutineInfo* row :
       {&plugin::Row(CondObjectAbove), &plugin::Row(CondObjectBelow),
        &plugin::Row(CondObjectBetween), &plugin::Row(plugin::ExpressionCode::GetFixedValueByName)})
    EXPECT_GT(result.stats.effects[plugin::IndexOf(*row)], 0) << row->routineName << "\n"
                                                              << result.stats.Summary();
}

}  // namespace
}  // namespace tier::testkit::fuzz
