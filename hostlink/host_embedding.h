// How the simulated host embeds the emulator: the records of the host whose
// memory view is in effect shared at their own addresses under the host's
// access rule, the host's services behind a call gate at the addresses
// their ServiceRefs hold, and the host's runtime library (RefreshNode,
// ordinal 108 of VELDRUN.dll) among the imports.
#pragma once

#include "emulator/emulated_dll.h"

namespace tier::host {

// Load options for a library that the simulated host runs.
emulator::LoadOptions HostLoadOptions();

}  // namespace tier::host
