// Every routine timed through Tier.vdx, called only through its tables as
// the host calls them, beside the reference model's plain version of the
// same call on the same frame; for running under Wine, where the product
// runs on real pointers:
//   tools/wine-run.sh build/win32/routines_timing.exe [OBJECTS ...]
// Prints one Markdown row per routine: microseconds per call at each size,
// the growth from the smallest to the largest frame, and the model's time
// over the plug-in's.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "testkit/routine_calls.h"

namespace {

using namespace tier::testkit;
using Clock = std::chrono::steady_clock;

constexpr double kMinimumSeconds = 0.05;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Microseconds per call: repeated until kMinimumSeconds of calls have been
// timed; the sorts' keys are scrambled between calls, outside the timing.
template <typename CallOnce, typename Scrambler>
double Time(bool sort, CallOnce call, Scrambler scramble) {
  volatile std::intptr_t sink = call();  // once untimed: first-touch costs
  double timed = 0;
  long calls = 0;
  for (long batch = 1; timed < kMinimumSeconds; batch *= 2) {
    if (sort) {
      for (long i = 0; i < batch; ++i) {
        scramble();
        const Clock::time_point start = Clock::now();
        sink = call();
        timed += Seconds(Clock::now() - start);
      }
    } else {
      const Clock::time_point start = Clock::now();
      for (long i = 0; i < batch; ++i) sink = call();
      timed += Seconds(Clock::now() - start);
    }
    calls += batch;
  }
  (void)sink;
  return timed * 1e6 / static_cast<double>(calls);
}

double TimePlugin(const Routine& r, int balls, int walls) {
  const tier::model::Frame frame = MakeFrame(balls, walls);
  tier::bridge::Layout layout(frame);
  tier::sim::SimHost& sim = layout.sim();
  // One call with the records compared, then the timed calls without.
  // The library the system loads runs its calls unchecked: none ends in a
  // fault.
  PluginCaller checked(sim, r, balls + walls);
  (void)checked.Run();
  if (!checked.Breaches().empty())
    std::fprintf(stderr, "%s broke the host's contract:\n%s", KindName(r).c_str(),
                 tier::hostlink::DescribeBreaches(checked.Breaches()).c_str());
  PluginCaller caller(sim, r, balls + walls, tier::testkit::Plugin(), false);
  std::mt19937 random(11);
  return Time(
      IsSort(r), [&] { return *caller.Run(); },
      [&] { Scramble(sim, Slots(balls + walls), random); });
}

double TimeModel(const Routine& r, int balls, int walls) {
  tier::model::Frame frame = MakeFrame(balls, walls);
  const Call c = MakeCall(r, balls + walls);
  std::mt19937 random(11);
  return Time(
      IsSort(r),
      [&]() -> std::intptr_t {
        StaleSelections(frame);
        return tier::model::Run(frame, c).result;
      },
      [&] { Scramble(frame, random); });
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {500, 2000, 8000};
  if (const std::string error = tier::testkit::PluginLoadError(); !error.empty()) {
    std::fprintf(stderr, "cannot load the plug-in: %s\n", error.c_str());
    return 1;
  }

  PrintTableHead(sizes);
  for (const Routine& r : EveryRoutine()) {
    std::vector<double> times;
    std::printf("| %s %d %s |", KindName(r).c_str(), r.code,
                tier::model::RoutineName(r.kind, r.code));
    for (int n : sizes) {
      times.push_back(TimePlugin(r, n / 2, n / 2));
      std::printf(" %.3g |", times.back());
    }
    std::printf(" %.1f |", times.back() / times.front());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      if (IsPairwise(r) && sizes[i] > kModelPairwiseLimit)
        std::printf(" not run |");
      else
        std::printf(" %.3gx |", TimeModel(r, sizes[i] / 2, sizes[i] / 2) / times[i]);
    }
    std::printf("\n");
    std::fflush(stdout);
  }

  const Routine above{Kind::Condition,
                      tier::plugin::CodeOf(tier::plugin::ConditionCode::CondObjectAbove)},
      increasingX{Kind::Action, tier::plugin::CodeOf(tier::plugin::ActionCode::IncreasingXSort)};
  const double aboveTier = TimePlugin(above, 2000, 2000);
  const double sortTier = TimePlugin(increasingX, 2000, 2000);
  std::printf(
      "\n2,000 Balls + 2,000 Walls: \"%%0 Above %%1?\" (object form) %.3g us, "
      "\"Increasing X Sort\" %.3g us: %.2f x the sort\n",
      aboveTier, sortTier, aboveTier / sortTier);
  return 0;
}
