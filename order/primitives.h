// The display-list primitives: finding an object's node by fixed value,
// swapping two nodes with levels and mirrors kept consistent, and the refresh
// rule. Choosing the instance an object parameter stands for is order/scope.h.
#pragma once

#include <cstdint>

#include "host/records.h"
#include "host/services.h"

namespace tier::order {

using host::DisplayList;
using host::DisplayNode;
using host::Frame;
using host::HostObject;
using host::RunData;

// The display node of the first object in slots 0..objectLimit whose fixed
// value is `wanted` (0: storedFixedValue); null when none matches, when
// objectLimit is negative, or when the first match has no node.
DisplayNode* FindNodeByFixedValue(const RunData& runData, std::int32_t wanted);

// FindNodeByFixedValue of two values, found with one sweep of the slots.
struct NodePair {
  DisplayNode* first;
  DisplayNode* second;
};
NodePair FindNodesByFixedValues(const RunData& runData, std::int32_t wanted1, std::int32_t wanted2);

// Exchanges the places and the levels of two nodes of the frame's list.
void SwapNodes(Frame& frame, DisplayNode& a, DisplayNode& b);

// SwapNodes, then RequestRefresh of a, then of b.
void SwapAndRefresh(const RunData& runData, DisplayNode& a, DisplayNode& b);

// Asks the host to redraw the node, unless its noRefresh bit is set.
inline void RequestRefresh(Frame& frame, DisplayNode& node) {
  if (!(node.flags & host::kNoRefresh)) host::RefreshNode(frame, node);
}

// Writes `level` into the displayLevel of the node's owner, when the node has
// an owner with a display block.
inline void WriteOwnersDisplayLevel(const DisplayNode& node, std::uint16_t level) {
  HostObject* owner = node.owner.get();
  if (owner == nullptr || owner->displayBlockOffset == 0) return;
  // The block lies at its offset from the object; its address is never 0.
  const host::HostAddress block =
      host::AddressOf(owner) + static_cast<host::HostAddress>(owner->displayBlockOffset);
  static_cast<host::DisplayBlock*>(host::ResolveAddress(block, sizeof(host::DisplayBlock)))
      ->displayLevel = level;
}

// Copies the node's level into its owner's displayLevel, for a counted node
// with an owner that has a display block.
inline void MirrorLevel(DisplayNode& node) {
  if (node.flags & host::kUncounted) return;
  WriteOwnersDisplayLevel(node, node.level);
}

}  // namespace tier::order
