// Hooks that only tests call, kept out of every header the plug-in includes.
#pragma once

namespace tier::sim {

// Makes the next `countdown` host-text allocations succeed and the one after
// fail (native builds; a negative countdown never fails).
void FailHostTextAllocationAfter(int countdown);

}  // namespace tier::sim
