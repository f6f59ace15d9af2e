// Natively the plug-in is linked in: its exports are plain functions and its
// string table is the one the catalogue describes.
#include "simhost/plugin_module.h"
#include "plugin/catalogue.h"
#include "plugin/exports.h"

namespace tier::host {

PluginModule LoadTierModule(const std::string&) {
  PluginModule module;
  module.getInfos = &GetInfos;
  module.getRunObjectInfos = &GetRunObjectInfos;
  module.getRunObjectDataSize = &GetRunObjectDataSize;
  ReadDescriptor(module);
  return module;
}

// The version that tools/resource_script.h writes into the product's block.
std::string ModuleVersion(const PluginModule&) { return "1.0.1.0"; }

std::string LoadModuleString(const PluginModule&, unsigned id) {
  return std::string(plugin::StringText(static_cast<std::uint16_t>(id)));
}

}  // namespace tier::host
