// A picture of the stacking order: one self-contained SVG document (no
// scripts, no external references, ASCII only) with a panel for the frame
// before the first call and one after each call. A panel's caption gives the
// call with its parameters in full, its outcome, why it did nothing, and what
// it changed besides the order (selections before and after, the stored fixed
// value), wrapped to the panel's width. Each object is a labelled rectangle
// at its x and y, painted back to front as the host draws them and coloured
// by type (a type named after a colour in that colour); objects that overlap
// fan out in drawing order like a stack of cards, so every label shows.
// Uncounted nodes have a dashed outline, noRefresh ones say so, redrawn ones
// are outlined heavily, moved ones highlighted, the objects the call named
// ringed; a dot marks the instances in their type's current selection. Under
// the stage, a strip shows the order from back to front with the same marks.
// After a sort by an alterable value each box shows its key; an expression's
// panel shows its answer (a description as a table) instead of the unchanged
// stage, and rings the objects the answer names.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "hostprog/scene_file.h"
#include "hostprog/scene_report.h"
#include "hostprog/scene_steps.h"
#include "support/result.h"

namespace tier::hostprog {

// Pictures hold at most this many drawn nodes (panels x nodes).
inline constexpr std::size_t kMaxPictureNodes = kMaxKeptNodes;

// Whether the picture of a run of `scene` stays within kMaxPictureNodes; no
// routine adds or removes a node, so this is known before the run. An error
// when it would be too large to draw.
Status PictureFits(const SceneFile& scene);

// The picture of `steps` of `scene`; an error when it would be too large to
// draw.
Result<std::string> ScenePicture(const SceneFile& scene, const std::vector<SceneStep>& steps);

}  // namespace tier::hostprog
