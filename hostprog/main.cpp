// The host program: plays the host for a person. Without a scene it loads the
// plug-in, shows what the host sees of it (descriptor, tables, the catalogue
// as read back from the module's own string table), then runs a demo frame
// through the routines and shows the display order and the refresh calls
// after each one. With a scene file it runs the scene's calls and reports on
// each; --check compares that report with the one kept beside the scene.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "host/plugin_module.h"
#include "hostprog/scene_file.h"
#include "hostprog/scene_runner.h"
#include "plugin/catalogue.h"
#include "simhost/sim_host.h"

namespace {

using tier::host::PluginModule;
using tier::plugin::kCatalogue;
using tier::plugin::RoutineInfo;
using tier::plugin::RoutineKind;
using tier::sim::SimHost;

std::string CapitalisedKind(RoutineKind kind) {
  std::string word(tier::plugin::KindWord(kind));
  word[0] = static_cast<char>(word[0] - 'a' + 'A');
  return word;
}

template <typename Routine>
int TableLength(const Routine* table) {
  int length = 0;
  while (length < 64 && table[length] != nullptr) ++length;
  return length;
}

void ShowModule(const PluginModule& module) {
  const tier::host::RunObjectInfos& infos = module.infos;
  std::printf("GetInfos(0) = %d, GetInfos(1) = %d\n", module.getInfos(0), module.getInfos(1));
  std::printf("GetRunObjectDataSize = %d\n", module.getRunObjectDataSize(0, 0));
  const char id[5] = {
      static_cast<char>(infos.identifier >> 24), static_cast<char>(infos.identifier >> 16),
      static_cast<char>(infos.identifier >> 8), static_cast<char>(infos.identifier), 0};
  std::printf(
      "Descriptor: %u conditions, %u actions, %u expressions; words %u, %u; byte %u; word %u; "
      "identifier '%s'; word %u\n",
      infos.conditionCount, infos.actionCount, infos.expressionCount, infos.word12, infos.word14,
      infos.byte16, infos.word18, id, infos.word1E);
  std::printf("Tables: %d conditions, %d actions, %d expressions, each ended by a null entry\n",
              TableLength(module.conditions), TableLength(module.actions),
              TableLength(module.expressions));
  std::printf("Object name (string 2): \"%s\"\n\n",
              tier::host::LoadModuleString(module, 2).c_str());

  RoutineKind last = RoutineKind::Expression;
  bool first = true;
  for (const RoutineInfo& row : kCatalogue) {
    if (first || row.kind != last)
      std::printf("%s%-10s code  menu  string  display string (from the module)\n",
                  first ? "" : "\n", CapitalisedKind(row.kind).c_str());
    first = false;
    last = row.kind;
    std::string parameters;
    for (int i = 0; i < row.parameterCount; ++i) {
      const std::uint16_t title = row.parameters[i].titleId;
      const bool text = row.parameters[i].kind == tier::plugin::kArgumentText;
      parameters +=
          (i ? "; " : "") + (row.kind != RoutineKind::Expression
                                 ? tier::host::LoadModuleString(module, title)
                                 : std::string(text ? "(text argument)" : "(integer argument)"));
    }
    std::printf("%-10s %4u %5u  %5u   %-48s %s\n", "", row.code, row.menuId, row.displayStringId,
                tier::host::LoadModuleString(module, row.displayStringId).c_str(),
                parameters.c_str());
  }
  std::printf("\n");
}

// The demo frame: five objects of three types, the back-most one uncounted.
tier::sim::SceneSpec DemoScene() {
  tier::sim::SceneSpec scene;
  scene.types = {{.name = "Backdrop"}, {.name = "Ball"}, {.name = "Player"}};
  scene.objects = {
      {.slot = 0, .type = 0, .creationCount = 1, .x = 0, .y = 0, .hasValues = false},
      {.slot = 1, .type = 1, .creationCount = 1, .x = 40, .y = 90, .values = {7}},
      {.slot = 2, .type = 1, .creationCount = 3, .x = 10, .y = 20, .values = {-3}},
      {.slot = 3, .type = 2, .creationCount = 1, .x = 25, .y = 60, .values = {12}},
      {.slot = 4, .type = 1, .creationCount = 2, .x = 70, .y = 5, .values = {0}},
  };
  scene.order = {{0, tier::host::kUncounted}, {1}, {2}, {3}, {4}};
  return scene;
}

void ShowFrame(const SimHost& sim) {
  std::printf("%s", sim.Dump().c_str());
  const std::string problems = sim.CheckInvariants();
  if (!problems.empty()) std::printf("  !! records inconsistent: %s\n", problems.c_str());
}

void ShowRefreshes(const SimHost& sim) {
  std::printf("  refreshes:");
  if (sim.Refreshes().empty()) std::printf(" none");
  for (int slot : sim.RefreshedSlots()) std::printf(" slot %d", slot);
  std::printf("\n");
}

struct DemoAction {
  int code;
  int firstSlot;  // an object whose fixed value is the first parameter; -1: 0
  int second;     // the second parameter word
  const char* about;
};

void RunDemo(const PluginModule& module) {
  SimHost sim(DemoScene());
  std::printf("Demo frame, back to front:\n");
  ShowFrame(sim);

  const DemoAction actions[] = {
      {7, 1, 2, "the ball in slot 1 forward 2 levels"},
      {5, 3, -1, "the player to the back"},
      {9, 2, 4, "the ball in slot 2 directly above slot 4 (second: its fixed value)"},
      {11, 4, 2, "the ball in slot 4 to level 2"},
      {2, 1, 3, "swap slots 1 and 3 (second: fixed value of slot 3)"},
      {8, -1, 0, "reverse all"},
      {4, 0, 0, "the backdrop to the front"},
  };
  for (const DemoAction& step : actions) {
    const RoutineInfo* row = tier::plugin::FindRoutine(RoutineKind::Action, step.code);
    const std::int32_t first = step.firstSlot >= 0 ? sim.FixedValue(step.firstSlot) : 0;
    // Where the second parameter names an object, pass that object's fixed value.
    std::int32_t second = step.second;
    if (row->parameterCount == 2 && row->parameters[1].titleId == tier::plugin::kTitleFixedValue)
      second = sim.FixedValue(step.second);
    sim.ClearLogs();
    module.actions[step.code](tier::host::HostPtr<tier::host::RunData>(sim.RunDataAddress()), first,
                              second);
    std::printf("\nAction %d \"%s\": %s\n", step.code,
                tier::host::LoadModuleString(module, row->displayStringId).c_str(), step.about);
    ShowFrame(sim);
    ShowRefreshes(sim);
  }

  std::printf("\nConditions on this frame:\n");
  const auto runData = tier::host::HostPtr<tier::host::RunData>(sim.RunDataAddress());
  std::printf("  \"%%0 At Back?\" slot 3: %d\n",
              module.conditions[0](runData, sim.FixedValue(3), 0));
  std::printf("  \"%%0 At Front?\" slot 0: %d\n",
              module.conditions[1](runData, sim.FixedValue(0), 0));
  std::printf("  \"%%0 Above %%1?\" slot 1 above slot 2: %d\n",
              module.conditions[2](runData, sim.FixedValue(1), sim.FixedValue(2)));

  std::printf("\nExpressions on this frame:\n");
  sim.SetExpressionText("ball");
  std::printf("  tirGetFV(\"ball\") = %ld\n", static_cast<long>(module.expressions[0](runData, 0)));
  std::printf("  tirGetTopFV( = %ld\n", static_cast<long>(module.expressions[1](runData, 0)));
  std::printf("  tirGetBottomFV( = %ld\n", static_cast<long>(module.expressions[2](runData, 0)));
  std::printf("  tirGetNumLvls( = %ld\n", static_cast<long>(module.expressions[5](runData, 0)));
  sim.SetExpressionInteger(sim.FixedValue(3));
  std::printf("  tirGetLevel(fixed value of slot 3) = %ld\n",
              static_cast<long>(module.expressions[6](runData, 0)));
  sim.SetExpressionInteger(2);
  std::printf("  tirGetLevelFV(2) = %ld\n", static_cast<long>(module.expressions[7](runData, 0)));
  sim.SetExpressionInteger(1);
  char* text = reinterpret_cast<char*>(module.expressions[4](runData, 0));
  std::printf("  tirGetTenDesc$(1) =\n%s\n", text != nullptr ? text : "(null)");
  std::free(text);  // the host releases the text
}

// Exit statuses.
constexpr int kOk = 0;
constexpr int kDiffers = 1;   // a report differs, a routine is not covered, no plug-in
constexpr int kBadInput = 2;  // a scene or the command line is malformed

void Usage() {
  std::fprintf(stderr,
               "usage: tier_host_program [--module PATH]                the built-in demo\n"
               "       tier_host_program [--module PATH] SCENE          run a scene\n"
               "       tier_host_program [--module PATH] --check SCENE...\n"
               "                compare each report with NAME.expected beside NAME.scene\n"
               "       tier_host_program --routines SCENE...   the routines the scenes call\n"
               "       tier_host_program --coverage SCENE...   fail unless they call them all\n");
}

std::string ExpectedPathFor(const std::string& scene) {
  const std::string suffix = ".scene";
  if (scene.size() > suffix.size() &&
      scene.compare(scene.size() - suffix.size(), suffix.size(), suffix) == 0)
    return scene.substr(0, scene.size() - suffix.size()) + ".expected";
  return scene + ".expected";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (const char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

int CheckScene(const PluginModule& module, const std::string& path) {
  tier::scene::SceneFile scene;
  std::string error;
  if (!tier::scene::LoadScene(path, scene, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return kBadInput;
  }
  const std::string expectedPath = ExpectedPathFor(path);
  std::ifstream file(expectedPath, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "%s: cannot read the expected report\n", expectedPath.c_str());
    return kBadInput;
  }
  const std::vector<std::string> expected =
      Lines({std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()});
  const std::vector<std::string> actual = Lines(tier::scene::RunScene(module, scene));
  for (std::size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
    if (i < expected.size() && i < actual.size() && expected[i] == actual[i]) continue;
    std::printf("%s: the report differs from %s at line %d\n  expected: %s\n  actual:   %s\n",
                path.c_str(), expectedPath.c_str(), static_cast<int>(i + 1),
                i < expected.size() ? expected[i].c_str() : "(end of file)",
                i < actual.size() ? actual[i].c_str() : "(end of report)");
    return kDiffers;
  }
  std::printf("%s: matches %s\n", path.c_str(), expectedPath.c_str());
  return kOk;
}

// The routines the scenes call, once each; with `requireAll`, fails unless
// every routine of the catalogue is among them.
int ListRoutines(const std::vector<std::string>& paths, bool requireAll) {
  std::set<const RoutineInfo*> called;
  for (const std::string& path : paths) {
    tier::scene::SceneFile scene;
    std::string error;
    if (!tier::scene::LoadScene(path, scene, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return kBadInput;
    }
    for (const tier::scene::SceneCall& call : scene.calls) called.insert(call.routine);
  }
  int missing = 0;
  for (const RoutineInfo& row : kCatalogue) {
    const bool isCalled = called.count(&row) != 0;
    if (isCalled || requireAll)
      std::printf("%s %s\n", isCalled ? "called    " : "NOT CALLED",
                  tier::scene::RoutineLabel(row).c_str());
    missing += isCalled ? 0 : 1;
  }
  if (!requireAll) return kOk;
  std::printf("%d of %d routines called\n", static_cast<int>(kCatalogue.size()) - missing,
              static_cast<int>(kCatalogue.size()));
  return missing == 0 ? kOk : kDiffers;
}

}  // namespace

int main(int argc, char** argv) {
  std::string modulePath;
  std::string mode;
  std::vector<std::string> scenes;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--module" && i + 1 < argc) {
      modulePath = argv[++i];
    } else if (argument == "--check" || argument == "--routines" || argument == "--coverage") {
      if (!mode.empty()) {
        Usage();
        return kBadInput;
      }
      mode = argument;
    } else if (argument.size() > 4 && argument.compare(argument.size() - 4, 4, ".vdx") == 0) {
      modulePath = argument;  // as the earlier command line named the module
    } else if (argument.rfind("--", 0) == 0) {
      Usage();
      return kBadInput;
    } else {
      scenes.push_back(argument);
    }
  }
  if ((!mode.empty() && scenes.empty()) || (mode.empty() && scenes.size() > 1)) {
    Usage();
    return kBadInput;
  }
  if (mode == "--routines" || mode == "--coverage")
    return ListRoutines(scenes, mode == "--coverage");

  tier::scene::SceneFile scene;
  if (mode.empty() && !scenes.empty()) {
    std::string error;
    if (!tier::scene::LoadScene(scenes.front(), scene, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return kBadInput;
    }
  }
  const PluginModule module = tier::host::LoadTierModule(modulePath);
  if (!module.ok()) {
    std::fprintf(stderr, "cannot load the plug-in: %s\n", module.error.c_str());
    return kDiffers;
  }
  if (mode == "--check") {
    int status = kOk;
    for (const std::string& path : scenes) status = std::max(status, CheckScene(module, path));
    return status;
  }
  if (!scenes.empty()) {
    const std::string report = tier::scene::RunScene(module, scene);
    std::fwrite(report.data(), 1, report.size(), stdout);
    return kOk;
  }
  ShowModule(module);
  RunDemo(module);
  return kOk;
}
