// The three routine tables that the descriptor hands to the host: each routine
// at its code, each table ended by a null entry. Each entry is bound to its
// catalogue row by the routine's name, and the build fails when a row has no
// routine or a routine no row.
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

inline constexpr std::array<RoutineBinding, kCatalogue.size()> kBindings = {{
    Event<CondAtBack>("CondAtBack"),
    Event<CondAtFront>("CondAtFront"),
    Event<CondAbove>("CondAbove"),
    Event<CondBelow>("CondBelow"),
    Event<CondBetween>("CondBetween"),
    Event<CondObjectAtBack>("CondObjectAtBack"),
    Event<CondObjectAtFront>("CondObjectAtFront"),
    Event<CondObjectAbove>("CondObjectAbove"),
    Event<CondObjectBelow>("CondObjectBelow"),
    Event<CondObjectBetween>("CondObjectBetween"),
    Event<SendBackOne>("SendBackOne"),
    Event<BringForwardOne>("BringForwardOne"),
    Event<SwapPair>("SwapPair"),
    Event<StoreFixedValue>("StoreFixedValue"),
    Event<BringToFront>("BringToFront"),
    Event<SendToBack>("SendToBack"),
    Event<SendBackN>("SendBackN"),
    Event<BringForwardN>("BringForwardN"),
    Event<ReverseAll>("ReverseAll"),
    Event<MoveAbove>("MoveAbove"),
    Event<MoveBelow>("MoveBelow"),
    Event<MoveToLevel>("MoveToLevel"),
    Event<IncreasingXSort>("IncreasingXSort"),
    Event<IncreasingYSort>("IncreasingYSort"),
    Event<DecreasingXSort>("DecreasingXSort"),
    Event<DecreasingYSort>("DecreasingYSort"),
    Event<SendBackOneByObject>("SendBackOneByObject"),
    Event<BringForwardOneByObject>("BringForwardOneByObject"),
    Event<SwapPairByObject>("SwapPairByObject"),
    Event<BringToFrontByObject>("BringToFrontByObject"),
    Event<SendToBackByObject>("SendToBackByObject"),
    Event<SendBackNByObject>("SendBackNByObject"),
    Event<BringForwardNByObject>("BringForwardNByObject"),
    Event<MoveAboveByObject>("MoveAboveByObject"),
    Event<MoveBelowByObject>("MoveBelowByObject"),
    Event<MoveToLevelByObject>("MoveToLevelByObject"),
    Event<IncreasingSortByValue>("IncreasingSortByValue"),
    Event<DecreasingSortByValue>("DecreasingSortByValue"),
    Expr<GetFixedValueByName>("GetFixedValueByName"),
    Expr<GetTopFixedValue>("GetTopFixedValue"),
    Expr<GetBottomFixedValue>("GetBottomFixedValue"),
    Expr<GetDescription>("GetDescription"),
    Expr<GetTenDescription>("GetTenDescription"),
    Expr<GetLevelCount>("GetLevelCount"),
    Expr<GetLevel>("GetLevel"),
    Expr<GetLevelFixedValue>("GetLevelFixedValue"),
}};

// The index of the row's binding, -1 for none. (An index, not a pointer: the
// sanitizers make any pointer's comparison with null no constant expression.)
constexpr int BindingIndexFor(const RoutineInfo& row) {
  for (int i = 0; i < static_cast<int>(kBindings.size()); ++i) {
    const RoutineBinding& binding = kBindings[i];
    if (binding.routineName == row.routineName &&
        binding.isExpression == (row.kind == RoutineKind::Expression))
      return i;
  }
  return -1;
}

constexpr const RoutineBinding& BindingFor(const RoutineInfo& row) {
  return kBindings[BindingIndexFor(row)];
}

constexpr bool EveryRowIsBoundOnce() {
  for (const RoutineInfo& row : kCatalogue) {
    if (BindingIndexFor(row) < 0) return false;
    int uses = 0;
    for (const RoutineInfo& other : kCatalogue) uses += other.routineName == row.routineName;
    if (uses != 1) return false;
  }
  return true;
}
static_assert(EveryRowIsBoundOnce(), "every catalogue row needs exactly one routine");

template <RoutineKind Kind, std::size_t Count>
constexpr std::array<host::EventRoutine, Count + 1> EventTable() {
  std::array<host::EventRoutine, Count + 1> table{};
  for (const RoutineInfo& row : kCatalogue)
    if (row.kind == Kind) table[row.code] = BindingFor(row).event;
  return table;
}

constexpr std::array<host::ExpressionRoutine, kExpressionCount + 1> ExpressionTable() {
  std::array<host::ExpressionRoutine, kExpressionCount + 1> table{};
  for (const RoutineInfo& row : kCatalogue)
    if (row.kind == RoutineKind::Expression) table[row.code] = BindingFor(row).expression;
  return table;
}

}  // namespace tables_detail

inline constexpr auto kConditionTable =
    tables_detail::EventTable<RoutineKind::Condition, kConditionCount>();
inline constexpr auto kActionTable = tables_detail::EventTable<RoutineKind::Action, kActionCount>();
inline constexpr auto kExpressionTable = tables_detail::ExpressionTable();

}  // namespace tier::plugin
