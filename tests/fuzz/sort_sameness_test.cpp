// The sort procedure against the reference model's plain version of it on
// keys made to drive median-of-three partitioning quadratic, alone and with
// equal keys elsewhere in the list: a range of distinct keys may be finished
// by another sort, and the list must still come out record for record the
// same.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "order/sort.h"
#include "tests/fuzz/sort_adversary.h"
#include "tests/model/model.h"

namespace tier::fuzz {
namespace {

using order::SortKind;
using order::SortRecord;

// The records' old positions in their sorted order, by the plug-in.
std::vector<int> PluginOrder(const std::vector<std::int32_t>& keys, bool largestFirst) {
  std::vector<host::DisplayNode> nodes(keys.size());
  std::vector<SortRecord> records;
  const SortKind kind = largestFirst ? SortKind::kLargestValueFirst : SortKind::kSmallestValueFirst;
  for (std::size_t i = 0; i < keys.size(); ++i) records.push_back({&nodes[i], 0, 0, keys[i], kind});
  order::SortRecords(records.data(), records.data() + records.size());
  std::vector<int> order;
  for (const SortRecord& record : records)
    order.push_back(static_cast<int>(record.node - nodes.data()));
  return order;
}

void ExpectSameOrder(const std::vector<std::int32_t>& keys, const char* what) {
  for (const bool largestFirst : {false, true}) {
    // The adversary's keys go before each other smallest first; negated,
    // the same comparisons come out of the largest-first kinds.
    std::vector<std::int32_t> directed = keys;
    if (largestFirst)
      for (std::int32_t& key : directed) key = -key;
    ASSERT_EQ(PluginOrder(directed, largestFirst), model::SortOrder(directed, largestFirst))
        << what << ", " << keys.size() << " records, " << (largestFirst ? "largest" : "smallest")
        << " first";
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

TEST(SortSameness, TheAdversaryDrivesThePlainProcedureQuadratic) {
  // Not a timing: the number of comparisons the plain partitioning makes.
  const SortAdversary small(1000), large(4000);
  EXPECT_GT(large.comparisons(), 8 * small.comparisons());
}

}  // namespace
}  // namespace tier::fuzz
