// README.txt of the release archive: the checked-in page is the generator's
// output, and it lists every routine on a line of its own that a plain-text
// viewer shows whole, with one line of its behaviour below.
#include <gtest/gtest.h>

#include <string>

#include "tests/unit/checked_in_file.h"
#include "tools/game_author_readme.h"

namespace tier::test {
namespace {

TEST(GameAuthorReadme, CheckedInPageIsTheGeneratorsOutput) {
  const std::optional<std::string> checkedIn = CheckedInFile("docs/README.txt");
  ASSERT_TRUE(checkedIn) << "docs/README.txt is missing";
  EXPECT_EQ(*checkedIn, tools::GameAuthorReadme())
      << "docs/README.txt is stale: cmake --build build/native --target update_game_readme";
}

TEST(GameAuthorReadme, ListsEveryRoutineOnOneShortLineWithItsBehaviourBelow) {
  const std::string page = tools::GameAuthorReadme();
  EXPECT_EQ(page.rfind("Tier object " + plugin::VersionText() + "\n", 0), 0u)
      << "the title carries the version";
  std::size_t searchFrom = 0;
  for (const plugin::RoutineInfo& row : plugin::kCatalogue) {
    const std::string line = "  " + std::string(row.code < 10 ? " " : "") +
                             std::to_string(row.code) + "  " + std::string(row.displayText);
    const std::size_t at = page.find("\n" + line, searchFrom);
    ASSERT_NE(at, std::string::npos) << row.displayText << " (code " << row.code << ")";
    const std::size_t next = page.find('\n', at + 1);
    EXPECT_EQ(
        page.compare(next, 8 + row.summary.size(), "\n      " + std::string(row.summary) + "\n"), 0)
        << row.displayText << " (code " << row.code << ") has not its behaviour below";
    EXPECT_FALSE(row.summary.empty()) << row.displayText << " (code " << row.code << ")";
    searchFrom = at + 1;  // in catalogue order
  }
  std::istringstream lines(page);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 79u) << line;
  EXPECT_NE(page.find("\n  26  Increasing Sort by %0 : non-alts default to %1  alterable value, "
                      "default\n"),
            std::string::npos);
  EXPECT_NE(page.find("\n   8  Reverse all\n"), std::string::npos);
}

}  // namespace
}  // namespace tier::test
