#include "hostprog/model_frame.h"

#include <algorithm>

#include "bridge/frame_records.h"
#include "hostprog/scene_steps.h"

namespace tier::hostprog {
namespace {

model::Kind KindOf(plugin::RoutineKind kind) {
  switch (kind) {
    case plugin::RoutineKind::Condition:
      return model::Kind::Condition;
    case plugin::RoutineKind::Action:
      return model::Kind::Action;
    case plugin::RoutineKind::Expression:
      break;
  }
  return model::Kind::Expression;
}

}  // namespace

std::optional<model::Frame> ModelFrame(const sim::SimHost& sim,
                                       const std::vector<SelectionView>& selections) {
  std::optional<model::Frame> frame = bridge::ReadFrame(sim);
  if (!frame) return std::nullopt;
  for (std::size_t t = 0; t < frame->types.size(); ++t) {
    model::Type& type = frame->types[t];
    const SelectionView& selection = selections[t];
    type.firstSelected = selection.firstSelected;
    type.selectedCount = selection.selectedCount;
    type.selectionStamp = selection.stamp;
    // The chain as it stood: a condition may have relinked it since.
    for (std::size_t i = 0; i < selection.chain.size(); ++i)
      frame->slots[selection.chain[i]].nextSelected =
          i + 1 < selection.chain.size() ? static_cast<std::int16_t>(selection.chain[i + 1])
                                         : selection.lastLink;
  }
  return frame;
}

model::Call ModelCall(const SceneCall& call) {
  const plugin::RoutineInfo& routine = *call.routine;
  model::Call c;
  c.kind = KindOf(routine.kind);
  c.code = routine.code;
  std::vector<std::int32_t> numbers;
  std::vector<int> types;
  for (const CallArgument& argument : call.arguments) {
    if (argument.form == CallArgument::Form::kObject)
      types.push_back(argument.type);
    else if (argument.form == CallArgument::Form::kAltValue)
      c.valueIndex = static_cast<std::int16_t>(argument.value);
    else if (argument.form == CallArgument::Form::kText)
      c.textArgument = argument.text;
    else
      numbers.push_back(argument.value);
  }
  types.resize(3, 0);
  c.typeA = types[0];
  c.typeB = types[1];
  c.typeC = types[2];
  // A number after an object or an alterable value is the routine's second.
  const bool numberSecond = !call.arguments.empty() &&
                            call.arguments[0].form != CallArgument::Form::kNumber &&
                            call.arguments[0].form != CallArgument::Form::kFixedValueOf;
  numbers.resize(3, 0);
  c.first = numberSecond ? 0 : numbers[0];
  c.second = numberSecond ? numbers[0] : numbers[1];
  std::copy(numbers.begin(), numbers.end(), c.nextParameters.begin());
  c.integerArgument = numbers[0];
  return c;
}

}  // namespace tier::hostprog
