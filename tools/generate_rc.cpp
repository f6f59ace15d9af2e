// Prints the library's resource script (plugin/Tier.rc) to standard output,
// or writes it to the file named by the one argument.
#include "tools/print_page.h"
#include "tools/resource_script.h"

int main(int argc, char** argv) {
  return tier::tools::PrintPage(tier::tools::ResourceScript(), argc, argv);
}
