#include "hostprog/scene_steps.h"

namespace tier::hostprog {
namespace {

bool InRange(int slot) { return slot >= 0 && slot <= kMaxSlot; }

SelectionView CaptureSelection(const sim::SimHost& sim, int type) {
  const host::ObjectTypeEntry& entry = sim.Type(type);
  SelectionView view;
  view.stamp = entry.selectionStamp;
  view.current = entry.selectionStamp == sim.runHeader().eventCount;
  view.firstSelected = entry.firstSelected;
  view.selectedCount = entry.selectedCount;
  // Follow the chain for selectedCount links at most, as the host would.
  for (int slot = view.firstSelected;
       static_cast<int>(view.chain.size()) < view.selectedCount && slot >= 0;
       slot = view.lastLink) {
    const host::HostObject* object = sim.Object(slot);
    if (object == nullptr) {
      view.freeSlot = slot;
      break;
    }
    view.chain.push_back(slot);
    view.lastLink = object->nextSelected;
  }
  return view;
}

}  // namespace

FrameView CaptureFrame(const sim::SimHost& sim, const std::vector<int>& typeOfSlot,
                       const FrameView* before) {
  FrameView frame;
  const host::RunHeader& header = sim.runHeader();
  frame.eventCount = header.eventCount;
  frame.objectCount = header.objectCount;
  frame.objectLimit = header.objectLimit;
  frame.storedFixedValue = sim.StoredFixedValue();
  const int typeCount = static_cast<int>(sim.scene().types.size());
  for (int t = 0; t < typeCount; ++t) frame.selections.push_back(CaptureSelection(sim, t));

  std::vector<bool> redrawn(kMaxSlot + 1, false), selected(kMaxSlot + 1, false);
  for (const int slot : sim.RefreshedSlots())
    if (InRange(slot)) redrawn[slot] = true;
  for (int t = 0; t < typeCount; ++t) {
    if (!frame.selections[t].current) continue;
    for (const int slot : sim.SelectedChain(t))
      if (InRange(slot)) selected[slot] = true;
  }

  const std::vector<int> order = sim.Order();
  const std::vector<std::uint16_t> levels = sim.Levels();
  frame.nodes.reserve(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    NodeView view;
    view.slot = order[i];
    view.level = levels[i];
    const host::DisplayNode* node = sim.Node(view.slot);
    const host::HostObject* owner = sim.Object(view.slot);
    view.known = node != nullptr && owner != nullptr && InRange(view.slot) &&
                 static_cast<std::size_t>(view.slot) < typeOfSlot.size() &&
                 typeOfSlot[view.slot] >= 0;
    if (view.known) {
      view.type = typeOfSlot[view.slot];
      view.displayLevel = sim.DisplayLevel(view.slot);
      view.fixedValue = host::FixedValueOf(*owner);
      view.x = owner->x;
      view.y = owner->y;
      view.flags = node->flags;
      view.redrawn = redrawn[view.slot];
      view.selected = selected[view.slot];
    }
    if (before != nullptr && !before->nodes.empty())
      view.moved = i < before->nodes.size() ? before->nodes[i].slot != view.slot : true;
    frame.nodes.push_back(view);
  }
  frame.nodeCount = frame.nodes.size();
  return frame;
}

bool SameTable(const FrameView& a, const FrameView& b) {
  if (a.nodes.size() != b.nodes.size()) return false;
  for (std::size_t i = 0; i < a.nodes.size(); ++i) {
    const NodeView& p = a.nodes[i];
    const NodeView& q = b.nodes[i];
    if (p.known != q.known) return false;
    if (!p.known) continue;  // such a row shows nothing but that it is one
    if (p.slot != q.slot || p.level != q.level || p.displayLevel != q.displayLevel ||
        p.fixedValue != q.fixedValue || p.x != q.x || p.y != q.y || p.flags != q.flags ||
        p.type != q.type)
      return false;
  }
  return true;
}

}  // namespace tier::hostprog
