#include "conditions/filter.h"

#include <array>

#include "order/primitives.h"

namespace tier::conditions {
namespace {

using host::HostObject;
using host::ObjectTypeEntry;
using host::RunHeader;

// The object a chain link names, or null where the chain ends: a negative
// link, or a free slot (no sound chain names one, but the walk must never
// read a free slot's object). Objects may lie beyond objectCount and
// objectLimit: those bound the scans, not the chains.
HostObject* ObjectAtLink(const RunHeader& header, std::int32_t link) {
  if (link < 0) return nullptr;
  return host::ObjectInSlot(header, link);
}

// A walk over a type's instances in scope, fixed once from the type entry:
// the selected chain while the selection is current, else the type chain.
struct ScopeWalk {
  bool alongSelection;
  std::int32_t bound;  // selectedCount or typeObjectCount, signed
  HostObject* first;   // the first instance in scope; null for none
};

ScopeWalk ScopeOf(const RunHeader& header, const ObjectTypeEntry& type) {
  if (host::IsSelectionCurrent(type, header)) {
    return {true, type.selectedCount, ObjectAtLink(header, type.firstSelected)};
  }
  return {false, type.typeObjectCount, ObjectAtLink(header, type.firstObject)};
}

HostObject* NextInWalk(const RunHeader& header, const ScopeWalk& walk, const HostObject& object) {
  return ObjectAtLink(header, walk.alongSelection ? object.nextSelected : object.nextOfType);
}

// B's instances in scope as they stood before A's walk began. When A and B
// are one type with a current selection, A's walk relinks the very chain B
// would follow; every candidate is tested against this copy instead. A chain
// count is a signed 16-bit number, so the copy never holds more than this.
// The host calls one routine at a time, so one static copy serves.
std::array<std::int32_t, 32767> g_partners;

std::int32_t SnapshotPartners(const RunHeader& header, const ScopeWalk& walk) {
  std::int32_t count = 0;
  for (const HostObject* partner = walk.first; partner != nullptr && count < walk.bound;
       partner = NextInWalk(header, walk, *partner)) {
    g_partners[count++] = host::FixedValueOf(*partner);
  }
  return count;
}

bool PassesAgainstAll(RunData& runData, std::int32_t candidate, std::int32_t partnerCount,
                      InstanceTest test) {
  bool passed = false;
  // Every partner is tested, also after one has answered yes.
  for (std::int32_t i = 0; i < partnerCount; ++i) {
    if (test(runData, candidate, g_partners[i]) != 0) passed = true;
  }
  return passed;
}

}  // namespace

std::int32_t FilterSelection(RunData& runData, const ObjectParam& a, const ObjectParam* b,
                             InstanceTest test) {
  const RunHeader& header = *host::RunHeaderOf(runData);
  ObjectTypeEntry& typeA = *order::ParamTypeEntry(runData, a);
  const ScopeWalk walkA = ScopeOf(header, typeA);
  if (walkA.first == nullptr) return 0;

  std::int32_t partnerCount = 0;
  if (b != nullptr) {
    const ScopeWalk walkB = ScopeOf(header, *order::ParamTypeEntry(runData, *b));
    if (walkB.first == nullptr) return 0;
    partnerCount = SnapshotPartners(header, walkB);
  }

  // The new chain is linked in place as the walk goes: only instances already
  // walked past are relinked, so A's own walk along nextSelected is undisturbed.
  std::int16_t first = -1;
  std::int16_t count = 0;
  HostObject* last = nullptr;
  HostObject* candidate = walkA.first;
  for (std::int32_t i = 1; i <= walkA.bound && candidate != nullptr; ++i) {
    const std::int32_t fixedValue = host::FixedValueOf(*candidate);
    const bool passed = b == nullptr ? test(runData, fixedValue, -1) != 0
                                     : PassesAgainstAll(runData, fixedValue, partnerCount, test);
    if (passed) {
      ++count;
      if (last == nullptr) {
        first = candidate->number;
      } else {
        last->nextSelected = candidate->number;
      }
      last = candidate;
    }
    candidate = NextInWalk(header, walkA, *candidate);
  }

  typeA.firstSelected = first;
  typeA.selectedCount = count;
  if (last == nullptr) return 0;
  typeA.selectionStamp = header.eventCount;
  last->nextSelected = host::kEndOfChain;
  return 1;
}

}  // namespace tier::conditions
