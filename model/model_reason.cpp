// Which decisions explain a call that did nothing, and with which facts. Each
// routine's path through its decisions is followed here as the routine took
// it; a decision the path needs and the record lacks stops the explanation.
#include <utility>

#include "model/reason.h"
#include "plugin/catalogue.h"

namespace tier::model {
namespace {

using P = Phrase;

struct Any {
  bool operator()(const auto&) const { return true; }
};

class Explainer {
 public:
  Explainer(const Call& call, const Decisions& decisions, const plugin::RoutineInfo& row)
      : call_(call), decisions_(decisions), row_(row) {}

  Explanation Run() {
    // An object form decides as its fixed-value twin does, after its scope.
    const plugin::RoutineInfo* twin = plugin::FixedValueTwin(row_);
    const bool said =
        call_.kind == Kind::Action
            ? Action(static_cast<plugin::ActionCode>(twin != nullptr ? twin->code : row_.code))
            : Condition(static_cast<plugin::ConditionCode>(row_.code));
    Explanation explanation{{}, std::move(notes_), std::move(named_), missing_};
    if (said && missing_ == nullptr) explanation.why = std::move(clauses_);
    return explanation;
  }

 private:
  using Operand = Subject;  // an action's object, as the clauses name it

  template <class T, class Match = Any>
  const T* Find(Match match = {}) const {
    for (const Decision& decision : decisions_)
      if (const T* found = std::get_if<T>(&decision); found != nullptr && match(*found))
        return found;
    return nullptr;
  }
  // A decision the path must have recorded.
  template <class T, class Match = Any>
  const T* Need(Match match = {}) {
    const T* found = Find<T>(match);
    if (found == nullptr && missing_ == nullptr) missing_ = T::kName;
    return found;
  }
  static auto Of(int parameter) {
    return [parameter](const auto& decision) { return decision.parameter == parameter; };
  }
  static auto Against(int parameter) {
    return [parameter](const auto& decision) { return decision.otherParameter == parameter; };
  }
  static auto Arranged(int arrangement, int partner) {
    return [=](const Filtered& run) {
      return run.arrangement == arrangement && run.partner == partner;
    };
  }
  template <class... Parts>
  void Say(Phrase phrase, const Parts&... parts) {
    clauses_.push_back({phrase, {Part(parts)...}});
  }
  bool IsObject(int parameter) const {
    return row_.parameters[parameter].role == plugin::ParamRole::Object;
  }
  int TypeOf(int parameter) const {
    return parameter == 0 ? call_.typeA : parameter == 1 ? call_.typeB : call_.typeC;
  }
  static Word End(bool front) { return front ? Word::FrontMost : Word::BackMost; }
  static Word Side(bool front) { return front ? Word::Front : Word::Back; }
  static Word Side(const Filtered& run) {
    return run.test == FilterTest::Above ? Word::Above : Word::Below;
  }
  static Subject Last(Subject subject) {
    subject.last = true;
    return subject;
  }

  void StoodIn(const auto& decision) {
    if (decision.storedStoodIn) Say(P::StoodIn, StoredValue{decision.fixedValue});
  }
  // A look-up that found nothing in reach; an action's object parameter
  // names its first instance in scope, `firstSlot`, when that lies beyond.
  void NotFound(const LookedUp& search, int firstSlot = kNone) {
    if (search.beyond == kNone) return Say(P::NoHolder, search.fixedValue);
    const bool first = firstSlot != kNone && search.beyond == firstSlot;
    Say(P::HolderBeyond,
        Subject{search.beyond, first ? TypeOf(search.parameter) : kNone, search.fixedValue},
        Beyond{search.bound, search.lastSlot});
  }

  // --- Actions ------------------------------------------------------------------

  // The node parameter `parameter` leads to; false, with the reason said, when none.
  bool ActionOperand(int parameter, Operand& operand) {
    const bool object = IsObject(parameter);
    const auto* first = object ? Need<FirstInstance>(Of(parameter)) : nullptr;
    const auto* search = Need<LookedUp>(Of(parameter));
    if (search == nullptr || (object && first == nullptr)) return false;
    int firstSlot = first != nullptr ? first->slot : kNone;
    if (first != nullptr && first->slot == kNone) {
      Say(P::NoneInScopeTakes, NoInstanceIn{first->scope}, StoredValue{search->fixedValue});
      FellBack(first->scope.type, *search);
    } else if (first != nullptr && search->storedStoodIn) {
      Say(P::FirstInstanceStoodIn, TypeNamed{first->scope.type}, first->slot,
          StoredValue{search->fixedValue});
      firstSlot = kNone;
    } else {
      StoodIn(*search);
    }
    if (search->slot == kNone && search->lastSlot < 0)
      Say(P::NoSlotInReach, search->lastSlot);
    else if (search->slot == kNone)
      NotFound(*search, object ? firstSlot : kNone);
    if (search->slot == kNone) return false;
    operand = {search->slot, object && search->slot == firstSlot ? TypeOf(parameter) : kNone};
    if (!search->hasNode) Say(P::NoNode, operand);
    return search->hasNode;
  }

  // An object form with nothing in scope acts on whatever holds the stored
  // fixed value: the report names it, and the picture rings it.
  void FellBack(int type, const LookedUp& search) {
    if (search.slot == kNone)
      return notes_.push_back({P::NoteFellBack, {TypeNamed{type}, search.fixedValue}});
    notes_.push_back({P::NoteFellBackOn,
                      {TypeNamed{type}, search.fixedValue, TypeOfSlot{search.slot}, search.slot}});
    named_.push_back(search.slot);
  }

  // An empty list, or with `what` one of one node, which `what` leaves as it is.
  bool Short(std::optional<Word> what = std::nullopt) {
    const auto* length = Need<ListLength>();
    const int nodes = length != nullptr ? length->nodes : -1;
    if (nodes == 0) Say(P::ListEmpty);
    if (nodes == 1 && what) Say(P::OneNode, *what);
    return nodes <= (what ? 1 : 0);
  }
  bool AtEnd(const Operand& m) {
    const auto* end = Need<TowardEnd>();
    if (end != nullptr && end->already) Say(P::AlreadyAtEnd, m, Side(end->front));
    return end != nullptr && end->already;
  }

  bool AlreadyPlaced(const Operand& m, const Operand& t, bool above) {
    const auto* levels = Need<LevelsCompared>();
    if (levels == nullptr || levels->passed) return false;
    const Word where = above ? Word::Above : Word::Below;
    if (levels->same)
      Say(P::MoveOntoItself, m.slot, where);
    else if (levels->level == levels->otherLevel)
      Say(P::SameLevelAsTarget, m, Last(t), levels->level);
    else
      Say(P::AlreadyPlaced, m, where, Last(t), levels->level, levels->otherLevel);
    return true;
  }

  bool ToLevel(const Operand& m) {
    if (Short()) return true;
    if (const auto* outside = Find<LevelOutsideList>()) {
      Say(P::LevelOutside, outside->level, outside->size);
      return true;
    }
    const auto* target = Need<TargetAtLevel>();
    const auto* levels = Need<LevelsCompared>();
    if (target == nullptr || levels == nullptr) return false;
    if (target->itself) Say(P::AlreadyAtPosition, m, target->level);
    if (target->itself || target->owner == kNone || levels->passed) return target->itself;
    Say(P::SameLevelAtPosition, m, target->owner, target->level, levels->otherLevel);
    return true;
  }

  bool Sort() {
    if (Short(Word::ASort)) return true;
    const auto* sort = Need<SortKeys>();
    if (sort == nullptr || !sort->inOrder) return false;
    const KeyNamed key{sort->key, sort->valueIndex};
    if (sort->oneKey && sort->defaultOnly)
      Say(P::DefaultKeysOnly, sort->firstKey);
    else if (sort->oneKey)
      Say(P::OneKey, key, sort->firstKey);
    else if (sort->defaultOnly)
      Say(P::InOrderByDefault);
    else
      Say(P::InOrder, sort->largestFirst ? Word::Largest : Word::Smallest, key);
    return true;
  }

  bool Action(plugin::ActionCode code) {
    using enum plugin::ActionCode;
    if (plugin::IsSort(row_)) return Sort();
    Operand m, t;
    switch (code) {
      case StoreFixedValue: {
        // "Store Fixed Value for %0" stores 0 when nothing is in scope.
        const auto* first = Need<FirstInstance>(Of(0));
        if (first == nullptr || first->slot != kNone) return false;
        Say(P::StoredZero, NoInstanceIn{first->scope});
        return true;
      }
      case ReverseAll:
        return Short(Word::Reversing);
      case SendBackOne:
      case BringForwardOne:
        return !ActionOperand(0, m) || AtEnd(m);
      case SendBackN:
      case BringForwardN:
        if (!ActionOperand(0, m)) return true;
        if (const auto* count = Find<CountBelowOne>()) {
          Say(P::CountBelowOne, count->count);
          return true;
        }
        return AtEnd(m);
      case SwapPair: {
        if (!ActionOperand(0, m) || !ActionOperand(1, t)) return true;
        const auto* swap = Need<SwapOf>();
        if (swap == nullptr || !swap->same) return false;
        Say(P::SwapWithItself, m.slot);
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
      const auto* search = Need<LookedUp>(Of(parameter));
      if (search == nullptr) return false;
      StoodIn(*search);
      if (search->slot == kNone) NotFound(*search);
      if (search->slot == kNone) return false;
    }
    for (int parameter = 0; parameter < count; ++parameter)
      if (const auto* search = Find<LookedUp>(Of(parameter)); !search->hasNode) {
        Say(P::NoNode, Subject{search->slot});
        return false;
      }
    return true;
  }
  bool Ownerless(const EndOwner& end) {
    if (end.slot == kNone) Say(P::EndOwnerless, End(end.front));
    return end.slot == kNone;
  }

  bool EndCondition() {
    const auto* end = Need<EndOwner>();
    if (end == nullptr) return false;
    StoodIn(*end);
    if (Short() || Ownerless(*end)) return true;
    if (end->holds) return false;
    if (end->holder == kNone)
      Say(P::NoHolderAtEnd, end->fixedValue, End(end->front), end->slot);
    else
      Say(P::NotAtEnd, end->holder, Side(end->front), end->slot);
    return true;
  }

  bool Compare() {
    if (!FoundAll(2)) return true;
    const auto* l = Need<LevelsCompared>();
    if (l == nullptr || l->passed) return false;
    if (l->same)
      Say(P::ComparedWithItself, l->slot);
    else if (l->level == l->otherLevel)
      Say(P::SameLevels, l->slot, l->other, l->level);
    else
      Say(P::LevelsTheOtherWay, l->slot, l->level,
          l->level < l->otherLevel ? Word::Below : Word::Above, l->other, l->otherLevel);
    return true;
  }

  bool Between() {
    if (!FoundAll(3)) return true;
    const auto* ab = Need<LevelsCompared>(Against(1));
    const auto* ac = Need<LevelsCompared>(Against(2));
    if (ab == nullptr || ac == nullptr || ab->passed) return false;
    Say(P::NotBetween, ab->slot, ab->level, ab->other, ab->otherLevel, ac->other, ac->otherLevel);
    return true;
  }

  // --- Conditions on objects --------------------------------------------------------

  // The narrowing `match` picks when nothing passed and it ran; nullptr,
  // with `said` when it found a scope without an instance and said so.
  template <class Match = Any>
  const Filtered* Failed(bool& said, Match match = {}) {
    const auto* run = Need<Filtered>(match);
    said = run != nullptr && run->empty;
    if (said) Say(P::NoInstance, NoInstanceIn{*run->empty});
    return run == nullptr || said || !run->passed.empty() ? nullptr : run;
  }
  void NonePassed(const Filtered& run, bool wholeType = false) {
    Say(P::NonePassed, InScope{run.candidateScope.type, run.candidates, wholeType}, Side(run),
        InScope{run.partnerScope->type, run.partners});
  }

  bool ObjectCompare() {
    bool said = false;
    const Filtered* run = Failed(said);
    if (run == nullptr || run->plain) {
      if (run != nullptr) NonePassed(*run);
      return said || run != nullptr;
    }
    if (!run->unseen) return false;
    Say(P::UnseenByTest, SlotNamed{run->unseen->candidate}, Side(*run),
        SlotNamed{run->unseen->partner});
    if (!run->unseen->misled) return false;
    const Misled& misled = *run->unseen->misled;
    if (misled.storedStoodIn)
      Say(P::MisledByStored, misled.slot, StoredValue{misled.lookedFor});
    else if (misled.found == kNone)
      Say(P::HolderBeyond, Subject{misled.slot}, Beyond{SlotBound::ObjectCount, misled.lastSlot});
    else
      Say(P::MisledByEarlierHolder, misled.slot, misled.fixedValue, misled.found);
    return true;
  }

  bool ObjectAtEnd() {
    bool said = false;
    const Filtered* run = Failed(said);
    if (run == nullptr || Short()) return said || run != nullptr;
    const auto* end = Need<EndOwner>();
    if (end == nullptr || Ownerless(*end)) return end != nullptr;
    if (!end->candidate)
      Say(P::EndNotCandidate, End(end->front), SlotNamed{end->slot},
          InScope{run->candidateScope.type, run->candidates});
    else if (end->storedStoodIn)
      Say(P::EndStoodIn, SlotNamed{end->slot}, End(end->front), StoredValue{end->fixedValue});
    return !end->candidate || end->storedStoodIn;
  }

  // One arrangement of "%0 Between %1 and %2?": A tested against B and, if
  // some passed, those against C. `wholeType` when A's walk is its type
  // chain, its selection having been marked not current. Gives why it
  // failed in `why`; false when no plain reason is known.
  bool Arrangement(int arrangement, bool wholeType, Clauses& why) {
    std::vector<Clause> outer = std::exchange(clauses_, {});
    bool said = false, known = true;
    const Filtered* two = nullptr;
    if (const auto* one = Need<Filtered>(Arranged(arrangement, 1)); one == nullptr) {
      known = false;
    } else if (one->empty) {
      Say(P::NoInstance, NoInstanceIn{*one->empty});
    } else if (one->passed.empty()) {
      known = one->plain;
      if (known) NonePassed(*one, wholeType);
    } else if (two = Failed(said, Arranged(arrangement, 2)); two != nullptr) {
      known = one->plain && two->plain;
      Say(P::SomePassedNoneBeyond, TypeNamed{one->candidateScope.type}, Side(*one),
          TypeNamed{one->partnerScope->type}, SlotList{one->passed}, Side(*two),
          InScope{two->partnerScope->type, two->partners});
    } else {
      known = said;
    }
    why.list = std::exchange(clauses_, std::move(outer));
    return known;
  }

  bool ObjectBetween() {
    const auto* partners = Need<BetweenPartners>();
    // A's walks rewrite its own selection: with B or C of its type, no plain
    // reason follows.
    if (partners == nullptr || partners->sharesType) return false;
    if (partners->empty) Say(P::NoInstance, NoInstanceIn{*partners->empty});
    Clauses first, other;
    if (partners->empty || !Arrangement(0, false, first)) return partners->empty.has_value();
    const auto* marked = Need<MarkedNotCurrent>();
    const auto* next = Need<Filtered>(Arranged(1, 1));
    if (marked == nullptr || next == nullptr) return false;
    if (marked->stillCurrent && next->empty)
      other.list = {{P::MarkLeavesCurrent, {TypeNamed{marked->type}, TypeNamed{marked->type}}}};
    else if (!Arrangement(1, !next->candidateScope.current, other))
      return false;
    const TypeNamed b{call_.typeB}, c{call_.typeC};
    Say(P::BetweenArrangements, b, c, first, b, c, other);
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

  const Call& call_;
  const Decisions& decisions_;
  const plugin::RoutineInfo& row_;
  const char* missing_ = nullptr;
  std::vector<Clause> clauses_, notes_;
  std::vector<int> named_;
};

}  // namespace

Explanation Explain(const Call& call, const Decisions& decisions) {
  if (call.kind == Kind::Expression) return {};
  const plugin::RoutineInfo* row = plugin::RowOf(
      call.kind == Kind::Action ? plugin::RoutineKind::Action : plugin::RoutineKind::Condition,
      call.code);
  return row != nullptr ? Explainer(call, decisions, *row).Run() : Explanation{};
}

std::vector<Clause> ParameterNotes(const Call& call) {
  if (!SortsByDefaultOnly(call)) return {};
  return {
      {P::NoteDefaultSort,
       {std::int64_t{call.valueIndex}, std::int64_t{kValueCount - 1}, std::int64_t{call.second}}}};
}

}  // namespace tier::model
