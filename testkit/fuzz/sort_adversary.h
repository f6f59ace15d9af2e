// Keys that send the sort's median-of-three partitioning down its longest
// path: an adversary (after McIlroy) answers the comparisons of a run of that
// partitioning over record indices, fixing a key only when it must, so that
// every pivot ends up next to the smallest key of its range. The keys it
// fixes are distinct: 0 .. n-1, smallest first meaning "goes before".
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace tier::testkit::fuzz {

class SortAdversary {
 public:
  explicit SortAdversary(int n) : keys_(static_cast<std::size_t>(n), kGas), gas_(n) {
    std::vector<int> indices(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) indices[i] = i;
    Partition(indices, 0, n);
    for (std::int32_t& key : keys_)
      if (key == kGas) key = solid_++;  // never compared while undecided
  }
  const std::vector<std::int32_t>& keys() const { return keys_; }
  long long comparisons() const { return comparisons_; }

 private:
  static constexpr std::int32_t kGas = -1;

  std::int32_t Key(int i) const { return keys_[i] == kGas ? gas_ : keys_[i]; }

  bool Before(int x, int y) {
    ++comparisons_;
    if (keys_[x] == kGas && keys_[y] == kGas) keys_[x == candidate_ ? x : y] = solid_++;
    if (keys_[x] == kGas)
      candidate_ = x;
    else if (keys_[y] == kGas)
      candidate_ = y;
    return Key(x) < Key(y);
  }

  // The partitioning phase of the sort, record for record, over indices.
  void Partition(std::vector<int>& r, int first, int last) {
    while (last - first > 16) {
      const int count = last - first;
      const int a = r[first], b = r[first + count / 2], c = r[last - 1];
      int pivot;
      if (Before(a, b))
        pivot = Before(b, c) ? b : Before(a, c) ? c : a;
      else
        pivot = Before(a, c) ? a : Before(b, c) ? c : b;
      int i = first, j = last;
      for (;;) {
        while (i != last && Before(r[i], pivot)) ++i;
        --j;
        while (j != first && Before(pivot, r[j])) --j;
        if (j <= i) break;
        std::swap(r[i], r[j]);
        ++i;
      }
      const int cut = i;
      if (cut == first || cut == last) return;
      if (last - cut <= cut - first) {
        Partition(r, cut, last);
        last = cut;
      } else {
        Partition(r, first, cut);
        first = cut;
      }
    }
  }

  std::vector<std::int32_t> keys_;
  std::int32_t gas_;
  std::int32_t solid_ = 0;
  int candidate_ = 0;
  long long comparisons_ = 0;
};

}  // namespace tier::testkit::fuzz
