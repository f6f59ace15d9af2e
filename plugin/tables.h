// The three routine tables that the descriptor hands to the host: each routine
// at its code, each table ended by a null entry. The bindings follow the
// catalogue row by row, and the build fails when a binding's routine is not
// the one its row names.
#pragma once

#include <array>

#include "conditions/conditions.h"
#include "expressions/expressions.h"
#include "order/order_actions.h"
#include "order/sort_actions.h"
#include "plugin/catalogue.h"
#include "plugin/routine_entry.h"

namespace tier::plugin {

struct RoutineBinding {
  std::string_view routineName;
  bool isExpression;
  host::EventRoutine event;            // conditions and actions
  host::ExpressionRoutine expression;  // expressions
};

namespace tables_detail {

template <EventImpl Impl>
constexpr RoutineBinding Event(std::string_view name) {
  return {name, false, &EventEntry<Impl>, nullptr};
}
template <ExpressionImpl Impl>
constexpr RoutineBinding Expr(std::string_view name) {
  return {name, true, nullptr, &ExpressionEntry<Impl>};
}

using namespace conditions;
using namespace expressions;
using namespace order;

// The routine's name is written once: the macro spells it for the check.
#define TIER_BIND(form, routine) form<routine>(#routine)
inline constexpr std::array<RoutineBinding, kCatalogue.size()> kBindings = {{
    TIER_BIND(Event, CondAtBack),
    TIER_BIND(Event, CondAtFront),
    TIER_BIND(Event, CondAbove),
    TIER_BIND(Event, CondBelow),
    TIER_BIND(Event, CondBetween),
    TIER_BIND(Event, CondObjectAtBack),
    TIER_BIND(Event, CondObjectAtFront),
    TIER_BIND(Event, CondObjectAbove),
    TIER_BIND(Event, CondObjectBelow),
    TIER_BIND(Event, CondObjectBetween),
    TIER_BIND(Event, SendBackOne),
    TIER_BIND(Event, BringForwardOne),
    TIER_BIND(Event, SwapPair),
    TIER_BIND(Event, StoreFixedValue),
    TIER_BIND(Event, BringToFront),
    TIER_BIND(Event, SendToBack),
    TIER_BIND(Event, SendBackN),
    TIER_BIND(Event, BringForwardN),
    TIER_BIND(Event, ReverseAll),
    TIER_BIND(Event, MoveAbove),
    TIER_BIND(Event, MoveBelow),
    TIER_BIND(Event, MoveToLevel),
    TIER_BIND(Event, IncreasingXSort),
    TIER_BIND(Event, IncreasingYSort),
    TIER_BIND(Event, DecreasingXSort),
    TIER_BIND(Event, DecreasingYSort),
    TIER_BIND(Event, SendBackOneByObject),
    TIER_BIND(Event, BringForwardOneByObject),
    TIER_BIND(Event, SwapPairByObject),
    TIER_BIND(Event, BringToFrontByObject),
    TIER_BIND(Event, SendToBackByObject),
    TIER_BIND(Event, SendBackNByObject),
    TIER_BIND(Event, BringForwardNByObject),
    TIER_BIND(Event, MoveAboveByObject),
    TIER_BIND(Event, MoveBelowByObject),
    TIER_BIND(Event, MoveToLevelByObject),
    TIER_BIND(Event, IncreasingSortByValue),
    TIER_BIND(Event, DecreasingSortByValue),
    TIER_BIND(Expr, GetFixedValueByName),
    TIER_BIND(Expr, GetTopFixedValue),
    TIER_BIND(Expr, GetBottomFixedValue),
    TIER_BIND(Expr, GetDescription),
    TIER_BIND(Expr, GetTenDescription),
    TIER_BIND(Expr, GetLevelCount),
    TIER_BIND(Expr, GetLevel),
    TIER_BIND(Expr, GetLevelFixedValue),
}};

#undef TIER_BIND

constexpr bool BindingsFollowTheCatalogue() {
  for (std::size_t i = 0; i < kCatalogue.size(); ++i)
    if (kBindings[i].routineName != kCatalogue[i].routineName ||
        kBindings[i].isExpression != (kCatalogue[i].kind == RoutineKind::Expression))
      return false;
  return true;
}
static_assert(BindingsFollowTheCatalogue(), "a binding's routine differs from its row's");

template <RoutineKind Kind, std::size_t Count>
constexpr std::array<host::EventRoutine, Count + 1> EventTable() {
  std::array<host::EventRoutine, Count + 1> table{};
  for (std::size_t i = 0; i < kCatalogue.size(); ++i)
    if (kCatalogue[i].kind == Kind) table[kCatalogue[i].code] = kBindings[i].event;
  return table;
}

constexpr std::array<host::ExpressionRoutine, kExpressionCount + 1> ExpressionTable() {
  std::array<host::ExpressionRoutine, kExpressionCount + 1> table{};
  for (std::size_t i = 0; i < kCatalogue.size(); ++i)
    if (kCatalogue[i].kind == RoutineKind::Expression)
      table[kCatalogue[i].code] = kBindings[i].expression;
  return table;
}

}  // namespace tables_detail

inline constexpr auto kConditionTable =
    tables_detail::EventTable<RoutineKind::Condition, kConditionCount>();
inline constexpr auto kActionTable = tables_detail::EventTable<RoutineKind::Action, kActionCount>();
inline constexpr auto kExpressionTable = tables_detail::ExpressionTable();

}  // namespace tier::plugin
