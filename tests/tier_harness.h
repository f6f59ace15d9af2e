// Calls the plug-in's routines the way the host does: through the tables of
// the descriptor, with RunData and parameter words from a simulated host.
#pragma once

#include <cstdint>
#include <string>

#include "hostlink/plugin_module.h"
#include "simhost/sim_host.h"

namespace tier::test {

// The plug-in under test, loaded once per test program: the library named by
// the environment variable TIER_MODULE (natively: run in the emulator), or
// else the linked-in code (natively) or the Tier.vdx beside the program.
const host::PluginModule& Plugin();
// Names the library Plugin() loads, instead of TIER_MODULE; call it before
// the first call of Plugin().
void SetPluginPath(const std::string& path);

// Objects in slots 0..count-1 of one type "Sprite", drawn in slot order (slot
// 0 at the back), each with creation count 1 so that no fixed value is 0.
inline sim::SceneSpec LineOfSprites(int count) {
  sim::SceneSpec scene;
  scene.types = {{.name = "Sprite"}};
  for (int slot = 0; slot < count; ++slot) {
    scene.objects.push_back({.slot = slot, .type = 0, .creationCount = 1});
    scene.order.push_back({slot});
  }
  return scene;
}

inline std::int32_t Condition(sim::SimHost& sim, int code, std::int32_t first = 0,
                              std::int32_t second = 0) {
  return Plugin().Condition(code, sim.RunDataAddress(), first, second);
}

inline std::int32_t Action(sim::SimHost& sim, int code, std::int32_t first = 0,
                           std::int32_t second = 0) {
  return Plugin().Action(code, sim.RunDataAddress(), first, second);
}

// An expression's result; `token` is passed on to GetExpressionParameter.
inline std::intptr_t Expression(sim::SimHost& sim, int code, std::int32_t token = 0x5A17) {
  return Plugin().Expression(code, sim.RunDataAddress(), token);
}

// A text expression's result, copied out and released as the host would; an
// empty string for a null pointer, which `wasNull` tells apart.
std::string ExpressionText(sim::SimHost& sim, int code, bool* wasNull = nullptr,
                           std::int32_t token = 0x5A17);

}  // namespace tier::test
