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
  // Each node passed takes the level of the one behind it (m's for the
  // first) and gives its own on. Two nodes a round, so that the two levels
  // in hand trade places without a move.
  std::uint16_t level = m.level;
  std::uint16_t itsLevel;
  DisplayNode* last = first;
  for (;;) {
    itsLevel = last->level;
    last->level = level;
    DisplayNode* next;
    if (last == target || (next = AheadOf<kDirection>(*last)) == nullptr) {
      level = itsLevel;
      break;
    }
    if (!(last->flags & host::kUncounted)) WriteOwnersDisplayLevel(*last, level);
    last = next;
    level = last->level;
    last->level = itsLevel;
    if (last == target || (next = AheadOf<kDirection>(*last)) == nullptr) break;
    if (!(last->flags & host::kUncounted)) WriteOwnersDisplayLevel(*last, itsLevel);
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
void JumpAndRefresh(Frame& frame, DisplayNode& m, const DisplayNode* target, Direction direction) {
  if (direction == Direction::kForward)
    Walk<Direction::kForward>(frame, m, target);
  else
    Walk<Direction::kBackward>(frame, m, target);
  RequestRefresh(frame, m);
}

// The same from the instance's run block: out of line, so that a caller that
// mostly returns early keeps no register for the block.
[[gnu::noinline]] void JumpAndRefresh(const RunData& runData, DisplayNode& m,
                                      const DisplayNode* target, Direction direction) {
  JumpAndRefresh(*host::FrameOf(runData), m, target, direction);
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

// The node at `position` counting from 1 at `head`, every node counted; null
// for a position below 1 or past the end. Four nodes a round, with one test
// of the count.
DisplayNode* NodeAtPosition(DisplayNode* head, std::int32_t position) {
  if (position < 1) return nullptr;
  DisplayNode* node = head;
  std::uint32_t ahead = static_cast<std::uint32_t>(position) - 1;
  for (; ahead >= 4; ahead -= 4) {
    if (node == nullptr) return nullptr;
    node = node->next.get();
    if (node == nullptr) return nullptr;
    node = node->next.get();
    if (node == nullptr) return nullptr;
    node = node->next.get();
    if (node == nullptr) return nullptr;
    node = node->next.get();
  }
  for (; ahead > 0 && node != nullptr; --ahead) node = node->next.get();
  return node;
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
  Frame& frame = *host::FrameOf(runData);
  DisplayNode* tail = frame.displayList->tail.get();
  if (tail == nullptr) return 0;
  DisplayNode* m = FindNodeByFixedValue(runData, fixedValue);
  if (m == nullptr) return 0;
  // Redrawn even when it already was the front-most node.
  if (m == tail)
    RequestRefresh(frame, *m);
  else
    JumpAndRefresh(frame, *m, tail, Direction::kForward);
  return 0;
}

std::int32_t SendToBack(RunData& runData, std::int32_t fixedValue, std::int32_t) {
  Frame& frame = *host::FrameOf(runData);
  DisplayNode* head = frame.displayList->head.get();
  if (head == nullptr) return 0;
  DisplayNode* m = FindNodeByFixedValue(runData, fixedValue);
  if (m == nullptr) return 0;
  // Redrawn even when it already was the back-most node.
  if (m == head)
    RequestRefresh(frame, *m);
  else
    JumpAndRefresh(frame, *m, head, Direction::kBackward);
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
  Frame& frame = *host::FrameOf(runData);
  const host::DisplayList& list = *frame.displayList.get();
  DisplayNode* back = list.head.get();
  if (back == nullptr) return 0;
  DisplayNode* front = list.tail.get();
  // Exchanges the outermost pair, then the next pair inward, reading each
  // pair's neighbours before its links are written, and redraws each pair's
  // back node, then its front node, once the pair is exchanged. A lone node
  // is swapped with itself. The outermost pair takes the general swap, which
  // also moves the ends of the list.
  DisplayNode* const inBack = back->next.get();
  DisplayNode* const inFront = front->prev.get();
  SwapNodes(frame, *back, *front);
  RequestRefresh(frame, *back);
  RequestRefresh(frame, *front);
  if (inBack == inFront || inBack == front) return 0;

  // Every pair inward lies between the two nodes of the pair before it, so
  // each swap writes what SwapNodes writes, in its order, without the tests
  // for the ends of the list. The pair after it is the one its neighbours
  // inward form.
  const auto ptr = [](DisplayNode* node) { return HostPtr<DisplayNode>::To(node); };
  back = inBack;
  front = inFront;
  for (;;) {
    const std::uint16_t backLevel = back->level;
    const std::uint16_t frontLevel = front->level;
    back->level = frontLevel;
    front->level = backLevel;
    if (!(back->flags & host::kUncounted)) WriteOwnersDisplayLevel(*back, frontLevel);
    if (!(front->flags & host::kUncounted)) WriteOwnersDisplayLevel(*front, backLevel);
    DisplayNode* const behind = back->prev.get();
    DisplayNode* const inBack = back->next.get();
    DisplayNode* const beyond = front->next.get();
    behind->next = ptr(front);
    if (inBack == front) {  // the last pair, neighbours
      front->prev = ptr(behind);
      front->next = ptr(back);
      back->prev = ptr(front);
      back->next = ptr(beyond);
      beyond->prev = ptr(back);
      RequestRefresh(frame, *back);
      RequestRefresh(frame, *front);
      return 0;
    }
    DisplayNode* const inFront = front->prev.get();
    inBack->prev = ptr(front);
    back->prev = ptr(inFront);
    back->next = ptr(beyond);
    inFront->next = ptr(back);
    beyond->prev = ptr(back);
    front->prev = ptr(behind);
    front->next = ptr(inBack);
    const bool middleStays = inBack == inFront;
    RequestRefresh(frame, *back);
    RequestRefresh(frame, *front);
    if (middleStays) return 0;
    back = inBack;
    front = inFront;
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
  DisplayNode* t = NodeAtPosition(host::DisplayListOf(runData)->head.get(), levelNumber);
  if (t == nullptr) return 0;
  // ...but the direction comes from the stored levels.
  const std::uint16_t movingLevel = m->level;
  const std::uint16_t targetLevel = t->level;
  if (movingLevel == targetLevel) return 0;
  JumpAndRefresh(*host::FrameOf(runData), *m, t,
                 movingLevel < targetLevel ? Direction::kForward : Direction::kBackward);
  return 0;
}

}  // namespace tier::order
