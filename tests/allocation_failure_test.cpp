// Every allocation that a sort or a description makes is made to fail in
// turn: the routine must return quietly (0 or a null text), let no exception
// out, and leave the host's records as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "tests/tier_harness.h"

namespace {

// Allocations left before the next one fails; negative: never fail.
long g_allocationsLeft = -1;
long g_failuresInjected = 0;
// Blocks handed out and not yet released.
long g_blocksOut = 0;

void* Allocate(std::size_t size, std::size_t alignment) {
  if (g_allocationsLeft == 0) {
    g_allocationsLeft = -1;
    ++g_failuresInjected;
    throw std::bad_alloc();
  }
  if (g_allocationsLeft > 0) --g_allocationsLeft;
  const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
  if (void* block = std::aligned_alloc(alignment, rounded != 0 ? rounded : alignment)) {
    ++g_blocksOut;
    return block;
  }
  throw std::bad_alloc();
}

void Release(void* block) {
  if (block != nullptr) --g_blocksOut;
  std::free(block);
}

void* AllocateOrNull(std::size_t size) noexcept {
  try {
    return Allocate(size, alignof(std::max_align_t));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

// Every form: the plug-in allocates with nothrow new (which a sanitizer's
// runtime would otherwise serve itself), the tests with the throwing forms.
void* operator new(std::size_t size) { return Allocate(size, alignof(std::max_align_t)); }
void* operator new[](std::size_t size) { return Allocate(size, alignof(std::max_align_t)); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  return Allocate(size, std::max(static_cast<std::size_t>(alignment), alignof(std::max_align_t)));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, std::align_val_t) noexcept { Release(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }

namespace tier::test {
namespace {

// Nodes in slots 0..n-1 with X falling from the back, so that every sort
// moves them; more than 16, so the sort partitions before it inserts.
sim::SceneSpec Scene(int n) {
  sim::SceneSpec scene;
  scene.types = {{.name = "Block"}};
  for (int i = 0; i < n; ++i) {
    scene.objects.push_back({.slot = i, .x = static_cast<std::int16_t>(n - i), .values = {i % 3}});
    scene.order.push_back({i, static_cast<std::uint8_t>(i % 5 == 0 ? host::kUncounted : 0)});
  }
  scene.firstLevel = 4;
  return scene;
}

struct Records {
  std::vector<int> order;
  std::vector<std::uint16_t> levels;
  std::vector<std::optional<std::uint16_t>> displayLevels;
  bool operator==(const Records&) const = default;
};

Records Read(const sim::SimHost& sim, int n) {
  Records r{sim.Order(), sim.Levels(), {}};
  for (int i = 0; i < n; ++i) r.displayLevels.push_back(sim.DisplayLevel(i));
  return r;
}

TEST(AllocationFailure, EverySortAllocationFailsQuietlyAndLeavesTheListWhole) {
  for (int code : {12, 14, 26}) {
    constexpr int kNodes = 40;
    sim::SimHost sim(Scene(kNodes));
    const std::int32_t altValue = sim.AltValueParamWord(0);
    // One sort first, so that the host's refresh log has its room already.
    Action(sim, 13);
    sim.ClearLogs();
    int failures = 0;
    for (long countdown = 0;; ++countdown) {
      const Records before = Read(sim, kNodes);
      g_failuresInjected = 0;
      const long blocksBefore = g_blocksOut;
      g_allocationsLeft = countdown;
      const std::int32_t result = Action(sim, code, altValue, 7);
      g_allocationsLeft = -1;
      EXPECT_EQ(result & 0xFFFF, 0);
      EXPECT_EQ(g_blocksOut, blocksBefore) << "the array is released";
      EXPECT_EQ(sim.CheckInvariants(), "") << "action " << code << ", allocation " << countdown;
      if (g_failuresInjected == 0) break;  // the sort got every allocation it asked for
      ++failures;
      EXPECT_EQ(Read(sim, kNodes), before) << "action " << code << ", allocation " << countdown;
      EXPECT_TRUE(sim.Refreshes().empty());
    }
    EXPECT_GT(failures, 0) << "the sort allocated nothing";
    EXPECT_EQ(sim.Refreshes().size(), static_cast<std::size_t>(kNodes));
  }
}

TEST(AllocationFailure, DescriptionReturnsNullWhenAnyAllocationFails) {
  sim::SimHost sim(Scene(12));
  sim.SetExpressionInteger(1);
  const std::string whole = ExpressionText(sim, 4);
  ASSERT_NE(whole.find("\n9\tBlock\t11\n"), std::string::npos) << whole;

  // Each allocation of the working text in turn (the copy handed to the host:
  // tests/unit/describe_test.cpp).
  sim.ClearLogs();
  int failures = 0;
  for (long countdown = 0;; ++countdown) {
    g_failuresInjected = 0;
    const long blocksBefore = g_blocksOut;
    g_allocationsLeft = countdown;
    char* text = reinterpret_cast<char*>(Expression(sim, 4));
    g_allocationsLeft = -1;
    EXPECT_EQ(g_blocksOut, blocksBefore) << "the working text is released";
    sim.ClearLogs();
    if (g_failuresInjected == 0) {
      ASSERT_NE(text, nullptr);
      EXPECT_EQ(std::string(text), whole);
      std::free(text);
      break;
    }
    ++failures;
    EXPECT_EQ(text, nullptr) << "allocation " << countdown;
    std::free(text);
  }
  EXPECT_GT(failures, 0);
}

}  // namespace
}  // namespace tier::test
