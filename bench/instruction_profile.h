// Where one routine call's instructions go in Tier.vdx: counted per address
// in the emulator, then summed per function (the linker's map names each
// function's section) and per basic block, the hottest blocks being the
// loops.
#pragma once

#include <string>

#include "testkit/routine_calls.h"

namespace tier::bench {

// Prints the profile of one call of `routine` on the frame of `n` objects
// that instruction_counts measures; `mapPath` is the map written beside the
// library. False, with a message on standard error, when it cannot.
bool PrintInstructionProfile(const std::string& modulePath, const std::string& mapPath,
                             const testkit::Routine& routine, int n);

}  // namespace tier::bench
