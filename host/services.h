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

}  // namespace tier::host

#if TIER_WIN32
// Imported by ordinal from the host's runtime library; called through the
// import table directly, with no stub between, as the sorts and "Reverse
// all" call it once per node.
extern "C" __declspec(dllimport) int TIER_STDCALL RefreshNode(void* frame, void* node, int flag);
#endif

namespace tier::host {

// RefreshNode(Frame, node, 1) of the host's runtime library; result ignored.
#if TIER_WIN32
inline void RefreshNode(Frame& frame, DisplayNode& node) { ::RefreshNode(&frame, &node, 1); }
#else
void RefreshNode(Frame& frame, DisplayNode& node);
#endif

// Memory for text handed to the host: the C runtime heap, so the host can
// release it. Null when none can be had.
char* AllocateHostText(std::size_t size);

// The address the descriptor stores for one of the plug-in's static tables.
HostAddress StaticAddress(const void* table);

// A service with the host's calling convention: three words in, one out.
using ServiceFunction = std::uint32_t(TIER_STDCALL*)(std::uint32_t, std::uint32_t, std::uint32_t);

}  // namespace tier::host
