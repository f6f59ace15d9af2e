// The three routine tables that the descriptor hands to the host: each routine
// at its code, each table ended by a null entry. The bindings are made from the
// catalogue's rows, and the build fails when a binding's routine is not the
// one its row names.
#pragma once

#include <array>

#include "order/order_actions.h"
#include "plugin/catalogue.h"
#include "plugin/routine_entry.h"
#include "plugin/routines.h"

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

// An object form made from its fixed-value action hands its second word on,
// unless that word is an object too.
constexpr order::SecondWord SecondWordOf(ActionCode code) {
  return Row(code).parameters[1].kind == kParamObject ? order::SecondWord::kSecondObject
                                                      : order::SecondWord::kHandedOn;
}

// The bindings follow the catalogue's rows, so a routine's name is written
// there once and here not at all.
#define TIER_BIND_CONDITION(routine, ...) Event<&conditions::routine>(#routine),
#define TIER_BIND_ACTION(routine, ...) Event<&order::routine>(#routine),
#define TIER_BIND_ACTION_BY_OBJECT(routine, twin, ...) \
  Event<&order::ByObject<&order::twin, SecondWordOf(ActionCode::routine)>>(#routine),
#define TIER_BIND_EXPRESSION(routine, ...) Expr<&expressions::routine>(#routine),
inline constexpr std::array<RoutineBinding, kCatalogue.size()> kBindings = {{TIER_ROUTINE_ROWS(
    TIER_BIND_CONDITION, TIER_BIND_ACTION, TIER_BIND_ACTION_BY_OBJECT, TIER_BIND_EXPRESSION)}};
#undef TIER_BIND_EXPRESSION
#undef TIER_BIND_ACTION_BY_OBJECT
#undef TIER_BIND_ACTION
#undef TIER_BIND_CONDITION

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
