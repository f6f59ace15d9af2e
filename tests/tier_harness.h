// Calls the plug-in's routines the way the host does: through the tables of
// the descriptor, with RunData and parameter words from a simulated host.
#pragma once

#include <cstdint>
#include <string>

#include "hostlink/plugin_module.h"
#include "hostlink/routine_call.h"
#include "plugin/catalogue.h"
#include "simhost/sim_host.h"
#include "testkit/plugin_under_test.h"

namespace tier::test {

// The plug-in under test (testkit/plugin_under_test.h).
using testkit::Plugin;
using testkit::PluginLoadError;
using testkit::SetInstructionBudget;
using testkit::SetPluginPath;

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

// Calls a routine through hostlink::Invoke; a breach of the host's contract
// fails the test. The logs of the services and refreshes gather on.
hostlink::CallOutcome Call(sim::SimHost& sim, hostlink::RoutineCall call);

// A routine's argument words exactly as the host passes them.
struct CallWords {
  std::int32_t first = 0, second = 0;               // a condition or an action
  std::int32_t token = hostlink::kExpressionToken;  // an expression
};

// Calls a routine with these argument words, an expression with the argument
// the host holds now. The routines go by name (plugin/catalogue.h), never
// by number.
hostlink::CallOutcome Call(sim::SimHost& sim, const plugin::RoutineInfo& routine,
                           const CallWords& words, bool takeText = false);

inline std::int32_t Condition(sim::SimHost& sim, plugin::ConditionCode code, std::int32_t first = 0,
                              std::int32_t second = 0) {
  return Call(sim, plugin::Row(code), {first, second}).result;
}

inline std::int32_t Action(sim::SimHost& sim, plugin::ActionCode code, std::int32_t first = 0,
                           std::int32_t second = 0) {
  return Call(sim, plugin::Row(code), {first, second}).result;
}

// An expression's result; `token` is passed on to GetExpressionParameter. A
// text's address is left with the caller.
inline std::intptr_t Expression(sim::SimHost& sim, plugin::ExpressionCode code,
                                std::int32_t token = hostlink::kExpressionToken) {
  return Call(sim, plugin::Row(code), {0, 0, token}).value;
}

// A text expression's result, copied out and released as the host would; an
// empty string for a null pointer, which `wasNull` tells apart.
std::string ExpressionText(sim::SimHost& sim, plugin::ExpressionCode code, bool* wasNull = nullptr,
                           std::int32_t token = hostlink::kExpressionToken);

}  // namespace tier::test
