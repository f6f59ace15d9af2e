// The routine catalogue: every condition, action and expression the host can
// call, with its code, menu id, display string, flags and parameters. The
// routine tables (bound by routine name in tables.h), the string resources and
// the generated reference are all derived from or checked against this one
// table. Plain data: a host-side program may include it without the routines.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "host/platform.h"
#include "plugin/routine_codes.h"

namespace tier::plugin {

enum class RoutineKind : std::uint8_t { Condition, Action, Expression };

// Parameter kinds as the host knows them.
inline constexpr std::uint16_t kParamNumber = 22;     // fixed value, count, level, default
inline constexpr std::uint16_t kParamObject = 1;      // an object of the frame
inline constexpr std::uint16_t kParamAltValue = 50;   // an alterable value
inline constexpr std::uint16_t kArgumentInteger = 1;  // expression argument
inline constexpr std::uint16_t kArgumentText = 3;     // expression argument

// Parameter title string ids.
inline constexpr std::uint16_t kTitleFixedValue = 4001;  // "Enter Fixed Value"
inline constexpr std::uint16_t kTitleHowMany = 4002;     // "How many levels?"
inline constexpr std::uint16_t kTitleLevel = 4003;       // "Enter Level Number"
inline constexpr std::uint16_t kTitleObjectA = 4004;     // "Select Object A"
inline constexpr std::uint16_t kTitleObjectB = 4005;     // "Select Object B"
inline constexpr std::uint16_t kTitleObjectC = 4006;     // "Select Object C"
inline constexpr std::uint16_t kTitleAnObject = 4007;    // "Select an Object"
inline constexpr std::uint16_t kTitleAltValue = 4008;    // "Select an Alterable Value"
inline constexpr std::uint16_t kTitleDefault = 4009;     // "Default Value to sort by ..."

struct ParameterInfo {
  std::uint16_t kind;
  std::uint16_t titleId;
};

// Which bound of the run header limits the object slots that a routine
// searches for a fixed value or a name; an object in a slot beyond it is not
// found. Both: "tirGetFV(" scans names up to objectCount, then looks the
// match's node up as the actions do, up to objectLimit.
enum class SlotBound : std::uint8_t { None, ObjectCount, ObjectLimit, Both };

struct RoutineInfo {
  RoutineKind kind;
  std::uint16_t code;
  std::uint16_t menuId;
  std::uint16_t displayStringId;
  std::string_view displayText;
  std::uint16_t flags;
  std::uint8_t parameterCount;
  std::array<ParameterInfo, 3> parameters;
  std::string_view routineName;  // the function that carries the routine's logic
  // For game authors (the generated reference and README.txt): the slots the
  // routine searches, its behaviour in one line, and in full.
  SlotBound slotBound;
  std::string_view summary;
  std::string_view description;
};

inline constexpr std::uint16_t kConditionCount = 10;
inline constexpr std::uint16_t kActionCount = 28;
inline constexpr std::uint16_t kExpressionCount = 8;
// What the flags of the conditions mean is the host's to know; 0x220 is what
// the host expects of them.
inline constexpr std::uint16_t kConditionFlags = 0x220;
// Expression flag: the result is text on the C runtime heap, for the host to release.
inline constexpr std::uint16_t kTextResult = 1;

constexpr bool ReturnsText(const RoutineInfo& row) {
  return row.kind == RoutineKind::Expression && row.flags == kTextResult;
}

// What a parameter takes, in one word: "object", "alterable value", "text"
// or "number".
constexpr std::string_view ParameterWord(const RoutineInfo& row, int index) {
  const std::uint16_t kind = row.parameters[index].kind;
  if (row.kind == RoutineKind::Expression) return kind == kArgumentText ? "text" : "number";
  if (kind == kParamObject) return "object";
  if (kind == kParamAltValue) return "alterable value";
  return "number";
}

namespace catalogue_detail {

constexpr ParameterInfo N(std::uint16_t title) { return {kParamNumber, title}; }
constexpr ParameterInfo O(std::uint16_t title) { return {kParamObject, title}; }

// A condition's or an action's row: menu id 26000 or 25000 + 10 x code; only
// conditions carry flags.
template <RoutineKind Kind>
constexpr RoutineInfo EventRow(std::uint16_t code, std::uint16_t stringId, std::string_view text,
                               std::string_view name, std::uint8_t count,
                               std::array<ParameterInfo, 3> parameters, SlotBound bound,
                               std::string_view summary, std::string_view description) {
  const bool condition = Kind == RoutineKind::Condition;
  return {Kind,     code,       static_cast<std::uint16_t>((condition ? 26000 : 25000) + 10 * code),
          stringId, text,       condition ? kConditionFlags : std::uint16_t{0},
          count,    parameters, name,
          bound,    summary,    description};
}
inline constexpr auto Condition = &EventRow<RoutineKind::Condition>;
inline constexpr auto Action = &EventRow<RoutineKind::Action>;

constexpr RoutineInfo Expression(std::uint16_t code, std::string_view text, std::string_view name,
                                 std::uint8_t count, std::uint16_t argumentKind, SlotBound bound,
                                 std::string_view summary, std::string_view description) {
  // The two text expressions carry kTextResult.
  return {RoutineKind::Expression,
          code,
          static_cast<std::uint16_t>(27000 + 10 * code),
          static_cast<std::uint16_t>(7000 + 10 * code),
          text,
          static_cast<std::uint16_t>(code == CodeOf(ExpressionCode::GetDescription) ||
                                             code == CodeOf(ExpressionCode::GetTenDescription)
                                         ? kTextResult
                                         : 0),
          count,
          {ParameterInfo{argumentKind, 0}, {}, {}},
          name,
          bound,
          summary,
          description};
}

inline constexpr SlotBound kNoSlots = SlotBound::None;
inline constexpr SlotBound kToObjectCount = SlotBound::ObjectCount;
inline constexpr SlotBound kToObjectLimit = SlotBound::ObjectLimit;

inline constexpr std::array<RoutineInfo, kConditionCount + kActionCount + kExpressionCount> kRows =
    {{
        // Conditions: menu id 26000 + 10 x code, flags 0x220.
        Condition(0, 6000, "%0 At Back?", "CondAtBack", 1, {N(kTitleFixedValue)}, kNoSlots,
                  "True when the object's node is the back-most one, uncounted or not.",
                  "True when the back-most node of the display order, uncounted or not, belongs to "
                  "the object with this fixed value. No slot is searched: the fixed value is "
                  "compared with that of the node's object, wherever it lies. False on an empty "
                  "list and when the back-most node belongs to another object."),
        Condition(1, 6010, "%0 At Front?", "CondAtFront", 1, {N(kTitleFixedValue)}, kNoSlots,
                  "True when the object's node is the front-most one, uncounted or not.",
                  "True when the front-most node of the display order, uncounted or not, belongs "
                  "to the object with this fixed value. No slot is searched: the fixed value is "
                  "compared with that of the node's object, wherever it lies. False on an empty "
                  "list and when the front-most node belongs to another object."),
        Condition(2, 6020, "%0 Above %1?", "CondAbove", 2,
                  {N(kTitleFixedValue), N(kTitleFixedValue)}, kToObjectCount,
                  "True when the first object lies in front of the second.",
                  "True when the first object's level is higher (nearer the front) than the "
                  "second's. Both are looked for in slots 0 to objectCount; false when either is "
                  "missing or has no display node, and when both name the same object."),
        Condition(3, 6030, "%0 Below %1?", "CondBelow", 2,
                  {N(kTitleFixedValue), N(kTitleFixedValue)}, kToObjectCount,
                  "True when the first object lies behind the second.",
                  "True when the first object's level is lower (nearer the back) than the "
                  "second's. Both are looked for in slots 0 to objectCount; false when either is "
                  "missing or has no display node, and when both name the same object."),
        Condition(4, 6040, "%0 Between %1 and %2?", "CondBetween", 3,
                  {N(kTitleFixedValue), N(kTitleFixedValue), N(kTitleFixedValue)}, kToObjectCount,
                  "True when the first object lies between the other two, in either order.",
                  "True when the first object's level lies strictly between the levels of the "
                  "second and the third, in either order. The three fixed values are fetched from "
                  "the host one after another and looked for in slots 0 to objectCount. False "
                  "when any of the three objects is missing or has no display node."),
        Condition(5, 6000, "%0 At Back?", "CondObjectAtBack", 1, {O(kTitleAnObject)}, kNoSlots,
                  "Narrows the selection to the instance at the back; true if it is one.",
                  "Tests each instance of the object in scope (its current selection, or else all "
                  "its instances) and keeps in the selection the one whose node is at the back of "
                  "the display order. True when it is one of them. When none is, the selection is "
                  "emptied but stays as current as it was: a selection that was current stays "
                  "current and empty, one that was not current stays not current (so the next "
                  "routine again sees every instance). False, with the selection "
                  "untouched, when the object has no instance in scope. No slot is searched."),
        Condition(6, 6010, "%0 At Front?", "CondObjectAtFront", 1, {O(kTitleAnObject)}, kNoSlots,
                  "Narrows the selection to the instance at the front; true if it is one.",
                  "Tests each instance of the object in scope (its current selection, or else all "
                  "its instances) and keeps in the selection the one whose node is at the front of "
                  "the display order. True when it is one of them. When none is, the selection is "
                  "emptied but stays as current as it was: a selection that was current stays "
                  "current and empty, one that was not current stays not current (so the next "
                  "routine again sees every instance). False, with the selection "
                  "untouched, when the object has no instance in scope. No slot is searched."),
        Condition(
            7, 6020, "%0 Above %1?", "CondObjectAbove", 2, {O(kTitleObjectA), O(kTitleObjectB)},
            kToObjectCount, "Narrows A's selection to instances in front of an instance of B.",
            "Keeps in the selection of object A those of its instances in scope that lie "
            "above (in front of) at least one instance in scope of object B; true when one "
            "does. Each instance is looked for by its fixed value in slots 0 to objectCount, "
            "as \"%0 Above %1?\" with fixed values does. When none passes, A's selection is "
            "emptied but stays as current as it was: current and empty if it was current, "
            "still not current (every instance in scope again) if it was not. False, with A's "
            "selection untouched, when A or B has no instance in scope."),
        Condition(
            8, 6030, "%0 Below %1?", "CondObjectBelow", 2, {O(kTitleObjectA), O(kTitleObjectB)},
            kToObjectCount, "Narrows A's selection to instances behind an instance of B.",
            "Keeps in the selection of object A those of its instances in scope that lie "
            "below (behind) at least one instance in scope of object B; true when one does. "
            "Each instance is looked for by its fixed value in slots 0 to objectCount, as "
            "\"%0 Below %1?\" with fixed values does. When none passes, A's selection is "
            "emptied but stays as current as it was: current and empty if it was current, "
            "still not current (every instance in scope again) if it was not. False, with A's "
            "selection untouched, when A or B has no instance in scope."),
        Condition(9, 6040, "%0 Between %1 and %2?", "CondObjectBetween", 3,
                  {O(kTitleObjectA), O(kTitleObjectB), O(kTitleObjectC)}, kToObjectCount,
                  "Narrows A's selection to instances between instances of B and C.",
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

        // Actions: menu id 25000 + 10 x code, flags 0.
        Action(0, 5000, "Send %0 Back One", "SendBackOne", 1, {N(kTitleFixedValue)}, kToObjectLimit,
               "Swaps the object with its neighbour behind it.",
               "Swaps the object with its neighbour toward the back; both are redrawn. Nothing "
               "happens when the object is already at the back, when no object in slots 0 to "
               "objectLimit has the fixed value, or when it has no display node."),
        Action(1, 5010, "Bring %0 Forward One", "BringForwardOne", 1, {N(kTitleFixedValue)},
               kToObjectLimit, "Swaps the object with its neighbour in front of it.",
               "Swaps the object with its neighbour toward the front; both are redrawn. Nothing "
               "happens when the object is already at the front, when no object in slots 0 to "
               "objectLimit has the fixed value, or when it has no display node."),
        Action(2, 5020, "Swap %0 and %1", "SwapPair", 2, {N(kTitleFixedValue), N(kTitleFixedValue)},
               kToObjectLimit, "Exchanges the places of the two objects.",
               "Exchanges the places (and levels) of two objects wherever they lie; both are "
               "redrawn, the first one first. The same object twice stays put and is redrawn "
               "twice. Nothing happens when either object cannot be found in slots 0 to "
               "objectLimit."),
        Action(3, 5030, "Store Fixed Value for %0", "StoreFixedValue", 1, {O(kTitleObjectA)},
               kNoSlots, "Remembers the object's fixed value; a fixed value of 0 then means it.",
               "Remembers the fixed value of the object's first instance in scope (the first of "
               "its current selection, or else its first instance); from then on a fixed value of "
               "0 stands for it. Stores 0 when the object has no instance in scope. No slot is "
               "searched."),
        Action(4, 5040, "Bring %0 to Front", "BringToFront", 1, {N(kTitleFixedValue)},
               kToObjectLimit, "Moves the object to the front of the order.",
               "Moves the object to the front of the display order, one neighbour at a time, and "
               "redraws it alone, also when it was already at the front. Nothing happens on an "
               "empty list or when the object cannot be found in slots 0 to objectLimit."),
        Action(5, 5050, "Send %0 to Back", "SendToBack", 1, {N(kTitleFixedValue)}, kToObjectLimit,
               "Moves the object to the back of the order.",
               "Moves the object to the back of the display order, one neighbour at a time, and "
               "redraws it alone, also when it was already at the back. Nothing happens on an "
               "empty list or when the object cannot be found in slots 0 to objectLimit."),
        Action(6, 5060, "Send %0 Back %1", "SendBackN", 2, {N(kTitleFixedValue), N(kTitleHowMany)},
               kToObjectLimit, "Moves the object back that many places, at most to the back.",
               "Moves the object back by the given number of places, or until it is at the back; "
               "each step redraws both nodes it swapped. Nothing happens for a count of 0 or less "
               "or when the object cannot be found in slots 0 to objectLimit."),
        Action(7, 5070, "Bring %0 Forward %1", "BringForwardN", 2,
               {N(kTitleFixedValue), N(kTitleHowMany)}, kToObjectLimit,
               "Moves the object forward that many places, at most to the front.",
               "Moves the object forward by the given number of places, or until it is at the "
               "front; each step redraws both nodes it swapped. Nothing happens for a count of 0 "
               "or less or when the object cannot be found in slots 0 to objectLimit."),
        Action(8, 5080, "Reverse all", "ReverseAll", 0, {}, kNoSlots,
               "Reverses the whole order: the back-most object comes to the front.",
               "Reverses the whole display order by swapping the outermost pair, then the next "
               "pair inward, and so on; both nodes of each pair are redrawn. Nothing happens on an "
               "empty list; a single node is redrawn twice."),
        Action(9, 5090, "Move %0 Above %1", "MoveAbove", 2,
               {N(kTitleFixedValue), N(kTitleFixedValue)}, kToObjectLimit,
               "Moves the first object forward to just in front of the second.",
               "Moves the first object forward until it lies directly in front of the second, and "
               "redraws the first alone. Nothing happens when the first object's level is already "
               "at or above the second's, or when either object cannot be found in slots 0 to "
               "objectLimit."),
        Action(10, 5100, "Move %0 Below %1", "MoveBelow", 2,
               {N(kTitleFixedValue), N(kTitleFixedValue)}, kToObjectLimit,
               "Moves the first object back to just behind the second.",
               "Moves the first object back until it lies directly behind the second, and redraws "
               "the first alone. Nothing happens when the first object's level is already at or "
               "below the second's, or when either object cannot be found in slots 0 to "
               "objectLimit."),
        Action(11, 5110, "Move %0 to Level %1", "MoveToLevel", 2,
               {N(kTitleFixedValue), N(kTitleLevel)}, kToObjectLimit,
               "Moves the object to the given position, 1 being the back-most.",
               "Moves the object to the given position, counted from 1 at the back over every "
               "node, uncounted ones too; the nodes in between shift by one place. Only the object "
               "is redrawn. Nothing happens for a position below 1 or beyond the last node, when "
               "the object is already there, or when it cannot be found in slots 0 to "
               "objectLimit. The Level parameter is a position, not the host's level number: "
               "where the back-most node's level is 10, position 2 is level 11. Nor is it the "
               "counted position that \"tirGetLevel(\" answers with: where uncounted objects lie "
               "behind, that number is smaller, and the object lands further back."),
        Action(12, 5120, "Increasing X Sort", "IncreasingXSort", 0, {}, kNoSlots,
               "Sorts all: largest X at the back (drawn first), smallest X at the front.",
               "Sorts the whole display order by X position, X falling from the back to the "
               "front: the object with the largest X goes to the back, drawn first and covered by "
               "the others, and the one with the smallest X to the front, drawn last, on top. "
               "Levels are renumbered from the old back-most level and every node is redrawn. A "
               "list of fewer than two nodes is left alone."),
        Action(13, 5130, "Increasing Y Sort", "IncreasingYSort", 0, {}, kNoSlots,
               "Sorts all: largest Y at the back (drawn first), smallest Y at the front.",
               "Sorts the whole display order by Y position, Y falling from the back to the "
               "front: the object with the largest Y goes to the back, drawn first and covered by "
               "the others, and the one with the smallest Y to the front, drawn last, on top. "
               "Levels are renumbered from the old back-most level and every node is redrawn. A "
               "list of fewer than two nodes is left alone."),
        Action(14, 5140, "Decreasing X Sort", "DecreasingXSort", 0, {}, kNoSlots,
               "Sorts all: smallest X at the back (drawn first), largest X at the front.",
               "Sorts the whole display order by X position, X rising from the back to the "
               "front: the object with the smallest X goes to the back, drawn first and covered "
               "by the others, and the one with the largest X to the front, drawn last, on top. "
               "Levels are renumbered from the old back-most level and every node is redrawn. A "
               "list of fewer than two nodes is left alone."),
        Action(15, 5150, "Decreasing Y Sort", "DecreasingYSort", 0, {}, kNoSlots,
               "Sorts all: smallest Y at the back (drawn first), largest Y at the front.",
               "Sorts the whole display order by Y position, Y rising from the back to the "
               "front: the object with the smallest Y goes to the back, drawn first and covered "
               "by the others, and the one with the largest Y to the front, drawn last, on top. "
               "Levels are renumbered from the old back-most level and every node is redrawn. A "
               "list of fewer than two nodes is left alone."),
        Action(16, 5000, "Send %0 Back One", "SendBackOneByObject", 1, {O(kTitleAnObject)},
               kToObjectLimit, "Swaps the first instance in scope with its neighbour behind it.",
               "As \"Send %0 Back One\" with a fixed value, on the fixed value of the object's "
               "first instance in scope, looked for in slots 0 to objectLimit. When the object "
               "has no instance in scope, it acts on the object of the stored fixed value."),
        Action(17, 5010, "Bring %0 Forward One", "BringForwardOneByObject", 1, {O(kTitleAnObject)},
               kToObjectLimit, "Swaps the first instance in scope with its neighbour in front.",
               "As \"Bring %0 Forward One\" with a fixed value, on the fixed value of the "
               "object's first instance in scope, looked for in slots 0 to objectLimit. When the "
               "object has no instance in scope, it acts on the object of the stored fixed "
               "value."),
        Action(18, 5020, "Swap %0 and %1", "SwapPairByObject", 2,
               {O(kTitleObjectA), O(kTitleObjectB)}, kToObjectLimit,
               "Exchanges the places of the first instances in scope of A and B.",
               "As \"Swap %0 and %1\" with fixed values, on the fixed values of the first "
               "instances in scope of A and B, looked for in slots 0 to objectLimit. An object "
               "without an instance in scope stands for the stored fixed value. Two objects whose "
               "first instance is the same (as with the same type twice) swap that instance with "
               "itself: it stays put and is redrawn twice."),
        Action(19, 5040, "Bring %0 to Front", "BringToFrontByObject", 1, {O(kTitleAnObject)},
               kToObjectLimit, "Moves the first instance in scope to the front of the order.",
               "As \"Bring %0 to Front\" with a fixed value, on the fixed value of the object's "
               "first instance in scope, looked for in slots 0 to objectLimit. When the object "
               "has no instance in scope, it acts on the object of the stored fixed value."),
        Action(20, 5050, "Send %0 to Back", "SendToBackByObject", 1, {O(kTitleAnObject)},
               kToObjectLimit, "Moves the first instance in scope to the back of the order.",
               "As \"Send %0 to Back\" with a fixed value, on the fixed value of the object's "
               "first instance in scope, looked for in slots 0 to objectLimit. When the object "
               "has no instance in scope, it acts on the object of the stored fixed value."),
        Action(21, 5060, "Send %0 Back %1", "SendBackNByObject", 2,
               {O(kTitleObjectA), N(kTitleHowMany)}, kToObjectLimit,
               "Moves the first instance in scope back that many places.",
               "As \"Send %0 Back %1\" with a fixed value, on the fixed value of the object's "
               "first instance in scope, looked for in slots 0 to objectLimit. When the object "
               "has no instance in scope, it acts on the object of the stored fixed value."),
        Action(22, 5070, "Bring %0 Forward %1", "BringForwardNByObject", 2,
               {O(kTitleObjectA), N(kTitleHowMany)}, kToObjectLimit,
               "Moves the first instance in scope forward that many places.",
               "As \"Bring %0 Forward %1\" with a fixed value, on the fixed value of the object's "
               "first instance in scope, looked for in slots 0 to objectLimit. When the object "
               "has no instance in scope, it acts on the object of the stored fixed value."),
        Action(23, 5090, "Move %0 Above %1", "MoveAboveByObject", 2,
               {O(kTitleObjectA), O(kTitleObjectB)}, kToObjectLimit,
               "Moves A's first instance in scope to just in front of B's.",
               "As \"Move %0 Above %1\" with fixed values, on the fixed values of the first "
               "instances in scope of A and B, looked for in slots 0 to objectLimit. An object "
               "without an instance in scope stands for the stored fixed value. Two objects whose "
               "first instance is the same (as with the same type twice) move and redraw "
               "nothing."),
        Action(24, 5100, "Move %0 Below %1", "MoveBelowByObject", 2,
               {O(kTitleObjectA), O(kTitleObjectB)}, kToObjectLimit,
               "Moves A's first instance in scope to just behind B's.",
               "As \"Move %0 Below %1\" with fixed values, on the fixed values of the first "
               "instances in scope of A and B, looked for in slots 0 to objectLimit. An object "
               "without an instance in scope stands for the stored fixed value. Two objects whose "
               "first instance is the same (as with the same type twice) move and redraw "
               "nothing."),
        Action(25, 5110, "Move %0 to Level %1", "MoveToLevelByObject", 2,
               {O(kTitleObjectA), N(kTitleLevel)}, kToObjectLimit,
               "Moves the first instance in scope to the given position.",
               "As \"Move %0 to Level %1\" with a fixed value, on the fixed value of the object's "
               "first instance in scope, looked for in slots 0 to objectLimit. When the object "
               "has no instance in scope, it acts on the object of the stored fixed value."),
        Action(26, 5260, "Increasing Sort by %0 : non-alts default to %1", "IncreasingSortByValue",
               2, {ParameterInfo{kParamAltValue, kTitleAltValue}, N(kTitleDefault)}, kNoSlots,
               "Sorts all by the value: largest at the back, smallest at the front.",
               "Sorts the whole display order by the chosen alterable value, the value falling "
               "from the back to the front: the object with the largest value goes to the back, "
               "drawn first and covered by the others, and the one with the smallest value to the "
               "front, drawn last, on top. An object without alterable values (a counter, a "
               "string), or whose values do not reach the chosen index, sorts by the default "
               "value. Levels are renumbered from the old back-most level and every node is "
               "redrawn. A list of fewer than two nodes is left alone."),
        Action(27, 5270, "Decreasing Sort by %0 : non-alts default to %1", "DecreasingSortByValue",
               2, {ParameterInfo{kParamAltValue, kTitleAltValue}, N(kTitleDefault)}, kNoSlots,
               "Sorts all by the value: smallest at the back, largest at the front.",
               "Sorts the whole display order by the chosen alterable value, the value rising "
               "from the back to the front: the object with the smallest value goes to the back, "
               "drawn first and covered by the others, and the one with the largest value to the "
               "front, drawn last, on top. An object without alterable values (a counter, a "
               "string), or whose values do not reach the chosen index, sorts by the default "
               "value. Levels are renumbered from the old back-most level and every node is "
               "redrawn. A list of fewer than two nodes is left alone."),

        // Expressions: menu id 27000 + 10 x code, display string 7000 + 10 x code.
        Expression(0, "tirGetFV(", "GetFixedValueByName", 1, kArgumentText, SlotBound::Both,
                   "Fixed value of the first counted instance with this object name.",
                   "The fixed value of the instance with this object name (ASCII letters match "
                   "in either case) in the lowest slot whose node is counted. The names are "
                   "scanned in slots 0 to objectCount, and a match's node is looked for as the "
                   "actions look for one, in slots 0 to objectLimit. An empty name gives the "
                   "stored fixed value; 0 when no instance matches."),
        Expression(1, "tirGetTopFV(", "GetTopFixedValue", 0, 0, kNoSlots,
                   "Fixed value of the front-most counted object.",
                   "The fixed value of the front-most counted node's object; 0 on an empty list "
                   "or when every node is uncounted."),
        Expression(2, "tirGetBottomFV(", "GetBottomFixedValue", 0, 0, kNoSlots,
                   "Fixed value of the back-most counted object.",
                   "The fixed value of the back-most counted node's object; 0 on an empty list "
                   "or when every node is uncounted."),
        Expression(3, "tirGetDesc$(", "GetDescription", 1, kArgumentInteger, kNoSlots,
                   "Text: a header and the counted object at this position: number, name, FV.",
                   "A text table of the counted object at the given position: the header "
                   "\"Lvl\\tName\\tFV\" and an empty line, then one line with the number, the "
                   "object name and the fixed value, separated by tabs. Every node, uncounted "
                   "ones too, counts toward the given position; when the node there is "
                   "uncounted, the next counted node is listed under that number. A position of "
                   "0 or less, or "
                   "beyond the list, gives the header alone. The text is newly allocated for the "
                   "host to release."),
        Expression(4, "tirGetTenDesc$(", "GetTenDescription", 1, kArgumentInteger, kNoSlots,
                   "Text: a header and up to ten counted objects from this position on.",
                   "As \"tirGetDesc$(\", listing up to ten counted objects from the given "
                   "position on: every node, uncounted ones too, counts up to that position, and "
                   "from there only counted nodes are listed, numbered on from it; the listing "
                   "stops before the number start + 10. With a start of 0 or less, every listed "
                   "object has its counted position as its number, from 1 at the back, and the "
                   "same stop lists at most start + 9 of them: with 0, counted positions 1 to 9; "
                   "with -6, counted positions 1 to 3, whatever uncounted nodes lie between; with "
                   "-9 or less, the header alone. A start beyond the list gives the header "
                   "alone."),
        Expression(5, "tirGetNumLvls(", "GetLevelCount", 0, 0, kNoSlots,
                   "Number of counted objects in the order.",
                   "The number of counted nodes in the display order; 0 on an empty list."),
        Expression(6, "tirGetLevel(", "GetLevel", 1, kArgumentInteger, kNoSlots,
                   "Counted position of the object, 1 at the back; 0 if it has none.",
                   "The counted position of the object with this fixed value: its place among the "
                   "counted nodes, 1 at the back. 0 stands for the stored fixed value. 0 when the "
                   "object has no node in the list or its node is uncounted.\n\nIt is not a "
                   "position: fed to \"Move %0 to Level %1\", whose Level counts every node, it "
                   "puts the moved object one place further back for each uncounted object that "
                   "lies behind the one measured."),
        Expression(7, "tirGetLevelFV(", "GetLevelFixedValue", 1, kArgumentInteger, kNoSlots,
                   "Fixed value of the object at this position; 0 if none.",
                   "The fixed value of the object at this position, counted from 1 at the back "
                   "over every node, uncounted ones too; but when the node at the position is "
                   "uncounted, the next counted node in front of it takes its number, and so "
                   "answers for two numbers. 0 for a position of 0 or less, beyond the list, or "
                   "on an empty list. So where an uncounted node lies behind an object, "
                   "\"tirGetLevelFV(\" of the number that \"tirGetLevel(\" gives for it may name "
                   "another object."),
    }};

}  // namespace catalogue_detail

// Conditions 0-9, actions 0-27, expressions 0-7, in that order.
inline constexpr const auto& kCatalogue = catalogue_detail::kRows;

// The row of a routine by its name.
constexpr const RoutineInfo& Row(ConditionCode code) { return kCatalogue[CodeOf(code)]; }
constexpr const RoutineInfo& Row(ActionCode code) {
  return kCatalogue[kConditionCount + CodeOf(code)];
}
constexpr const RoutineInfo& Row(ExpressionCode code) {
  return kCatalogue[kConditionCount + kActionCount + CodeOf(code)];
}

namespace catalogue_detail {
// Each name of plugin/routine_codes.h is the routine its row names at that code.
template <std::size_t N>
constexpr bool NamesMatch(RoutineKind kind, std::size_t first, const char* const (&names)[N]) {
  for (std::size_t code = 0; code < N; ++code) {
    const RoutineInfo& row = kCatalogue[first + code];
    if (row.kind != kind || row.code != code || row.routineName != names[code]) return false;
  }
  return true;
}
}  // namespace catalogue_detail

static_assert(catalogue_detail::NamesMatch(RoutineKind::Condition, 0,
                                           routine_codes_detail::kConditionNames) &&
                  std::size(routine_codes_detail::kConditionNames) == kConditionCount,
              "ConditionCode names the catalogue's conditions, code by code");
static_assert(catalogue_detail::NamesMatch(RoutineKind::Action, kConditionCount,
                                           routine_codes_detail::kActionNames) &&
                  std::size(routine_codes_detail::kActionNames) == kActionCount,
              "ActionCode names the catalogue's actions, code by code");
static_assert(catalogue_detail::NamesMatch(RoutineKind::Expression, kConditionCount + kActionCount,
                                           routine_codes_detail::kExpressionNames) &&
                  std::size(routine_codes_detail::kExpressionNames) == kExpressionCount,
              "ExpressionCode names the catalogue's expressions, code by code");

// The fixed-value routine whose object form `row` is: "CondObjectAtBack" is
// the twin of "CondAtBack", "SendBackOneByObject" of "SendBackOne". Null for a
// routine that is no object form (one that only takes an object, as "Store
// Fixed Value for %0", has no fixed-value twin).
constexpr const RoutineInfo* FixedValueTwin(const RoutineInfo& row) {
  constexpr std::string_view kConditionStem = "Cond", kConditionObject = "CondObject";
  constexpr std::string_view kActionSuffix = "ByObject";
  const std::string_view name = row.routineName;
  for (const RoutineInfo& other : kCatalogue) {
    if (other.kind != row.kind) continue;
    const std::string_view twin = other.routineName;
    if (row.kind == RoutineKind::Condition && name.starts_with(kConditionObject) &&
        twin.starts_with(kConditionStem) &&
        twin.substr(kConditionStem.size()) == name.substr(kConditionObject.size()))
      return &other;
    if (row.kind == RoutineKind::Action && name.ends_with(kActionSuffix) &&
        twin == name.substr(0, name.size() - kActionSuffix.size()))
      return &other;
  }
  return nullptr;
}

// What a sort action orders the whole list by, and which end the largest key
// goes to; SortKey::None for every other routine.
enum class SortKey : std::uint8_t { None, X, Y, AlterableValue };
struct SortOrder {
  SortKey key = SortKey::None;
  bool largestAtBack = false;
};

constexpr SortOrder SortOf(const RoutineInfo& row) {
  if (row.kind != RoutineKind::Action) return {};
  switch (static_cast<ActionCode>(row.code)) {
    case ActionCode::IncreasingXSort:
      return {SortKey::X, true};
    case ActionCode::IncreasingYSort:
      return {SortKey::Y, true};
    case ActionCode::DecreasingXSort:
      return {SortKey::X, false};
    case ActionCode::DecreasingYSort:
      return {SortKey::Y, false};
    case ActionCode::IncreasingSortByValue:
      return {SortKey::AlterableValue, true};
    case ActionCode::DecreasingSortByValue:
      return {SortKey::AlterableValue, false};
    default:
      return {};
  }
}

constexpr bool IsSort(const RoutineInfo& row) { return SortOf(row).key != SortKey::None; }

// The strings of the table that no catalogue row carries.
struct StringResource {
  std::uint16_t id;
  std::string_view text;
};

inline constexpr std::array<StringResource, 18> kFixedStrings = {{
    {1, "VD25"},
    {2, "Tier object"},
    {3, "Create a new Tier object"},
    {4, " %s : Tier object"},
    {128, "Tier object"},
    {129, "Tier object authors"},
    {130, "Copyright (C) 2026 Tier object authors"},
    {131, " "},
    {132, "https://tier.example.org/"},
    {4001, "Enter Fixed Value"},
    {4002, "How many levels?"},
    {4003, "Enter Level Number"},
    {4004, "Select Object A"},
    {4005, "Select Object B"},
    {4006, "Select Object C"},
    {4007, "Select an Object"},
    {4008, "Select an Alterable Value"},
    {4009,
     "Default Value to sort by for Objects with no Alterable Value ability (i.e. Counter, "
     "String)"},
}};

// How many display strings the rows carry; rows may share one.
constexpr std::size_t DistinctDisplayStrings() {
  std::size_t count = 0;
  for (auto row = kCatalogue.begin(); row != kCatalogue.end(); ++row)
    count += std::none_of(kCatalogue.begin(), row, [&](const RoutineInfo& earlier) {
      return earlier.displayStringId == row->displayStringId;
    });
  return count;
}

// Every string of the module's string table, once each, by rising id.
inline constexpr std::size_t kStringCount = kFixedStrings.size() + DistinctDisplayStrings();
std::array<StringResource, kStringCount> StringTable();

// The text of string `id`, or an empty view when the table has none.
std::string_view StringText(std::uint16_t id);

// "condition", "action" or "expression".
constexpr std::string_view KindWord(RoutineKind kind) {
  switch (kind) {
    case RoutineKind::Condition:
      return "condition";
    case RoutineKind::Action:
      return "action";
    case RoutineKind::Expression:
      return "expression";
  }
  return {};
}

// The catalogue row of a routine.
const RoutineInfo* FindRoutine(RoutineKind kind, std::uint16_t code);

}  // namespace tier::plugin
