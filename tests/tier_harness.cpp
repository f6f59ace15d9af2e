#include "tests/tier_harness.h"

#include <cstdio>
#include <cstdlib>

namespace tier::test {

const host::PluginModule& Plugin() {
  static const host::PluginModule module = [] {
    host::PluginModule loaded = host::LoadTierModule();
    if (!loaded.ok()) {
      std::fprintf(stderr, "cannot load the plug-in: %s\n", loaded.error.c_str());
      std::abort();
    }
    return loaded;
  }();
  return module;
}

std::string ExpressionText(sim::SimHost& sim, int code, bool* wasNull, std::int32_t token) {
  char* text = reinterpret_cast<char*>(Expression(sim, code, token));
  if (wasNull != nullptr) *wasNull = text == nullptr;
  if (text == nullptr) return {};
  std::string copy(text);
  std::free(text);  // the host owns the text; both sides use the C runtime heap
  return copy;
}

}  // namespace tier::test
