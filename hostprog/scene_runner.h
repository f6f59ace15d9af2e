// Runs a scene's calls through the routine tables of a loaded plug-in, over
// the simulated host, and reports after each call what the host would see:
// the display order, the refresh requests, a condition's result and the
// selections, an expression's value or text, the stored fixed value. The
// report holds no addresses and no platform-dependent formatting, so the
// product under Wine and the linked-in code natively give the same bytes.
#pragma once

#include <string>

#include "host/plugin_module.h"
#include "hostprog/scene_file.h"

namespace tier::scene {

std::string RunScene(const host::PluginModule& module, const SceneFile& scene);

}  // namespace tier::scene
