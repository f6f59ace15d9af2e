// How the generators hand out what they make: to standard output, or into
// the file named by the one argument. Returns the program's exit status.
#pragma once

#include <cstdio>
#include <string>

namespace tier::tools {

inline int PrintPage(const std::string& page, int argc, char** argv) {
  std::FILE* out = argc > 1 ? std::fopen(argv[1], "wb") : stdout;
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(page.data(), 1, page.size(), out) == page.size();
  if (out != stdout && std::fclose(out) != 0) return 1;
  return written ? 0 : 1;
}

}  // namespace tier::tools
