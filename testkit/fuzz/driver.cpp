#include "testkit/fuzz/driver.h"

namespace tier::fuzz {

std::uint64_t FrameSeed(std::uint64_t seed, std::uint64_t index) {
  return seed * 1000003ull + index;
}

DriverResult RunDriver(const DriverOptions& options) {
  DriverResult result;
  for (std::uint64_t index = 0; result.stats.totalCalls < options.calls; ++index) {
    const std::uint64_t frameSeed = options.frameSeed.value_or(FrameSeed(options.seed, index));
    SeededSource source(frameSeed);
    const Case c = MakeCase(source, 1 + source.Below(options.maxCallsPerFrame), options.frames);
    const std::string origin =
        "seed " + std::to_string(options.seed) + ", frame " + std::to_string(index) +
        ": rerun alone with --frame-seed " + std::to_string(frameSeed) + " --max-calls " +
        std::to_string(options.maxCallsPerFrame) +
        (options.frames.objectsWithinBounds ? " --within-bounds" : "") +
        (options.frames.largeFramePercent > 0
             ? " --large " + std::to_string(options.frames.largeFramePercent) +
                   " --large-objects " + std::to_string(options.frames.largeFrameObjects)
             : "");
    SetCaseForCrashReport(&c, origin);
    const std::optional<Divergence> divergence = RunCase(c, &result.stats);
    SetCaseForCrashReport(nullptr, "");
    if (divergence) {
      const Case small = divergence->call >= 0 ? Shrink(c, *divergence) : c;
      const std::optional<Divergence> again = RunCase(small);
      result.report = Report(small, again.value_or(*divergence), origin + " (shrunk)") +
                      "\nas first found:\n" + Report(c, *divergence, origin);
      return result;
    }
    if (options.frameSeed) break;
  }
  return result;
}

}  // namespace tier::fuzz
