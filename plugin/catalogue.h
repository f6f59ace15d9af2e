// The routine catalogue: every condition, action and expression the host can
// call, one row each, with every fact about it: its name (the function that
// carries its logic, and the enumerator of its code), menu id, display string,
// flags, parameters and what each stands for, the slots it searches, its sort
// key, its fixed-value twin, and how the fuzzer and the benchmarks' workload
// choose its arguments. The codes, the routines' declarations and bindings
// (plugin/routines.h, plugin/tables.h), the string resources, the reference
// model's classification, the examples and the generated documents all follow
// from the rows (plugin/catalogue_rows.h), read here without the text for game
// authors, which plugin/routine_text.h reads. Plain data: a host-side program
// may include it without the routines.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "host/platform.h"

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

// The argument that the benchmarks' workload hands an expression over a frame
// of n objects (testkit/routine_calls.h): by default what its argument's role
// suggests, where a scan takes longest.
enum class WorkloadArgument : std::uint8_t {
  One,             // 1: no argument, or the first position (a description of the whole list)
  FarFixedValue,   // the fixed value of an object far up the slots
  MiddlePosition,  // position n / 2
  MissingName,     // a type that has no node in the list
};

// Every fact about one routine but the text for game authors.
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
  SortOrder sort{};  // a sort action's key; none for the rest
  // The fixed-value routine of the same kind whose object form this is:
  // "CondObjectAtBack" of "CondAtBack", "SendBackOneByObject" of "SendBackOne".
  std::uint16_t twinCode = kNoTwin;
  // How many shares of the fuzzer's picks the routine takes in the large
  // frames, where half the calls go to the routines richest in branches.
  std::uint8_t focusShares = 0;
  WorkloadArgument workloadArgument = WorkloadArgument::One;
};

// What game authors read about a routine: what it does in one line and in
// full. The last column of each row; only plugin/routine_text.h reads it.
struct RoutineText {
  std::string_view summary;
  std::string_view description;
};

// A row read with its text.
struct RoutineWithText {
  RoutineInfo info;
  RoutineText text;
};

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

// The rows, one a routine (plugin/catalogue_rows.h), as the build writes
// them without the text for game authors: TIER_ROUTINE_ROWS(CONDITION, ACTION,
// ACTION_BY_OBJECT, EXPRESSION).
#include "generated/catalogue_rows_without_text.h"

// The codes by name: each enumerator is the name of the routine, at the code
// the host calls it by. Code outside the plug-in uses these names, never bare
// numbers.
#define TIER_ROW_IGNORED(...)
#define TIER_ROW_ENUMERATOR(name, ...) name,
#define TIER_ROW_COUNTED(...) +1
enum class ConditionCode : std::uint16_t {
  TIER_ROUTINE_ROWS(TIER_ROW_ENUMERATOR, TIER_ROW_IGNORED, TIER_ROW_IGNORED, TIER_ROW_IGNORED)
};
enum class ActionCode : std::uint16_t {
  TIER_ROUTINE_ROWS(TIER_ROW_IGNORED, TIER_ROW_ENUMERATOR, TIER_ROW_ENUMERATOR, TIER_ROW_IGNORED)
};
enum class ExpressionCode : std::uint16_t {
  TIER_ROUTINE_ROWS(TIER_ROW_IGNORED, TIER_ROW_IGNORED, TIER_ROW_IGNORED, TIER_ROW_ENUMERATOR)
};
inline constexpr std::uint16_t kConditionCount =
    0 TIER_ROUTINE_ROWS(TIER_ROW_COUNTED, TIER_ROW_IGNORED, TIER_ROW_IGNORED, TIER_ROW_IGNORED);
inline constexpr std::uint16_t kActionCount =
    0 TIER_ROUTINE_ROWS(TIER_ROW_IGNORED, TIER_ROW_COUNTED, TIER_ROW_COUNTED, TIER_ROW_IGNORED);
inline constexpr std::uint16_t kExpressionCount =
    0 TIER_ROUTINE_ROWS(TIER_ROW_IGNORED, TIER_ROW_IGNORED, TIER_ROW_IGNORED, TIER_ROW_COUNTED);
inline constexpr std::size_t kRoutineCount = kConditionCount + kActionCount + kExpressionCount;
#undef TIER_ROW_COUNTED
#undef TIER_ROW_ENUMERATOR

constexpr std::uint16_t CodeOf(ConditionCode code) { return static_cast<std::uint16_t>(code); }
constexpr std::uint16_t CodeOf(ActionCode code) { return static_cast<std::uint16_t>(code); }
constexpr std::uint16_t CodeOf(ExpressionCode code) { return static_cast<std::uint16_t>(code); }

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

inline constexpr SlotBound kNoSlots = SlotBound::None;
inline constexpr SlotBound kToObjectCount = SlotBound::ObjectCount;
inline constexpr SlotBound kToObjectLimit = SlotBound::ObjectLimit;

// The further columns of a row, each set by its own word.
struct TwinOf {
  std::uint16_t code;
  template <typename Code>
  constexpr explicit TwinOf(Code twin) : code(static_cast<std::uint16_t>(twin)) {}
  constexpr void Apply(RoutineInfo& row) const { row.twinCode = code; }
};
struct Sorts {
  SortKey key;
  bool largestAtBack;
  constexpr Sorts(SortKey sortKey, bool largest) : key(sortKey), largestAtBack(largest) {}
  constexpr void Apply(RoutineInfo& row) const { row.sort = {key, largestAtBack}; }
};
struct GivesText {
  constexpr void Apply(RoutineInfo& row) const { row.flags = kTextResult; }
};
struct Focus {
  std::uint8_t shares;
  constexpr explicit Focus(int count) : shares(static_cast<std::uint8_t>(count)) {}
  constexpr void Apply(RoutineInfo& row) const { row.focusShares = shares; }
};
struct Workload {
  WorkloadArgument argument;
  constexpr explicit Workload(WorkloadArgument chosen) : argument(chosen) {}
  constexpr void Apply(RoutineInfo& row) const { row.workloadArgument = argument; }
};
// The text for game authors, the last column of a row: a row that has it is
// made a RoutineWithText.
struct Says {
  RoutineText text;
  constexpr Says(std::string_view summary, std::string_view description)
      : text{summary, description} {}
  constexpr void Apply(RoutineInfo&) const {}
};
constexpr void TakeText(RoutineText& text, const Says& says) { text = says.text; }
constexpr void TakeText(RoutineText&, const auto&) {}

constexpr std::uint8_t CountOf(const std::array<ParameterInfo, 3>& parameters) {
  std::uint8_t count = 0;
  while (count < parameters.size() && parameters[count].kind != 0) ++count;
  return count;
}

// What the workload passes an expression unless its row says otherwise.
constexpr WorkloadArgument WorkloadFor(ParamRole argument) {
  switch (argument) {
    case ParamRole::FixedValue:
      return WorkloadArgument::FarFixedValue;
    case ParamRole::Position:
      return WorkloadArgument::MiddlePosition;
    case ParamRole::Text:
      return WorkloadArgument::MissingName;
    default:
      return WorkloadArgument::One;
  }
}

// A row of any kind: menu id 26000, 25000 or 27000 + 10 x code; only
// conditions carry flags; an expression's display string id is 7000 + 10 x
// code. A RoutineInfo, or a RoutineWithText when a column Says its text.
template <typename... Columns>
constexpr auto MakeRow(RoutineKind kind, std::uint16_t code, std::string_view name,
                       std::uint16_t stringId, std::string_view text,
                       std::array<ParameterInfo, 3> parameters, SlotBound bound,
                       Columns... columns) {
  const std::uint16_t menuBase = kind == RoutineKind::Condition ? 26000
                                 : kind == RoutineKind::Action  ? 25000
                                                                : 27000;
  RoutineInfo row{kind,
                  code,
                  static_cast<std::uint16_t>(menuBase + 10 * code),
                  stringId,
                  text,
                  kind == RoutineKind::Condition ? kConditionFlags : std::uint16_t{0},
                  CountOf(parameters),
                  parameters,
                  name,
                  bound};
  if (kind == RoutineKind::Expression) row.workloadArgument = WorkloadFor(parameters[0].role);
  (columns.Apply(row), ...);
  if constexpr ((std::is_same_v<Columns, Says> || ...)) {
    static_assert((std::is_same_v<Columns, Says> + ...) == 1, "a row says its text once");
    RoutineWithText said{row, {}};
    (TakeText(said.text, columns), ...);
    return said;
  } else {
    return row;
  }
}

// An expression's row: its one argument, if any.
template <typename... Columns>
constexpr auto ExpressionRow(std::uint16_t code, std::string_view name, std::string_view text,
                             ParameterInfo argument, SlotBound bound, Columns... columns) {
  return MakeRow(RoutineKind::Expression, code, name, static_cast<std::uint16_t>(7000 + 10 * code),
                 text, {argument, {}, {}}, bound, columns...);
}

using enum ConditionCode;
using enum ActionCode;
using enum ExpressionCode;

// The elements of an array of rows made from TIER_ROUTINE_ROWS, or from the
// rows with their text (plugin/routine_text.h).
#define TIER_MAKE_ROWS(ROWS) \
  ROWS(TIER_ROW_CONDITION, TIER_ROW_ACTION, TIER_ROW_ACTION_BY_OBJECT, TIER_ROW_EXPRESSION)
#define TIER_ROW_CONDITION(name, ...) \
  MakeRow(RoutineKind::Condition, CodeOf(ConditionCode::name), #name, __VA_ARGS__),
#define TIER_ROW_ACTION(name, ...) \
  MakeRow(RoutineKind::Action, CodeOf(ActionCode::name), #name, __VA_ARGS__),
#define TIER_ROW_ACTION_BY_OBJECT(name, twin, ...) \
  MakeRow(RoutineKind::Action, CodeOf(ActionCode::name), #name, __VA_ARGS__, TwinOf(twin)),
#define TIER_ROW_EXPRESSION(name, ...) \
  ExpressionRow(CodeOf(ExpressionCode::name), #name, __VA_ARGS__),
inline constexpr std::array<RoutineInfo, kRoutineCount> kRows = {
    {TIER_MAKE_ROWS(TIER_ROUTINE_ROWS)}};

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
// The rows lie kind by kind, so that a row is found by its kind and code; a
// twin is a routine of the row's kind.
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
static_assert(RowsInOrder(),
              "the rows lie kind by kind: conditions, then actions, then expressions");
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

namespace catalogue_detail {
// An object form takes an object wherever its twin, a fixed-value routine,
// takes a fixed value, and the same as its twin elsewhere.
// By index, not through FixedValueTwin: GCC under the sanitizers cannot
// compare a pointer into the catalogue with null in a constant expression.
constexpr bool TwinsMatch() {
  for (const RoutineInfo& row : kCatalogue) {
    if (row.twinCode == kNoTwin) continue;
    const std::size_t first = row.kind == RoutineKind::Condition ? 0
                              : row.kind == RoutineKind::Action  ? kConditionCount
                                                                 : kConditionCount + kActionCount;
    const RoutineInfo* twin = &kCatalogue[first + row.twinCode];
    if (twin->twinCode != kNoTwin || twin->parameterCount != row.parameterCount) return false;
    for (int i = 0; i < row.parameterCount; ++i) {
      const ParamRole want = twin->parameters[i].role == ParamRole::FixedValue
                                 ? ParamRole::Object
                                 : twin->parameters[i].role;
      if (row.parameters[i].role != want) return false;
    }
  }
  return true;
}
static_assert(TwinsMatch(), "an object form's parameters do not match its twin's");
}  // namespace catalogue_detail

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
