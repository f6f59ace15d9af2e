// Prints the instructions that each routine of Tier.vdx runs per
// call in the emulator, on frames of 500, 2,000 and 8,000 objects:
//   instruction_counts [--table] [--module PATH] [--instruction-budget N]
//   (default: build/win32/Tier.vdx, and each call's budget by its frame)
// one line per routine: code kind "display string" count500 count2000 count8000,
// then at 8,000 objects the deepest stack the call touched and the most heap
// it held at once, in bytes ("stack 412 heap 96000"); with --table, the content
// of docs/instruction_counts.tsv, the committed counts that a test holds the
// library to: a header line, then one line per routine of kind, code, display
// string and the three counts, tab-separated. With --profile KIND CODE
// [OBJECTS], where one call's instructions go, per function and per loop
// (bench/instruction_profile.h).
#include "testkit/instruction_counts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/instruction_profile.h"

int main(int argc, char** argv) {
  std::string path = TIER_DEFAULT_MODULE;
  bool table = false;
  std::string profileKind;
  int profileCode = 0, profileObjects = 8000;
  unsigned long long budget = 0;  // each call's by its frame
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf(
          "usage: %s [--table] [--module PATH] [--instruction-budget N]\n"
          "       %s --profile KIND CODE [OBJECTS] [--module PATH]\n"
          "Prints the instructions each routine of the library runs per call in the CPU\n"
          "emulator at 500, 2,000 and 8,000 objects, then the deepest stack and the most\n"
          "heap its call at 8,000 objects took, in bytes.\n"
          "  --table                  the content of docs/instruction_counts.tsv instead\n"
          "  --module PATH            that library (default: build/win32/Tier.vdx)\n"
          "  --instruction-budget N   each call may run N instructions (default:\n"
          "                           4,000,000 and 2,000 per object slot)\n"
          "  --profile KIND CODE [N]  where one call at N objects (8,000) spends its\n"
          "                           instructions, per function and per loop, named\n"
          "                           from the map beside the library (Tier.map)\n",
          argv[0], argv[0]);
      return 0;
    }
    if (std::strcmp(argv[i], "--table") == 0) {
      table = true;
    } else if (std::strcmp(argv[i], "--module") == 0 && i + 1 < argc) {
      path = argv[++i];
    } else if (std::strcmp(argv[i], "--instruction-budget") == 0 && i + 1 < argc &&
               (budget = std::strtoull(argv[i + 1], nullptr, 10)) > 0) {
      ++i;
    } else if (std::strcmp(argv[i], "--profile") == 0 && i + 2 < argc) {
      profileKind = argv[++i];
      profileCode = std::atoi(argv[++i]);
      if (i + 1 < argc && argv[i + 1][0] != '-') profileObjects = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr,
                   "usage: %s [--table] [--module PATH] [--instruction-budget N]"
                   " [--profile KIND CODE [OBJECTS]]\n",
                   argv[0]);
      return 2;
    }
  }
  if (!profileKind.empty()) {
    // The map lies beside the library, as the win32 build writes it.
    const std::string map = path.substr(0, path.find_last_of('.')) + ".map";
    for (const tier::testkit::Routine& routine : tier::testkit::EveryRoutine())
      if (tier::testkit::KindName(routine) == profileKind && routine.code == profileCode)
        return tier::bench::PrintInstructionProfile(path, map, routine, profileObjects) ? 0 : 1;
    std::fprintf(stderr, "no routine %s %d\n", profileKind.c_str(), profileCode);
    return 2;
  }
  const auto module = tier::hostlink::LoadEmulatedModule(path, /*countInstructions=*/true, budget);
  if (!module->ok()) {
    std::fprintf(stderr, "cannot load the plug-in: %s\n", module->error().c_str());
    return 1;
  }
  const auto& emulated = static_cast<const tier::hostlink::EmulatedModule&>(*module);
  if (table) {
    std::printf("kind\tcode\tdisplay string");
    for (int n : tier::testkit::kCountedSizes) std::printf("\t%d", n);
    std::printf("\n");
  }
  for (const tier::testkit::Routine& routine : tier::testkit::EveryRoutine()) {
    const tier::plugin::RoutineInfo& row = tier::testkit::RowOf(routine);
    const std::string name = tier::testkit::KindName(routine);
    const std::string text(row.displayText);
    std::string breaches;
    std::vector<unsigned long long> counts;
    std::string fault;
    for (int n : tier::testkit::kCountedSizes) {
      const tier::Result<std::uint64_t> count =
          tier::testkit::InstructionsPerCall(emulated, routine, n, breaches);
      if (!count) {
        fault = count.error();
        break;
      }
      counts.push_back(*count);
    }
    if (!fault.empty()) {
      std::printf("%d %s \"%s\" -\n", routine.code, name.c_str(), text.c_str());
      std::fprintf(stderr, "%s\n", fault.c_str());
      continue;
    }
    if (table) {
      std::printf("%s\t%d\t%s", name.c_str(), routine.code, text.c_str());
      for (unsigned long long count : counts) std::printf("\t%llu", count);
      std::printf("\n");
    } else {
      std::printf("%d %s \"%s\"", routine.code, name.c_str(), text.c_str());
      for (unsigned long long count : counts) std::printf(" %llu", count);
      // The last call was the one at 8,000 objects.
      std::printf(" stack %u heap %u\n", emulated.LastCall().stackBytes,
                  emulated.LastCall().heapBytes);
    }
    if (!breaches.empty()) std::fprintf(stderr, "broke the host's contract:\n%s", breaches.c_str());
    std::fflush(stdout);
  }
  return 0;
}
