// The sort procedure over the full records of order/sort.h, for the tests and
// the sort benchmark. It is not part of Tier.vdx, whose sort
// (order/sort.cpp) runs the same procedure over records of a rank and a node.
#include "order/sort.h"
#include "order/sort_procedure.h"

namespace tier::order {

namespace {

enum class Direction { kSmallestFirst, kLargestFirst, kNone };

// GoesBefore for the records of one sort, which share one kind, as a rank: a
// goes before b exactly when a's rank is below b's (the key, or ~key for the
// largest first). An unknown kind ranks every record alike, so that nothing
// goes before anything, as GoesBefore says.
template <Direction kDirection>
struct KeyOrder {
  std::int32_t SortRecord::*key;

  std::int32_t Rank(const SortRecord& record) const {
    if constexpr (kDirection == Direction::kSmallestFirst) return record.*key;
    if constexpr (kDirection == Direction::kLargestFirst) return ~(record.*key);
    return 0;
  }
};

}  // namespace

std::uint64_t SortRecordsJumpingAfter(SortRecord* first, SortRecord* last, int depthLimit) {
  if (first == nullptr || last - first < 2) return 0;
  using procedure::SortInOrder;
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
  SortRecordsJumpingAfter(first, last, procedure::DepthLimit(last - first));
}

}  // namespace tier::order
