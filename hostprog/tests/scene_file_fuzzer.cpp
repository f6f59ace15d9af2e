// libFuzzer entry: any bytes as a scene file. A refused scene is fine; an
// accepted one must build and run over the linked-in plug-in with the host's
// records left consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/plugin_module.h"
#include "hostprog/scene_file.h"
#include "hostprog/scene_runner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const tier::host::PluginModule module = tier::host::LoadTierModule();
  tier::scene::SceneFile scene;
  std::string error;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!tier::scene::ParseScene(text, "fuzz.scene", scene, error)) return 0;
  if (tier::scene::RunScene(module, scene).find("!!") != std::string::npos) std::abort();
  return 0;
}
