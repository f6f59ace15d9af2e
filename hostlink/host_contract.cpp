#include "hostlink/host_contract.h"

namespace tier::hostlink {

using host::DisplayNode;
using host::FixedValueOf;
using host::HostAddress;
using host::HostObject;
using host::kExpressionInteger;
using host::kExpressionText;
using host::RunData;

using plugin::RoutineInfo;
using plugin::RoutineKind;

std::string ContractCheck::Describe() const {
  std::string text;
  if (actionReturned) text += "the action answered " + std::to_string(*actionReturned) + "\n";
  if (queryReordered) text += "a condition or expression changed the display table\n";
  if (queryRedrew) text += "a condition or expression asked for redraws\n";
  for (const auto* list : {&refreshBreaches, &serviceBreaches, &fieldBreaches})
    for (const std::string& breach : *list) text += breach + "\n";
  if (!records.empty()) text += "the records: " + records + "\n";
  return text;
}

std::vector<TableRow> DisplayTable(const sim::SimHost& sim) {
  std::vector<TableRow> rows;
  const std::vector<int> order = sim.Order();
  const std::vector<std::uint16_t> levels = sim.Levels();
  for (std::size_t i = 0; i < order.size(); ++i) {
    TableRow row{.slot = order[i], .level = levels[i]};
    const DisplayNode* node = sim.Node(row.slot);
    const HostObject* owner = sim.Object(row.slot);
    if (node != nullptr && owner != nullptr) {
      row.owned = true;
      row.flags = node->flags;
      row.displayLevel = sim.DisplayLevel(row.slot);
      row.fixedValue = FixedValueOf(*owner);
      row.x = owner->x;
      row.y = owner->y;
      row.type = owner->typeEntry.address();
    }
    rows.push_back(row);
  }
  return rows;
}

LogMarks MarkLogs(const sim::SimHost& sim) {
  return {sim.Refreshes().size(), sim.NextParameterCalls().size(),
          sim.ExpressionParameterCalls().size()};
}

ContractCheck CheckRecords(const sim::SimHost& sim) {
  ContractCheck check;
  check.records = sim.CheckInvariants();
  return check;
}

ContractCheck CheckCall(const sim::SimHost& sim, const LogMarks& since, const RoutineInfo& routine,
                        std::int32_t result, bool tableChanged, std::int32_t expressionToken,
                        const std::vector<sim::AccessBreach>& writes, const std::string& records) {
  const auto after = [](const auto& log, std::size_t mark) {
    return std::vector(log.begin() + static_cast<std::ptrdiff_t>(mark), log.end());
  };
  const std::vector<sim::RefreshCall> refreshes = after(sim.Refreshes(), since.refreshes);
  ContractCheck check;
  check.records = records;
  for (const sim::AccessBreach& write : writes) check.fieldBreaches.push_back(write.Message());
  const bool action = routine.kind == RoutineKind::Action;
  if (action && (result & 0xFFFF) != 0) check.actionReturned = result;  // only 16 bits are defined
  check.queryReordered = !action && tableChanged;
  check.queryRedrew = !action && !refreshes.empty();

  const HostAddress frame = sim.runHeader().frame.address();
  for (const sim::RefreshCall& call : refreshes) {
    if (call.frame != frame) check.refreshBreaches.push_back("a refresh named another frame");
    if (call.flag != 1)
      check.refreshBreaches.push_back("a refresh passed " + std::to_string(call.flag));
  }

  // The three-parameter conditions fetch each parameter with (RunData, 0xFFFF, 0).
  const std::vector<sim::ServiceCall> next = after(sim.NextParameterCalls(), since.nextParameters);
  const std::size_t nextParameterCalls =
      routine.kind == RoutineKind::Condition && routine.parameterCount == 3 ? 3 : 0;
  if (next.size() != nextParameterCalls)
    check.serviceBreaches.push_back("GetNextParameter was called " + std::to_string(next.size()) +
                                    " times");
  for (const sim::ServiceCall& call : next)
    if (call.runData != sim.RunDataAddress() || call.first != 0xFFFF || call.second != 0)
      check.serviceBreaches.push_back("GetNextParameter was called with other arguments");

  // An expression with an argument fetches it once, by its kind, with the token.
  const std::vector<sim::ServiceCall> expression =
      after(sim.ExpressionParameterCalls(), since.expressionParameters);
  const bool takesArgument = routine.kind == RoutineKind::Expression && routine.parameterCount == 1;
  if (expression.size() != (takesArgument ? 1u : 0u))
    check.serviceBreaches.push_back("GetExpressionParameter was called " +
                                    std::to_string(expression.size()) + " times");
  const std::uint32_t kind =
      routine.parameters[0].kind == plugin::kArgumentText ? kExpressionText : kExpressionInteger;
  for (const sim::ServiceCall& call : expression)
    if (call.runData != sim.RunDataAddress() || call.first != kind ||
        call.second != static_cast<std::uint32_t>(expressionToken))
      check.serviceBreaches.push_back("GetExpressionParameter was called with other arguments");
  return check;
}

}  // namespace tier::hostlink
