// The instance-selection filter. Its invariant: A's selection is rebuilt in
// place while A's own walk reads it, and never ahead of that walk: only
// instances already walked past are relinked, every test sees B's instances
// as they stood before the condition (read or copied before A's chain is
// touched), and the walks are bounded by the host's 16-bit counts, so that
// no chain, however linked, makes them run on.
#include "conditions/filter.h"

#include <algorithm>

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

// Calls `visit` with every instance of the walk, in chain order, up to its
// bound.
template <typename Visit>
void ForEachInWalk(const RunHeader& header, const ScopeWalk& walk, Visit visit) {
  const HostObject* object = walk.first;
  for (std::int32_t i = 1; i <= walk.bound && object != nullptr; ++i) {
    visit(*object);
    object = NextInWalk(header, walk, *object);
  }
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
// no node.
bool LevelOfFixedValue(const RunData& runData, const RunHeader& header,
                       const frame::WantedFixedValues& table, std::int32_t fixedValue,
                       std::uint16_t& level) {
  const HostObject* object = table.Find(header, frame::FixedValueMeant(runData, fixedValue));
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
  if (b == nullptr) {
    return RebuildSelection(header, typeA, walkA, [&](std::int32_t fixedValue) {
      return test(runData, fixedValue, -1) != 0;
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
    ForEachInWalk(header, walkB, [&](const HostObject& partner) {
      copy[copiedCount++] = host::FixedValueOf(partner);
    });
  return RebuildSelection(header, typeA, walkA, [&](std::int32_t candidate) {
    bool passed = false;
    // Every partner is tested, also after one has answered yes.
    const auto testPartner = [&](std::int32_t partner) {
      if (test(runData, candidate, partner) != 0) passed = true;
    };
    if (copied) {
      for (std::int32_t i = 0; i < copiedCount; ++i) testPartner(copy[i]);
    } else {
      ForEachInWalk(header, walkB,
                    [&](const HostObject& partner) { testPartner(host::FixedValueOf(partner)); });
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
  return RebuildSelection(header, typeA, walkA, [&](std::int32_t fixedValue) {
    return anyPasses && frame::FixedValueMeant(runData, fixedValue) == endValue;
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

  // Every value the tests will look up: A's candidates as its walk will meet
  // them and B's partners, read before anything is written, so B's partners
  // are those in scope at entry even when A's walk relinks their chain. The
  // walks' bounds are room enough.
  frame::WantedFixedValues table(std::max(walkA.bound, 0) + std::max(walkB.bound, 0));
  const auto want = [&](const HostObject& object) {
    table.Want(frame::FixedValueMeant(runData, host::FixedValueOf(object)));
  };
  ForEachInWalk(header, walkA, want);
  ForEachInWalk(header, walkB, want);
  table.Sweep(header, header.objectCount);

  // A candidate lies above some partner exactly when it lies above the
  // lowest of them, and below some exactly when below the highest. Levels
  // compare as unsigned 16-bit numbers, strictly.
  bool anyPartner = false;
  std::uint16_t decisive = 0;
  ForEachInWalk(header, walkB, [&](const HostObject& partner) {
    std::uint16_t level = 0;
    if (!LevelOfFixedValue(runData, header, table, host::FixedValueOf(partner), level)) return;
    if (!anyPartner || (test == PartnerLevel::kAboveSome ? level < decisive : level > decisive))
      decisive = level;
    anyPartner = true;
  });

  return RebuildSelection(header, typeA, walkA, [&](std::int32_t fixedValue) {
    std::uint16_t level = 0;
    if (!anyPartner || !LevelOfFixedValue(runData, header, table, fixedValue, level)) return false;
    return test == PartnerLevel::kAboveSome ? level > decisive : level < decisive;
  });
}

}  // namespace tier::conditions
