#include "hostprog/call_reason.h"

#include <utility>

#include "hostprog/model_frame.h"

namespace tier::scene {
namespace {

using model::kNone;
using plugin::RoutineKind;

// Words over the decisions of one replay. Each decision is looked up by its
// type and, where a routine takes several of one type, by its parameter or
// arrangement; `frame` is the frame the call found, read only for names.
class Wording {
 public:
  Wording(const model::Frame& frame, const model::Decisions& decisions, const SceneCall& call)
      : f_(frame), decisions_(decisions), call_(call) {}

  Result<CallAccount> Account(bool didNothing) {
    const plugin::RoutineInfo& routine = *call_.routine;
    // An object form decides as its fixed-value twin does, after its scope.
    const plugin::RoutineInfo* twin = plugin::FixedValueTwin(routine);
    const std::uint16_t code = twin != nullptr ? twin->code : routine.code;
    const bool said = routine.kind == RoutineKind::Action
                          ? Action(static_cast<plugin::ActionCode>(code))
                      : routine.kind == RoutineKind::Condition
                          ? Condition(static_cast<plugin::ConditionCode>(routine.code))
                          : false;
    if (!missing_.empty())
      return Error{"the reference model recorded no " + missing_ + " decision for " +
                   std::string(routine.displayText)};
    CallAccount account;
    account.notes = std::move(notes_);
    account.named = std::move(named_);
    if (!said || !didNothing || clauses_.empty()) return account;
    Reason reason;
    for (const std::string& clause : clauses_)
      reason.text += (reason.text.empty() ? "" : "; ") + clause;
    account.why = std::move(reason);
    return account;
  }

 private:
  // The recorded decision of type T that `match` accepts.
  template <class T, class Match>
  const T* Find(Match match) const {
    for (const model::Decision& decision : decisions_)
      if (const T* found = std::get_if<T>(&decision); found != nullptr && match(*found))
        return found;
    return nullptr;
  }
  template <class T>
  const T* Find() const {
    return Find<T>([](const T&) { return true; });
  }
  // A decision the routine's path must have recorded: its absence makes the
  // account an error, never a reason short of a clause.
  template <class T, class... Match>
  const T* Need(Match... match) {
    const T* found = Find<T>(match...);
    if (found == nullptr && missing_.empty()) missing_ = T::kName;
    return found;
  }
  static auto Of(int parameter) {
    return [parameter](const auto& decision) { return decision.parameter == parameter; };
  }
  static auto Run(int arrangement, int partner) {
    return [=](const model::Filtered& run) {
      return run.arrangement == arrangement && run.partner == partner;
    };
  }
  void Say(std::string clause) { clauses_.push_back(std::move(clause)); }

  // --- Words ------------------------------------------------------------------

  std::string TypeName(int type) const { return PrintableName(f_.types[type].name); }
  static std::string Number(std::int64_t n) { return std::to_string(n); }
  static std::string Slots(const std::vector<int>& slots) {
    constexpr std::size_t kShown = 8;
    std::string text = slots.size() == 1 ? "slot" : "slots";
    for (std::size_t i = 0; i < slots.size() && i < kShown; ++i) text += " " + Number(slots[i]);
    if (slots.size() > kShown) text += " ... (" + Number(slots.size()) + " in all)";
    return text;
  }
  std::string SlotOf(int slot) const {
    return "slot " + Number(slot) + " (" + TypeName(f_.slots[slot].type) + ")";
  }
  static std::string StoredWords(std::int32_t stored) {
    return stored == 0 ? "storedFixedValue, which is 0" : "storedFixedValue " + Number(stored);
  }
  std::string InScope(int type, const std::vector<int>& slots) const {
    return TypeName(type) + " in scope (" + Slots(slots) + ")";
  }
  static std::string End(bool front) { return front ? "front-most" : "back-most"; }
  static std::string Beyond(bool conditions, int last) {
    return std::string(" lies beyond ") + (conditions ? "objectCount " : "objectLimit ") +
           Number(last) + ", the last slot the " + (conditions ? "conditions" : "actions") +
           " look in";
  }
  // A subject such as "Ball's first instance in scope, slot 4," at the end of
  // a clause, without its closing comma.
  static std::string Unframed(const std::string& name) {
    return !name.empty() && name.back() == ',' ? name.substr(0, name.size() - 1) : name;
  }
  std::string NoneInScope(const model::ScopeStart& scope) const {
    const std::string first = std::to_string(scope.first);
    const std::string why =
        scope.current ? (scope.first < 0 ? "its selection is current and empty"
                                         : "its current selection starts at free slot " + first)
                      : (scope.first < 0 ? "it has no objects"
                                         : "its first object's slot " + first + " is free");
    return TypeName(scope.type) + " has no instance in scope (" + why + ")";
  }

  // `argument` and `firstSlot`: an action's parameter and its first instance
  // in scope, which names the object when it is the one beyond.
  void NotFound(const model::LookedUp& search, const CallArgument* argument = nullptr,
                int firstSlot = kNone) {
    const std::string value = Number(search.fixedValue);
    if (search.beyond == kNone) return Say("no object has fixed value " + value);
    const std::string detail = " (fixed value " + value + ")";
    Say((argument != nullptr ? Subject(*argument, firstSlot, search.beyond, detail)
                             : "slot " + Number(search.beyond) + detail) +
        Beyond(search.bound == model::SlotBound::ObjectCount, search.lastSlot));
  }

  // --- Actions ------------------------------------------------------------------

  struct Operand {
    int slot = kNone;
    std::string name;  // how the clauses call it
  };

  // The node parameter `parameter` leads to; false, with the reason said, when none.
  bool ActionOperand(int parameter, Operand& operand) {
    const CallArgument& argument = call_.arguments[parameter];
    const bool object = argument.form == CallArgument::Form::kObject;
    const auto* first = object ? Need<model::FirstInstance>(Of(parameter)) : nullptr;
    const auto* search = Need<model::LookedUp>(Of(parameter));
    if (search == nullptr || (object && first == nullptr)) return false;
    const std::string stored = StoredWords(search->fixedValue);
    int firstSlot = first != nullptr ? first->slot : kNone;
    if (first != nullptr && first->slot == kNone) {
      Say(NoneInScope(first->scope) + ", so the action takes " + stored);
      FellBack(first->scope.type, *search);
    } else if (first != nullptr && search->storedStoodIn) {
      Say(TypeName(first->scope.type) + "'s first instance in scope is slot " +
          Number(first->slot) + ", whose fixed value 0 stands for " + stored);
      firstSlot = kNone;
    } else if (search->storedStoodIn) {
      Say("fixed value 0 stands for " + stored);
    }
    if (search->slot == kNone) {
      if (search->lastSlot < 0)
        Say("objectLimit is " + Number(search->lastSlot) + ", so the actions look up no object");
      else
        NotFound(*search, &argument, firstSlot);
      return false;
    }
    operand = {search->slot, Subject(argument, firstSlot, search->slot)};
    if (!search->hasNode) Say(operand.name + " has no display node");
    return search->hasNode;
  }

  // An object form with nothing in scope acts on whatever holds the stored
  // fixed value: the report names it, and the picture rings it.
  void FellBack(int type, const model::LookedUp& search) {
    std::string note = TypeName(type) +
                       " has no instance in scope, so the call acts on the stored fixed value " +
                       Number(search.fixedValue);
    if (search.slot != kNone) {
      note += " (" + TypeName(f_.slots[search.slot].type) + " " + Number(search.slot) + ")";
      named_.push_back(search.slot);
    }
    notes_.push_back(std::move(note));
  }

  // "slot 3", or for an object parameter's first instance in scope "A's first
  // instance in scope, slot 3,".
  std::string Subject(const CallArgument& argument, int firstSlot, int slot,
                      const std::string& detail = "") const {
    const std::string named = "slot " + Number(slot) + detail;
    if (slot != firstSlot || argument.form != CallArgument::Form::kObject) return named;
    return TypeName(argument.type) + "'s first instance in scope, " + named + ",";
  }

  // The list's length where the routine checked it; -1 when unrecorded.
  int Length() {
    const auto* length = Need<model::ListLength>();
    return length != nullptr ? length->nodes : -1;
  }
  bool Empty() {
    const int nodes = Length();
    if (nodes == 0) Say("the display list is empty");
    return nodes <= 0;
  }
  // A list of no node or of one, which `what` leaves as it is.
  bool Short(const std::string& what) {
    const int nodes = Length();
    if (nodes == 0) Say("the display list is empty");
    if (nodes == 1) Say("the display list holds one node, which " + what + " leaves as it is");
    return nodes <= 1;
  }
  bool AtEnd(const Operand& m) {
    const auto* end = Need<model::TowardEnd>();
    if (end == nullptr || !end->already) return false;
    Say(m.name + " is already at the " + (end->front ? "front" : "back"));
    return true;
  }

  bool AlreadyPlaced(const Operand& m, const Operand& t, bool above) {
    const auto* levels = Need<model::LevelsCompared>();
    if (levels == nullptr || levels->passed) return false;
    const std::string where = above ? "above" : "below";
    const std::uint16_t lm = levels->level, lt = levels->otherLevel;
    if (levels->same)
      Say("both parameters name slot " + Number(m.slot) + ", which cannot move " + where +
          " itself");
    else if (lm == lt)
      Say(m.name + " and " + Unframed(t.name) + " have the same level " + Number(lm));
    else
      Say(m.name + " is already " + where + " " + Unframed(t.name) + " (level " + Number(lm) +
          " against " + Number(lt) + ")");
    return true;
  }

  bool ToLevel(const Operand& m) {
    if (Empty()) return true;
    if (const auto* outside = Find<model::LevelOutsideList>()) {
      Say("level " + Number(outside->level) +
          " is outside the list, whose positions run from 1 to " + Number(outside->size));
      return true;
    }
    const auto* target = Need<model::TargetAtLevel>();
    const auto* levels = Need<model::LevelsCompared>();
    if (target == nullptr || levels == nullptr) return false;
    const std::string position = " at position " + Number(target->level);
    if (target->itself) Say(m.name + " is already" + position);
    if (target->itself || target->owner == kNone || levels->passed) return target->itself;
    Say(m.name + " has the same level as slot " + Number(target->owner) + position + " (" +
        Number(levels->otherLevel) + ")");
    return true;
  }

  bool Sort() {
    if (Short("a sort")) return true;
    const auto* sort = Need<model::SortKeys>();
    if (sort == nullptr || !sort->inOrder) return false;
    const std::string key = sort->key == model::SortKey::X ? "X"
                            : sort->key == model::SortKey::Y
                                ? "Y"
                                : "alterable value " + Number(sort->valueIndex);
    if (sort->oneKey)
      Say((sort->defaultOnly ? "every key is the default value " : "every key (" + key + ") is ") +
          Number(sort->firstKey) + ", so the order stands");
    else
      Say("the objects already stand in this sort's order" +
          (sort->defaultOnly
               ? std::string()
               : std::string(", the ") + (sort->largestFirst ? "largest" : "smallest") + " key (" +
                     key + ") at the back"));
    return true;
  }

  bool Action(plugin::ActionCode code) {
    using enum plugin::ActionCode;
    if (plugin::IsSort(*call_.routine)) return Sort();
    Operand m, t;
    switch (code) {
      case StoreFixedValue:
        return Stored();
      case ReverseAll:
        return Short("reversing");
      case SendBackOne:
      case BringForwardOne:
        return !ActionOperand(0, m) || AtEnd(m);
      case SendBackN:
      case BringForwardN:
        if (!ActionOperand(0, m)) return true;
        if (const auto* count = Find<model::CountBelowOne>()) {
          Say("a count of " + Number(count->count) + " moves nothing");
          return true;
        }
        return AtEnd(m);
      case SwapPair: {
        if (!ActionOperand(0, m) || !ActionOperand(1, t)) return true;
        const auto* swap = Need<model::SwapOf>();
        if (swap == nullptr || !swap->same) return false;
        Say("both parameters name slot " + Number(m.slot) +
            ", and a swap with itself moves nothing");
        return true;
      }
      case BringToFront:
      case SendToBack:
        return Empty() || !ActionOperand(0, m) || AtEnd(m);
      case MoveAbove:
      case MoveBelow:
        if (!ActionOperand(0, m) || !ActionOperand(1, t)) return true;
        return AlreadyPlaced(m, t, code == MoveAbove);
      case MoveToLevel:
        return !ActionOperand(0, m) || ToLevel(m);
      default:
        return false;
    }
  }

  // "Store Fixed Value for %0" stores 0 when nothing is in scope.
  bool Stored() {
    const auto* first = Need<model::FirstInstance>(Of(0));
    if (first == nullptr || first->slot != kNone) return false;
    Say(NoneInScope(first->scope) + ", so 0 is stored");
    return true;
  }

  // --- Conditions with fixed values ------------------------------------------------

  // The slot a fixed-value condition's parameter finds; kNone with the reason said.
  int Found(int parameter) {
    const auto* search = Need<model::LookedUp>(Of(parameter));
    if (search == nullptr) return kNone;
    if (search->storedStoodIn) Say("fixed value 0 stands for " + StoredWords(search->fixedValue));
    if (search->slot == kNone) NotFound(*search);
    return search->slot;
  }
  // Whether one of the first `count` parameters found an object without a
  // node, said for the first.
  bool NoNode(int count) {
    for (int parameter = 0; parameter < count; ++parameter) {
      const auto* search = Find<model::LookedUp>(Of(parameter));
      if (search == nullptr || search->hasNode) continue;
      Say("slot " + Number(search->slot) + " has no display node");
      return true;
    }
    return false;
  }
  // An end node without an owner, said.
  bool Ownerless(const model::EndOwner& end) {
    if (end.slot == kNone) Say("the " + End(end.front) + " node has no owner");
    return end.slot == kNone;
  }

  bool EndCondition() {
    const auto* end = Need<model::EndOwner>();
    if (end == nullptr) return false;
    if (end->storedStoodIn) Say("fixed value 0 stands for " + StoredWords(end->fixedValue));
    if (Empty() || Ownerless(*end)) return true;
    if (end->holds) return false;
    const std::string owner = "slot " + Number(end->slot);
    if (end->holder == kNone)
      Say("no object has fixed value " + Number(end->fixedValue) + "; the " + End(end->front) +
          " node is " + owner + "'s");
    else
      Say("slot " + Number(end->holder) + " is not at the " + (end->front ? "front" : "back") +
          ": " + owner + " is");
    return true;
  }

  bool Compare(bool above) {
    if (Found(0) == kNone || Found(1) == kNone || NoNode(2)) return true;
    const auto* levels = Need<model::LevelsCompared>();
    if (levels == nullptr || levels->passed) return false;
    const std::string a = "slot " + Number(levels->slot), b = "slot " + Number(levels->other);
    const std::uint16_t la = levels->level, lb = levels->otherLevel;
    if (levels->same)
      Say("both parameters name " + a + ", which is neither above nor below itself");
    else if (la == lb)
      Say("slots " + Number(levels->slot) + " and " + Number(levels->other) +
          " have the same level " + Number(la));
    else
      Say(a + " (level " + Number(la) + ") is " + (la < lb ? "below " : "above ") + b + " (level " +
          Number(lb) + ")");
    return true;
  }

  bool Between() {
    if (Found(0) == kNone || Found(1) == kNone || Found(2) == kNone || NoNode(3)) return true;
    const auto against = [](int p) { return [p](const auto& d) { return d.otherParameter == p; }; };
    const auto* ab = Need<model::LevelsCompared>(against(1));
    const auto* ac = Need<model::LevelsCompared>(against(2));
    if (ab == nullptr || ac == nullptr || ab->passed) return false;
    Say("slot " + Number(ab->slot) + " (level " + Number(ab->level) +
        ") is not strictly between slot " + Number(ab->other) + " (level " +
        Number(ab->otherLevel) + ") and slot " + Number(ac->other) + " (level " +
        Number(ac->otherLevel) + ")");
    return true;
  }

  // --- Conditions on objects --------------------------------------------------------

  static std::string Side(const model::Filtered& run) {
    return run.test == model::FilterTest::Above ? "above" : "below";
  }
  // The narrowing of a one-narrowing condition; nullptr once it said why it
  // stopped or when something passed.
  const model::Filtered* Failed(bool& said) {
    const auto* run = Need<model::Filtered>();
    said = run != nullptr && run->empty;
    if (said) Say(NoneInScope(*run->empty));
    return run == nullptr || said || !run->passed.empty() ? nullptr : run;
  }

  bool ObjectCompare() {
    bool said = false;
    const model::Filtered* run = Failed(said);
    if (run == nullptr) return said;
    const std::string side = Side(*run);
    if (run->plain) {
      Say("no " + InScope(run->candidateScope.type, run->candidates) + " lies " + side + " any " +
          InScope(run->partnerScope->type, run->partners));
      return true;
    }
    if (!run->unseen) return false;
    Say(SlotOf(run->unseen->candidate) + " lies " + side + " " + SlotOf(run->unseen->partner) +
        ", but the test does not see it so");
    if (!run->unseen->misled) return false;
    const model::Misled& misled = *run->unseen->misled;
    const std::string slot = "slot " + Number(misled.slot);
    if (misled.fixedValue == 0)
      Say(slot + "'s fixed value 0 stands for " + StoredWords(f_.storedFixedValue) +
          " in the test");
    else if (misled.found == kNone)
      Say(slot + Beyond(true, f_.objectCount));
    else
      Say("the test finds " + slot + "'s fixed value " + Number(misled.fixedValue) +
          " first in slot " + Number(misled.found));
    return true;
  }

  bool ObjectAtEnd() {
    bool said = false;
    const model::Filtered* run = Failed(said);
    if (run == nullptr) return said;
    if (Empty()) return true;
    const auto* end = Need<model::EndOwner>();
    if (end == nullptr || Ownerless(*end)) return end != nullptr;
    if (!end->candidate)
      Say("the " + End(end->front) + " node is " + SlotOf(end->slot) + ", not one of " +
          InScope(run->candidateScope.type, run->candidates));
    else if (end->ownerFixedValue == 0)
      Say(SlotOf(end->slot) + " is " + End(end->front) + ", but its fixed value 0 stands for " +
          StoredWords(f_.storedFixedValue) + " in the test");
    return !end->candidate || end->ownerFixedValue == 0;
  }

  // One arrangement of "%0 Between %1 and %2?": A tested against B and, if
  // some passed, those against C. `wholeType` when A's walk is its type
  // chain, its selection having been marked not current. Appends why it
  // failed to `why`; false when no plain reason is known.
  bool Arrangement(int arrangement, bool wholeType, std::string& why) {
    std::vector<std::string> outer = std::exchange(clauses_, {});
    bool known = true;
    const auto* one = Need<model::Filtered>(Run(arrangement, 1));
    const model::Filtered* two = nullptr;
    if (one == nullptr) {
      known = false;
    } else if (one->empty) {
      Say(NoneInScope(*one->empty));
    } else if (one->passed.empty()) {
      const int a = one->candidateScope.type;
      known = one->plain;
      if (known)
        Say("no " +
            (wholeType ? TypeName(a) + " at all (" + Slots(one->candidates) + ")"
                       : InScope(a, one->candidates)) +
            " lies " + Side(*one) + " any " + InScope(one->partnerScope->type, one->partners));
    } else if (two = Need<model::Filtered>(Run(arrangement, 2));
               two == nullptr || !two->passed.empty()) {
      known = false;
    } else if (two->empty) {
      Say(NoneInScope(*two->empty));
    } else {
      known = one->plain && two->plain;
      Say(TypeName(one->candidateScope.type) + "'s instances " + Side(*one) + " some " +
          TypeName(one->partnerScope->type) + " (" + Slots(one->passed) + ") lie " + Side(*two) +
          " no " + InScope(two->partnerScope->type, two->partners));
    }
    for (const std::string& clause : clauses_) why += (why.empty() ? "" : ", ") + clause;
    clauses_ = std::move(outer);
    return known;
  }

  bool ObjectBetween() {
    const auto* partners = Need<model::BetweenPartners>();
    // A's walks rewrite its own selection: with B or C of its type, no plain
    // reason follows.
    if (partners == nullptr || partners->sharesType) return false;
    if (partners->empty) {
      Say(NoneInScope(*partners->empty));
      return true;
    }
    std::string first, other;
    if (!Arrangement(0, false, first)) return false;
    const auto* marked = Need<model::MarkedNotCurrent>();
    const auto* next = Need<model::Filtered>(Run(1, 1));
    if (marked == nullptr || next == nullptr) return false;
    const std::string a = TypeName(marked->type);
    if (marked->stillCurrent && next->empty)
      other = "eventCount is 65535, so marking " + a +
              "'s selection not current leaves it current and empty, with no " + a + " to test";
    else if (!Arrangement(1, !next->candidateScope.current, other))
      return false;
    const std::string b = TypeName(call_.arguments[1].type), c = TypeName(call_.arguments[2].type);
    Say("above " + b + " and below " + c + ": " + first + "; below " + b + " and above " + c +
        ": " + other);
    return true;
  }

  bool Condition(plugin::ConditionCode code) {
    using enum plugin::ConditionCode;
    switch (code) {
      case CondAtBack:
      case CondAtFront:
        return EndCondition();
      case CondAbove:
      case CondBelow:
        return Compare(code == CondAbove);
      case CondBetween:
        return Between();
      case CondObjectAtBack:
      case CondObjectAtFront:
        return ObjectAtEnd();
      case CondObjectAbove:
      case CondObjectBelow:
        return ObjectCompare();
      case CondObjectBetween:
        return ObjectBetween();
    }
    return false;
  }

  const model::Frame& f_;
  const model::Decisions& decisions_;
  const SceneCall& call_;
  std::string missing_;  // the first decision needed and not recorded
  std::vector<std::string> clauses_, notes_;
  std::vector<int> named_;
};

}  // namespace

std::vector<std::string> ParameterNotes(const SceneCall& call) {
  std::vector<std::string> notes;
  for (std::size_t i = 0; i < call.arguments.size(); ++i) {
    const CallArgument& argument = call.arguments[i];
    if (argument.form != CallArgument::Form::kAltValue) continue;
    const std::int16_t index = static_cast<std::int16_t>(argument.value);
    if (model::ValueIndexInRange(index)) continue;
    const std::int32_t byDefault = i + 1 < call.arguments.size() ? call.arguments[i + 1].value : 0;
    notes.push_back("alterable value " + std::to_string(index) + " lies outside 0 to " +
                    std::to_string(model::kValueCount - 1) +
                    ", so every object sorts by the default value " + std::to_string(byDefault));
  }
  return notes;
}

Result<CallAccount> WordDecisions(const model::Frame& before, const model::Decisions& decisions,
                                  const SceneCall& call, bool didNothing) {
  return Wording(before, decisions, call).Account(didNothing);
}

CallAccount ReplayOnModel(const model::Frame& before, const SceneCall& call, bool didNothing) {
  model::Decisions decisions;
  try {
    model::Frame frame = before;
    model::Run(frame, ModelCall(call), &decisions);
  } catch (const model::Unmodelled&) {
    return {};
  }
  Result<CallAccount> account = WordDecisions(before, decisions, call, didNothing);
  if (account) return std::move(*account);
  // Loud in the report, which the scene fuzzers reject.
  CallAccount broken;
  broken.notes.push_back("!! " + account.error());
  return broken;
}

}  // namespace tier::scene
