// The three routine tables that the descriptor hands to the host: each routine
// at its code, each table ended by a null entry. Built from the catalogue.
#pragma once

#include <array>

#include "plugin/catalogue.h"

namespace tier::plugin {

namespace tables_detail {

template <RoutineKind Kind, std::size_t Count>
constexpr std::array<host::EventRoutine, Count + 1> EventTable() {
  std::array<host::EventRoutine, Count + 1> table{};
  for (const RoutineInfo& row : kCatalogue)
    if (row.kind == Kind) table[row.code] = row.event;
  return table;
}

constexpr std::array<host::ExpressionRoutine, kExpressionCount + 1> ExpressionTable() {
  std::array<host::ExpressionRoutine, kExpressionCount + 1> table{};
  for (const RoutineInfo& row : kCatalogue)
    if (row.kind == RoutineKind::Expression) table[row.code] = row.expression;
  return table;
}

}  // namespace tables_detail

inline constexpr auto kConditionTable =
    tables_detail::EventTable<RoutineKind::Condition, kConditionCount>();
inline constexpr auto kActionTable = tables_detail::EventTable<RoutineKind::Action, kActionCount>();
inline constexpr auto kExpressionTable = tables_detail::ExpressionTable();

}  // namespace tier::plugin
