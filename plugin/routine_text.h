// What game authors read about each routine: its behaviour in one line and
// in full. Only the generators of the reference and of README.txt, the
// playground and their tests read it, so that editing a text rebuilds them
// alone. One entry a routine, in the catalogue's order.
#pragma once

#include <array>
#include <string_view>
#include <type_traits>

#include "plugin/catalogue.h"

namespace tier::plugin {

struct RoutineText {
  RoutineKind kind;
  std::uint16_t code;
  std::string_view summary;
  std::string_view description;
};

namespace routine_text_detail {

template <typename Code>
constexpr RoutineText Text(Code code, std::string_view summary, std::string_view description) {
  const RoutineKind kind = std::is_same_v<Code, ConditionCode> ? RoutineKind::Condition
                           : std::is_same_v<Code, ActionCode>  ? RoutineKind::Action
                                                               : RoutineKind::Expression;
  return {kind, static_cast<std::uint16_t>(code), summary, description};
}

using enum ConditionCode;
using enum ActionCode;
using enum ExpressionCode;

inline constexpr std::array<RoutineText, kCatalogue.size()> kTexts = {{
    Text(CondAtBack, "True when the object's node is the back-most one, uncounted or not.",
         "True when the back-most node of the display order, uncounted or not, belongs to "
         "the object with this fixed value. No slot is searched: the fixed value is "
         "compared with that of the node's object, wherever it lies. False on an empty "
         "list and when the back-most node belongs to another object."),
    Text(CondAtFront, "True when the object's node is the front-most one, uncounted or not.",
         "True when the front-most node of the display order, uncounted or not, belongs "
         "to the object with this fixed value. No slot is searched: the fixed value is "
         "compared with that of the node's object, wherever it lies. False on an empty "
         "list and when the front-most node belongs to another object."),
    Text(CondAbove, "True when the first object lies in front of the second.",
         "True when the first object's level is higher (nearer the front) than the "
         "second's. Both are looked for in slots 0 to objectCount; false when either is "
         "missing or has no display node, and when both name the same object."),
    Text(CondBelow, "True when the first object lies behind the second.",
         "True when the first object's level is lower (nearer the back) than the "
         "second's. Both are looked for in slots 0 to objectCount; false when either is "
         "missing or has no display node, and when both name the same object."),
    Text(CondBetween, "True when the first object lies between the other two, in either order.",
         "True when the first object's level lies strictly between the levels of the "
         "second and the third, in either order. The three fixed values are fetched from "
         "the host one after another and looked for in slots 0 to objectCount. False "
         "when any of the three objects is missing or has no display node."),
    Text(CondObjectAtBack, "Narrows the selection to the instance at the back; true if it is one.",
         "Tests each instance of the object in scope (its current selection, or else all "
         "its instances) and keeps in the selection the one whose node is at the back of "
         "the display order. True when it is one of them. When none is, the selection is "
         "emptied but stays as current as it was: a selection that was current stays "
         "current and empty, one that was not current stays not current (so the next "
         "routine again sees every instance). False, with the selection "
         "untouched, when the object has no instance in scope. No slot is searched."),
    Text(CondObjectAtFront,
         "Narrows the selection to the instance at the front; true if it is one.",
         "Tests each instance of the object in scope (its current selection, or else all "
         "its instances) and keeps in the selection the one whose node is at the front of "
         "the display order. True when it is one of them. When none is, the selection is "
         "emptied but stays as current as it was: a selection that was current stays "
         "current and empty, one that was not current stays not current (so the next "
         "routine again sees every instance). False, with the selection "
         "untouched, when the object has no instance in scope. No slot is searched."),
    Text(CondObjectAbove, "Narrows A's selection to instances in front of an instance of B.",
         "Keeps in the selection of object A those of its instances in scope that lie "
         "above (in front of) at least one instance in scope of object B; true when one "
         "does. Each instance is looked for by its fixed value in slots 0 to objectCount, "
         "as \"%0 Above %1?\" with fixed values does. When none passes, A's selection is "
         "emptied but stays as current as it was: current and empty if it was current, "
         "still not current (every instance in scope again) if it was not. False, with A's "
         "selection untouched, when A or B has no instance in scope."),
    Text(CondObjectBelow, "Narrows A's selection to instances behind an instance of B.",
         "Keeps in the selection of object A those of its instances in scope that lie "
         "below (behind) at least one instance in scope of object B; true when one does. "
         "Each instance is looked for by its fixed value in slots 0 to objectCount, as "
         "\"%0 Below %1?\" with fixed values does. When none passes, A's selection is "
         "emptied but stays as current as it was: current and empty if it was current, "
         "still not current (every instance in scope again) if it was not. False, with A's "
         "selection untouched, when A or B has no instance in scope."),
    Text(CondObjectBetween, "Narrows A's selection to instances between instances of B and C.",
         "Keeps in A's selection its instances in scope that lie above an instance of B "
         "and below an instance of C, looked for by fixed value in slots 0 to "
         "objectCount; true when one does. When none does, A's selection is made not "
         "current and every instance of A's type is tried the other way round: below an "
         "instance of B and above one of C. The three objects are fetched from the host "
         "one after another. False when neither way finds an instance, or when an object "
         "has no instance in scope.\n\n"
         "One exception, at the last value of the host's count of event passes, which "
         "grows by one each time the host runs through the events: when that count "
         "is 65535, the mark that makes a selection not current is 65535 too, so A's "
         "selection stays current, and the other way round starts from what the first "
         "way left in it instead of from every instance. Then the other way round is "
         "tried in full only when A's selection was not current on entry and no instance "
         "of A lay above an instance of B; otherwise the condition is false whenever the "
         "first way finds nothing."),
    Text(SendBackOne, "Swaps the object with its neighbour behind it.",
         "Swaps the object with its neighbour toward the back; both are redrawn. Nothing "
         "happens when the object is already at the back, when no object in slots 0 to "
         "objectLimit has the fixed value, or when it has no display node."),
    Text(BringForwardOne, "Swaps the object with its neighbour in front of it.",
         "Swaps the object with its neighbour toward the front; both are redrawn. Nothing "
         "happens when the object is already at the front, when no object in slots 0 to "
         "objectLimit has the fixed value, or when it has no display node."),
    Text(SwapPair, "Exchanges the places of the two objects.",
         "Exchanges the places (and levels) of two objects wherever they lie; both are "
         "redrawn, the first one first. The same object twice stays put and is redrawn "
         "twice. Nothing happens when either object cannot be found in slots 0 to "
         "objectLimit."),
    Text(StoreFixedValue, "Remembers the object's fixed value; a fixed value of 0 then means it.",
         "Remembers the fixed value of the object's first instance in scope (the first of "
         "its current selection, or else its first instance); from then on a fixed value of "
         "0 stands for it. Stores 0 when the object has no instance in scope. No slot is "
         "searched."),
    Text(BringToFront, "Moves the object to the front of the order.",
         "Moves the object to the front of the display order, one neighbour at a time, and "
         "redraws it alone, also when it was already at the front. Nothing happens on an "
         "empty list or when the object cannot be found in slots 0 to objectLimit."),
    Text(SendToBack, "Moves the object to the back of the order.",
         "Moves the object to the back of the display order, one neighbour at a time, and "
         "redraws it alone, also when it was already at the back. Nothing happens on an "
         "empty list or when the object cannot be found in slots 0 to objectLimit."),
    Text(SendBackN, "Moves the object back that many places, at most to the back.",
         "Moves the object back by the given number of places, or until it is at the back; "
         "each step redraws both nodes it swapped. Nothing happens for a count of 0 or less "
         "or when the object cannot be found in slots 0 to objectLimit."),
    Text(BringForwardN, "Moves the object forward that many places, at most to the front.",
         "Moves the object forward by the given number of places, or until it is at the "
         "front; each step redraws both nodes it swapped. Nothing happens for a count of 0 "
         "or less or when the object cannot be found in slots 0 to objectLimit."),
    Text(ReverseAll, "Reverses the whole order: the back-most object comes to the front.",
         "Reverses the whole display order by swapping the outermost pair, then the next "
         "pair inward, and so on; both nodes of each pair are redrawn. Nothing happens on an "
         "empty list; a single node is redrawn twice."),
    Text(MoveAbove, "Moves the first object forward to just in front of the second.",
         "Moves the first object forward until it lies directly in front of the second, and "
         "redraws the first alone. Nothing happens when the first object's level is already "
         "at or above the second's, or when either object cannot be found in slots 0 to "
         "objectLimit."),
    Text(MoveBelow, "Moves the first object back to just behind the second.",
         "Moves the first object back until it lies directly behind the second, and redraws "
         "the first alone. Nothing happens when the first object's level is already at or "
         "below the second's, or when either object cannot be found in slots 0 to "
         "objectLimit."),
    Text(MoveToLevel, "Moves the object to the given position, 1 being the back-most.",
         "Moves the object to the given position, counted from 1 at the back over every "
         "node, uncounted ones too; the nodes in between shift by one place. Only the object "
         "is redrawn. Nothing happens for a position below 1 or beyond the last node, when "
         "the object is already there, or when it cannot be found in slots 0 to "
         "objectLimit. The Level parameter is a position, not the host's level number: "
         "where the back-most node's level is 10, position 2 is level 11. Nor is it the "
         "counted position that \"tirGetLevel(\" answers with: where uncounted objects lie "
         "behind, that number is smaller, and the object lands further back."),
    Text(IncreasingXSort,
         "Sorts all: largest X at the back (drawn first), smallest X at the front.",
         "Sorts the whole display order by X position, X falling from the back to the "
         "front: the object with the largest X goes to the back, drawn first and covered by "
         "the others, and the one with the smallest X to the front, drawn last, on top. "
         "Levels are renumbered from the old back-most level and every node is redrawn. A "
         "list of fewer than two nodes is left alone."),
    Text(IncreasingYSort,
         "Sorts all: largest Y at the back (drawn first), smallest Y at the front.",
         "Sorts the whole display order by Y position, Y falling from the back to the "
         "front: the object with the largest Y goes to the back, drawn first and covered by "
         "the others, and the one with the smallest Y to the front, drawn last, on top. "
         "Levels are renumbered from the old back-most level and every node is redrawn. A "
         "list of fewer than two nodes is left alone."),
    Text(DecreasingXSort,
         "Sorts all: smallest X at the back (drawn first), largest X at the front.",
         "Sorts the whole display order by X position, X rising from the back to the "
         "front: the object with the smallest X goes to the back, drawn first and covered "
         "by the others, and the one with the largest X to the front, drawn last, on top. "
         "Levels are renumbered from the old back-most level and every node is redrawn. A "
         "list of fewer than two nodes is left alone."),
    Text(DecreasingYSort,
         "Sorts all: smallest Y at the back (drawn first), largest Y at the front.",
         "Sorts the whole display order by Y position, Y rising from the back to the "
         "front: the object with the smallest Y goes to the back, drawn first and covered "
         "by the others, and the one with the largest Y to the front, drawn last, on top. "
         "Levels are renumbered from the old back-most level and every node is redrawn. A "
         "list of fewer than two nodes is left alone."),
    Text(SendBackOneByObject, "Swaps the first instance in scope with its neighbour behind it.",
         "As \"Send %0 Back One\" with a fixed value, on the fixed value of the object's "
         "first instance in scope, looked for in slots 0 to objectLimit. When the object "
         "has no instance in scope, it acts on the object of the stored fixed value."),
    Text(BringForwardOneByObject, "Swaps the first instance in scope with its neighbour in front.",
         "As \"Bring %0 Forward One\" with a fixed value, on the fixed value of the "
         "object's first instance in scope, looked for in slots 0 to objectLimit. When the "
         "object has no instance in scope, it acts on the object of the stored fixed "
         "value."),
    Text(SwapPairByObject, "Exchanges the places of the first instances in scope of A and B.",
         "As \"Swap %0 and %1\" with fixed values, on the fixed values of the first "
         "instances in scope of A and B, looked for in slots 0 to objectLimit. An object "
         "without an instance in scope stands for the stored fixed value. Two objects whose "
         "first instance is the same (as with the same type twice) swap that instance with "
         "itself: it stays put and is redrawn twice."),
    Text(BringToFrontByObject, "Moves the first instance in scope to the front of the order.",
         "As \"Bring %0 to Front\" with a fixed value, on the fixed value of the object's "
         "first instance in scope, looked for in slots 0 to objectLimit. When the object "
         "has no instance in scope, it acts on the object of the stored fixed value."),
    Text(SendToBackByObject, "Moves the first instance in scope to the back of the order.",
         "As \"Send %0 to Back\" with a fixed value, on the fixed value of the object's "
         "first instance in scope, looked for in slots 0 to objectLimit. When the object "
         "has no instance in scope, it acts on the object of the stored fixed value."),
    Text(SendBackNByObject, "Moves the first instance in scope back that many places.",
         "As \"Send %0 Back %1\" with a fixed value, on the fixed value of the object's "
         "first instance in scope, looked for in slots 0 to objectLimit. When the object "
         "has no instance in scope, it acts on the object of the stored fixed value."),
    Text(BringForwardNByObject, "Moves the first instance in scope forward that many places.",
         "As \"Bring %0 Forward %1\" with a fixed value, on the fixed value of the object's "
         "first instance in scope, looked for in slots 0 to objectLimit. When the object "
         "has no instance in scope, it acts on the object of the stored fixed value."),
    Text(MoveAboveByObject, "Moves A's first instance in scope to just in front of B's.",
         "As \"Move %0 Above %1\" with fixed values, on the fixed values of the first "
         "instances in scope of A and B, looked for in slots 0 to objectLimit. An object "
         "without an instance in scope stands for the stored fixed value. Two objects whose "
         "first instance is the same (as with the same type twice) move and redraw "
         "nothing."),
    Text(MoveBelowByObject, "Moves A's first instance in scope to just behind B's.",
         "As \"Move %0 Below %1\" with fixed values, on the fixed values of the first "
         "instances in scope of A and B, looked for in slots 0 to objectLimit. An object "
         "without an instance in scope stands for the stored fixed value. Two objects whose "
         "first instance is the same (as with the same type twice) move and redraw "
         "nothing."),
    Text(MoveToLevelByObject, "Moves the first instance in scope to the given position.",
         "As \"Move %0 to Level %1\" with a fixed value, on the fixed value of the object's "
         "first instance in scope, looked for in slots 0 to objectLimit. When the object "
         "has no instance in scope, it acts on the object of the stored fixed value."),
    Text(IncreasingSortByValue,
         "Sorts all by the value: largest at the back, smallest at the front.",
         "Sorts the whole display order by the chosen alterable value, the value falling "
         "from the back to the front: the object with the largest value goes to the back, "
         "drawn first and covered by the others, and the one with the smallest value to the "
         "front, drawn last, on top. An object without alterable values (a counter, a "
         "string), or whose values do not reach the chosen index, sorts by the default "
         "value. Levels are renumbered from the old back-most level and every node is "
         "redrawn. A list of fewer than two nodes is left alone."),
    Text(DecreasingSortByValue,
         "Sorts all by the value: smallest at the back, largest at the front.",
         "Sorts the whole display order by the chosen alterable value, the value rising "
         "from the back to the front: the object with the smallest value goes to the back, "
         "drawn first and covered by the others, and the one with the largest value to the "
         "front, drawn last, on top. An object without alterable values (a counter, a "
         "string), or whose values do not reach the chosen index, sorts by the default "
         "value. Levels are renumbered from the old back-most level and every node is "
         "redrawn. A list of fewer than two nodes is left alone."),
    Text(GetFixedValueByName, "Fixed value of the first counted instance with this object name.",
         "The fixed value of the instance with this object name (ASCII letters match "
         "in either case) in the lowest slot whose node is counted. The names are "
         "scanned in slots 0 to objectCount, and a match's node is looked for as the "
         "actions look for one, in slots 0 to objectLimit. An empty name gives the "
         "stored fixed value; 0 when no instance matches."),
    Text(GetTopFixedValue, "Fixed value of the front-most counted object.",
         "The fixed value of the front-most counted node's object; 0 on an empty list "
         "or when every node is uncounted."),
    Text(GetBottomFixedValue, "Fixed value of the back-most counted object.",
         "The fixed value of the back-most counted node's object; 0 on an empty list "
         "or when every node is uncounted."),
    Text(GetDescription,
         "Text: a header and the counted object at this position: number, name, FV.",
         "A text table of the counted object at the given position: the header "
         "\"Lvl\\tName\\tFV\" and an empty line, then one line with the number, the "
         "object name and the fixed value, separated by tabs. Every node, uncounted "
         "ones too, counts toward the given position; when the node there is "
         "uncounted, the next counted node is listed under that number. A position of "
         "0 or less, or "
         "beyond the list, gives the header alone. The text is newly allocated for the "
         "host to release."),
    Text(GetTenDescription, "Text: a header and up to ten counted objects from this position on.",
         "As \"tirGetDesc$(\", listing up to ten counted objects from the given "
         "position on: every node, uncounted ones too, counts up to that position, and "
         "from there only counted nodes are listed, numbered on from it; the listing "
         "stops before the number start + 10. With a start of 0 or less, every listed "
         "object has its counted position as its number, from 1 at the back, and the "
         "same stop lists at most start + 9 of them: with 0, counted positions 1 to 9; "
         "with -6, counted positions 1 to 3, whatever uncounted nodes lie between; with "
         "-9 or less, the header alone. A start beyond the list gives the header "
         "alone."),
    Text(GetLevelCount, "Number of counted objects in the order.",
         "The number of counted nodes in the display order; 0 on an empty list."),
    Text(GetLevel, "Counted position of the object, 1 at the back; 0 if it has none.",
         "The counted position of the object with this fixed value: its place among the "
         "counted nodes, 1 at the back. 0 stands for the stored fixed value. 0 when the "
         "object has no node in the list or its node is uncounted.\n\nIt is not a "
         "position: fed to \"Move %0 to Level %1\", whose Level counts every node, it "
         "puts the moved object one place further back for each uncounted object that "
         "lies behind the one measured."),
    Text(GetLevelFixedValue, "Fixed value of the object at this position; 0 if none.",
         "The fixed value of the object at this position, counted from 1 at the back "
         "over every node, uncounted ones too; but when the node at the position is "
         "uncounted, the next counted node in front of it takes its number, and so "
         "answers for two numbers. 0 for a position of 0 or less, beyond the list, or "
         "on an empty list. So where an uncounted node lies behind an object, "
         "\"tirGetLevelFV(\" of the number that \"tirGetLevel(\" gives for it may name "
         "another object."),
}};

constexpr bool TextsFollowTheCatalogue() {
  for (std::size_t i = 0; i < kCatalogue.size(); ++i)
    if (kTexts[i].kind != kCatalogue[i].kind || kTexts[i].code != kCatalogue[i].code) return false;
  return true;
}
static_assert(TextsFollowTheCatalogue(),
              "every row of the catalogue needs its text here, in the catalogue's order");

}  // namespace routine_text_detail

constexpr const RoutineText& TextOf(const RoutineInfo& row) {
  return routine_text_detail::kTexts[IndexOf(row)];
}

}  // namespace tier::plugin
