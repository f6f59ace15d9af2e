// The scene format: what a scene file sets up, how calls find their routine,
// and the messages for malformed files.
#include "hostprog/scene_file.h"

#include <gtest/gtest.h>

#include "hostlink/plugin_module.h"
#include "hostprog/scene_report.h"

namespace tier::hostprog {
namespace {

using plugin::RoutineKind;
using Form = CallArgument::Form;

SceneFile MustParse(std::string_view text) {
  Result<SceneFile> scene = ParseScene(text, "test.scene");
  EXPECT_TRUE(scene) << scene.error();
  return scene ? std::move(*scene) : SceneFile();
}

std::string ErrorFor(std::string_view text) {
  const Result<SceneFile> scene = ParseScene(text, "bad.scene");
  EXPECT_FALSE(scene) << "parsed:\n" << text;
  return scene ? "" : scene.error();
}

TEST(SceneFile, SetsUpTheFrameAsWritten) {
  const SceneFile file = MustParse(
      "\xEF\xBB\xBF# comment line after a byte-order mark\r\n"
      "eventCount 40\r\n"
      "objectCount 9\n"
      "objectLimit -1   # trailing comment\n"
      "firstLevel 5\n"
      "storedFixedValue fv(slot 3)\n"
      "type Ball selection current 3, 1\n"
      "type \"Big \\\"B\\\"\\t#1\" selection stale 2\n"
      "type Empty\n"
      "object 1 Ball\n"
      "object 3 Ball creation -2 x -5 y 7 values 1, -2 0x10 block none\n"
      "object 2 \"Big \\\"B\\\"\\t#1\" values none\n"
      "order 3 uncounted noRefresh, 1\n"
      "order 2 noRefresh\n");
  const sim::SceneSpec& scene = file.scene;
  EXPECT_EQ(scene.eventCount, 40);
  EXPECT_EQ(scene.objectCount, 9);
  EXPECT_EQ(scene.objectLimit, -1);
  EXPECT_EQ(scene.firstLevel, 5);
  EXPECT_EQ(scene.storedFixedValue, 3 - 2 * 65536);  // fixed values may be negative

  ASSERT_EQ(scene.types.size(), 3u);
  EXPECT_EQ(scene.types[0].selected, (std::vector<int>{3, 1}));
  EXPECT_TRUE(scene.types[0].selectionCurrent);
  EXPECT_EQ(scene.types[1].name, "Big \"B\"\t#1");
  EXPECT_EQ(scene.types[1].selected, (std::vector<int>{2}));
  EXPECT_FALSE(scene.types[1].selectionCurrent);
  EXPECT_TRUE(scene.types[2].selected.empty());

  ASSERT_EQ(scene.objects.size(), 3u);
  const sim::ObjectSpec& plain = scene.objects[0];
  EXPECT_EQ(plain.creationCount, 1);  // the default
  EXPECT_TRUE(plain.hasValues);
  EXPECT_TRUE(plain.hasDisplayBlock);
  const sim::ObjectSpec& full = scene.objects[1];
  EXPECT_EQ(full.slot, 3);
  EXPECT_EQ(full.creationCount, -2);
  EXPECT_EQ(full.x, -5);
  EXPECT_EQ(full.y, 7);
  EXPECT_EQ(full.values, (std::vector<std::int32_t>{1, -2, 16}));
  EXPECT_FALSE(full.hasDisplayBlock);
  EXPECT_FALSE(scene.objects[2].hasValues);
  EXPECT_EQ(scene.objects[2].type, 1);

  ASSERT_EQ(scene.order.size(), 3u);
  EXPECT_EQ(scene.order[0].slot, 3);
  EXPECT_EQ(scene.order[0].flags, host::kUncounted | host::kNoRefresh);
  EXPECT_EQ(scene.order[1].flags, 0);
  EXPECT_EQ(scene.order[2].flags, host::kNoRefresh);
  EXPECT_TRUE(file.calls.empty());
  EXPECT_EQ(file.statements, 13u);  // the comment line says nothing
  EXPECT_EQ(MustParse("# a comment\n\n  \t\n").statements, 0u);
  // The commas between slots are optional: "order 3 uncounted noRefresh 1" reads the same.
  const SceneFile bare = MustParse(
      "type Ball selection current 3 1\ntype B\ntype E\nobject 1 Ball\nobject 3 Ball\n"
      "object 2 B\norder 3 uncounted noRefresh 1 2 noRefresh\n");
  ASSERT_EQ(bare.scene.order.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(bare.scene.order[i].slot, scene.order[i].slot);
    EXPECT_EQ(bare.scene.order[i].flags, scene.order[i].flags);
  }
  EXPECT_EQ(bare.scene.types[0].selected, (std::vector<int>{3, 1}));
  // The simulated host accepts it as it stands.
  sim::SimHost sim(scene);
  EXPECT_EQ(sim.CheckInvariants(), "");
}

TEST(SceneFile, CallsFindTheirRoutineByStringOrCodeAndParameterForms) {
  const SceneFile file = MustParse(
      "type Ball\n"
      "object 0 Ball creation 2\n"
      "call \"Bring %0 Forward %1\" fv(slot 0), -3\n"
      "call \"Bring %0 Forward %1\" object Ball, 0x7FFFFFFF\n"
      "call action 26 alt -1, 5\n"
      "call \"%0 Between %1 and %2?\" object Ball, object Ball, object Ball\n"
      "call condition 4 1, 2, 3\n"
      "call \"tirGetFV(\" \"a \\\"name\\\" # not a comment\"\n"
      "call expression 6 fv(slot 0)\n"
      "call \"Reverse all\"\n"
      "call expression 1\n");
  ASSERT_EQ(file.calls.size(), 9u);
  auto is = [&](std::size_t i, RoutineKind kind, int code) {
    EXPECT_EQ(file.calls[i].routine->kind, kind) << i;
    EXPECT_EQ(file.calls[i].routine->code, code) << i;
  };
  is(0, RoutineKind::Action, 7);
  is(1, RoutineKind::Action, 22);
  is(2, RoutineKind::Action, 26);
  is(3, RoutineKind::Condition, 9);
  is(4, RoutineKind::Condition, 4);
  is(5, RoutineKind::Expression, 0);
  is(6, RoutineKind::Expression, 6);
  is(7, RoutineKind::Action, 8);
  is(8, RoutineKind::Expression, 1);

  const std::vector<CallArgument>& first = file.calls[0].arguments;
  EXPECT_EQ(first[0].form, Form::kFixedValueOf);
  EXPECT_EQ(first[0].value, 2 * 65536);
  EXPECT_EQ(first[1].value, -3);
  EXPECT_EQ(file.calls[1].arguments[0].form, Form::kObject);
  EXPECT_EQ(file.calls[1].arguments[0].type, 0);
  EXPECT_EQ(file.calls[1].arguments[1].value, 0x7FFFFFFF);
  EXPECT_EQ(file.calls[2].arguments[0].form, Form::kAltValue);
  EXPECT_EQ(file.calls[2].arguments[0].value, -1);
  EXPECT_EQ(file.calls[5].arguments[0].text, "a \"name\" # not a comment");
  EXPECT_EQ(file.calls[5].line, 8);
  EXPECT_EQ(RoutineLabel(*file.calls[1].routine), "action 22 \"Bring %0 Forward %1\"");
  EXPECT_EQ(Quote("a\tb\"\\\n\x01\xE9"), "\"a\\tb\\\"\\\\\\n\\x01\\xE9\"");
}

TEST(SceneFile, MalformedScenesNameFileLineAndWhatWasExpected) {
  const std::string frame = "type Ball\nobject 0 Ball\n";  // lines 1 and 2
  const std::string lastAction = std::to_string(plugin::kActionCount - 1);
  const std::string pastAction = std::to_string(plugin::kActionCount);
  const std::string lastExpression = std::to_string(plugin::kExpressionCount - 1);
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"object 40000 Ball", "bad.scene:1: an object slot 40000 is out of range (0 to 32767)"},
      {"object -1 Ball", "bad.scene:1: an object slot -1 is out of range"},
      {"object",
       "bad.scene:1: expected an object slot (a number from 0 to 32767), found the "
       "end of the line"},
      {"object 0 Wall", "bad.scene:1: unknown object type \"Wall\""},
      {frame + "object 0 Ball", "bad.scene:3: slot 0 already holds an object (line 2)"},
      {frame + "object 1 Ball creation 99999999999999999",
       "bad.scene:3: expected a creation count (a number from -32768 to 32767), found"},
      {frame + "object 1 Ball x 32768", "bad.scene:3: an X position 32768 is out of range"},
      {frame + "object 1 Ball x 1 x 2", "bad.scene:3: 'x' is given twice"},
      {frame + "object 1 Ball colour 3", "bad.scene:3: expected creation, x, y, values or block"},
      {frame + "object 1 Ball values 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 "
               "23 24 25 26 27",
       "bad.scene:3: an object holds at most 26 alterable values"},
      {frame + "order 0, 5", "bad.scene:3: the order names slot 5, which is free"},
      {frame + "order 0\norder 0", "bad.scene:4: slot 0 already has a node in the order (line 3)"},
      {frame + "order uncounted 0", "bad.scene:3: 'uncounted' must follow the slot of a node"},
      {frame + "order 0 hidden", "bad.scene:3: expected the slot of a node, 'uncounted' or"},
      {"type Ball selection current 4\nobject 0 Ball",
       "bad.scene:1: the selection names slot 4, which is free"},
      {"type Ball selection current 1\ntype Wall\nobject 0 Ball\nobject 1 Wall",
       "bad.scene:1: the selection of \"Ball\" names slot 1, an object of another type"},
      {"type Ball selection current 0 0\nobject 0 Ball",
       "bad.scene:1: the selection names slot 0 twice"},
      {"type Ball selection maybe", "bad.scene:1: expected 'current' or 'stale' after"},
      {"type Ball\ntype Ball", "bad.scene:2: object type \"Ball\" is declared twice"},
      {"type \"\"", "bad.scene:1: an object name may not be empty"},
      {"type \"Ball", "bad.scene:1: expected a closing '\"' before the end of the line"},
      {"type \"B\\q\"", "bad.scene:1: expected an escape"},
      {"type \"B\\x00\"", "bad.scene:1: a text may not hold \\x00"},
      {std::string("type B\x01", 7), "bad.scene:1: unexpected control character 0x01"},
      {"eventCount 7\neventCount 8", "bad.scene:2: eventCount is given twice (first on line 1)"},
      {"eventCount 65536", "bad.scene:1: eventCount 65536 is out of range (0 to 65535)"},
      {"objectCount -1", "bad.scene:1: objectCount -1 is out of range"},
      {"objectLimit 40000", "bad.scene:1: objectLimit 40000 is out of range"},
      {"storedFixedValue fv(slot 3)", "bad.scene:1: fv(slot 3) names a free slot"},
      {"storedFixedValue fv(3)", "bad.scene:1: expected 'slot', found '3'"},
      {frame + "firstLevel 65535\norder 0\nobject 1 Ball\norder 1",
       "bad.scene:3: the levels would pass 65535: firstLevel 65535 with 2 nodes"},
      {"layer 3", "bad.scene:1: expected a line starting with type, object, order, call"},
      {frame + "call \"Reverse all\"\nobject 1 Ball",
       "bad.scene:4: the frame must be described before the first call (line 3)"},
      {frame + "call \"Reverse everything\"",
       "bad.scene:3: no routine has the display string \"Reverse everything\""},
      {frame + "call action " + pastAction,
       "bad.scene:3: action code " + pastAction + " is out of range (0 to " + lastAction + ")"},
      {frame + "call expression -1",
       "bad.scene:3: expression code -1 is out of range (0 to " + lastExpression + ")"},
      {frame + "call \"Bring %0 Forward %1\" object Ball",
       "bad.scene:3: \"Bring %0 Forward %1\" takes (number, number) or (object, number), found "
       "(object)"},
      {frame + "call condition 5 1",
       "bad.scene:3: condition 5 \"%0 At Back?\" takes (object), found (number)"},
      {frame + "call \"tirGetFV(\" 3", "takes (text), found (number)"},
      {frame + "call \"Swap %0 and %1\" fv(slot 0) fv(slot 0)",
       "bad.scene:3: expected ',' between parameters, found 'fv'"},
      {frame + "call \"Send %0 to Back\" fv(slot 9)", "bad.scene:3: fv(slot 9) names a free slot"},
      {frame + "call \"Send %0 to Back\" 2147483648",
       "bad.scene:3: a number 2147483648 is out of range"},
      {frame + "call \"Send %0 to Back\" object Wall", "bad.scene:3: unknown object type \"Wall\""},
      {frame + "call action 26 alt 40000, 0", "bad.scene:3: an alterable value index 40000 is"},
      {frame + "call \"Send %0 to Back\" sprite", "bad.scene:3: expected a parameter (a number"},
  };
  for (const auto& c : cases) {
    const std::string error = ErrorFor(c.text);
    EXPECT_NE(error.find(c.message), std::string::npos)
        << "scene:\n"
        << c.text << "\nerror: " << error << "\nwanted: " << c.message;
  }
}

TEST(SceneFile, RefusesWhatTheHostCouldNotHold) {
  // Object parameters reach type entries by a signed 16-bit offset.
  std::string manyTypes;
  for (int i = 0; i < 400; ++i) manyTypes += "type T" + std::to_string(i) + "\n";
  EXPECT_NE(ErrorFor(manyTypes).find("too many object types, or names too long"),
            std::string::npos);
  std::string manyCalls = "type Ball\n";
  for (std::size_t i = 0; i <= kMaxCalls; ++i) manyCalls += "call \"Reverse all\"\n";
  EXPECT_NE(ErrorFor(manyCalls).find("a scene holds at most 4096 calls"), std::string::npos);
  const std::string longName = "type \"" + std::string(kMaxNameLength + 1, 'n') + "\"";
  EXPECT_NE(ErrorFor(longName).find("an object name may be at most"), std::string::npos);

  const Result<SceneFile> scene = LoadScene("/nonexistent/dir/x.scene");
  ASSERT_FALSE(scene);
  const std::string& error = scene.error();
  EXPECT_EQ(error.rfind("/nonexistent/dir/x.scene: cannot read the file", 0), 0u) << error;
}

TEST(SceneRunner, ReportsEachCallWithoutAddresses) {
  const SceneFile file = MustParse(
      "type Ball selection current 1\n"
      "object 0 Ball\nobject 1 Ball creation 2\n"
      "order 0, 1 noRefresh\n"
      "call \"Reverse all\"\n"
      "call \"%0 At Back?\" object Ball\n"
      "call \"Store Fixed Value for %0\" object Ball\n"
      "call \"tirGetDesc$(\" 1\n");
  const auto loaded = hostlink::LoadTierModule();
  const hostlink::PluginModule& module = *loaded;
  ASSERT_TRUE(module.ok()) << module.error();
  const Result<std::string> run = RunScene(module, file);
  ASSERT_TRUE(run) << run.error();
  const std::string& report = *run;
  EXPECT_EQ(report, RunScene(module, file).value());  // a fresh host each run
  const char* expected[] = {
      "call 1: action 8 \"Reverse all\" ()\n",
      "  order: 1* 0*+\n"
      "  level  position  displayLevel  slot  name  fixedValue       x       y  flags\n"
      "      1         1             1     1  Ball      131073       0       0  noRefresh\n",
      "  refreshed: 0\n",
      "call 2: condition 5 \"%0 At Back?\" (object Ball)\n  result 1\n"
      "  selection Ball: current, firstSelected 1, selectedCount 1, chain 1 (last link -32768)\n",
      "  storedFixedValue 0 -> 131073\n",
      "  text \"Lvl\\tName\\tFV\\n\\n1\\tBall\\t131073\\n\"\n",
  };
  for (const char* part : expected)
    EXPECT_NE(report.find(part), std::string::npos) << "missing:\n" << part << "\nin:\n" << report;
  EXPECT_EQ(report.find("!!"), std::string::npos) << report;
}

}  // namespace
}  // namespace tier::hostprog
