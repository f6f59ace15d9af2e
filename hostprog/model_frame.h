// The simulated host's records as the reference model holds them, so that a
// call can be replayed on the model and its decisions read.
#pragma once

#include <optional>
#include <vector>

#include "hostprog/scene_file.h"
#include "model/model.h"
#include "simhost/sim_host.h"

namespace tier::hostprog {

struct SelectionView;

// The frame of `sim`, with every type's selection as `selections` shows it
// (the selections before a condition that may have rewritten them); nullopt
// when the records hold what the model has no word for: a list that loops, a
// node owned by no object of the table, an object whose node lies outside
// the list.
std::optional<model::Frame> ModelFrame(const sim::SimHost& sim,
                                       const std::vector<SelectionView>& selections);

// The scene's call in the model's terms.
model::Call ModelCall(const SceneCall& call);

}  // namespace tier::hostprog
