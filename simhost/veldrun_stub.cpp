// A stand-in for the host's runtime library, for running the plug-in outside
// the host: RefreshNode (ordinal 108) hands each call to the handler that the
// host program installed with SetRefreshHandler, and otherwise does nothing.
#include <cstdint>

#include "simhost/host_side.h"

namespace {
tier::sim::RefreshHandler g_handler = nullptr;
}  // namespace

extern "C" {

// Exported as RefreshNode (veldrun_stub.def); a name of its own, as the
// plug-in's headers declare RefreshNode as an import.
int TIER_STDCALL StubRefreshNode(void* frame, void* node, int flag) {
  if (g_handler != nullptr)
    g_handler(tier::host::AddressOf(frame), tier::host::AddressOf(node), flag);
  return 0;
}

void TIER_STDCALL SetRefreshHandler(tier::sim::RefreshHandler handler) { g_handler = handler; }

}  // extern "C"
