// Natively the plug-in is linked in: its exports are plain functions, its
// tables reached through the addresses the descriptor holds, and its string
// table and version the ones the catalogue describes. A path loads the
// product library into the emulator instead.
#include "hostlink/emulated_module.h"
#include "hostlink/plugin_module.h"
#include "plugin/catalogue.h"
#include "plugin/exports.h"
#include "plugin/version.h"
#include "simhost/host_session.h"

namespace tier::hostlink {
namespace {

class LinkedInModule final : public DirectModule {
 public:
  // The descriptor's tables get their addresses in a session of the
  // module's own, whatever host is in effect, and are found again in it.
  LinkedInModule() {
    sim::HostSession loading;
    GetRunObjectInfos(0, &infos_);
    FindTables();
  }

  std::string Version() const override { return plugin::VersionText(); }
  std::string String(unsigned id) const override {
    return std::string(plugin::StringText(static_cast<std::uint16_t>(id)));
  }
};

}  // namespace

std::unique_ptr<PluginModule> LoadTierModule(const std::string& path,
                                             std::uint64_t instructionBudget) {
  if (!path.empty()) return LoadEmulatedModule(path, false, instructionBudget);
  return std::make_unique<LinkedInModule>();
}

}  // namespace tier::hostlink
