#include "hostlink/routine_call.h"

namespace tier::host {

using plugin::RoutineKind;

CallOutcome CallRoutine(const PluginModule& module, sim::SimHost& sim,
                        const plugin::RoutineInfo& routine, const CallWords& words,
                        const CallOptions& options) {
  const HostAddress runData = sim.RunDataAddress();
  // The call's host is in effect while it runs, whatever hosts came after.
  const sim::HostSession::Scope inEffect(sim.session());
  sim.OpenCall(static_cast<std::uint32_t>(words.first), static_cast<std::uint32_t>(words.second));
  // The call ends, with its parameter records, even when a fault ends it.
  struct CallScope {
    sim::SimHost& sim;
    ~CallScope() { sim.CloseCall(); }
  } scope{sim};
  const std::optional<sim::RecordSnapshot> before =
      options.compareRecords ? std::optional<sim::RecordSnapshot>(std::in_place, sim)
                             : std::nullopt;
  CallOutcome outcome;
  if (routine.kind == RoutineKind::Condition) {
    outcome.result = module.Condition(routine.code, runData, words.first, words.second);
  } else if (routine.kind == RoutineKind::Action) {
    outcome.result = module.Action(routine.code, runData, words.first, words.second);
  } else {
    outcome.value = module.Expression(routine.code, runData, words.token);
    outcome.result = static_cast<std::int32_t>(outcome.value);
  }
  if (before) outcome.breaches = before->ForbiddenWrites();
  if (plugin::ReturnsText(routine) && options.takeText) {
    outcome.result = 0;
    outcome.text = module.TakeText(outcome.value);  // the host releases it
  }
  return outcome;
}

CallOutcome Invoke(const PluginModule& module, sim::SimHost& sim, const RoutineCall& call) {
  const plugin::RoutineInfo& routine = *call.routine;
  // The argument words: the first two parameters, or the unused words where
  // the routine takes fewer, or fetches all three from GetNextParameter.
  CallWords words{call.unusedWords[0], call.unusedWords[1], call.token};
  sim.ClearLogs();
  if (routine.kind == RoutineKind::Condition && routine.parameterCount == 3) {
    sim.QueueNextParameters({call.parameters[0], call.parameters[1], call.parameters[2]});
  } else if (routine.kind != RoutineKind::Expression) {
    if (routine.parameterCount >= 1) words.first = call.parameters[0];
    if (routine.parameterCount >= 2) words.second = call.parameters[1];
  } else if (routine.parameterCount == 1) {
    sim.SetExpressionInteger(call.expressionArgument);
  }
  return CallRoutine(module, sim, routine, words, call.options);
}

std::string DescribeBreaches(const std::vector<sim::AccessBreach>& breaches) {
  std::string text;
  for (const sim::AccessBreach& breach : breaches) text += breach.Message() + "\n";
  return text;
}

}  // namespace tier::host
