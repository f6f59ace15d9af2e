#include "order/primitives.h"

#include "frame/frame_query.h"
#include "host/services.h"

namespace tier::order {

using host::HostPtr;
using host::RunHeader;

DisplayNode* FindNodeByFixedValue(const RunData& runData, std::int32_t wanted) {
  const RunHeader& header = *host::RunHeaderOf(runData);
  // The first match decides, even when it has no display node.
  const HostObject* object = frame::LowestSlotObjectWithFixedValue(
      header, header.objectLimit, frame::FixedValueMeant(runData, wanted));
  return object != nullptr ? object->displayNode.get() : nullptr;
}

NodePair FindNodesByFixedValues(const RunData& runData, std::int32_t wanted1,
                                std::int32_t wanted2) {
  const RunHeader& header = *host::RunHeaderOf(runData);
  HostObject* found[2];
  frame::LowestSlotObjectsWithFixedValues(
      header, header.objectLimit,
      {frame::FixedValueMeant(runData, wanted1), frame::FixedValueMeant(runData, wanted2)}, found);
  return {found[0] != nullptr ? found[0]->displayNode.get() : nullptr,
          found[1] != nullptr ? found[1]->displayNode.get() : nullptr};
}

void SwapNodes(Frame& frame, DisplayNode& a, DisplayNode& b) {
  if (&a == &b) return;
  DisplayNode* const pa = a.prev.get();
  DisplayNode* const na = a.next.get();
  DisplayNode* const pb = b.prev.get();
  DisplayNode* const nb = b.next.get();
  DisplayList& list = *frame.displayList.get();
  const auto ptr = [](DisplayNode* node) { return HostPtr<DisplayNode>::To(node); };

  const std::uint16_t levelA = a.level;
  a.level = b.level;
  b.level = levelA;
  MirrorLevel(a);
  MirrorLevel(b);

  const bool bInFrontOfA = na == &b;
  if (bInFrontOfA || nb == &a) {  // neighbours: BEFORE, back, front, AFTER
    DisplayNode& back = bInFrontOfA ? a : b;
    DisplayNode& front = bInFrontOfA ? b : a;
    DisplayNode* const before = bInFrontOfA ? pa : pb;
    DisplayNode* const after = bInFrontOfA ? nb : na;
    if (before != nullptr) before->next = ptr(&front);
    front.prev = ptr(before);
    front.next = ptr(&back);
    back.prev = ptr(&front);
    back.next = ptr(after);
    if (after != nullptr) after->prev = ptr(&back);
    if (before == nullptr) list.head = ptr(&front);
    if (after == nullptr) list.tail = ptr(&back);
  } else {
    if (pa != nullptr) pa->next = ptr(&b);
    if (na != nullptr) na->prev = ptr(&b);
    a.prev = ptr(pb);
    a.next = ptr(nb);
    if (pb != nullptr) pb->next = ptr(&a);
    if (nb != nullptr) nb->prev = ptr(&a);
    b.prev = ptr(pa);
    b.next = ptr(na);
    if (pa == nullptr) list.head = ptr(&b);
    if (pb == nullptr) list.head = ptr(&a);
    if (na == nullptr) list.tail = ptr(&b);
    if (nb == nullptr) list.tail = ptr(&a);
  }
}

void SwapAndRefresh(const RunData& runData, DisplayNode& a, DisplayNode& b) {
  Frame& frame = *host::FrameOf(runData);
  SwapNodes(frame, a, b);
  RequestRefresh(frame, a);
  RequestRefresh(frame, b);
}

}  // namespace tier::order
