// The routine codes by name: each enumerator is the name of the routine that
// carries the logic, at the code the host calls it by (its place in its list).
// The catalogue (plugin/catalogue.h) takes each row's code and routine name
// from its enumerator, and plugin/tables.h binds each routine from these lists
// (TIER_CONDITIONS, TIER_ACTIONS, TIER_EXPRESSIONS stay defined for it), so a
// name is written here once. Code outside the plug-in uses these names, never
// bare numbers.
#pragma once

#include <cstdint>

namespace tier::plugin {

// clang-format off
#define TIER_CONDITIONS(X) \
  X(CondAtBack) \
  X(CondAtFront) \
  X(CondAbove) \
  X(CondBelow) \
  X(CondBetween) \
  X(CondObjectAtBack) \
  X(CondObjectAtFront) \
  X(CondObjectAbove) \
  X(CondObjectBelow) \
  X(CondObjectBetween)

#define TIER_ACTIONS(X) \
  X(SendBackOne) \
  X(BringForwardOne) \
  X(SwapPair) \
  X(StoreFixedValue) \
  X(BringToFront) \
  X(SendToBack) \
  X(SendBackN) \
  X(BringForwardN) \
  X(ReverseAll) \
  X(MoveAbove) \
  X(MoveBelow) \
  X(MoveToLevel) \
  X(IncreasingXSort) \
  X(IncreasingYSort) \
  X(DecreasingXSort) \
  X(DecreasingYSort) \
  X(SendBackOneByObject) \
  X(BringForwardOneByObject) \
  X(SwapPairByObject) \
  X(BringToFrontByObject) \
  X(SendToBackByObject) \
  X(SendBackNByObject) \
  X(BringForwardNByObject) \
  X(MoveAboveByObject) \
  X(MoveBelowByObject) \
  X(MoveToLevelByObject) \
  X(IncreasingSortByValue) \
  X(DecreasingSortByValue)

#define TIER_EXPRESSIONS(X) \
  X(GetFixedValueByName) \
  X(GetTopFixedValue) \
  X(GetBottomFixedValue) \
  X(GetDescription) \
  X(GetTenDescription) \
  X(GetLevelCount) \
  X(GetLevel) \
  X(GetLevelFixedValue)
// clang-format on

#define TIER_CODE_ENUMERATOR(name) name,
#define TIER_CODE_NAME(name) #name,

enum class ConditionCode : std::uint16_t { TIER_CONDITIONS(TIER_CODE_ENUMERATOR) };
enum class ActionCode : std::uint16_t { TIER_ACTIONS(TIER_CODE_ENUMERATOR) };
enum class ExpressionCode : std::uint16_t { TIER_EXPRESSIONS(TIER_CODE_ENUMERATOR) };

namespace routine_codes_detail {
// The enumerators spelt out, by code, for the catalogue's check.
inline constexpr const char* kConditionNames[] = {TIER_CONDITIONS(TIER_CODE_NAME)};
inline constexpr const char* kActionNames[] = {TIER_ACTIONS(TIER_CODE_NAME)};
inline constexpr const char* kExpressionNames[] = {TIER_EXPRESSIONS(TIER_CODE_NAME)};
}  // namespace routine_codes_detail

#undef TIER_CODE_NAME
#undef TIER_CODE_ENUMERATOR

constexpr std::uint16_t CodeOf(ConditionCode code) { return static_cast<std::uint16_t>(code); }
constexpr std::uint16_t CodeOf(ActionCode code) { return static_cast<std::uint16_t>(code); }
constexpr std::uint16_t CodeOf(ExpressionCode code) { return static_cast<std::uint16_t>(code); }

}  // namespace tier::plugin
