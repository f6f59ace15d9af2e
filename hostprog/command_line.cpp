#include "hostprog/command_line.h"

#include "hostprog/scene_file.h"
#include "plugin/catalogue.h"

namespace tier::hostprog {
namespace {

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() > suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// An argument as an error message shows it: cut short when long.
std::string Shown(const std::string& argument) { return "'" + CutShort(argument, 40) + "'"; }

const char* ModeOption(CommandLine::Mode mode) {
  switch (mode) {
    case CommandLine::Mode::kCheck:
      return "--check";
    case CommandLine::Mode::kRoutines:
      return "--routines";
    case CommandLine::Mode::kCoverage:
      return "--coverage";
    case CommandLine::Mode::kList:
      return "--list";
    default:
      return "";
  }
}

}  // namespace

std::string UsageText() {
  return "usage: tier_host_program [OPTIONS] [SCENE]\n"
         "\n"
         "Plays the host: builds the frame a scene file describes, calls the Tier object's\n"
         "routines on it as the scene says, and reports what the host sees after each call.\n"
         "\n"
         "  tier_host_program SCENE                run a scene and print its report\n"
         "  tier_host_program -                    read the scene from standard input\n"
         "  tier_host_program < SCENE              the same: with no scene named, one piped\n"
         "                                         in is read; from a terminal, the program\n"
         "                                         runs its built-in demo scene\n"
         "  tier_host_program --svg FILE [SCENE]   also draw the order after each call into\n"
         "                                         FILE, an SVG picture (\"-\": standard output,\n"
         "                                         instead of the report)\n"
         "  tier_host_program --check SCENE...     compare each report with NAME.expected beside\n"
         "                                         NAME.scene; show the differences as a diff;\n"
         "                                         of several, end with \"N of M scenes match\"\n"
         "  tier_host_program --routines SCENE...  list the routines the scenes call\n"
         "  tier_host_program --coverage SCENE...  fail unless the scenes call every routine\n"
         "  tier_host_program --list               list all " +
         std::to_string(plugin::kCatalogue.size()) +
         " routines with their parameters\n"
         "  tier_host_program --list --json        the same as JSON, as docs/routines.json\n"
         "  tier_host_program --version            this program's version and the plug-in's\n"
         "  tier_host_program --help, -h           this text\n"
         "\n"
         "The plug-in is the code linked into the native build, or the Tier.vdx beside the\n"
         "Win32 build's tier_host_program.exe; both builds take a library file instead with\n"
         "  --module PATH   or   an argument ending in .vdx   (tier_host_program x.vdx SCENE)\n"
         "which the Win32 build loads through the system and the native build runs in a\n"
         "CPU emulator, checking every memory access; the report is the same either way.\n"
         "In the emulator each call may run 4,000,000 instructions and 2,000 more per\n"
         "object slot of the frame; a slower library of the same routines takes\n"
         "  --instruction-budget N   each call may run N instructions instead\n"
         "\n"
         "Exit status:\n"
         "  0  all is well\n"
         "  1  a report differs from its expected file, a routine is not called\n"
         "     (--coverage), or the plug-in cannot be loaded\n"
         "  2  a malformed scene (reported as FILE:LINE: what was expected) or an empty\n"
         "     one, a file that cannot be read (a missing expected report among them), a\n"
         "     picture too large to draw or a file it cannot be written to (both found\n"
         "     before the run), or a bad command line\n"
         "  3  the plug-in faulted in a call: the emulator stopped it at a read or write\n"
         "     of the host's memory outside the fields the plug-in may touch, after more\n"
         "     instructions than a call may run, past 64 KiB of stack, or as it returned\n"
         "     without what the caller keeps (EBX, ESI, EDI, EBP, its arguments removed,\n"
         "     the direction flag clear, the x87 control word, MXCSR, the thread block,\n"
         "     no heap kept); the message names the library file, what was found against\n"
         "     what was expected, and the routine. (The linked-in code and the Win32\n"
         "     library are not stopped this way: a write they make outside the writable\n"
         "     fields shows as a \"!! wrote\" line of the report.)\n"
         "With --check of several scenes the status is the worst of theirs.\n";
}

Result<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments) {
  using Mode = CommandLine::Mode;
  CommandLine command;
  bool modeGiven = false;
  bool moduleGiven = false;
  bool svgGiven = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      // Whatever else is there, help is what was asked for.
      return CommandLine{.mode = Mode::kHelp};
    }
    const bool takesValue =
        argument == "--module" || argument == "--svg" || argument == "--instruction-budget";
    if (takesValue && i + 1 == arguments.size()) {
      return Error{argument + " needs a " +
                   (argument == "--svg"      ? "file name"
                    : argument == "--module" ? "path"
                                             : "number") +
                   " after it"};
    }
    if (argument == "--instruction-budget") {
      const std::string& value = arguments[++i];
      const bool digits = !value.empty() && value.size() <= 13 &&
                          value.find_first_not_of("0123456789") == std::string::npos;
      const std::uint64_t budget = digits ? std::stoull(value) : 0;
      if (budget == 0) {
        return Error{
            "--instruction-budget takes a whole number of instructions from 1 to "
            "9999999999999, not " +
            Shown(value)};
      }
      command.instructionBudget = budget;
    } else if (argument == "--module") {
      command.modulePath = arguments[++i];
      moduleGiven = true;
    } else if (EndsWith(argument, ".vdx")) {
      command.modulePath = argument;  // as the host names its plug-ins
      moduleGiven = true;
    } else if (argument == "--json") {
      command.json = true;
    } else if (argument == "--svg") {
      command.svgPath = arguments[++i];
      svgGiven = true;
    } else if (argument == "--check" || argument == "--routines" || argument == "--coverage" ||
               argument == "--list" || argument == "--version") {
      const Mode mode = argument == "--check"      ? Mode::kCheck
                        : argument == "--routines" ? Mode::kRoutines
                        : argument == "--coverage" ? Mode::kCoverage
                        : argument == "--list"     ? Mode::kList
                                                   : Mode::kVersion;
      if (modeGiven && mode != command.mode) {
        return Error{argument + " cannot be combined with the mode given before it"};
      }
      command.mode = mode;
      modeGiven = true;
    } else if (argument.size() > 1 && argument[0] == '-') {
      return Error{"unknown option " + Shown(argument)};
    } else {
      command.scenes.push_back(argument);
    }
  }

  const Mode mode = command.mode;
  if (moduleGiven && (mode == Mode::kRoutines || mode == Mode::kCoverage)) {
    return Error{std::string("--module does not apply to ") + ModeOption(mode) +
                 ", which reads the scenes without running them"};
  }
  if (svgGiven && mode != Mode::kRun) {
    return Error{"--svg draws one scene run; it does not apply to " +
                 std::string(mode == Mode::kVersion ? "--version" : ModeOption(mode))};
  }
  if (command.json && mode != Mode::kList) {
    return Error{"--json applies to --list alone"};
  }
  if ((mode == Mode::kList || mode == Mode::kVersion) && !command.scenes.empty()) {
    return Error{std::string(mode == Mode::kList ? "--list" : "--version") +
                 " takes no scene, found " + Shown(command.scenes.front())};
  }
  if ((mode == Mode::kCheck || mode == Mode::kRoutines || mode == Mode::kCoverage) &&
      command.scenes.empty()) {
    return Error{std::string(ModeOption(mode)) + " needs at least one scene file"};
  }
  if (mode == Mode::kCheck)
    for (const std::string& scene : command.scenes)
      if (scene == "-") {
        return Error{"--check compares a scene file with the report beside it; it cannot read '-'"};
      }
  if (mode == Mode::kRun && command.scenes.size() > 1) {
    return Error{"one scene at a time (found " + std::to_string(command.scenes.size()) +
                 "); --check takes several"};
  }
  return command;
}

}  // namespace tier::hostprog
