// The host program's run for the playground page: the same scene reader,
// runner, report and picture over the linked-in plug-in, reached from
// script. The browser has no files and no processes, so a run takes the
// scene's text and a name for it, and keeps what the host program would
// print (the report, the picture, or the one line of its error) for the
// script to take, step by step. One run at a time: each call of tier_run
// replaces the last run.
#include <emscripten/emscripten.h>

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
#include "playground/example_scene.h"

namespace {

using tier::scene::kExitBadInput;
using tier::scene::kExitFailed;
using tier::scene::kExitOk;

struct Run {
  tier::scene::SceneFile scene;
  std::vector<tier::scene::SceneStep> steps;  // kept when the picture fits
  std::vector<std::string> reports;           // the report of each step
  std::string error;                          // what the host program prints on standard error
  std::string picture;                        // as --svg draws it
  std::string pictureError;                   // why there is none, as --svg says it
};

std::unique_ptr<Run> g_run;
std::string g_answer;  // the text handed out last

const tier::host::PluginModule* Module() {
  static const std::unique_ptr<tier::host::PluginModule> module = tier::host::LoadTierModule();
  return module->ok() ? module.get() : nullptr;
}

// Parses as the host program loads a file: the size limit of its reader, the
// parser's own message, and a scene that says nothing refused as empty.
bool Load(const std::string& text, const std::string& name, Run& run) {
  if (text.size() > tier::scene::kMaxInputBytes) {
    run.error = name + ": larger than the limit of " +
                std::to_string(tier::scene::kMaxInputBytes >> 20) + " MiB for a scene or report";
    return false;
  }
  if (!tier::scene::ParseScene(text, name, run.scene, run.error)) return false;
  if (run.scene.statements == 0) {
    run.error = name + ": the scene is empty: it describes no frame and makes no call";
    return false;
  }
  return true;
}

int RunScene(const std::string& text, const std::string& name) {
  g_run = std::make_unique<Run>();
  Run& run = *g_run;
  if (!Load(text, name, run)) return kExitBadInput;
  const tier::host::PluginModule* module = Module();
  if (module == nullptr) {
    run.error = "cannot load the plug-in";
    return kExitFailed;
  }
  std::string fitError;
  const bool fits = tier::scene::PictureFits(run.scene, fitError);
  tier::scene::RunScene(
      *module, run.scene, [&run](std::string_view piece) { run.reports.emplace_back(piece); },
      fits ? &run.steps : nullptr);
  if (!fits || !tier::scene::ScenePicture(run.scene, run.steps, run.picture, fitError))
    run.pictureError = "--svg: " + fitError;
  return kExitOk;
}

// The picture of one call: the frame before it and after it (the frame
// before the first call alone for step 0).
std::string StepPicture(std::size_t number) {
  const Run& run = *g_run;
  if (number >= run.steps.size()) return "";
  std::vector<tier::scene::SceneStep> pair;
  if (number > 0) pair.push_back(run.steps[number - 1]);
  pair.push_back(run.steps[number]);
  std::string picture, error;
  if (!tier::scene::ScenePicture(run.scene, pair, picture, error)) return "";
  return picture;
}

const char* Hand(std::string text) {
  g_answer = std::move(text);
  return g_answer.c_str();
}

}  // namespace

extern "C" {

// Runs the scene; returns the host program's exit status (0, or 2 for a
// malformed scene or a run out of memory, with tier_error set).
EMSCRIPTEN_KEEPALIVE int tier_run(const char* text, const char* name) {
  try {
    return RunScene(text, name);
  } catch (const std::bad_alloc&) {
    g_run = std::make_unique<Run>();
    g_run->error = "tier_host_program: out of memory";
  }
  return kExitBadInput;
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

EMSCRIPTEN_KEEPALIVE const char* tier_picture() { return g_run ? g_run->picture.c_str() : ""; }

EMSCRIPTEN_KEEPALIVE const char* tier_picture_error() {
  return g_run ? g_run->pictureError.c_str() : "";
}

EMSCRIPTEN_KEEPALIVE const char* tier_step_picture(int number) {
  if (!g_run || number < 0) return "";
  return Hand(StepPicture(static_cast<std::size_t>(number)));
}

// The routine menu: one line per routine of the catalogue, its kind, display
// string, example call and summary separated by tabs.
EMSCRIPTEN_KEEPALIVE const char* tier_routine_menu() {
  std::string menu;
  for (const tier::plugin::RoutineInfo& row : tier::plugin::kCatalogue)
    menu += std::string(tier::plugin::KindWord(row.kind)) + "\t" + std::string(row.displayText) +
            "\t" + tier::playground::ExampleCall(row) + "\t" +
            std::string(tier::plugin::TextOf(row).summary) + "\n";
  return Hand(menu);
}

}  // extern "C"
