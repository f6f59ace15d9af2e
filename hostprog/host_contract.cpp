#include "hostprog/host_contract.h"

namespace tier::scene {

using plugin::RoutineInfo;
using plugin::RoutineKind;

ContractCheck CheckRecords(const sim::SimHost& sim) {
  ContractCheck check;
  check.records = sim.CheckInvariants();
  return check;
}

ContractCheck CheckCall(const sim::SimHost& sim, const RoutineInfo& routine, std::int32_t result,
                        bool tableChanged, int nextParameterCalls, std::int32_t expressionToken,
                        const std::vector<sim::AccessBreach>& writes) {
  ContractCheck check = CheckRecords(sim);
  for (const sim::AccessBreach& write : writes) check.fieldBreaches.push_back(write.Message());
  const bool action = routine.kind == RoutineKind::Action;
  if (action && (result & 0xFFFF) != 0) check.actionReturned = result;  // only 16 bits are defined
  check.queryReordered = !action && tableChanged;
  check.queryRedrew = !action && !sim.Refreshes().empty();

  const host::HostAddress frame = sim.runHeader().frame.address();
  for (const sim::RefreshCall& call : sim.Refreshes()) {
    if (call.frame != frame) check.refreshBreaches.push_back("a refresh named another frame");
    if (call.flag != 1)
      check.refreshBreaches.push_back("a refresh passed " + std::to_string(call.flag));
  }

  // The three-parameter conditions fetch each parameter with (RunData, 0xFFFF, 0).
  const std::vector<sim::ServiceCall>& next = sim.NextParameterCalls();
  if (static_cast<int>(next.size()) != nextParameterCalls)
    check.serviceBreaches.push_back("GetNextParameter was called " + std::to_string(next.size()) +
                                    " times");
  for (const sim::ServiceCall& call : next)
    if (call.runData != sim.RunDataAddress() || call.first != 0xFFFF || call.second != 0)
      check.serviceBreaches.push_back("GetNextParameter was called with other arguments");

  // An expression with an argument fetches it once, by its kind, with the token.
  const std::vector<sim::ServiceCall>& expression = sim.ExpressionParameterCalls();
  const bool takesArgument = routine.kind == RoutineKind::Expression && routine.parameterCount == 1;
  if (expression.size() != (takesArgument ? 1u : 0u))
    check.serviceBreaches.push_back("GetExpressionParameter was called " +
                                    std::to_string(expression.size()) + " times");
  const std::uint32_t kind = routine.parameters[0].kind == plugin::kArgumentText
                                 ? host::kExpressionText
                                 : host::kExpressionInteger;
  for (const sim::ServiceCall& call : expression)
    if (call.runData != sim.RunDataAddress() || call.first != kind ||
        call.second != static_cast<std::uint32_t>(expressionToken))
      check.serviceBreaches.push_back("GetExpressionParameter was called with other arguments");
  return check;
}

}  // namespace tier::scene
