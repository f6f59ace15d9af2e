#include "testkit/fuzz/driver.h"

namespace tier::testkit::fuzz {

std::uint64_t FrameSeed(std::uint64_t seed, std::uint64_t index) {
  return seed * 1000003ull + index;
}

namespace {

// Runs one frame; false when the plug-in and the model disagreed, with the
// report in `result`.
bool RunFrame(const DriverOptions& options, std::uint64_t index, std::uint64_t frameSeed,
              const plugin::RoutineInfo* only, DriverResult& result) {
  SeededSource source(frameSeed);
  const Case c = MakeCase(source, 1 + source.Below(options.maxCallsPerFrame), options.frames, only);
  const std::string origin =
      "seed " + std::to_string(options.seed) + ", frame " + std::to_string(index) +
      (only != nullptr ? " of calls to " + std::string(only->routineName) + " alone" : "") +
      ": rerun alone with --frame-seed " + std::to_string(frameSeed) + " --max-calls " +
      std::to_string(options.maxCallsPerFrame) +
      (only != nullptr ? " --only " + std::string(only->routineName) : "") +
      (options.frames.objectsWithinBounds ? " --within-bounds" : "") +
      (options.frames.largeFramePercent > 0
           ? " --large " + std::to_string(options.frames.largeFramePercent) + " --large-objects " +
                 std::to_string(options.frames.largeFrameObjects)
           : "");
  SetCaseForCrashReport(&c, origin);
  const std::optional<Divergence> divergence = RunCase(c, &result.stats);
  SetCaseForCrashReport(nullptr, "");
  if (!divergence) return true;
  const Case small = divergence->call >= 0 ? Shrink(c, *divergence) : c;
  const std::optional<Divergence> again = RunCase(small);
  result.report = Report(small, again.value_or(*divergence), origin + " (shrunk)") +
                  "\nas first found:\n" + Report(c, *divergence, origin);
  return false;
}

// The seed of the `index`th frame of calls to one routine alone: apart from
// the seeds of the run.
std::uint64_t OnlySeed(std::uint64_t seed, const plugin::RoutineInfo& row, std::uint64_t index) {
  return FrameSeed(seed ^ 0x5EED0000ull, (plugin::IndexOf(row) + 1) * 1000003ull + index);
}

}  // namespace

DriverResult RunDriver(const DriverOptions& options) {
  DriverResult result;
  for (std::uint64_t index = 0; result.stats.totalCalls < options.calls; ++index) {
    const std::uint64_t frameSeed = options.frameSeed.value_or(FrameSeed(options.seed, index));
    if (!RunFrame(options, index, frameSeed, options.only, result)) return result;
    if (options.frameSeed) break;
  }
  for (const plugin::RoutineInfo& row : plugin::kCatalogue) {
    const std::size_t r = plugin::IndexOf(row);
    int frames = 0;
    for (; result.stats.effects[r] < options.effects && frames < options.effectFrames; ++frames)
      if (!RunFrame(options, frames, OnlySeed(options.seed, row, frames), &row, result))
        return result;
    if (result.stats.effects[r] < options.effects)
      result.shortOfEffects +=
          std::string(plugin::KindWord(row.kind)) + " " + std::to_string(row.code) + " " +
          std::string(row.routineName) + " did something in " +
          std::to_string(result.stats.effects[r]) + " of " + std::to_string(result.stats.calls[r]) +
          " calls, fewer than " + std::to_string(options.effects) + ", even with " +
          std::to_string(frames) +
          " frames of calls to it alone. Its arguments do not reach past its early exits: "
          "choose them by its parameters' roles in MakeCall (tests/fuzz/cases.cpp) and "
          "ParameterPicker (tests/fuzz/parameters.h), or give its row the role its "
          "arguments need (plugin/catalogue.h).\n";
  }
  return result;
}

}  // namespace tier::testkit::fuzz
