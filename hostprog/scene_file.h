// Scene files: a frame (object types, objects, display order, selections and
// the run header's counters) and a list of routine calls, in plain text that
// a person reads and writes. The parser checks everything the simulated host
// would refuse (or the plug-in could not survive) before a scene is built, so
// a scene that parses can always be run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/catalogue.h"
#include "simhost/sim_host.h"
#include "support/quote.h"  // Quote: how scene files write a text
#include "support/result.h"

namespace tier::hostprog {

// One parameter of a call, in the form the scene gave it.
struct CallArgument {
  enum class Form {
    kNumber,        // a number: fixed value, count, level, default value
    kFixedValueOf,  // fv(slot N): the fixed value of the object in slot N
    kObject,        // object NAME: an object parameter of that type
    kAltValue,      // alt N: an alterable-value parameter with index N
    kText,          // "text": a text expression argument
  };
  Form form = Form::kNumber;
  std::int32_t value = 0;  // the number, the fixed value of fv(slot N), or the index
  int slot = -1;           // kFixedValueOf
  int type = -1;           // kObject: index into the scene's types
  std::string text;        // kText; kObject: the type's name
};

struct SceneCall {
  int line = 0;
  const plugin::RoutineInfo* routine = nullptr;
  std::vector<CallArgument> arguments;
};

struct SceneFile {
  sim::SceneSpec scene;
  std::vector<SceneCall> calls;
  std::size_t statements = 0;  // lines that say something; none: the scene is empty
};

// Limits that keep any scene small enough to build and run.
inline constexpr int kMaxSlot = 32767;
inline constexpr std::size_t kMaxNameLength = 1000;
inline constexpr std::size_t kMaxTextLength = 4096;
inline constexpr std::size_t kMaxCalls = 4096;
// A line holds at most this many characters (an order line of every slot fits).
inline constexpr std::size_t kMaxLineLength = 1u << 20;

// Parses and checks a scene; the error is "FILE:LINE: what was expected".
Result<SceneFile> ParseScene(std::string_view text, std::string_view fileName);

// Reads the file ("-": standard input) and parses it; a file that cannot be
// read, or is over the size limit, is an error too.
Result<SceneFile> LoadScene(const std::string& path);

// The call as a scene line would name it: `action 7 "Bring %0 Forward %1"`.
std::string RoutineLabel(const plugin::RoutineInfo& routine);

// The name as it can stand in a table column or a picture: bare when it is
// plain, else in quotes with escapes (ASCII either way).
std::string PrintableName(const std::string& name);

// At most `length` characters of a text, then "..." where it was cut: how a
// message or a caption shows a long word and stays one readable line.
std::string CutShort(const std::string& text, std::size_t length);

}  // namespace tier::hostprog
