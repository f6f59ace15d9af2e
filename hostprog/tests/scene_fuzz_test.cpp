// Mutates the example scenes at random (a fixed seed, a bounded number of
// rounds) and feeds them to the parser. A scene that is refused must be
// refused with a file and line; a scene that is accepted must build a
// simulated host (which aborts on anything it cannot hold) and run every call
// through the plug-in with the records left consistent.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>

#include "hostlink/plugin_module.h"
#include "hostprog/command_line.h"
#include "hostprog/scene_file.h"
#include "hostprog/scene_picture.h"
#include "hostprog/scene_report.h"
#include "hostprog/tests/xml_problem.h"

namespace tier::hostprog {
namespace {

std::vector<std::string> ExampleScenes() {
  std::vector<std::string> scenes;
  for (const auto& entry : std::filesystem::directory_iterator(TIER_SCENES_DIR)) {
    if (entry.path().extension() != ".scene") continue;
    std::ifstream file(entry.path(), std::ios::binary);
    scenes.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  return scenes;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

class Mutator {
 public:
  explicit Mutator(std::uint32_t seed) : random_(seed) {}

  std::string Mutate(const std::string& scene) {
    std::vector<std::string> lines = SplitLines(scene);
    const int rounds = Pick(1, 4);
    for (int i = 0; i < rounds && !lines.empty(); ++i) {
      std::string& line = lines[Pick(0, static_cast<int>(lines.size()) - 1)];
      switch (Pick(0, 6)) {
        case 0:  // a character replaced
          if (!line.empty()) line[Pick(0, static_cast<int>(line.size()) - 1)] = AnyCharacter();
          break;
        case 1:  // a number replaced by an extreme one
          line = ReplaceNumber(line);
          break;
        case 2:  // a line dropped
          lines.erase(lines.begin() + Pick(0, static_cast<int>(lines.size()) - 1));
          break;
        case 3:  // a line repeated elsewhere
          lines.insert(lines.begin() + Pick(0, static_cast<int>(lines.size())), line);
          break;
        case 4:  // a line from the format's own words
          lines.insert(lines.begin() + Pick(0, static_cast<int>(lines.size())), Snippet());
          break;
        case 5:  // a line cut short
          line.resize(Pick(0, static_cast<int>(line.size())));
          break;
        default:  // a word appended
          line += " " + std::string(Word());
          break;
      }
    }
    return JoinLines(lines);
  }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  char AnyCharacter() {
    static const char kCharacters[] =
        "0123456789-+xX ,()\"#\\\t\r\x01\x7f\xff"
        "abzAZ%?";
    return kCharacters[Pick(0, sizeof kCharacters - 2)];
  }

  std::string_view Word() {
    static const std::string_view kWords[] = {"0",
                                              "-1",
                                              "32767",
                                              "32768",
                                              "-32769",
                                              "65535",
                                              "65536",
                                              "2147483647",
                                              "2147483648",
                                              "-2147483649",
                                              "0xFFFF",
                                              "0x7FFFFFFF",
                                              "99999999999999",
                                              "none",
                                              "uncounted",
                                              "noRefresh",
                                              "fv(slot 0)",
                                              "fv(slot 32767)",
                                              "object Ball",
                                              "alt 3",
                                              "\"text\"",
                                              "values",
                                              "block",
                                              "creation",
                                              "selection current 0",
                                              ",",
                                              "(",
                                              "\""};
    return kWords[Pick(0, std::size(kWords) - 1)];
  }

  std::string ReplaceNumber(const std::string& line) {
    static const std::regex kNumber("-?[0-9]+");
    std::vector<std::smatch> numbers;
    for (auto it = std::sregex_iterator(line.begin(), line.end(), kNumber);
         it != std::sregex_iterator(); ++it)
      numbers.push_back(*it);
    if (numbers.empty()) return line;
    const std::smatch& chosen = numbers[Pick(0, static_cast<int>(numbers.size()) - 1)];
    return line.substr(0, chosen.position()) + std::string(Word()) +
           line.substr(chosen.position() + chosen.length());
  }

  std::string Snippet() {
    static const std::string_view kSnippets[] = {
        "order 0",
        "order 1 uncounted, 2 noRefresh",
        "object 40000 Ball",
        "object 7 Ball creation -32768 x -32768 y 32767 values 2147483647 -2147483648",
        "object 8 Ghost values none block none",
        "type Ball selection current 0 1 2",
        "type Ghost selection current",
        "type \"\"",
        "firstLevel 65535",
        "firstLevel 0",
        "objectCount 65535",
        "objectCount 0",
        "objectLimit -32768",
        "objectLimit 32767",
        "eventCount 0",
        "storedFixedValue 0",
        "storedFixedValue fv(slot 1)",
        "call \"Reverse all\"",
        "call action 99",
        "call action 26 alt 32767, -5",
        "call action 27 alt -32768, 2147483647",
        "call \"Send %0 Back %1\" fv(slot 0), 2147483647",
        "call \"Move %0 to Level %1\" 0, -2147483648",
        "call \"tirGetLevelFV(\" 2147483647",
        "call \"tirGetTenDesc$(\" 2147483647",
        "call \"tirGetTenDesc$(\" -2147483648",
        "call \"tirGetFV(\" \"\"",
        "call \"%0 Between %1 and %2?\" object Ball, object Ball, object Ball",
        "call condition 4 0, 0, 0",
        "call \"Swap %0 and %1\" 0, 0",
    };
    return std::string(kSnippets[Pick(0, std::size(kSnippets) - 1)]);
  }

  std::mt19937 random_;
};

TEST(SceneFileFuzz, MutatedScenesAreRefusedWithALineOrRunCleanly) {
  const std::vector<std::string> scenes = ExampleScenes();
  ASSERT_GE(scenes.size(), 5u) << "no example scenes in " << TIER_SCENES_DIR;
  const auto loaded = hostlink::LoadTierModule();
  const hostlink::PluginModule& module = *loaded;
  ASSERT_TRUE(module.ok()) << module.error();
  const std::regex kErrorShape(R"(fuzz\.scene:[0-9]+: .+)");

  Mutator mutator(20260501);
  int accepted = 0, refused = 0;
  constexpr int kRounds = 4000;
  for (int round = 0; round < kRounds; ++round) {
    const std::string text = mutator.Mutate(scenes[round % scenes.size()]);
    const Result<SceneFile> parsed = ParseScene(text, "fuzz.scene");
    if (!parsed) {
      ++refused;
      EXPECT_TRUE(std::regex_match(parsed.error(), kErrorShape)) << parsed.error();
      continue;
    }
    const SceneFile& scene = *parsed;
    ++accepted;
    std::vector<SceneStep> steps;
    std::string report;
    ASSERT_TRUE(RunScene(
        module, scene, [&report](std::string_view piece) { report += piece; }, &steps));
    ASSERT_EQ(report.find("!!"), std::string::npos) << "round " << round << ", scene:\n"
                                                    << text << "\nreport:\n"
                                                    << report;
    // Every accepted scene can be drawn, and the picture is well-formed.
    if (round % 8 == 0) {
      const Result<std::string> picture = ScenePicture(scene, steps);
      ASSERT_TRUE(picture) << picture.error();
      ASSERT_EQ(testing::XmlProblem(*picture), "") << "round " << round << ", scene:\n" << text;
    }
  }
  std::printf("%d accepted, %d refused\n", accepted, refused);
  // Both paths are exercised, not just one.
  EXPECT_GT(accepted, kRounds / 10);
  EXPECT_GT(refused, kRounds / 10);
}

// Random command lines from the program's own words and some strays: each is
// either understood, in a state the program can act on, or refused with one
// short line.
TEST(CommandLineFuzz, RandomArgumentsAreUnderstoodOrRefusedInOneLine) {
  const std::string words[] = {"--check",
                               "--routines",
                               "--coverage",
                               "--list",
                               "--version",
                               "--help",
                               "-h",
                               "--module",
                               "--svg",
                               "-",
                               "a.scene",
                               "b.scene",
                               "T.vdx",
                               "--",
                               "-x",
                               "",
                               "--svg=x",
                               std::string(300, '-'),
                               "--instruction-budget",
                               "40000000"};
  std::mt19937 random(20261209);
  int understood = 0;
  for (int round = 0; round < 5000; ++round) {
    std::vector<std::string> arguments(random() % 6);
    for (std::string& argument : arguments) argument = words[random() % std::size(words)];
    const Result<CommandLine> parsed = ParseCommandLine(arguments);
    if (!parsed) {
      const std::string& error = parsed.error();
      EXPECT_FALSE(error.empty());
      EXPECT_LT(error.size(), 200u) << error;
      EXPECT_EQ(error.find('\n'), std::string::npos) << error;
      continue;
    }
    ++understood;
    const CommandLine& command = *parsed;
    using Mode = CommandLine::Mode;
    if (command.mode == Mode::kRun) {
      EXPECT_LE(command.scenes.size(), 1u);
    }
    if (command.mode == Mode::kCheck || command.mode == Mode::kRoutines ||
        command.mode == Mode::kCoverage) {
      EXPECT_FALSE(command.scenes.empty());
    }
    if (command.mode != Mode::kRun) {
      EXPECT_TRUE(command.svgPath.empty());
    }
    if (command.mode == Mode::kRoutines || command.mode == Mode::kCoverage) {
      EXPECT_TRUE(command.modulePath.empty());
    }
  }
  EXPECT_GT(understood, 500);
}

}  // namespace
}  // namespace tier::hostprog
