// The author's guide: trying the routines, installing, checking the archive
// and the rules every routine keeps, written once. README.txt of the release
// archive carries it as plain text (tools/game_author_readme.h) and
// docs/authoring.md as Markdown, between its two marker lines;
// tools/generate_game_readme writes both, and unit tests keep them equal.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "plugin/version.h"
#include "tools/text_document.h"

namespace tier::tools {

inline constexpr std::string_view kAuthorGuideBegin =
    "<!-- The author's guide: made by tools/generate_game_readme from tools/author_guide.h; "
    "README.txt of the release archive carries the same text. -->\n";
inline constexpr std::string_view kAuthorGuideEnd = "<!-- End of the author's guide. -->";

inline Document AuthorGuide() {
  const std::string archive = "Tier-" + plugin::VersionText() + ".zip";
  Document guide;
  guide.Heading(2, "Trying the routines");
  guide.Paragraph(
      "Double-click `tier-playground.html`, beside `Tier.vdx` in the archive: it opens in your "
      "web browser, with no installing and no internet connection, and runs the Tier object's "
      "own code on a frame that you describe in plain text. Pick an example or add a call from "
      "the menu, press Run, and it shows after each call the display order, a picture of the "
      "frame, and what the call answered; step through the calls one by one to see each "
      "change. \"Share\" gives a link to the scene, which works for anyone who has the page, "
      "and the part after # to paste into a forum post; \"Open shared\" takes such a part "
      "back. `SCENE-FILES.txt`, beside this file (the page's Help), explains every line of a "
      "scene and every term of the report.");
  guide.Heading(2, "Installing");
  guide.Paragraph(
      "Copy `Tier.vdx` into the host's extension folder, the folder that holds the host's other "
      "extension objects (`.vdx` files), and start the host again: it lists the object as "
      "\"Tier object\". A game that uses the object needs `Tier.vdx` beside its other extension "
      "objects in the same way. The file runs on every Windows the host runs on, from Windows "
      "XP on, and needs no other file.");
  guide.Heading(2, "Checking your copy");
  guide.Paragraph(
      "Beside the archive, the release page offers the SHA-256 of the archive itself, in the "
      "file `" +
      archive +
      ".sha256`. Compare the two before you unpack. On Windows, open a command prompt in the "
      "folder that holds both: open the folder in File Explorer, click its address bar, type "
      "`cmd` and press Enter. There, run");
  guide.Code("certutil -hashfile " + archive + " SHA256");
  guide.Paragraph(
      "and compare the figure it prints with the one in the `.sha256` file (open it with "
      "Notepad). Elsewhere, in the folder that holds both, run");
  guide.Code("sha256sum -c " + archive + ".sha256");
  guide.Paragraph(
      "which says OK when the two agree. Once unpacked, `sha256sum -c SHA256SUMS` checks that "
      "the files of the archive are whole (on Windows: `certutil -hashfile Tier.vdx SHA256`, "
      "compared with `SHA256SUMS`).");
  guide.Heading(2, "Using it");
  guide.Paragraph(
      "An object is named by its fixed value (creation count x 65536 + object number); 0 "
      "stands for the one remembered by \"Store Fixed Value for %0\". The object forms act on "
      "the first instance in scope (actions) or test each instance in scope and narrow the "
      "selection (conditions). Nothing is ever reported: what cannot be found makes an action "
      "do nothing, a condition false and an expression 0. Back means drawn first, covered by "
      "the others; front means drawn last, on top. The sorts put at the back the largest key "
      "(\"Increasing\") or the smallest (\"Decreasing\"); objects with equal keys may change "
      "places at every sort of more than 16 objects.");
  return guide;
}

// `document` with the author's guide put between its marker lines, or
// nothing when it has no such lines.
inline std::optional<std::string> WithAuthorGuide(const std::string& document) {
  const std::size_t begin = document.find(kAuthorGuideBegin);
  if (begin == std::string::npos) return std::nullopt;
  const std::size_t start = begin + kAuthorGuideBegin.size();
  const std::size_t end = document.find(kAuthorGuideEnd, start);
  if (end == std::string::npos) return std::nullopt;
  return document.substr(0, start) + Markdown(AuthorGuide()) + "\n" + document.substr(end);
}

}  // namespace tier::tools
