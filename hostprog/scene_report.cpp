#include "hostprog/scene_report.h"

#include <algorithm>
#include <cstdio>

#include "hostprog/scene_runner.h"

namespace tier::hostprog {

using plugin::RoutineKind;

ReportWriter::ReportWriter(const SceneFile& scene) : scene_(scene) {
  for (const sim::TypeSpec& type : scene.scene.types)
    nameWidth_ = std::max(nameWidth_, static_cast<int>(PrintableName(type.name).size()));
}

// The display order back to front. `position` counts the nodes from 1 at
// the back, as "Move %0 to Level %1" and "tirGetLevelFV(" do; `level` is the
// host's own number, which starts at the frame's first level.
std::string ReportWriter::Table(const FrameView& frame) const {
  std::string table;
  // Room for the widest name (up to a quoted 1000-byte name) and the numbers.
  std::vector<char> buffer(static_cast<std::size_t>(nameWidth_) + 160);
  char* const line = buffer.data();
  std::snprintf(line, buffer.size(),
                "  level  position  displayLevel  slot  %-*s  fixedValue       x       y  flags\n",
                nameWidth_, "name");
  table += line;
  bool laggingUncounted = false;
  for (std::size_t i = 0; i < frame.nodes.size(); ++i) {
    const NodeView& node = frame.nodes[i];
    if (!node.known) {
      table += "  (a node whose owner is not in the table)\n";
      continue;
    }
    const std::string flags = std::string(node.flags & host::kUncounted ? " uncounted" : "") +
                              (node.flags & host::kNoRefresh ? " noRefresh" : "");
    if (node.displayLevel && *node.displayLevel != node.level && (node.flags & host::kUncounted))
      laggingUncounted = true;
    std::snprintf(line, buffer.size(), "  %5d  %8d  %12s  %4d  %-*s  %10d  %6d  %6d %s\n",
                  static_cast<int>(node.level), static_cast<int>(i + 1),
                  node.displayLevel ? std::to_string(*node.displayLevel).c_str() : "-", node.slot,
                  nameWidth_, PrintableName(scene_.scene.types[node.type].name).c_str(),
                  static_cast<int>(node.fixedValue), static_cast<int>(node.x),
                  static_cast<int>(node.y), flags.c_str());
    std::string text = line;
    while (text.size() > 1 && text[text.size() - 2] == ' ') text.erase(text.size() - 2, 1);
    table += text;
  }
  if (frame.nodes.empty()) table += "  (empty list)\n";
  // Every move is made of swaps, and no swap mirrors an uncounted node's level.
  if (laggingUncounted)
    table +=
        "  (moves and swaps leave an uncounted node's displayLevel as it was; a sort rewrites "
        "it)\n";
  return table;
}

// A type's selection: whether it is current, its head, count and chain.
std::string ReportWriter::Selection(const SelectionView& selection, std::size_t type) const {
  std::string text = "  selection " + PrintableName(scene_.scene.types[type].name) + ": ";
  text += selection.current ? std::string("current")
                            : "not current (stamp " + std::to_string(selection.stamp) + ")";
  text += ", firstSelected " + std::to_string(selection.firstSelected) + ", selectedCount " +
          std::to_string(selection.selectedCount) + ", chain";
  for (const int slot : selection.chain) text += " " + std::to_string(slot);
  if (selection.freeSlot >= 0)
    text += " (link to free slot " + std::to_string(selection.freeSlot) + ")";
  else if (selection.chain.empty())
    text += " none";
  else
    text += " (last link " + std::to_string(selection.lastLink) + ")";
  return text + "\n";
}

std::string ReportWriter::Step(const SceneStep& step) {
  std::string out;
  std::vector<std::string> selections;
  for (std::size_t t = 0; t < step.frame.selections.size(); ++t)
    selections.push_back(Selection(step.frame.selections[t], t));
  if (step.call == nullptr) {
    const FrameView& frame = step.frame;
    out += "frame: " + std::to_string(frame.nodes.size()) + " nodes, eventCount " +
           std::to_string(frame.eventCount) + ", objectCount " + std::to_string(frame.objectCount) +
           ", objectLimit " + std::to_string(frame.objectLimit) + ", storedFixedValue " +
           std::to_string(frame.storedFixedValue) + "\n";
    out += "  order: " + OrderStrip(frame.nodes) + "\n";
    out += Table(frame);
    for (const std::string& selection : selections) out += selection;
  } else {
    out += Call(step);
    // The selections the call changed, and those of a condition's objects.
    std::vector<bool> shown(selections.size(), false);
    if (step.call->routine->kind == RoutineKind::Condition)
      for (const CallArgument& argument : step.call->arguments)
        if (argument.form == CallArgument::Form::kObject) shown[argument.type] = true;
    for (std::size_t t = 0; t < selections.size(); ++t)
      if (shown[t] || selections[t] != selections_[t]) out += selections[t];
    if (step.frame.storedFixedValue != stored_)
      out += "  storedFixedValue " + std::to_string(stored_) + " -> " +
             std::to_string(step.frame.storedFixedValue) + "\n";
  }
  if (!step.contract.records.empty())
    out += "  !! records inconsistent: " + step.contract.records + "\n";
  selections_ = std::move(selections);
  stored_ = step.frame.storedFixedValue;
  return out;
}

std::string ReportWriter::Call(const SceneStep& step) {
  const bool action = step.call->routine->kind == RoutineKind::Action;
  const ContractCheck& contract = step.contract;
  std::string out = "\ncall " + std::to_string(step.number) + ": " + step.label + "\n";
  if (contract.actionReturned)
    out += "  !! returned " + std::to_string(*contract.actionReturned) + "\n";
  out += "  " + OutcomeLine(step) + "\n";
  for (const std::string& note : step.notes) out += "  note: " + note + "\n";
  if (step.reason) out += "  why: " + step.reason->text + "\n";
  // An action that changed nothing says so in one line instead of a table.
  if (action && step.tableChanged) out += Table(step.frame);
  if (contract.queryReordered) out += "  !! the display order changed:\n" + Table(step.frame);

  if (action || contract.queryRedrew) {
    std::string line = action ? "  refreshed:" : "  !! refreshed:";
    if (step.refreshed.empty()) line += " none";
    for (const int slot : step.refreshed) line += " " + std::to_string(slot);
    out += line + "\n";
  }
  for (const std::string& breach : contract.refreshBreaches) out += "  !! " + breach + "\n";
  for (const std::string& breach : contract.serviceBreaches) out += "  !! " + breach + "\n";
  for (const std::string& breach : contract.fieldBreaches) out += "  !! " + breach + "\n";
  return out;
}

std::string OutcomeLine(const SceneStep& step) {
  if (step.call == nullptr) return "";
  switch (step.call->routine->kind) {
    case RoutineKind::Condition:
      return "result " + std::to_string(step.answer.result);
    case RoutineKind::Action:
      return (step.tableChanged ? "order: " : "order unchanged: ") + OrderStrip(step.frame.nodes);
    case RoutineKind::Expression:
      if (step.answer.isText)
        return "text " + (step.answer.text ? Quote(*step.answer.text) : std::string("null"));
      return "value " + std::to_string(step.answer.result);
  }
  return "";
}

std::string OrderStrip(const std::vector<NodeView>& nodes) {
  std::string strip;
  for (const NodeView& node : nodes) {
    if (!node.known) continue;
    if (!strip.empty()) strip += ' ';
    strip += std::to_string(node.slot);
    if (node.moved) strip += '*';
    if (node.redrawn) strip += '+';
  }
  return strip.empty() ? "(empty list)" : strip;
}

Status RunScene(const hostlink::PluginModule& module, const SceneFile& scene,
                const ReportSink& sink, std::vector<SceneStep>* steps) {
  ReportWriter writer(scene);
  std::size_t keptNodes = 0;
  return RunSteps(module, scene, [&](const SceneStep& step) {
    if (sink) sink(writer.Step(step));
    if (steps == nullptr) return;
    steps->push_back(step);
    keptNodes += step.frame.nodes.size();
    if (keptNodes > kMaxKeptNodes) steps->back().frame.nodes.clear();
  });
}

Result<std::string> RunScene(const hostlink::PluginModule& module, const SceneFile& scene) {
  std::string report;
  const Status run =
      RunScene(module, scene, [&report](std::string_view piece) { report += piece; });
  if (!run) return Error{run.error()};
  return report;
}

}  // namespace tier::hostprog
