#include "hostprog/call_reason.h"

#include <algorithm>

#include "hostprog/scene_steps.h"

namespace tier::scene {
namespace {

using Fact = ReasonFact;
using Kind = ReasonFact::Kind;
using plugin::RoutineInfo;
using plugin::RoutineKind;

constexpr std::uint16_t kStaleStamp = 0xFFFF;  // what marking a selection not current writes

// Thrown when the records hold something no plain reason covers (a chain
// into a free slot, a node outside the list): then nothing is said.
struct NoPlainReason {};

struct SlotInfo {
  bool present = false;
  std::int32_t value = 0;
  int type = -1;
  bool hasNode = false;
  int position = -1;  // of its node in the list, back to front
  std::int16_t nextOfType = -1;
  const host::HostObject* object = nullptr;
};

struct ListNode {
  int owner = -1;  // slot of the owning object; -1 none
  std::uint16_t level = 0;
};

// A type's selection as a filter finds it.
struct TypeState {
  std::uint16_t stamp = 0;
  std::int16_t firstSelected = -1;
  std::vector<int> chain;  // the selected chain as the filter walks it
  bool broken = false;     // the chain runs into a free slot
};

// What one FilterSelection call met and left.
struct Filtering {
  enum class Stop { kNoA, kNoB, kRan } stop = Stop::kRan;
  std::vector<int> candidates, partners, passed;
  bool fromSelection = false;  // A's walk followed its current selection
};

class Reasoner {
 public:
  Reasoner(const sim::SimHost& sim, const std::vector<SelectionView>& selections) : sim_(sim) {
    const host::RunHeader& header = sim.runHeader();
    stored_ = sim.StoredFixedValue();
    objectCount_ = header.objectCount;
    objectLimit_ = header.objectLimit;
    eventCount_ = header.eventCount;
    int slotCount = std::max(int{objectCount_} + 1, int{objectLimit_} + 1);
    for (const sim::ObjectSpec& object : sim.scene().objects)
      slotCount = std::max(slotCount, object.slot + 1);
    slots_.resize(static_cast<std::size_t>(slotCount));
    for (const sim::ObjectSpec& object : sim.scene().objects)
      slots_[object.slot].type = object.type;
    for (int slot = 0; slot < slotCount; ++slot) {
      const host::HostObject* object = sim.Object(slot);
      SlotInfo& info = slots_[slot];
      info.present = object != nullptr;
      if (object == nullptr) continue;
      info.object = object;
      info.value = host::FixedValueOf(*object);
      info.hasNode = static_cast<bool>(object->displayNode);
      info.nextOfType = object->nextOfType;
    }
    // The list from head, bounded so that a cycle ends the walk.
    const std::size_t bound = static_cast<std::size_t>(slotCount) + sim.scene().order.size() + 1;
    for (host::HostAddress at = header.frame->displayList->head.address(); at != 0;) {
      if (list_.size() > bound) throw NoPlainReason{};
      const host::DisplayNode* node = host::HostPtr<host::DisplayNode>(at).get();
      ListNode entry;
      entry.level = node->level;
      if (node->owner) {
        const int slot = node->owner->number;
        if (slot < 0 || slot >= slotCount || slots_[slot].object == nullptr ||
            host::AddressOf(slots_[slot].object) != node->owner.address())
          throw NoPlainReason{};  // an owner outside the table
        entry.owner = slot;
        if (slots_[slot].object->displayNode.address() == at)
          slots_[slot].position = static_cast<int>(list_.size());
      }
      list_.push_back(entry);
      at = node->next.address();
    }
    for (const SlotInfo& info : slots_)
      if (info.hasNode && info.position < 0) throw NoPlainReason{};  // a node outside the list
    for (std::size_t t = 0; t < selections.size(); ++t) {
      TypeState state;
      state.stamp = selections[t].stamp;
      state.firstSelected = selections[t].firstSelected;
      state.chain = selections[t].chain;
      state.broken = selections[t].freeSlot >= 0;
      types_.push_back(std::move(state));
    }
  }

  std::optional<Reason> Why(const SceneCall& call) {
    const RoutineInfo& routine = *call.routine;
    const bool said = routine.kind == RoutineKind::Action ? Action(routine.code, call.arguments)
                      : routine.kind == RoutineKind::Condition
                          ? Condition(routine.code, call.arguments)
                          : false;
    if (!said) return std::nullopt;
    Reason reason;
    for (const std::string& clause : clauses_)
      reason.text += (reason.text.empty() ? "" : "; ") + clause;
    reason.facts = std::move(facts_);
    return reason;
  }

 private:
  // --- Words ------------------------------------------------------------------

  std::string TypeName(int type) const { return PrintableName(sim_.scene().types[type].name); }

  static std::string Slots(const std::vector<int>& slots) {
    constexpr std::size_t kShown = 8;
    std::string text = slots.size() == 1 ? "slot" : "slots";
    for (std::size_t i = 0; i < slots.size() && i < kShown; ++i)
      text += " " + std::to_string(slots[i]);
    if (slots.size() > kShown) text += " ... (" + std::to_string(slots.size()) + " in all)";
    return text;
  }

  std::string SlotOf(int slot) const {
    std::string text = "slot " + std::to_string(slot);
    if (slots_[slot].type >= 0) text += " (" + TypeName(slots_[slot].type) + ")";
    return text;
  }

  std::string StoredWords() const {
    return stored_ == 0 ? "storedFixedValue, which is 0"
                        : "storedFixedValue " + std::to_string(stored_);
  }

  // A subject such as "Ball's first instance in scope, slot 4," at the end of
  // a clause, without its closing comma.
  static std::string Unframed(const std::string& name) {
    return !name.empty() && name.back() == ',' ? name.substr(0, name.size() - 1) : name;
  }

  void Say(std::string clause) { clauses_.push_back(std::move(clause)); }
  void Note(Kind kind, std::int64_t a = 0, std::int64_t b = 0, std::int64_t c = 0,
            std::int64_t d = 0) {
    facts_.push_back({kind, a, b, c, d, {}, {}, {}});
  }

  // --- The records as the routines read them ------------------------------------

  std::int32_t Resolve(std::int32_t value) const { return value == 0 ? stored_ : value; }

  // The first slot from 0 to `bound` holding `value`, or -1.
  int FirstHolder(std::int32_t value, int bound) const {
    for (int slot = 0; slot <= bound && slot < static_cast<int>(slots_.size()); ++slot)
      if (slots_[slot].present && slots_[slot].value == value) return slot;
    return -1;
  }
  int FirstHolderAfter(std::int32_t value, int bound) const {
    for (int slot = std::max(bound + 1, 0); slot < static_cast<int>(slots_.size()); ++slot)
      if (slots_[slot].present && slots_[slot].value == value) return slot;
    return -1;
  }

  int Size() const { return static_cast<int>(list_.size()); }
  std::uint16_t LevelOf(int slot) const { return list_[slots_[slot].position].level; }

  bool Current(const TypeState& state) const { return state.stamp == eventCount_; }

  // The first instance in scope, as FirstInScope chooses it; -1 for none.
  int FirstInScope(int type) const {
    const TypeState& state = types_[type];
    const int n = Current(state) ? state.firstSelected : sim_.Type(type).firstObject;
    if (n < 0 || n >= static_cast<int>(slots_.size()) || !slots_[n].present) return -1;
    return n;
  }

  std::string WhyNoneInScope(int type) const {
    const TypeState& state = types_[type];
    if (Current(state))
      return state.firstSelected < 0 ? "its selection is current and empty"
                                     : "its current selection starts at free slot " +
                                           std::to_string(state.firstSelected);
    const std::int16_t first = sim_.Type(type).firstObject;
    return first < 0 ? "it has no objects"
                     : "its first object's slot " + std::to_string(first) + " is free";
  }

  void NoneInScope(int type) {
    Note(Kind::kNothingInScope, type);
    Say(TypeName(type) + " has no instance in scope (" + WhyNoneInScope(type) + ")");
  }

  // The instances a filter walks from the first in scope, in walk order.
  std::vector<int> Walk(int type, bool& fromSelection) const {
    const TypeState& state = types_[type];
    fromSelection = Current(state);
    if (fromSelection) {
      if (state.broken) throw NoPlainReason{};
      if (state.chain.empty()) throw NoPlainReason{};  // a first instance, but a count below 1
      return state.chain;
    }
    std::vector<int> walk;
    const host::ObjectTypeEntry& entry = sim_.Type(type);
    int slot = entry.firstObject;
    for (int i = 1; i <= entry.typeObjectCount; ++i) {
      if (slot < 0 || slot >= static_cast<int>(slots_.size()) || !slots_[slot].present)
        throw NoPlainReason{};
      walk.push_back(slot);
      slot = slots_[slot].nextOfType;
      if (slot < 0) break;
    }
    if (walk.empty()) throw NoPlainReason{};  // a first object, but a count below 1
    return walk;
  }

  // --- Actions: the fixed-value look-up, bounded by objectLimit -------------------

  struct Operand {
    int slot = -1;
    std::string name;  // how the clauses call it
  };

  // The node an action's fixed-value or object parameter leads to; false,
  // with the reason said, when it leads to none.
  bool ActionOperand(const CallArgument& argument, Operand& operand) {
    std::int32_t given = argument.value;
    int firstSlot = -1;
    if (argument.form == CallArgument::Form::kObject) {
      firstSlot = FirstInScope(argument.type);
      if (firstSlot < 0) {
        Note(Kind::kNothingInScope, argument.type);
        Note(Kind::kStoredStandsIn, stored_);
        Say(TypeName(argument.type) + " has no instance in scope (" +
            WhyNoneInScope(argument.type) + "), so the action takes " + StoredWords());
        given = stored_;
      } else {
        Note(Kind::kFirstInScope, argument.type, firstSlot);
        given = slots_[firstSlot].value;
        if (given == 0) {
          Note(Kind::kValueOf, firstSlot, 0);
          Note(Kind::kStoredStandsIn, stored_);
          Say(TypeName(argument.type) + "'s first instance in scope is slot " +
              std::to_string(firstSlot) + ", whose fixed value 0 stands for " + StoredWords());
          given = stored_;
          firstSlot = -1;
        }
      }
    } else if (given == 0) {
      Note(Kind::kStoredStandsIn, stored_);
      Say("fixed value 0 stands for " + StoredWords());
      given = stored_;
    }
    if (objectLimit_ < 0) {
      Note(Kind::kNoSlotLooked, objectLimit_);
      Say("objectLimit is " + std::to_string(objectLimit_) + ", so the actions look up no object");
      return false;
    }
    const int found = FirstHolder(given, objectLimit_);
    if (found < 0) {
      const int beyond = FirstHolderAfter(given, objectLimit_);
      Note(Kind::kNotWithin, given, objectLimit_, beyond, 0);
      Say(beyond >= 0 ? Subject(argument, firstSlot, beyond,
                                " (fixed value " + std::to_string(given) + ")") +
                            " lies beyond objectLimit " + std::to_string(objectLimit_) +
                            ", the last slot the actions look in"
                      : "no object has fixed value " + std::to_string(given));
      return false;
    }
    Note(Kind::kFirstMatch, given, found, 0, 0);
    if (!slots_[found].hasNode) {
      Note(Kind::kNoNode, found);
      Say(Subject(argument, firstSlot, found) + " has no display node");
      return false;
    }
    operand.slot = found;
    operand.name = Subject(argument, firstSlot, found);
    return true;
  }

  // An action's object as the clauses name it: "slot 3", or for an object
  // parameter "A's first instance in scope, slot 3," (`detail` after the slot).
  std::string Subject(const CallArgument& argument, int firstSlot, int slot,
                      const std::string& detail = "") const {
    const std::string named = "slot " + std::to_string(slot) + detail;
    if (slot != firstSlot) return named;
    return TypeName(argument.type) + "'s first instance in scope, " + named + ",";
  }

  bool EmptyList() {
    if (Size() != 0) return false;
    Note(Kind::kListSize, 0);
    Say("the display list is empty");
    return true;
  }

  bool AtEnd(const Operand& m, bool front) {
    const int position = slots_[m.slot].position;
    if (position != (front ? Size() - 1 : 0)) return false;
    Note(Kind::kAtEnd, m.slot, front ? 1 : 0);
    Say(m.name + " is already at the " + (front ? "front" : "back"));
    return true;
  }

  // Move Above (`above`) or Below: nothing moves unless the levels say it must.
  bool AlreadyPlaced(const Operand& m, const Operand& t, bool above) {
    if (m.slot == t.slot) {
      Say("both parameters name slot " + std::to_string(m.slot) + ", which cannot move " +
          (above ? "above" : "below") + " itself");
      return true;
    }
    const std::uint16_t lm = LevelOf(m.slot), lt = LevelOf(t.slot);
    Note(Kind::kLevel, m.slot, lm);
    Note(Kind::kLevel, t.slot, lt);
    if (lm == lt) {
      Say(m.name + " and " + Unframed(t.name) + " have the same level " + std::to_string(lm));
      return true;
    }
    if (above ? lm < lt : lm > lt) return false;
    Say(m.name + " is already " + (above ? "above " : "below ") + Unframed(t.name) + " (level " +
        std::to_string(lm) + " against " + std::to_string(lt) + ")");
    return true;
  }

  // The sort's key of each node, back to front.
  std::vector<std::int32_t> SortKeys(int code, std::int32_t defaultValue, int valueIndex) const {
    std::vector<std::int32_t> keys;
    for (const ListNode& node : list_) {
      const host::HostObject* owner = node.owner >= 0 ? slots_[node.owner].object : nullptr;
      std::int32_t key = 0;
      if (code == 12 || code == 14)
        key = owner != nullptr ? owner->x : 0;
      else if (code == 13 || code == 15)
        key = owner != nullptr ? owner->y : 0;
      else if (owner == nullptr || !host::ReadAlterableValue(*owner, valueIndex, key))
        key = defaultValue;
      keys.push_back(key);
    }
    return keys;
  }

  bool Sort(int code, const std::vector<CallArgument>& arguments) {
    if (EmptyList()) return true;
    if (Size() == 1) {
      Note(Kind::kListSize, 1);
      Say("the display list holds one node, which a sort leaves as it is");
      return true;
    }
    const bool byValue = code == 26 || code == 27;
    const int valueIndex = byValue ? arguments[0].value : 0;
    const std::int32_t defaultValue = byValue ? arguments[1].value : 0;
    const std::vector<std::int32_t> keys = SortKeys(code, defaultValue, valueIndex);
    const bool largestFirst = code == 12 || code == 13 || code == 26;
    for (std::size_t i = 1; i < keys.size(); ++i)
      if (largestFirst ? keys[i] > keys[i - 1] : keys[i] < keys[i - 1]) return false;
    Note(Kind::kSorted, code, defaultValue, valueIndex);
    std::string key = code == 12 || code == 14 ? "X" : code == 13 || code == 15 ? "Y" : "";
    if (byValue && valueIndex >= 0 && valueIndex < host::kAlterableValueCount)
      key = "alterable value " + std::to_string(valueIndex);
    Say("the objects already stand in this sort's order" +
        (key.empty() ? std::string()
                     : std::string(": ") + (largestFirst ? "largest " : "smallest ") + key +
                           " at the back"));
    return true;
  }

  bool Action(int code, const std::vector<CallArgument>& arguments) {
    if (code == 3) {  // Store Fixed Value: 0 when nothing is in scope
      if (FirstInScope(arguments[0].type) >= 0) return false;
      Note(Kind::kNothingInScope, arguments[0].type);
      Say(TypeName(arguments[0].type) + " has no instance in scope (" +
          WhyNoneInScope(arguments[0].type) + "), so 0 is stored");
      return true;
    }
    if (code == 8) {
      if (EmptyList()) return true;
      if (Size() != 1) return false;
      Note(Kind::kListSize, 1);
      Say("the display list holds one node, which reversing leaves as it is");
      return true;
    }
    if ((code >= 12 && code <= 15) || code == 26 || code == 27) return Sort(code, arguments);
    // The object forms run their fixed-value twins.
    static constexpr int kTwin[] = {0, 1, 2, 4, 5, 6, 7, 9, 10, 11};
    const int fixedCode = code >= 16 ? kTwin[code - 16] : code;
    Operand m, t;
    switch (fixedCode) {
      case 0:
      case 1:
        return !ActionOperand(arguments[0], m) || AtEnd(m, fixedCode == 1);
      case 6:
      case 7:
        if (!ActionOperand(arguments[0], m)) return true;
        if (arguments[1].value <= 0) {
          Say("a count of " + std::to_string(arguments[1].value) + " moves nothing");
          return true;
        }
        return AtEnd(m, fixedCode == 7);
      case 2:
        if (!ActionOperand(arguments[0], m) || !ActionOperand(arguments[1], t)) return true;
        if (m.slot != t.slot) return false;
        Say("both parameters name slot " + std::to_string(m.slot) +
            ", and a swap with itself moves nothing");
        return true;
      case 4:
      case 5:
        return EmptyList() || !ActionOperand(arguments[0], m) || AtEnd(m, fixedCode == 4);
      case 9:
      case 10:
        if (!ActionOperand(arguments[0], m) || !ActionOperand(arguments[1], t)) return true;
        return AlreadyPlaced(m, t, fixedCode == 9);
      case 11: {
        if (!ActionOperand(arguments[0], m) || EmptyList()) return true;
        const std::int32_t level = arguments[1].value;
        if (level < 1 || level > Size()) {
          Note(Kind::kListSize, Size());
          Say("level " + std::to_string(level) +
              " is outside the list, whose positions run from 1 to " + std::to_string(Size()));
          return true;
        }
        const ListNode& target = list_[level - 1];
        if (target.owner == m.slot) {
          Note(Kind::kAtPosition, m.slot, level);
          Say(m.name + " is already at position " + std::to_string(level));
          return true;
        }
        if (target.owner < 0 || target.level != LevelOf(m.slot)) return false;
        Note(Kind::kAtPosition, target.owner, level);
        Note(Kind::kLevel, m.slot, target.level);
        Note(Kind::kLevel, target.owner, target.level);
        Say(m.name + " has the same level as slot " + std::to_string(target.owner) +
            " at position " + std::to_string(level) + " (" + std::to_string(target.level) + ")");
        return true;
      }
    }
    return false;
  }

  // --- Conditions: the look-up, bounded by objectCount -----------------------------

  // The slot a fixed-value condition finds for `given`; -1 with the reason said.
  int ConditionOperand(std::int32_t given) {
    if (given == 0) {
      Note(Kind::kStoredStandsIn, stored_);
      Say("fixed value 0 stands for " + StoredWords());
    }
    const std::int32_t value = Resolve(given);
    const int found = FirstHolder(value, objectCount_);
    if (found < 0) {
      const int beyond = FirstHolderAfter(value, objectCount_);
      Note(Kind::kNotWithin, value, objectCount_, beyond, 1);
      Say(beyond >= 0 ? "slot " + std::to_string(beyond) + " (fixed value " +
                            std::to_string(value) + ") lies beyond objectCount " +
                            std::to_string(objectCount_) + ", the last slot the conditions look in"
                      : "no object has fixed value " + std::to_string(value));
      return -1;
    }
    Note(Kind::kFirstMatch, value, found, 0, 1);
    return found;
  }

  bool NoNode(int slot) {
    if (slots_[slot].hasNode) return false;
    Note(Kind::kNoNode, slot);
    Say("slot " + std::to_string(slot) + " has no display node");
    return true;
  }

  // The slot that owns the back-most (front-most) node; -1 once it has said
  // why there is none.
  int EndOwner(bool front) {
    if (EmptyList()) return -1;
    const int owner = front ? list_.back().owner : list_.front().owner;
    Note(Kind::kEndOwner, front ? 1 : 0, owner);
    if (owner < 0)
      Say(std::string("the ") + (front ? "front-most" : "back-most") + " node has no owner");
    return owner;
  }

  // "%0 At Back?" and "%0 At Front?" with a fixed value.
  bool EndCondition(std::int32_t given, bool front) {
    if (given == 0) {
      Note(Kind::kStoredStandsIn, stored_);
      Say("fixed value 0 stands for " + StoredWords());
    }
    const std::int32_t value = Resolve(given);
    const std::string end = front ? "front-most" : "back-most";
    const int owner = EndOwner(front);
    if (owner < 0) return true;
    if (slots_[owner].value == value) return false;
    Note(Kind::kValueOf, owner, slots_[owner].value);
    const int holder = FirstHolder(value, static_cast<int>(slots_.size()) - 1);
    if (holder < 0) {
      Note(Kind::kNotWithin, value, -1, -1, 0);
      Say("no object has fixed value " + std::to_string(value) + "; the " + end + " node is slot " +
          std::to_string(owner) + "'s");
    } else {
      Note(Kind::kValueOf, holder, value);
      Say("slot " + std::to_string(holder) + " is not at the " + (front ? "front" : "back") +
          ": slot " + std::to_string(owner) + " is");
    }
    return true;
  }

  bool Compare(const std::vector<CallArgument>& arguments, bool above) {
    const int a = ConditionOperand(arguments[0].value);
    if (a < 0) return true;
    const int b = ConditionOperand(arguments[1].value);
    if (b < 0 || NoNode(a) || NoNode(b)) return true;
    if (a == b) {
      Say("both parameters name slot " + std::to_string(a) +
          ", which is neither above nor below itself");
      return true;
    }
    const std::uint16_t la = LevelOf(a), lb = LevelOf(b);
    if (above ? la > lb : la < lb) return false;
    Note(Kind::kLevel, a, la);
    Note(Kind::kLevel, b, lb);
    Say(la == lb ? "slots " + std::to_string(a) + " and " + std::to_string(b) +
                       " have the same level " + std::to_string(la)
                 : "slot " + std::to_string(a) + " (level " + std::to_string(la) + ") is " +
                       (la < lb ? "below" : "above") + " slot " + std::to_string(b) + " (level " +
                       std::to_string(lb) + ")");
    return true;
  }

  bool Between(const std::vector<CallArgument>& arguments) {
    const int a = ConditionOperand(arguments[0].value);
    if (a < 0) return true;
    const int b = ConditionOperand(arguments[1].value);
    if (b < 0) return true;
    const int c = ConditionOperand(arguments[2].value);
    if (c < 0 || NoNode(a) || NoNode(b) || NoNode(c)) return true;
    const unsigned la = LevelOf(a), lb = LevelOf(b), lc = LevelOf(c);
    if ((lb < la && la < lc) || (lc < la && la < lb)) return false;
    Note(Kind::kLevel, a, la);
    Note(Kind::kLevel, b, lb);
    Note(Kind::kLevel, c, lc);
    Say("slot " + std::to_string(a) + " (level " + std::to_string(la) +
        ") is not strictly between slot " + std::to_string(b) + " (level " + std::to_string(lb) +
        ") and slot " + std::to_string(c) + " (level " + std::to_string(lc) + ")");
    return true;
  }

  // --- Conditions on objects: FilterSelection as the routine runs it ---------------

  // The slot the fixed-value test finds for an instance, or -1.
  int TestFinds(int slot) const { return FirstHolder(Resolve(slots_[slot].value), objectCount_); }

  // An instance the tests find as itself, with a node, so that levels decide.
  bool Plain(int slot) const { return TestFinds(slot) == slot && slots_[slot].hasNode; }

  // The fixed-value test, as FilterSelection calls it.
  bool Passes(int candidate, int partner, bool above) const {
    const int a = TestFinds(candidate), b = TestFinds(partner);
    if (a < 0 || b < 0 || !slots_[a].hasNode || !slots_[b].hasNode) return false;
    return above ? LevelOf(a) > LevelOf(b) : LevelOf(a) < LevelOf(b);
  }
  bool PassesAtEnd(int candidate, bool front) const {
    if (list_.empty()) return false;
    const int owner = front ? list_.back().owner : list_.front().owner;
    return owner >= 0 && slots_[owner].value == Resolve(slots_[candidate].value);
  }

  // The order by levels alone, for the words.
  bool LiesBeyond(int a, int b, bool above) const {
    if (!slots_[a].hasNode || !slots_[b].hasNode) return false;
    return above ? LevelOf(a) > LevelOf(b) : LevelOf(a) < LevelOf(b);
  }

  // FilterSelection(A, B or none, test) over the type states, which it updates
  // as the routine writes them. `end` chooses the At Back (0) or At Front (1)
  // test when there is no B; `above` the Above or Below test otherwise.
  Filtering Filter(int a, int b, bool above, int end = -1) {
    Filtering run;
    if (FirstInScope(a) < 0) {
      run.stop = Filtering::Stop::kNoA;
      return run;
    }
    if (b >= 0 && FirstInScope(b) < 0) {
      run.stop = Filtering::Stop::kNoB;
      return run;
    }
    bool partnersFromSelection = false;  // the partners' scope, whichever it is
    if (b >= 0) run.partners = Walk(b, partnersFromSelection);
    run.candidates = Walk(a, run.fromSelection);
    for (const int candidate : run.candidates) {
      bool passed = false;
      if (b < 0)
        passed = PassesAtEnd(candidate, end == 1);
      else
        for (const int partner : run.partners) passed = Passes(candidate, partner, above) || passed;
      if (passed) run.passed.push_back(candidate);
    }
    TypeState& state = types_[a];
    state.firstSelected = run.passed.empty() ? -1 : static_cast<std::int16_t>(run.passed.front());
    state.chain = run.passed;
    state.broken = false;
    if (!run.passed.empty()) state.stamp = eventCount_;
    return run;
  }

  void NoteScope(int type, const std::vector<int>& slots, bool wholeType = false) {
    facts_.push_back({wholeType ? Kind::kTypeChain : Kind::kScope, type, 0, 0, 0, slots, {}, {}});
  }

  // Why a filter that ran let nothing pass, in the words of the levels:
  // "no `candidates` lies above any `partners`"; false when a look-up, not
  // the levels, decided it.
  bool NonePassed(const Filtering& run, bool above, const std::string& candidates,
                  const std::string& partners) {
    for (const int slot : run.candidates)
      if (!Plain(slot)) return false;
    for (const int slot : run.partners)
      if (!Plain(slot)) return false;
    facts_.push_back({Kind::kNoPair, above ? 1 : 0, 0, 0, 0, run.candidates, run.partners, {}});
    Say("no " + candidates + " lies " + (above ? "above" : "below") + " any " + partners);
    return true;
  }

  std::string InScope(int type, const std::vector<int>& slots) const {
    return TypeName(type) + " in scope (" + Slots(slots) + ")";
  }

  // Why an instance that lies above (below) another still failed the test:
  // the test took its fixed value for another object's, or found none.
  bool LookupMisled(int slot) {
    const std::int32_t value = slots_[slot].value;
    const int found = TestFinds(slot);
    if (found == slot) return false;
    Note(Kind::kValueOf, slot, value);
    if (value == 0) {
      Note(Kind::kStoredStandsIn, stored_);
      Say("slot " + std::to_string(slot) + "'s fixed value 0 stands for " + StoredWords() +
          " in the test");
    } else if (found < 0) {
      Note(Kind::kNotWithin, value, objectCount_, slot, 1);
      Say("slot " + std::to_string(slot) + " lies beyond objectCount " +
          std::to_string(objectCount_) + ", the last slot the conditions look in");
    } else {
      Note(Kind::kFirstMatch, value, found, 0, 1);
      Say("the test finds slot " + std::to_string(slot) + "'s fixed value " +
          std::to_string(value) + " first in slot " + std::to_string(found));
    }
    return true;
  }

  bool ObjectCompare(int a, int b, bool above) {
    const Filtering run = Filter(a, b, above);
    if (run.stop != Filtering::Stop::kRan) {
      NoneInScope(run.stop == Filtering::Stop::kNoA ? a : b);
      return true;
    }
    if (!run.passed.empty()) return false;
    NoteScope(a, run.candidates);
    NoteScope(b, run.partners);
    if (NonePassed(run, above, InScope(a, run.candidates), InScope(b, run.partners))) return true;
    for (const int candidate : run.candidates)
      for (const int partner : run.partners) {
        if (!LiesBeyond(candidate, partner, above)) continue;
        Note(Kind::kLevel, candidate, LevelOf(candidate));
        Note(Kind::kLevel, partner, LevelOf(partner));
        Say(SlotOf(candidate) + " lies " + (above ? "above " : "below ") + SlotOf(partner) +
            ", but the test does not see it so");
        if (LookupMisled(candidate) || LookupMisled(partner)) return true;
        throw NoPlainReason{};
      }
    throw NoPlainReason{};
  }

  bool ObjectAtEnd(int a, bool front) {
    const Filtering run = Filter(a, -1, false, front ? 1 : 0);
    if (run.stop != Filtering::Stop::kRan) {
      NoneInScope(a);
      return true;
    }
    if (!run.passed.empty()) return false;
    const std::string end = front ? "front-most" : "back-most";
    const int owner = EndOwner(front);
    if (owner < 0) return true;
    NoteScope(a, run.candidates);
    if (std::find(run.candidates.begin(), run.candidates.end(), owner) == run.candidates.end()) {
      Say("the " + end + " node is " + SlotOf(owner) + ", not one of " +
          InScope(a, run.candidates));
      return true;
    }
    // The owner is a candidate and still failed: its fixed value 0 stood for another.
    if (slots_[owner].value != 0) throw NoPlainReason{};
    Note(Kind::kValueOf, owner, 0);
    Note(Kind::kStoredStandsIn, stored_);
    Say(SlotOf(owner) + " is " + end + ", but its fixed value 0 stands for " + StoredWords() +
        " in the test");
    return true;
  }

  // One arrangement of "%0 Between %1 and %2?": A above `first` and below
  // `second` (`above`), or the reverse; `wholeType` when A's walk is its type
  // chain, its selection having been marked not current. Appends why it
  // failed to `why`; false when it passed.
  bool Arrangement(int a, int first, int second, bool above, bool wholeType, std::string& why) {
    std::vector<std::string> outer = std::move(clauses_);
    clauses_.clear();
    const Filtering one = Filter(a, first, above);
    bool failed = true;
    if (one.stop != Filtering::Stop::kRan) {
      NoneInScope(one.stop == Filtering::Stop::kNoA ? a : first);
    } else if (one.passed.empty()) {
      if (wholeType && one.fromSelection) throw NoPlainReason{};
      NoteScope(a, one.candidates, wholeType);
      NoteScope(first, one.partners);
      const std::string candidates = wholeType
                                         ? TypeName(a) + " at all (" + Slots(one.candidates) + ")"
                                         : InScope(a, one.candidates);
      if (!NonePassed(one, above, candidates, InScope(first, one.partners))) throw NoPlainReason{};
    } else {
      const Filtering two = Filter(a, second, !above);
      if (two.stop != Filtering::Stop::kRan) {
        NoneInScope(second);
      } else if (!two.passed.empty()) {
        failed = false;
      } else {
        if (wholeType && one.fromSelection) throw NoPlainReason{};
        NoteScope(a, one.candidates, wholeType);
        NoteScope(first, one.partners);
        NoteScope(second, two.partners);
        facts_.push_back(
            {Kind::kFiltered, above ? 1 : 0, 0, 0, 0, one.candidates, one.partners, one.passed});
        facts_.push_back({Kind::kNoPair, above ? 0 : 1, 0, 0, 0, two.candidates, two.partners, {}});
        for (const int slot : one.candidates)
          if (!Plain(slot)) throw NoPlainReason{};
        for (const int slot : one.partners)
          if (!Plain(slot)) throw NoPlainReason{};
        for (const int slot : two.partners)
          if (!Plain(slot)) throw NoPlainReason{};
        Say(TypeName(a) + "'s instances " + (above ? "above" : "below") + " some " +
            TypeName(first) + " (" + Slots(one.passed) + ") lie " + (above ? "below" : "above") +
            " no " + InScope(second, two.partners));
      }
    }
    for (const std::string& clause : clauses_) why += (why.empty() ? "" : ", ") + clause;
    clauses_ = std::move(outer);
    return failed;
  }

  bool ObjectBetween(int a, int b, int c) {
    // Either arrangement needs an instance of B and of C in scope. The types
    // must differ from A's: A's walks rewrite its own selection.
    if (b == a || c == a) throw NoPlainReason{};
    for (const int type : {b, c})
      if (FirstInScope(type) < 0) {
        NoneInScope(type);
        return true;
      }
    std::string first, other;
    if (!Arrangement(a, b, c, true, false, first)) return false;
    // Marking A's selection not current writes 0xFFFF: with eventCount 65535
    // that is the current stamp still, and an emptied selection stays empty.
    const bool wasCurrent = Current(types_[a]);
    if (wasCurrent) types_[a].stamp = kStaleStamp;
    if (wasCurrent && eventCount_ == kStaleStamp && FirstInScope(a) < 0) {
      Note(Kind::kLastEventPass);
      Note(Kind::kLeftEmpty, a, b, c);
      other = "eventCount is 65535, so marking " + TypeName(a) +
              "'s selection not current leaves it current and empty, with no " + TypeName(a) +
              " to test";
    } else if (!Arrangement(a, b, c, false, !Current(types_[a]), other)) {
      return false;
    }
    Say("above " + TypeName(b) + " and below " + TypeName(c) + ": " + first + "; below " +
        TypeName(b) + " and above " + TypeName(c) + ": " + other);
    return true;
  }

  bool Condition(int code, const std::vector<CallArgument>& arguments) {
    switch (code) {
      case 0:
      case 1:
        return EndCondition(arguments[0].value, code == 1);
      case 2:
      case 3:
        return Compare(arguments, code == 2);
      case 4:
        return Between(arguments);
      case 5:
      case 6:
        return ObjectAtEnd(arguments[0].type, code == 6);
      case 7:
      case 8:
        return ObjectCompare(arguments[0].type, arguments[1].type, code == 7);
      case 9:
        return ObjectBetween(arguments[0].type, arguments[1].type, arguments[2].type);
    }
    return false;
  }

  const sim::SimHost& sim_;
  std::int32_t stored_ = 0;
  std::uint16_t objectCount_ = 0, eventCount_ = 0;
  std::int16_t objectLimit_ = 0;
  std::vector<SlotInfo> slots_;
  std::vector<ListNode> list_;
  std::vector<TypeState> types_;
  std::vector<std::string> clauses_;
  std::vector<Fact> facts_;
};

}  // namespace

std::optional<Reason> WhyNothing(const sim::SimHost& sim, const SceneCall& call,
                                 const std::vector<SelectionView>& selections) {
  try {
    return Reasoner(sim, selections).Why(call);
  } catch (const NoPlainReason&) {
    return std::nullopt;
  }
}

}  // namespace tier::scene
