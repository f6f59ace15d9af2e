// The instance-selection filter. Its invariant: A's selection is rebuilt in
// place while A's own walk reads it, and never ahead of that walk: only
// instances already walked past are relinked, every test sees the records as
// they stood before the condition (B's instances are copied first), and the
// walks are bounded by the host's 16-bit counts, so that no chain, however
// linked, makes them run on.
#include "conditions/filter.h"

#include <array>

#include "frame/frame_query.h"
#include "order/primitives.h"

namespace tier::conditions {
namespace {

using host::HostObject;
using host::ObjectTypeEntry;
using host::RunHeader;

// The object a chain link names, or null where the chain ends at a negative
// link. Broken host only: a link to a free slot ends it too, unread. Objects may lie beyond objectCount and
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

// Walks A's instances in scope, asks `passes` about each one's fixed value,
// and rebuilds A's selection from those that passed. The new chain is linked
// in place as the walk goes: only instances already walked past are
// relinked, so A's own walk along nextSelected is undisturbed.
template <typename Passes>
std::int32_t RebuildSelection(const RunHeader& header, ObjectTypeEntry& typeA,
                              const ScopeWalk& walkA, Passes passes) {
  std::int16_t first = -1;
  std::int16_t count = 0;
  HostObject* last = nullptr;
  HostObject* candidate = walkA.first;
  for (std::int32_t i = 1; i <= walkA.bound && candidate != nullptr; ++i) {
    if (passes(host::FixedValueOf(*candidate))) {
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

// The level that CondAbove and CondBelow read for a fixed value (0: the
// stored one): that of the node of the object in the lowest of slots
// 0..objectCount with the value. False when there is no such object or it has
// no node. The value is looked up in the swept table, or, should a chain have
// led elsewhere than the sweep foresaw, by a scan of its own.
bool LevelOfFixedValue(const RunData& runData, const RunHeader& header,
                       const frame::WantedFixedValues& table, std::int32_t fixedValue,
                       std::uint16_t& level) {
  const std::int32_t wanted = frame::ZeroMeansStoredFixedValue(runData, fixedValue);
  const HostObject* object = nullptr;
  const std::int32_t slot = frame::LowestSlotOf(table, wanted);
  if (slot >= 0) {
    object = host::ObjectInSlot(header, slot);
  } else if (slot == frame::kSlotNotWanted) {
    object = frame::LowestSlotObjectWithFixedValue(header, header.objectCount, wanted);
  }
  if (object == nullptr) return false;
  const host::DisplayNode* node = object->displayNode.get();
  if (node == nullptr) return false;
  level = node->level;
  return true;
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
  return RebuildSelection(header, typeA, walkA, [&](std::int32_t fixedValue) {
    return b == nullptr ? test(runData, fixedValue, -1) != 0
                        : PassesAgainstAll(runData, fixedValue, partnerCount, test);
  });
}

std::int32_t FilterByLevel(RunData& runData, const ObjectParam& a, const ObjectParam& b,
                           PartnerLevel test) {
  const RunHeader& header = *host::RunHeaderOf(runData);
  ObjectTypeEntry& typeA = *order::ParamTypeEntry(runData, a);
  const ScopeWalk walkA = ScopeOf(header, typeA);
  if (walkA.first == nullptr) return 0;
  const ScopeWalk walkB = ScopeOf(header, *order::ParamTypeEntry(runData, b));
  if (walkB.first == nullptr) return 0;
  const std::int32_t partnerCount = SnapshotPartners(header, walkB);

  // Every value the tests will look up: A's candidates as its walk will meet
  // them (nothing is written yet) and B's partners. Both walks are bounded by
  // 16-bit counts, so the table holds them all.
  frame::WantedFixedValues& table = frame::EmptyWantedTable();
  HostObject* candidate = walkA.first;
  for (std::int32_t i = 1; i <= walkA.bound && candidate != nullptr; ++i) {
    frame::Want(table, frame::ZeroMeansStoredFixedValue(runData, host::FixedValueOf(*candidate)));
    candidate = NextInWalk(header, walkA, *candidate);
  }
  for (std::int32_t i = 0; i < partnerCount; ++i)
    frame::Want(table, frame::ZeroMeansStoredFixedValue(runData, g_partners[i]));
  frame::SweepSlots(header, header.objectCount, table);

  // A candidate lies above some partner exactly when it lies above the
  // lowest of them, and below some exactly when below the highest. Levels
  // compare as unsigned 16-bit numbers, strictly.
  bool anyPartner = false;
  std::uint16_t decisive = 0;
  for (std::int32_t i = 0; i < partnerCount; ++i) {
    std::uint16_t level = 0;
    if (!LevelOfFixedValue(runData, header, table, g_partners[i], level)) continue;
    if (!anyPartner || (test == PartnerLevel::kAboveSome ? level < decisive : level > decisive))
      decisive = level;
    anyPartner = true;
  }

  return RebuildSelection(header, typeA, walkA, [&](std::int32_t fixedValue) {
    std::uint16_t level = 0;
    if (!anyPartner || !LevelOfFixedValue(runData, header, table, fixedValue, level)) return false;
    return test == PartnerLevel::kAboveSome ? level > decisive : level < decisive;
  });
}

}  // namespace tier::conditions
