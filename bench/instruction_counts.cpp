// Prints the instructions that each of the 46 routines of Tier.vdx runs per
// call in the emulator, on frames of 500, 2,000 and 8,000 objects:
//   instruction_counts [--table] [--module PATH]   (default: build/win32/Tier.vdx)
// one line per routine: code kind "display string" count500 count2000 count8000;
// with --table, the rows of the README's table, which a test holds the
// library to. With --profile KIND CODE [OBJECTS], where one call's
// instructions go, per function and per loop (bench/instruction_profile.h).
#include "tests/workload/instruction_counts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/instruction_profile.h"

namespace {

// 2512864 as "2,512,864".
std::string WithCommas(unsigned long long value) {
  std::string digits = std::to_string(value);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(at, ",");
  return digits;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = TIER_DEFAULT_MODULE;
  bool table = false;
  std::string profileKind;
  int profileCode = 0, profileObjects = 8000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--table") == 0) {
      table = true;
    } else if (std::strcmp(argv[i], "--module") == 0 && i + 1 < argc) {
      path = argv[++i];
    } else if (std::strcmp(argv[i], "--profile") == 0 && i + 2 < argc) {
      profileKind = argv[++i];
      profileCode = std::atoi(argv[++i]);
      if (i + 1 < argc && argv[i + 1][0] != '-') profileObjects = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: %s [--table] [--module PATH] [--profile KIND CODE [OBJECTS]]\n",
                   argv[0]);
      return 2;
    }
  }
  if (!profileKind.empty()) {
    // The map lies beside the library, as the win32 build writes it.
    const std::string map = path.substr(0, path.find_last_of('.')) + ".map";
    for (const tier::bench::Routine& routine : tier::bench::EveryRoutine())
      if (tier::bench::KindName(routine) == profileKind && routine.code == profileCode)
        return tier::bench::PrintInstructionProfile(path, map, routine, profileObjects) ? 0 : 1;
    std::fprintf(stderr, "no routine %s %d\n", profileKind.c_str(), profileCode);
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
    const std::string name = tier::bench::KindName(routine);
    const std::string text(row.displayText);
    std::string breaches;
    std::vector<unsigned long long> counts;
    try {
      for (int n : tier::bench::kCountedSizes)
        counts.push_back(tier::bench::InstructionsPerCall(emulated, routine, n, breaches));
    } catch (const tier::host::PluginFault& fault) {
      std::printf("%d %s \"%s\" -\n", routine.code, name.c_str(), text.c_str());
      std::fprintf(stderr, "%s\n", fault.what());
      continue;
    }
    if (table) {
      std::printf("| %s %d \"%s\" |", name.c_str(), routine.code, text.c_str());
      for (unsigned long long count : counts) std::printf(" %s |", WithCommas(count).c_str());
      std::printf(" %.1f |\n", static_cast<double>(counts.back()) / counts.front());
    } else {
      std::printf("%d %s \"%s\"", routine.code, name.c_str(), text.c_str());
      for (unsigned long long count : counts) std::printf(" %llu", count);
      std::printf("\n");
    }
    if (!breaches.empty()) std::fprintf(stderr, "broke the host's contract:\n%s", breaches.c_str());
    std::fflush(stdout);
  }
  return 0;
}
