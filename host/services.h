// The host's services, as the plug-in calls them. How a host program offers
// them is simhost/host_side.h.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace tier::host {

// The condition's next parameter word: GetNextParameter(RunData, 0xFFFF, 0).
std::uint32_t GetNextParameter(const RunData& runData);

// The expression's argument: GetExpressionParameter(RunData, kind, token).
std::uint32_t GetExpressionParameter(const RunData& runData, std::int32_t kind, std::int32_t token);

// RefreshNode(Frame, node, 1) of the host's runtime library; result ignored.
void RefreshNode(Frame& frame, DisplayNode& node);

// Memory for text handed to the host: the C runtime heap, so the host can
// release it. Null when none can be had.
char* AllocateHostText(std::size_t size);

// The address the descriptor stores for one of the plug-in's static tables.
HostAddress StaticAddress(const void* table);

// A service with the host's calling convention: three words in, one out.
using ServiceFunction = std::uint32_t(TIER_STDCALL*)(std::uint32_t, std::uint32_t, std::uint32_t);

}  // namespace tier::host
