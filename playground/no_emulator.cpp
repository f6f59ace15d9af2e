// The browser build has no CPU emulator: the page runs the linked-in plug-in
// only and never names a library file, so no path reaches this.
#include "hostlink/emulated_module.h"

namespace tier::hostlink {

std::unique_ptr<PluginModule> LoadEmulatedModule(const std::string&, bool, std::uint64_t) {
  return nullptr;
}

}  // namespace tier::hostlink
