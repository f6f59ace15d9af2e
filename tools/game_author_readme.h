// README.txt of the release archive: the page for game authors, built from
// the routine catalogue and the version. tools/generate_game_readme prints
// it; docs/README.txt is that output, checked in, and a unit test keeps the
// two equal.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "plugin/catalogue.h"
#include "plugin/routine_text.h"
#include "plugin/version.h"
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
  const std::string archive = "Tier-" + plugin::VersionText() + ".zip";
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
      "\n"
      "Trying the routines\n"
      "-------------------\n"
      "Double-click tier-playground.html, beside this file: it opens in your web\n"
      "browser, with no installing and no internet connection, and runs the Tier\n"
      "object's own code on a frame that you describe in plain text. Pick an example\n"
      "or add a call from the menu, press Run, and it shows after each call the\n"
      "display order, a picture of the frame, and what the call answered; step\n"
      "through the calls one by one to see each change. \"Link to this scene\" puts\n"
      "the frame and its calls into the page's address, to share a question or an\n"
      "answer.\n"
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
      "Checking your copy\n"
      "------------------\n"
      "Beside the archive, the release page offers the SHA-256 of the archive\n"
      "itself, in the file\n"
      "    " +
      archive +
      ".sha256\n"
      "Compare the two before you unpack. On Windows, open a command prompt in\n"
      "the folder that holds both: open the folder in File Explorer, click its\n"
      "address bar, type cmd and press Enter. There, run\n"
      "    certutil -hashfile " +
      archive +
      " SHA256\n"
      "and compare the figure it prints with the one in the .sha256 file (open it\n"
      "with Notepad). Elsewhere, in the folder that holds both, run\n"
      "    sha256sum -c " +
      archive +
      ".sha256\n"
      "which says OK when the two agree. Once unpacked,\n"
      "sha256sum -c SHA256SUMS checks that the files of the archive are whole (on\n"
      "Windows: certutil -hashfile Tier.vdx SHA256, compared with SHA256SUMS).\n"
      "\n"
      "Using it\n"
      "--------\n"
      "An object is named by its fixed value (creation count x 65536 + object\n"
      "number); 0 stands for the one remembered by \"Store Fixed Value for %0\".\n"
      "The object forms act on the first instance in scope (actions) or test each\n"
      "instance in scope and narrow the selection (conditions). Nothing is ever\n"
      "reported: what cannot be found makes an action do nothing, a condition false\n"
      "and an expression 0. Back means drawn first, covered by the others; front\n"
      "means drawn last, on top. The sorts put at the back the largest key\n"
      "(\"Increasing\") or the smallest (\"Decreasing\"); objects with equal keys may\n"
      "change places at every sort of more than 16 objects.\n";
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
