// Natively the plug-in is linked in: its exports are plain functions, its
// tables reached through the addresses the descriptor holds, and its string
// table and version the ones the catalogue describes. A path loads the
// product library into the emulator instead.
#include <cstdlib>

#include "plugin/catalogue.h"
#include "plugin/exports.h"
#include "plugin/version.h"
#include "simhost/emulated_module.h"
#include "simhost/plugin_module.h"

namespace tier::host {
namespace {

class LinkedInModule final : public PluginModule {
 public:
  LinkedInModule() {
    GetRunObjectInfos(0, &infos_);
    conditions_ = static_cast<const EventRoutine*>(ResolveStatic(infos_.conditionRoutines));
    actions_ = static_cast<const EventRoutine*>(ResolveStatic(infos_.actionRoutines));
    expressions_ = static_cast<const ExpressionRoutine*>(ResolveStatic(infos_.expressionRoutines));
  }

  std::int32_t Condition(int code, HostAddress runData, std::int32_t first,
                         std::int32_t second) const override {
    return conditions_[code](HostPtr<RunData>(runData), first, second);
  }
  std::int32_t Action(int code, HostAddress runData, std::int32_t first,
                      std::int32_t second) const override {
    return actions_[code](HostPtr<RunData>(runData), first, second);
  }
  std::intptr_t Expression(int code, HostAddress runData, std::int32_t token) const override {
    return expressions_[code](HostPtr<RunData>(runData), token);
  }
  std::optional<std::string> TakeText(std::intptr_t result) const override {
    char* text = reinterpret_cast<char*>(result);
    if (text == nullptr) return std::nullopt;
    std::string copy(text);
    std::free(text);  // the host releases the text on the C runtime heap
    return copy;
  }

  std::string Version() const override { return plugin::VersionText(); }
  std::string String(unsigned id) const override {
    return std::string(plugin::StringText(static_cast<std::uint16_t>(id)));
  }
  std::string Form() const override { return "the linked-in plug-in"; }

 private:
  const EventRoutine* conditions_ = nullptr;
  const EventRoutine* actions_ = nullptr;
  const ExpressionRoutine* expressions_ = nullptr;
};

}  // namespace

std::unique_ptr<PluginModule> LoadTierModule(const std::string& path) {
  if (!path.empty()) return LoadEmulatedModule(path);
  return std::make_unique<LinkedInModule>();
}

}  // namespace tier::host
