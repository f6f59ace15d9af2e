// The host program: plays the host for a person. It loads the plug-in (the
// product Tier.vdx in the Win32 build, the linked-in code natively, or a
// library given with --module: natively run in a CPU emulator), builds
// the frame a scene file describes and runs the scene's calls through the
// routine tables, reporting after each call what the host would see. Without
// a scene argument it reads one piped in, or else runs a built-in demo scene
// the same way. --check compares a
// report with the one kept beside the scene; --svg draws the order.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <sys/stat.h>
#endif

#include "hostlink/plugin_module.h"
#include "hostprog/command_line.h"
#include "hostprog/input_file.h"
#include "hostprog/report_diff.h"
#include "hostprog/routine_names.h"
#include "hostprog/scene_file.h"
#include "hostprog/scene_picture.h"
#include "hostprog/scene_report.h"
#include "plugin/catalogue.h"

namespace {

using tier::hostlink::PluginModule;
using tier::hostprog::CommandLine;
using tier::hostprog::kExitBadInput;
using tier::hostprog::kExitFailed;
using tier::hostprog::kExitOk;
using tier::plugin::kCatalogue;
using tier::plugin::RoutineInfo;

// This program's own version, apart from the plug-in's: the plug-in's is the
// one a game ships with and the release archive is named after.
constexpr const char* kProgramVersion = "1.1.0";

// The built-in demo: five objects of three types, the back-most one
// uncounted, the player drawn without refreshes; a walk through the moves,
// then a few conditions and expressions on the result.
constexpr const char* kDemoName = "(built-in demo)";
constexpr const char* kDemoScene = R"(type Backdrop
type Ball
type Player
object 0 Backdrop creation 1 values none
object 1 Ball     creation 1 x 40 y 90 values 7
object 2 Ball     creation 3 x 10 y 20 values -3
object 3 Player   creation 1 x 25 y 60 values 12
object 4 Ball     creation 2 x 70 y 5  values 0
order 0 uncounted, 1, 2, 3 noRefresh, 4
call "Bring %0 Forward %1" fv(slot 1), 2
call "Send %0 to Back" fv(slot 3)
call "Move %0 Above %1" fv(slot 2), fv(slot 4)
call "Move %0 to Level %1" fv(slot 4), 2
call "Swap %0 and %1" fv(slot 1), fv(slot 3)
call "Reverse all"
call "Bring %0 to Front" fv(slot 0)
call "%0 At Back?" fv(slot 3)
call "%0 Above %1?" fv(slot 1), fv(slot 2)
call "tirGetFV(" "ball"
call "tirGetNumLvls("
call "tirGetLevel(" fv(slot 3)
call "tirGetTenDesc$(" 1
)";

// One line on standard error; the caller decides the status.
void PrintError(const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); }

// A fault of the plug-in ends the run with a status of its own: the report up
// to the call comes first, then the fault's one line.
int PluginFaulted(const std::string& message) {
  std::fflush(stdout);
  PrintError(message);
  return tier::hostprog::kExitPluginFault;
}

bool Load(const std::string& path, tier::hostprog::SceneFile& scene) {
  tier::Result<tier::hostprog::SceneFile> loaded = tier::hostprog::LoadScene(path);
  if (!loaded) {
    PrintError(loaded.error());
    return false;
  }
  scene = std::move(*loaded);
  if (scene.statements == 0) {
    // Most likely a file not yet written, or input that never came.
    PrintError(tier::hostprog::InputName(path) +
               ": the scene is empty: it describes no frame and makes no call");
    return false;
  }
  return true;
}

void Write(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

std::string ExpectedPathFor(const std::string& scene) {
  const std::string suffix = ".scene";
  if (scene.size() > suffix.size() &&
      scene.compare(scene.size() - suffix.size(), suffix.size(), suffix) == 0)
    return scene.substr(0, scene.size() - suffix.size()) + ".expected";
  return scene + ".expected";
}

// A path as a shell takes it back, quoted where it holds anything but plain
// letters, digits and path punctuation, so that a suggested command can be
// pasted as it stands wherever the checkout lies.
std::string QuotedForShell(const std::string& path) {
  const bool plain = !path.empty() && std::all_of(path.begin(), path.end(), [](unsigned char c) {
    return std::isalnum(c) || std::strchr("/._+-,:@%=", c) != nullptr;
  });
  if (plain) return path;
#ifdef _WIN32
  return '"' + path + '"';  // the command prompt's quotes; a path cannot hold one
#else
  std::string quoted = "'";
  for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
#endif
}

int CheckScene(const PluginModule& module, const std::string& path) {
  tier::hostprog::SceneFile scene;
  if (!Load(path, scene)) return kExitBadInput;
  const std::string expectedPath = ExpectedPathFor(path);
  const tier::Result<std::string> expected = tier::hostprog::ReadInputFile(expectedPath);
  if (!expected) {
    const bool missing = tier::hostprog::NoSuchFile(expectedPath);
    PrintError(expected.error() + " (the expected report)" +
               (missing ? "; write it, then review it, with: tier_host_program " +
                              QuotedForShell(path) + " > " + QuotedForShell(expectedPath)
                        : ""));
    return kExitBadInput;
  }
  // A report far longer than any expected file differs anyway; keep what is
  // needed to show where.
  std::string actual;
  bool cut = false;
  const tier::Status run = tier::hostprog::RunScene(module, scene, [&](std::string_view piece) {
    if (actual.size() <= 2 * tier::hostprog::kMaxInputBytes)
      actual += piece;
    else
      cut = true;
  });
  if (!run) return PluginFaulted(run.error());
  const std::string diff =
      tier::hostprog::UnifiedDiff(*expected, actual, expectedPath, "report of " + path);
  if (diff.empty() && !cut) {
    std::printf("%s: matches %s\n", path.c_str(), expectedPath.c_str());
    return kExitOk;
  }
  std::printf("%s: the report differs from %s\n", path.c_str(), expectedPath.c_str());
  Write(diff);
  if (cut) std::printf("(the report goes on beyond what was compared)\n");
  return kExitFailed;
}

// The routines the scenes call, once each; with `requireAll`, fails unless
// every routine of the catalogue is among them.
int ListCalledRoutines(const std::vector<std::string>& paths, bool requireAll) {
  std::set<const RoutineInfo*> called;
  for (const std::string& path : paths) {
    tier::hostprog::SceneFile scene;
    if (!Load(path, scene)) return kExitBadInput;
    for (const tier::hostprog::SceneCall& call : scene.calls) called.insert(call.routine);
  }
  int missing = 0;
  for (const RoutineInfo& row : kCatalogue) {
    const bool isCalled = called.count(&row) != 0;
    if (isCalled || requireAll)
      std::printf("%s %s\n", isCalled ? "called    " : "NOT CALLED",
                  tier::hostprog::RoutineLabel(row).c_str());
    missing += isCalled ? 0 : 1;
  }
  if (!requireAll) return kExitOk;
  std::printf("%d of %d routines called\n", static_cast<int>(kCatalogue.size()) - missing,
              static_cast<int>(kCatalogue.size()));
  return missing == 0 ? kExitOk : kExitFailed;
}

int ListAllRoutines(const PluginModule& module) {
  const tier::host::RunObjectInfos& infos = module.infos();
  std::printf("The plug-in's descriptor: %u conditions, %u actions, %u expressions.\n",
              infos.conditionCount, infos.actionCount, infos.expressionCount);
  std::printf("Display strings as the module's string table holds them.\n\n");
  Write(tier::hostprog::RoutineListing(
      [&module](const RoutineInfo& row) { return module.String(row.displayStringId); }));
  return kExitOk;
}

// The first line of the demo's report, so that nobody takes it for a scene
// of their own.
constexpr const char* kDemoNotice =
    "(the built-in demo scene; to run a scene of your own: tier_host_program SCENE, or pipe it "
    "in: tier_host_program < SCENE)\n";

// Whether standard input brings a scene: a pipe or a file does; a terminal, a
// device such as /dev/null or NUL, or no standard input at all does not.
bool SceneOnStandardInput() {
#ifdef _WIN32
  // _isatty is true for every character device, NUL included.
  return _isatty(_fileno(stdin)) == 0 && _get_osfhandle(_fileno(stdin)) != -1;
#else
  struct stat status;
  return fstat(0, &status) == 0 && !S_ISCHR(status.st_mode);
#endif
}

// The scene to run: the one named, the one piped in, or the built-in demo.
bool SceneToRun(const CommandLine& command, tier::hostprog::SceneFile& scene, bool& demo) {
  demo = false;
  if (!command.scenes.empty()) return Load(command.scenes.front(), scene);
  if (SceneOnStandardInput()) return Load(tier::hostprog::kStandardInputPath, scene);
  demo = true;
  tier::Result<tier::hostprog::SceneFile> parsed =
      tier::hostprog::ParseScene(kDemoScene, kDemoName);
  if (!parsed) {
    PrintError(parsed.error());
    return false;
  }
  scene = std::move(*parsed);
  return true;
}

int RunOne(const PluginModule& module, const tier::hostprog::SceneFile& scene,
           const std::string& svgPath, bool demo) {
  const bool svgToStdout = svgPath == "-";
  // A picture that cannot be drawn or written is refused before the run, not
  // after a report that may be long.
  std::FILE* file = nullptr;
  if (!svgPath.empty()) {
    if (const tier::Status fits = tier::hostprog::PictureFits(scene); !fits) {
      PrintError("--svg: " + fits.error());
      return kExitBadInput;
    }
    if (!svgToStdout) {
      errno = 0;
      file = std::fopen(svgPath.c_str(), "wb");
      if (file == nullptr) {
        const std::string folder = tier::hostprog::MissingFolder(svgPath);
        PrintError(svgPath + ": cannot write the picture: " +
                   (folder.empty() ? tier::hostprog::SystemReason() : "no such folder " + folder));
        return kExitBadInput;
      }
    }
  }
  if (demo && !svgToStdout) Write(kDemoNotice);
  // A picture opened, and so emptied, before the run goes again when none
  // comes of it.
  const auto dropPicture = [&] {
    if (file == nullptr) return;
    std::fclose(file);
    std::remove(svgPath.c_str());
  };
  std::vector<tier::hostprog::SceneStep> steps;
  const tier::Status run = tier::hostprog::RunScene(
      module, scene,
      [svgToStdout](std::string_view piece) {
        if (!svgToStdout) Write(piece);
      },
      svgPath.empty() ? nullptr : &steps);
  if (!run) {
    dropPicture();
    return PluginFaulted(run.error());
  }
  if (svgPath.empty()) return kExitOk;

  const tier::Result<std::string> drawn = tier::hostprog::ScenePicture(scene, steps);
  if (!drawn) {
    dropPicture();
    PrintError("--svg: " + drawn.error());
    return kExitBadInput;
  }
  const std::string& picture = *drawn;
  if (svgToStdout) {
    Write(picture);
    return kExitOk;
  }
  errno = 0;
  bool written = std::fwrite(picture.data(), 1, picture.size(), file) == picture.size();
  std::string reason = written ? "" : tier::hostprog::SystemReason();
  if (std::fclose(file) != 0 && written) {
    written = false;
    reason = tier::hostprog::SystemReason();
  }
  if (!written) {
    PrintError(svgPath + ": cannot write the picture: " + reason);
    return kExitBadInput;
  }
  return kExitOk;
}

int Main(int argc, char** argv) {
#ifdef _WIN32
  // Plain LF line ends on both streams, as natively.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  const tier::Result<CommandLine> parsed =
      tier::hostprog::ParseCommandLine({argv + 1, argv + argc});
  if (!parsed) {
    PrintError("tier_host_program: " + parsed.error() + " (see tier_host_program --help)");
    return kExitBadInput;
  }
  const CommandLine& command = *parsed;
  using Mode = CommandLine::Mode;
  switch (command.mode) {
    case Mode::kHelp:
      Write(tier::hostprog::UsageText());
      return kExitOk;
    case Mode::kRoutines:
    case Mode::kCoverage:
      return ListCalledRoutines(command.scenes, command.mode == Mode::kCoverage);
    default:
      break;
  }

  // A malformed scene is reported before the plug-in is loaded.
  tier::hostprog::SceneFile scene;
  bool demo = false;
  if (command.mode == Mode::kRun && !SceneToRun(command, scene, demo)) return kExitBadInput;
  if (!command.modulePath.empty() && tier::hostprog::NoSuchFile(command.modulePath)) {
    // In the words the scenes get, whichever way the build would load it.
    PrintError("cannot load the plug-in: " + command.modulePath + ": " +
               tier::hostprog::kNoSuchFile);
    return kExitFailed;
  }
  const std::unique_ptr<PluginModule> loaded =
      tier::hostlink::LoadTierModule(command.modulePath, command.instructionBudget);
  const PluginModule& module = *loaded;
  if (!module.ok()) {
    PrintError("cannot load the plug-in: " + module.error());
    return kExitFailed;
  }
  switch (command.mode) {
    case Mode::kVersion:
      std::printf(
          "tier_host_program %s (this program, which runs scenes)\n"
          "Tier.vdx %s (the plug-in it runs, the version that games ship and releases are named "
          "after)\n",
          kProgramVersion, module.Version().c_str());
      return kExitOk;
    case Mode::kList:
      if (command.json) {
        Write(tier::hostprog::RoutineListJson());
        return kExitOk;
      }
      return ListAllRoutines(module);
    case Mode::kCheck: {
      int status = kExitOk;
      std::size_t matching = 0;
      for (const std::string& path : command.scenes) {
        const int checked = CheckScene(module, path);
        matching += checked == kExitOk ? 1 : 0;
        status = std::max(status, checked);
      }
      if (command.scenes.size() > 1) {
        std::fflush(stderr);  // the summary comes after every message
        Write(std::to_string(matching) + " of " + std::to_string(command.scenes.size()) +
              " scenes match\n");
      }
      return status;
    }
    default:
      return RunOne(module, scene, command.svgPath, demo);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Whatever escapes (memory running out on a huge frame, above all) ends in
  // one line and a status, never in an abort.
  try {
    return Main(argc, argv);
  } catch (const std::bad_alloc&) {
    PrintError("tier_host_program: out of memory");
  } catch (const std::exception& failure) {
    PrintError(std::string("tier_host_program: ") + failure.what());
  }
  return kExitBadInput;
}
