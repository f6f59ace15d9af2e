#include "hostprog/call_reason.h"

#include <algorithm>

#include "hostprog/model_frame.h"

namespace tier::scene {
namespace {

using model::kNone;
using plugin::RoutineKind;

constexpr std::uint16_t kLastEventPass = 0xFFFF;

// Words over the decisions of one replay, read front to back as the routine
// took them; `frame` is the frame the call found.
class Wording {
 public:
  Wording(const model::Frame& frame, const model::Decisions& decisions, const SceneCall& call)
      : f_(frame), decisions_(decisions), call_(call) {}

  CallAccount Account(bool didNothing) {
    const plugin::RoutineInfo& routine = *call_.routine;
    // An object form decides as its fixed-value twin does, after its scope.
    const plugin::RoutineInfo* twin = plugin::FixedValueTwin(routine);
    const std::uint16_t code = twin != nullptr ? twin->code : routine.code;
    const bool said = routine.kind == RoutineKind::Action
                          ? Action(static_cast<plugin::ActionCode>(code))
                      : routine.kind == RoutineKind::Condition
                          ? Condition(static_cast<plugin::ConditionCode>(routine.code))
                          : false;
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
  template <class T>
  const T* Take() {
    if (next_ >= decisions_.size()) return nullptr;
    const T* decision = std::get_if<T>(&decisions_[next_]);
    if (decision != nullptr) ++next_;
    return decision;
  }
  void Say(std::string clause) { clauses_.push_back(std::move(clause)); }

  // --- Words ------------------------------------------------------------------

  std::string TypeName(int type) const { return PrintableName(f_.types[type].name); }
  std::int32_t ValueOf(int slot) const { return model::FixedValueOf(f_.slots[slot]); }
  bool Present(int slot) const {
    return slot >= 0 && slot < static_cast<int>(f_.slots.size()) && f_.slots[slot].present;
  }
  bool HasNode(int slot) const { return Present(slot) && f_.slots[slot].node != kNone; }
  std::uint16_t LevelOf(int slot) const { return f_.LevelOf(f_.slots[slot].node); }

  static std::string Slots(const std::vector<int>& slots) {
    constexpr std::size_t kShown = 8;
    std::string text = slots.size() == 1 ? "slot" : "slots";
    for (std::size_t i = 0; i < slots.size() && i < kShown; ++i)
      text += " " + std::to_string(slots[i]);
    if (slots.size() > kShown) text += " ... (" + std::to_string(slots.size()) + " in all)";
    return text;
  }
  std::string SlotOf(int slot) const {
    return "slot " + std::to_string(slot) + " (" + TypeName(f_.slots[slot].type) + ")";
  }
  std::string StoredWords() const {
    return f_.storedFixedValue == 0 ? "storedFixedValue, which is 0"
                                    : "storedFixedValue " + std::to_string(f_.storedFixedValue);
  }
  std::string InScope(int type, const std::vector<int>& slots) const {
    return TypeName(type) + " in scope (" + Slots(slots) + ")";
  }
  // A subject such as "Ball's first instance in scope, slot 4," at the end of
  // a clause, without its closing comma.
  static std::string Unframed(const std::string& name) {
    return !name.empty() && name.back() == ',' ? name.substr(0, name.size() - 1) : name;
  }

  bool InScopeAt(const model::ScopeStart& scope) const { return Present(scope.first); }
  static std::string WhyNoneInScope(const model::ScopeStart& scope) {
    if (scope.current)
      return scope.first < 0
                 ? "its selection is current and empty"
                 : "its current selection starts at free slot " + std::to_string(scope.first);
    return scope.first < 0 ? "it has no objects"
                           : "its first object's slot " + std::to_string(scope.first) + " is free";
  }
  void NoneInScope(const model::ScopeStart& scope) {
    Say(TypeName(scope.type) + " has no instance in scope (" + WhyNoneInScope(scope) + ")");
  }

  // The first slot holding `value` after `bound`; kNone.
  int HolderBeyond(std::int32_t value, int bound) const {
    for (int slot = std::max(bound + 1, 0); slot < static_cast<int>(f_.slots.size()); ++slot)
      if (Present(slot) && ValueOf(slot) == value) return slot;
    return kNone;
  }
  // `argument` and `firstSlot`: the action's parameter and its first
  // instance in scope, which names the object when it is the one beyond.
  void NotFound(const model::Searched& search, const CallArgument* argument = nullptr,
                int firstSlot = kNone) {
    const bool conditions = search.bound == model::SlotBound::ObjectCount;
    const int bound = conditions ? int{f_.objectCount} : int{f_.objectLimit};
    const int beyond = HolderBeyond(search.fixedValue, bound);
    if (beyond == kNone) {
      Say("no object has fixed value " + std::to_string(search.fixedValue));
      return;
    }
    const std::string detail = " (fixed value " + std::to_string(search.fixedValue) + ")";
    Say((argument != nullptr ? Subject(*argument, firstSlot, beyond, detail)
                             : "slot " + std::to_string(beyond) + detail) +
        " lies beyond " + (conditions ? "objectCount " : "objectLimit ") + std::to_string(bound) +
        (conditions ? ", the last slot the conditions look in"
                    : ", the last slot the actions look in"));
  }

  // --- Actions ------------------------------------------------------------------

  struct Operand {
    int slot = kNone;
    std::string name;  // how the clauses call it
  };

  // The i-th object parameter's scope decision, taken up front: the model
  // reads every object parameter before it looks a fixed value up.
  void TakeScopes() {
    for (;;) {
      if (const auto* none = Take<model::NoInstanceInScope>())
        scopes_.push_back(*none);
      else if (const auto* first = Take<model::FirstInScope>())
        scopes_.push_back(*first);
      else
        return;
    }
  }

  // The node a parameter leads to; false, with the reason said, when none.
  bool ActionOperand(const CallArgument& argument, Operand& operand) {
    int firstSlot = kNone, fellBackType = kNone;
    if (argument.form == CallArgument::Form::kObject && nextScope_ < scopes_.size()) {
      const auto& scope = scopes_[nextScope_++];
      if (const auto* none = std::get_if<model::NoInstanceInScope>(&scope)) {
        Take<model::StoredStandsIn>();
        fellBackType = none->scope.type;
        Say(TypeName(none->scope.type) + " has no instance in scope (" +
            WhyNoneInScope(none->scope) + "), so the action takes " + StoredWords());
      } else if (const auto* first = std::get_if<model::FirstInScope>(&scope)) {
        firstSlot = first->slot;
        if (Take<model::StoredStandsIn>() != nullptr) {
          Say(TypeName(first->type) + "'s first instance in scope is slot " +
              std::to_string(first->slot) + ", whose fixed value 0 stands for " + StoredWords());
          firstSlot = kNone;
        }
      }
    } else if (Take<model::StoredStandsIn>() != nullptr) {
      Say("fixed value 0 stands for " + StoredWords());
    }
    const auto* search = Take<model::Searched>();
    if (search == nullptr) return false;
    if (fellBackType != kNone) FellBack(fellBackType, *search);
    if (search->slot == kNone) {
      if (f_.objectLimit < 0)
        Say("objectLimit is " + std::to_string(f_.objectLimit) +
            ", so the actions look up no object");
      else
        NotFound(*search, &argument, firstSlot);
      return false;
    }
    if (Take<model::NoNode>() != nullptr) {
      Say(Subject(argument, firstSlot, search->slot) + " has no display node");
      return false;
    }
    operand.slot = search->slot;
    operand.name = Subject(argument, firstSlot, search->slot);
    return true;
  }

  // An object form with nothing in scope acts on whatever holds the stored
  // fixed value: the report names it, and the picture rings it.
  void FellBack(int type, const model::Searched& search) {
    std::string note = TypeName(type) +
                       " has no instance in scope, so the call acts on the stored fixed value " +
                       std::to_string(search.fixedValue);
    if (search.slot != kNone) {
      note += " (" + TypeName(f_.slots[search.slot].type) + " " + std::to_string(search.slot) + ")";
      named_.push_back(search.slot);
    }
    notes_.push_back(std::move(note));
  }

  // "slot 3", or for an object parameter's first instance in scope "A's first
  // instance in scope, slot 3,".
  std::string Subject(const CallArgument& argument, int firstSlot, int slot,
                      const std::string& detail = "") const {
    const std::string named = "slot " + std::to_string(slot) + detail;
    if (slot != firstSlot || argument.form != CallArgument::Form::kObject) return named;
    return TypeName(argument.type) + "'s first instance in scope, " + named + ",";
  }

  bool ListEmpty() {
    if (Take<model::ListEmpty>() == nullptr) return false;
    Say("the display list is empty");
    return true;
  }
  bool AtEnd(const Operand& m) {
    const auto* end = Take<model::AlreadyAtEnd>();
    if (end == nullptr) return false;
    Say(m.name + " is already at the " + (end->front ? "front" : "back"));
    return true;
  }

  bool AlreadyPlaced(const Operand& m, const Operand& t, bool above) {
    if (Take<model::SameObject>() != nullptr) {
      Say("both parameters name slot " + std::to_string(m.slot) + ", which cannot move " +
          (above ? "above" : "below") + " itself");
      return true;
    }
    const auto* levels = Take<model::LevelsCompared>();
    if (levels == nullptr) return false;
    const std::uint16_t lm = levels->level, lt = levels->otherLevel;
    if (lm == lt) {
      Say(m.name + " and " + Unframed(t.name) + " have the same level " + std::to_string(lm));
      return true;
    }
    if (above ? lm < lt : lm > lt) return false;
    Say(m.name + " is already " + (above ? "above " : "below ") + Unframed(t.name) + " (level " +
        std::to_string(lm) + " against " + std::to_string(lt) + ")");
    return true;
  }

  bool ToLevel(const Operand& m) {
    if (ListEmpty()) return true;
    if (const auto* outside = Take<model::LevelOutsideList>()) {
      Say("level " + std::to_string(outside->level) +
          " is outside the list, whose positions run from 1 to " + std::to_string(outside->size));
      return true;
    }
    const auto* target = Take<model::TargetAtLevel>();
    const auto* levels = Take<model::LevelsCompared>();
    if (target == nullptr || levels == nullptr) return false;
    const std::string position = std::to_string(target->level);
    if (target->owner == m.slot) {
      Say(m.name + " is already at position " + position);
      return true;
    }
    if (target->owner == kNone || levels->level != levels->otherLevel) return false;
    Say(m.name + " has the same level as slot " + std::to_string(target->owner) + " at position " +
        position + " (" + std::to_string(levels->otherLevel) + ")");
    return true;
  }

  bool Sort() {
    if (ListEmpty()) return true;
    if (Take<model::ListOfOne>() != nullptr) {
      Say("the display list holds one node, which a sort leaves as it is");
      return true;
    }
    const auto* sort = Take<model::SortKeys>();
    if (sort == nullptr) return false;
    const std::vector<std::int32_t>& keys = sort->keys;
    for (std::size_t i = 1; i < keys.size(); ++i)
      if (sort->largestFirst ? keys[i] > keys[i - 1] : keys[i] < keys[i - 1]) return false;
    const bool byValue = sort->key == model::SortKey::AlterableValue;
    const bool defaultOnly =
        byValue && (sort->valueIndex < 0 || sort->valueIndex >= model::kValueCount);
    const std::string key = sort->key == model::SortKey::X ? "X"
                            : sort->key == model::SortKey::Y
                                ? "Y"
                                : "alterable value " + std::to_string(sort->valueIndex);
    if (keys.front() == keys.back()) {
      Say(defaultOnly ? "every key is the default value " + std::to_string(keys.front()) +
                            ", so the order stands"
                      : "every key (" + key + ") is " + std::to_string(keys.front()) +
                            ", so the order stands");
      return true;
    }
    Say("the objects already stand in this sort's order" +
        (defaultOnly ? std::string()
                     : std::string(", the ") + (sort->largestFirst ? "largest" : "smallest") +
                           " key (" + key + ") at the back"));
    return true;
  }

  bool Action(plugin::ActionCode code) {
    using enum plugin::ActionCode;
    TakeScopes();
    const std::vector<CallArgument>& arguments = call_.arguments;
    if (plugin::IsSort(*call_.routine)) return Sort();
    Operand m, t;
    switch (code) {
      case StoreFixedValue:
        return Stored();
      case ReverseAll:
        if (ListEmpty()) return true;
        if (Take<model::ListOfOne>() == nullptr) return false;
        Say("the display list holds one node, which reversing leaves as it is");
        return true;
      case SendBackOne:
      case BringForwardOne:
        return !ActionOperand(arguments[0], m) || AtEnd(m);
      case SendBackN:
      case BringForwardN:
        if (!ActionOperand(arguments[0], m)) return true;
        if (const auto* count = Take<model::CountBelowOne>()) {
          Say("a count of " + std::to_string(count->count) + " moves nothing");
          return true;
        }
        return AtEnd(m);
      case SwapPair:
        if (!ActionOperand(arguments[0], m) || !ActionOperand(arguments[1], t)) return true;
        if (Take<model::SameObject>() == nullptr) return false;
        Say("both parameters name slot " + std::to_string(m.slot) +
            ", and a swap with itself moves nothing");
        return true;
      case BringToFront:
      case SendToBack:
        return ListEmpty() || !ActionOperand(arguments[0], m) || AtEnd(m);
      case MoveAbove:
      case MoveBelow:
        if (!ActionOperand(arguments[0], m) || !ActionOperand(arguments[1], t)) return true;
        return AlreadyPlaced(m, t, code == MoveAbove);
      case MoveToLevel:
        return !ActionOperand(arguments[0], m) || ToLevel(m);
      default:
        return false;
    }
  }

  // "Store Fixed Value for %0" stores 0 when nothing is in scope.
  bool Stored() {
    if (scopes_.empty()) return false;
    const auto* none = std::get_if<model::NoInstanceInScope>(&scopes_.front());
    if (none == nullptr) return false;
    Say(TypeName(none->scope.type) + " has no instance in scope (" + WhyNoneInScope(none->scope) +
        "), so 0 is stored");
    return true;
  }

  // --- Conditions with fixed values ------------------------------------------------

  // The slot a fixed-value condition finds; kNone with the reason said.
  int ConditionOperand() {
    if (Take<model::StoredStandsIn>() != nullptr) Say("fixed value 0 stands for " + StoredWords());
    const auto* search = Take<model::Searched>();
    if (search == nullptr) return kNone;
    if (search->slot == kNone) NotFound(*search);
    return search->slot;
  }
  bool NoNode() {
    const auto* none = Take<model::NoNode>();
    if (none == nullptr) return false;
    Say("slot " + std::to_string(none->slot) + " has no display node");
    return true;
  }

  // The owner of the end node; kNone once it has said why there is none.
  int EndOwner(bool front) {
    if (f_.order.empty()) {
      Say("the display list is empty");
      return kNone;
    }
    const int owner = f_.nodes[front ? f_.order.back() : f_.order.front()].owner;
    if (owner == kNone)
      Say(std::string("the ") + (front ? "front-most" : "back-most") + " node has no owner");
    return owner;
  }

  bool EndCondition(bool front) {
    const std::int32_t value =
        call_.arguments[0].value == 0 ? f_.storedFixedValue : call_.arguments[0].value;
    if (Take<model::StoredStandsIn>() != nullptr) Say("fixed value 0 stands for " + StoredWords());
    const int owner = EndOwner(front);
    if (owner == kNone) return true;
    if (ValueOf(owner) == value) return false;
    const int holder = HolderBeyond(value, -1);
    if (holder == kNone)
      Say("no object has fixed value " + std::to_string(value) + "; the " +
          (front ? "front-most" : "back-most") + " node is slot " + std::to_string(owner) + "'s");
    else
      Say("slot " + std::to_string(holder) + " is not at the " + (front ? "front" : "back") +
          ": slot " + std::to_string(owner) + " is");
    return true;
  }

  bool Compare(bool above) {
    if (ConditionOperand() == kNone || ConditionOperand() == kNone || NoNode()) return true;
    if (const auto* same = Take<model::SameObject>()) {
      Say("both parameters name slot " + std::to_string(same->slot) +
          ", which is neither above nor below itself");
      return true;
    }
    const auto* levels = Take<model::LevelsCompared>();
    if (levels == nullptr) return false;
    const int a = levels->slot, b = levels->other;
    const std::uint16_t la = levels->level, lb = levels->otherLevel;
    if (above ? la > lb : la < lb) return false;
    Say(la == lb ? "slots " + std::to_string(a) + " and " + std::to_string(b) +
                       " have the same level " + std::to_string(la)
                 : "slot " + std::to_string(a) + " (level " + std::to_string(la) + ") is " +
                       (la < lb ? "below" : "above") + " slot " + std::to_string(b) + " (level " +
                       std::to_string(lb) + ")");
    return true;
  }

  bool Between() {
    if (ConditionOperand() == kNone || ConditionOperand() == kNone || ConditionOperand() == kNone ||
        NoNode())
      return true;
    const auto* ab = Take<model::LevelsCompared>();
    const auto* ac = Take<model::LevelsCompared>();
    if (ab == nullptr || ac == nullptr) return false;
    const unsigned la = ab->level, lb = ab->otherLevel, lc = ac->otherLevel;
    if ((lb < la && la < lc) || (lc < la && la < lb)) return false;
    Say("slot " + std::to_string(ab->slot) + " (level " + std::to_string(la) +
        ") is not strictly between slot " + std::to_string(ab->other) + " (level " +
        std::to_string(lb) + ") and slot " + std::to_string(ac->other) + " (level " +
        std::to_string(lc) + ")");
    return true;
  }

  // --- Conditions on objects --------------------------------------------------------

  // An instance the test finds as itself, with a node, so that levels decide.
  bool Plain(int slot) const {
    return model::ConditionSlot(f_, ValueOf(slot)) == slot && HasNode(slot);
  }
  bool AllPlain(const std::vector<int>& slots) const {
    return std::all_of(slots.begin(), slots.end(), [&](int slot) { return Plain(slot); });
  }
  bool LiesBeyond(int a, int b, bool above) const {
    if (!HasNode(a) || !HasNode(b)) return false;
    return above ? LevelOf(a) > LevelOf(b) : LevelOf(a) < LevelOf(b);
  }
  static bool Above(const model::Filtered& run) { return run.test == model::FilterTest::Above; }

  // A filter that found no candidates or no partners in scope.
  void Stopped(const model::Filtered& run) {
    NoneInScope(!InScopeAt(run.candidateScope) || !run.partnerScope ? run.candidateScope
                                                                    : *run.partnerScope);
  }

  // Why a filter that ran let nothing pass, in the words of the levels; false
  // when a look-up, not the levels, decided it.
  bool NonePassed(const model::Filtered& run, const std::string& candidates) {
    if (!AllPlain(run.candidates) || !AllPlain(run.partners)) return false;
    Say("no " + candidates + " lies " + (Above(run) ? "above" : "below") + " any " +
        InScope(run.partnerScope->type, run.partners));
    return true;
  }

  // Why an instance that lies above (below) another still failed the test.
  bool LookupMisled(int slot) {
    const std::int32_t value = ValueOf(slot);
    const int found = model::ConditionSlot(f_, value);
    if (found == slot) return false;
    if (value == 0)
      Say("slot " + std::to_string(slot) + "'s fixed value 0 stands for " + StoredWords() +
          " in the test");
    else if (found == kNone)
      Say("slot " + std::to_string(slot) + " lies beyond objectCount " +
          std::to_string(f_.objectCount) + ", the last slot the conditions look in");
    else
      Say("the test finds slot " + std::to_string(slot) + "'s fixed value " +
          std::to_string(value) + " first in slot " + std::to_string(found));
    return true;
  }

  bool ObjectCompare() {
    const auto* run = Take<model::Filtered>();
    if (run == nullptr) return false;
    if (run->stopped) {
      Stopped(*run);
      return true;
    }
    if (!run->passed.empty()) return false;
    const bool above = Above(*run);
    if (NonePassed(*run, InScope(run->candidateScope.type, run->candidates))) return true;
    for (const int candidate : run->candidates)
      for (const int partner : run->partners) {
        if (!LiesBeyond(candidate, partner, above)) continue;
        Say(SlotOf(candidate) + " lies " + (above ? "above " : "below ") + SlotOf(partner) +
            ", but the test does not see it so");
        return LookupMisled(candidate) || LookupMisled(partner);
      }
    return false;
  }

  bool ObjectAtEnd(bool front) {
    const auto* run = Take<model::Filtered>();
    if (run == nullptr) return false;
    if (run->stopped) {
      Stopped(*run);
      return true;
    }
    if (!run->passed.empty()) return false;
    const std::string end = front ? "front-most" : "back-most";
    const int owner = EndOwner(front);
    if (owner == kNone) return true;
    if (std::find(run->candidates.begin(), run->candidates.end(), owner) == run->candidates.end()) {
      Say("the " + end + " node is " + SlotOf(owner) + ", not one of " +
          InScope(run->candidateScope.type, run->candidates));
      return true;
    }
    // The owner is a candidate and still failed: its fixed value 0 stood for another.
    if (ValueOf(owner) != 0) return false;
    Say(SlotOf(owner) + " is " + end + ", but its fixed value 0 stands for " + StoredWords() +
        " in the test");
    return true;
  }

  // One arrangement of "%0 Between %1 and %2?": A tested against one partner
  // type and, if some passed, those against the other. `wholeType` when A's
  // walk is its type chain, its selection having been marked not current.
  // Appends why it failed to `why`; false when no plain reason is known.
  bool Arrangement(bool wholeType, std::string& why) {
    std::vector<std::string> outer = std::move(clauses_);
    clauses_.clear();
    bool known = true;
    const auto* one = Take<model::Filtered>();
    if (one == nullptr) return false;
    const int a = one->candidateScope.type;
    if (one->stopped) {
      Stopped(*one);
    } else if (one->passed.empty()) {
      known = NonePassed(*one, wholeType ? TypeName(a) + " at all (" + Slots(one->candidates) + ")"
                                         : InScope(a, one->candidates));
    } else if (const auto* two = Take<model::Filtered>(); two == nullptr || !two->passed.empty()) {
      known = false;
    } else if (two->stopped) {
      Stopped(*two);
    } else {
      known = AllPlain(one->candidates) && AllPlain(one->partners) && AllPlain(two->partners);
      Say(TypeName(a) + "'s instances " + (Above(*one) ? "above" : "below") + " some " +
          TypeName(one->partnerScope->type) + " (" + Slots(one->passed) + ") lie " +
          (Above(*two) ? "above" : "below") + " no " +
          InScope(two->partnerScope->type, two->partners));
    }
    for (const std::string& clause : clauses_) why += (why.empty() ? "" : ", ") + clause;
    clauses_ = std::move(outer);
    return known;
  }

  bool ObjectBetween() {
    const int a = call_.arguments[0].type, b = call_.arguments[1].type, c = call_.arguments[2].type;
    // A's walks rewrite its own selection: with B or C of its type, no plain
    // reason follows.
    if (b == a || c == a) return false;
    for (const int type : {b, c})
      if (model::FirstInScopeSlot(f_, type) == kNone) {
        NoneInScope(model::ScopeOf(f_, type));
        return true;
      }
    std::string first, other;
    if (!Arrangement(false, first)) return false;
    const auto* marked = Take<model::MarkedNotCurrent>();
    const bool stillCurrent = marked != nullptr && marked->eventCount == kLastEventPass;
    const auto* next =
        next_ < decisions_.size() ? std::get_if<model::Filtered>(&decisions_[next_]) : nullptr;
    if (stillCurrent && next != nullptr && next->stopped) {
      Take<model::Filtered>();
      other = "eventCount is 65535, so marking " + TypeName(a) +
              "'s selection not current leaves it current and empty, with no " + TypeName(a) +
              " to test";
    } else if (next == nullptr || !Arrangement(!next->candidateScope.current, other)) {
      return false;
    }
    Say("above " + TypeName(b) + " and below " + TypeName(c) + ": " + first + "; below " +
        TypeName(b) + " and above " + TypeName(c) + ": " + other);
    return true;
  }

  bool Condition(plugin::ConditionCode code) {
    using enum plugin::ConditionCode;
    switch (code) {
      case CondAtBack:
      case CondAtFront:
        return EndCondition(code == CondAtFront);
      case CondAbove:
      case CondBelow:
        return Compare(code == CondAbove);
      case CondBetween:
        return Between();
      case CondObjectAtBack:
      case CondObjectAtFront:
        return ObjectAtEnd(code == CondObjectAtFront);
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
  std::size_t next_ = 0;
  std::vector<std::variant<model::NoInstanceInScope, model::FirstInScope>> scopes_;
  std::size_t nextScope_ = 0;
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
    if (index >= 0 && index < model::kValueCount) continue;
    const std::int32_t byDefault = i + 1 < call.arguments.size() ? call.arguments[i + 1].value : 0;
    notes.push_back("alterable value " + std::to_string(index) + " lies outside 0 to " +
                    std::to_string(model::kValueCount - 1) +
                    ", so every object sorts by the default value " + std::to_string(byDefault));
  }
  return notes;
}

CallAccount ReplayOnModel(const model::Frame& before, const SceneCall& call, bool didNothing) {
  try {
    model::Frame frame = before;
    model::Decisions decisions;
    model::Run(frame, ModelCall(call), &decisions);
    return Wording(before, decisions, call).Account(didNothing);
  } catch (const model::Unmodelled&) {
    return {};
  }
}

}  // namespace tier::scene
