// The eight expressions, called through the expression table as the host
// calls them.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/tier_harness.h"

namespace tier::test {
namespace {

using enum plugin::ExpressionCode;

constexpr char kHeader[] = "Lvl\tName\tFV\n\n";

// One type per name; object i sits in slot i with creation count 1, of the
// type `types[i]`. The display order lists slots back to front.
sim::SceneSpec Scene(const std::vector<std::string>& names, const std::vector<int>& types,
                     const std::vector<sim::NodeSpec>& order) {
  sim::SceneSpec scene;
  for (const std::string& name : names) scene.types.push_back({.name = name});
  for (std::size_t i = 0; i < types.size(); ++i)
    scene.objects.push_back({.slot = static_cast<int>(i), .type = types[i], .creationCount = 1});
  scene.order = order;
  return scene;
}

std::intptr_t WithInteger(sim::SimHost& sim, plugin::ExpressionCode code, std::int32_t argument) {
  sim.SetExpressionInteger(argument);
  return Expression(sim, code);
}

std::intptr_t ByName(sim::SimHost& sim, const std::string& name) {
  sim.SetExpressionText(name);
  return Expression(sim, GetFixedValueByName);
}

std::string Describe(sim::SimHost& sim, plugin::ExpressionCode code, std::int32_t start) {
  sim.SetExpressionInteger(start);
  bool wasNull = false;
  std::string text = ExpressionText(sim, code, &wasNull);
  EXPECT_FALSE(wasNull);
  return text;
}

TEST(EndsAndCount, SkipUncountedNodesAtBackMiddleAndFront) {
  const std::uint8_t U = host::kUncounted;
  {  // back: U, A, B, C
    sim::SimHost sim(Scene({"Obj"}, {0, 0, 0, 0}, {{0, U}, {1}, {2}, {3}}));
    EXPECT_EQ(Expression(sim, GetTopFixedValue), sim.FixedValue(3));
    EXPECT_EQ(Expression(sim, GetBottomFixedValue), sim.FixedValue(1));
    EXPECT_EQ(Expression(sim, GetLevelCount), 3);
  }
  {  // middle: A, U, B, C
    sim::SimHost sim(Scene({"Obj"}, {0, 0, 0, 0}, {{0}, {1, U}, {2}, {3}}));
    EXPECT_EQ(Expression(sim, GetTopFixedValue), sim.FixedValue(3));
    EXPECT_EQ(Expression(sim, GetBottomFixedValue), sim.FixedValue(0));
    EXPECT_EQ(Expression(sim, GetLevelCount), 3);
  }
  {  // front: A, B, C, U
    sim::SimHost sim(Scene({"Obj"}, {0, 0, 0, 0}, {{0}, {1}, {2}, {3, U}}));
    EXPECT_EQ(Expression(sim, GetTopFixedValue), sim.FixedValue(2));
    EXPECT_EQ(Expression(sim, GetBottomFixedValue), sim.FixedValue(0));
    EXPECT_EQ(Expression(sim, GetLevelCount), 3);
  }
  {  // only uncounted nodes, and the other flag bits do not matter
    sim::SimHost sim(Scene({"Obj"}, {0, 0}, {{0, U}, {1, U | host::kNoRefresh}}));
    EXPECT_EQ(Expression(sim, GetTopFixedValue), 0);
    EXPECT_EQ(Expression(sim, GetBottomFixedValue), 0);
    EXPECT_EQ(Expression(sim, GetLevelCount), 0);
  }
  {  // an empty list
    sim::SceneSpec scene = Scene({"Obj"}, {0}, {});
    scene.storedFixedValue = 65536;
    sim::SimHost sim(scene);
    EXPECT_EQ(Expression(sim, GetTopFixedValue), 0);
    EXPECT_EQ(Expression(sim, GetBottomFixedValue), 0);
    EXPECT_EQ(Expression(sim, GetLevelCount), 0);
    EXPECT_EQ(WithInteger(sim, GetLevel, 65536), 0);
    EXPECT_EQ(WithInteger(sim, GetLevel, 0), 0);
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 1), 0);
  }
}

TEST(LevelAndLevelFV, CountUncountedNodesDifferently) {
  const std::uint8_t U = host::kUncounted;
  {  // back to front U, A, B
    sim::SimHost sim(Scene({"Obj"}, {0, 0, 0}, {{0, U}, {1}, {2}}));
    const std::int32_t u = sim.FixedValue(0), a = sim.FixedValue(1), b = sim.FixedValue(2);
    EXPECT_EQ(WithInteger(sim, GetLevel, a), 1);
    EXPECT_EQ(WithInteger(sim, GetLevel, b), 2);
    EXPECT_EQ(WithInteger(sim, GetLevel, u), 0);  // an uncounted node is never compared
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 1), a);
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 2), a);
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 3), b);
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 4), 0);
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 0), 0);
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, -1), 0);
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, INT_MIN), 0);
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, INT_MAX), 0);
  }
  {  // back to front A, U, B: U hands level 2 on to B
    sim::SimHost sim(Scene({"Obj"}, {0, 0, 0}, {{0}, {1, U}, {2}}));
    const std::int32_t a = sim.FixedValue(0), b = sim.FixedValue(2);
    EXPECT_EQ(WithInteger(sim, GetLevel, b), 2);
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 1), a);
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 2), b);
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 3), b);
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 4), 0);
  }
  {  // back to front A, B, U: the front-most level is handed on to nothing
    sim::SimHost sim(Scene({"Obj"}, {0, 0, 0}, {{0}, {1}, {2, U}}));
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 2), sim.FixedValue(1));
    EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 3), 0);
  }
}

TEST(LevelAndLevelFV, ReadPositionsNotLevelFieldsAndTakeZeroAsTheStoredValue) {
  sim::SceneSpec scene = Scene({"Obj"}, {0, 0, 0}, {{2}, {0}, {1}});
  scene.firstLevel = 40;                // the stored level numbers play no part
  scene.objects[1].creationCount = -3;  // a negative fixed value
  sim::SimHost sim(scene);
  sim.runData().storedFixedValue = sim.FixedValue(1);
  EXPECT_EQ(WithInteger(sim, GetLevel, sim.FixedValue(2)), 1);
  EXPECT_EQ(WithInteger(sim, GetLevel, sim.FixedValue(1)), 3);
  EXPECT_EQ(WithInteger(sim, GetLevel, 0), 3);  // 0 stands for the stored fixed value
  EXPECT_EQ(WithInteger(sim, GetLevel, 12345), 0);
  EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 3), sim.FixedValue(1));
  EXPECT_LT(WithInteger(sim, GetLevelFixedValue, 3), 0);
  // A stored value that names no object.
  sim.runData().storedFixedValue = 777;
  EXPECT_EQ(WithInteger(sim, GetLevel, 0), 0);
}

TEST(GetFV, EmptyNameGivesStoredValueAndNullTextGivesZero) {
  sim::SceneSpec scene = Scene({"Ball"}, {0}, {{0}});
  scene.storedFixedValue = 0x00050009;  // names no object
  sim::SimHost sim(scene);
  EXPECT_EQ(ByName(sim, ""), 0x00050009);
  sim.runData().storedFixedValue = 0;
  EXPECT_EQ(ByName(sim, ""), 0);
  sim.runData().storedFixedValue = -7;
  EXPECT_EQ(ByName(sim, ""), -7);
  sim.SetExpressionNullText();
  EXPECT_EQ(Expression(sim, GetFixedValueByName), 0);
  EXPECT_EQ(ByName(sim, "Ball"), sim.FixedValue(0));
}

TEST(GetFV, FoldsOnlyAsciiLettersAndNeedsTheSameLength) {
  sim::SimHost sim(
      Scene({"Red Ball_2", "a@b[", "\xC4pfel", "Zz"}, {0, 1, 2, 3}, {{0}, {1}, {2}, {3}}));
  EXPECT_EQ(ByName(sim, "Red Ball_2"), sim.FixedValue(0));
  EXPECT_EQ(ByName(sim, "rED bALL_2"), sim.FixedValue(0));
  EXPECT_EQ(ByName(sim, "RED BALL_2"), sim.FixedValue(0));
  EXPECT_EQ(ByName(sim, "Red Ball_"), 0);    // shorter
  EXPECT_EQ(ByName(sim, "Red Ball_22"), 0);  // longer
  EXPECT_EQ(ByName(sim, "Red Ball-2"), 0);   // another character
  EXPECT_EQ(ByName(sim, "Red\tBall_2"), 0);
  EXPECT_EQ(ByName(sim, "A@B["), sim.FixedValue(1));
  EXPECT_EQ(ByName(sim, "a`b["), 0);  // '@' and '`' are not letters
  EXPECT_EQ(ByName(sim, "a@b{"), 0);  // nor are '[' and '{'
  EXPECT_EQ(ByName(sim, "\xC4PFEL"), sim.FixedValue(2));
  EXPECT_EQ(ByName(sim, "\xE4pfel"), 0);  // no folding beyond ASCII
  EXPECT_EQ(ByName(sim, "zZ"), sim.FixedValue(3));
  EXPECT_EQ(ByName(sim, "Z"), 0);
}

TEST(GetFV, TakesTheLowestSlotWithACountedNode) {
  const std::uint8_t U = host::kUncounted;
  {
    // Slots 0..4: Ball uncounted, Ball without a node, Wall, Ball, Ball;
    // the display order puts the later Ball behind the earlier one.
    sim::SceneSpec scene = Scene({"Ball", "Wall"}, {0, 0, 1, 0, 0}, {{4}, {0, U}, {2}, {3}});
    sim::SimHost sim(scene);
    EXPECT_EQ(ByName(sim, "ball"), sim.FixedValue(3));
    EXPECT_EQ(ByName(sim, "Wall"), sim.FixedValue(2));
  }
  {  // every match uncounted or without a node
    sim::SimHost sim(Scene({"Ball"}, {0, 0}, {{0, U}}));
    EXPECT_EQ(ByName(sim, "Ball"), 0);
  }
}

TEST(GetFV, ScansUpToObjectCountAndLooksUpUpToObjectLimit) {
  {  // objectCount 0 still examines slot 0, and nothing beyond
    sim::SceneSpec scene = Scene({"Ball", "Wall"}, {0, 1}, {{0}, {1}});
    scene.objectCount = 0;
    sim::SimHost sim(scene);
    EXPECT_EQ(ByName(sim, "Ball"), sim.FixedValue(0));
    EXPECT_EQ(ByName(sim, "Wall"), 0);
  }
  {  // a match beyond objectLimit has no node as far as the lookup goes
    sim::SceneSpec scene = Scene({"Ball", "Wall"}, {0, 1, 1}, {{0}, {1}, {2}});
    scene.objectLimit = 1;
    sim::SimHost sim(scene);
    EXPECT_EQ(ByName(sim, "Wall"), sim.FixedValue(1));
    scene.objects[1].type = 0;
    sim::SimHost narrow(scene);
    EXPECT_EQ(ByName(narrow, "Wall"), 0);
    scene.objectLimit = -1;
    sim::SimHost none(scene);
    EXPECT_EQ(ByName(none, "Ball"), 0);
  }
}

TEST(GetFV, ComparesEachTypeOnceWhateverTheMixOfTypes) {
  // Forty types named T0..T39, objects of them in slot order three times
  // over, every type's first object without a node: however the answers for
  // earlier types are remembered, each name finds the second object of its
  // type, and a name of no type finds nothing.
  constexpr int kTypes = 40;
  std::vector<std::string> names;
  std::vector<int> types;
  std::vector<sim::NodeSpec> order;
  for (int t = 0; t < kTypes; ++t) names.push_back("T" + std::to_string(t));
  for (int round = 0; round < 3; ++round) {
    for (int t = 0; t < kTypes; ++t) {
      if (round > 0) order.push_back({static_cast<int>(types.size())});
      types.push_back((t * 7 + round) % kTypes);
    }
  }
  sim::SimHost sim(Scene(names, types, order));
  for (int t = 0; t < kTypes; ++t) {
    int second = -1;
    for (int slot = kTypes; slot < static_cast<int>(types.size()) && second < 0; ++slot)
      if (types[slot] == t) second = slot;
    EXPECT_EQ(ByName(sim, "t" + std::to_string(t)), sim.FixedValue(second)) << "T" << t;
  }
  EXPECT_EQ(ByName(sim, "T40"), 0);
}

TEST(Expressions, FetchTheirArgumentOnceWithTheTokenUnchanged) {
  sim::SimHost sim(Scene({"Ball"}, {0, 0}, {{0}, {1}}));
  const std::int32_t token = -0x12345679;
  for (const plugin::RoutineInfo& row : plugin::kCatalogue) {
    if (row.kind != plugin::RoutineKind::Expression) continue;
    const auto code = static_cast<plugin::ExpressionCode>(row.code);
    // What the host is asked for: 1 a text, 0 an integer; -1: no argument.
    const int kind = row.parameterCount == 0                           ? -1
                     : row.parameters[0].kind == plugin::kArgumentText ? 1
                                                                       : 0;
    sim.ClearLogs();
    if (kind == 1)
      sim.SetExpressionText("");
    else
      sim.SetExpressionInteger(1);
    if (plugin::ReturnsText(row))
      ExpressionText(sim, code, nullptr, token);
    else
      Expression(sim, code, token);
    const auto& calls = sim.ExpressionParameterCalls();
    if (kind < 0) {
      EXPECT_TRUE(calls.empty()) << row.routineName;
      continue;
    }
    ASSERT_EQ(calls.size(), 1u) << row.routineName;
    EXPECT_EQ(calls[0].runData, sim.RunDataAddress()) << row.routineName;
    EXPECT_EQ(calls[0].first, static_cast<std::uint32_t>(kind)) << row.routineName;
    EXPECT_EQ(calls[0].second, static_cast<std::uint32_t>(token)) << row.routineName;
  }
  EXPECT_TRUE(sim.NextParameterCalls().empty());
  EXPECT_TRUE(sim.Refreshes().empty());
}

TEST(Description, ListsCountedLevelsFromTheStart) {
  sim::SimHost sim(Scene({"A", "B", "C"}, {0, 1, 2}, {{0}, {1}, {2}}));
  const std::string a = "\tA\t65536\n", b = "\tB\t65537\n", c = "\tC\t65538\n";
  EXPECT_EQ(Describe(sim, GetTenDescription, 1), kHeader + ("1" + a) + ("2" + b) + ("3" + c));
  EXPECT_EQ(Describe(sim, GetTenDescription, 2), kHeader + ("2" + b) + ("3" + c));
  EXPECT_EQ(Describe(sim, GetDescription, 2), kHeader + ("2" + b));
  EXPECT_EQ(Describe(sim, GetDescription, 1), kHeader + ("1" + a));
  EXPECT_EQ(Describe(sim, GetDescription, 3), kHeader + ("3" + c));
  for (std::int32_t start : {4, 1000, INT_MAX - 9, INT_MAX - 1, INT_MAX, 0, -1, INT_MIN})
    EXPECT_EQ(Describe(sim, GetDescription, start), kHeader) << start;
  for (std::int32_t start : {4, INT_MAX - 5, INT_MAX, -9, -10, INT_MIN})
    EXPECT_EQ(Describe(sim, GetTenDescription, start), kHeader) << start;
  EXPECT_EQ(Describe(sim, GetTenDescription, -7), kHeader + ("1" + a) + ("2" + b));

  sim::SimHost empty(Scene({"A"}, {0}, {}));
  EXPECT_EQ(Describe(empty, GetTenDescription, 1), kHeader);
}

TEST(Description, StopsBeforeStartPlusCount) {
  std::vector<int> types(12, 0);
  std::vector<sim::NodeSpec> order;
  for (int slot = 0; slot < 12; ++slot) order.push_back({slot});
  sim::SimHost sim(Scene({"N"}, types, order));
  const auto levels = [](const std::string& text) {
    std::vector<int> listed;
    std::size_t at = text.find("\n\n") + 2;
    while (at < text.size()) {
      listed.push_back(std::stoi(text.substr(at)));
      at = text.find('\n', at) + 1;
    }
    return listed;
  };
  EXPECT_EQ(levels(Describe(sim, GetTenDescription, 1)),
            (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(levels(Describe(sim, GetTenDescription, 0)),
            (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(levels(Describe(sim, GetTenDescription, -3)), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(levels(Describe(sim, GetTenDescription, 5)),
            (std::vector<int>{5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST(Description, NumbersPositionsBeforeTheStartOverEveryNode) {
  const std::uint8_t U = host::kUncounted;
  {  // U, A, B
    sim::SimHost sim(Scene({"U", "A", "B"}, {0, 1, 2}, {{0, U}, {1}, {2}}));
    const std::string a = "\tA\t65537\n", b = "\tB\t65538\n";
    EXPECT_EQ(Describe(sim, GetTenDescription, 1), kHeader + ("1" + a) + ("2" + b));
    EXPECT_EQ(Describe(sim, GetTenDescription, 2), kHeader + ("2" + a) + ("3" + b));
    EXPECT_EQ(Describe(sim, GetDescription, 1), kHeader + ("1" + a));
  }
  {  // A, U, B
    sim::SimHost sim(Scene({"A", "U", "B"}, {0, 1, 2}, {{0}, {1, U}, {2}}));
    const std::string a = "\tA\t65536\n", b = "\tB\t65538\n";
    EXPECT_EQ(Describe(sim, GetTenDescription, 1), kHeader + ("1" + a) + ("2" + b));
    EXPECT_EQ(Describe(sim, GetDescription, 2), kHeader + ("2" + b));
    EXPECT_EQ(Describe(sim, GetTenDescription, 3), kHeader + ("3" + b));  // U used up position 2
  }
}

TEST(Description, PrintsSignedValuesAndWholeLongNames) {
  const std::string longName(400, 'n');
  sim::SceneSpec scene = Scene({"Neg", longName}, {0, 0, 0, 1}, {{3}, {2}});
  scene.objects[2].creationCount = -2;  // fixed value 2 - 2 * 65536
  scene.objects[3].creationCount = 32767;
  sim::SimHost sim(scene);
  EXPECT_EQ(Describe(sim, GetTenDescription, 1),
            std::string(kHeader) + "1\t" + longName + "\t2147418115\n" + "2\tNeg\t-131070\n");
  // Lines around the 100-character working buffer (a 90-character name fills it).
  for (std::size_t length : {89u, 90u, 91u, 92u, 120u}) {
    const std::string name(length, 'x');
    sim::SimHost edge(Scene({name}, {0}, {{0}}));
    EXPECT_EQ(Describe(edge, GetDescription, 1), std::string(kHeader) + "1\t" + name + "\t65536\n")
        << length;
  }
}

TEST(Expressions, LeaveNodesWithoutOwnerOutLikeUncountedOnes) {
  sim::SimHost sim(Scene({"A", "B"}, {0, 1}, {{-1}, {0}, {-1}, {1}, {-1}}));
  const std::int32_t a = sim.FixedValue(0), b = sim.FixedValue(1);
  EXPECT_EQ(Expression(sim, GetTopFixedValue), b);
  EXPECT_EQ(Expression(sim, GetBottomFixedValue), a);
  EXPECT_EQ(Expression(sim, GetLevelCount), 2);
  EXPECT_EQ(WithInteger(sim, GetLevel, b), 2);
  EXPECT_EQ(WithInteger(sim, GetLevel, 0), 0);  // stored 0 matches no ownerless node
  EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 1), a);
  EXPECT_EQ(WithInteger(sim, GetLevelFixedValue, 5), 0);
  EXPECT_EQ(Describe(sim, GetTenDescription, 1),
            std::string(kHeader) + "1\tA\t65536\n" + "2\tB\t65537\n");
}

}  // namespace
}  // namespace tier::test
