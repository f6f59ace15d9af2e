// The sort procedure, over any record that an order ranks: a record goes
// before another exactly when its rank is lower. Median-of-three partitioning
// down to ranges of 16, then one insertion pass; equal keys end where this
// exact procedure puts them, which games see, so the order is this
// procedure's and never merely some sorted order. The display list's sort
// (order/sort.cpp) runs it over 8-byte records of a rank and a node.
//
// Median-of-three partitioning goes quadratic on some key orders: each round
// then splits off a few records only, and its scans walk the whole range. So a
// range still being partitioned after about twice the balanced depth gets a
// segment tree over its ranks, and its scans jump: each finds the record it
// stops at in O(log n) steps. They stop at the very records the plain scans
// stop at, so the swaps, the cuts and the order are the procedure's, record
// for record, for any keys; a round costs O((swaps + 1) log n), and as a swap
// moves a record into the smaller side, the worst case is O(n log^2 n).
//
// An order is a type with `std::int32_t Rank(const Record&) const`.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>

#include "frame/working_memory.h"

namespace tier::order::procedure {

// Ranges of at most this many records are left to the insertion pass.
inline constexpr std::ptrdiff_t kInsertionThreshold = 16;

// Each record from `from` on moves toward the start past every record it goes
// before, so equal keys keep their order; [first, from) is in order already.
// A record that goes before none of the rest must lie in [first, from), so
// that every move stops before the start: no bound is tested.
template <typename Record, typename Order>
void InsertUnguarded(Record* from, Record* last, Order order) {
  for (Record* next = from; next != last; ++next) {
    const std::int32_t rank = order.Rank(*next);
    if (!(rank < order.Rank(next[-1]))) continue;  // in place already
    const Record moving = *next;
    Record* hole = next;
    do {
      *hole = hole[-1];
      --hole;
    } while (rank < order.Rank(hole[-1]));
    *hole = moving;
  }
}

// The same with the start of the array as the bound.
template <typename Record, typename Order>
void InsertionSort(Record* first, Record* last, Order order) {
  if (last - first < 2) return;
  for (Record* next = first + 1; next != last; ++next) {
    const std::int32_t rank = order.Rank(*next);
    if (!(rank < order.Rank(next[-1]))) continue;
    const Record moving = *next;
    Record* hole = next;
    do {
      *hole = hole[-1];
      --hole;
    } while (hole != first && rank < order.Rank(hole[-1]));
    *hole = moving;
  }
}

// The rank of the median of three records, the pivot that partitions by.
template <typename Record, typename Order>
std::int32_t MedianOfThree(const Record& a, const Record& b, const Record& c, Order order) {
  const std::int32_t ra = order.Rank(a), rb = order.Rank(b), rc = order.Rank(c);
  if (ra < rb) {
    if (rb < rc) return rb;
    if (ra < rc) return rc;
    return ra;
  }
  if (ra < rc) return ra;
  if (rb < rc) return rc;
  return rb;
}

// Hoare-style partition around the pivot's rank, that of one of the range's
// records; returns the cut. Each scan compares records with the one pivot,
// so the pivot's original (first round) and the records already exchanged
// stop it before the range ends: the scans need no bounds.
template <typename Record, typename Order>
Record* Partition(Record* first, Record* last, std::int32_t pivot, Order order) {
  Record* i = first;
  Record* j = last;
  while (order.Rank(*i) < pivot) ++i;
  for (;;) {
    do --j;
    while (pivot < order.Rank(*j));
    if (j <= i) return i;
    std::swap(*i, *j);
    // Past the exchanged record, the scan from the left goes on.
    do ++i;
    while (order.Rank(*i) < pivot);
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
Record* PartitionByJumps(Record* first, Record* last, std::int32_t pivot, Jumps<Record>& jumps,
                         Order order) {
  const std::ptrdiff_t begin = first - jumps.base, end = last - jumps.base;
  std::ptrdiff_t i = begin;
  std::ptrdiff_t j = end;
  for (;;) {
    if (i != end) i = std::min(end, jumps.tree.FirstAtLeast(i, pivot));
    --j;
    if (j != begin) j = std::max(begin, jumps.tree.LastAtMost(j, pivot));
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
inline int DepthLimit(std::ptrdiff_t count) {
  int depth = 0;
  for (; count > 1; count /= 2) depth += 2;
  return depth;
}

// What partitioning tells the rest of the sort.
struct Partitioned {
  std::uint64_t steps = 0;  // tree nodes the jumping scans visited
  // A range was left unsplit (a cut at one of its ends, which a pivot from
  // the range never gives): the insertion pass then bounds every move.
  bool rangeLeftWhole = false;
};

template <typename Record, typename Order>
void PartitionRanges(Record* first, Record* last, int depthLeft, Jumps<Record>* jumps,
                     Partitioned& partitioned, Order order);

// Partitions [first, last) with jumping scans over a tree of its own; false,
// having done nothing, when the tree cannot be had. The tree is scratch
// memory of the sort, released before the action returns; without it the
// range goes on with plain scans, which give the same order. Kept out of
// line: a small tree lives in this frame, not in every frame of the recursion.
template <typename Record, typename Order>
[[gnu::noinline]] bool PartitionWithTree(Record* first, Record* last, Partitioned& partitioned,
                                         Order order) {
  RankTree tree(first, last - first, order);
  if (!tree.ready()) return false;
  Jumps<Record> jumps{first, tree};
  PartitionRanges(first, last, 0, &jumps, partitioned, order);
  partitioned.steps += tree.steps();
  return true;
}

// Partitions until every range holds at most 16 records, the smaller side
// first so the recursion stays shallow. With `jumps` the scans jump; without,
// a range still being partitioned after `depthLeft` rounds gets its tree, or,
// when none can be had, goes on with plain scans (the same order, slower) and
// tries again as deep again further down.
template <typename Record, typename Order>
void PartitionRanges(Record* first, Record* last, int depthLeft, Jumps<Record>* jumps,
                     Partitioned& partitioned, Order order) {
  while (last - first > kInsertionThreshold) {
    if (jumps == nullptr && depthLeft == 0) {
      if (PartitionWithTree(first, last, partitioned, order)) return;
      depthLeft = DepthLimit(last - first);
    }
    --depthLeft;
    const std::ptrdiff_t count = last - first;
    const std::int32_t pivot = MedianOfThree(first[0], first[count / 2], last[-1], order);
    Record* const cut = jumps != nullptr ? PartitionByJumps(first, last, pivot, *jumps, order)
                                         : Partition(first, last, pivot, order);
    // A pivot taken from the range never leaves a side empty; should one be,
    // the insertion pass finishes the range rather than looping.
    if (cut == first || cut == last) {
      partitioned.rangeLeftWhole = true;
      return;
    }
    if (last - cut <= cut - first) {
      PartitionRanges(cut, last, depthLeft, jumps, partitioned, order);
      last = cut;
    } else {
      PartitionRanges(first, cut, depthLeft, jumps, partitioned, order);
      first = cut;
    }
  }
}

// The whole procedure over [first, last), the scans jumping once a range is
// `depthLimit` rounds deep; returns the steps the jumping scans took.
template <typename Record, typename Order>
std::uint64_t SortInOrder(Record* first, Record* last, int depthLimit, Order order) {
  if (last - first <= kInsertionThreshold) {
    InsertionSort(first, last, order);
    return 0;
  }
  Partitioned partitioned;
  PartitionRanges(first, last, depthLimit, static_cast<Jumps<Record>*>(nullptr), partitioned,
                  order);
  if (partitioned.rangeLeftWhole) {
    InsertionSort(first, last, order);
  } else {
    // Every range is split down to 16 records, and each cut left no rank
    // behind it above one in front of it: the lowest rank lies in the first
    // range, inside the first 16 records. Once those are in order it stands
    // at the start, and no later move can pass it.
    InsertionSort(first, first + kInsertionThreshold, order);
    InsertUnguarded(first + kInsertionThreshold, last, order);
  }
  return partitioned.steps;
}

}  // namespace tier::order::procedure
