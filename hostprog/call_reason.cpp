#include "hostprog/call_reason.h"

#include <concepts>
#include <utility>

#include "hostprog/model_frame.h"

namespace tier::hostprog {
namespace {

using model::kNone;
using plugin::RoutineKind;

std::string Text(std::string text) { return text; }
std::string Text(std::integral auto number) { return std::to_string(number); }

// `pattern` with each '%' replaced by the next of `parts`.
template <class... Parts>
std::string Format(std::string_view pattern, const Parts&... parts) {
  const std::vector<std::string> texts{Text(parts)...};
  std::string out;
  std::size_t next = 0;
  for (const char c : pattern) out += c == '%' ? texts[next++] : std::string(1, c);
  return out;
}

struct Any {
  bool operator()(const auto&) const { return true; }
};

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
                          : routine.kind == RoutineKind::Condition &&
                                Condition(static_cast<plugin::ConditionCode>(routine.code));
    if (!missing_.empty())
      return Error{Format("the reference model recorded no % decision for %", missing_,
                          std::string(routine.displayText))};
    CallAccount account{std::move(notes_), std::move(named_), std::nullopt};
    if (!said || !didNothing || clauses_.empty()) return account;
    account.why.emplace();
    for (const std::string& clause : clauses_)
      account.why->text += (account.why->text.empty() ? "" : "; ") + clause;
    return account;
  }

 private:
  // The recorded decision of type T that `match` accepts.
  template <class T, class Match = Any>
  const T* Find(Match match = {}) const {
    for (const model::Decision& decision : decisions_)
      if (const T* found = std::get_if<T>(&decision); found != nullptr && match(*found))
        return found;
    return nullptr;
  }
  // A decision the routine's path must have recorded: its absence makes the
  // account an error, never a reason short of a clause.
  template <class T, class Match = Any>
  const T* Need(Match match = {}) {
    const T* found = Find<T>(match);
    if (found == nullptr && missing_.empty()) missing_ = T::kName;
    return found;
  }
  static auto Of(int parameter) {
    return [parameter](const auto& decision) { return decision.parameter == parameter; };
  }
  static auto Against(int parameter) {
    return [parameter](const auto& decision) { return decision.otherParameter == parameter; };
  }
  // The narrowing of arrangement `arrangement` against parameter `partner`.
  static auto Arranged(int arrangement, int partner) {
    return [=](const model::Filtered& run) {
      return run.arrangement == arrangement && run.partner == partner;
    };
  }
  template <class... Parts>
  void Say(std::string_view pattern, const Parts&... parts) {
    clauses_.push_back(Format(pattern, parts...));
  }

  // --- Words ------------------------------------------------------------------

  std::string TypeName(int type) const { return PrintableName(f_.types[type].name); }
  static std::string Slots(const std::vector<int>& slots) {
    constexpr std::size_t kShown = 8;
    std::string text = slots.size() == 1 ? "slot" : "slots";
    for (std::size_t i = 0; i < slots.size() && i < kShown; ++i) text += " " + Text(slots[i]);
    if (slots.size() > kShown) text += Format(" ... (% in all)", slots.size());
    return text;
  }
  std::string SlotOf(int slot) const {
    return Format("slot % (%)", slot, TypeName(f_.slots[slot].type));
  }
  static std::string Stored(std::int32_t stored) {
    return stored == 0 ? "storedFixedValue, which is 0" : "storedFixedValue " + Text(stored);
  }
  // A look-up that took the stored value for a fixed value 0.
  void StoodIn(const auto& decision) {
    if (decision.storedStoodIn) Say("fixed value 0 stands for %", Stored(decision.fixedValue));
  }
  std::string InScope(int type, const std::vector<int>& slots) const {
    return Format("% in scope (%)", TypeName(type), Slots(slots));
  }
  static std::string End(bool front) { return front ? "front-most" : "back-most"; }
  static std::string Beyond(bool conditions, int last) {
    return conditions
               ? Format(" lies beyond objectCount %, the last slot the conditions look in", last)
               : Format(" lies beyond objectLimit %, the last slot the actions look in", last);
  }
  // A subject such as "Ball's first instance in scope, slot 4," at the end of
  // a clause, without its closing comma.
  static std::string Unframed(const std::string& name) {
    return !name.empty() && name.back() == ',' ? name.substr(0, name.size() - 1) : name;
  }
  std::string NoneInScope(const model::ScopeStart& scope) const {
    const std::string why =
        scope.current
            ? (scope.first < 0 ? "its selection is current and empty"
                               : "its current selection starts at free slot " + Text(scope.first))
            : (scope.first < 0 ? "it has no objects"
                               : Format("its first object's slot % is free", scope.first));
    return Format("% has no instance in scope (%)", TypeName(scope.type), why);
  }

  // `argument` and `firstSlot`: an action's parameter and its first instance
  // in scope, which names the object when it is the one beyond.
  void NotFound(const model::LookedUp& search, const CallArgument* argument = nullptr,
                int firstSlot = kNone) {
    if (search.beyond == kNone) return Say("no object has fixed value %", search.fixedValue);
    const std::string detail = Format(" (fixed value %)", search.fixedValue);
    Say("%%",
        argument != nullptr ? Subject(*argument, firstSlot, search.beyond, detail)
                            : Format("slot %%", search.beyond, detail),
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
    int firstSlot = first != nullptr ? first->slot : kNone;
    if (first != nullptr && first->slot == kNone) {
      Say("%, so the action takes %", NoneInScope(first->scope), Stored(search->fixedValue));
      FellBack(first->scope.type, *search);
    } else if (first != nullptr && search->storedStoodIn) {
      Say("%'s first instance in scope is slot %, whose fixed value 0 stands for %",
          TypeName(first->scope.type), first->slot, Stored(search->fixedValue));
      firstSlot = kNone;
    } else {
      StoodIn(*search);
    }
    if (search->slot == kNone && search->lastSlot < 0)
      Say("objectLimit is %, so the actions look up no object", search->lastSlot);
    else if (search->slot == kNone)
      NotFound(*search, &argument, firstSlot);
    if (search->slot == kNone) return false;
    operand = {search->slot, Subject(argument, firstSlot, search->slot)};
    if (!search->hasNode) Say("% has no display node", operand.name);
    return search->hasNode;
  }

  // An object form with nothing in scope acts on whatever holds the stored
  // fixed value: the report names it, and the picture rings it.
  void FellBack(int type, const model::LookedUp& search) {
    std::string note =
        Format("% has no instance in scope, so the call acts on the stored fixed value %",
               TypeName(type), search.fixedValue);
    if (search.slot != kNone) {
      note += Format(" (% %)", TypeName(f_.slots[search.slot].type), search.slot);
      named_.push_back(search.slot);
    }
    notes_.push_back(std::move(note));
  }

  // "slot 3", or for an object parameter's first instance in scope "A's first
  // instance in scope, slot 3,".
  std::string Subject(const CallArgument& argument, int firstSlot, int slot,
                      const std::string& detail = "") const {
    const std::string named = Format("slot %%", slot, detail);
    if (slot != firstSlot || argument.form != CallArgument::Form::kObject) return named;
    return Format("%'s first instance in scope, %,", TypeName(argument.type), named);
  }

  // An empty list, or with `what` one of one node, which `what` leaves as it is.
  bool Short(const char* what = nullptr) {
    const auto* length = Need<model::ListLength>();
    const int nodes = length != nullptr ? length->nodes : -1;
    if (nodes == 0) Say("the display list is empty");
    if (nodes == 1 && what != nullptr)
      Say("the display list holds one node, which % leaves as it is", std::string(what));
    return nodes <= (what != nullptr ? 1 : 0);
  }
  bool AtEnd(const Operand& m) {
    const auto* end = Need<model::TowardEnd>();
    if (end != nullptr && end->already)
      Say("% is already at the %", m.name, std::string(end->front ? "front" : "back"));
    return end != nullptr && end->already;
  }

  bool AlreadyPlaced(const Operand& m, const Operand& t, bool above) {
    const auto* levels = Need<model::LevelsCompared>();
    if (levels == nullptr || levels->passed) return false;
    const std::string where = above ? "above" : "below";
    if (levels->same)
      Say("both parameters name slot %, which cannot move % itself", m.slot, where);
    else if (levels->level == levels->otherLevel)
      Say("% and % have the same level %", m.name, Unframed(t.name), levels->level);
    else
      Say("% is already % % (level % against %)", m.name, where, Unframed(t.name), levels->level,
          levels->otherLevel);
    return true;
  }

  bool ToLevel(const Operand& m) {
    if (Short()) return true;
    if (const auto* outside = Find<model::LevelOutsideList>()) {
      Say("level % is outside the list, whose positions run from 1 to %", outside->level,
          outside->size);
      return true;
    }
    const auto* target = Need<model::TargetAtLevel>();
    const auto* levels = Need<model::LevelsCompared>();
    if (target == nullptr || levels == nullptr) return false;
    if (target->itself) Say("% is already at position %", m.name, target->level);
    if (target->itself || target->owner == kNone || levels->passed) return target->itself;
    Say("% has the same level as slot % at position % (%)", m.name, target->owner, target->level,
        levels->otherLevel);
    return true;
  }

  bool Sort() {
    if (Short("a sort")) return true;
    const auto* sort = Need<model::SortKeys>();
    if (sort == nullptr || !sort->inOrder) return false;
    const std::string key = sort->key == model::SortKey::X ? "X"
                            : sort->key == model::SortKey::Y
                                ? "Y"
                                : "alterable value " + Text(sort->valueIndex);
    if (sort->oneKey && sort->defaultOnly)
      Say("every key is the default value %, so the order stands", sort->firstKey);
    else if (sort->oneKey)
      Say("every key (%) is %, so the order stands", key, sort->firstKey);
    else if (sort->defaultOnly)
      Say("the objects already stand in this sort's order");
    else
      Say("the objects already stand in this sort's order, the % key (%) at the back",
          std::string(sort->largestFirst ? "largest" : "smallest"), key);
    return true;
  }

  bool Action(plugin::ActionCode code) {
    using enum plugin::ActionCode;
    if (plugin::IsSort(*call_.routine)) return Sort();
    Operand m, t;
    switch (code) {
      case StoreFixedValue: {
        // "Store Fixed Value for %0" stores 0 when nothing is in scope.
        const auto* first = Need<model::FirstInstance>(Of(0));
        if (first == nullptr || first->slot != kNone) return false;
        Say("%, so 0 is stored", NoneInScope(first->scope));
        return true;
      }
      case ReverseAll:
        return Short("reversing");
      case SendBackOne:
      case BringForwardOne:
        return !ActionOperand(0, m) || AtEnd(m);
      case SendBackN:
      case BringForwardN:
        if (!ActionOperand(0, m)) return true;
        if (const auto* count = Find<model::CountBelowOne>()) {
          Say("a count of % moves nothing", count->count);
          return true;
        }
        return AtEnd(m);
      case SwapPair: {
        if (!ActionOperand(0, m) || !ActionOperand(1, t)) return true;
        const auto* swap = Need<model::SwapOf>();
        if (swap == nullptr || !swap->same) return false;
        Say("both parameters name slot %, and a swap with itself moves nothing", m.slot);
        return true;
      }
      case BringToFront:
      case SendToBack:
        return Short() || !ActionOperand(0, m) || AtEnd(m);
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

  // --- Conditions with fixed values ------------------------------------------------

  // Whether the first `count` parameters of a fixed-value condition each
  // found an object with a node; false with the reason said.
  bool FoundAll(int count) {
    for (int parameter = 0; parameter < count; ++parameter) {
      const auto* search = Need<model::LookedUp>(Of(parameter));
      if (search == nullptr) return false;
      StoodIn(*search);
      if (search->slot == kNone) NotFound(*search);
      if (search->slot == kNone) return false;
    }
    for (int parameter = 0; parameter < count; ++parameter)
      if (const auto* search = Find<model::LookedUp>(Of(parameter)); !search->hasNode) {
        Say("slot % has no display node", search->slot);
        return false;
      }
    return true;
  }
  // An end node without an owner, said.
  bool Ownerless(const model::EndOwner& end) {
    if (end.slot == kNone) Say("the % node has no owner", End(end.front));
    return end.slot == kNone;
  }

  bool EndCondition() {
    const auto* end = Need<model::EndOwner>();
    if (end == nullptr) return false;
    StoodIn(*end);
    if (Short() || Ownerless(*end)) return true;
    if (end->holds) return false;
    if (end->holder == kNone)
      Say("no object has fixed value %; the % node is slot %'s", end->fixedValue, End(end->front),
          end->slot);
    else
      Say("slot % is not at the %: slot % is", end->holder,
          std::string(end->front ? "front" : "back"), end->slot);
    return true;
  }

  bool Compare() {
    if (!FoundAll(2)) return true;
    const auto* levels = Need<model::LevelsCompared>();
    if (levels == nullptr || levels->passed) return false;
    if (levels->same)
      Say("both parameters name slot %, which is neither above nor below itself", levels->slot);
    else if (levels->level == levels->otherLevel)
      Say("slots % and % have the same level %", levels->slot, levels->other, levels->level);
    else
      Say("slot % (level %) is % slot % (level %)", levels->slot, levels->level,
          std::string(levels->level < levels->otherLevel ? "below" : "above"), levels->other,
          levels->otherLevel);
    return true;
  }

  bool Between() {
    if (!FoundAll(3)) return true;
    const auto* ab = Need<model::LevelsCompared>(Against(1));
    const auto* ac = Need<model::LevelsCompared>(Against(2));
    if (ab == nullptr || ac == nullptr || ab->passed) return false;
    Say("slot % (level %) is not strictly between slot % (level %) and slot % (level %)", ab->slot,
        ab->level, ab->other, ab->otherLevel, ac->other, ac->otherLevel);
    return true;
  }

  // --- Conditions on objects --------------------------------------------------------

  static std::string Side(const model::Filtered& run) {
    return run.test == model::FilterTest::Above ? "above" : "below";
  }
  // The narrowing `match` picks when nothing passed and it ran; nullptr,
  // with `said` when it found a scope without an instance and said so.
  template <class Match = Any>
  const model::Filtered* Failed(bool& said, Match match = {}) {
    const auto* run = Need<model::Filtered>(match);
    said = run != nullptr && run->empty;
    if (said) Say("%", NoneInScope(*run->empty));
    return run == nullptr || said || !run->passed.empty() ? nullptr : run;
  }
  void NonePassed(const model::Filtered& run, const std::string& candidates) {
    Say("no % lies % any %", candidates, Side(run), InScope(run.partnerScope->type, run.partners));
  }

  bool ObjectCompare() {
    bool said = false;
    const model::Filtered* run = Failed(said);
    if (run == nullptr || run->plain) {
      if (run != nullptr) NonePassed(*run, InScope(run->candidateScope.type, run->candidates));
      return said || run != nullptr;
    }
    if (!run->unseen) return false;
    Say("% lies % %, but the test does not see it so", SlotOf(run->unseen->candidate), Side(*run),
        SlotOf(run->unseen->partner));
    if (!run->unseen->misled) return false;
    const model::Misled& misled = *run->unseen->misled;
    if (misled.storedStoodIn)
      Say("slot %'s fixed value 0 stands for % in the test", misled.slot, Stored(misled.lookedFor));
    else if (misled.found == kNone)
      Say("slot %%", misled.slot, Beyond(true, misled.lastSlot));
    else
      Say("the test finds slot %'s fixed value % first in slot %", misled.slot, misled.fixedValue,
          misled.found);
    return true;
  }

  bool ObjectAtEnd() {
    bool said = false;
    const model::Filtered* run = Failed(said);
    if (run == nullptr || Short()) return said || run != nullptr;
    const auto* end = Need<model::EndOwner>();
    if (end == nullptr || Ownerless(*end)) return end != nullptr;
    if (!end->candidate)
      Say("the % node is %, not one of %", End(end->front), SlotOf(end->slot),
          InScope(run->candidateScope.type, run->candidates));
    else if (end->storedStoodIn)
      Say("% is %, but its fixed value 0 stands for % in the test", SlotOf(end->slot),
          End(end->front), Stored(end->fixedValue));
    return !end->candidate || end->storedStoodIn;
  }

  // One arrangement of "%0 Between %1 and %2?": A tested against B and, if
  // some passed, those against C. `wholeType` when A's walk is its type
  // chain, its selection having been marked not current. Appends why it
  // failed to `why`; false when no plain reason is known.
  bool Arrangement(int arrangement, bool wholeType, std::string& why) {
    std::vector<std::string> outer = std::exchange(clauses_, {});
    bool said = false, known = true;
    const model::Filtered* two = nullptr;
    if (const auto* one = Need<model::Filtered>(Arranged(arrangement, 1)); one == nullptr) {
      known = false;
    } else if (one->empty) {
      Say("%", NoneInScope(*one->empty));
    } else if (const int a = one->candidateScope.type; one->passed.empty()) {
      known = one->plain;
      if (known)
        NonePassed(*one, wholeType ? Format("% at all (%)", TypeName(a), Slots(one->candidates))
                                   : InScope(a, one->candidates));
    } else if (two = Failed(said, Arranged(arrangement, 2)); two != nullptr) {
      known = one->plain && two->plain;
      Say("%'s instances % some % (%) lie % no %", TypeName(a), Side(*one),
          TypeName(one->partnerScope->type), Slots(one->passed), Side(*two),
          InScope(two->partnerScope->type, two->partners));
    } else {
      known = said;
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
    if (partners->empty) Say("%", NoneInScope(*partners->empty));
    std::string first, other;
    if (partners->empty || !Arrangement(0, false, first)) return partners->empty.has_value();
    const auto* marked = Need<model::MarkedNotCurrent>();
    const auto* next = Need<model::Filtered>(Arranged(1, 1));
    if (marked == nullptr || next == nullptr) return false;
    const std::string a = TypeName(marked->type);
    if (marked->stillCurrent && next->empty)
      other = Format(
          "eventCount is 65535, so marking %'s selection not current leaves it current and "
          "empty, with no % to test",
          a, a);
    else if (!Arrangement(1, !next->candidateScope.current, other))
      return false;
    const std::string b = TypeName(call_.arguments[1].type), c = TypeName(call_.arguments[2].type);
    Say("above % and below %: %; below % and above %: %", b, c, first, b, c, other);
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
        return Compare();
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
  const model::Call c = ModelCall(call);
  if (!model::SortsByDefaultOnly(c)) return {};
  return {
      Format("alterable value % lies outside 0 to %, so every object sorts by the default "
             "value %",
             c.valueIndex, model::kValueCount - 1, c.second)};
}

Result<CallAccount> WordDecisions(const model::Frame& before, const model::Decisions& decisions,
                                  const SceneCall& call, bool didNothing) {
  return Wording(before, decisions, call).Account(didNothing);
}

CallAccount ReplayOnModel(const model::Frame& before, const SceneCall& call, bool didNothing) {
  model::Decisions decisions;
  model::Frame frame = before;
  if (model::Run(frame, ModelCall(call), &decisions).unmodelled) return {};
  Result<CallAccount> account = WordDecisions(before, decisions, call, didNothing);
  if (account) return std::move(*account);
  // Loud in the report, which the scene fuzzers reject.
  return {{"!! " + account.error()}, {}, std::nullopt};
}

}  // namespace tier::hostprog
