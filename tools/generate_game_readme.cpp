// Prints README.txt of the release archive (docs/README.txt) to standard
// output, or writes it to the file named by the first argument; a second
// argument names docs/authoring.md, whose author's guide it rewrites.
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "tools/author_guide.h"
#include "tools/game_author_readme.h"
#include "tools/print_page.h"

int main(int argc, char** argv) {
  if (argc > 3) {
    std::fprintf(stderr, "usage: %s [README.txt [authoring.md]]\n", argv[0]);
    return 2;
  }
  if (argc == 3) {
    std::ifstream in(argv[2], std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::optional<std::string> rewritten = tier::tools::WithAuthorGuide(text.str());
    if (!in.is_open() || !rewritten) {
      std::fprintf(stderr, "%s: cannot read it, or it has no marker lines for the guide\n",
                   argv[2]);
      return 1;
    }
    char* page[] = {argv[0], argv[2]};
    if (tier::tools::PrintPage(*rewritten, 2, page) != 0) return 1;
  }
  return tier::tools::PrintPage(tier::tools::GameAuthorReadme(), argc > 1 ? 2 : 1, argv);
}
