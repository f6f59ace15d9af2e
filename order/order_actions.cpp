#include "order/order_actions.h"

#include "order/primitives.h"
#include "order/scope.h"

namespace tier::order {

using host::HostPtr;

namespace {

enum class Direction { kForward, kBackward };

DisplayNode* NeighbourOf(const DisplayNode& node, Direction direction) {
  return direction == Direction::kForward ? node.next.get() : node.prev.get();
}

// The node one place toward the direction of travel, and one place away.
template <Direction kDirection>
DisplayNode* AheadOf(const DisplayNode& node) {
  return kDirection == Direction::kForward ? node.next.get() : node.prev.get();
}
template <Direction kDirection>
HostPtr<DisplayNode>& AheadLink(DisplayNode& node) {
  return kDirection == Direction::kForward ? node.next : node.prev;
}
template <Direction kDirection>
HostPtr<DisplayNode>& BehindLink(DisplayNode& node) {
  return kDirection == Direction::kForward ? node.prev : node.next;
}

// Moves m past its neighbours, one place at a time as far as the swaps
// would take it: until it has passed `target` or reached the end of the
// list. Each node passed takes the level of the one behind it and m the
// level of the last; every field ends as the swaps would leave it, each
// written once. Where owners are shared, the mirror written last by the
// swaps is written last here too: going forward m's own comes just before
// the last node's, going backward it comes after every other. Nothing is
// refreshed.
template <Direction kDirection>
void Walk(Frame& frame, DisplayNode& m, const DisplayNode* target) {
  DisplayNode* const first = AheadOf<kDirection>(m);
  if (first == nullptr) return;
  DisplayNode* const behind = kDirection == Direction::kForward ? m.prev.get() : m.next.get();
  std::uint16_t level = m.level;
  DisplayNode* last = first;
  for (;;) {
    const std::uint16_t itsLevel = last->level;
    last->level = level;
    level = itsLevel;
    if (last == target) break;
    DisplayNode* const next = AheadOf<kDirection>(*last);
    if (next == nullptr) break;
    MirrorLevel(*last);
    last = next;
  }
  m.level = level;
  if (kDirection == Direction::kForward) {
    MirrorLevel(m);
    MirrorLevel(*last);
  } else {
    MirrorLevel(*last);
    MirrorLevel(m);
  }

  DisplayList& list = *frame.displayList.get();
  DisplayNode* const beyond = AheadOf<kDirection>(*last);
  const auto ptr = [](DisplayNode* node) { return HostPtr<DisplayNode>::To(node); };
  if (behind != nullptr)
    AheadLink<kDirection>(*behind) = ptr(first);
  else
    (kDirection == Direction::kForward ? list.head : list.tail) = ptr(first);
  BehindLink<kDirection>(*first) = ptr(behind);
  AheadLink<kDirection>(*last) = ptr(&m);
  BehindLink<kDirection>(m) = ptr(last);
  AheadLink<kDirection>(m) = ptr(beyond);
  if (beyond != nullptr)
    BehindLink<kDirection>(*beyond) = ptr(&m);
  else
    (kDirection == Direction::kForward ? list.tail : list.head) = ptr(&m);
}

// A jump: walk, then redraw the moving node alone.
void JumpAndRefresh(const RunData& runData, DisplayNode& m, const DisplayNode* target,
                    Direction direction) {
  Frame& frame = *host::FrameOf(runData);
  if (direction == Direction::kForward)
    Walk<Direction::kForward>(frame, m, target);
  else
    Walk<Direction::kBackward>(frame, m, target);
  RequestRefresh(frame, m);
}

// One step per swap, each swap redrawing both its nodes (the moving one first).
void StepAndRefresh(const RunData& runData, std::int32_t fixedValue, std::int32_t count,
                    Direction direction) {
  DisplayNode* m = FindNodeByFixedValue(runData, fixedValue);
  if (m == nullptr) return;
  for (std::int32_t step = 0; step < count; ++step) {
    DisplayNode* neighbour = NeighbourOf(*m, direction);
    if (neighbour == nullptr) return;
    SwapAndRefresh(runData, *m, *neighbour);
  }
}

// Moves the object just past the target, in front of it (kForward) or behind
// it. The levels alone decide; a target that is not really on that side makes
// the walk run to the end of the list.
void MovePast(const RunData& runData, std::int32_t fixedValue, std::int32_t targetFixedValue,
              Direction direction) {
  const auto [m, t] = FindNodesByFixedValues(runData, fixedValue, targetFixedValue);
  if (m == nullptr || t == nullptr) return;
  const bool forward = direction == Direction::kForward;
  if (forward ? m->level >= t->level : m->level <= t->level) return;
  JumpAndRefresh(runData, *m, t, direction);
}

}  // namespace

std::optional<std::int32_t> ObjectFixedValue(const RunData& runData, std::int32_t objectWord) {
  const HostObject* object = HostPtr<HostObject>::FromWord(objectWord).get();
  if (object == nullptr) return std::nullopt;
  const ObjectTypeEntry* type = object->typeEntry.get();
  if (type == nullptr) return std::nullopt;
  return FirstInScopeFixedValue(runData, *type);
}

// The fixed-value forms, each declared from its catalogue row
// (plugin/routines.h): a fixed value of 0 stands for storedFixedValue.

std::int32_t SendBackOne(RunData& runData, std::int32_t fixedValue, std::int32_t) {
  StepAndRefresh(runData, fixedValue, 1, Direction::kBackward);
  return 0;
}

std::int32_t BringForwardOne(RunData& runData, std::int32_t fixedValue, std::int32_t) {
  StepAndRefresh(runData, fixedValue, 1, Direction::kForward);
  return 0;
}

std::int32_t SwapPair(RunData& runData, std::int32_t fixedValue1, std::int32_t fixedValue2) {
  const auto [a, b] = FindNodesByFixedValues(runData, fixedValue1, fixedValue2);
  if (a == nullptr || b == nullptr) return 0;
  // The same node twice moves nothing but is still redrawn twice.
  SwapAndRefresh(runData, *a, *b);
  return 0;
}

std::int32_t StoreFixedValue(RunData& runData, std::int32_t object, std::int32_t) {
  if (const std::optional<std::int32_t> fixedValue = ObjectFixedValue(runData, object))
    runData.storedFixedValue = *fixedValue;
  return 0;
}

std::int32_t BringToFront(RunData& runData, std::int32_t fixedValue, std::int32_t) {
  DisplayNode* tail = host::DisplayListOf(runData)->tail.get();
  if (tail == nullptr) return 0;
  DisplayNode* m = FindNodeByFixedValue(runData, fixedValue);
  if (m == nullptr) return 0;
  // Redrawn even when it already was the front-most node.
  JumpAndRefresh(runData, *m, tail, Direction::kForward);
  return 0;
}

std::int32_t SendToBack(RunData& runData, std::int32_t fixedValue, std::int32_t) {
  DisplayNode* head = host::DisplayListOf(runData)->head.get();
  if (head == nullptr) return 0;
  DisplayNode* m = FindNodeByFixedValue(runData, fixedValue);
  if (m == nullptr) return 0;
  JumpAndRefresh(runData, *m, head, Direction::kBackward);
  return 0;
}

std::int32_t SendBackN(RunData& runData, std::int32_t fixedValue, std::int32_t count) {
  StepAndRefresh(runData, fixedValue, count, Direction::kBackward);
  return 0;
}

std::int32_t BringForwardN(RunData& runData, std::int32_t fixedValue, std::int32_t count) {
  StepAndRefresh(runData, fixedValue, count, Direction::kForward);
  return 0;
}

std::int32_t ReverseAll(RunData& runData, std::int32_t, std::int32_t) {
  const host::DisplayList& list = *host::DisplayListOf(runData);
  DisplayNode* low = list.head.get();
  if (low == nullptr) return 0;
  DisplayNode* high = list.tail.get();
  // Exchanges the outermost pair, then the next pair inward, reading both
  // neighbours before each swap. A lone node is swapped with itself.
  for (;;) {
    DisplayNode* const back = low;
    DisplayNode* const front = high;
    low = back->next.get();
    high = front->prev.get();
    SwapAndRefresh(runData, *back, *front);
    if (low == high || low == front) return 0;
  }
}

std::int32_t MoveAbove(RunData& runData, std::int32_t fixedValue, std::int32_t targetFixedValue) {
  MovePast(runData, fixedValue, targetFixedValue, Direction::kForward);
  return 0;
}

std::int32_t MoveBelow(RunData& runData, std::int32_t fixedValue, std::int32_t targetFixedValue) {
  MovePast(runData, fixedValue, targetFixedValue, Direction::kBackward);
  return 0;
}

std::int32_t MoveToLevel(RunData& runData, std::int32_t fixedValue, std::int32_t levelNumber) {
  DisplayNode* m = FindNodeByFixedValue(runData, fixedValue);
  if (m == nullptr) return 0;
  // The target is found by position, counting every node from the head...
  DisplayNode* t = host::DisplayListOf(runData)->head.get();
  for (std::int32_t position = 1; t != nullptr && position != levelNumber; ++position)
    t = t->next.get();
  if (t == nullptr) return 0;
  // ...but the direction comes from the stored levels.
  const std::uint16_t movingLevel = m->level;
  const std::uint16_t targetLevel = t->level;
  if (movingLevel == targetLevel) return 0;
  JumpAndRefresh(runData, *m, t,
                 movingLevel < targetLevel ? Direction::kForward : Direction::kBackward);
  return 0;
}

}  // namespace tier::order
