// Writes the routine reference for game authors from the one routine
// catalogue, so that the two never disagree: as Markdown (docs/routines.md)
// or, with --text, as plain text (docs/REFERENCE.txt, REFERENCE.txt of the
// release archive).
//
//   generate_reference [--text]                 the reference on standard output
//   generate_reference [--text] --write FILE    into FILE
//   generate_reference [--text] --check FILE    exit 1 when FILE differs from it
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/routine_reference.h"

namespace {

bool ReadFile(const std::string& path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const bool text = !arguments.empty() && arguments[0] == "--text";
  if (text) arguments.erase(arguments.begin());
  const tier::tools::Document document = tier::tools::RoutineReference();
  const std::string reference =
      text ? tier::tools::PlainText(document) : tier::tools::Markdown(document);
  if (arguments.empty()) {
    std::fwrite(reference.data(), 1, reference.size(), stdout);
    return 0;
  }
  if (arguments.size() != 2 || (arguments[0] != "--write" && arguments[0] != "--check")) {
    std::fprintf(stderr, "usage: generate_reference [--text] [--write FILE | --check FILE]\n");
    return 2;
  }
  const std::string& path = arguments[1];
  if (arguments[0] == "--write") {
    std::ofstream file(path, std::ios::binary);
    file << reference;
    if (!file.flush()) {
      std::fprintf(stderr, "%s: cannot write the file\n", path.c_str());
      return 2;
    }
    return 0;
  }
  std::string current;
  if (ReadFile(path, current) && current == reference) {
    std::printf("%s is up to date with the catalogue\n", path.c_str());
    return 0;
  }
  std::fprintf(stderr,
               "%s is out of date with the routine catalogue (plugin/catalogue.h).\n"
               "Regenerate it from the build directory with:\n"
               "  hostprog/generate_reference %s--write %s\n",
               path.c_str(), text ? "--text " : "", path.c_str());
  return 1;
}
