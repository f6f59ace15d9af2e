// The host program's command line: what to do, on which scenes, with which
// module. Parsed apart from main so that every refusal can be tested.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/result.h"

namespace tier::hostprog {

struct CommandLine {
  enum class Mode { kRun, kCheck, kRoutines, kCoverage, kList, kHelp, kVersion };
  Mode mode = Mode::kRun;
  std::vector<std::string> scenes;  // kRun: none for the built-in scene, or one
  std::string modulePath;           // empty: the linked-in plug-in, or Tier.vdx beside the program
  std::string svgPath;              // kRun: where the picture goes ("-": standard output)
  // The instructions each call of a library in the emulator may run; 0: as
  // many as the frame's size allows.
  std::uint64_t instructionBudget = 0;
  bool json = false;  // kList: the catalogue as JSON
};

// Exit statuses of the host program.
inline constexpr int kExitOk = 0;
// Something fell short: a report differs, a routine is not called, or the
// plug-in cannot be loaded.
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadInput = 2;  // a scene, a file or the command line is malformed
// The plug-in faulted in a call (a stray access, a write of a field that is
// not its own, a call that may never return, a broken calling convention),
// found by the emulator.
inline constexpr int kExitPluginFault = 3;

// Parses `arguments` (without the program name); the error is one line
// naming what is wrong.
Result<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments);

// The usage text of --help.
std::string UsageText();

}  // namespace tier::hostprog
