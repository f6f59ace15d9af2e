// Prints README.txt of the release archive (docs/README.txt) to standard
// output, or writes it to the file named by the one argument.
#include <cstdio>

#include "tools/game_author_readme.h"

int main(int argc, char** argv) {
  const std::string page = tier::tools::GameAuthorReadme();
  std::FILE* out = argc > 1 ? std::fopen(argv[1], "wb") : stdout;
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(page.data(), 1, page.size(), out) == page.size();
  if (out != stdout && std::fclose(out) != 0) return 1;
  return written ? 0 : 1;
}
