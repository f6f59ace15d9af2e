// Sorting the whole display list at once: every node is gathered into a
// temporary array of records (the node and its key), the array is ordered,
// and the nodes are linked again in the array's order, renumbered and
// refreshed. SortRecords is the same procedure (order/sort_procedure.h) over
// records that carry every key and their kind; the tests and the sort
// benchmark use it, Tier.vdx does not carry it (order/sort_records.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/records.h"

namespace tier::order {

using host::DisplayNode;
using host::RunData;

// Which key the sort compares and in which direction. "a goes before b"
// means a ends nearer the back (lower level).
enum class SortKind : std::int32_t {
  kLargestXFirst = 0,      // a.x > b.x
  kSmallestXFirst = 1,     // a.x < b.x
  kLargestYFirst = 2,      // a.y > b.y
  kSmallestYFirst = 3,     // a.y < b.y
  kLargestValueFirst = 4,  // a.value > b.value
  kSmallestValueFirst = 5  // a.value < b.value
};

// One node and its keys, copied from the owner once when the record is made.
struct SortRecord {
  DisplayNode* node;
  std::int32_t x;
  std::int32_t y;
  std::int32_t value;
  SortKind kind;  // the same in every record of one sort
};

// Whether `a` goes before `b`; the kind is taken from the left-hand record.
inline bool GoesBefore(const SortRecord& a, const SortRecord& b) {
  switch (a.kind) {
    case SortKind::kLargestXFirst:
      return a.x > b.x;
    case SortKind::kSmallestXFirst:
      return a.x < b.x;
    case SortKind::kLargestYFirst:
      return a.y > b.y;
    case SortKind::kSmallestYFirst:
      return a.y < b.y;
    case SortKind::kLargestValueFirst:
      return a.value > b.value;
    case SortKind::kSmallestValueFirst:
      return a.value < b.value;
  }
  return false;
}

// Orders [first, last) by GoesBefore: insertion for up to 16 records; above
// that, median-of-three partitioning down to ranges of 16, then one insertion
// pass. Equal keys end in the order this exact procedure gives (reversed for
// 17 to 32 equal records), which the game may rely on. The records carry one
// kind, as SortDisplayList makes them: the first record's kind orders all.
void SortRecords(SortRecord* first, SortRecord* last);

// SortRecords with the depth after which a range's partitioning scans jump
// (through a tree of its keys) given: SortRecords gives about twice the
// balanced depth, 0 jumps from the first round, a depth past any range never
// jumps. The order is the same for any depth. Returns the steps the jumping
// scans took (tree nodes visited).
std::uint64_t SortRecordsJumpingAfter(SortRecord* first, SortRecord* last, int depthLimit);

// The most nodes a sort gathers. Levels are 16-bit, so a longer walk from
// head can only be a broken (cyclic) list; the sort then leaves it alone.
inline constexpr std::size_t kMaxSortedNodes = 65536;

// Sorts the frame's display list by `kind`. Kinds 4 and 5 key each object by
// its alterable value `valueIndex`, or by `defaultValue` when it has no
// values or the index lies outside its block. Lists of fewer than two nodes
// are left alone; when the array cannot be had (nothrow new fails) the list
// is left as it was. Returns 0.
std::int32_t SortDisplayList(RunData& runData, SortKind kind, std::int32_t defaultValue,
                             std::int32_t valueIndex);

}  // namespace tier::order
