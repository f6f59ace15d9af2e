// The sort procedure against the reference model's plain version of it: the
// scans of a deep range jump through a tree of its keys, and the list must
// still come out record for record the same. The jumping is forced from the
// first round as well as left to start at its usual depth, over keys made to
// drive median-of-three partitioning quadratic (with and without equal keys),
// random keys and small alphabets.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "model/model.h"
#include "order/sort.h"
#include "testkit/fuzz/sort_adversary.h"

namespace tier::testkit::fuzz {
namespace {

using order::SortKind;
using order::SortRecord;

constexpr int kUsualDepth = -1;  // SortRecords' own

struct Sorted {
  std::vector<int> order;  // the records' old positions in their sorted order
  std::uint64_t steps = 0;
};

// Sorts one record per key with the given depth before the scans jump.
Sorted PluginSort(const std::vector<std::int32_t>& keys, bool largestFirst, int depth) {
  std::vector<host::DisplayNode> nodes(keys.size());
  std::vector<SortRecord> records;
  const SortKind kind = largestFirst ? SortKind::kLargestValueFirst : SortKind::kSmallestValueFirst;
  for (std::size_t i = 0; i < keys.size(); ++i) records.push_back({&nodes[i], 0, 0, keys[i], kind});
  Sorted sorted;
  if (depth == kUsualDepth)
    order::SortRecords(records.data(), records.data() + records.size());
  else
    sorted.steps =
        order::SortRecordsJumpingAfter(records.data(), records.data() + records.size(), depth);
  for (const SortRecord& record : records)
    sorted.order.push_back(static_cast<int>(record.node - nodes.data()));
  return sorted;
}

void ExpectSameOrder(const std::vector<std::int32_t>& keys, const char* what) {
  for (const bool largestFirst : {false, true}) {
    // The adversary's keys go before each other smallest first; with every
    // bit flipped (which reverses the order, the ends of the range included),
    // the same comparisons come out of the largest-first kinds.
    std::vector<std::int32_t> directed = keys;
    if (largestFirst)
      for (std::int32_t& key : directed) key = ~key;
    const std::vector<int> model = model::SortOrder(directed, largestFirst);
    for (const int depth : {kUsualDepth, 0, 3}) {
      ASSERT_EQ(PluginSort(directed, largestFirst, depth).order, model)
          << what << ", " << keys.size() << " records, " << (largestFirst ? "largest" : "smallest")
          << " first, jumping after " << depth;
    }
  }
}

TEST(SortSameness, AdversarialKeysComeOutAsTheProcedureOrdersThem) {
  std::mt19937 random(99);
  for (const int n : {17, 33, 100, 257, 1000, 3000}) {
    const SortAdversary adversary(n);
    const std::vector<std::int32_t> killer = adversary.keys();
    ExpectSameOrder(killer, "distinct keys");

    // Equal keys inside the adversarial range: some pairs share a key.
    std::vector<std::int32_t> pairs = killer;
    for (std::int32_t& key : pairs)
      if (key % 97 == 1) --key;
    ExpectSameOrder(pairs, "a few equal pairs");

    // The largest, the smallest or two middle keys made equal.
    for (const std::int32_t low : {n - 2, 0, n / 2}) {
      std::vector<std::int32_t> pair = killer;
      for (std::int32_t& key : pair)
        if (key == low + 1) key = low;
      ExpectSameOrder(pair, "one equal pair");
    }

    // Equal keys elsewhere: a block of one key behind, random keys in front.
    std::vector<std::int32_t> around(50, -7);
    around.insert(around.end(), killer.begin(), killer.end());
    for (int i = 0; i < 40; ++i) around.push_back(static_cast<std::int32_t>(random() % 8) - 4);
    ExpectSameOrder(around, "equal keys around");

    // Every key twice, and all keys halved: equal keys everywhere.
    std::vector<std::int32_t> halved = killer;
    for (std::int32_t& key : halved) key /= 2;
    ExpectSameOrder(halved, "keys halved");
  }
}

TEST(SortSameness, RandomKeysAndSmallAlphabetsComeOutAsTheProcedureOrdersThem) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    const int n = 17 + static_cast<int>(random() % 1500);
    // Keys from alphabets of 1 to 5 letters, a few hundred, or the full range
    // (its ends included, whose ranks are the tree's extremes).
    const std::uint32_t alphabets[] = {1, 2, 3, 5, 300, 0};
    const std::uint32_t alphabet = alphabets[round % 6];
    std::vector<std::int32_t> keys;
    for (int i = 0; i < n; ++i) {
      if (alphabet == 0) {
        const std::uint32_t pick = random();
        keys.push_back(pick % 16 == 0   ? INT32_MIN
                       : pick % 16 == 1 ? INT32_MAX
                                        : static_cast<std::int32_t>(pick));
      } else {
        keys.push_back(static_cast<std::int32_t>(random() % alphabet) - 1);
      }
    }
    ExpectSameOrder(keys, "random keys");
  }
}

TEST(SortSameness, JumpingScansKeepTheWorstCaseFarFromQuadratic) {
  // Not a timing. On keys made for the plain scans' longest path, the plain
  // procedure's comparisons grow with the square of the records (16 times
  // for 4 times the records); the tree nodes that the jumping scans visit,
  // forced from the first round, as n log^2 n (about 6 times here), with or
  // without an equal pair among the largest keys.
  const SortAdversary small(1000), large(4000);
  const double plainGrowth =
      static_cast<double>(large.comparisons()) / static_cast<double>(small.comparisons());
  EXPECT_GT(plainGrowth, 12.0);
  for (const bool equalPair : {false, true}) {
    SCOPED_TRACE(equalPair ? "an equal pair" : "distinct keys");
    const auto steps = [&](const SortAdversary& adversary) {
      std::vector<std::int32_t> keys = adversary.keys();
      const auto n = static_cast<std::int32_t>(keys.size());
      if (equalPair)
        for (std::int32_t& key : keys)
          if (key == n - 1) key = n - 2;
      return static_cast<double>(PluginSort(keys, false, 0).steps);
    };
    EXPECT_LT(steps(large) / steps(small), 8.0);
    EXPECT_LT(steps(large), static_cast<double>(large.comparisons()) / 10);
  }
}

}  // namespace
}  // namespace tier::testkit::fuzz
