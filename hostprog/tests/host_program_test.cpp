// The host program's parts apart from main: the command line, routine look-up,
// input files, the report diff and the picture.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "hostlink/plugin_module.h"
#include "hostprog/command_line.h"
#include "hostprog/input_file.h"
#include "hostprog/report_diff.h"
#include "hostprog/routine_names.h"
#include "hostprog/scene_file.h"
#include "hostprog/scene_picture.h"
#include "hostprog/scene_report.h"
#include "hostprog/tests/xml_problem.h"

namespace tier::hostprog {
namespace {

using Mode = CommandLine::Mode;

TEST(CommandLine, ModesScenesAndModules) {
  struct Case {
    std::vector<std::string> arguments;
    Mode mode;
    std::size_t scenes;
    std::string module;
    std::string svg;
  };
  const Case cases[] = {
      {{}, Mode::kRun, 0, "", ""},
      {{"a.scene"}, Mode::kRun, 1, "", ""},
      {{"-"}, Mode::kRun, 1, "", ""},
      {{"--svg", "out.svg", "a.scene"}, Mode::kRun, 1, "", "out.svg"},
      {{"--check", "a.scene", "b.scene"}, Mode::kCheck, 2, "", ""},
      {{"--coverage", "a.scene", "-"}, Mode::kCoverage, 2, "", ""},
      {{"--list"}, Mode::kList, 0, "", ""},
      {{"--version"}, Mode::kVersion, 0, "", ""},
      {{"x.scene", "-h", "--frobnicate"}, Mode::kHelp, 0, "", ""},
      {{"--help"}, Mode::kHelp, 0, "", ""},
      {{"T.vdx", "a.scene"}, Mode::kRun, 1, "T.vdx", ""},
      {{"--module", "dir/T.dll", "--list"}, Mode::kList, 0, "dir/T.dll", ""},
  };
  for (const Case& c : cases) {
    const Result<CommandLine> parsed = ParseCommandLine(c.arguments);
    ASSERT_TRUE(parsed) << parsed.error();
    const CommandLine& command = *parsed;
    EXPECT_EQ(command.mode, c.mode);
    EXPECT_EQ(command.scenes.size(), c.scenes);
    EXPECT_EQ(command.modulePath, c.module);
    EXPECT_EQ(command.svgPath, c.svg);
    EXPECT_EQ(command.instructionBudget, 0u) << "unless given, the frame's";
  }
  const Result<CommandLine> budget =
      ParseCommandLine({"--instruction-budget", "40000000", "T.vdx", "a.scene"});
  ASSERT_TRUE(budget) << budget.error();
  EXPECT_EQ(budget->instructionBudget, 40'000'000u);
}

TEST(CommandLine, RefusalsNameWhatIsWrong) {
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const Case cases[] = {
      {{"--frobnicate"}, "unknown option '--frobnicate'"},
      {{"-x"}, "unknown option '-x'"},
      {{"--" + std::string(500, 'z')}, "zzz...'"},
      {{"--module", "T.vdx", "--coverage", "a.scene"}, "does not apply to --coverage"},
      {{"--module"}, "--module needs a path"},
      {{"--svg"}, "--svg needs a file name"},
      {{"--instruction-budget"}, "--instruction-budget needs a number"},
      {{"--instruction-budget", "0"}, "from 1 to 9999999999999, not '0'"},
      {{"--instruction-budget", "4e6"}, "not '4e6'"},
      {{"--instruction-budget", "99999999999999"}, "not '99999999999999'"},
      {{"--svg", "o.svg", "--check", "a.scene"}, "does not apply to --check"},
      {{"--check"}, "--check needs at least one scene"},
      {{"--check", "-"}, "cannot read '-'"},
      {{"--check", "a.scene", "--routines"}, "cannot be combined"},
      {{"a.scene", "b.scene"}, "one scene at a time (found 2)"},
      {{"--list", "a.scene"}, "--list takes no scene"},
      {{"--version", "a.scene"}, "--version takes no scene"},
  };
  for (const Case& c : cases) {
    const Result<CommandLine> parsed = ParseCommandLine(c.arguments);
    ASSERT_FALSE(parsed) << c.arguments.front();
    const std::string& error = parsed.error();
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_LT(error.size(), 200u) << error;
  }
}

TEST(RoutineNames, SuggestsTheNearestDisplayStrings) {
  using Found = std::vector<std::string_view>;
  EXPECT_EQ(NearestDisplayStrings("tirGetFV"), Found{"tirGetFV("});
  EXPECT_EQ(NearestDisplayStrings("send %0 back one"), Found{"Send %0 Back One"});
  EXPECT_EQ(NearestDisplayStrings("REVERSE ALL"), Found{"Reverse all"});
  EXPECT_EQ(NearestDisplayStrings("Swap %0 with %1"), Found{"Swap %0 and %1"});
  EXPECT_EQ(NearestDisplayStrings("%0 Abve %1"), Found{"%0 Above %1?"});
  EXPECT_TRUE(NearestDisplayStrings("jump around").empty());
  EXPECT_TRUE(NearestDisplayStrings(std::string(5000, 'x')).empty());

  const Result<SceneFile> misspelt = ParseScene("call \"tirgetnumlvls(\"\n", "s.scene");
  ASSERT_FALSE(misspelt);
  EXPECT_EQ(misspelt.error(),
            "s.scene:1: no routine has the display string \"tirgetnumlvls(\"; did you mean "
            "\"tirGetNumLvls(\"? (tier_host_program --list shows them all)");
}

// docs/routines.json, which the scripts read for the routines' counts, names
// and string ids, is what `tier_host_program --list --json` prints today.
TEST(RoutineNames, KeptJsonListIsTodays) {
  std::ifstream file(std::string(TIER_SCENES_DIR) + "/../docs/routines.json", std::ios::binary);
  const std::string kept{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  EXPECT_EQ(kept, RoutineListJson())
      << "docs/routines.json is out of date with the routine catalogue; rewrite it with\n"
         "  cmake --build build/native --target regenerate";
  const std::string json = RoutineListJson();
  EXPECT_EQ(std::count(json.begin(), json.end(), '{') - 1, std::ssize(plugin::kCatalogue));
  EXPECT_NE(json.find("{\"kind\": \"action\", \"code\": 25, \"name\": \"MoveToLevelByObject\", "
                      "\"display\": \"Move %0 to Level %1\", \"stringId\": 5110, \"parameters\": "
                      "[\"object\", \"number\"]}"),
            std::string::npos)
      << json;
}

TEST(RoutineNames, ListingHasEveryRoutineOnALine) {
  const std::string listing =
      RoutineListing([](const plugin::RoutineInfo& row) { return std::string(row.displayText); });
  EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), std::ssize(plugin::kCatalogue));
  EXPECT_NE(listing.find("action     25  \"Move %0 to Level %1\""), std::string::npos) << listing;
  EXPECT_NE(listing.find("%0 object (Select Object A), %1 number (Enter Level Number)"),
            std::string::npos);
  EXPECT_NE(
      listing.find("expression  0  \"tirGetFV(\"                                         %0 text"),
      std::string::npos)
      << listing;
}

TEST(InputFile, RefusesWhatIsNoSceneInOneLine) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / "tier_input_file_test";
  fs::create_directories(folder);
  EXPECT_EQ(ReadInputFile(folder.string()).error(),
            folder.string() + ": is a directory, not a file");

  const fs::path large = folder / "large.scene";
  std::ofstream(large).put('#');
  fs::resize_file(large, kMaxInputBytes + 1);
  EXPECT_EQ(ReadInputFile(large.string()).error(),
            large.string() + ": larger than the limit of 16 MiB for a scene or report");

  fs::resize_file(large, kMaxInputBytes);  // at the limit: read whole
  const Result<std::string> whole = ReadInputFile(large.string());
  ASSERT_TRUE(whole) << whole.error();
  EXPECT_EQ(whole->size(), kMaxInputBytes);
  fs::remove_all(folder);

  if (fs::exists("/dev/zero")) {
    EXPECT_EQ(ReadInputFile("/dev/zero").error(), "/dev/zero: is a device, not a file");
  }
}

TEST(SceneFile, MessagesCutLongTokens) {
  const std::string huge(1 << 20, 'w');
  const std::string texts[] = {
      "type Ball\nobject 0 Ball " + huge + "\n",    // a word where a key belongs
      "type Ball\nobject 0 \"" + huge + "\"\n",     // an unknown type's name
      "call \"" + huge + "\"\n",                    // an unknown display string
      std::string(kMaxLineLength + 1, ' ') + "\n",  // a line over the limit
  };
  for (const std::string& text : texts) {
    const Result<SceneFile> parsed = ParseScene(text, "s.scene");
    ASSERT_FALSE(parsed);
    EXPECT_LT(parsed.error().size(), 200u) << parsed.error().substr(0, 300);
  }
}

TEST(ReportDiff, HunksCarryTheCallTheyBelongTo) {
  EXPECT_EQ(UnifiedDiff("a\nb\n", "a\r\nb\r\n", "old", "new"), "");
  const std::string before =
      "frame: 2 nodes\n  x\ncall 1: one\n  a\n  b\n  c\n  d\n  e\n  f\n  g\n  h\n"
      "call 2: two\n  p\n  q\n";
  const std::string after =
      "frame: 2 nodes\n  x\ncall 1: one\n  a\n  B\n  c\n  d\n  e\n  f\n  g\n  h\n"
      "call 2: two\n  p\n  q\n  r\n";
  EXPECT_EQ(UnifiedDiff(before, after, "old", "new"),
            "--- old\n+++ new\n"
            "@@ -2,7 +2,7 @@ call 1: one\n   x\n call 1: one\n   a\n-  b\n+  B\n   c\n   d\n   e\n"
            "@@ -12,3 +12,4 @@ call 2: two\n call 2: two\n   p\n   q\n+  r\n");

  // Wholly different long reports still give a diff, cut to a readable length.
  std::string many, others;
  for (int i = 0; i < 5000; ++i) {
    many += "line " + std::to_string(i) + "\n";
    others += "other " + std::to_string(i) + "\n";
  }
  const std::string diff = UnifiedDiff(many, others, "old", "new");
  EXPECT_NE(diff.find("@@ -1,5000 +1,5000 @@\n-line 0\n"), std::string::npos)
      << diff.substr(0, 200);
  EXPECT_NE(diff.find("the diff goes on"), std::string::npos);
}

std::vector<std::filesystem::path> ExampleScenePaths() {
  std::vector<std::filesystem::path> paths;
  for (const auto& entry : std::filesystem::directory_iterator(TIER_SCENES_DIR))
    if (entry.path().extension() == ".scene") paths.push_back(entry.path());
  return paths;
}

TEST(ScenePicture, EveryExampleSceneDrawsAWellFormedSelfContainedPicture) {
  const auto loaded = hostlink::LoadTierModule();
  const hostlink::PluginModule& module = *loaded;
  ASSERT_TRUE(module.ok()) << module.error();
  const auto paths = ExampleScenePaths();
  ASSERT_GE(paths.size(), 5u);
  for (const auto& path : paths) {
    const Result<SceneFile> loaded = LoadScene(path.string());
    ASSERT_TRUE(loaded) << loaded.error();
    const SceneFile& scene = *loaded;
    std::vector<SceneStep> steps;
    ASSERT_TRUE(RunScene(
        module, scene, [](std::string_view) {}, &steps));
    ASSERT_EQ(steps.size(), scene.calls.size() + 1) << path;
    const Result<std::string> drawn = ScenePicture(scene, steps);
    ASSERT_TRUE(drawn) << drawn.error();
    const std::string& picture = *drawn;
    EXPECT_EQ(testing::XmlProblem(picture), "") << path;
    for (const char* external : {"<script", "href", "url(", "@import", "<foreignObject"})
      EXPECT_EQ(picture.find(external), std::string::npos) << path << " holds " << external;
    // One panel per step, each with its background.
    std::size_t panels = 0;
    for (std::size_t at = 0; (at = picture.find("<g>", at)) != std::string::npos; ++at) ++panels;
    EXPECT_EQ(panels, steps.size()) << path;
  }
}

TEST(ScenePicture, MarksAndEscapesWhatItDraws) {
  Result<SceneFile> parsed = ParseScene(
      "type \"<a&b>\"\ntype Ball selection current 1\n"
      "object 0 \"<a&b>\" x 5\nobject 1 Ball\n"
      "order 0 uncounted, 1 noRefresh\ncall \"Reverse all\"\n",
      "s.scene");
  ASSERT_TRUE(parsed) << parsed.error();
  SceneFile& scene = *parsed;
  const auto loaded = hostlink::LoadTierModule();
  const hostlink::PluginModule& module = *loaded;
  std::vector<SceneStep> steps;
  ASSERT_TRUE(RunScene(
      module, scene, [](std::string_view) {}, &steps));
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(OrderStrip(steps[1].frame.nodes), "1* 0*+");
  EXPECT_EQ(OutcomeLine(steps[1]), "order: 1* 0*+");
  const Result<std::string> drawn = ScenePicture(scene, steps);
  ASSERT_TRUE(drawn) << drawn.error();
  const std::string& picture = *drawn;
  EXPECT_EQ(testing::XmlProblem(picture), "");
  EXPECT_NE(picture.find("&lt;a&amp;b&gt;"), std::string::npos);
  EXPECT_NE(picture.find("stroke-dasharray"), std::string::npos);  // uncounted
  EXPECT_NE(picture.find(">noRefresh</text>"), std::string::npos);
  EXPECT_NE(picture.find("stroke-width=\"3\""), std::string::npos);  // redrawn
  EXPECT_TRUE(steps[1].frame.nodes[0].selected);  // slot 1, in Ball's current selection
  EXPECT_FALSE(steps[1].frame.nodes[1].selected);
  EXPECT_NE(picture.find("<circle"), std::string::npos);

  // Each part of a picture's legend is one the panels use.
  for (const char* mark : {"moved (*)", "redrawn (+)", "named by the call", "2* moved and 2+"})
    EXPECT_NE(picture.find(mark), std::string::npos) << mark;

  // A picture too large to draw is refused, and the runner keeps no more
  // nodes than a picture could hold.
  std::string large = "type Ball\n";
  for (int slot = 0; slot < 400; ++slot) large += "object " + std::to_string(slot) + " Ball\n";
  for (int slot = 0; slot < 400; ++slot) large += "order " + std::to_string(slot) + "\n";
  for (int call = 0; call < 300; ++call) large += "call \"Reverse all\"\n";
  Result<SceneFile> largeScene = ParseScene(large, "large.scene");
  ASSERT_TRUE(largeScene) << largeScene.error();
  scene = std::move(*largeScene);
  steps.clear();
  ASSERT_TRUE(RunScene(
      module, scene, [](std::string_view) {}, &steps));
  std::size_t kept = 0;
  for (const SceneStep& step : steps) kept += step.frame.nodes.size();
  EXPECT_LE(kept, kMaxKeptNodes);
  const Result<std::string> tooLarge = ScenePicture(scene, steps);
  ASSERT_FALSE(tooLarge);
  EXPECT_EQ(tooLarge.error(),
            "the picture would draw 120400 nodes (at most 100000); draw a scene with fewer "
            "calls or objects");
}

}  // namespace
}  // namespace tier::hostprog

namespace tier::hostprog {
namespace {

// The <rect> that draws a node's box with `label` beside it, as x and y.
std::pair<std::string, std::string> BoxAt(const std::string& picture, const std::string& label,
                                          std::size_t from = 0) {
  const std::size_t text = picture.find(">" + label + "</text>", from);
  if (text == std::string::npos) return {};
  const std::size_t rect = picture.rfind("<rect x=\"", text);
  const std::size_t y = picture.find("y=\"", rect);
  return {picture.substr(rect + 9, picture.find('"', rect + 9) - rect - 9),
          picture.substr(y + 3, picture.find('"', y + 3) - y - 3)};
}

// The picture of a run of the scene `text`, checked to be well-formed XML;
// empty when the scene does not parse or the picture cannot be drawn.
std::string PictureOf(const std::string& text) {
  const Result<SceneFile> scene = ParseScene(text, "s.scene");
  EXPECT_TRUE(scene) << scene.error();
  if (!scene) return "";
  std::vector<SceneStep> steps;
  const Status run = RunScene(
      *hostlink::LoadTierModule(), *scene, [](std::string_view) {}, &steps);
  EXPECT_TRUE(run) << run.error();
  if (!run) return "";
  const Result<std::string> picture = ScenePicture(*scene, steps);
  EXPECT_TRUE(picture) << picture.error();
  if (!picture) return "";
  EXPECT_EQ(testing::XmlProblem(*picture), "");
  return *picture;
}

TEST(ScenePicture, PanelsSayWhatTheCallNamedChangedAndWhy) {
  const std::string name(70, 'n');
  const std::string picture = PictureOf(
      "type Red selection current 0 1\ntype Wall\nobject 0 Red\nobject 1 Red\n"
      "object 2 Wall x 40\norder 0, 1, 2\n"
      "call \"%0 At Back?\" object Red\n"
      "call \"Store Fixed Value for %0\" object Red\n"
      "call \"Bring %0 to Front\" fv(slot 2)\n"
      "call \"tirGetFV(\" \"" +
      name + "\"\n");
  ASSERT_FALSE(picture.empty());
  // Selections before and after, the stored fixed value, the reason: arrows
  // as an entity, so that the document stays ASCII.
  EXPECT_NE(picture.find(">selection Red: 0 1 (current) &#8594; 0 (current)</text>"),
            std::string::npos);
  EXPECT_NE(picture.find(">storedFixedValue 0 &#8594; 65536</text>"), std::string::npos);
  EXPECT_NE(picture.find(">why: slot 2 is already at the front</text>"), std::string::npos);
  EXPECT_TRUE(std::all_of(picture.begin(), picture.end(),
                          [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
  // A long caption wraps and keeps every character of the parameters.
  std::string joined;
  for (std::size_t at = picture.find("call 4: "); at != std::string::npos;) {
    const std::size_t end = picture.find("</text>", at);
    joined += picture.substr(at, end - at);
    const std::string bold = "font-weight=\"bold\">";
    const std::size_t next = picture.find(bold, end);
    if (next == std::string::npos || next > picture.find("value 0", end)) break;
    at = next + bold.size();
  }
  EXPECT_NE(joined.find(name), std::string::npos) << joined;
  // Objects that share a position fan out, each label clear of the next box;
  // the named one has a ring of its own; Red is red.
  const auto [x0, y0] = BoxAt(picture, "0 Red");
  const auto [x1, y1] = BoxAt(picture, "1 Red");
  EXPECT_LT(std::stoi(x0), std::stoi(x1));
  EXPECT_LE(std::stoi(y0) + 15, std::stoi(y1));
  const std::size_t panel3 = picture.find("call 3: ");
  const std::string ring = "fill=\"none\" stroke=\"#1d4ed8\"";
  const std::size_t named = picture.find(ring, panel3);
  ASSERT_NE(named, std::string::npos);
  EXPECT_LT(named, picture.find(">2 Wall</text>", panel3));
  EXPECT_EQ(picture.find(ring, picture.find(">2 Wall</text>", panel3)),
            picture.find(ring, picture.find("back</text>", panel3)));  // next: 2's chip
  EXPECT_NE(picture.find("fill=\"#ef5350\""), std::string::npos);
}

// The text of the panel of call `number`, up to the next panel.
std::string PanelOf(const std::string& picture, int number) {
  const std::size_t from = picture.find(">call " + std::to_string(number) + ": ");
  if (from == std::string::npos) return "";
  return picture.substr(from, picture.find("<g>", from) - from);
}

TEST(ScenePicture, ShowsSortKeysAnswersAndWhetherASelectionIsCurrent) {
  const std::string picture = PictureOf(
      "type Fish\ntype Ball\ntype Counter\n"
      "object 0 Ball values 7\nobject 1 Counter values none\n"
      "object 2 Ball values 1, -4\norder 0, 1 uncounted, 2\n"
      "call \"Increasing Sort by %0 : non-alts default to %1\" alt 1, 5\n"
      "call \"%0 At Back?\" object Fish\n"
      "call \"tirGetTenDesc$(\" 1\n"
      "call \"tirGetLevel(\" fv(slot 2)\n"
      "call \"Decreasing Sort by %0 : non-alts default to %1\" alt 1000, 3\n");
  ASSERT_FALSE(picture.empty());

  // A sort by value shows the key of each box: the value at the index (0
  // beyond those given), or the default without values or outside them.
  const std::string sorted = PanelOf(picture, 1);
  for (const char* key : {">value 0</text>", ">default 5</text>", ">value -4</text>"})
    EXPECT_NE(sorted.find(key), std::string::npos) << key << "\n" << sorted;
  EXPECT_EQ(sorted.find(">uncounted"), std::string::npos);  // the key takes its line
  const std::string outside = PanelOf(picture, 5);
  EXPECT_EQ(outside.find(">value "), std::string::npos) << outside;
  EXPECT_NE(outside.find(">default 3</text>"), std::string::npos) << outside;
  EXPECT_EQ(PanelOf(picture, 2).find(">value "), std::string::npos);  // no sort, no keys

  // A false condition on a type without instances leaves its selection as it
  // was; the caption says whether it is current.
  EXPECT_NE(PanelOf(picture, 2).find(">selection Fish: not current &#8594; not current</text>"),
            std::string::npos)
      << PanelOf(picture, 2);

  // An expression's panel shows its answer instead of the stage: a
  // description as a table, rows in order, and green rings on the strip's
  // chips of the objects it names.
  const std::string listed = PanelOf(picture, 3);
  EXPECT_EQ(listed.find(" Ball</text>"), std::string::npos) << listed;  // no stage boxes
  const std::size_t header = listed.find(">Lvl</text>");
  ASSERT_NE(header, std::string::npos) << listed;
  EXPECT_LT(header, listed.find(">Name</text>"));
  const std::size_t first = listed.find(">65536</text>"), second = listed.find(">65538</text>");
  ASSERT_NE(first, std::string::npos) << listed;
  EXPECT_LT(first, second);
  const std::string read = "fill=\"none\" stroke=\"#15803d\"";
  std::size_t rings = 0;
  for (std::size_t at = 0; (at = listed.find(read, at)) != std::string::npos; ++at) ++rings;
  EXPECT_EQ(rings, 2u) << listed;  // the two counted objects, not the uncounted counter

  // A numeric answer names the object whose fixed value it is, if any.
  const std::string level = PanelOf(picture, 4);
  EXPECT_NE(level.find("font-weight=\"bold\">value 2</text>"), std::string::npos) << level;
  EXPECT_NE(level.find("stroke=\"#1d4ed8\""), std::string::npos);  // fv(slot 2), named
}

TEST(SceneRunner, TableRowsHoldTheLongestNames) {
  const std::string name(kMaxNameLength, 'N');
  Result<SceneFile> parsed =
      ParseScene("type " + name + "\nobject 0 " + name + " x 7\norder 0\n", "s.scene");
  ASSERT_TRUE(parsed) << parsed.error();
  SceneFile& scene = *parsed;
  const Result<std::string> run = RunScene(*hostlink::LoadTierModule(), scene);
  ASSERT_TRUE(run) << run.error();
  const std::string& report = *run;
  EXPECT_NE(report.find("\n      1         1             1     0  " + name +
                        "       65536       7       0\n  selection "),
            std::string::npos)
      << report;
}

}  // namespace
}  // namespace tier::hostprog

namespace tier::hostprog {
namespace {

// The linked-in plug-in with planted faults: every action answers 7,
// "%0 At Back?" reverses the order before it answers, and "tirGetNumLvls("
// moves the object in slot 0, whose x belongs to the host.
class FaultyModule : public hostlink::PluginModule {
 public:
  FaultyModule() : inner_(hostlink::LoadTierModule()) { infos_ = inner_->infos(); }
  Result<std::int32_t> Condition(int code, host::HostAddress runData, std::int32_t first,
                                 std::int32_t second) const override {
    if (code == plugin::CodeOf(plugin::ConditionCode::CondAtBack))
      (void)inner_->Action(plugin::CodeOf(plugin::ActionCode::ReverseAll), runData, 0, 0);
    return inner_->Condition(code, runData, first, second);
  }
  Result<std::int32_t> Action(int code, host::HostAddress runData, std::int32_t first,
                              std::int32_t second) const override {
    (void)inner_->Action(code, runData, first, second);
    return 7;
  }
  Result<std::intptr_t> Expression(int code, host::HostAddress runData,
                                   std::int32_t token) const override {
    if (code == plugin::CodeOf(plugin::ExpressionCode::GetLevelCount))
      host::ObjectInSlot(*host::RunHeaderOf(*host::HostPtr<host::RunData>(runData).get()), 0)->x ^=
          0x101;
    return inner_->Expression(code, runData, token);
  }
  Result<std::optional<std::string>> TakeText(std::intptr_t result) const override {
    return inner_->TakeText(result);
  }
  std::string Version() const override { return inner_->Version(); }
  std::string String(unsigned id) const override { return inner_->String(id); }

 private:
  std::unique_ptr<hostlink::PluginModule> inner_;
};

TEST(SceneRunner, BreachesOfTheContractAreReportedWhereTheyHappen) {
  Result<SceneFile> parsed = ParseScene(
      "type A\nobject 0 A\nobject 1 A\norder 0, 1\n"
      "call \"Reverse all\"\ncall \"%0 At Back?\" fv(slot 0)\n"
      "call \"tirGetNumLvls(\"\n",
      "s.scene");
  ASSERT_TRUE(parsed) << parsed.error();
  SceneFile& scene = *parsed;
  std::vector<SceneStep> steps;
  std::string report;
  ASSERT_TRUE(RunScene(
      FaultyModule(), scene, [&report](std::string_view piece) { report += piece; }, &steps));
  EXPECT_NE(report.find("call 1: action 8 \"Reverse all\" ()\n  !! returned 7\n  order: 1*+ 0*+\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("call 2: condition 0 \"%0 At Back?\" (fv(slot 0) = 65536)\n  result 1\n"
                        "  !! the display order changed:\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("  !! refreshed: 1 0\n"), std::string::npos) << report;
  EXPECT_NE(report.find("  !! wrote 2 bytes at HostObject+0x3E (x), which the plug-in may only "
                        "read\n",
                        report.find("call 3: ")),
            std::string::npos)
      << report;
  // The picture's steps are the report's: the same outcome and contract.
  ASSERT_EQ(steps.size(), 4u);
  EXPECT_EQ(OutcomeLine(steps[1]), "order: 1*+ 0*+");
  EXPECT_TRUE(steps[2].contract.queryReordered && steps[2].contract.queryRedrew);
  EXPECT_TRUE(steps[0].contract.Kept());
  EXPECT_EQ(steps[3].contract.fieldBreaches.size(), 1u);
}

// A module whose every action faults, as the emulator reports a fault.
constexpr const char* kPlantedFault =
    "lib.vdx wrote 4 bytes at RunData+0x06 (runHeader), which the plug-in may only read";
class FaultingModule : public FaultyModule {
 public:
  Result<std::int32_t> Action(int, host::HostAddress, std::int32_t, std::int32_t) const override {
    return Error{kPlantedFault};
  }
};

TEST(SceneRunner, AFaultEndsTheRunAfterTheStepsBeforeIt) {
  Result<SceneFile> parsed = ParseScene(
      "type A\nobject 0 A\norder 0\ncall \"tirGetNumLvls(\"\n"
      "call \"Reverse all\"\ncall \"tirGetNumLvls(\"\n",
      "s.scene");
  ASSERT_TRUE(parsed) << parsed.error();
  SceneFile& scene = *parsed;
  std::vector<SceneStep> steps;
  std::string report;
  const Status run = RunScene(
      FaultingModule(), scene, [&report](std::string_view piece) { report += piece; }, &steps);
  ASSERT_FALSE(run);
  EXPECT_EQ(run.error(), kPlantedFault);
  EXPECT_EQ(steps.size(), 2u) << "the frame and the first call";
  EXPECT_EQ(report.find("call 2"), std::string::npos) << report;
}

}  // namespace
}  // namespace tier::hostprog

namespace tier::hostprog {
namespace {

TEST(SceneRunner, SaysWhyACallDidNothingBesideItsOutcome) {
  // The example of docs/scene-files.md: the only A lies beyond objectLimit.
  Result<SceneFile> parsed = ParseScene(
      "objectLimit 1\ntype B\ntype A\nobject 0 B\nobject 3 A\norder 3, 0\n"
      "call \"Bring %0 to Front\" object A\ncall \"%0 At Back?\" fv(slot 0)\n"
      "call \"Send %0 to Back\" fv(slot 0)\n",
      "s.scene");
  ASSERT_TRUE(parsed) << parsed.error();
  SceneFile& scene = *parsed;
  const Result<std::string> run = RunScene(*hostlink::LoadTierModule(), scene);
  ASSERT_TRUE(run) << run.error();
  const std::string& report = *run;
  EXPECT_NE(report.find("  order unchanged: 3 0\n  why: A's first instance in scope, slot 3 "
                        "(fixed value 65539), lies beyond objectLimit 1, the last slot the "
                        "actions look in\n  refreshed: none\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("  result 0\n  why: slot 0 is not at the back: slot 3 is\n"),
            std::string::npos)
      << report;
  // A call that did something has no reason.
  EXPECT_EQ(report.find("why:", report.find("call 3:")), std::string::npos) << report;
}

// An object form whose type has nothing in scope moves whatever holds the
// stored fixed value: the step names that object, so that the picture rings
// it, and a note says so whether or not the call moved anything.
TEST(SceneRunner, ObjectFormFallingBackOnTheStoredValueNamesWhatItMoved) {
  Result<SceneFile> parsed = ParseScene(
      "type Fish\ntype Weed\nobject 0 Weed\nobject 1 Weed\norder 0, 1\n"
      "storedFixedValue fv(slot 1)\n"
      "call \"Send %0 to Back\" object Fish\n"
      "call \"Send %0 to Back\" object Fish\n"
      "call \"Increasing Sort by %0 : non-alts default to %1\" alt 32767, 5\n",
      "s.scene");
  ASSERT_TRUE(parsed) << parsed.error();
  SceneFile& scene = *parsed;
  std::vector<SceneStep> steps;
  ASSERT_TRUE(RunScene(
      *hostlink::LoadTierModule(), scene, [](std::string_view) {}, &steps));
  ASSERT_EQ(steps.size(), 4u);
  const std::string note =
      "Fish has no instance in scope, so the call acts on the stored fixed value 65537 (Weed 1)";
  EXPECT_TRUE(steps[1].tableChanged);
  EXPECT_EQ(steps[1].notes, std::vector<std::string>{note});
  EXPECT_EQ(steps[1].named, std::vector<int>{1});
  EXPECT_FALSE(steps[1].reason);
  EXPECT_FALSE(steps[2].tableChanged);
  EXPECT_EQ(steps[2].notes, std::vector<std::string>{note});
  ASSERT_TRUE(steps[2].reason);
  EXPECT_EQ(steps[2].reason->text,
            "Fish has no instance in scope (it has no objects), so the action takes "
            "storedFixedValue 65537; slot 1 is already at the back");
  // An index outside the values sorts every object by the default.
  EXPECT_EQ(steps[3].notes,
            std::vector<std::string>{"alterable value 32767 lies outside 0 to 25, so every object "
                                     "sorts by the default value 5"});
}

}  // namespace
}  // namespace tier::hostprog
