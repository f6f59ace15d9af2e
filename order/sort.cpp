// The sort of the whole display list. It keeps two promises: the list is
// written only once every node has its record, so a sort that cannot have its
// array (or meets a cyclic list) leaves the list exactly as it was; and equal
// keys end where this procedure (median-of-three partitioning down to ranges
// of 16, then one insertion pass) puts them, which games see, so the order
// is this procedure's and never merely some sorted order.
#include "order/sort.h"

#include <algorithm>
#include <new>
#include <utility>

#include "order/primitives.h"

namespace tier::order {

using host::HostObject;
using host::HostPtr;

namespace {

// Ranges of at most this many records are left to the insertion pass.
constexpr std::ptrdiff_t kInsertionThreshold = 16;

// Each record moves toward the start past every record it goes before, so
// equal keys keep their order.
void InsertionSort(SortRecord* first, SortRecord* last) {
  if (last - first < 2) return;
  for (SortRecord* next = first + 1; next != last; ++next) {
    const SortRecord moving = *next;
    SortRecord* hole = next;
    while (hole != first && GoesBefore(moving, hole[-1])) {
      *hole = hole[-1];
      --hole;
    }
    *hole = moving;
  }
}

const SortRecord& MedianOfThree(const SortRecord& a, const SortRecord& b, const SortRecord& c) {
  if (GoesBefore(a, b)) {
    if (GoesBefore(b, c)) return b;
    if (GoesBefore(a, c)) return c;
    return a;
  }
  if (GoesBefore(a, c)) return a;
  if (GoesBefore(b, c)) return c;
  return b;
}

// Hoare-style partition around `pivot`; returns the cut. Each scan compares
// records with the one pivot, so the pivot's original (first round) and the
// records already exchanged stop it before the range ends; the bounds are a
// second safeguard that never changes where a scan stops.
SortRecord* Partition(SortRecord* first, SortRecord* last, const SortRecord& pivot) {
  SortRecord* i = first;
  SortRecord* j = last;
  for (;;) {
    while (i != last && GoesBefore(*i, pivot)) ++i;
    --j;
    while (j != first && GoesBefore(pivot, *j)) --j;
    if (j <= i) return i;
    std::swap(*i, *j);
    ++i;
  }
}

// How deep partitioning goes before a range is checked for distinct keys:
// about twice the depth of balanced partitioning.
int DepthBeforeCheck(std::ptrdiff_t count) {
  int depth = 0;
  for (; count > 1; count /= 2) depth += 2;
  return depth;
}

std::int32_t KeyOf(const SortRecord& record) {
  switch (record.kind) {
    case SortKind::kLargestXFirst:
    case SortKind::kSmallestXFirst:
      return record.x;
    case SortKind::kLargestYFirst:
    case SortKind::kSmallestYFirst:
      return record.y;
    default:
      return record.value;
  }
}

// Room to check the keys of any range a sort action gathers; a larger range
// (only possible when SortRecords is called directly) is never checked.
std::int32_t g_keys[kMaxSortedNodes];

bool KeysAreDistinct(const SortRecord* first, const SortRecord* last) {
  const std::ptrdiff_t count = last - first;
  if (count > static_cast<std::ptrdiff_t>(kMaxSortedNodes)) return false;
  std::transform(first, last, g_keys, KeyOf);
  std::sort(g_keys, g_keys + count);
  return std::adjacent_find(g_keys, g_keys + count) == g_keys + count;
}

// Partitions until every range holds at most 16 records, the smaller side
// first so the recursion stays shallow. Median-of-three partitioning goes
// quadratic on some key orders, so a range still being partitioned after
// `depthLeft` rounds is checked: when its keys are distinct it has exactly
// one sorted order, and any sort gives it (the closing insertion pass keeps
// equal keys of different ranges in their order, and this range holds none).
// Otherwise the procedure goes on, since it decides where equal keys end,
// and the range is checked again as deep again further down.
void PartitionRanges(SortRecord* first, SortRecord* last, int depthLeft) {
  while (last - first > kInsertionThreshold) {
    if (depthLeft == 0) {
      if (KeysAreDistinct(first, last)) {
        std::sort(first, last, GoesBefore);
        return;
      }
      depthLeft = DepthBeforeCheck(last - first);
    }
    --depthLeft;
    const std::ptrdiff_t count = last - first;
    const SortRecord pivot = MedianOfThree(first[0], first[count / 2], last[-1]);
    SortRecord* const cut = Partition(first, last, pivot);
    // A pivot taken from the range never leaves a side empty; should one be,
    // the insertion pass finishes the range rather than looping.
    if (cut == first || cut == last) return;
    if (last - cut <= cut - first) {
      PartitionRanges(cut, last, depthLeft);
      last = cut;
    } else {
      PartitionRanges(first, cut, depthLeft);
      first = cut;
    }
  }
}

SortRecord MakeRecord(DisplayNode& node, SortKind kind, std::int32_t defaultValue,
                      std::int32_t valueIndex) {
  SortRecord record{&node, 0, 0, defaultValue, kind};
  // Broken host only: a node without an owner sorts as if at the origin with
  // the default value.
  if (const HostObject* owner = node.owner.get()) {
    record.x = owner->x;
    record.y = owner->y;
    host::ReadAlterableValue(*owner, valueIndex, record.value);
  }
  return record;
}

// The nodes from head to the end of the list. Broken host only: 0 when the
// walk does not end within kMaxSortedNodes (a cyclic list).
std::size_t CountNodes(const host::DisplayList& list) {
  std::size_t count = 0;
  for (const DisplayNode* node = list.head.get(); node != nullptr; node = node->next.get()) {
    if (count == kMaxSortedNodes) return 0;
    ++count;
  }
  return count;
}

// One record per node from head, into `records`, which holds CountNodes.
void GatherRecords(const host::DisplayList& list, SortKind kind, std::int32_t defaultValue,
                   std::int32_t valueIndex, SortRecord* records) {
  for (DisplayNode* node = list.head.get(); node != nullptr; node = node->next.get())
    *records++ = MakeRecord(*node, kind, defaultValue, valueIndex);
}

// Links the nodes in the records' order and numbers them from `firstLevel`
// (wrapping at 16 bits). Every owner's display block gets the new level,
// uncounted nodes included.
void RelinkAndRenumber(host::DisplayList& list, const SortRecord* records, std::size_t count,
                       std::uint16_t firstLevel) {
  const auto ptr = [](DisplayNode* node) { return HostPtr<DisplayNode>::To(node); };
  list.head = ptr(records[0].node);
  for (std::size_t i = 0; i < count; ++i) {
    DisplayNode& node = *records[i].node;
    node.prev = ptr(i > 0 ? records[i - 1].node : nullptr);
    node.next = ptr(i + 1 < count ? records[i + 1].node : nullptr);
    const auto level = static_cast<std::uint16_t>(firstLevel + i);
    node.level = level;
    if (const HostObject* owner = node.owner.get()) {
      if (host::DisplayBlock* block = host::DisplayBlockOf(*owner)) block->displayLevel = level;
    }
  }
  list.tail = ptr(records[count - 1].node);
}

}  // namespace

void SortRecords(SortRecord* first, SortRecord* last) {
  if (first == nullptr || last - first < 2) return;
  PartitionRanges(first, last, DepthBeforeCheck(last - first));
  InsertionSort(first, last);
}

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
  SortRecord* const records = new (std::nothrow) SortRecord[count];
  if (records == nullptr) return 0;
  GatherRecords(list, kind, defaultValue, valueIndex, records);

  SortRecords(records, records + count);
  RelinkAndRenumber(list, records, count, firstLevel);
  // The host sees the list again only once it is whole.
  for (std::size_t i = 0; i < count; ++i) RequestRefresh(frame, *records[i].node);
  delete[] records;
  return 0;
}

}  // namespace tier::order
