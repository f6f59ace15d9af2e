// README.txt of the release archive: the page for game authors, built from
// the author's guide (tools/author_guide.h, which docs/authoring.md shows
// too), the routine catalogue and the version. tools/generate_game_readme prints
// it; docs/README.txt is that output, checked in, and a unit test keeps the
// two equal.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "plugin/catalogue.h"
#include "plugin/routine_text.h"
#include "plugin/version.h"
#include "tools/author_guide.h"
#include "tools/routine_reference.h"

namespace tier::tools {

// "   12  Increasing X Sort" and the parameters, one line for each routine;
// the parameters start after `textWidth` characters of display text. Below
// it, indented, the routine's behaviour in one line.
inline std::string RoutineLine(const plugin::RoutineInfo& row, std::size_t textWidth) {
  std::string line = "  " + std::string(row.code < 10 ? " " : "") + std::to_string(row.code) +
                     "  " + std::string(row.displayText);
  std::string parameters;
  for (int i = 0; i < row.parameterCount; ++i)
    parameters += (i ? ", " : "") + ParameterMeaning(row, i);
  if (!parameters.empty()) {
    line.resize(std::max(line.size(), 6 + textWidth) + 2, ' ');
    line += parameters;
  }
  return line + "\n      " + std::string(plugin::TextOf(row).summary) + "\n";
}

inline std::string GameAuthorReadme() {
  const std::string title = "Tier object " + plugin::VersionText();
  std::string page = title + "\n" + std::string(title.size(), '=') + "\n\n";
  page +=
      "The Tier object gives a game's events control over the display order: the\n"
      "back-to-front order in which the objects of a frame are drawn. It moves\n"
      "objects back and forward, above and below others, to the front, the back or\n"
      "a given position (1 is the back-most), swaps them, reverses the whole order\n"
      "or sorts it by X, Y or an alterable value; it tests where objects stand, and\n"
      "tells positions and fixed values.\n"
      "\n"
      "REFERENCE.txt, beside this file, describes every routine in full: how levels,\n"
      "positions and uncounted objects are numbered, which object slots each routine\n"
      "searches, and what the sorts do with equal keys.\n"
      "\n";
  page += PlainText(AuthorGuide());
  const auto section = [&page](plugin::RoutineKind kind, std::string_view heading) {
    std::size_t count = 0;
    std::size_t textWidth = 0;
    for (const plugin::RoutineInfo& row : plugin::kCatalogue) {
      if (row.kind != kind) continue;
      textWidth = std::max(textWidth, row.displayText.size());
      ++count;
    }
    std::string lines;
    for (const plugin::RoutineInfo& row : plugin::kCatalogue)
      if (row.kind == kind) lines += RoutineLine(row, textWidth);
    const std::string title = std::string(heading) + " (" + std::to_string(count) + ")";
    page += "\n" + title + "\n" + std::string(title.size(), '-') + "\n" + lines;
  };
  section(plugin::RoutineKind::Condition, "Conditions");
  section(plugin::RoutineKind::Action, "Actions");
  section(plugin::RoutineKind::Expression, "Expressions");
  page +=
      "\n"
      "Licence\n"
      "-------\n"
      "zlib licence: see LICENSE. Free to use in any game, commercial or not.\n";
  return page;
}

}  // namespace tier::tools
