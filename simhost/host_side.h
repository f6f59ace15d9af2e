// The host's side of the services: what a program that plays the host (the
// simulated host, the host program, the tests) does so that the plug-in's
// service calls reach it. Each reaches the session in effect
// (simhost/host_session.h). The plug-in never includes this header.
#pragma once

#include <cstdint>

#include "host/services.h"

namespace tier::sim {

using host::HostAddress;
using host::ServiceFunction;

// Receives every RefreshNode call (frame and node as host addresses).
using RefreshHandler = void (*)(HostAddress frame, HostAddress node, std::int32_t flag);

// The table behind an address that the descriptor holds.
const void* ResolveStatic(HostAddress address);

// Passes a RefreshNode call on to the session in effect, as the host's
// runtime library does.
void DeliverRefresh(HostAddress frame, HostAddress node, std::int32_t flag);

#if !TIER_WIN32
// Natively a service's reference is an address in this page, one slot of
// kServiceSlotBytes per service, so that a plug-in run in a CPU emulator can
// call it: the emulator puts code there that reaches ServiceAt.
constexpr HostAddress kServiceStubs = 0x7FFF0000;
constexpr HostAddress kServiceSlotBytes = 16;
// The service at `address` of the session in effect; null when none has it.
ServiceFunction ServiceAt(HostAddress address);
#endif

}  // namespace tier::sim
