// The sort of the whole display list. It keeps two promises: the list is
// written only once every node has its record, so a sort that cannot have its
// array (or meets a cyclic list) leaves the list exactly as it was; and equal
// keys end where the sort procedure (order/sort_procedure.h) puts them.
#include "order/sort.h"

#include <cstring>
#include <new>

#include "order/primitives.h"
#include "order/sort_procedure.h"

namespace tier::order {

using host::HostObject;
using host::HostPtr;

namespace {

// The record the display list's sort works with: the node and its rank, the
// key turned so that every kind puts the smallest rank first (the key, or
// ~key for the largest first; ~ turns a descending order of 32-bit values
// into an ascending one without overflow). Eight bytes, so that the
// partitioning's exchanges and the insertion pass move little, and the order
// compares one field with no kind to consult.
struct RankedNode {
  std::int32_t rank;
  DisplayNode* node;
};

struct RankOrder {
  std::int32_t Rank(const RankedNode& record) const { return record.rank; }
};

// How SortKind ranks a node: which key, and whether the largest goes first.
// kDefault: the alterable value with an index outside every block, so that
// every object sorts by the default value.
enum class KeyField { kX, kY, kValue, kDefault, kNone };

// The ranked records of the nodes from head, into `records`, which holds
// CountNodes. For kValue, `valueOffset` is the value's byte offset in the
// owner's block. Broken host only: a node without an owner sorts as if at the
// origin with the default value. Out of line: its loop keeps the default
// value and the offset in registers of its own.
template <KeyField kField, bool kLargestFirst>
[[gnu::noinline]] void GatherRanks(const host::DisplayList& list, std::int32_t defaultValue,
                                   std::int32_t valueOffset, RankedNode* records) {
  for (DisplayNode* node = list.head.get(); node != nullptr; node = node->next.get()) {
    std::int32_t key;
    const HostObject* owner = node->owner.get();
    if constexpr (kField == KeyField::kX) key = owner != nullptr ? owner->x : 0;
    if constexpr (kField == KeyField::kY) key = owner != nullptr ? owner->y : 0;
    if constexpr (kField == KeyField::kValue) {
      if (owner != nullptr && owner->valuesOffset != 0) {
        const host::HostAddress value = host::AddressOf(owner) +
                                        static_cast<host::HostAddress>(owner->valuesOffset) +
                                        static_cast<host::HostAddress>(valueOffset);
        // The block may start at any offset: copy rather than dereference.
        std::memcpy(&key, host::ResolveAddress(value, sizeof key), sizeof key);
      } else {
        key = defaultValue;
      }
    }
    if constexpr (kField == KeyField::kDefault) key = defaultValue;
    if constexpr (kField == KeyField::kNone) key = 0;  // nothing goes before anything
    *records++ = {kLargestFirst ? ~key : key, node};
  }
}

void GatherRanks(const host::DisplayList& list, SortKind kind, std::int32_t defaultValue,
                 std::int32_t valueIndex, RankedNode* records) {
  // The bound of the value's index is tested once for the call.
  const bool inBlock = valueIndex >= 0 && valueIndex < host::kAlterableValueCount;
  const std::int32_t valueOffset =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(valueIndex) * 4u);
  switch (kind) {
    case SortKind::kLargestXFirst:
      return GatherRanks<KeyField::kX, true>(list, defaultValue, valueOffset, records);
    case SortKind::kSmallestXFirst:
      return GatherRanks<KeyField::kX, false>(list, defaultValue, valueOffset, records);
    case SortKind::kLargestYFirst:
      return GatherRanks<KeyField::kY, true>(list, defaultValue, valueOffset, records);
    case SortKind::kSmallestYFirst:
      return GatherRanks<KeyField::kY, false>(list, defaultValue, valueOffset, records);
    case SortKind::kLargestValueFirst:
      if (!inBlock)
        return GatherRanks<KeyField::kDefault, true>(list, defaultValue, valueOffset, records);
      return GatherRanks<KeyField::kValue, true>(list, defaultValue, valueOffset, records);
    case SortKind::kSmallestValueFirst:
      if (!inBlock)
        return GatherRanks<KeyField::kDefault, false>(list, defaultValue, valueOffset, records);
      return GatherRanks<KeyField::kValue, false>(list, defaultValue, valueOffset, records);
  }
  GatherRanks<KeyField::kNone, false>(list, defaultValue, valueOffset, records);
}

// The nodes from head to the end of the list. Broken host only: 0 when the
// walk does not end within kMaxSortedNodes (a cyclic list). The bound is
// tested once every four nodes.
std::size_t CountNodes(const host::DisplayList& list) {
  static_assert(kMaxSortedNodes % 4 == 0);
  std::size_t count = 0;
  const DisplayNode* node = list.head.get();
  while (count != kMaxSortedNodes) {
    if (node == nullptr) return count;
    node = node->next.get();
    if (node == nullptr) return count + 1;
    node = node->next.get();
    if (node == nullptr) return count + 2;
    node = node->next.get();
    if (node == nullptr) return count + 3;
    node = node->next.get();
    count += 4;
  }
  return node == nullptr ? count : 0;
}

// Links the nodes in the records' order (at least two) and numbers them from
// `firstLevel` (wrapping at 16 bits). Every owner's display block gets the
// new level, uncounted nodes included. No service is called meanwhile, so
// the order of the writes is nobody's to see.
void RelinkAndRenumber(host::DisplayList& list, const RankedNode* records, std::size_t count,
                       std::uint16_t firstLevel) {
  const auto ptr = [](DisplayNode* node) { return HostPtr<DisplayNode>::To(node); };
  DisplayNode* node = records->node;
  list.head = ptr(node);
  node->prev = ptr(nullptr);
  std::uint16_t level = firstLevel;
#pragma GCC unroll 2
  for (const RankedNode* record = records + 1; record != records + count; ++record) {
    DisplayNode* const after = record->node;
    node->next = ptr(after);
    node->level = level;
    WriteOwnersDisplayLevel(*node, level);
    ++level;
    after->prev = ptr(node);
    node = after;
  }
  node->next = ptr(nullptr);
  node->level = level;
  WriteOwnersDisplayLevel(*node, level);
  list.tail = ptr(node);
}

}  // namespace

std::int32_t SortDisplayList(RunData& runData, SortKind kind, std::int32_t defaultValue,
                             std::int32_t valueIndex) {
  host::Frame& frame = *host::FrameOf(runData);
  host::DisplayList& list = *frame.displayList.get();
  if (list.head == list.tail || !list.head) return 0;
  const std::uint16_t firstLevel = list.head->level;

  // Nothing is written until every record is made, so when the array cannot
  // be had the list stays exactly as it was.
  const std::size_t count = CountNodes(list);
  if (count < 2) return 0;
  RankedNode* const records = new (std::nothrow) RankedNode[count];
  if (records == nullptr) return 0;
  GatherRanks(list, kind, defaultValue, valueIndex, records);

  procedure::SortInOrder(records, records + count,
                         procedure::DepthLimit(static_cast<std::ptrdiff_t>(count)), RankOrder{});
  RelinkAndRenumber(list, records, count, firstLevel);
  // The host sees the list again only once it is whole.
  for (const RankedNode* record = records; record != records + count; ++record)
    RequestRefresh(frame, *record->node);
  delete[] records;
  return 0;
}

}  // namespace tier::order
