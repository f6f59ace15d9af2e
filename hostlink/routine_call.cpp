#include "hostlink/routine_call.h"

#include "simhost/record_watch.h"

namespace tier::hostlink {

using host::HostAddress;
namespace {

using plugin::RoutineKind;

// A routine's argument words exactly as the host passes them.
struct CallWords {
  std::int32_t first = 0, second = 0;     // a condition or an action
  std::int32_t token = kExpressionToken;  // an expression
};

// Runs the routine with the words the host passes: a condition's or an
// action's answer, or an expression's result as it came.
Result<std::intptr_t> RunRoutine(const PluginModule& module, const plugin::RoutineInfo& routine,
                                 HostAddress runData, const CallWords& words) {
  if (routine.kind == RoutineKind::Expression)
    return module.Expression(routine.code, runData, words.token);
  const Result<std::int32_t> answer =
      routine.kind == RoutineKind::Condition
          ? module.Condition(routine.code, runData, words.first, words.second)
          : module.Action(routine.code, runData, words.first, words.second);
  if (!answer) return Error{answer.error()};
  return std::intptr_t{*answer};
}

}  // namespace

CallOutcome Invoke(const PluginModule& module, sim::SimHost& sim, const RoutineCall& call) {
  const plugin::RoutineInfo& routine = *call.routine;
  const CallOptions& options = call.options;
  // The call's host is in effect while it runs, whatever hosts came after.
  const sim::HostSession::Scope inEffect(sim.session());
  if (!options.keepLogs) sim.ClearLogs();
  const LogMarks marks = MarkLogs(sim);
  // The argument words: the first two parameters, or the unused words where
  // the routine takes fewer, or fetches all three from GetNextParameter.
  CallWords words{call.unusedWords[0], call.unusedWords[1], call.token};
  if (routine.kind == RoutineKind::Condition && routine.parameterCount == 3) {
    sim.QueueNextParameters({call.parameters[0], call.parameters[1], call.parameters[2]});
  } else if (routine.kind != RoutineKind::Expression) {
    if (routine.parameterCount >= 1) words.first = call.parameters[0];
    if (routine.parameterCount >= 2) words.second = call.parameters[1];
  } else if (routine.parameterCount == 1) {
    sim.SetExpressionInteger(call.expressionArgument);
  }

  const HostAddress runData = sim.RunDataAddress();
  sim.OpenCall(static_cast<std::uint32_t>(words.first), static_cast<std::uint32_t>(words.second));
  // The call ends, with its parameter records, even when a fault ends it.
  struct CallScope {
    sim::SimHost& sim;
    ~CallScope() { sim.CloseCall(); }
  } scope{sim};
  // The records are compared from a copy kept between calls: what the host
  // wrote since the last call is taken in first, so that every change from
  // here on is the call's.
  sim::RecordWatch* watch = options.compareRecords ? &sim.Watch() : nullptr;
  if (watch != nullptr)
    watch->Begin(options.hostWritesNoted ? sim::RecordWatch::HostWrites::kNoted
                                         : sim::RecordWatch::HostWrites::kCompared);
  CallOutcome outcome;
  const Result<std::intptr_t> answer = RunRoutine(module, routine, runData, words);
  if (watch != nullptr) outcome.breaches = watch->End();
  if (!answer) {
    outcome.fault = PluginFault{answer.error()};
    return outcome;
  }
  if (routine.kind == RoutineKind::Expression) outcome.value = *answer;
  outcome.result = static_cast<std::int32_t>(*answer);
  if (plugin::ReturnsText(routine) && options.takeText) {
    outcome.result = 0;
    Result<std::optional<std::string>> text =
        module.TakeText(outcome.value);  // the host releases it
    if (!text) {
      outcome.fault = PluginFault{text.error()};
      return outcome;
    }
    outcome.text = std::move(*text);
  }
  if (watch != nullptr) {
    // Only a condition or an expression must leave the display table as it
    // found it, and one that changed no byte did.
    const bool tableChanged =
        routine.kind != RoutineKind::Action && watch->callChanged() &&
        DisplayTable(sim) != watch->AsFound([&sim] { return DisplayTable(sim); });
    outcome.contract = CheckCall(sim, marks, routine, outcome.result, tableChanged, words.token,
                                 outcome.breaches, watch->Invariants());
    outcome.recordsUnchanged = watch->unchangedSinceLastCall();
  }
  return outcome;
}

std::string DescribeBreaches(const std::vector<sim::AccessBreach>& breaches) {
  std::string text;
  for (const sim::AccessBreach& breach : breaches) text += breach.Message() + "\n";
  return text;
}

}  // namespace tier::hostlink
