// The sort of the whole display list. It keeps two promises: the list is
// written only once every node has its record, so a sort that cannot have its
// array (or meets a cyclic list) leaves the list exactly as it was; and equal
// keys end where this procedure (median-of-three partitioning down to ranges
// of 16, then one insertion pass) puts them, which games see, so the order
// is this procedure's and never merely some sorted order.
//
// Median-of-three partitioning goes quadratic on some key orders: each round
// then splits off a few records only, and its scans walk the whole range. So a
// range still being partitioned after about twice the balanced depth gets a
// segment tree over its keys, and its scans jump: each finds the record it
// stops at in O(log n) steps. They stop at the very records the plain scans
// stop at, so the swaps, the cuts and the order are the procedure's, record
// for record, for any keys; a round costs O((swaps + 1) log n), and as a swap
// moves a record into the smaller side, the worst case is O(n log^2 n).
#include "order/sort.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

#include "frame/working_memory.h"
#include "order/primitives.h"

namespace tier::order {

using host::HostObject;
using host::HostPtr;

namespace {

// Ranges of at most this many records are left to the insertion pass.
constexpr std::ptrdiff_t kInsertionThreshold = 16;

enum class Direction { kSmallestFirst, kLargestFirst, kNone };

// GoesBefore for the records of one sort, which share one kind: the key field
// and the direction are fixed once, not read from every record. An unknown
// kind puts nothing before anything, as GoesBefore does.
template <Direction kDirection>
struct KeyOrder {
  std::int32_t SortRecord::*key;

  bool operator()(const SortRecord& a, const SortRecord& b) const {
    if constexpr (kDirection == Direction::kSmallestFirst) return a.*key < b.*key;
    if constexpr (kDirection == Direction::kLargestFirst) return a.*key > b.*key;
    return false;
  }
  // a goes before b exactly when a's rank is below b's; ~ turns a descending
  // order of 32-bit values into an ascending one without overflow.
  std::int32_t Rank(const SortRecord& record) const {
    if constexpr (kDirection == Direction::kSmallestFirst) return record.*key;
    if constexpr (kDirection == Direction::kLargestFirst) return ~(record.*key);
    return 0;
  }
};

// The record the display list's sort works with: the node and its rank, the
// key turned so that every kind puts the smallest rank first (the key, or
// ~key for the largest first). Eight bytes, so that the partitioning's
// exchanges and the insertion pass move little, and the order compares one
// field with no kind to consult.
struct RankedNode {
  std::int32_t rank;
  DisplayNode* node;
};

struct RankOrder {
  bool operator()(const RankedNode& a, const RankedNode& b) const { return a.rank < b.rank; }
  std::int32_t Rank(const RankedNode& record) const { return record.rank; }
};

// Each record moves toward the start past every record it goes before, so
// equal keys keep their order.
template <typename Record, typename Order>
void InsertionSort(Record* first, Record* last, Order before) {
  if (last - first < 2) return;
  for (Record* next = first + 1; next != last; ++next) {
    const Record moving = *next;
    Record* hole = next;
    while (hole != first && before(moving, hole[-1])) {
      *hole = hole[-1];
      --hole;
    }
    *hole = moving;
  }
}

template <typename Record, typename Order>
const Record& MedianOfThree(const Record& a, const Record& b, const Record& c, Order before) {
  if (before(a, b)) {
    if (before(b, c)) return b;
    if (before(a, c)) return c;
    return a;
  }
  if (before(a, c)) return a;
  if (before(b, c)) return c;
  return b;
}

// Hoare-style partition around `pivot`, a copy of one of the range's
// records; returns the cut. Each scan compares records with the one pivot,
// so the pivot's original (first round) and the records already exchanged
// stop it before the range ends: the scans need no bounds.
template <typename Record, typename Order>
Record* Partition(Record* first, Record* last, const Record& pivot, Order before) {
  Record* i = first;
  Record* j = last;
  for (;;) {
    while (before(*i, pivot)) ++i;
    --j;
    while (before(pivot, *j)) --j;
    if (j <= i) return i;
    std::swap(*i, *j);
    ++i;
  }
}

// A segment tree over the ranks of a range of records, leaf i for record i:
// every node holds the lowest and the highest rank of the leaves below it.
// Leaves past the range hold ranks that never stop a leftward scan and stop
// a rightward one only past the range's end. `steps` counts the nodes its
// searches visit.
class RankTree {
 public:
  // Not ready when its memory cannot be had.
  template <typename Record, typename Order>
  RankTree(const Record* first, std::ptrdiff_t count, Order order)
      : leaves_(LeavesFor(count)), nodes_(2 * leaves_) {
    if (nodes_.get() == nullptr) return;
    for (std::ptrdiff_t i = 0; i < count; ++i) {
      const std::int32_t rank = order.Rank(first[i]);
      nodes_[leaves_ + i] = {rank, rank};
    }
    constexpr Node kPast{std::numeric_limits<std::int32_t>::max(),
                         std::numeric_limits<std::int32_t>::min()};
    for (std::size_t i = leaves_ + count; i < 2 * leaves_; ++i) nodes_[i] = kPast;
    for (std::size_t node = leaves_ - 1; node >= 1; --node) nodes_[node] = Join(node);
    ready_ = true;
  }

  bool ready() const { return ready_; }
  std::uint64_t steps() const { return steps_; }

  void Set(std::ptrdiff_t index, std::int32_t rank) {
    std::size_t node = leaves_ + static_cast<std::size_t>(index);
    nodes_[node] = {rank, rank};
    for (node /= 2; node >= 1; node /= 2) nodes_[node] = Join(node);
  }

  // The first leaf at or after `from` whose rank is at least `bound`;
  // `leaves` when there is none.
  std::ptrdiff_t FirstAtLeast(std::ptrdiff_t from, std::int32_t bound) {
    std::size_t node = leaves_ + static_cast<std::size_t>(from);
    while (++steps_, nodes_[node].high < bound) {
      // Up past every right child, then over to the subtree just after the
      // ones passed; past the root there is none.
      while (node % 2 == 1) node /= 2;
      if (node == 0) return static_cast<std::ptrdiff_t>(leaves_);
      ++node;
    }
    while (node < leaves_) {
      node *= 2;
      if (++steps_, nodes_[node].high < bound) ++node;
    }
    return static_cast<std::ptrdiff_t>(node - leaves_);
  }

  // The last leaf at or before `from` whose rank is at most `bound`; -1 when
  // there is none.
  std::ptrdiff_t LastAtMost(std::ptrdiff_t from, std::int32_t bound) {
    std::size_t node = leaves_ + static_cast<std::size_t>(from);
    while (++steps_, nodes_[node].low > bound) {
      // Up past every left child, then over to the subtree just before the
      // ones passed; from the root there is none.
      while (node % 2 == 0) node /= 2;
      if (node == 1) return -1;
      --node;
    }
    while (node < leaves_) {
      node = 2 * node + 1;
      if (++steps_, nodes_[node].low > bound) --node;
    }
    return static_cast<std::ptrdiff_t>(node - leaves_);
  }

 private:
  struct Node {
    std::int32_t low;
    std::int32_t high;
  };
  // Small ranges keep their tree on the stack.
  static constexpr std::size_t kLeavesOnStack = 128;

  static std::size_t LeavesFor(std::ptrdiff_t count) {
    std::size_t leaves = 1;
    while (leaves < static_cast<std::size_t>(count)) leaves *= 2;
    return leaves;
  }
  Node Join(std::size_t node) const {
    const Node& left = nodes_[2 * node];
    const Node& right = nodes_[2 * node + 1];
    return {std::min(left.low, right.low), std::max(left.high, right.high)};
  }

  std::size_t leaves_;
  frame::WorkingArray<Node, 2 * kLeavesOnStack> nodes_;
  bool ready_ = false;
  std::uint64_t steps_ = 0;
};

// The tree of a range being partitioned, over the records from `base`.
template <typename Record>
struct Jumps {
  Record* base;
  RankTree& tree;
};

// Partition with the plain scans' every stop, found by jumping: the scan from
// the left stops at the first record at or after i that does not go before
// the pivot (or at last), the scan from the right at the last record before j
// that the pivot does not go before (or at first). Each exchange updates the
// two leaves.
template <typename Record, typename Order>
Record* PartitionByJumps(Record* first, Record* last, const Record& pivot, Jumps<Record>& jumps,
                         Order order) {
  const std::int32_t pivotRank = order.Rank(pivot);
  const std::ptrdiff_t begin = first - jumps.base, end = last - jumps.base;
  std::ptrdiff_t i = begin;
  std::ptrdiff_t j = end;
  for (;;) {
    if (i != end) i = std::min(end, jumps.tree.FirstAtLeast(i, pivotRank));
    --j;
    if (j != begin) j = std::max(begin, jumps.tree.LastAtMost(j, pivotRank));
    if (j <= i) return jumps.base + i;
    Record& left = jumps.base[i];
    Record& right = jumps.base[j];
    std::swap(left, right);
    jumps.tree.Set(i, order.Rank(left));
    jumps.tree.Set(j, order.Rank(right));
    ++i;
  }
}

// How deep plain partitioning goes before a range's scans jump: about twice
// the depth of balanced partitioning.
int DepthLimit(std::ptrdiff_t count) {
  int depth = 0;
  for (; count > 1; count /= 2) depth += 2;
  return depth;
}

template <typename Record, typename Order>
void PartitionRanges(Record* first, Record* last, int depthLeft, Jumps<Record>* jumps,
                     std::uint64_t& steps, Order order);

// Partitions [first, last) with jumping scans over a tree of its own; false,
// having done nothing, when the tree cannot be had. The tree is scratch
// memory of the sort, released before the action returns; without it the
// range goes on with plain scans, which give the same order. Kept out of
// line: a small tree lives in this frame, not in every frame of the recursion.
template <typename Record, typename Order>
[[gnu::noinline]] bool PartitionWithTree(Record* first, Record* last, std::uint64_t& steps,
                                         Order order) {
  RankTree tree(first, last - first, order);
  if (!tree.ready()) return false;
  Jumps<Record> jumps{first, tree};
  PartitionRanges(first, last, 0, &jumps, steps, order);
  steps += tree.steps();
  return true;
}

// Partitions until every range holds at most 16 records, the smaller side
// first so the recursion stays shallow. With `jumps` the scans jump; without,
// a range still being partitioned after `depthLeft` rounds gets its tree, or,
// when none can be had, goes on with plain scans (the same order, slower) and
// tries again as deep again further down.
template <typename Record, typename Order>
void PartitionRanges(Record* first, Record* last, int depthLeft, Jumps<Record>* jumps,
                     std::uint64_t& steps, Order order) {
  while (last - first > kInsertionThreshold) {
    if (jumps == nullptr && depthLeft == 0) {
      if (PartitionWithTree(first, last, steps, order)) return;
      depthLeft = DepthLimit(last - first);
    }
    --depthLeft;
    const std::ptrdiff_t count = last - first;
    const Record pivot = MedianOfThree(first[0], first[count / 2], last[-1], order);
    Record* const cut = jumps != nullptr ? PartitionByJumps(first, last, pivot, *jumps, order)
                                         : Partition(first, last, pivot, order);
    // A pivot taken from the range never leaves a side empty; should one be,
    // the insertion pass finishes the range rather than looping.
    if (cut == first || cut == last) return;
    if (last - cut <= cut - first) {
      PartitionRanges(cut, last, depthLeft, jumps, steps, order);
      last = cut;
    } else {
      PartitionRanges(first, cut, depthLeft, jumps, steps, order);
      first = cut;
    }
  }
}

template <typename Record, typename Order>
std::uint64_t SortInOrder(Record* first, Record* last, int depthLimit, Order order) {
  std::uint64_t steps = 0;
  if (last - first > kInsertionThreshold)
    PartitionRanges(first, last, depthLimit, static_cast<Jumps<Record>*>(nullptr), steps, order);
  InsertionSort(first, last, order);
  return steps;
}

// How SortKind ranks a node: which key, and whether the largest goes first.
enum class KeyField { kX, kY, kValue, kNone };

// The ranked records of the nodes from head, into `records`, which holds
// CountNodes. Broken host only: a node without an owner sorts as if at the
// origin with the default value.
template <KeyField kField, bool kLargestFirst>
void GatherRanks(const host::DisplayList& list, std::int32_t defaultValue, std::int32_t valueIndex,
                 RankedNode* records) {
  for (DisplayNode* node = list.head.get(); node != nullptr; node = node->next.get()) {
    std::int32_t key = kField == KeyField::kValue ? defaultValue : 0;
    if (const HostObject* owner = node->owner.get()) {
      if constexpr (kField == KeyField::kX) key = owner->x;
      if constexpr (kField == KeyField::kY) key = owner->y;
      if constexpr (kField == KeyField::kValue) host::ReadAlterableValue(*owner, valueIndex, key);
    }
    if constexpr (kField == KeyField::kNone) key = 0;  // nothing goes before anything
    *records++ = {kLargestFirst ? ~key : key, node};
  }
}

void GatherRanks(const host::DisplayList& list, SortKind kind, std::int32_t defaultValue,
                 std::int32_t valueIndex, RankedNode* records) {
  switch (kind) {
    case SortKind::kLargestXFirst:
      return GatherRanks<KeyField::kX, true>(list, defaultValue, valueIndex, records);
    case SortKind::kSmallestXFirst:
      return GatherRanks<KeyField::kX, false>(list, defaultValue, valueIndex, records);
    case SortKind::kLargestYFirst:
      return GatherRanks<KeyField::kY, true>(list, defaultValue, valueIndex, records);
    case SortKind::kSmallestYFirst:
      return GatherRanks<KeyField::kY, false>(list, defaultValue, valueIndex, records);
    case SortKind::kLargestValueFirst:
      return GatherRanks<KeyField::kValue, true>(list, defaultValue, valueIndex, records);
    case SortKind::kSmallestValueFirst:
      return GatherRanks<KeyField::kValue, false>(list, defaultValue, valueIndex, records);
  }
  GatherRanks<KeyField::kNone, false>(list, defaultValue, valueIndex, records);
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

// Links the nodes in the records' order and numbers them from `firstLevel`
// (wrapping at 16 bits). Every owner's display block gets the new level,
// uncounted nodes included.
void RelinkAndRenumber(host::DisplayList& list, const RankedNode* records, std::size_t count,
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

std::uint64_t SortRecordsJumpingAfter(SortRecord* first, SortRecord* last, int depthLimit) {
  if (first == nullptr || last - first < 2) return 0;
  using Smallest = KeyOrder<Direction::kSmallestFirst>;
  using Largest = KeyOrder<Direction::kLargestFirst>;
  switch (first->kind) {
    case SortKind::kLargestXFirst:
      return SortInOrder(first, last, depthLimit, Largest{&SortRecord::x});
    case SortKind::kSmallestXFirst:
      return SortInOrder(first, last, depthLimit, Smallest{&SortRecord::x});
    case SortKind::kLargestYFirst:
      return SortInOrder(first, last, depthLimit, Largest{&SortRecord::y});
    case SortKind::kSmallestYFirst:
      return SortInOrder(first, last, depthLimit, Smallest{&SortRecord::y});
    case SortKind::kLargestValueFirst:
      return SortInOrder(first, last, depthLimit, Largest{&SortRecord::value});
    case SortKind::kSmallestValueFirst:
      return SortInOrder(first, last, depthLimit, Smallest{&SortRecord::value});
  }
  return SortInOrder(first, last, depthLimit, KeyOrder<Direction::kNone>{&SortRecord::x});
}

void SortRecords(SortRecord* first, SortRecord* last) {
  if (first == nullptr || last - first < 2) return;
  SortRecordsJumpingAfter(first, last, DepthLimit(last - first));
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
  RankedNode* const records = new (std::nothrow) RankedNode[count];
  if (records == nullptr) return 0;
  GatherRanks(list, kind, defaultValue, valueIndex, records);

  SortInOrder(records, records + count, DepthLimit(static_cast<std::ptrdiff_t>(count)),
              RankOrder{});
  RelinkAndRenumber(list, records, count, firstLevel);
  // The host sees the list again only once it is whole.
  for (std::size_t i = 0; i < count; ++i) RequestRefresh(frame, *records[i].node);
  delete[] records;
  return 0;
}

}  // namespace tier::order
