// The plug-in as a host finds it: the product library loaded from disk in the
// Win32 build, the code linked in natively. Either way the routines are
// reached only through the tables that GetRunObjectInfos hands out.
#pragma once

#include <cstdint>
#include <string>

#include "host/records.h"
#include "simhost/host_side.h"

namespace tier::host {

struct PluginModule {
  std::string error;  // empty when loaded
  RunObjectInfos infos{};
  const EventRoutine* conditions = nullptr;
  const EventRoutine* actions = nullptr;
  const ExpressionRoutine* expressions = nullptr;

  using GetInfosFunction = std::int32_t(TIER_STDCALL*)(std::uint32_t);
  using GetRunObjectInfosFunction = std::int32_t(TIER_STDCALL*)(std::uint32_t, RunObjectInfos*);
  using GetRunObjectDataSizeFunction = std::int32_t(TIER_STDCALL*)(std::uint32_t, std::uint32_t);
  GetInfosFunction getInfos = nullptr;
  GetRunObjectInfosFunction getRunObjectInfos = nullptr;
  GetRunObjectDataSizeFunction getRunObjectDataSize = nullptr;

  void* handle = nullptr;  // the module handle (Win32)

  bool ok() const { return error.empty(); }
};

// Asks the module for its descriptor and finds the three routine tables.
inline void ReadDescriptor(PluginModule& module) {
  module.getRunObjectInfos(0, &module.infos);
  module.conditions =
      static_cast<const EventRoutine*>(ResolveStatic(module.infos.conditionRoutines));
  module.actions = static_cast<const EventRoutine*>(ResolveStatic(module.infos.actionRoutines));
  module.expressions =
      static_cast<const ExpressionRoutine*>(ResolveStatic(module.infos.expressionRoutines));
}

// Loads the plug-in (Win32: Tier.vdx beside the running program, or at
// `path` when given) and reads its descriptor.
PluginModule LoadTierModule(const std::string& path = "");

// The module's file version, "1.0.1.0", from its version block (Win32) or
// the one the resource script gives it (native); "unknown" without one.
std::string ModuleVersion(const PluginModule& module);

// String `id` of the module's string table; empty when it has none.
std::string LoadModuleString(const PluginModule& module, unsigned id);

}  // namespace tier::host
