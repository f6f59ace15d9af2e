// What a Win32 host program needs to run the plug-in over simulated records:
// services as real __stdcall pointers, and the refresh log from the stub of
// the host's runtime library.
#include <windows.h>

#include <cstdio>

#include "simhost/host_side.h"
#include "simhost/test_hooks.h"

namespace tier::host {

ServiceRef MakeServiceRef(ServiceFunction function) {
  return ServiceRef{static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(function))};
}

void InstallRefreshHandler(RefreshHandler handler) {
  HMODULE runtime = GetModuleHandleA("VELDRUN.dll");
  if (runtime == nullptr) runtime = LoadLibraryA("VELDRUN.dll");
  using SetHandler = void(TIER_STDCALL*)(RefreshHandler);
  const auto set = runtime == nullptr ? nullptr
                                      : reinterpret_cast<SetHandler>(reinterpret_cast<void*>(
                                            GetProcAddress(runtime, "SetRefreshHandler")));
  if (set == nullptr) {
    std::fprintf(stderr, "the stub VELDRUN.dll with SetRefreshHandler is not loadable\n");
    std::abort();
  }
  set(handler);
}

const void* ResolveStatic(HostAddress address) {
  return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address));
}

void FailHostTextAllocationAfter(int) {}

}  // namespace tier::host
