#include "tests/tier_harness.h"

#include <gtest/gtest.h>

namespace tier::test {

hostlink::CallOutcome Call(sim::SimHost& sim, hostlink::RoutineCall call) {
  call.options.keepLogs = true;
  hostlink::CallOutcome outcome = hostlink::Invoke(Plugin(), sim, call);
  if (outcome.fault) {
    ADD_FAILURE() << plugin::KindWord(call.routine->kind) << " " << call.routine->code << " \""
                  << call.routine->displayText << "\" faulted: " << outcome.fault->message;
    return outcome;
  }
  hostlink::ContractCheck broken = outcome.contract;
  broken.records.clear();  // a test may lay out records the host never would
  if (!broken.Kept())
    ADD_FAILURE() << plugin::KindWord(call.routine->kind) << " " << call.routine->code << " \""
                  << call.routine->displayText << "\" broke the host's contract:\n"
                  << broken.Describe();
  return outcome;
}

hostlink::CallOutcome Call(sim::SimHost& sim, const plugin::RoutineInfo& routine,
                           const CallWords& words, bool takeText) {
  return Call(sim, {.routine = &routine,
                    .parameters = {words.first, words.second, 0},
                    .unusedWords = {words.first, words.second},
                    .expressionArgument = static_cast<std::int32_t>(sim.ExpressionArgument()),
                    .token = words.token,
                    .options = {.takeText = takeText}});
}

std::string ExpressionText(sim::SimHost& sim, plugin::ExpressionCode code, bool* wasNull,
                           std::int32_t token) {
  const std::optional<std::string> text = Call(sim, plugin::Row(code), {0, 0, token}, true).text;
  if (wasNull != nullptr) *wasNull = !text.has_value();
  return text.value_or("");
}

}  // namespace tier::test
