// The routine catalogue: every condition, action and expression the host can
// call, with its code, menu id, display string, flags and parameters. The
// routine tables (bound by routine name in tables.h), the string resources and
// the generated reference are all derived from or checked against this one
// table. Plain data: a host-side program may include it without the routines.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "host/platform.h"


namespace tier::plugin {

enum class RoutineKind : std::uint8_t { Condition, Action, Expression };

// Parameter kinds as the host knows them.
inline constexpr std::uint16_t kParamNumber = 22;       // fixed value, count, level, default
inline constexpr std::uint16_t kParamObject = 1;        // an object of the frame
inline constexpr std::uint16_t kParamAltValue = 50;     // an alterable value
inline constexpr std::uint16_t kArgumentInteger = 1;    // expression argument
inline constexpr std::uint16_t kArgumentText = 3;       // expression argument

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
};

inline constexpr std::uint16_t kConditionCount = 10;
inline constexpr std::uint16_t kActionCount = 28;
inline constexpr std::uint16_t kExpressionCount = 8;
inline constexpr std::uint16_t kConditionFlags = 0x220;

namespace catalogue_detail {

constexpr ParameterInfo N(std::uint16_t title) { return {kParamNumber, title}; }
constexpr ParameterInfo O(std::uint16_t title) { return {kParamObject, title}; }

constexpr RoutineInfo Condition(std::uint16_t code, std::uint16_t stringId, std::string_view text,
                                std::string_view name, std::uint8_t count,
                                std::array<ParameterInfo, 3> parameters) {
  return {RoutineKind::Condition, code, static_cast<std::uint16_t>(26000 + 10 * code), stringId,
          text, kConditionFlags, count, parameters, name};
}

constexpr RoutineInfo Action(std::uint16_t code, std::uint16_t stringId, std::string_view text,
                             std::string_view name, std::uint8_t count,
                             std::array<ParameterInfo, 3> parameters) {
  return {RoutineKind::Action, code, static_cast<std::uint16_t>(25000 + 10 * code), stringId,
          text, 0, count, parameters, name};
}

constexpr RoutineInfo Expression(std::uint16_t code, std::string_view text, std::string_view name,
                                 std::uint8_t count, std::uint16_t argumentKind) {
  // The two text expressions (codes 3 and 4) carry flag 1.
  return {RoutineKind::Expression, code, static_cast<std::uint16_t>(27000 + 10 * code),
          static_cast<std::uint16_t>(7000 + 10 * code), text,
          static_cast<std::uint16_t>(code == 3 || code == 4 ? 1 : 0), count,
          {ParameterInfo{argumentKind, 0}, {}, {}}, name};
}

inline constexpr std::array<RoutineInfo, kConditionCount + kActionCount + kExpressionCount>
    kRows = {{
        // Conditions: menu id 26000 + 10 x code, flags 0x220.
        Condition(0, 6000, "%0 At Back?", "CondAtBack", 1, {N(kTitleFixedValue)}),
        Condition(1, 6010, "%0 At Front?", "CondAtFront", 1, {N(kTitleFixedValue)}),
        Condition(2, 6020, "%0 Above %1?", "CondAbove", 2,
                             {N(kTitleFixedValue), N(kTitleFixedValue)}),
        Condition(3, 6030, "%0 Below %1?", "CondBelow", 2,
                             {N(kTitleFixedValue), N(kTitleFixedValue)}),
        Condition(4, 6040, "%0 Between %1 and %2?", "CondBetween", 3,
                               {N(kTitleFixedValue), N(kTitleFixedValue), N(kTitleFixedValue)}),
        Condition(5, 6000, "%0 At Back?", "CondObjectAtBack", 1,
                                    {O(kTitleAnObject)}),
        Condition(6, 6010, "%0 At Front?", "CondObjectAtFront", 1,
                                     {O(kTitleAnObject)}),
        Condition(7, 6020, "%0 Above %1?", "CondObjectAbove", 2,
                                   {O(kTitleObjectA), O(kTitleObjectB)}),
        Condition(8, 6030, "%0 Below %1?", "CondObjectBelow", 2,
                                   {O(kTitleObjectA), O(kTitleObjectB)}),
        Condition(9, 6040, "%0 Between %1 and %2?", "CondObjectBetween", 3,
                                     {O(kTitleObjectA), O(kTitleObjectB), O(kTitleObjectC)}),

        // Actions: menu id 25000 + 10 x code, flags 0.
        Action(0, 5000, "Send %0 Back One", "SendBackOne", 1, {N(kTitleFixedValue)}),
        Action(1, 5010, "Bring %0 Forward One", "BringForwardOne", 1,
                                {N(kTitleFixedValue)}),
        Action(2, 5020, "Swap %0 and %1", "SwapPair", 2,
                         {N(kTitleFixedValue), N(kTitleFixedValue)}),
        Action(3, 5030, "Store Fixed Value for %0", "StoreFixedValue", 1,
                                {O(kTitleObjectA)}),
        Action(4, 5040, "Bring %0 to Front", "BringToFront", 1,
                             {N(kTitleFixedValue)}),
        Action(5, 5050, "Send %0 to Back", "SendToBack", 1, {N(kTitleFixedValue)}),
        Action(6, 5060, "Send %0 Back %1", "SendBackN", 2,
                          {N(kTitleFixedValue), N(kTitleHowMany)}),
        Action(7, 5070, "Bring %0 Forward %1", "BringForwardN", 2,
                              {N(kTitleFixedValue), N(kTitleHowMany)}),
        Action(8, 5080, "Reverse all", "ReverseAll", 0, {}),
        Action(9, 5090, "Move %0 Above %1", "MoveAbove", 2,
                          {N(kTitleFixedValue), N(kTitleFixedValue)}),
        Action(10, 5100, "Move %0 Below %1", "MoveBelow", 2,
                          {N(kTitleFixedValue), N(kTitleFixedValue)}),
        Action(11, 5110, "Move %0 to Level %1", "MoveToLevel", 2,
                            {N(kTitleFixedValue), N(kTitleLevel)}),
        Action(12, 5120, "Increasing X Sort", "IncreasingXSort", 0, {}),
        Action(13, 5130, "Increasing Y Sort", "IncreasingYSort", 0, {}),
        Action(14, 5140, "Decreasing X Sort", "DecreasingXSort", 0, {}),
        Action(15, 5150, "Decreasing Y Sort", "DecreasingYSort", 0, {}),
        Action(16, 5000, "Send %0 Back One", "SendBackOneByObject", 1,
                                    {O(kTitleAnObject)}),
        Action(17, 5010, "Bring %0 Forward One",
                                        "BringForwardOneByObject", 1, {O(kTitleAnObject)}),
        Action(18, 5020, "Swap %0 and %1", "SwapPairByObject", 2,
                                 {O(kTitleObjectA), O(kTitleObjectB)}),
        Action(19, 5040, "Bring %0 to Front", "BringToFrontByObject", 1,
                                     {O(kTitleAnObject)}),
        Action(20, 5050, "Send %0 to Back", "SendToBackByObject", 1,
                                   {O(kTitleAnObject)}),
        Action(21, 5060, "Send %0 Back %1", "SendBackNByObject", 2,
                                  {O(kTitleObjectA), N(kTitleHowMany)}),
        Action(22, 5070, "Bring %0 Forward %1", "BringForwardNByObject", 2,
                                      {O(kTitleObjectA), N(kTitleHowMany)}),
        Action(23, 5090, "Move %0 Above %1", "MoveAboveByObject", 2,
                                  {O(kTitleObjectA), O(kTitleObjectB)}),
        Action(24, 5100, "Move %0 Below %1", "MoveBelowByObject", 2,
                                  {O(kTitleObjectA), O(kTitleObjectB)}),
        Action(25, 5110, "Move %0 to Level %1", "MoveToLevelByObject", 2,
                                    {O(kTitleObjectA), N(kTitleLevel)}),
        Action(26, 5260, "Increasing Sort by %0 : non-alts default to %1",
                                      "IncreasingSortByValue", 2,
                                      {ParameterInfo{kParamAltValue, kTitleAltValue},
                                       N(kTitleDefault)}),
        Action(27, 5270, "Decreasing Sort by %0 : non-alts default to %1",
                                      "DecreasingSortByValue", 2,
                                      {ParameterInfo{kParamAltValue, kTitleAltValue},
                                       N(kTitleDefault)}),

        // Expressions: menu id 27000 + 10 x code, display string 7000 + 10 x code.
        Expression(0, "tirGetFV(", "GetFixedValueByName", 1, kArgumentText),
        Expression(1, "tirGetTopFV(", "GetTopFixedValue", 0, 0),
        Expression(2, "tirGetBottomFV(", "GetBottomFixedValue", 0, 0),
        Expression(3, "tirGetDesc$(", "GetDescription", 1, kArgumentInteger),
        Expression(4, "tirGetTenDesc$(", "GetTenDescription", 1,
                                      kArgumentInteger),
        Expression(5, "tirGetNumLvls(", "GetLevelCount", 0, 0),
        Expression(6, "tirGetLevel(", "GetLevel", 1, kArgumentInteger),
        Expression(7, "tirGetLevelFV(", "GetLevelFixedValue", 1,
                                       kArgumentInteger),
    }};

}  // namespace catalogue_detail

// Conditions 0-9, actions 0-27, expressions 0-7, in that order.
inline constexpr const auto& kCatalogue = catalogue_detail::kRows;

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

// Every string of the module's string table, once each, by rising id.
inline constexpr std::size_t kStringCount = kFixedStrings.size() + 5 + 18 + 8;
std::array<StringResource, kStringCount> StringTable();

// The text of string `id`, or an empty view when the table has none.
std::string_view StringText(std::uint16_t id);

// The catalogue row of a routine.
const RoutineInfo* FindRoutine(RoutineKind kind, std::uint16_t code);

}  // namespace tier::plugin
