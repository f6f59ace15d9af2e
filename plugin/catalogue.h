// The routine catalogue: every condition, action and expression the host can
// call, one row each, with every fact about it: its code and routine name (from
// plugin/routine_codes.h), menu id, display string, flags, parameters and what
// each stands for, the slots it searches, its sort key, its fixed-value twin.
// The routine tables, the string resources, the reference model's
// classification, the fuzzer's and the examples' arguments and the generated
// documents all follow from it; the text for game authors lies apart, in
// plugin/routine_text.h. Plain data: a host-side program may include it
// without the routines.
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

// What a parameter stands for, beyond the kind the host knows: what the
// fuzzer, the workload and the examples choose for it.
enum class ParamRole : std::uint8_t {
  None,
  FixedValue,  // names an object by its fixed value; 0 stands for the stored one
  Count,       // a number of places
  Level,       // a place in the order, 1 at the back
  Position,    // an expression's place in the order, 1 at the back
  Default,     // a sort key for objects without alterable values
  Object,      // an object of the frame, given by the host
  AltValue,    // the index of an alterable value
  Text,        // an expression's text argument
};

struct ParameterInfo {
  std::uint16_t kind = 0;
  std::uint16_t titleId = 0;
  ParamRole role = ParamRole::None;
};

// Which bound of the run header limits the object slots that a routine
// searches for a fixed value or a name; an object in a slot beyond it is not
// found. Both: "tirGetFV(" scans names up to objectCount, then looks the
// match's node up as the actions do, up to objectLimit.
enum class SlotBound : std::uint8_t { None, ObjectCount, ObjectLimit, Both };

// What a sort action orders the whole list by, and which end the largest key
// goes to; SortKey::None for every other routine.
enum class SortKey : std::uint8_t { None, X, Y, AlterableValue };
struct SortOrder {
  SortKey key = SortKey::None;
  bool largestAtBack = false;
};

// No fixed-value twin.
inline constexpr std::uint16_t kNoTwin = 0xFFFF;
// Expression flag: the result is text on the C runtime heap, for the host to release.
inline constexpr std::uint16_t kTextResult = 1;

// Every fact about one routine but the text for game authors, which lies in
// plugin/routine_text.h where only the generators and the reference read it.
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
  SlotBound slotBound;
  SortOrder sort;  // a sort action's key; none for the rest
  // The fixed-value routine of the same kind whose object form this is:
  // "CondObjectAtBack" of "CondAtBack", "SendBackOneByObject" of "SendBackOne".
  std::uint16_t twinCode = kNoTwin;

  constexpr RoutineInfo Sorts(SortKey key, bool largestAtBack) const {
    RoutineInfo row = *this;
    row.sort = {key, largestAtBack};
    return row;
  }
  template <typename Code>
  constexpr RoutineInfo TwinOf(Code twin) const {
    RoutineInfo row = *this;
    row.twinCode = static_cast<std::uint16_t>(twin);
    return row;
  }
  constexpr RoutineInfo GivesText() const {
    RoutineInfo row = *this;
    row.flags = kTextResult;
    return row;
  }
};

inline constexpr std::uint16_t kConditionCount = std::size(routine_codes_detail::kConditionNames);
inline constexpr std::uint16_t kActionCount = std::size(routine_codes_detail::kActionNames);
inline constexpr std::uint16_t kExpressionCount = std::size(routine_codes_detail::kExpressionNames);
inline constexpr std::size_t kRoutineCount = kConditionCount + kActionCount + kExpressionCount;
// What the flags of the conditions mean is the host's to know; 0x220 is what
// the host expects of them.
inline constexpr std::uint16_t kConditionFlags = 0x220;

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

// A number parameter's role follows from its title.
constexpr ParameterInfo N(std::uint16_t title) {
  const ParamRole role = title == kTitleHowMany   ? ParamRole::Count
                         : title == kTitleLevel   ? ParamRole::Level
                         : title == kTitleDefault ? ParamRole::Default
                                                  : ParamRole::FixedValue;
  return {kParamNumber, title, role};
}
constexpr ParameterInfo O(std::uint16_t title) { return {kParamObject, title, ParamRole::Object}; }
constexpr ParameterInfo A(std::uint16_t title) {
  return {kParamAltValue, title, ParamRole::AltValue};
}

inline constexpr ParameterInfo kNoArgument{};
inline constexpr ParameterInfo kTextArgument{kArgumentText, 0, ParamRole::Text};
inline constexpr ParameterInfo kPositionArgument{kArgumentInteger, 0, ParamRole::Position};
inline constexpr ParameterInfo kFixedValueArgument{kArgumentInteger, 0, ParamRole::FixedValue};

constexpr std::uint8_t CountOf(const std::array<ParameterInfo, 3>& parameters) {
  std::uint8_t count = 0;
  while (count < parameters.size() && parameters[count].kind != 0) ++count;
  return count;
}

// A condition's or an action's row: menu id 26000 or 25000 + 10 x code; only
// conditions carry flags. The enumerator gives the code and the routine's name.
constexpr RoutineInfo Condition(ConditionCode code, std::uint16_t stringId, std::string_view text,
                                std::array<ParameterInfo, 3> parameters, SlotBound bound) {
  return {RoutineKind::Condition,
          CodeOf(code),
          static_cast<std::uint16_t>(26000 + 10 * CodeOf(code)),
          stringId,
          text,
          kConditionFlags,
          CountOf(parameters),
          parameters,
          routine_codes_detail::kConditionNames[CodeOf(code)],
          bound};
}
constexpr RoutineInfo Action(ActionCode code, std::uint16_t stringId, std::string_view text,
                             std::array<ParameterInfo, 3> parameters, SlotBound bound) {
  return {RoutineKind::Action,
          CodeOf(code),
          static_cast<std::uint16_t>(25000 + 10 * CodeOf(code)),
          stringId,
          text,
          0,
          CountOf(parameters),
          parameters,
          routine_codes_detail::kActionNames[CodeOf(code)],
          bound};
}
// An expression's row: menu id 27000 and string id 7000 + 10 x code.
constexpr RoutineInfo Expression(ExpressionCode code, std::string_view text, ParameterInfo argument,
                                 SlotBound bound) {
  return {RoutineKind::Expression,
          CodeOf(code),
          static_cast<std::uint16_t>(27000 + 10 * CodeOf(code)),
          static_cast<std::uint16_t>(7000 + 10 * CodeOf(code)),
          text,
          0,
          CountOf({argument}),
          {argument, {}, {}},
          routine_codes_detail::kExpressionNames[CodeOf(code)],
          bound};
}

inline constexpr SlotBound kNoSlots = SlotBound::None;
inline constexpr SlotBound kToObjectCount = SlotBound::ObjectCount;
inline constexpr SlotBound kToObjectLimit = SlotBound::ObjectLimit;

using enum ConditionCode;
using enum ActionCode;
using enum ExpressionCode;

// One row a routine, conditions, actions and expressions each in the order of
// their codes. To add a routine: its name in plugin/routine_codes.h, its row
// here, its text in plugin/routine_text.h.
inline constexpr std::array<RoutineInfo, kRoutineCount> kRows = {{
    Condition(CondAtBack, 6000, "%0 At Back?", {N(kTitleFixedValue)}, kNoSlots),
    Condition(CondAtFront, 6010, "%0 At Front?", {N(kTitleFixedValue)}, kNoSlots),
    Condition(CondAbove, 6020, "%0 Above %1?", {N(kTitleFixedValue), N(kTitleFixedValue)},
              kToObjectCount),
    Condition(CondBelow, 6030, "%0 Below %1?", {N(kTitleFixedValue), N(kTitleFixedValue)},
              kToObjectCount),
    Condition(CondBetween, 6040, "%0 Between %1 and %2?",
              {N(kTitleFixedValue), N(kTitleFixedValue), N(kTitleFixedValue)}, kToObjectCount),
    Condition(CondObjectAtBack, 6000, "%0 At Back?", {O(kTitleAnObject)}, kNoSlots)
        .TwinOf(CondAtBack),
    Condition(CondObjectAtFront, 6010, "%0 At Front?", {O(kTitleAnObject)}, kNoSlots)
        .TwinOf(CondAtFront),
    Condition(CondObjectAbove, 6020, "%0 Above %1?", {O(kTitleObjectA), O(kTitleObjectB)},
              kToObjectCount)
        .TwinOf(CondAbove),
    Condition(CondObjectBelow, 6030, "%0 Below %1?", {O(kTitleObjectA), O(kTitleObjectB)},
              kToObjectCount)
        .TwinOf(CondBelow),
    Condition(CondObjectBetween, 6040, "%0 Between %1 and %2?",
              {O(kTitleObjectA), O(kTitleObjectB), O(kTitleObjectC)}, kToObjectCount)
        .TwinOf(CondBetween),
    Action(SendBackOne, 5000, "Send %0 Back One", {N(kTitleFixedValue)}, kToObjectLimit),
    Action(BringForwardOne, 5010, "Bring %0 Forward One", {N(kTitleFixedValue)}, kToObjectLimit),
    Action(SwapPair, 5020, "Swap %0 and %1", {N(kTitleFixedValue), N(kTitleFixedValue)},
           kToObjectLimit),
    Action(StoreFixedValue, 5030, "Store Fixed Value for %0", {O(kTitleObjectA)}, kNoSlots),
    Action(BringToFront, 5040, "Bring %0 to Front", {N(kTitleFixedValue)}, kToObjectLimit),
    Action(SendToBack, 5050, "Send %0 to Back", {N(kTitleFixedValue)}, kToObjectLimit),
    Action(SendBackN, 5060, "Send %0 Back %1", {N(kTitleFixedValue), N(kTitleHowMany)},
           kToObjectLimit),
    Action(BringForwardN, 5070, "Bring %0 Forward %1", {N(kTitleFixedValue), N(kTitleHowMany)},
           kToObjectLimit),
    Action(ReverseAll, 5080, "Reverse all", {}, kNoSlots),
    Action(MoveAbove, 5090, "Move %0 Above %1", {N(kTitleFixedValue), N(kTitleFixedValue)},
           kToObjectLimit),
    Action(MoveBelow, 5100, "Move %0 Below %1", {N(kTitleFixedValue), N(kTitleFixedValue)},
           kToObjectLimit),
    Action(MoveToLevel, 5110, "Move %0 to Level %1", {N(kTitleFixedValue), N(kTitleLevel)},
           kToObjectLimit),
    Action(IncreasingXSort, 5120, "Increasing X Sort", {}, kNoSlots).Sorts(SortKey::X, true),
    Action(IncreasingYSort, 5130, "Increasing Y Sort", {}, kNoSlots).Sorts(SortKey::Y, true),
    Action(DecreasingXSort, 5140, "Decreasing X Sort", {}, kNoSlots).Sorts(SortKey::X, false),
    Action(DecreasingYSort, 5150, "Decreasing Y Sort", {}, kNoSlots).Sorts(SortKey::Y, false),
    Action(SendBackOneByObject, 5000, "Send %0 Back One", {O(kTitleAnObject)}, kToObjectLimit)
        .TwinOf(SendBackOne),
    Action(BringForwardOneByObject, 5010, "Bring %0 Forward One", {O(kTitleAnObject)},
           kToObjectLimit)
        .TwinOf(BringForwardOne),
    Action(SwapPairByObject, 5020, "Swap %0 and %1", {O(kTitleObjectA), O(kTitleObjectB)},
           kToObjectLimit)
        .TwinOf(SwapPair),
    Action(BringToFrontByObject, 5040, "Bring %0 to Front", {O(kTitleAnObject)}, kToObjectLimit)
        .TwinOf(BringToFront),
    Action(SendToBackByObject, 5050, "Send %0 to Back", {O(kTitleAnObject)}, kToObjectLimit)
        .TwinOf(SendToBack),
    Action(SendBackNByObject, 5060, "Send %0 Back %1", {O(kTitleObjectA), N(kTitleHowMany)},
           kToObjectLimit)
        .TwinOf(SendBackN),
    Action(BringForwardNByObject, 5070, "Bring %0 Forward %1", {O(kTitleObjectA), N(kTitleHowMany)},
           kToObjectLimit)
        .TwinOf(BringForwardN),
    Action(MoveAboveByObject, 5090, "Move %0 Above %1", {O(kTitleObjectA), O(kTitleObjectB)},
           kToObjectLimit)
        .TwinOf(MoveAbove),
    Action(MoveBelowByObject, 5100, "Move %0 Below %1", {O(kTitleObjectA), O(kTitleObjectB)},
           kToObjectLimit)
        .TwinOf(MoveBelow),
    Action(MoveToLevelByObject, 5110, "Move %0 to Level %1", {O(kTitleObjectA), N(kTitleLevel)},
           kToObjectLimit)
        .TwinOf(MoveToLevel),
    Action(IncreasingSortByValue, 5260, "Increasing Sort by %0 : non-alts default to %1",
           {A(kTitleAltValue), N(kTitleDefault)}, kNoSlots)
        .Sorts(SortKey::AlterableValue, true),
    Action(DecreasingSortByValue, 5270, "Decreasing Sort by %0 : non-alts default to %1",
           {A(kTitleAltValue), N(kTitleDefault)}, kNoSlots)
        .Sorts(SortKey::AlterableValue, false),
    Expression(GetFixedValueByName, "tirGetFV(", kTextArgument, SlotBound::Both),
    Expression(GetTopFixedValue, "tirGetTopFV(", kNoArgument, kNoSlots),
    Expression(GetBottomFixedValue, "tirGetBottomFV(", kNoArgument, kNoSlots),
    Expression(GetDescription, "tirGetDesc$(", kPositionArgument, kNoSlots).GivesText(),
    Expression(GetTenDescription, "tirGetTenDesc$(", kPositionArgument, kNoSlots).GivesText(),
    Expression(GetLevelCount, "tirGetNumLvls(", kNoArgument, kNoSlots),
    Expression(GetLevel, "tirGetLevel(", kFixedValueArgument, kNoSlots),
    Expression(GetLevelFixedValue, "tirGetLevelFV(", kPositionArgument, kNoSlots),
}};

}  // namespace catalogue_detail

// The conditions, the actions and the expressions, each by rising code.
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
// The rows lie kind by kind, each kind in the order of its codes, so that a
// row is found by its code; a twin is a routine of the row's kind.
constexpr bool RowsInOrder() {
  for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
    const RoutineInfo& row = kCatalogue[i];
    const std::size_t first = row.kind == RoutineKind::Condition ? 0
                              : row.kind == RoutineKind::Action  ? kConditionCount
                                                                 : kConditionCount + kActionCount;
    if (first + row.code != i) return false;
    const std::size_t count = row.kind == RoutineKind::Condition ? kConditionCount
                              : row.kind == RoutineKind::Action  ? kActionCount
                                                                 : kExpressionCount;
    if (row.twinCode != kNoTwin && row.twinCode >= count) return false;
  }
  return true;
}
static_assert(RowsInOrder(), "a row lies out of the order of the codes in plugin/routine_codes.h");
}  // namespace catalogue_detail

// The row of a routine by its kind and code; null for a code the kind lacks.
constexpr const RoutineInfo* RowOf(RoutineKind kind, int code) {
  const int first = kind == RoutineKind::Condition ? 0
                    : kind == RoutineKind::Action  ? kConditionCount
                                                   : kConditionCount + kActionCount;
  const int count = kind == RoutineKind::Condition ? kConditionCount
                    : kind == RoutineKind::Action  ? kActionCount
                                                   : kExpressionCount;
  return code >= 0 && code < count ? &kCatalogue[static_cast<std::size_t>(first + code)] : nullptr;
}

// A row's place in the catalogue.
constexpr std::size_t IndexOf(const RoutineInfo& row) {
  return static_cast<std::size_t>(&row - kCatalogue.data());
}

// The fixed-value routine whose object form `row` is. Null for a routine that
// is no object form (one that only takes an object, as "Store Fixed Value for
// %0", has no fixed-value twin).
constexpr const RoutineInfo* FixedValueTwin(const RoutineInfo& row) {
  return row.twinCode == kNoTwin ? nullptr : RowOf(row.kind, row.twinCode);
}

constexpr SortOrder SortOf(const RoutineInfo& row) { return row.sort; }

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
