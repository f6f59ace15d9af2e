// The routine reference for game authors, built from the one routine
// catalogue so that the two never disagree: docs/routines.md is its Markdown,
// docs/REFERENCE.txt (REFERENCE.txt of the release archive) its plain text.
// tools/generate_reference writes and checks both.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "playground/example_scene.h"
#include "plugin/catalogue.h"
#include "plugin/routine_text.h"
#include "support/hex.h"
#include "tools/text_document.h"

namespace tier::tools {

inline std::string Number(unsigned value) { return std::to_string(value); }

// The reference calls an expression's number argument an integer.
inline std::string ArgumentWord(const plugin::RoutineInfo& row, int index) {
  const std::string_view word = plugin::ParameterWord(row, index);
  return row.kind == plugin::RoutineKind::Expression && word == "number" ? "integer"
                                                                         : std::string(word);
}

// What a parameter stands for, in a word or two: "fixed value", "count",
// "level", "default", "object", "alterable value"; an expression's argument
// is "text" or "integer".
inline std::string ParameterMeaning(const plugin::RoutineInfo& row, int index) {
  const std::string word = ArgumentWord(row, index);
  if (word != "number") return word;
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

inline std::string ShortParameters(const plugin::RoutineInfo& row) {
  if (row.parameterCount == 0) return "none";
  std::string list;
  for (int i = 0; i < row.parameterCount; ++i) list += (i ? ", " : "") + ParameterMeaning(row, i);
  return list;
}

inline std::string SlotsSearched(plugin::SlotBound bound) {
  switch (bound) {
    case plugin::SlotBound::None:
      return "none";
    case plugin::SlotBound::ObjectCount:
      return "0 to objectCount";
    case plugin::SlotBound::ObjectLimit:
      return "0 to objectLimit";
    case plugin::SlotBound::Both:
      return "0 to objectCount, then 0 to objectLimit";
  }
  return "";
}

// "- `%0`: fixed value, asked for as "Enter Fixed Value"".
inline std::string ParameterItem(const plugin::RoutineInfo& row, int index) {
  if (row.kind == plugin::RoutineKind::Expression) return "argument: " + ArgumentWord(row, index);
  return "`%" + Number(static_cast<unsigned>(index)) + "`: " + ParameterMeaning(row, index) +
         ", asked for as \"" + std::string(plugin::StringText(row.parameters[index].titleId)) +
         "\"";
}

// Pictures of the order drawn from example scenes (docs/pictures/NAME.svg,
// drawn by `tier_host_program --svg`), for the routines where a picture says
// more than the text.
struct Picture {
  plugin::RoutineKind kind;
  std::uint16_t firstCode, lastCode;
  const char* scene;
  const char* about;
};
inline constexpr Picture kPictures[] = {
    {plugin::RoutineKind::Condition, 4, 4, "conditions_fixed", "the conditions by fixed value"},
    {plugin::RoutineKind::Condition, 9, 9, "conditions_objects", "the conditions by object"},
    {plugin::RoutineKind::Action, 12, 15, "sorts", "every sort on one frame"},
    {plugin::RoutineKind::Action, 12, 15, "sort_seventeen", "equal keys, seventeen nodes"},
    {plugin::RoutineKind::Action, 26, 27, "sorts", "every sort on one frame"},
};

inline std::string PictureLink(const char* scene, const char* about) {
  return std::string("[") + about + "](pictures/" + scene + ".svg) (`scenes/" + scene + ".scene`)";
}

inline std::string PictureLinks(const plugin::RoutineInfo& row) {
  std::string links;
  for (const Picture& picture : kPictures)
    if (picture.kind == row.kind && row.code >= picture.firstCode && row.code <= picture.lastCode)
      links += std::string(links.empty() ? "" : ", ") + PictureLink(picture.scene, picture.about);
  return links.empty() ? "" : "Pictures of the order: " + links + ".";
}

inline void RulesForEveryRoutine(Document& page) {
  page.Heading(2, "Rules that hold for every routine");
  page.Bullets({
      "An object instance is named by its fixed value: its creation count times 65536 plus its "
      "object number, the slot that it has in the host's object table. A fixed value of 0 stands "
      "for the one remembered by \"Store Fixed Value for %0\".",
      "An object parameter in an action stands for the object's first instance in scope: the "
      "first of its current selection, or else its first instance. When there is none, the "
      "action works on the remembered fixed value.",
      "An object parameter in a condition tests every instance in scope and narrows the object's "
      "selection to those for which the condition holds.",
      "Nothing is ever reported: an object that cannot be found, an empty display order or a "
      "count or level out of range makes an action do nothing, a condition false and an "
      "expression 0.",
      "Moves redraw what they moved: a step (one or more places, a swap, the reversal) redraws "
      "both nodes of every swap; a jump (to the front or back, above, below, to a level) redraws "
      "the moving object once at the end; a sort redraws every node. A node marked not to be "
      "refreshed is never redrawn.",
      "A node may be marked uncounted. Moves, sorts and conditions treat it like any other "
      "node; the expressions leave it out where they count, as the next section shows.",
  });
}

inline void Numbering(Document& page) {
  page.Heading(2, "Levels, positions and counted positions");
  page.Paragraph(
      "The display order runs from the back, drawn first and covered by everything else, to the "
      "front, drawn last and on top. Three numberings of it meet in this reference:");
  page.Bullets({
      "**Level**: the number that the host keeps in each display node. The back-most node has "
      "the frame's first level, often 1 but not always, and each node toward the front one more. "
      "Moves exchange levels so that they stay in this order; a sort numbers anew from the level "
      "that the back-most node had. The conditions Above, Below and Between compare levels.",
      "**Position**: the place in the order counted over every node, uncounted ones too, from 1 "
      "at the back. The Level parameter of \"Move %0 to Level %1\" is a position, and so is the "
      "argument of \"tirGetLevelFV(\". Where the first level is 1, every position equals its "
      "level.",
      "**Counted position**: the place among the counted nodes alone, from 1 at the back; an "
      "uncounted node has none. \"tirGetLevel(\" answers with it, \"tirGetNumLvls(\" gives the "
      "number of counted nodes, and \"tirGetBottomFV(\" and \"tirGetTopFV(\" give the back-most "
      "and the front-most counted node.",
  });
  page.Paragraph(
      "Three expressions mix positions and counting. \"tirGetLevelFV(\" counts positions over "
      "every node, but when the node at the position asked for is uncounted, the next counted "
      "node takes its number, and so answers for two numbers. \"tirGetDesc$(\" and "
      "\"tirGetTenDesc$(\" count positions over every node up to the level asked for, and from "
      "there number only counted nodes, on from that level. So, where an uncounted node lies "
      "behind an object, \"tirGetLevel(\", \"tirGetLevelFV(\" and the descriptions may each give "
      "it a different number.");
  page.Paragraph(
      "So \"tirGetLevel(\" gives no position: where uncounted objects lie behind an object, "
      "\"Move %0 to Level %1\" with the number that \"tirGetLevel(\" gives for it puts the moved "
      "object one place further back for each of them.");
  page.Paragraph(
      "A worked example: four objects, back to front A, U (uncounted), B and C, in a frame whose "
      "first level is 10.");
  page.MarkdownOnly("The scene of this example is `scenes/numbering.scene` in the source.");
  page.Table({"Object", "Level", "Position", "Counted position", "\"tirGetLevel(\""},
             {{"A", "10", "1", "1", "1"},
              {"U, uncounted", "11", "2", "none", "0"},
              {"B", "12", "3", "2", "2"},
              {"C", "13", "4", "3", "3"}},
             "lrrrr");
  page.Table({"Expression", "Gives"},
             {{"\"tirGetNumLvls(\"", "3"},
              {"\"tirGetLevelFV(\" of 1, 2, 3, 4, 5", "A, B, B, C, 0 (U hands position 2 on to B)"},
              {"\"tirGetDesc$(\" of 1", "A, listed as 1"},
              {"\"tirGetDesc$(\" of 2",
               "B, listed as 2: U, at position 2, is uncounted, and the next counted node takes "
               "its number"},
              {"\"tirGetDesc$(\" of 3", "B again, listed as 3, its position"},
              {"\"tirGetDesc$(\" of 4", "C, listed as 4, its position"},
              {"\"tirGetTenDesc$(\" of 1", "A as 1, B as 2, C as 3"},
              {"\"tirGetTenDesc$(\" of 2", "B as 2, C as 3"},
              {"\"Move %0 to Level %1\" with C and 2",
               "C moves to position 2, level 11: back to front A, C, U, B; then "
               "\"tirGetLevel(\" of C gives 2"}});
}

// The host's words that the descriptions use, in the editor's terms.
inline void Words(Document& page) {
  page.Heading(2, "Words used here");
  page.Bullets({
      "**Object number** (slot): the number that the host gives each object of the frame; a "
      "fixed value is the object number plus 65536 times the object's creation count.",
      "**Node**: an object's entry in the display order. An object that is not drawn has none.",
      "**In scope**, **selection**, **current**: an event's conditions pick instances of an "
      "object, and its actions then act on the picked ones: those picked instances are the "
      "object's selection. The selection is current once a condition of the running event has "
      "picked instances of the object (even none); while it is not current, no condition of the "
      "event has picked any yet, and every instance of the object is in scope.",
      "**objectCount** and **objectLimit**: two counts of object numbers that the host keeps "
      "while the game runs, and that the editor does not show. A routine that looks an object up "
      "by its fixed value searches the object numbers from 0 up to one of them, as the section "
      "\"Which slots a routine searches\" tells.",
  });
}

inline void SlotBounds(Document& page) {
  page.Heading(2, "Which slots a routine searches");
  page.Paragraph(
      "The host keeps two bounds on the object numbers, objectCount and objectLimit. A routine "
      "that looks an object up by its fixed value (\"tirGetFV(\": by its name) searches only the "
      "slots from 0 "
      "to one of them; an object in a slot beyond that bound is not found, and the routine does "
      "what it does for a missing object. The column \"Slots searched\" of each table below says "
      "which bound applies:");
  page.Bullets({
      "**0 to objectCount**: the conditions \"%0 Above %1?\", \"%0 Below %1?\" and \"%0 Between "
      "%1 and %2?\" in both forms (the object forms look up each instance by its fixed value), "
      "and the name scan of \"tirGetFV(\". Slot 0 is searched even when objectCount is 0.",
      "**0 to objectLimit**: every action that names an object, by a fixed value or by an object "
      "parameter (the object forms look up the fixed value of the first instance in scope, or "
      "the stored one), and the look-up of the node of the instance that \"tirGetFV(\" found by "
      "name. A negative objectLimit means no slot at all.",
      "**none**: the routine reads only the display order, the selections or the stored fixed "
      "value. \"%0 At Back?\" and \"%0 At Front?\", in both forms, compare the fixed value with "
      "that of the object at the end of the order, wherever its slot lies: with objectCount 1, "
      "\"%0 At Back?\" with the fixed value of the object in slot 3 is true when that object is "
      "at the back. So are \"Store Fixed Value for %0\", \"Reverse all\", the sorts and every "
      "expression but \"tirGetFV(\".",
  });
}

inline void SortsNote(Document& page) {
  page.Heading(3, "The sorts: direction and equal keys");
  page.Paragraph(
      "A sort puts the whole display order in a new order at once, by one key of each object: "
      "its X, its Y or an alterable value. Back means drawn first, covered by the others; front "
      "means drawn last, on top. Whatever the names suggest, each sort puts:");
  page.Table({"Action", "At the back", "At the front"},
             {{"\"Increasing X Sort\"", "the largest X", "the smallest X"},
              {"\"Decreasing X Sort\"", "the smallest X", "the largest X"},
              {"\"Increasing Y Sort\"", "the largest Y", "the smallest Y"},
              {"\"Decreasing Y Sort\"", "the smallest Y", "the largest Y"},
              {"\"Increasing Sort by %0 : non-alts default to %1\"", "the largest value",
               "the smallest value"},
              {"\"Decreasing Sort by %0 : non-alts default to %1\"", "the smallest value",
               "the largest value"}});
  page.Paragraph(
      "**Equal keys.** Objects whose keys are equal end in the order that the sort's procedure "
      "leaves them in, which need not be their old order, and sorting again can move them "
      "again: a game shows that as flicker. In a display order of at most 16 nodes, objects with "
      "equal keys "
      "keep their order. With more than 16, the procedure first splits the order around "
      "middle keys and may exchange equal ones: sorting an already sorted order can change it, "
      "and 17 to 32 nodes that all have one key come out exactly reversed, so that every sort "
      "flips them. Where the order of equal objects matters, sort by an alterable value that no "
      "two objects share.");
  page.MarkdownOnly(
      "Picture: " +
      PictureLink("sort_ties",
                  "eighteen objects in three rows of equal Y, sorted twice by \"Increasing Y "
                  "Sort\"") +
      ": each sort reverses the middle row.");
}

inline void Identifiers(Document& page) {
  page.Heading(2, "Identifiers");
  page.Paragraph(
      "What the host and the library's resources know each routine by: its code in its table, "
      "its menu id, the string id of its display string, its flags, the function that carries "
      "it, and for each parameter its kind and the string id of its title, as kind/title (an "
      "expression's argument has no title: 0).");
  for (const auto kind : {plugin::RoutineKind::Condition, plugin::RoutineKind::Action,
                          plugin::RoutineKind::Expression}) {
    std::vector<std::vector<std::string>> rows;
    for (const plugin::RoutineInfo& row : plugin::kCatalogue) {
      if (row.kind != kind) continue;
      const std::string flags = Hex(row.flags, 4);
      std::string parameters;
      for (int i = 0; i < row.parameterCount; ++i)
        parameters += (i ? " " : "") + Number(row.parameters[i].kind) + "/" +
                      Number(row.parameters[i].titleId);
      rows.push_back({Number(row.code), Number(row.menuId), Number(row.displayStringId), flags,
                      "`" + std::string(row.routineName) + "`",
                      parameters.empty() ? "none" : parameters});
    }
    std::string heading(plugin::KindWord(kind));
    heading[0] = static_cast<char>(heading[0] - 'a' + 'A');
    page.Paragraph("**" + heading + "s**");
    page.Table({"Code", "Menu", "String", "Flags", "Routine", "Parameters (kind/title)"}, rows,
               "rrr");
  }
}

inline void Section(Document& page, plugin::RoutineKind kind, const char* title,
                    const char* singular) {
  page.Heading(2, title);
  std::vector<std::vector<std::string>> rows;
  for (const plugin::RoutineInfo& row : plugin::kCatalogue)
    if (row.kind == kind)
      rows.push_back({Number(row.code), "`" + std::string(row.displayText) + "`",
                      ShortParameters(row), SlotsSearched(row.slotBound)});
  page.Table({"Code", "Display string", "Parameters", "Slots searched"}, rows, "r");
  for (const plugin::RoutineInfo& row : plugin::kCatalogue) {
    if (row.kind != kind) continue;
    // The note on sorting comes before the first sort action.
    if (&row == &*std::find_if(plugin::kCatalogue.begin(), plugin::kCatalogue.end(),
                               [](const plugin::RoutineInfo& r) { return plugin::IsSort(r); }))
      SortsNote(page);
    page.Heading(3, std::string(singular) + " " + Number(row.code) + ": `" +
                        std::string(row.displayText) + "`");
    if (row.parameterCount == 0) {
      page.Paragraph(kind == plugin::RoutineKind::Expression ? "No argument." : "No parameters.");
    } else {
      std::vector<std::string> items;
      for (int i = 0; i < row.parameterCount; ++i) items.push_back(ParameterItem(row, i));
      page.Bullets(items);
    }
    // A description may hold paragraphs, split by an empty line.
    const std::string description(plugin::TextOf(row).description);
    for (std::size_t at = 0; at <= description.size();) {
      const std::size_t end = std::min(description.find("\n\n", at), description.size());
      page.Paragraph(description.substr(at, end - at));
      at = end + 2;
    }
    const std::string pictures = PictureLinks(row);
    if (!pictures.empty()) page.MarkdownOnly(pictures);
    page.MarkdownOnly(
        "Try it: [`" + playground::ExampleCall(row) + "`](" +
        playground::PlaygroundLink(playground::ExampleScene(row), playground::kBuiltPageFolder) +
        ") in the playground, on a frame of four objects.");
    page.TextOnly("Try it: " + std::string(playground::kPageName) + "#" +
                  playground::TryFragment(row));
  }
}

inline Document RoutineReference() {
  Document page;
  page.Heading(1, "Routine reference");
  page.MarkdownOnly(
      "<!-- Generated by tools/generate_reference.cpp from the routine catalogue "
      "(plugin/catalogue.h).\n     Do not edit by hand: change the catalogue and run "
      "`generate_reference --write docs/routines.md`. -->");
  page.Paragraph(
      "The Tier object gives a game's events control over the display order: the back-to-front "
      "order in which the frame's objects are drawn, each over the ones behind it. It offers " +
      Number(plugin::kConditionCount) + " conditions, " + Number(plugin::kActionCount) +
      " actions and " + Number(plugin::kExpressionCount) +
      " expressions. The first sections give the rules that hold for all of them; then each "
      "routine has its own, under its display string.");
  page.MarkdownOnly(
      "Each routine ends with a **Try it** link: it opens the playground page `" +
      std::string(playground::kPageName) +
      "` with a small scene that calls the routine, runs it and shows the report and the "
      "picture; change the scene and run it again. The links lead to the page where the `wasm` "
      "preset builds it, `build/wasm/" +
      std::string(playground::kPageName) +
      "`. In the release archive, REFERENCE.txt gives each routine the same example.");
  const plugin::RoutineInfo& sample = *std::find_if(
      std::begin(plugin::kCatalogue), std::end(plugin::kCatalogue),
      [](const plugin::RoutineInfo& row) { return row.kind == plugin::RoutineKind::Action; });
  page.TextOnly(
      "Each routine ends with a \"Try it\" line, such as " + std::string(playground::kPageName) +
      "#" + playground::TryFragment(sample) + ": open the playground page " +
      std::string(playground::kPageName) +
      ", beside this file, with that address (in a browser's address bar, after the page's "
      "own address), or paste the part after # into the page's \"Open shared\" box. The page "
      "opens a small scene that calls the routine, runs it and shows the report and the "
      "picture; change the scene and run it again.");
  Words(page);
  RulesForEveryRoutine(page);
  Numbering(page);
  SlotBounds(page);
  Section(page, plugin::RoutineKind::Condition, "Conditions", "Condition");
  Section(page, plugin::RoutineKind::Action, "Actions", "Action");
  Section(page, plugin::RoutineKind::Expression, "Expressions", "Expression");
  Identifiers(page);
  return page;
}

}  // namespace tier::tools
