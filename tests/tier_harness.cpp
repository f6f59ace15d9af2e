#include "tests/tier_harness.h"

#include <gtest/gtest.h>

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

const std::unique_ptr<host::PluginModule>& Loaded() {
  static const std::unique_ptr<host::PluginModule> module = host::LoadTierModule(PluginPath());
  return module;
}

}  // namespace

void SetPluginPath(const std::string& path) { PluginPath() = path; }

std::string PluginLoadError() { return Loaded()->ok() ? "" : Loaded()->error(); }

const host::PluginModule& Plugin() {
  if (!Loaded()->ok()) {
    std::fprintf(stderr, "cannot load the plug-in: %s\n", Loaded()->error().c_str());
    std::abort();
  }
  return *Loaded();
}

host::CallOutcome Call(sim::SimHost& sim, const plugin::RoutineInfo& routine,
                       const host::CallWords& words, bool takeText) {
  host::CallOutcome outcome = host::CallRoutine(Plugin(), sim, routine, words,
                                                {.compareRecords = true, .takeText = takeText});
  if (!outcome.breaches.empty())
    ADD_FAILURE() << routine.routineName << " \"" << routine.displayText
                  << "\" broke the host's contract:\n"
                  << host::DescribeBreaches(outcome.breaches);
  return outcome;
}

std::string ExpressionText(sim::SimHost& sim, plugin::ExpressionCode code, bool* wasNull,
                           std::int32_t token) {
  const std::optional<std::string> text = Call(sim, plugin::Row(code), {0, 0, token}, true).text;
  if (wasNull != nullptr) *wasNull = !text.has_value();
  return text.value_or("");
}

}  // namespace tier::test
