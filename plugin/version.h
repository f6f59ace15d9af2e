// The library's version, set here alone. The version block of the resource
// script (tools/resource_script.h), README.txt's title, the version the
// linked-in plug-in reports, and the tests follow it; the build files read
// this line (CMakeLists.txt) for the release archive's name and the tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tier::plugin {

inline constexpr std::array<std::uint16_t, 4> kVersion = {1, 1, 0, 0};

// "1.1.0.0"; with the separator ", " the version block's "1, 1, 0, 0".
inline std::string VersionText(const char* separator = ".") {
  std::string text;
  for (std::size_t i = 0; i < kVersion.size(); ++i)
    text += (i == 0 ? "" : separator) + std::to_string(kVersion[i]);
  return text;
}

}  // namespace tier::plugin
