// The differential fuzzer as a program, for long runs:
//   tier_differential --seed S --calls N [--max-calls K] [--frame-seed X] [--within-bounds]
//                     [--large PERCENT] [--large-objects N] [--module PATH]
//                     [--only ROUTINE] [--effects K]
// --within-bounds keeps every object in slots 0..max(objectCount, objectLimit);
// --large draws that percent of the frames with 200 to N objects (3000);
// --module runs that library (natively: in the emulator) instead of the
// plug-in the program would load, as TIER_MODULE does; --only calls that
// routine alone (its name in the catalogue); --effects gives each routine
// short of K calls with an effect frames of its own after the run.
// Exits 0 when the plug-in and the reference model agreed on every call.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "tests/fuzz/driver.h"
#include "tests/tier_harness.h"

namespace {

const tier::plugin::RoutineInfo* RoutineNamed(std::string_view name) {
  for (const tier::plugin::RoutineInfo& row : tier::plugin::kCatalogue)
    if (row.routineName == name) return &row;
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  tier::fuzz::DriverOptions options;
  for (int i = 1; i < argc; i += 2) {
    if (std::strcmp(argv[i], "--within-bounds") == 0) {
      options.frames.objectsWithinBounds = true;
      --i;
      continue;
    }
    const char* value = i + 1 < argc ? argv[i + 1] : "";
    if (std::strcmp(argv[i], "--seed") == 0)
      options.seed = std::strtoull(value, nullptr, 10);
    else if (std::strcmp(argv[i], "--calls") == 0)
      options.calls = std::strtoll(value, nullptr, 10);
    else if (std::strcmp(argv[i], "--max-calls") == 0)
      options.maxCallsPerFrame = std::atoi(value);
    else if (std::strcmp(argv[i], "--frame-seed") == 0)
      options.frameSeed = std::strtoull(value, nullptr, 10);
    else if (std::strcmp(argv[i], "--large") == 0)
      options.frames.largeFramePercent = std::atoi(value);
    else if (std::strcmp(argv[i], "--large-objects") == 0)
      options.frames.largeFrameObjects = std::atoi(value);
    else if (std::strcmp(argv[i], "--module") == 0)
      tier::test::SetPluginPath(value);
    else if (std::strcmp(argv[i], "--effects") == 0)
      options.effects = std::atoi(value);
    else if (std::strcmp(argv[i], "--only") == 0 && RoutineNamed(value) != nullptr)
      options.only = RoutineNamed(value);
    else {
      std::fprintf(stderr,
                   "usage: %s --seed S --calls N [--max-calls K] [--frame-seed X] [--within-bounds]"
                   " [--large PERCENT] [--large-objects N] [--module PATH] [--only ROUTINE]"
                   " [--effects K]\n",
                   argv[0]);
      return 2;
    }
  }
  if (const std::string error = tier::test::PluginLoadError(); !error.empty()) {
    std::fprintf(stderr, "cannot load the plug-in: %s\n", error.c_str());
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const tier::fuzz::DriverResult result = tier::fuzz::RunDriver(options);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("seed %llu: %s", static_cast<unsigned long long>(options.seed),
              result.stats.Summary().c_str());
  std::printf("wall time %.1f s\n", seconds);
  std::fputs(result.shortOfEffects.c_str(), stdout);
  if (!result.report.empty()) {
    std::fputs(result.report.c_str(), stdout);
    return 1;
  }
  std::printf("the plug-in and the reference model agreed on every call\n");
  return 0;
}
