// The host's side of the services: what a program that plays the host (the
// simulated host, the host program, the tests) does so that the plug-in's
// service calls reach it. The plug-in never includes this header.
#pragma once

#include <cstdint>

#include "host/services.h"

namespace tier::host {

ServiceRef MakeServiceRef(ServiceFunction function);

// Receives every RefreshNode call (frame and node as host addresses).
using RefreshHandler = void (*)(HostAddress frame, HostAddress node, std::int32_t flag);
void InstallRefreshHandler(RefreshHandler handler);

// The table behind an address that the descriptor holds.
const void* ResolveStatic(HostAddress address);

}  // namespace tier::host
