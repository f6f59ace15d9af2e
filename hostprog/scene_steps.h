// The steps of a scene run as the host sees them: the frame before the first
// call, and after each call what the call answered, the frame it left, the
// nodes it asked to redraw and whether it kept the host's contract. The
// runner captures each step once; the report and the picture both read it,
// so the two cannot disagree about what happened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hostlink/host_contract.h"
#include "hostprog/call_reason.h"
#include "hostprog/scene_file.h"
#include "simhost/sim_host.h"

namespace tier::hostprog {

using hostlink::ContractCheck;

// One display node, back to front, as a step leaves it.
struct NodeView {
  int slot = 0;       // the owner's object number
  bool known = true;  // false: no object in the table has this node (the row says so)
  int type = 0;       // index into the scene's types
  std::uint16_t level = 0;
  std::optional<std::uint16_t> displayLevel;  // none without a display block
  std::int32_t fixedValue = 0;
  std::int16_t x = 0, y = 0;
  std::uint8_t flags = 0;  // the node's flag byte (uncounted, noRefresh)
  bool moved = false;      // its position differs from the one before the call
  bool redrawn = false;    // the plug-in asked the host to redraw it
  bool selected = false;   // in its type's current selection
};

// A type's selection as the host would follow it.
struct SelectionView {
  std::uint16_t stamp = 0;
  bool current = false;
  std::int16_t firstSelected = -1;
  std::int16_t selectedCount = 0;
  std::vector<int> chain;     // followed from firstSelected for selectedCount links at most
  int freeSlot = -1;          // a link that led to a free slot, which ended the chain
  std::int16_t lastLink = 0;  // the link after the chain's last member

  friend bool operator==(const SelectionView&, const SelectionView&) = default;
};

// The records a step leaves: the run header's counters, the display list,
// every type's selection and the stored fixed value.
struct FrameView {
  std::uint16_t eventCount = 0;
  std::uint16_t objectCount = 0;
  std::int16_t objectLimit = 0;
  std::int32_t storedFixedValue = 0;
  std::vector<NodeView> nodes;  // back to front; empty once past kMaxKeptNodes in a kept run
  std::size_t nodeCount = 0;    // the nodes of the list, kept or not
  std::vector<SelectionView> selections;  // by type
};

// What a routine answered.
struct CallAnswer {
  std::int32_t result = 0;  // condition, action (all 32 bits) or numeric expression
  bool isText = false;      // a text expression: `text` holds it, nullopt for null
  std::optional<std::string> text;
};

// The frame before the first call (number 0) or after a call.
struct SceneStep {
  std::size_t number = 0;
  const SceneCall* call = nullptr;  // none for step 0
  std::string label;                // `action 7 "Bring %0 Forward %1" (fv(slot 1) = 65537, 2)`
  CallAnswer answer;
  FrameView frame;
  bool tableChanged = false;   // some node's place, level, displayLevel or flags changed
  std::vector<int> refreshed;  // owner slots of the refresh requests, in call order
  std::vector<int> named;      // slots the call's parameters name: fv(slot N), and for an
                               // action's object parameter its first instance in scope
  ContractCheck contract;
  std::vector<std::string> notes;  // how the call read its parameters, where it may surprise
  std::optional<Reason> reason;    // why an action changed no node or a condition was false
};

// The frame as the simulated host holds it now. `typeOfSlot` gives each
// slot's type; `before` is the previous step's frame (moved marks), or none.
FrameView CaptureFrame(const sim::SimHost& sim, const std::vector<int>& typeOfSlot,
                       const FrameView* before);

// Whether two frames show the same display table (what the report prints per node).
bool SameTable(const FrameView& a, const FrameView& b);

}  // namespace tier::hostprog
