// The instance-selection filter. Its invariant: A's selection is rebuilt in
// place while A's own walk reads it, and never ahead of that walk: only
// instances already walked past are relinked, every test sees B's instances
// as they stood before the condition (read or copied before A's chain is
// touched), and the walks are bounded by the host's 16-bit counts, so that
// no chain, however linked, makes them run on.
#include "conditions/filter.h"

#include <algorithm>
#include <optional>

#include "frame/frame_query.h"
#include "frame/working_memory.h"
#include "order/scope.h"

namespace tier::conditions {
namespace {

using host::HostObject;
using host::ObjectTypeEntry;
using host::RunHeader;

// The object a chain link names, or null where the chain ends at a negative
// link. Broken host only: a link to a free slot ends it too, unread. Objects may lie beyond
// objectCount and objectLimit: those bound the scans, not the chains.
HostObject* ObjectAtLink(const RunHeader& header, std::int32_t link) {
  if (link < 0) return nullptr;
  return host::ObjectInSlot(header, link);
}

// A walk over a type's instances in scope, fixed once from the type entry:
// the selected chain while the selection is current, else the type chain.
struct ScopeWalk {
  bool alongSelection;
  std::int32_t bound;      // selectedCount or typeObjectCount, signed
  std::int32_t firstSlot;  // the chain's first link
  HostObject* first;       // the first instance in scope; null for none
};

ScopeWalk ScopeOf(const RunHeader& header, const ObjectTypeEntry& type) {
  if (host::IsSelectionCurrent(type, header)) {
    return {true, type.selectedCount, type.firstSelected, ObjectAtLink(header, type.firstSelected)};
  }
  return {false, type.typeObjectCount, type.firstObject, ObjectAtLink(header, type.firstObject)};
}

// The object in ObjectTable slot `slot` (0 or more) of the table at `table`.
HostObject* ObjectInTable(host::HostAddress table, std::int32_t slot) {
  return host::HostPtr<host::ObjectSlot>(table + static_cast<host::HostAddress>(slot) *
                                                     sizeof(host::ObjectSlot))
      ->object.get();
}

template <std::int16_t HostObject::*kLink, typename Visit>
void WalkChain(const RunHeader& header, const ScopeWalk& walk, Visit& visit) {
  const host::HostAddress table = header.objectTable.address();
  HostObject* object = walk.first;
  std::int32_t slot = walk.firstSlot;
  if (object == nullptr) return;
  for (std::int32_t left = walk.bound; left > 0; --left) {
    visit(*object, slot);
    slot = object->*kLink;  // read after the visit, which may have relinked
    if (slot < 0) return;
    object = ObjectInTable(table, slot);
    if (object == nullptr) return;
  }
}

// Calls `visit(object, slot)` with every instance of the walk and the slot
// it was reached at, in chain order, up to its bound.
template <typename Visit>
void ForEachInWalk(const RunHeader& header, const ScopeWalk& walk, Visit visit) {
  if (walk.alongSelection)
    WalkChain<&HostObject::nextSelected>(header, walk, visit);
  else
    WalkChain<&HostObject::nextOfType>(header, walk, visit);
}

// Walks A's instances in scope, asks `passes(object, slot)` about each one,
// and rebuilds A's selection from those that passed. The new chain is linked
// in place as the walk goes: only instances already walked past are
// relinked, so A's own walk along nextSelected is undisturbed.
template <typename Passes>
std::int32_t RebuildSelection(const RunHeader& header, ObjectTypeEntry& typeA,
                              const ScopeWalk& walkA, Passes passes) {
  std::int16_t first = -1;
  std::int16_t count = 0;
  HostObject* last = nullptr;
  ForEachInWalk(header, walkA, [&](HostObject& candidate, std::int32_t slot) {
    if (!passes(candidate, slot)) return;
    ++count;
    if (last == nullptr) {
      first = candidate.number;
    } else {
      last->nextSelected = candidate.number;
    }
    last = &candidate;
  });

  typeA.firstSelected = first;
  typeA.selectedCount = count;
  if (last == nullptr) return 0;
  typeA.selectionStamp = header.eventCount;
  last->nextSelected = host::kEndOfChain;
  return 1;
}

// The level that CondAbove and CondBelow read for an instance met in `slot`:
// that of the node of the object in the lowest of slots 0..objectCount with
// the instance's fixed value (0: the stored one). False when there is no such
// object or it has no node.
[[gnu::always_inline]] inline bool LevelOfInstance(const RunData& runData,
                                                   frame::FixedValueIndex& index,
                                                   frame::FixedValueIndex::Filed& filed,
                                                   HostObject& instance, std::int32_t slot,
                                                   std::int32_t& level) {
  const HostObject* object = &instance;
  if (instance.number == 0 && instance.creationCount == 0) {
    object = index.Find(runData.storedFixedValue);
    filed = index.FiledSoFar();
  } else if (!filed.IsLowestSlot(instance, slot)) [[unlikely]] {
    object = index.LowestSlotObjectLike(instance, slot);
    filed = index.FiledSoFar();
  }
  if (object == nullptr) return false;
  const host::DisplayNode* node = object->displayNode.get();
  if (node == nullptr) return false;
  level = node->level;
  return true;
}

// FilterByLevel for one of the two tests. A candidate lies above some partner
// exactly when it lies above the lowest of them, and below some exactly when
// below the highest. Levels compare as unsigned 16-bit numbers, strictly;
// without a partner the decisive level lies beyond them all, so that no
// candidate passes.
template <PartnerLevel kTest>
std::int32_t FilterByLevelWith(RunData& runData, const RunHeader& header, ObjectTypeEntry& typeA,
                               const ScopeWalk& walkA, const ScopeWalk& walkB,
                               frame::FixedValueIndex& index) {
  constexpr bool kAbove = kTest == PartnerLevel::kAboveSome;
  // The slots are filed as the walks need them, so that instances in low
  // slots of a large frame cost no sweep of all of it.
  frame::FixedValueIndex::Filed filed = index.FiledSoFar();
  // B's walk is over before A's walk writes anything, so B's partners are
  // those in scope at entry even when A's walk relinks their chain.
  std::int32_t decisive = kAbove ? 0x10000 : -1;
  ForEachInWalk(header, walkB, [&](HostObject& partner, std::int32_t slot) {
    std::int32_t level = 0;
    if (!LevelOfInstance(runData, index, filed, partner, slot, level)) return;
    if (kAbove ? level < decisive : level > decisive) decisive = level;
  });
  return RebuildSelection(header, typeA, walkA, [&](HostObject& candidate, std::int32_t slot) {
    std::int32_t level = 0;
    if (!LevelOfInstance(runData, index, filed, candidate, slot, level)) return false;
    return kAbove ? level > decisive : level < decisive;
  });
}

}  // namespace

std::int32_t FilterSelection(RunData& runData, const ObjectParam& a, const ObjectParam* b,
                             InstanceTest test) {
  const RunHeader& header = *host::RunHeaderOf(runData);
  ObjectTypeEntry& typeA = *order::ParamTypeEntry(runData, a);
  const ScopeWalk walkA = ScopeOf(header, typeA);
  if (walkA.first == nullptr) return 0;
  if (b == nullptr) {
    return RebuildSelection(header, typeA, walkA, [&](const HostObject& candidate, std::int32_t) {
      return test(runData, host::FixedValueOf(candidate), -1) != 0;
    });
  }

  const ScopeWalk walkB = ScopeOf(header, *order::ParamTypeEntry(runData, *b));
  if (walkB.first == nullptr) return 0;
  // Every candidate is tested against B's instances as they stood before A's
  // walk began. A's walk rewrites only nextSelected links, so B's type chain
  // is read as it goes; a selected chain (A's own, when A and B are one type)
  // is copied first. The copy is scratch memory of this call, released before
  // it returns. Without it B's chain is read as it goes too, which differs
  // only where A relinks it: no routine filters so, as the object forms with
  // B go through FilterByLevel.
  frame::WorkingArray<std::int32_t, 256> copy(walkB.alongSelection ? std::max(walkB.bound, 0) : 0);
  const bool copied = walkB.alongSelection && copy.get() != nullptr;
  std::int32_t copiedCount = 0;
  if (copied)
    ForEachInWalk(header, walkB, [&](const HostObject& partner, std::int32_t) {
      copy[copiedCount++] = host::FixedValueOf(partner);
    });
  return RebuildSelection(header, typeA, walkA, [&](const HostObject& object, std::int32_t) {
    const std::int32_t candidate = host::FixedValueOf(object);
    bool passed = false;
    // Every partner is tested, also after one has answered yes.
    const auto testPartner = [&](std::int32_t partner) {
      if (test(runData, candidate, partner) != 0) passed = true;
    };
    if (copied) {
      for (std::int32_t i = 0; i < copiedCount; ++i) testPartner(copy[i]);
    } else {
      ForEachInWalk(header, walkB, [&](const HostObject& partner, std::int32_t) {
        testPartner(host::FixedValueOf(partner));
      });
    }
    return passed;
  });
}

std::int32_t FilterByEnd(RunData& runData, const ObjectParam& a, ListEnd end) {
  const RunHeader& header = *host::RunHeaderOf(runData);
  ObjectTypeEntry& typeA = *order::ParamTypeEntry(runData, a);
  const ScopeWalk walkA = ScopeOf(header, typeA);
  if (walkA.first == nullptr) return 0;
  // The end node is taken whatever its flags; without a node or an owner
  // every instance fails.
  const host::DisplayList& list = *host::DisplayListOf(runData);
  const host::DisplayNode* node = (end == ListEnd::kBack ? list.head : list.tail).get();
  const HostObject* owner = node != nullptr ? node->owner.get() : nullptr;
  const bool anyPasses = owner != nullptr;
  const std::int32_t endValue = anyPasses ? host::FixedValueOf(*owner) : 0;
  // A candidate passes when the value it means (its own, or the stored one
  // for 0) is the end's. The 16-bit number, compared first, turns almost
  // every candidate away.
  const bool zeroPasses = anyPasses && runData.storedFixedValue == endValue;
  const bool endPasses = anyPasses && (endValue != 0 || zeroPasses);
  const auto endNumber = static_cast<std::int16_t>(endValue & 0xFFFF);
  const auto endCreationCount = static_cast<std::int16_t>((endValue >> 16) & 0xFFFF);
  return RebuildSelection(header, typeA, walkA, [&](const HostObject& candidate, std::int32_t) {
    if (candidate.number == endNumber && candidate.creationCount == endCreationCount)
      return endPasses;
    return zeroPasses && candidate.number == 0 && candidate.creationCount == 0;
  });
}

std::int32_t FilterByLevel(RunData& runData, const ObjectParam& a, const ObjectParam& b,
                           PartnerLevel test) {
  std::optional<frame::FixedValueIndex> index;
  return FilterByLevel(runData, a, b, test, index);
}

std::int32_t FilterByLevel(RunData& runData, const ObjectParam& a, const ObjectParam& b,
                           PartnerLevel test, std::optional<frame::FixedValueIndex>& index) {
  const RunHeader& header = *host::RunHeaderOf(runData);
  ObjectTypeEntry& typeA = *order::ParamTypeEntry(runData, a);
  const ScopeWalk walkA = ScopeOf(header, typeA);
  if (walkA.first == nullptr) return 0;
  const ScopeWalk walkB = ScopeOf(header, *order::ParamTypeEntry(runData, b));
  if (walkB.first == nullptr) return 0;
  if (!index) index.emplace(header, header.objectCount);
  return test == PartnerLevel::kAboveSome ? FilterByLevelWith<PartnerLevel::kAboveSome>(
                                                runData, header, typeA, walkA, walkB, *index)
                                          : FilterByLevelWith<PartnerLevel::kBelowSome>(
                                                runData, header, typeA, walkA, walkB, *index);
}

}  // namespace tier::conditions
