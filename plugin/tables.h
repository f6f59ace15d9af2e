// The three routine tables that the descriptor hands to the host: each routine
// at its code, each table ended by a null entry. The bindings are made from the
// lists of routine names, and the build fails when a binding's routine is not
// the one its catalogue row names.
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

// The bindings follow the lists of plugin/routine_codes.h, so a routine's name
// is written there once and here not at all.
#define TIER_BIND_EVENT(routine) Event<routine>(#routine),
#define TIER_BIND_EXPRESSION(routine) Expr<routine>(#routine),
// clang-format off
inline constexpr std::array<RoutineBinding, kCatalogue.size()> kBindings = {{
    TIER_CONDITIONS(TIER_BIND_EVENT)
    TIER_ACTIONS(TIER_BIND_EVENT)
    TIER_EXPRESSIONS(TIER_BIND_EXPRESSION)
}};
// clang-format on
#undef TIER_BIND_EXPRESSION
#undef TIER_BIND_EVENT

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
