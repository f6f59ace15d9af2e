// Every allocation that a routine makes is made to fail in turn: the routine
// must return quietly and let no exception out. A sort that cannot have its
// array leaves the host's records as they were and a description returns no
// text; every other allocation (a sort's tree, the lookups' tables) is working memory, and without
// it the routine gives the same result, writes and refreshes as with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <functional>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "testkit/fuzz/sort_adversary.h"
#include "tests/tier_harness.h"

namespace {

// Nothrow allocations left before the next one fails; negative: never fail.
long g_allocationsLeft = -1;
long g_failuresInjected = 0;

// The plug-in's blocks not yet released (it holds a few at a time).
void* g_pluginBlocks[64];
int g_pluginBlocksOut = 0;

void* Allocate(std::size_t size, std::size_t alignment) {
  const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
  if (void* block = std::aligned_alloc(alignment, rounded != 0 ? rounded : alignment)) return block;
  throw std::bad_alloc();
}

void Release(void* block) {
  for (int i = 0; i < g_pluginBlocksOut; ++i) {
    if (g_pluginBlocks[i] == block) {
      g_pluginBlocks[i] = g_pluginBlocks[--g_pluginBlocksOut];
      break;
    }
  }
  std::free(block);
}

// The plug-in's allocations: it allocates with nothrow new alone, so only
// these fail, and the tests' and the simulated host's own never do.
void* AllocateOrNull(std::size_t size) noexcept {
  if (g_allocationsLeft == 0) {
    g_allocationsLeft = -1;
    ++g_failuresInjected;
    return nullptr;
  }
  if (g_allocationsLeft > 0) --g_allocationsLeft;
  void* block = nullptr;
  try {
    block = Allocate(size, alignof(std::max_align_t));
  } catch (const std::bad_alloc&) {
  }
  if (block != nullptr && g_pluginBlocksOut < 64) g_pluginBlocks[g_pluginBlocksOut++] = block;
  return block;
}

}  // namespace

// Every form, so that a sanitizer's runtime serves none of them itself.
void* operator new(std::size_t size) { return Allocate(size, alignof(std::max_align_t)); }
void* operator new[](std::size_t size) { return Allocate(size, alignof(std::max_align_t)); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  return Allocate(size, std::max(static_cast<std::size_t>(alignment), alignof(std::max_align_t)));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
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

// What a call tells the host and leaves in its records: the result, the
// order, levels and mirrored levels, every selection and selected link, the
// refreshes.
struct Outcome {
  std::int64_t result = 0;
  std::vector<int> order;
  std::vector<std::uint16_t> levels;
  std::vector<std::optional<std::uint16_t>> displayLevels;
  std::vector<std::int32_t> selections;  // per type: firstSelected, selectedCount, stamp
  std::vector<std::int16_t> links;       // per object: nextSelected
  std::vector<int> refreshed;
  bool operator==(const Outcome&) const = default;
};

Outcome Read(const sim::SimHost& sim, std::int64_t result) {
  Outcome out{result, sim.Order(), sim.Levels(), {}, {}, {}, sim.RefreshedSlots()};
  for (const sim::ObjectSpec& object : sim.scene().objects) {
    out.displayLevels.push_back(sim.DisplayLevel(object.slot));
    out.links.push_back(sim.Object(object.slot)->nextSelected);
  }
  for (std::size_t t = 0; t < sim.scene().types.size(); ++t) {
    const host::ObjectTypeEntry& type = sim.Type(static_cast<int>(t));
    out.selections.insert(out.selections.end(),
                          {type.firstSelected, type.selectedCount, type.selectionStamp});
  }
  return out;
}

// Runs `call` on a fresh host of `scene`: once with every allocation granted
// (`whole`), then with each of its allocations failing in turn. Returns the
// outcomes of the runs with a failure, in the order of the allocation that
// failed; `untouched` is the host before any call.
template <typename Call>
std::vector<Outcome> OutcomesWithEachFailure(const sim::SceneSpec& scene, Call call, Outcome& whole,
                                             Outcome& untouched) {
  std::vector<Outcome> failed;
  for (long countdown = -1;; ++countdown) {
    sim::SimHost sim(scene);
    if (countdown == -1) untouched = Read(sim, 0);
    g_failuresInjected = 0;
    g_allocationsLeft = countdown;
    const std::int64_t result = call(sim);
    g_allocationsLeft = -1;
    EXPECT_EQ(g_pluginBlocksOut, 0) << "working memory is released, allocation " << countdown;
    EXPECT_EQ(sim.CheckInvariants(), "") << "allocation " << countdown;
    if (countdown == -1) {
      whole = Read(sim, result);
      continue;
    }
    if (g_failuresInjected == 0) {  // the call had every allocation it asked for
      EXPECT_EQ(Read(sim, result), whole);
      return failed;
    }
    failed.push_back(Read(sim, result));
  }
}

// The adversary's keys for `count` records (distinct, 0 .. count-1, made so
// that the plain partitioning goes deep), with two of the largest made equal.
std::vector<std::int32_t> DeepKeys(int count) {
  std::vector<std::int32_t> keys = testkit::fuzz::SortAdversary(count).keys();
  for (std::int32_t& key : keys)
    if (key == count - 1) key = count - 2;
  return keys;
}

TEST(AllocationFailure, ASortWithoutItsArrayLeavesTheListWholeAndWithoutItsTreeSortsTheSame) {
  // Keys that partition deep enough for a tree larger than the stack's room;
  // every fifth node uncounted.
  constexpr int kNodes = 600;
  const std::vector<std::int32_t> keys = DeepKeys(kNodes);
  for (const plugin::ActionCode sort :
       {plugin::ActionCode::IncreasingXSort, plugin::ActionCode::DecreasingXSort,
        plugin::ActionCode::IncreasingSortByValue}) {
    SCOPED_TRACE(plugin::Row(sort).routineName);
    const bool largestFirst = plugin::SortOf(plugin::Row(sort)).largestAtBack;
    sim::SceneSpec scene;
    scene.types = {{.name = "Block"}};
    for (int i = 0; i < kNodes; ++i) {
      const std::int32_t key = largestFirst ? -keys[i] : keys[i];
      scene.objects.push_back({.slot = i, .x = static_cast<std::int16_t>(key), .values = {key}});
      scene.order.push_back({i, static_cast<std::uint8_t>(i % 5 == 0 ? host::kUncounted : 0)});
    }
    scene.firstLevel = 4;
    Outcome whole, untouched;
    const std::vector<Outcome> failed = OutcomesWithEachFailure(
        scene,
        [&](sim::SimHost& sim) { return Action(sim, sort, sim.AltValueParamWord(0), 7) & 0xFFFF; },
        whole, untouched);
    ASSERT_GE(failed.size(), 2u) << "the array and a tree";
    EXPECT_EQ(failed[0], untouched) << "without its array";
    for (std::size_t i = 1; i < failed.size(); ++i)
      EXPECT_EQ(failed[i], whole) << "allocation " << i;
    EXPECT_EQ(whole.refreshed.size(), static_cast<std::size_t>(kNodes));
  }
}

TEST(AllocationFailure, ObjectConditionsGiveTheSameResultAndSelectionsWithoutTheirTable) {
  // 300 Balls and 300 Walls interleaved, more than the stack's room for one
  // lookup; a current selection of half the Balls, also tested against
  // themselves.
  constexpr int kEach = 300;
  sim::SceneSpec scene;
  scene.types = {{.name = "Ball"}, {.name = "Wall"}};
  for (int i = 0; i < 2 * kEach; ++i) {
    scene.objects.push_back({.slot = i, .type = i % 2, .creationCount = 1});
    scene.order.push_back({(i * 7) % (2 * kEach)});
  }
  for (int slot = 2; slot < 2 * kEach; slot += 4) scene.types[0].selected.push_back(slot);
  scene.types[0].selectionCurrent = true;
  const auto condition = [](plugin::ConditionCode code, int a, int b) {
    return [=](sim::SimHost& sim) -> std::int64_t {
      return Condition(sim, code, sim.ObjectParamWord(a), sim.ObjectParamWord(b));
    };
  };
  const auto between = [](int a, int b, int c) {
    return [=](sim::SimHost& sim) -> std::int64_t {
      return Call(sim, {.routine = &plugin::Row(plugin::ConditionCode::CondObjectBetween),
                        .parameters = {sim.ObjectParamWord(a), sim.ObjectParamWord(b),
                                       sim.ObjectParamWord(c)}})
          .result;
    };
  };
  const std::pair<const char*, std::function<std::int64_t(sim::SimHost&)>> calls[] = {
      {"Balls above Walls", condition(plugin::ConditionCode::CondObjectAbove, 0, 1)},
      {"Walls below Balls", condition(plugin::ConditionCode::CondObjectBelow, 1, 0)},
      {"Balls above Balls", condition(plugin::ConditionCode::CondObjectAbove, 0, 0)},
      {"Balls between Walls and Balls", between(0, 1, 0)},
  };
  for (const auto& [what, call] : calls) {
    Outcome whole, untouched;
    const std::vector<Outcome> failed = OutcomesWithEachFailure(scene, call, whole, untouched);
    EXPECT_FALSE(failed.empty()) << what << ": the table comes from the heap";
    EXPECT_NE(whole, untouched) << what << ": the selection is narrowed";
    for (std::size_t i = 0; i < failed.size(); ++i)
      EXPECT_EQ(failed[i], whole) << what << ", allocation " << i;
  }
}

TEST(AllocationFailure, NameLookupGivesTheSameObjectWithoutItsTables) {
  // 300 Balls; all but the last 19 have no node or an uncounted one, so the
  // lookup goes far down the matches. The first of those 19, in slot 281, is
  // numbered like the Wall in slot 0, so the actions' lookup finds the Wall
  // (uncounted) for it, and the Ball in slot 282 is named.
  sim::SceneSpec scene;
  scene.types = {{.name = "Wall"}, {.name = "Ball"}};
  scene.objects.push_back({.slot = 0, .type = 0, .creationCount = 1});
  for (int slot = 1; slot <= 300; ++slot) {
    scene.objects.push_back({.slot = slot, .type = 1, .creationCount = 1});
    if (slot % 3 == 0 || slot > 280) {
      scene.order.push_back({slot, static_cast<std::uint8_t>(slot <= 280 ? host::kUncounted : 0)});
    }
  }
  scene.order.push_back({0, host::kUncounted});
  scene.objects[281].number = 0;
  Outcome whole, untouched;
  const std::vector<Outcome> failed = OutcomesWithEachFailure(
      scene,
      [](sim::SimHost& sim) {
        sim.SetExpressionText("bALL");
        return static_cast<std::int64_t>(
            Expression(sim, plugin::ExpressionCode::GetFixedValueByName));
      },
      whole, untouched);
  EXPECT_GE(failed.size(), 2u) << "the table, and that of the values two slots share";
  EXPECT_EQ(whole.result, 282 + 65536);
  for (std::size_t i = 0; i < failed.size(); ++i) EXPECT_EQ(failed[i], whole) << "allocation " << i;
}

// Nodes in slots 0..n-1, every fifth uncounted, levels from 4.
sim::SceneSpec Scene(int n) {
  sim::SceneSpec scene;
  scene.types = {{.name = "Block"}};
  for (int i = 0; i < n; ++i) {
    scene.objects.push_back({.slot = i, .x = static_cast<std::int16_t>(n - i)});
    scene.order.push_back({i, static_cast<std::uint8_t>(i % 5 == 0 ? host::kUncounted : 0)});
  }
  scene.firstLevel = 4;
  return scene;
}

TEST(AllocationFailure, DescriptionReturnsNullWhenAnyAllocationFails) {
  sim::SimHost sim(Scene(12));
  sim.SetExpressionInteger(1);
  const plugin::ExpressionCode tenDescription = plugin::ExpressionCode::GetTenDescription;
  const std::string whole = ExpressionText(sim, tenDescription);
  ASSERT_NE(whole.find("\n9\tBlock\t11\n"), std::string::npos) << whole;

  // Each allocation of the working text in turn (the copy handed to the host:
  // tests/unit/describe_test.cpp).
  sim.ClearLogs();
  int failures = 0;
  for (long countdown = 0;; ++countdown) {
    g_failuresInjected = 0;
    g_allocationsLeft = countdown;
    char* text = reinterpret_cast<char*>(Expression(sim, tenDescription));
    g_allocationsLeft = -1;
    EXPECT_EQ(g_pluginBlocksOut, 0) << "the working text is released";
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
