// README.txt of the release archive: the checked-in page is the generator's
// output, and it lists every routine on a line of its own that a plain-text
// viewer shows whole, with one line of its behaviour below.
#include <gtest/gtest.h>

#include <string>

#include "tests/unit/checked_in_file.h"
#include "tools/author_guide.h"
#include "tools/game_author_readme.h"
#include "tools/routine_reference.h"

namespace tier::test {
namespace {

TEST(GameAuthorReadme, CheckedInPageIsTheGeneratorsOutput) {
  const std::optional<std::string> checkedIn = CheckedInFile("docs/README.txt");
  ASSERT_TRUE(checkedIn) << "docs/README.txt is missing";
  EXPECT_EQ(*checkedIn, tools::GameAuthorReadme())
      << "docs/README.txt is stale: cmake --build build/native --target update_game_readme";
}

// docs/authoring.md shows the guide that README.txt carries, as Markdown.
TEST(GameAuthorReadme, AuthoringDocumentShowsTheArchivesGuide) {
  const std::optional<std::string> authoring = CheckedInFile("docs/authoring.md");
  ASSERT_TRUE(authoring) << "docs/authoring.md is missing";
  EXPECT_EQ(tools::WithAuthorGuide(*authoring), *authoring)
      << "docs/authoring.md is stale: cmake --build build/native --target update_game_readme";
  EXPECT_NE(tools::GameAuthorReadme().find(tools::PlainText(tools::AuthorGuide())),
            std::string::npos);
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
    const std::string_view summary = plugin::TextOf(row).summary;
    EXPECT_EQ(page.compare(next, 8 + summary.size(), "\n      " + std::string(summary) + "\n"), 0)
        << row.displayText << " (code " << row.code << ") has not its behaviour below";
    EXPECT_FALSE(summary.empty()) << row.displayText << " (code " << row.code << ")";
    searchFrom = at + 1;  // in catalogue order
  }
  std::istringstream lines(page);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 79u) << line;
  EXPECT_NE(page.find("\n  26  Increasing Sort by %0 : non-alts default to %1  alterable value, "
                      "default\n"),
            std::string::npos);
  EXPECT_NE(page.find("\n   8  Reverse all\n"), std::string::npos);
}

// The archive's two pages stand alone: an author who has only the archive
// finds every file they name in it, and no word of the host's records that
// the editor never shows goes unexplained.
TEST(GameAuthorReadme, ArchivePagesNameNoFileOutsideTheArchive) {
  const std::string reference = tools::PlainText(tools::RoutineReference());
  for (const std::string& page : {tools::GameAuthorReadme(), reference})
    for (const char* outside : {"scenes/", ".scene", "docs/", ".md", "tier_host_program",
                                "selectionStamp", "eventCount", "run header", " stamp"})
      EXPECT_EQ(page.find(outside), std::string::npos)
          << "'" << outside << "' in:\n"
          << page.substr(page.find(outside) < 60 ? 0 : page.find(outside) - 60, 160);
  // The terms it keeps are explained where the page begins.
  const std::size_t words = reference.find("Words used here");
  ASSERT_NE(words, std::string::npos);
  for (const char* term : {"objectCount and objectLimit", "current"})
    EXPECT_LT(reference.find(term), reference.find("Rules that hold for every routine")) << term;
  EXPECT_NE(tools::GameAuthorReadme().find("open a command prompt"), std::string::npos);
}

}  // namespace
}  // namespace tier::test
