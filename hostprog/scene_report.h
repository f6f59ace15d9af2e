// The report of a scene run: after the frame, for each call what the host
// would see (the display order, the refresh requests, a condition's result and
// the selections, an expression's value or text, the stored fixed value).
// Written from the runner's captured steps. The report holds no addresses and
// no platform-dependent formatting, so the product under Wine or in the
// emulator and the linked-in code natively give the same bytes.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "hostlink/plugin_module.h"
#include "hostprog/scene_file.h"
#include "hostprog/scene_steps.h"
#include "support/result.h"

namespace tier::hostprog {

// Kept steps hold at most this many nodes over all steps, so that a large
// scene cannot fill memory with them; a picture needs no more.
inline constexpr std::size_t kMaxKeptNodes = 100000;

// Receives the report piece by piece, as the calls are made.
using ReportSink = std::function<void(std::string_view)>;

// Runs the scene and hands its report to `sink`; with `steps`, also keeps the
// steps for a picture (their nodes only while kMaxKeptNodes allows). Fails
// when the plug-in faults, with the fault's message, after the report of the
// calls before.
Status RunScene(const hostlink::PluginModule& module, const SceneFile& scene,
                const ReportSink& sink, std::vector<SceneStep>* steps = nullptr);

// The whole report as one text.
Result<std::string> RunScene(const hostlink::PluginModule& module, const SceneFile& scene);

// Writes the report of one step after another.
class ReportWriter {
 public:
  explicit ReportWriter(const SceneFile& scene);
  std::string Step(const SceneStep& step);

 private:
  std::string Table(const FrameView& frame) const;
  std::string Selection(const SelectionView& selection, std::size_t type) const;
  std::string Call(const SceneStep& step);

  const SceneFile& scene_;
  int nameWidth_ = 4;
  std::vector<std::string> selections_;  // as the last step left them
  std::int32_t stored_ = 0;
};

// The step's outcome on one line: "result 1", "value 5", "text ...", or for
// an action "order: ..." or "order unchanged: ..." with the strip.
std::string OutcomeLine(const SceneStep& step);

// The one-line strip of an order: slots back to front, `*` after a moved one,
// `+` after a redrawn one.
std::string OrderStrip(const std::vector<NodeView>& nodes);

}  // namespace tier::hostprog
