// README.txt of the release archive: the page for game authors, built from
// the routine catalogue and the version. tools/generate_game_readme prints
// it; docs/README.txt is that output, checked in, and a unit test keeps the
// two equal.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "plugin/catalogue.h"
#include "plugin/version.h"

namespace tier::tools {

// What a parameter stands for, in a word or two.
inline std::string_view ParameterMeaning(const plugin::RoutineInfo& row, int index) {
  const std::string_view word = plugin::ParameterWord(row, index);
  if (word != "number" || row.kind == plugin::RoutineKind::Expression) return word;
  switch (row.parameters[index].titleId) {
    case plugin::kTitleHowMany:
      return "count";
    case plugin::kTitleLevel:
      return "level";
    case plugin::kTitleDefault:
      return "default";
    default:
      return "fixed value";
  }
}

// "   12  Increasing X Sort" and the parameters, one line for each routine;
// the parameters start after `textWidth` characters of display text.
inline std::string RoutineLine(const plugin::RoutineInfo& row, std::size_t textWidth) {
  std::string line = "  " + std::string(row.code < 10 ? " " : "") + std::to_string(row.code) +
                     "  " + std::string(row.displayText);
  std::string parameters;
  for (int i = 0; i < row.parameterCount; ++i)
    parameters += (i ? ", " : "") + std::string(ParameterMeaning(row, i));
  if (!parameters.empty()) {
    line.resize(std::max(line.size(), 6 + textWidth) + 2, ' ');
    line += parameters;
  }
  return line + "\n";
}

inline std::string GameAuthorReadme() {
  const std::string title = "Tier object " + plugin::VersionText();
  std::string page = title + "\n" + std::string(title.size(), '=') + "\n\n";
  page +=
      "The Tier object gives a game's events control over the display order: the\n"
      "back-to-front order in which the objects of a frame are drawn. Its positions\n"
      "are levels, level 1 being the back-most object. It moves objects back and\n"
      "forward, above and below others, to the front, the back or a given level,\n"
      "swaps them, reverses the whole order or sorts it by X, Y or an alterable\n"
      "value; it tests where objects stand, and tells levels and fixed values.\n"
      "\n"
      "Installing\n"
      "----------\n"
      "Copy Tier.vdx into the host's extension folder, the folder that holds the\n"
      "host's other extension objects (.vdx files), and start the host again: it\n"
      "lists the object as \"Tier object\". A game that uses the object needs\n"
      "Tier.vdx beside its other extension objects in the same way. The file runs\n"
      "on every Windows the host runs on, from Windows XP on, and needs no other\n"
      "file.\n"
      "\n"
      "To check that your copy is the released one: sha256sum -c SHA256SUMS\n"
      "(on Windows: certutil -hashfile Tier.vdx SHA256, and compare).\n"
      "\n"
      "Using it\n"
      "--------\n"
      "An object is named by its fixed value (creation count x 65536 + object\n"
      "number); 0 stands for the one remembered by \"Store Fixed Value for %0\".\n"
      "The object forms act on the first instance in scope (actions) or test each\n"
      "instance in scope and narrow the selection (conditions). Nothing is ever\n"
      "reported: what cannot be found makes an action do nothing, a condition false\n"
      "and an expression 0.\n";
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
