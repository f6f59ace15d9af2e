// Prints the instructions that each of the 46 routines of Tier.vdx runs per
// call in the emulator, on frames of 500, 2,000 and 8,000 objects:
//   instruction_counts [--module PATH]      (default: build/win32/Tier.vdx)
// one line per routine: code kind "display string" count500 count2000 count8000.
#include "tests/workload/instruction_counts.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  std::string path = TIER_DEFAULT_MODULE;
  if (argc == 3 && std::strcmp(argv[1], "--module") == 0) {
    path = argv[2];
  } else if (argc != 1) {
    std::fprintf(stderr, "usage: %s [--module PATH]\n", argv[0]);
    return 2;
  }
  const auto module = tier::host::LoadEmulatedModule(path, /*countInstructions=*/true);
  if (!module->ok()) {
    std::fprintf(stderr, "cannot load the plug-in: %s\n", module->error().c_str());
    return 1;
  }
  const auto& emulated = static_cast<const tier::host::EmulatedModule&>(*module);
  for (const tier::bench::Routine& routine : tier::bench::EveryRoutine()) {
    const tier::plugin::RoutineInfo& row = tier::bench::RowOf(routine);
    std::printf("%d %s \"%.*s\"", routine.code, tier::bench::KindName(routine).c_str(),
                static_cast<int>(row.displayText.size()), row.displayText.data());
    std::string breaches;
    try {
      for (int n : tier::bench::kCountedSizes)
        std::printf(" %llu", static_cast<unsigned long long>(
                                 tier::bench::InstructionsPerCall(emulated, routine, n, breaches)));
    } catch (const tier::host::PluginFault& fault) {
      std::printf(" -\n");
      std::fprintf(stderr, "%s\n", fault.what());
      continue;
    }
    std::printf("\n");
    if (!breaches.empty()) std::fprintf(stderr, "broke the host's contract:\n%s", breaches.c_str());
    std::fflush(stdout);
  }
  return 0;
}
