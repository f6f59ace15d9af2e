// Prints README.txt of the release archive (docs/README.txt) to standard
// output, or writes it to the file named by the one argument.
#include "tools/game_author_readme.h"
#include "tools/print_page.h"

int main(int argc, char** argv) {
  return tier::tools::PrintPage(tier::tools::GameAuthorReadme(), argc, argv);
}
