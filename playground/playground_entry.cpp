// The host program's run for the playground page: the same scene reader,
// runner, report and picture over the linked-in plug-in, reached from
// script. The browser has no files and no processes, so a run takes the
// scene's text and a name for it, and keeps what the host program would
// print (the report, the picture, or the one line of its error) for the
// script to take, step by step. One run at a time: each tier_begin replaces
// the last run. A run may be taken a slice at a time (tier_advance), so that
// a page without a worker keeps answering while a large scene runs.
//
// A picture of a large order would be too wide to read, so the page asks for
// a window of it: the nodes at some positions of the order, drawn as the
// host program draws a whole small order.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "hostlink/plugin_module.h"
#include "hostprog/command_line.h"
#include "hostprog/input_file.h"
#include "hostprog/scene_file.h"
#include "hostprog/scene_picture.h"
#include "hostprog/scene_report.h"
#include "hostprog/scene_runner.h"
#include "playground/example_scene.h"
#include "plugin/version.h"

namespace {

using tier::hostprog::kExitBadInput;
using tier::hostprog::kExitFailed;
using tier::hostprog::kExitOk;
using tier::hostprog::SceneStep;

// The nodes that a run keeps for its pictures, over all steps (about 32
// bytes each); the steps past it keep none, and have no picture.
constexpr std::size_t kKeptNodeBudget = 2000000;

struct Run {
  tier::hostprog::SceneFile scene;
  std::unique_ptr<tier::hostprog::SteppedRun> stepper;  // until the last step is taken
  std::unique_ptr<tier::hostprog::ReportWriter> writer;
  std::vector<SceneStep> steps;
  std::vector<std::string> reports;  // the report of each step
  std::size_t keptNodes = 0;
  std::string error;  // what the host program prints on standard error
};

std::unique_ptr<Run> g_run;
std::string g_answer;        // the text handed out last
std::string g_pictureError;  // why the last picture asked for is empty

const tier::hostlink::PluginModule* Module() {
  static const std::unique_ptr<tier::hostlink::PluginModule> module =
      tier::hostlink::LoadTierModule();
  return module->ok() ? module.get() : nullptr;
}

// Parses as the host program loads a file: the size limit of its reader, the
// parser's own message (pointing at the page's menu where it points at the
// command line), and a scene that says nothing refused as empty.
bool Load(const std::string& text, const std::string& name, Run& run) {
  if (text.size() > tier::hostprog::kMaxInputBytes) {
    run.error = name + ": larger than the limit of " +
                std::to_string(tier::hostprog::kMaxInputBytes >> 20) + " MiB for a scene or report";
    return false;
  }
  tier::Result<tier::hostprog::SceneFile> parsed = tier::hostprog::ParseScene(text, name);
  if (!parsed) {
    // The page has no command line: its routine menu lists every routine.
    run.error = parsed.error();
    const std::string_view list = "tier_host_program --list shows them all";
    const std::size_t at = run.error.find(list);
    if (at != std::string::npos)
      run.error.replace(at, list.size(), "the menu Add a call lists them all");
    return false;
  }
  run.scene = std::move(*parsed);
  if (run.scene.statements == 0) {
    run.error = name + ": the scene is empty: it describes no frame and makes no call";
    return false;
  }
  return true;
}

int Begin(const std::string& text, const std::string& name) {
  g_run = std::make_unique<Run>();
  Run& run = *g_run;
  if (!Load(text, name, run)) return kExitBadInput;
  const tier::hostlink::PluginModule* module = Module();
  if (module == nullptr) {
    run.error = "cannot load the plug-in";
    return kExitFailed;
  }
  run.stepper = std::make_unique<tier::hostprog::SteppedRun>(*module, run.scene);
  run.writer = std::make_unique<tier::hostprog::ReportWriter>(run.scene);
  return kExitOk;
}

// Takes steps until `milliseconds` have passed (one at least); true once the
// run is complete.
bool Advance(double milliseconds) {
  Run& run = *g_run;
  const double until = emscripten_get_now() + milliseconds;
  while (run.stepper) {
    SceneStep step;
    const tier::Result<bool> next = run.stepper->Next(step);
    // The linked-in plug-in cannot fault; were it to, the run ends with the
    // message the host program prints.
    if (!next) run.error = next.error();
    if (!next || !*next) {
      run.stepper.reset();
      run.writer.reset();
      break;
    }
    run.reports.push_back(run.writer->Step(step));
    run.keptNodes += step.frame.nodes.size();
    if (run.keptNodes > kKeptNodeBudget) step.frame.nodes.clear();
    run.steps.push_back(std::move(step));
    if (emscripten_get_now() >= until) break;
  }
  return !run.stepper;
}

// The step with its nodes cut to the positions [first, first + count) of the
// order, its label saying so.
SceneStep Windowed(const SceneStep& step, std::size_t first, std::size_t count) {
  SceneStep cut = step;
  const std::size_t total = step.frame.nodes.size();
  const std::size_t begin = std::min(first, total), end = std::min(total, first + count);
  cut.frame.nodes.assign(step.frame.nodes.begin() + static_cast<std::ptrdiff_t>(begin),
                         step.frame.nodes.begin() + static_cast<std::ptrdiff_t>(end));
  cut.frame.nodeCount = cut.frame.nodes.size();
  if (step.call != nullptr)
    cut.label += "  [positions " + std::to_string(begin + 1) + " to " + std::to_string(end) +
                 " of " + std::to_string(total) + "]";
  return cut;
}

bool Kept(const SceneStep& step) { return step.frame.nodes.size() == step.frame.nodeCount; }

// The picture of the steps `from` to `to` (inclusive) with every order cut to
// the window; the whole order, as --svg draws it, where it fits the window.
// Empty with `error` set when there is none.
std::string Picture(std::size_t from, std::size_t to, std::size_t first, std::size_t count,
                    std::string& error) {
  const Run& run = *g_run;
  if (run.stepper || to >= run.steps.size() || from > to) {
    error = "no run to draw";
    return "";
  }
  const bool whole = run.scene.scene.order.size() <= count;
  std::vector<SceneStep> steps;
  for (std::size_t i = from; i <= to; ++i) {
    if (!Kept(run.steps[i])) {
      error = "this run is too large to keep the nodes of every call (" +
              std::to_string(kKeptNodeBudget) + " nodes at most); draw a scene with fewer calls";
      return "";
    }
    steps.push_back(whole ? run.steps[i] : Windowed(run.steps[i], first, count));
  }
  tier::Result<std::string> picture = tier::hostprog::ScenePicture(run.scene, steps);
  if (!picture) {
    error = picture.error();
    return "";
  }
  return std::move(*picture);
}

// The first position of the order that step `number` touched: a node it
// moved, redrawn or named; -1 for none.
int Touched(std::size_t number) {
  const Run& run = *g_run;
  if (number >= run.steps.size() || number == 0) return -1;
  const SceneStep& step = run.steps[number];
  const std::vector<tier::hostprog::NodeView>& nodes = step.frame.nodes;
  for (std::size_t i = 0; i < nodes.size(); ++i)
    if (nodes[i].moved || nodes[i].redrawn ||
        std::find(step.named.begin(), step.named.end(), nodes[i].slot) != step.named.end())
      return static_cast<int>(i);
  return -1;
}

const char* Hand(std::string text) {
  g_answer = std::move(text);
  return g_answer.c_str();
}

}  // namespace

extern "C" {

// Reads the scene and readies its run; returns the host program's exit
// status (0, or 2 for a malformed scene or one out of memory, with tier_error
// set). The calls are made by tier_advance.
EMSCRIPTEN_KEEPALIVE int tier_begin(const char* text, const char* name) {
  try {
    return Begin(text, name);
  } catch (const std::bad_alloc&) {
    g_run = std::make_unique<Run>();
    g_run->error = "out of memory";
  }
  return kExitBadInput;
}

// Makes calls for about `milliseconds`; 1 once the run is complete.
EMSCRIPTEN_KEEPALIVE int tier_advance(double milliseconds) {
  if (!g_run) return 1;
  try {
    return Advance(milliseconds) ? 1 : 0;
  } catch (const std::bad_alloc&) {
    g_run = std::make_unique<Run>();
    g_run->error = "out of memory";
  }
  return 1;
}

// The whole run at once: tier_begin, then tier_advance to the end.
EMSCRIPTEN_KEEPALIVE int tier_run(const char* text, const char* name) {
  const int status = tier_begin(text, name);
  if (status != kExitOk) return status;
  tier_advance(1e300);
  return g_run->error.empty() ? kExitOk : kExitBadInput;
}

EMSCRIPTEN_KEEPALIVE const char* tier_error() { return g_run ? g_run->error.c_str() : ""; }

// The steps of the last run: the frame before the first call, then one per call.
EMSCRIPTEN_KEEPALIVE int tier_step_count() {
  return g_run ? static_cast<int>(g_run->reports.size()) : 0;
}

EMSCRIPTEN_KEEPALIVE const char* tier_step_report(int number) {
  if (!g_run || number < 0 || number >= tier_step_count()) return "";
  return g_run->reports[number].c_str();
}

// The scene line of call `number` (1 up); 0 for the frame.
EMSCRIPTEN_KEEPALIVE int tier_step_line(int number) {
  if (!g_run || number < 1 || number > static_cast<int>(g_run->scene.calls.size())) return 0;
  return g_run->scene.calls[number - 1].line;
}

// The nodes of the scene's display order.
EMSCRIPTEN_KEEPALIVE int tier_node_count() {
  return g_run ? static_cast<int>(g_run->scene.scene.order.size()) : 0;
}

// The first position (0 up) that call `number` moved, redrew or named; -1 for none.
EMSCRIPTEN_KEEPALIVE int tier_touched(int number) {
  return g_run && number > 0 ? Touched(static_cast<std::size_t>(number)) : -1;
}

// The picture of every step, as --svg draws it; the error says why there is none.
EMSCRIPTEN_KEEPALIVE const char* tier_picture() {
  g_pictureError.clear();
  if (!g_run || g_run->steps.empty()) return Hand("");
  return Hand(
      Picture(0, g_run->steps.size() - 1, 0, g_run->scene.scene.order.size(), g_pictureError));
}

EMSCRIPTEN_KEEPALIVE const char* tier_picture_error() { return g_pictureError.c_str(); }

// A picture of the run cut to the positions [first, first + count) of the
// order: every step for `number` -1, else the frame before call `number` and
// after it (the frame alone for 0). Empty, with tier_picture_error set, when
// there is none.
EMSCRIPTEN_KEEPALIVE const char* tier_window_picture(int number, int first, int count) {
  g_pictureError.clear();
  if (!g_run || g_run->steps.empty() || number >= tier_step_count() || first < 0 || count < 1)
    return Hand("");
  const std::size_t last = g_run->steps.size() - 1;
  const std::size_t to = number < 0 ? last : static_cast<std::size_t>(number);
  const std::size_t from = number < 0 ? 0 : (to == 0 ? 0 : to - 1);
  try {
    return Hand(Picture(from, to, static_cast<std::size_t>(first), static_cast<std::size_t>(count),
                        g_pictureError));
  } catch (const std::bad_alloc&) {
    return Hand("");
  }
}

// The plug-in's version, the one its release is named after: "1.1.0.0".
EMSCRIPTEN_KEEPALIVE const char* tier_version() { return Hand(tier::plugin::VersionText()); }

// The routine menu: one line per routine of the catalogue, its kind, code,
// display string, the form it takes where two routines share that string ("fixed
// value" or "object", else empty), example call, summary and example scene
// separated by tabs (the scene's line ends as the character 0x1F).
EMSCRIPTEN_KEEPALIVE const char* tier_routine_menu() {
  using tier::plugin::kCatalogue;
  using tier::plugin::RoutineInfo;
  std::string menu;
  for (const RoutineInfo& row : kCatalogue) {
    const bool shared = std::count_if(std::begin(kCatalogue), std::end(kCatalogue),
                                      [&row](const RoutineInfo& other) {
                                        return other.displayText == row.displayText;
                                      }) > 1;
    const bool objectForm =
        row.parameterCount > 0 && row.parameters[0].kind == tier::plugin::kParamObject;
    std::string escaped;
    for (const char c : tier::playground::ExampleScene(row)) escaped += c == '\n' ? '\x1f' : c;
    menu += std::string(tier::plugin::KindWord(row.kind)) + "\t" + std::to_string(row.code) + "\t" +
            std::string(row.displayText) + "\t" +
            (shared ? (objectForm ? "object" : "fixed value") : "") + "\t" +
            tier::playground::ExampleCall(row) + "\t" +
            std::string(tier::plugin::TextOf(row).summary) + "\t" + escaped + "\n";
  }
  return Hand(menu);
}

}  // extern "C"
