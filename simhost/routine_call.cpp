#include "simhost/routine_call.h"

namespace tier::host {

using plugin::RoutineKind;

CallOutcome Invoke(const PluginModule& module, sim::SimHost& sim, const RoutineCall& call) {
  const plugin::RoutineInfo& routine = *call.routine;
  const HostAddress runData = sim.RunDataAddress();
  // The argument words: the first two parameters, or the unused words where
  // the routine takes fewer, or fetches all three from GetNextParameter.
  std::array<std::int32_t, 2> words = call.unusedWords;
  const bool fetchesAll = routine.kind == RoutineKind::Condition && routine.parameterCount == 3;
  if (routine.kind != RoutineKind::Expression && !fetchesAll)
    for (int i = 0; i < routine.parameterCount && i < 2; ++i) words[i] = call.parameters[i];

  sim.ClearLogs();
  if (fetchesAll)
    sim.QueueNextParameters({call.parameters[0], call.parameters[1], call.parameters[2]});
  const bool takesArgument =
      routine.kind == RoutineKind::Expression && routine.parameterCount == 1;
  if (takesArgument) sim.SetExpressionInteger(call.expressionArgument);

  std::vector<std::uint32_t> handed;  // every word that may be a parameter record's address
  for (std::int32_t word : call.parameters) handed.push_back(static_cast<std::uint32_t>(word));
  for (std::int32_t word : words) handed.push_back(static_cast<std::uint32_t>(word));
  if (takesArgument) handed.push_back(static_cast<std::uint32_t>(call.expressionArgument));
  sim.OpenCall(handed);
  const std::optional<sim::RecordSnapshot> before =
      call.compareRecords ? std::optional<sim::RecordSnapshot>(std::in_place, sim) : std::nullopt;

  CallOutcome outcome;
  if (routine.kind == RoutineKind::Condition) {
    outcome.result = module.Condition(routine.code, runData, words[0], words[1]);
  } else if (routine.kind == RoutineKind::Action) {
    outcome.result = module.Action(routine.code, runData, words[0], words[1]);
  } else {
    const std::intptr_t result = module.Expression(routine.code, runData, call.token);
    if (plugin::ReturnsText(routine))
      outcome.text = module.TakeText(result);  // the host releases it
    else
      outcome.result = static_cast<std::int32_t>(result);
  }
  if (before) outcome.breaches = before->ForbiddenWrites();
  sim.CloseCall();
  return outcome;
}

std::string DescribeBreaches(const std::vector<sim::AccessBreach>& breaches) {
  std::string text;
  for (const sim::AccessBreach& breach : breaches) text += breach.Message() + "\n";
  return text;
}

}  // namespace tier::host
