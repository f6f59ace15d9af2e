#include "hostprog/scene_runner.h"

#include <algorithm>

#include "hostlink/routine_call.h"
#include "hostprog/model_frame.h"

namespace tier::hostprog {
namespace {

using plugin::RoutineInfo;
using plugin::RoutineKind;

std::string Argument(const CallArgument& argument) {
  switch (argument.form) {
    case CallArgument::Form::kNumber:
      return std::to_string(argument.value);
    case CallArgument::Form::kFixedValueOf:
      return "fv(slot " + std::to_string(argument.slot) + ") = " + std::to_string(argument.value);
    case CallArgument::Form::kObject:
      return "object " + PrintableName(argument.text);
    case CallArgument::Form::kAltValue:
      return "alt " + std::to_string(argument.value);
    case CallArgument::Form::kText:
      return Quote(argument.text);
  }
  return "";
}

}  // namespace

class SteppedRun::Runner {
 public:
  Runner(const hostlink::PluginModule& module, const SceneFile& file)
      : module_(module), file_(file), sim_(file.scene) {
    int highest = -1;
    for (const sim::ObjectSpec& object : file.scene.objects)
      highest = std::max(highest, object.slot);
    typeOfSlot_.assign(static_cast<std::size_t>(highest + 1), -1);
    for (const sim::ObjectSpec& object : file.scene.objects) typeOfSlot_[object.slot] = object.type;
  }

  Status Run(const StepSink& sink) {
    while (true) {
      const Result<bool> next = Next();
      if (!next) return Error{next.error()};
      if (!*next) return Ok();
      sink(step_);
    }
  }

  // Makes the next call (first the frame before any); false when none is
  // left. A fault of the plug-in ends the run: no call is made after it.
  Result<bool> Next() {
    if (taken_ == 0) {
      step_.frame = CaptureFrame(sim_, typeOfSlot_, nullptr);
      step_.contract = hostlink::CheckRecords(sim_);
    } else if (taken_ <= file_.calls.size()) {
      // The last step's nodes are the call's to keep when nothing changed.
      Result<SceneStep> next = Call(taken_, file_.calls[taken_ - 1], step_.frame);
      if (!next) {
        taken_ = file_.calls.size() + 1;
        return Error{next.error()};
      }
      step_ = std::move(*next);
    } else {
      return false;
    }
    ++taken_;
    return true;
  }

  const SceneStep& step() const { return step_; }

 private:
  std::int32_t Word(const RoutineInfo& routine, const CallArgument& argument) {
    switch (argument.form) {
      case CallArgument::Form::kObject:
        return routine.kind == RoutineKind::Condition ? sim_.ObjectParamWord(argument.type)
                                                      : sim_.ActionObjectWord(argument.type);
      case CallArgument::Form::kAltValue:
        return sim_.AltValueParamWord(static_cast<std::int16_t>(argument.value));
      default:
        return argument.value;
    }
  }

  // Calls the routine as the host does, with the call's words.
  hostlink::CallOutcome Invoke(const RoutineInfo& routine, const SceneCall& call) {
    hostlink::RoutineCall made;
    made.routine = &routine;
    for (std::size_t i = 0; i < call.arguments.size() && i < made.parameters.size(); ++i)
      made.parameters[i] = Word(routine, call.arguments[i]);
    if (routine.kind == RoutineKind::Expression && routine.parameterCount == 1) {
      const CallArgument& argument = call.arguments[0];
      if (argument.form == CallArgument::Form::kText) {
        sim_.SetExpressionText(argument.text);
        made.expressionArgument = static_cast<std::int32_t>(sim_.ExpressionArgument());
      } else {
        made.expressionArgument = argument.value;
      }
    }
    // The runner writes into the records only through the host's services.
    made.options.hostWritesNoted = true;
    return hostlink::Invoke(module_, sim_, made);
  }

  // The objects the call's parameters name, as they stand before the call;
  // `fallsBack` when an action's object parameter has no instance in scope.
  std::vector<int> Named(const RoutineInfo& routine, const SceneCall& call, bool& fallsBack) const {
    std::vector<int> slots;
    fallsBack = false;
    for (const CallArgument& argument : call.arguments) {
      if (argument.form == CallArgument::Form::kFixedValueOf) slots.push_back(argument.slot);
      if (argument.form != CallArgument::Form::kObject || routine.kind != RoutineKind::Action)
        continue;
      const host::ObjectTypeEntry& type = sim_.Type(argument.type);
      const bool current = type.selectionStamp == sim_.runHeader().eventCount;
      const int first = current ? type.firstSelected : type.firstObject;
      if (sim_.Object(first) != nullptr)
        slots.push_back(first);
      else
        fallsBack = true;
    }
    return slots;
  }

  // The step of one call, or the fault that ended it. The call takes over
  // `before`'s nodes when it changed nothing.
  Result<SceneStep> Call(std::size_t number, const SceneCall& call, FrameView& before) {
    const RoutineInfo& routine = *call.routine;
    SceneStep step;
    step.number = number;
    step.call = &call;
    std::string arguments;
    for (const CallArgument& argument : call.arguments)
      arguments += (arguments.empty() ? "" : ", ") + Argument(argument);
    step.label = RoutineLabel(routine) + " (" + arguments + ")";

    bool fallsBack = false;
    step.named = Named(routine, call, fallsBack);
    // The model replays a call only where the report has something to say:
    // an object form that fell back on the stored fixed value (the frame as
    // the call finds it), a call that did nothing (the frame it left, which
    // is the one it found but for a condition's selections).
    std::optional<model::Frame> found;
    // "Store Fixed Value for %0" stores 0 for a type with nothing in scope:
    // it acts on no stored value.
    const bool store = routine.kind == RoutineKind::Action &&
                       routine.code == plugin::CodeOf(plugin::ActionCode::StoreFixedValue);
    if (fallsBack && !store) found = ModelFrame(sim_, before.selections);
    const hostlink::CallOutcome outcome = Invoke(routine, call);
    if (outcome.fault) return Error{outcome.fault->message};
    step.answer.result = outcome.result;
    step.answer.isText = plugin::ReturnsText(routine);
    step.answer.text = outcome.text;
    step.refreshed = sim_.RefreshedSlots();
    if (outcome.recordsUnchanged && step.refreshed.empty()) {
      // The records are those the last step captured: its frame, with
      // nothing moved or redrawn this time (its nodes taken over, not
      // copied: tens of thousands in a large scene).
      std::vector<NodeView> nodes = std::move(before.nodes);
      step.frame = before;
      step.frame.nodes = std::move(nodes);
      for (NodeView& node : step.frame.nodes) node.moved = node.redrawn = false;
    } else {
      step.frame = CaptureFrame(sim_, typeOfSlot_, &before);
      step.tableChanged = !SameTable(before, step.frame);
    }
    step.contract = outcome.contract;
    // Nothing happened: the records are those the call found, the
    // selections apart, which a false condition may have rewritten.
    const bool nothing = routine.kind == RoutineKind::Action
                             ? !step.tableChanged
                             : routine.kind == RoutineKind::Condition && step.answer.result == 0;
    const bool explain = nothing && step.contract.Kept();
    if (explain && !found) found = ModelFrame(sim_, before.selections);
    step.notes = ParameterNotes(call);
    if (found) {
      CallAccount account = ReplayOnModel(*found, call, explain);
      step.notes.insert(step.notes.end(), account.notes.begin(), account.notes.end());
      step.named.insert(step.named.end(), account.named.begin(), account.named.end());
      step.reason = std::move(account.why);
    }
    return step;
  }

  const hostlink::PluginModule& module_;
  const SceneFile& file_;
  sim::SimHost sim_;
  std::vector<int> typeOfSlot_;  // -1 for a free slot
  SceneStep step_;               // the last step taken
  std::size_t taken_ = 0;        // steps taken so far
};

Status RunSteps(const hostlink::PluginModule& module, const SceneFile& scene,
                const StepSink& sink) {
  return SteppedRun::Runner(module, scene).Run(sink);
}

SteppedRun::SteppedRun(const hostlink::PluginModule& module, const SceneFile& scene)
    : runner_(std::make_unique<Runner>(module, scene)) {}

SteppedRun::~SteppedRun() = default;

Result<bool> SteppedRun::Next(SceneStep& step) {
  const Result<bool> next = runner_->Next();
  if (!next || !*next) return next;
  step = runner_->step();
  return true;
}

}  // namespace tier::hostprog
