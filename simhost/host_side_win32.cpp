// What a Win32 host program needs to run the plug-in over simulated records:
// services as real __stdcall pointers, and the refresh log from the stub of
// the host's runtime library, which hands each call to the session in effect.
#include <windows.h>

#include <cstdio>

#include "simhost/host_session.h"
#include "simhost/host_side.h"
#include "simhost/test_hooks.h"

namespace tier::host {
namespace {

// The stub keeps one handler for the process; it is always this one.
void InstallRefreshHandler() {
  HMODULE runtime = GetModuleHandleA("VELDRUN.dll");
  if (runtime == nullptr) runtime = LoadLibraryA("VELDRUN.dll");
  using SetHandler = void(TIER_STDCALL*)(sim::RefreshHandler);
  const auto set = runtime == nullptr ? nullptr
                                      : reinterpret_cast<SetHandler>(reinterpret_cast<void*>(
                                            GetProcAddress(runtime, "SetRefreshHandler")));
  // The plug-in that loaded brought the stub in with it: only a build that
  // put another VELDRUN.dll beside the program gets here.
  if (set == nullptr) {
    std::fprintf(stderr, "the stub VELDRUN.dll with SetRefreshHandler is not loadable\n");
    std::abort();
  }
  set(&sim::DeliverRefresh);
}

}  // namespace

}  // namespace tier::host

namespace tier::sim {

void DeliverRefresh(HostAddress frame, HostAddress node, std::int32_t flag) {
  HostSession* session = HostSession::InEffect();
  if (session != nullptr && session->refreshSink) session->refreshSink(frame, node, flag);
}

const void* ResolveStatic(HostAddress address) {
  return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address));
}

void FailHostTextAllocationAfter(int) {}

host::ServiceRef HostSession::Offer(host::ServiceFunction service) {
  // A host the plug-in can call must hear its refreshes too.
  host::InstallRefreshHandler();
  return host::ServiceRef{static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(service))};
}

HostAddress HostSession::StaticAddress(const void* table) { return host::AddressOf(table); }

const void* HostSession::ResolveStatic(HostAddress address) const {
  return sim::ResolveStatic(address);
}

}  // namespace tier::sim
