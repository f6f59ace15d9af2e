#include "testkit/plugin_under_test.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tier::testkit {
namespace {

std::string& PluginPath() {
  static std::string path = [] {
    const char* variable = std::getenv("TIER_MODULE");
    return std::string(variable != nullptr ? variable : "");
  }();
  return path;
}

std::uint64_t& InstructionBudget() {
  static std::uint64_t budget = 0;
  return budget;
}

const std::unique_ptr<hostlink::PluginModule>& Loaded() {
  static const std::unique_ptr<hostlink::PluginModule> module =
      hostlink::LoadTierModule(PluginPath(), InstructionBudget());
  return module;
}

}  // namespace

void SetPluginPath(const std::string& path) { PluginPath() = path; }
void SetInstructionBudget(std::uint64_t budget) { InstructionBudget() = budget; }

std::string PluginLoadError() { return Loaded()->ok() ? "" : Loaded()->error(); }

const hostlink::PluginModule& Plugin() {
  // A program that asks for a plug-in it did not check (PluginLoadError) is
  // broken itself: no caller of Plugin() could do without one.
  if (!Loaded()->ok()) {
    std::fprintf(stderr, "cannot load the plug-in: %s\n", Loaded()->error().c_str());
    std::abort();
  }
  return *Loaded();
}

}  // namespace tier::testkit
