// The ten condition routines: where an object stands in the display order.
// Each returns 1 or 0. The fixed-value forms also serve as the instance tests
// of the object forms, whose parameters are ObjectParams and which narrow A's
// selection. Each routine is declared from its catalogue row
// (plugin/routines.h).
#include <cstdint>
#include <optional>

#include "conditions/filter.h"
#include "frame/frame_query.h"
#include "host/services.h"
#include "order/scope.h"

namespace tier::conditions {

using host::RunData;

namespace {

using frame::FixedValueMeant;
using host::DisplayNode;
using host::HostObject;
using host::HostPtr;
using host::ObjectParam;
using host::RunHeader;

// 1 when the owner of the given end node has the fixed value. The end node is
// taken whatever its flags: an uncounted node is not skipped here.
std::int32_t OwnerOfEndIs(RunData& runData, HostPtr<DisplayNode> end, std::int32_t fixedValue) {
  const DisplayNode* node = end.get();
  if (node == nullptr) return 0;
  const HostObject* owner = node->owner.get();
  if (owner == nullptr) return 0;
  return host::FixedValueOf(*owner) == FixedValueMeant(runData, fixedValue) ? 1 : 0;
}

// Levels of the two objects' nodes, or false when either object is missing
// from slots 0..objectCount or has no node. The conditions look only up to
// objectCount, not up to the objectLimit of the actions' lookup.
bool LevelsOf(RunData& runData, std::int32_t fixedValue1, std::int32_t fixedValue2,
              std::uint16_t& level1, std::uint16_t& level2) {
  const RunHeader& header = *host::RunHeaderOf(runData);
  HostObject* found[2];
  frame::LowestSlotObjectsWithFixedValues(
      header, header.objectCount,
      {FixedValueMeant(runData, fixedValue1), FixedValueMeant(runData, fixedValue2)}, found);
  const HostObject* object1 = found[0];
  const HostObject* object2 = found[1];
  if (object1 == nullptr || object2 == nullptr) return false;
  const DisplayNode* node1 = object1->displayNode.get();
  const DisplayNode* node2 = object2->displayNode.get();
  if (node1 == nullptr || node2 == nullptr) return false;
  level1 = node1->level;
  level2 = node2->level;
  return true;
}

// An object parameter word as the pointer it is; null for a null word.
const ObjectParam* ObjectParamOf(std::int32_t word) {
  return HostPtr<ObjectParam>::FromWord(word).get();
}

}  // namespace

std::int32_t CondAtBack(RunData& runData, std::int32_t fixedValue, std::int32_t) {
  return OwnerOfEndIs(runData, host::DisplayListOf(runData)->head, fixedValue);
}

std::int32_t CondAtFront(RunData& runData, std::int32_t fixedValue, std::int32_t) {
  return OwnerOfEndIs(runData, host::DisplayListOf(runData)->tail, fixedValue);
}

std::int32_t CondAbove(RunData& runData, std::int32_t fixedValue1, std::int32_t fixedValue2) {
  std::uint16_t level1 = 0, level2 = 0;
  if (!LevelsOf(runData, fixedValue1, fixedValue2, level1, level2)) return 0;
  return level1 > level2 ? 1 : 0;
}

std::int32_t CondBelow(RunData& runData, std::int32_t fixedValue1, std::int32_t fixedValue2) {
  std::uint16_t level1 = 0, level2 = 0;
  if (!LevelsOf(runData, fixedValue1, fixedValue2, level1, level2)) return 0;
  return level1 < level2 ? 1 : 0;
}

// Reads no argument word: its three fixed values come from GetNextParameter.
std::int32_t CondBetween(RunData& runData, std::int32_t, std::int32_t) {
  // The host hands the three values over only through GetNextParameter.
  const auto f1 = static_cast<std::int32_t>(host::GetNextParameter(runData));
  const auto f2 = static_cast<std::int32_t>(host::GetNextParameter(runData));
  const auto f3 = static_cast<std::int32_t>(host::GetNextParameter(runData));
  const std::int32_t wantedA = FixedValueMeant(runData, f1);
  const std::int32_t wantedB = FixedValueMeant(runData, f2);
  const std::int32_t wantedC = FixedValueMeant(runData, f3);

  // One sweep finds all three; a single object may be more than one.
  const RunHeader& header = *host::RunHeaderOf(runData);
  HostObject* found[3];
  frame::LowestSlotObjectsWithFixedValues(header, header.objectCount, {wantedA, wantedB, wantedC},
                                          found);
  const HostObject* objectA = found[0];
  const HostObject* objectB = found[1];
  const HostObject* objectC = found[2];
  if (objectA == nullptr || objectB == nullptr || objectC == nullptr) return 0;

  const DisplayNode* nodeA = objectA->displayNode.get();
  const DisplayNode* nodeB = objectB->displayNode.get();
  const DisplayNode* nodeC = objectC->displayNode.get();
  if (nodeA == nullptr || nodeB == nullptr || nodeC == nullptr) return 0;
  const std::uint16_t levelA = nodeA->level, levelB = nodeB->level, levelC = nodeC->level;
  return (levelB < levelA && levelA < levelC) || (levelC < levelA && levelA < levelB) ? 1 : 0;
}

// The object forms. A null parameter word (never sent by the host) fails
// without touching any selection.

std::int32_t CondObjectAtBack(RunData& runData, std::int32_t objectA, std::int32_t) {
  const ObjectParam* a = ObjectParamOf(objectA);
  return a != nullptr ? FilterByEnd(runData, *a, ListEnd::kBack) : 0;
}

std::int32_t CondObjectAtFront(RunData& runData, std::int32_t objectA, std::int32_t) {
  const ObjectParam* a = ObjectParamOf(objectA);
  return a != nullptr ? FilterByEnd(runData, *a, ListEnd::kFront) : 0;
}

std::int32_t CondObjectAbove(RunData& runData, std::int32_t objectA, std::int32_t objectB) {
  const ObjectParam* a = ObjectParamOf(objectA);
  const ObjectParam* b = ObjectParamOf(objectB);
  if (a == nullptr || b == nullptr) return 0;
  return FilterByLevel(runData, *a, *b, PartnerLevel::kAboveSome);
}

std::int32_t CondObjectBelow(RunData& runData, std::int32_t objectA, std::int32_t objectB) {
  const ObjectParam* a = ObjectParamOf(objectA);
  const ObjectParam* b = ObjectParamOf(objectB);
  if (a == nullptr || b == nullptr) return 0;
  return FilterByLevel(runData, *a, *b, PartnerLevel::kBelowSome);
}

// Reads no argument word: A, B and C come from GetNextParameter.
std::int32_t CondObjectBetween(RunData& runData, std::int32_t, std::int32_t) {
  const ObjectParam* a = ObjectParamOf(static_cast<std::int32_t>(host::GetNextParameter(runData)));
  const ObjectParam* b = ObjectParamOf(static_cast<std::int32_t>(host::GetNextParameter(runData)));
  const ObjectParam* c = ObjectParamOf(static_cast<std::int32_t>(host::GetNextParameter(runData)));
  if (a == nullptr || b == nullptr || c == nullptr) return 0;

  // Above B and below C, narrowing from A's scope at entry. The four filters
  // share one set of lookups.
  std::optional<frame::FixedValueIndex> index;
  if (FilterByLevel(runData, *a, *b, PartnerLevel::kAboveSome, index) != 0 &&
      FilterByLevel(runData, *a, *c, PartnerLevel::kBelowSome, index) != 0) {
    return 1;
  }
  // The reverse arrangement starts again from every object of A's type; the
  // selection in scope at entry is not restored.
  order::InvalidateSelection(runData, *order::ParamTypeEntry(runData, *a));
  if (FilterByLevel(runData, *a, *b, PartnerLevel::kBelowSome, index) != 0 &&
      FilterByLevel(runData, *a, *c, PartnerLevel::kAboveSome, index) != 0) {
    return 1;
  }
  return 0;
}

}  // namespace tier::conditions
