// In the Win32 build a host program meets the plug-in as the host does: the
// product library loaded from disk, its exports found by name, the routine
// tables taken from the descriptor, the strings read from its resources.
#include <windows.h>

#include "host/plugin_module.h"
#include "host/services.h"

namespace tier::host {
namespace {

// Tier.vdx in the folder of the running program.
std::string DefaultModulePath() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return "Tier.vdx";
  std::string folder(path, length);
  const std::size_t slash = folder.find_last_of("\\/");
  folder.erase(slash == std::string::npos ? 0 : slash + 1);
  return folder + "Tier.vdx";
}

template <typename Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

PluginModule LoadTierModule(const std::string& path) {
  PluginModule module;
  const std::string file = path.empty() ? DefaultModulePath() : path;
  HMODULE library = LoadLibraryA(file.c_str());
  if (library == nullptr) {
    module.error = "LoadLibrary(" + file + ") failed, error " + std::to_string(GetLastError());
    return module;
  }
  module.handle = library;
  module.getInfos = Export<PluginModule::GetInfosFunction>(library, "GetInfos");
  module.getRunObjectInfos =
      Export<PluginModule::GetRunObjectInfosFunction>(library, "GetRunObjectInfos");
  module.getRunObjectDataSize =
      Export<PluginModule::GetRunObjectDataSizeFunction>(library, "GetRunObjectDataSize");
  if (module.getInfos == nullptr || module.getRunObjectInfos == nullptr ||
      module.getRunObjectDataSize == nullptr) {
    module.error = file + " lacks GetInfos, GetRunObjectInfos or GetRunObjectDataSize";
    return module;
  }
  module.getRunObjectInfos(0, &module.infos);
  module.conditions =
      static_cast<const EventRoutine*>(ResolveStatic(module.infos.conditionRoutines));
  module.actions = static_cast<const EventRoutine*>(ResolveStatic(module.infos.actionRoutines));
  module.expressions =
      static_cast<const ExpressionRoutine*>(ResolveStatic(module.infos.expressionRoutines));
  return module;
}

std::string LoadModuleString(const PluginModule& module, unsigned id) {
  // A string resource holds at most 65535 characters.
  static char buffer[65536];
  const int length = LoadStringA(static_cast<HMODULE>(module.handle), id, buffer, sizeof buffer);
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

}  // namespace tier::host
