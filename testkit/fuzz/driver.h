// The fuzzer's loop: frames from consecutive seeds, each with a run of calls,
// until enough calls have been made or the plug-in and the model disagree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "testkit/fuzz/differential.h"

namespace tier::testkit::fuzz {

struct DriverOptions {
  std::uint64_t seed = 1;
  long long calls = 100000;
  int maxCallsPerFrame = 40;
  std::optional<std::uint64_t> frameSeed;  // run this one frame only
  FrameOptions frames;
  const plugin::RoutineInfo* only = nullptr;  // every call to this routine
  // After the run, each routine with fewer than `effects` calls that did
  // something gets frames of its own, calls to it alone, until it has them or
  // `effectFrames` such frames have run. The run above stays as it was.
  int effects = 0;
  int effectFrames = 400;
};

struct DriverResult {
  std::string report;  // empty when every call agreed
  Stats stats;
  // For each routine still short of `effects`, what it lacks and what to do.
  std::string shortOfEffects;
};

// The seed of frame `index` of a run.
std::uint64_t FrameSeed(std::uint64_t seed, std::uint64_t index);

DriverResult RunDriver(const DriverOptions& options);

}  // namespace tier::testkit::fuzz
