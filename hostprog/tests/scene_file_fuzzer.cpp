// libFuzzer entry: any bytes as a scene file. A refused scene is fine; an
// accepted one must build and run over the linked-in plug-in with the host's
// records left consistent, and its picture must be well-formed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "hostlink/plugin_module.h"
#include "hostprog/scene_file.h"
#include "hostprog/scene_picture.h"
#include "hostprog/scene_report.h"
#include "hostprog/tests/xml_problem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto loaded = tier::hostlink::LoadTierModule();
  const tier::hostlink::PluginModule& module = *loaded;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const tier::Result<tier::hostprog::SceneFile> parsed =
      tier::hostprog::ParseScene(text, "fuzz.scene");
  if (!parsed) return 0;
  const tier::hostprog::SceneFile& scene = *parsed;
  std::string report;
  std::vector<tier::hostprog::SceneStep> steps;
  const tier::Status run = tier::hostprog::RunScene(
      module, scene, [&report](std::string_view piece) { report += piece; }, &steps);
  // A finding ends the fuzzer's run, as it expects.
  if (!run || report.find("!!") != std::string::npos) std::abort();
  const tier::Result<std::string> picture = tier::hostprog::ScenePicture(scene, steps);
  if (picture && !tier::hostprog::testing::XmlProblem(*picture).empty()) std::abort();
  return 0;
}
