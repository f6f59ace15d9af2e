// Prints the product's module-definition file (plugin/exports.def) to standard
// output, or writes it to the file named by the one argument.
#include "tools/module_definition.h"
#include "tools/print_page.h"

int main(int argc, char** argv) {
  return tier::tools::PrintPage(tier::tools::ModuleDefinition(), argc, argv);
}
