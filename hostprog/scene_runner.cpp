#include "hostprog/scene_runner.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace tier::scene {
namespace {

using plugin::RoutineInfo;
using plugin::RoutineKind;
using sim::SimHost;

// The token the host passes to an expression; the plug-in hands it back to
// GetExpressionParameter unchanged.
constexpr std::int32_t kExpressionToken = 0x5A17;

std::string Printable(const std::string& name) { return PrintableName(name); }

class Runner {
 public:
  Runner(const host::PluginModule& module, const SceneFile& file, const ReportSink& sink,
         std::vector<SceneStep>* steps)
      : module_(module), file_(file), sink_(sink), steps_(steps), sim_(file.scene) {
    for (const sim::ObjectSpec& object : file.scene.objects) typeOfSlot_[object.slot] = object.type;
    nameWidth_ = 4;
    for (const sim::TypeSpec& type : file.scene.types)
      nameWidth_ = std::max(nameWidth_, static_cast<int>(Printable(type.name).size()));
  }

  void Run() {
    const host::RunHeader& header = sim_.runHeader();
    out_ += "frame: " + std::to_string(sim_.Order().size()) + " nodes, eventCount " +
            std::to_string(header.eventCount) + ", objectCount " +
            std::to_string(header.objectCount) + ", objectLimit " +
            std::to_string(header.objectLimit) + ", storedFixedValue " +
            std::to_string(sim_.StoredFixedValue()) + "\n";
    const std::vector<NodeView> nodes = Nodes({});
    out_ += "  order: " + OrderStrip(nodes) + "\n";
    out_ += Table();
    for (std::size_t t = 0; t < file_.scene.types.size(); ++t) out_ += Selection(t);
    Invariants();
    Keep(0, "", "", nodes);
    Flush();
    for (std::size_t i = 0; i < file_.calls.size(); ++i) {
      Call(i + 1, file_.calls[i]);
      Flush();
    }
  }

 private:
  void Flush() {
    if (sink_) sink_(out_);
    out_.clear();
  }

  void Keep(std::size_t number, const std::string& call, const std::string& outcome,
            const std::vector<NodeView>& nodes) {
    if (steps_ == nullptr) return;
    keptNodes_ += nodes.size();
    steps_->push_back({number, call, outcome,
                       keptNodes_ <= kMaxKeptNodes ? nodes : std::vector<NodeView>(),
                       nodes.size()});
  }

  // The nodes back to front; `before` is the order before the call, to tell
  // which ones moved.
  std::vector<NodeView> Nodes(const std::vector<int>& before) const {
    const std::vector<int> order = sim_.Order();
    std::vector<bool> redrawn(kMaxSlot + 1, false);
    for (const int slot : sim_.RefreshedSlots())
      if (slot >= 0 && slot <= kMaxSlot) redrawn[slot] = true;
    std::vector<bool> selected;
    if (steps_ != nullptr) {
      selected.assign(kMaxSlot + 1, false);
      for (std::size_t t = 0; t < file_.scene.types.size(); ++t) {
        if (sim_.Type(static_cast<int>(t)).selectionStamp != sim_.runHeader().eventCount) continue;
        for (const int slot : sim_.SelectedChain(static_cast<int>(t)))
          if (slot >= 0 && slot <= kMaxSlot) selected[slot] = true;
      }
    }
    std::vector<NodeView> nodes;
    for (std::size_t i = 0; i < order.size(); ++i) {
      const int slot = order[i];
      const host::DisplayNode* node = sim_.Node(slot);
      const host::HostObject* owner = sim_.Object(slot);
      if (node == nullptr || owner == nullptr) continue;
      NodeView view;
      view.slot = slot;
      view.type = typeOfSlot_.at(slot);
      view.x = owner->x;
      view.y = owner->y;
      view.flags = node->flags;
      view.moved = i < before.size() ? before[i] != slot : !before.empty();
      view.redrawn = slot >= 0 && slot <= kMaxSlot && redrawn[slot];
      view.selected = !selected.empty() && slot >= 0 && slot <= kMaxSlot && selected[slot];
      nodes.push_back(view);
    }
    return nodes;
  }

  // The display order back to front. `position` counts the nodes from 1 at
  // the back, as "Move %0 to Level %1" and "tirGetLevelFV(" do; `level` is the
  // host's own number, which starts at the frame's first level.
  std::string Table() const {
    std::string table;
    // Room for the widest name (up to a quoted 1000-byte name) and the numbers.
    std::vector<char> buffer(static_cast<std::size_t>(nameWidth_) + 160);
    char* const line = buffer.data();
    std::snprintf(
        line, buffer.size(),
        "  level  position  displayLevel  slot  %-*s  fixedValue       x       y  flags\n",
        nameWidth_, "name");
    table += line;
    const std::vector<int> order = sim_.Order();
    const std::vector<std::uint16_t> levels = sim_.Levels();
    bool laggingUncounted = false;
    for (std::size_t i = 0; i < order.size(); ++i) {
      const int slot = order[i];
      const host::DisplayNode* node = sim_.Node(slot);
      if (node == nullptr) {
        table += "  (a node whose owner is not in the table)\n";
        continue;
      }
      const std::optional<std::uint16_t> shown = sim_.DisplayLevel(slot);
      const std::string flags = std::string(node->flags & host::kUncounted ? " uncounted" : "") +
                                (node->flags & host::kNoRefresh ? " noRefresh" : "");
      const host::HostObject* owner = sim_.Object(slot);
      if (shown && *shown != levels[i] && (node->flags & host::kUncounted)) laggingUncounted = true;
      std::snprintf(line, buffer.size(), "  %5d  %8d  %12s  %4d  %-*s  %10d  %6d  %6d %s\n",
                    static_cast<int>(levels[i]), static_cast<int>(i + 1),
                    shown ? std::to_string(*shown).c_str() : "-", slot, nameWidth_,
                    Printable(file_.scene.types[typeOfSlot_.at(slot)].name).c_str(),
                    static_cast<int>(sim_.FixedValue(slot)), static_cast<int>(owner->x),
                    static_cast<int>(owner->y), flags.c_str());
      std::string text = line;
      while (text.size() > 1 && text[text.size() - 2] == ' ') text.erase(text.size() - 2, 1);
      table += text;
    }
    if (order.empty()) table += "  (empty list)\n";
    if (laggingUncounted)
      table +=
          "  (a swap leaves the displayLevel of an uncounted node as it was; a sort rewrites it)\n";
    return table;
  }

  // A type's selection: whether it is current, its head, count and chain.
  std::string Selection(std::size_t type) const {
    const host::ObjectTypeEntry& entry = sim_.Type(static_cast<int>(type));
    const std::uint16_t stamp = entry.selectionStamp;
    const std::int16_t first = entry.firstSelected;
    const std::int16_t count = entry.selectedCount;
    std::string text = "  selection " + Printable(file_.scene.types[type].name) + ": ";
    text += stamp == sim_.runHeader().eventCount
                ? std::string("current")
                : "not current (stamp " + std::to_string(stamp) + ")";
    text += ", firstSelected " + std::to_string(first) + ", selectedCount " +
            std::to_string(count) + ", chain";
    // Follow the chain for selectedCount links at most, as the host would.
    std::vector<int> chain;
    int freeSlot = -1;  // a link that led to a free slot
    std::int16_t lastLink = 0;
    for (int slot = first; static_cast<int>(chain.size()) < count && slot >= 0; slot = lastLink) {
      const host::HostObject* object = sim_.Object(slot);
      if (object == nullptr) {
        freeSlot = slot;
        break;
      }
      chain.push_back(slot);
      lastLink = object->nextSelected;
    }
    for (const int slot : chain) text += " " + std::to_string(slot);
    if (freeSlot >= 0)
      text += " (link to free slot " + std::to_string(freeSlot) + ")";
    else if (chain.empty())
      text += " none";
    else
      text += " (last link " + std::to_string(lastLink) + ")";
    return text + "\n";
  }

  std::string Argument(const CallArgument& argument) const {
    switch (argument.form) {
      case CallArgument::Form::kNumber:
        return std::to_string(argument.value);
      case CallArgument::Form::kFixedValueOf:
        return "fv(slot " + std::to_string(argument.slot) + ") = " + std::to_string(argument.value);
      case CallArgument::Form::kObject:
        return "object " + Printable(argument.text);
      case CallArgument::Form::kAltValue:
        return "alt " + std::to_string(argument.value);
      case CallArgument::Form::kText:
        return Quote(argument.text);
    }
    return "";
  }

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

  // Calls the routine through its table with the call's words and writes its
  // result line; returns the outcome that the report keeps (none for actions).
  std::string Invoke(const RoutineInfo& routine, const SceneCall& call, int& nextParameterCalls) {
    std::vector<std::int32_t> words;
    for (const CallArgument& argument : call.arguments) words.push_back(Word(routine, argument));
    words.resize(3, 0);
    const host::HostAddress runData = sim_.RunDataAddress();
    std::string outcome;
    if (routine.kind == RoutineKind::Condition) {
      if (routine.parameterCount == 3) {
        // The three-parameter conditions fetch every parameter from the host.
        sim_.QueueNextParameters(words);
        nextParameterCalls = 3;
        words.assign(3, 0);
      }
      const std::int32_t result = module_.Condition(routine.code, runData, words[0], words[1]);
      outcome = "result " + std::to_string(result);
    } else if (routine.kind == RoutineKind::Action) {
      const std::int32_t result = module_.Action(routine.code, runData, words[0], words[1]);
      if ((result & 0xFFFF) != 0) out_ += "  !! returned " + std::to_string(result) + "\n";
      return outcome;
    } else {
      if (routine.parameterCount == 1) {
        if (call.arguments[0].form == CallArgument::Form::kText)
          sim_.SetExpressionText(call.arguments[0].text);
        else
          sim_.SetExpressionInteger(call.arguments[0].value);
      }
      const std::intptr_t result = module_.Expression(routine.code, runData, kExpressionToken);
      if (plugin::ReturnsText(routine)) {
        const std::optional<std::string> text = module_.TakeText(result);  // the host releases it
        outcome = "text " + (text ? Quote(*text) : std::string("null"));
      } else {
        outcome = "value " + std::to_string(static_cast<std::int32_t>(result));
      }
    }
    out_ += "  " + outcome + "\n";
    return outcome;
  }

  // The selections the call changed, and those of a condition's objects.
  void Selections(const RoutineInfo& routine, const SceneCall& call,
                  const std::vector<std::string>& before) {
    std::vector<bool> shown(file_.scene.types.size(), false);
    if (routine.kind == RoutineKind::Condition)
      for (const CallArgument& argument : call.arguments)
        if (argument.form == CallArgument::Form::kObject) shown[argument.type] = true;
    for (std::size_t t = 0; t < file_.scene.types.size(); ++t) {
      const std::string after = Selection(t);
      if (shown[t] || after != before[t]) out_ += after;
    }
  }

  void Call(std::size_t number, const SceneCall& call) {
    const RoutineInfo& routine = *call.routine;
    std::string arguments;
    for (const CallArgument& argument : call.arguments)
      arguments += (arguments.empty() ? "" : ", ") + Argument(argument);
    const std::string label = RoutineLabel(routine) + " (" + arguments + ")";
    out_ += "\ncall " + std::to_string(number) + ": " + label + "\n";

    const std::string tableBefore = Table();
    const std::vector<int> orderBefore = sim_.Order();
    std::vector<std::string> selectionsBefore;
    for (std::size_t t = 0; t < file_.scene.types.size(); ++t)
      selectionsBefore.push_back(Selection(t));
    const std::int32_t storedBefore = sim_.StoredFixedValue();
    sim_.ClearLogs();

    int nextParameterCalls = 0;
    std::string outcome = Invoke(routine, call, nextParameterCalls);

    const std::string tableAfter = Table();
    const std::vector<NodeView> nodes = Nodes(orderBefore);
    if (routine.kind == RoutineKind::Action) {
      // An action that changed nothing says so in one line instead of a table.
      outcome = (tableAfter == tableBefore ? "order unchanged: " : "order: ") + OrderStrip(nodes);
      out_ += "  " + outcome + "\n";
      if (tableAfter != tableBefore) out_ += tableAfter;
    } else if (tableAfter != tableBefore) {
      out_ += "  !! the display order changed:\n" + tableAfter;
    }
    Keep(number, label, outcome, nodes);
    Refreshes(routine.kind == RoutineKind::Action);
    ServiceCalls(routine, nextParameterCalls);
    Selections(routine, call, selectionsBefore);
    if (sim_.StoredFixedValue() != storedBefore)
      out_ += "  storedFixedValue " + std::to_string(storedBefore) + " -> " +
              std::to_string(sim_.StoredFixedValue()) + "\n";
    Invariants();
  }

  void Refreshes(bool always) {
    const std::vector<sim::RefreshCall>& calls = sim_.Refreshes();
    if (calls.empty() && !always) return;
    std::string line = always ? "  refreshed:" : "  !! refreshed:";
    if (calls.empty()) line += " none";
    for (const int slot : sim_.RefreshedSlots()) line += " " + std::to_string(slot);
    out_ += line + "\n";
    const host::HostAddress frame = sim_.runHeader().frame.address();
    for (const sim::RefreshCall& call : calls) {
      if (call.frame != frame) out_ += "  !! a refresh named another frame\n";
      if (call.flag != 1) out_ += "  !! a refresh passed " + std::to_string(call.flag) + "\n";
    }
  }

  // The host's services are called as the routine's contract says.
  void ServiceCalls(const RoutineInfo& routine, int expectedNextParameterCalls) {
    const std::vector<sim::ServiceCall>& next = sim_.NextParameterCalls();
    if (static_cast<int>(next.size()) != expectedNextParameterCalls)
      out_ += "  !! GetNextParameter was called " + std::to_string(next.size()) + " times\n";
    for (const sim::ServiceCall& call : next)
      if (call.runData != sim_.RunDataAddress() || call.first != 0xFFFF || call.second != 0)
        out_ += "  !! GetNextParameter was called with other arguments\n";

    const std::vector<sim::ServiceCall>& expression = sim_.ExpressionParameterCalls();
    const bool takesArgument =
        routine.kind == RoutineKind::Expression && routine.parameterCount == 1;
    if (expression.size() != (takesArgument ? 1u : 0u))
      out_ += "  !! GetExpressionParameter was called " + std::to_string(expression.size()) +
              " times\n";
    const std::uint32_t kind = routine.parameters[0].kind == plugin::kArgumentText
                                   ? host::kExpressionText
                                   : host::kExpressionInteger;
    for (const sim::ServiceCall& call : expression)
      if (call.runData != sim_.RunDataAddress() || call.first != kind ||
          call.second != static_cast<std::uint32_t>(kExpressionToken))
        out_ += "  !! GetExpressionParameter was called with other arguments\n";
  }

  void Invariants() {
    const std::string problems = sim_.CheckInvariants();
    if (!problems.empty()) out_ += "  !! records inconsistent: " + problems + "\n";
  }

  const host::PluginModule& module_;
  const SceneFile& file_;
  const ReportSink& sink_;
  std::vector<SceneStep>* steps_;
  std::size_t keptNodes_ = 0;
  SimHost sim_;
  std::map<int, int> typeOfSlot_;
  int nameWidth_ = 4;
  std::string out_;
};

}  // namespace

std::string PrintableName(const std::string& name) {
  const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) > 0x20 && static_cast<unsigned char>(c) < 0x7F;
  });
  return plain ? name : Quote(name);
}

std::string OrderStrip(const std::vector<NodeView>& nodes) {
  if (nodes.empty()) return "(empty list)";
  std::string strip;
  for (const NodeView& node : nodes) {
    if (!strip.empty()) strip += ' ';
    strip += std::to_string(node.slot);
    if (node.moved) strip += '*';
    if (node.redrawn) strip += '+';
  }
  return strip;
}

void RunScene(const host::PluginModule& module, const SceneFile& scene, const ReportSink& sink,
              std::vector<SceneStep>* steps) {
  Runner(module, scene, sink, steps).Run();
}

std::string RunScene(const host::PluginModule& module, const SceneFile& scene) {
  std::string report;
  RunScene(module, scene, [&report](std::string_view piece) { report += piece; });
  return report;
}

}  // namespace tier::scene
