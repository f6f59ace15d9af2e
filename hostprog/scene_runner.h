// Runs a scene's calls through the routine tables of a loaded plug-in, over
// the simulated host, and reports after each call what the host would see:
// the display order, the refresh requests, a condition's result and the
// selections, an expression's value or text, the stored fixed value. The
// report holds no addresses and no platform-dependent formatting, so the
// product under Wine and the linked-in code natively give the same bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "simhost/plugin_module.h"
#include "hostprog/scene_file.h"

namespace tier::scene {

// One display node as a step leaves it.
struct NodeView {
  int slot = 0;
  int type = 0;  // index into the scene's types
  std::int16_t x = 0, y = 0;
  std::uint8_t flags = 0;  // the node's flag byte (uncounted, noRefresh)
  bool moved = false;      // its position differs from the one before the call
  bool redrawn = false;    // the plug-in asked the host to redraw it
  bool selected = false;   // in its type's current selection (kept for pictures only)
};

// The frame before the first call (number 0) or after a call.
struct SceneStep {
  std::size_t number = 0;
  std::string call;     // "action 7 \"Bring %0 Forward %1\" (fv(slot 1) = 65537, 2)"; empty for 0
  std::string outcome;  // "result 1", "value 5", "order unchanged", ...
  std::vector<NodeView> nodes;  // back to front; empty past kMaxKeptNodes
  std::size_t nodeCount = 0;    // the nodes of the step, kept or not
};

// The runner keeps at most this many nodes over all steps, so that a large
// scene cannot fill memory with them; a picture needs no more.
inline constexpr std::size_t kMaxKeptNodes = 100000;

// Receives the report piece by piece, as the calls are made.
using ReportSink = std::function<void(std::string_view)>;

// Runs the scene and hands its report to `sink`; with `steps`, also keeps the
// frame after each step for a picture.
void RunScene(const host::PluginModule& module, const SceneFile& scene, const ReportSink& sink,
              std::vector<SceneStep>* steps = nullptr);

// The whole report as one text.
std::string RunScene(const host::PluginModule& module, const SceneFile& scene);

// The one-line strip of an order: slots back to front, `*` after a moved one,
// `+` after a redrawn one.
std::string OrderStrip(const std::vector<NodeView>& nodes);

// The name as it can stand in a table column or a picture: bare when it is
// plain, else in quotes with escapes (ASCII either way).
std::string PrintableName(const std::string& name);

}  // namespace tier::scene
