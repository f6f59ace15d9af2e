#include "hostprog/model_frame.h"

#include <algorithm>
#include <unordered_map>

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

model::Object ModelObject(const host::HostObject& object, int type) {
  model::Object o;
  o.present = true;
  o.number = object.number;
  o.nextSelected = object.nextSelected;
  o.nextOfType = object.nextOfType;
  o.creationCount = object.creationCount;
  o.type = type;
  o.x = object.x;
  o.y = object.y;
  o.hasValues = object.valuesOffset != 0;
  for (int i = 0; i < model::kValueCount; ++i) host::ReadAlterableValue(object, i, o.values[i]);
  if (const host::DisplayBlock* block = host::DisplayBlockOf(object)) {
    o.hasDisplayBlock = true;
    o.displayLevel = block->displayLevel;
  }
  return o;
}

}  // namespace

std::optional<model::Frame> ModelFrame(const sim::SimHost& sim,
                                       const std::vector<SelectionView>& selections) {
  const host::RunHeader& header = sim.runHeader();
  model::Frame frame;
  frame.objectCount = header.objectCount;
  frame.objectLimit = header.objectLimit;
  frame.eventCount = header.eventCount;
  frame.storedFixedValue = sim.StoredFixedValue();
  int slotCount = std::max(int{frame.objectCount} + 1, int{frame.objectLimit} + 1);
  for (const sim::ObjectSpec& object : sim.scene().objects)
    slotCount = std::max(slotCount, object.slot + 1);
  frame.slots.resize(static_cast<std::size_t>(slotCount));
  std::unordered_map<host::HostAddress, int> slotAt;
  for (const sim::ObjectSpec& spec : sim.scene().objects)
    if (const host::HostObject* object = sim.Object(spec.slot)) {
      frame.slots[spec.slot] = ModelObject(*object, spec.type);
      slotAt[host::AddressOf(object)] = spec.slot;
    }

  // The list from head, node ids by position; bounded so that a loop ends it.
  std::unordered_map<host::HostAddress, int> nodeAt;
  const std::size_t bound = static_cast<std::size_t>(slotCount) + sim.scene().order.size() + 1;
  for (host::HostAddress at = header.frame->displayList->head.address(); at != 0;) {
    if (frame.order.size() > bound) return std::nullopt;
    const host::DisplayNode& node = *host::HostPtr<host::DisplayNode>(at).get();
    model::Node entry;
    entry.flags = node.flags;
    if (node.owner) {
      const auto owner = slotAt.find(node.owner.address());
      if (owner == slotAt.end()) return std::nullopt;
      entry.owner = owner->second;
    }
    const int id = static_cast<int>(frame.nodes.size());
    nodeAt[at] = id;
    frame.nodes.push_back(entry);
    frame.order.push_back(id);
    frame.levelAt.push_back(node.level);
    at = node.next.address();
  }
  for (int slot = 0; slot < slotCount; ++slot) {
    const host::HostObject* object = sim.Object(slot);
    if (object == nullptr || !frame.slots[slot].present || !object->displayNode) continue;
    const auto node = nodeAt.find(object->displayNode.address());
    if (node == nodeAt.end() || frame.nodes[node->second].owner != slot) return std::nullopt;
    frame.slots[slot].node = node->second;
  }

  for (std::size_t t = 0; t < sim.scene().types.size(); ++t) {
    const host::ObjectTypeEntry& entry = sim.Type(static_cast<int>(t));
    model::Type type;
    type.name = sim.scene().types[t].name;
    type.firstObject = entry.firstObject;
    type.typeObjectCount = entry.typeObjectCount;
    const SelectionView& selection = selections[t];
    type.firstSelected = selection.firstSelected;
    type.selectedCount = selection.selectedCount;
    type.selectionStamp = selection.stamp;
    // The chain as it stood: a condition may have relinked it since.
    for (std::size_t i = 0; i < selection.chain.size(); ++i)
      frame.slots[selection.chain[i]].nextSelected =
          i + 1 < selection.chain.size() ? static_cast<std::int16_t>(selection.chain[i + 1])
                                         : selection.lastLink;
    frame.types.push_back(type);
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
