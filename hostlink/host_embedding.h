// How the simulated host embeds the emulator: the records of the host in
// effect (simhost/host_session.h) shared at their own addresses under the host's
// access rule, the host's services behind a call gate at the addresses
// their ServiceRefs hold, and the host's runtime library (RefreshNode,
// ordinal 108 of VELDRUN.dll) among the imports.
#pragma once

#include <functional>

#include "emulator/emulated_dll.h"
#include "simhost/sim_host.h"

namespace tier::hostlink {

// The simulated host whose routine call runs now (the host in effect while
// the module runs a routine); null outside such a call.
using CurrentHost = std::function<const sim::SimHost*()>;

// Load options for a library that the simulated host runs. During a routine
// call of `currentHost` every access to its memory is checked field by field
// against the host's contract (simhost/field_check.h); at other times (the
// library's start-up, its descriptor) an access must lie inside a record.
emulator::LoadOptions HostLoadOptions(CurrentHost currentHost = nullptr);

}  // namespace tier::hostlink
