#include "tests/tier_harness.h"

#include <cstdio>
#include <cstdlib>

namespace tier::test {

namespace {

std::string& PluginPath() {
  static std::string path = [] {
    const char* variable = std::getenv("TIER_MODULE");
    return std::string(variable != nullptr ? variable : "");
  }();
  return path;
}

}  // namespace

void SetPluginPath(const std::string& path) { PluginPath() = path; }

const host::PluginModule& Plugin() {
  static const std::unique_ptr<host::PluginModule> module = [] {
    std::unique_ptr<host::PluginModule> loaded = host::LoadTierModule(PluginPath());
    if (!loaded->ok()) {
      std::fprintf(stderr, "cannot load the plug-in: %s\n", loaded->error().c_str());
      std::abort();
    }
    return loaded;
  }();
  return *module;
}

std::string ExpressionText(sim::SimHost& sim, int code, bool* wasNull, std::int32_t token) {
  const std::optional<std::string> text = Plugin().TakeText(Expression(sim, code, token));
  if (wasNull != nullptr) *wasNull = !text.has_value();
  return text.value_or("");
}

}  // namespace tier::test
