// Runs a scene's calls through the routine tables of a loaded plug-in, over
// the simulated host, and captures after each call the step the host sees
// (hostprog/scene_steps.h). It makes the calls and nothing else: the report
// (hostprog/scene_report.h) and the picture (hostprog/scene_picture.h) are
// written from the steps it hands on.
#pragma once

#include <functional>
#include <memory>

#include "hostlink/plugin_module.h"
#include "hostprog/scene_file.h"
#include "hostprog/scene_steps.h"
#include "support/result.h"

namespace tier::hostprog {

// Receives each step as soon as it is captured: first the frame before the
// first call, then one per call in order.
using StepSink = std::function<void(const SceneStep&)>;

// Fails when the plug-in faults (hostlink/plugin_fault.h), with the fault's
// message, after the steps before the faulting call.
Status RunSteps(const hostlink::PluginModule& module, const SceneFile& scene, const StepSink& sink);

// The same run taken one step at a time, for a caller that must give way
// between calls (a page that runs on its only thread). `module` and `scene`
// outlive it.
class SteppedRun {
 public:
  SteppedRun(const hostlink::PluginModule& module, const SceneFile& scene);
  ~SteppedRun();
  // The next step into `step`; false once the last call's step was taken.
  // Fails as RunSteps does, and then takes no further step.
  Result<bool> Next(SceneStep& step);

 private:
  class Runner;
  friend Status RunSteps(const hostlink::PluginModule&, const SceneFile&, const StepSink&);
  std::unique_ptr<Runner> runner_;
};

}  // namespace tier::hostprog
