// A generated file kept in the repository, read whole, for the tests that
// fail when it is older than its generator's output.
#pragma once

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace tier::test {

// The file at `path` below the source folder, or nothing when it is missing.
inline std::optional<std::string> CheckedInFile(const std::string& path) {
  std::ifstream file(TIER_SOURCE_DIR "/" + path, std::ios::binary);
  if (!file.good()) return std::nullopt;
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace tier::test
