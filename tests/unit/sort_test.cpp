// The sort procedure over generated arrays (run under the sanitizers too), and
// SortDisplayList when the list is broken. When memory runs out:
// tests/allocation_failure_test.cpp.
#include "order/sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <random>
#include <vector>

#include "simhost/sim_host.h"

namespace tier::test {
namespace {

using order::GoesBefore;
using order::SortKind;
using order::SortRecord;

enum class Pattern {
  kAllEqual,
  kAscending,
  kDescending,
  kOrganPipe,
  kSawtooth,
  kFewDistinct,
  kRandom,
  kMedianOfThreeKiller
};

std::int32_t KeyAt(Pattern pattern, int i, int n, std::mt19937& random) {
  switch (pattern) {
    case Pattern::kAllEqual:
      return 7;
    case Pattern::kDescending:
      return n - i;
    case Pattern::kOrganPipe:
      return std::min(i, n - 1 - i);
    case Pattern::kSawtooth:
      return i % 7 - 3;
    case Pattern::kFewDistinct:
      return static_cast<std::int32_t>(random() % 4) - 2;
    case Pattern::kRandom:
      return static_cast<std::int32_t>(random());
    default:
      return i;
  }
}

std::vector<std::int32_t> Keys(Pattern pattern, int n, std::mt19937& random) {
  std::vector<std::int32_t> keys;
  for (int i = 0; i < n; ++i) keys.push_back(KeyAt(pattern, i, n, random));
  if (pattern == Pattern::kMedianOfThreeKiller) {  // Musser's sequence
    const int k = n / 2;
    for (int i = 1; i <= k; ++i) {
      if (i % 2 == 1) {
        keys[i - 1] = i;
        keys[i] = k + i;
      }
      keys[k + i - 1] = 2 * i;
    }
  }
  return keys;
}

// An exact-size heap array, so that the sanitizer sees any step past its ends;
// record i stands for nodes[i] and carries keys[i] in every key field.
struct Records {
  Records(const std::vector<std::int32_t>& keys, SortKind kind)
      : count(keys.size()), nodes(keys.size()), array(new SortRecord[keys.size()]) {
    for (std::size_t i = 0; i < count; ++i) array[i] = {&nodes[i], keys[i], keys[i], keys[i], kind};
  }
  SortRecord* begin() { return array.get(); }
  SortRecord* end() { return array.get() + count; }
  void Sort() { order::SortRecords(begin(), end()); }
  std::size_t IndexOf(const SortRecord& record) const {
    return static_cast<std::size_t>(record.node - nodes.data());
  }
  std::vector<std::size_t> Indices() const {
    std::vector<std::size_t> indices;
    for (std::size_t i = 0; i < count; ++i) indices.push_back(IndexOf(array[i]));
    return indices;
  }

  std::size_t count;
  std::vector<host::DisplayNode> nodes;
  std::unique_ptr<SortRecord[]> array;
};

// Every node once, each still with its own keys.
void ExpectPermutation(const Records& records, const std::vector<std::int32_t>& keys) {
  std::vector<std::size_t> indices = records.Indices();
  for (std::size_t i = 0; i < records.count; ++i) {
    const SortRecord& record = records.array[i];
    ASSERT_EQ(record.x, keys[records.IndexOf(record)]);
    ASSERT_EQ(record.value, record.y);
  }
  std::sort(indices.begin(), indices.end());
  for (std::size_t i = 0; i < indices.size(); ++i) ASSERT_EQ(indices[i], i);
}

TEST(SortProcedure, OrdersEveryPatternInsideTheArray) {
  std::mt19937 random(20240601);
  const Pattern patterns[] = {Pattern::kAllEqual,   Pattern::kAscending,
                              Pattern::kDescending, Pattern::kOrganPipe,
                              Pattern::kSawtooth,   Pattern::kFewDistinct,
                              Pattern::kRandom,     Pattern::kMedianOfThreeKiller};
  const int sizes[] = {0,  1,  2,  3,  15, 16,  17,  18,   31,  32,
                       33, 34, 63, 64, 65, 100, 257, 1000, 4099};
  for (Pattern pattern : patterns) {
    for (int n : sizes) {
      for (int kind = 0; kind <= 5; ++kind) {
        SCOPED_TRACE(testing::Message() << "pattern " << static_cast<int>(pattern) << ", n " << n
                                        << ", kind " << kind);
        const std::vector<std::int32_t> keys = Keys(pattern, n, random);
        Records records(keys, static_cast<SortKind>(kind));
        std::vector<SortRecord> stable(records.begin(), records.end());
        std::stable_sort(stable.begin(), stable.end(), GoesBefore);
        records.Sort();
        ExpectPermutation(records, keys);
        for (std::size_t i = 1; i < records.count; ++i)
          ASSERT_FALSE(GoesBefore(records.array[i], records.array[i - 1])) << i;
        // Up to 16 records the insertion sort is stable; with distinct keys
        // there is only one right order.
        std::vector<std::int32_t> distinct = keys;
        std::sort(distinct.begin(), distinct.end());
        if (n <= 16 || std::adjacent_find(distinct.begin(), distinct.end()) == distinct.end()) {
          for (std::size_t i = 0; i < records.count; ++i)
            ASSERT_EQ(records.array[i].node, stable[i].node) << i;
        }
      }
    }
  }
}

// x rising from back to front; levels from 3; slot 1 uncounted.
sim::SceneSpec RisingXScene(int count) {
  sim::SceneSpec scene;
  scene.types = {{.name = "Sprite"}};
  scene.firstLevel = 3;
  for (int i = 0; i < count; ++i) {
    scene.objects.push_back({.slot = i, .x = static_cast<std::int16_t>(i)});
    scene.order.push_back({.slot = i, .flags = i == 1 ? host::kUncounted : std::uint8_t{0}});
  }
  return scene;
}

TEST(SortDisplayList, BrokenListsAreLeftAlone) {
  {  // A cycle: the walk from head never ends.
    sim::SimHost sim(RisingXScene(5));
    host::DisplayNode* tail = sim.Node(4);
    tail->next = host::HostPtr<host::DisplayNode>::To(sim.Node(1));
    EXPECT_EQ(order::SortDisplayList(sim.runData(), SortKind::kLargestXFirst, 0, 0), 0);
    EXPECT_TRUE(sim.Refreshes().empty());
    for (int slot = 0; slot < 5; ++slot) EXPECT_EQ(sim.Node(slot)->level, 3 + slot);
    EXPECT_EQ(tail->next.address(), host::AddressOf(sim.Node(1)));
    EXPECT_EQ(sim.Node(1)->prev.address(), host::AddressOf(sim.Node(0)));
  }
  {  // head and tail differ, yet the walk from head stops after one node.
    sim::SimHost sim(RisingXScene(3));
    sim.Node(0)->next = host::HostPtr<host::DisplayNode>();
    EXPECT_EQ(order::SortDisplayList(sim.runData(), SortKind::kLargestXFirst, 0, 0), 0);
    EXPECT_TRUE(sim.Refreshes().empty());
    EXPECT_EQ(sim.Node(2)->prev.address(), host::AddressOf(sim.Node(1)));
  }
}

}  // namespace
}  // namespace tier::test
