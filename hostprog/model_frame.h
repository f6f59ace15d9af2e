// The frame and the call as the reference model holds them, so that a call
// can be replayed on the model and its decisions read.
#pragma once

#include <optional>
#include <vector>

#include "hostprog/scene_file.h"
#include "model/model.h"
#include "simhost/sim_host.h"

namespace tier::hostprog {

struct SelectionView;

// The frame of `sim` (bridge::ReadFrame), with every type's selection as
// `selections` shows it: the selections before a condition that may have
// rewritten them.
std::optional<model::Frame> ModelFrame(const sim::SimHost& sim,
                                       const std::vector<SelectionView>& selections);

// The scene's call in the model's terms.
model::Call ModelCall(const SceneCall& call);

}  // namespace tier::hostprog
