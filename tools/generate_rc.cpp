// Prints the library's resource script (plugin/Tier.rc) to standard output,
// or writes it to the file named by the one argument.
#include <cstdio>

#include "tools/resource_script.h"

int main(int argc, char** argv) {
  const std::string script = tier::tools::ResourceScript();
  std::FILE* out = argc > 1 ? std::fopen(argv[1], "wb") : stdout;
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(script.data(), 1, script.size(), out) == script.size();
  if (out != stdout && std::fclose(out) != 0) return 1;
  return written ? 0 : 1;
}
