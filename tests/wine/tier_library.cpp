#include "tests/wine/tier_library.h"

#include <cstdio>
#include <cstdlib>

#include "simhost/plugin_module.h"

namespace tier::test {

HMODULE TierLibrary() {
  static const HMODULE library = [] {
    const host::PluginModule module = host::LoadTierModule();
    if (module.handle == nullptr) {
      std::fprintf(stderr, "cannot load Tier.vdx: %s\n", module.error.c_str());
      std::abort();
    }
    return static_cast<HMODULE>(module.handle);
  }();
  return library;
}

bool InsideLibrary(const void* address) {
  const auto* image = reinterpret_cast<const BYTE*>(TierLibrary());
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image + dos->e_lfanew);
  const auto* byte = static_cast<const BYTE*>(address);
  return byte >= image && byte < image + nt->OptionalHeader.SizeOfImage;
}

}  // namespace tier::test
