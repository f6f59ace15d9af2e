// The host's services, as the plug-in calls them, and the hooks through which
// a host (real or simulated) provides them.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace tier::host {

// --- Called by the plug-in -------------------------------------------------

// The condition's next parameter word: GetNextParameter(RunData, 0xFFFF, 0).
std::uint32_t GetNextParameter(const RunData& runData);

// The expression's argument: GetExpressionParameter(RunData, kind, token).
std::uint32_t GetExpressionParameter(const RunData& runData, std::int32_t kind,
                                     std::int32_t token);

// RefreshNode(Frame, node, 1) of the host's runtime library; result ignored.
void RefreshNode(Frame& frame, DisplayNode& node);

// Memory for text handed to the host: the C runtime heap, so the host can
// release it. Null when none can be had.
char* AllocateHostText(std::size_t size);

// The address the descriptor stores for one of the plug-in's static tables.
HostAddress StaticAddress(const void* table);

// --- Used by a host that runs the plug-in ----------------------------------

// A service with the host's calling convention: three words in, one out.
using ServiceFunction = std::uint32_t(TIER_STDCALL*)(std::uint32_t, std::uint32_t, std::uint32_t);
ServiceRef MakeServiceRef(ServiceFunction function);

// Receives every RefreshNode call (frame and node as host addresses).
using RefreshHandler = void (*)(HostAddress frame, HostAddress node, std::int32_t flag);
void InstallRefreshHandler(RefreshHandler handler);

// The table behind an address that the descriptor holds.
const void* ResolveStatic(HostAddress address);

// Makes the next `countdown` host-text allocations succeed and the one after
// fail (native builds; a negative countdown never fails). For tests.
void FailHostTextAllocationAfter(int countdown);

}  // namespace tier::host
