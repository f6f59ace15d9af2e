// The library's version, set here alone: the version block of the resource
// script (tools/resource_script.h) and the name of the release archive
// (cmake/Win32.cmake reads this line) follow it.
#pragma once

#include <array>
#include <cstdint>

namespace tier::plugin {

inline constexpr std::array<std::uint16_t, 4> kVersion = {1, 0, 1, 0};

}  // namespace tier::plugin
