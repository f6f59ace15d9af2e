// Instructions per routine call of the product library run in the emulator:
// a measure of cost that does not depend on the machine or its load, so that
// tests may assert on how it grows. The frames and calls are the routine
// benchmark's (testkit/routine_calls.h): n objects, Balls and Walls.
#pragma once

#include <cstdint>
#include <string>

#include "bridge/frame_records.h"
#include "hostlink/emulated_module.h"
#include "support/result.h"
#include "testkit/routine_calls.h"

namespace tier::testkit {

// The sizes of the table, the routine benchmark's.
inline constexpr int kCountedSizes[] = {500, 2000, 8000};

// Instructions of one call of `routine` on a fresh frame of `n` objects (the
// sorts on keys scrambled with a fixed seed), or the fault that ended the
// call. `module` counts instructions. The call's writes outside the fields the plug-in may write,
// if any, go to `breaches`.
inline Result<std::uint64_t> InstructionsPerCall(const hostlink::EmulatedModule& module,
                                                 Routine routine, int n, std::string& breaches) {
  bridge::Layout layout(MakeFrame(n / 2, n - n / 2));
  sim::SimHost& sim = layout.sim();
  if (IsSort(routine)) {
    std::mt19937 random(11);
    Scramble(sim, Slots(n), random);
  }
  PluginCaller caller(sim, routine, n, module);
  const Result<std::intptr_t> answer = caller.Run();
  breaches = hostlink::DescribeBreaches(caller.Breaches());
  if (!answer) return Error{answer.error()};
  return module.InstructionsOfLastCall();
}

}  // namespace tier::testkit
