// The order a sort leaves, by the procedure that also fixes where equal keys
// end up: partitioning above 16 records, then insertion. Every partitioning
// works on a range of its own, so the ranges can be taken in any order; the
// closing insertion pass is a stable sort of whatever partitioning left.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <numeric>

#include "model/model.h"
#include "plugin/catalogue.h"

namespace tier::model {
namespace {

struct Sorter {
  const std::vector<std::int32_t>& keys;
  bool largestFirst;

  bool Before(std::int32_t a, std::int32_t b) const { return largestFirst ? a > b : a < b; }
  bool Before(const std::vector<int>& r, int i, int j) const {
    return Before(keys[r[i]], keys[r[j]]);
  }

  std::int32_t Pivot(const std::vector<int>& r, int first, int last) const {
    const std::int32_t a = keys[r[first]], b = keys[r[first + (last - first) / 2]],
                       c = keys[r[last - 1]];
    if (Before(a, b)) return Before(b, c) ? b : Before(a, c) ? c : a;
    return Before(a, c) ? a : Before(b, c) ? c : b;
  }

  void Partition(std::vector<int>& r, int first, int last) const {
    while (last - first > 16) {
      const std::int32_t pivot = Pivot(r, first, last);
      int i = first, j = last;
      for (;;) {
        while (Before(keys[r[i]], pivot)) Advance(i, last, +1);
        Advance(j, first - 1, -1);
        while (Before(pivot, keys[r[j]])) Advance(j, first - 1, -1);
        if (j <= i) break;
        std::swap(r[i], r[j]);
        ++i;
      }
      const int cut = i;
      if (cut <= first || cut >= last) {
        std::fprintf(stderr, "reference model: a partition made no progress\n");
        std::abort();
      }
      Partition(r, cut, last);
      last = cut;
    }
  }

  static void Advance(int& index, int stop, int step) {
    index += step;
    if (index == stop) {
      std::fprintf(stderr, "reference model: a partition scan left its range\n");
      std::abort();
    }
  }
};

}  // namespace

std::vector<int> SortOrder(const std::vector<std::int32_t>& keys, bool largestFirst) {
  std::vector<int> r(keys.size());
  std::iota(r.begin(), r.end(), 0);
  const Sorter sorter{keys, largestFirst};
  if (r.size() > 16) sorter.Partition(r, 0, static_cast<int>(r.size()));
  std::stable_sort(r.begin(), r.end(),
                   [&](int a, int b) { return sorter.Before(keys[a], keys[b]); });
  return r;
}

const char* RoutineName(Kind kind, int code) {
  const plugin::RoutineKind routineKind = kind == Kind::Condition ? plugin::RoutineKind::Condition
                                          : kind == Kind::Action  ? plugin::RoutineKind::Action
                                                                  : plugin::RoutineKind::Expression;
  const plugin::RoutineInfo* row = plugin::RowOf(routineKind, code);
  if (row == nullptr) return "?";
  // An expression goes by its display string; the names and display strings
  // of the catalogue are literals, so each ends in a null.
  return (routineKind == plugin::RoutineKind::Expression ? row->displayText : row->routineName)
      .data();
}

}  // namespace tier::model
