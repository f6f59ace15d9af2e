#include "model/model.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "plugin/catalogue.h"

namespace tier::model {
namespace {

bool Counted(const Node& node) { return (node.flags & kUncounted) == 0; }

// The frame and the record of one call, shared by the routines below.
struct Context {
  Frame& f;
  Outcome& out;
  Decisions* decisions = nullptr;  // none: nobody listens
  const ServiceObserver& atService;
  // Records the model cannot run stop nothing midway: the first reason is
  // kept, a free slot reads as `spare`, and the outcome says so.
  mutable const char* unmodelled = nullptr;
  mutable Object spare;

  void CannotRun(const char* why) const {
    if (unmodelled == nullptr) unmodelled = why;
  }

  bool Listening() const { return decisions != nullptr; }
  void Decide(Decision decision) const {
    if (decisions != nullptr) decisions->push_back(std::move(decision));
  }

  std::int32_t Resolve(std::int32_t fixedValue) const {
    return fixedValue != 0 ? fixedValue : f.storedFixedValue;
  }
  const Object& At(int slot) const {
    if (slot >= 0 && slot < static_cast<int>(f.slots.size()) && f.slots[slot].present)
      return f.slots[slot];
    CannotRun("a chain names a free slot");
    spare = Object{};
    return spare;
  }
  Object& At(int slot) { return const_cast<Object&>(std::as_const(*this).At(slot)); }
  std::int32_t NodeFixedValue(int node) const { return FixedValueOf(At(f.nodes[node].owner)); }
  int Size() const { return static_cast<int>(f.order.size()); }
  // The node's position in the list; kNone, and the records cannot be run.
  int Position(int node) const {
    const int position = f.PositionOf(node);
    if (position == kNone) CannotRun("a node outside the list");
    return position;
  }

  // The first slot after `last` that holds `fixedValue`; kNone.
  int HolderAfter(std::int32_t fixedValue, int last) const {
    for (int slot = std::max(last + 1, 0); slot < static_cast<int>(f.slots.size()); ++slot)
      if (f.slots[slot].present && FixedValueOf(f.slots[slot]) == fixedValue) return slot;
    return kNone;
  }
  // The record of a look-up of parameter `parameter` that found `slot`.
  void DecideLookup(int parameter, std::int32_t given, SlotBound bound, int last, int slot) const {
    if (!Listening()) return;
    const std::int32_t wanted = Resolve(given);
    LookedUp record{parameter, wanted, given == 0, bound, last, slot};
    if (slot == kNone) record.beyond = HolderAfter(wanted, last);
    record.hasNode = slot != kNone && f.slots[slot].node != kNone;
    Decide(record);
  }

  // FindNodeByFixedValue: slots 0 to objectLimit (signed), first match wins
  // even when it has no node. `found` takes the slot.
  int LookupNode(std::int32_t fixedValue, int parameter, int* found = nullptr) const {
    const std::int32_t wanted = Resolve(fixedValue);
    for (int slot = 0; slot <= f.objectLimit; ++slot) {
      const Object& object = f.slots[slot];
      if (!object.present || FixedValueOf(object) != wanted) continue;
      DecideLookup(parameter, fixedValue, SlotBound::ObjectLimit, f.objectLimit, slot);
      if (found != nullptr) *found = slot;
      return object.node;
    }
    DecideLookup(parameter, fixedValue, SlotBound::ObjectLimit, f.objectLimit, kNone);
    return kNone;
  }

  // The condition and name scans: slots 0 to objectCount (unsigned).
  int ScanSlot(std::int32_t fixedValue, int parameter) const {
    const int found = ConditionSlot(f, Resolve(fixedValue));
    DecideLookup(parameter, fixedValue, SlotBound::ObjectCount, f.objectCount, found);
    return found;
  }
  int Owner(int node) const { return f.nodes[node].owner; }
  bool HasNode(int slot) const { return f.slots[slot].node != kNone; }
  bool ListEmpty() const {
    Decide(ListLength{Size()});
    return f.order.empty();
  }

  void Refresh(int node) {
    if ((f.nodes[node].flags & kNoRefresh) != 0) return;
    out.refreshed.push_back(node);
    if (atService) atService(f);
  }

  // What a swap writes besides links and levels, for one node.
  void Mirror(int node) {
    if (const int position = Position(node); position != kNone) MirrorAt(node, position);
  }
  void MirrorAt(int node, int position) {
    const Node& n = f.nodes[node];
    if (!Counted(n) || n.owner == kNone) return;
    Object& owner = At(n.owner);
    if (owner.hasDisplayBlock) owner.displayLevel = f.levelAt[position];
  }

  // One swap of the nodes at two positions, mirrors written, then both
  // redrawn: the host sees the list between two such swaps.
  void SwapAndRefresh(int p, int q) {
    const int a = f.order[p], b = f.order[q];
    std::swap(f.order[p], f.order[q]);
    MirrorAt(a, q);
    MirrorAt(b, p);
    Refresh(a);
    Refresh(b);
  }

  // A walk of `node` to position `to` by neighbour swaps: the nodes in
  // between shift one place toward its old position, the levels stay with
  // the positions, and every node the walk swapped is mirrored.
  void MoveTo(int node, int to) {
    const int from = Position(node);
    if (from == kNone || from == to) return;
    f.order.erase(f.order.begin() + from);
    f.order.insert(f.order.begin() + to, node);
    for (int p = std::min(from, to); p <= std::max(from, to); ++p) Mirror(f.order[p]);
  }

  // --- Instance scope -------------------------------------------------------
  bool Current(int type) const { return f.types[type].selectionStamp == f.eventCount; }

  int FirstInScopeSlot(int type) const { return model::FirstInScopeSlot(f, type); }
  std::int32_t FirstInScopeFixedValue(int type, int parameter) const {
    const int slot = FirstInScopeSlot(type);
    Decide(FirstInstance{parameter, ScopeOf(f, type), slot});
    return slot == kNone ? 0 : FixedValueOf(f.slots[slot]);
  }
  std::uint16_t Level(int node) const {
    const int position = Position(node);
    return position == kNone ? 0 : f.levelAt[position];
  }

  void Fetch(Service service, std::uint32_t first, std::uint32_t second) {
    out.services.push_back({service, first, second});
    if (atService) atService(f);
  }
};

// --- Order actions -------------------------------------------------------------

void StepBy(Context& c, std::int32_t fixedValue, std::int64_t count, int direction) {
  const int m = c.LookupNode(fixedValue, 0);
  if (m == kNone) return;
  if (count <= 0) return c.Decide(CountBelowOne{count});
  const int from = c.Position(m);
  if (from == kNone) return;
  const std::int64_t room = direction < 0 ? from : c.Size() - 1 - from;
  const int steps = static_cast<int>(std::min(count, room));
  c.Decide(TowardEnd{direction > 0, steps == 0});
  // One swap with the neighbour per step, each redrawing both nodes.
  for (int i = 0; i < steps; ++i)
    c.SwapAndRefresh(from + direction * i, from + direction * (i + 1));
}

void SwapPair(Context& c, std::int32_t first, std::int32_t second) {
  const int a = c.LookupNode(first, 0);
  if (a == kNone) return;
  const int b = c.LookupNode(second, 1);
  if (b == kNone) return;
  c.Decide(SwapOf{a == b});
  if (a != b) {
    const int pa = c.Position(a), pb = c.Position(b);
    if (pa == kNone || pb == kNone) return;
    std::swap(c.f.order[pa], c.f.order[pb]);
    c.Mirror(a);
    c.Mirror(b);
  }
  c.Refresh(a);
  c.Refresh(b);
}

void ToEnd(Context& c, std::int32_t fixedValue, bool front) {
  if (c.ListEmpty()) return;
  const int m = c.LookupNode(fixedValue, 0);
  if (m == kNone) return;
  const int at = c.Position(m);
  if (at == kNone) return;
  c.Decide(TowardEnd{front, at == (front ? c.Size() - 1 : 0)});
  c.MoveTo(m, front ? c.Size() - 1 : 0);
  c.Refresh(m);
}

void ReverseAll(Context& c) {
  const int n = c.Size();
  if (c.ListEmpty()) return;
  if (n == 1) {
    c.Refresh(c.f.order[0]);  // swapped with itself: redrawn twice
    c.Refresh(c.f.order[0]);
  }
  // The outermost pair first, then inward, each pair redrawn after its swap.
  for (int i = 0; i < n / 2; ++i) c.SwapAndRefresh(i, n - 1 - i);
}

// The walk toward t: it stops beside t when t lies that way, else at the end.
void WalkToward(Context& c, int m, int t, bool forward) {
  const int pm = c.Position(m), pt = c.Position(t);
  if (pm == kNone || pt == kNone) return;
  if (forward)
    c.MoveTo(m, pt > pm ? pt : c.Size() - 1);
  else
    c.MoveTo(m, pt < pm ? pt : 0);
  c.Refresh(m);
}

void MoveAboveOrBelow(Context& c, std::int32_t first, std::int32_t second, bool above) {
  const int m = c.LookupNode(first, 0);
  if (m == kNone) return;
  const int t = c.LookupNode(second, 1);
  if (t == kNone) return;
  const bool moves = above ? c.Level(m) < c.Level(t) : c.Level(m) > c.Level(t);
  c.Decide(LevelsCompared{1, c.Owner(m), c.Owner(t), c.Level(m), c.Level(t), m == t, moves});
  if (moves) WalkToward(c, m, t, above);
}

void MoveToLevel(Context& c, std::int32_t fixedValue, std::int32_t levelNumber) {
  int slot = kNone;
  const int m = c.LookupNode(fixedValue, 0, &slot);
  if (m == kNone || c.ListEmpty()) return;
  if (levelNumber < 1 || levelNumber > c.Size())
    return c.Decide(LevelOutsideList{levelNumber, c.Size()});
  const int t = c.f.order[levelNumber - 1];
  c.Decide(TargetAtLevel{levelNumber, c.Owner(t), c.Owner(t) == slot});
  c.Decide(LevelsCompared{kNone, c.Owner(m), c.Owner(t), c.Level(m), c.Level(t), m == t,
                          c.Level(m) != c.Level(t)});
  if (c.Level(m) == c.Level(t)) return;
  WalkToward(c, m, t, c.Level(m) < c.Level(t));
}

// --- Sort actions ---------------------------------------------------------------

void Sort(Context& c, SortKey by, bool largestFirst, std::int32_t defaultValue,
          std::int32_t valueIndex) {
  const int n = c.Size();
  if (c.ListEmpty() || n == 1) return;
  std::vector<std::int32_t> keys;
  for (int node : c.f.order) {
    const int owner = c.f.nodes[node].owner;
    std::int32_t key = defaultValue;
    if (owner != kNone) {
      const Object& o = c.At(owner);
      if (by == SortKey::X)
        key = o.x;
      else if (by == SortKey::Y)
        key = o.y;
      else if (o.hasValues && ValueIndexInRange(valueIndex))
        key = o.values[valueIndex];
    } else if (by != SortKey::AlterableValue) {
      key = 0;
    }
    keys.push_back(key);
  }
  if (c.Listening()) {
    const auto unordered = [&](std::int32_t a, std::int32_t b) {
      return largestFirst ? b > a : b < a;
    };
    c.Decide(
        SortKeys{by, largestFirst, valueIndex,
                 by == SortKey::AlterableValue && !ValueIndexInRange(valueIndex),
                 std::adjacent_find(keys.begin(), keys.end(), unordered) == keys.end(),
                 std::adjacent_find(keys.begin(), keys.end(), std::not_equal_to<>()) == keys.end(),
                 keys.front()});
  }
  const std::vector<int> picks = SortOrder(keys, largestFirst);
  std::vector<int> sorted;
  for (int i : picks) sorted.push_back(c.f.order[i]);
  c.f.order = sorted;
  const std::uint16_t first = c.f.levelAt[0];
  for (int i = 0; i < n; ++i) c.f.levelAt[i] = static_cast<std::uint16_t>(first + i);
  for (int node : c.f.order) {
    const int owner = c.f.nodes[node].owner;
    if (owner != kNone && c.At(owner).hasDisplayBlock) c.At(owner).displayLevel = c.Level(node);
  }
  for (int node : c.f.order) c.Refresh(node);
}

// --- Conditions ----------------------------------------------------------------

using Test = std::function<std::int32_t(Context&, std::int32_t, std::int32_t)>;

int EndNodeOwner(const Context& c, bool front) {
  return c.f.nodes[front ? c.f.order.back() : c.f.order.front()].owner;
}

std::int32_t AtEnd(Context& c, std::int32_t fixedValue, bool front) {
  EndOwner end{front, kNone, c.Resolve(fixedValue), fixedValue == 0};
  if (!c.ListEmpty()) {
    end.slot = EndNodeOwner(c, front);
    end.holds = end.slot != kNone && FixedValueOf(c.At(end.slot)) == end.fixedValue;
    if (c.Listening()) end.holder = c.HolderAfter(end.fixedValue, kNone);
  }
  c.Decide(end);
  return end.holds ? 1 : 0;
}

std::int32_t Compare(Context& c, std::int32_t first, std::int32_t second, bool above) {
  const int s1 = c.ScanSlot(first, 0);
  if (s1 == kNone) return 0;
  const int s2 = c.ScanSlot(second, 1);
  if (s2 == kNone) return 0;
  if (!c.HasNode(s1) || !c.HasNode(s2)) return 0;
  const std::uint16_t l1 = c.Level(c.f.slots[s1].node), l2 = c.Level(c.f.slots[s2].node);
  const bool passed = above ? l1 > l2 : l1 < l2;
  c.Decide(LevelsCompared{1, s1, s2, l1, l2, s1 == s2, passed});
  return passed ? 1 : 0;
}

std::int32_t Between(Context& c, std::int32_t first, std::int32_t second, std::int32_t third) {
  const int sa = c.ScanSlot(first, 0);
  if (sa == kNone) return 0;
  const int sb = c.ScanSlot(second, 1), sc = c.ScanSlot(third, 2);
  if (sb == kNone || sc == kNone) return 0;
  if (!c.HasNode(sa) || !c.HasNode(sb) || !c.HasNode(sc)) return 0;
  const std::uint16_t a = c.Level(c.f.slots[sa].node), b = c.Level(c.f.slots[sb].node),
                      lc = c.Level(c.f.slots[sc].node);
  const bool passed = (b < a && a < lc) || (lc < a && a < b);
  c.Decide(LevelsCompared{1, sa, sb, a, b, sa == sb, passed});
  c.Decide(LevelsCompared{2, sa, sc, a, lc, sa == sc, passed});
  return passed ? 1 : 0;
}

// The slots of a type's instances in scope, in chain order.
std::vector<int> InstancesInScope(const Context& c, int type) {
  std::vector<int> slots;
  int slot = c.FirstInScopeSlot(type);
  if (slot == kNone) return slots;
  const bool current = c.Current(type);
  const Type& t = c.f.types[type];
  const int bound = current ? t.selectedCount : t.typeObjectCount;
  for (int i = 1; i <= bound; ++i) {
    const Object& object = c.At(slot);
    slots.push_back(slot);
    const int link = current ? object.nextSelected : object.nextOfType;
    if (link < 0) break;
    slot = link;
  }
  return slots;
}

// Whether the conditions' look-up finds `slot` by its own fixed value, and
// it has a node: then the levels alone decide a test on it.
bool FoundAsItself(const Frame& f, int slot) {
  return ConditionSlot(f, FixedValueOf(f.slots[slot])) == slot && f.slots[slot].node != kNone;
}

// For a narrowing against partners that let nothing pass though levels say
// some candidate lies beyond some partner: the first such pair, and the
// look-up that misled the test.
std::optional<Filtered::Unseen> Unseen(const Context& c, const Filtered& run) {
  const Frame& f = c.f;
  const bool above = run.test == FilterTest::Above;
  const auto level = [&](int slot) { return c.Level(f.slots[slot].node); };
  for (const int candidate : run.candidates)
    for (const int partner : run.partners) {
      if (f.slots[candidate].node == kNone || f.slots[partner].node == kNone) continue;
      if (above ? level(candidate) <= level(partner) : level(candidate) >= level(partner)) continue;
      Filtered::Unseen unseen{candidate, partner, std::nullopt};
      for (const int slot : {candidate, partner}) {
        const std::int32_t value = FixedValueOf(f.slots[slot]);
        const int found = ConditionSlot(f, value);
        if (found == slot) continue;
        unseen.misled = Misled{
            slot, value, value == 0, value != 0 ? value : f.storedFixedValue, found, f.objectCount};
        break;
      }
      return unseen;
    }
  return std::nullopt;
}

// The tests' own decisions, one per pair of instances, are left unrecorded:
// the narrowing as a whole is the decision.
std::int32_t Filter(Context& c, int typeA, std::optional<int> typeB, FilterTest which,
                    const Test& test, int arrangement = 0, int partner = 1) {
  Filtered record{which, arrangement, typeB ? partner : kNone, ScopeOf(c.f, typeA)};
  if (typeB) record.partnerScope = ScopeOf(c.f, *typeB);
  const int firstA = c.FirstInScopeSlot(typeA);
  if (firstA == kNone || (typeB && c.FirstInScopeSlot(*typeB) == kNone)) {
    record.empty = firstA == kNone ? record.candidateScope : *record.partnerScope;
    c.Decide(std::move(record));
    return 0;
  }
  record.candidates = InstancesInScope(c, typeA);
  std::vector<std::int32_t> partners;
  if (typeB) {
    record.partners = InstancesInScope(c, *typeB);  // as B's chain stands before A's is rewritten
    for (int slot : record.partners) partners.push_back(FixedValueOf(c.At(slot)));
  }
  Decisions* const listening = std::exchange(c.decisions, nullptr);
  Type& a = c.f.types[typeA];
  const bool current = c.Current(typeA);
  const int bound = current ? a.selectedCount : a.typeObjectCount;
  std::int16_t first = -1, last = -1, count = 0;
  bool any = false;
  int candidate = firstA;
  for (int i = 1; i <= bound; ++i) {
    const Object& object = c.At(candidate);
    const std::int32_t value = FixedValueOf(object);
    bool passed = false;
    if (!typeB) {
      passed = test(c, value, -1) != 0;
    } else {
      for (std::int32_t partner : partners) passed = (test(c, value, partner) != 0) || passed;
    }
    if (passed) {
      record.passed.push_back(candidate);
      ++count;
      any = true;
      if (first == -1)
        first = object.number;
      else
        c.At(last).nextSelected = object.number;
      last = object.number;
    }
    const int link = current ? c.At(candidate).nextSelected : c.At(candidate).nextOfType;
    if (link < 0) break;
    candidate = link;
  }
  a.firstSelected = first;
  a.selectedCount = count;
  if (any) {
    a.selectionStamp = c.f.eventCount;
    c.At(last).nextSelected = kChainEnd;
  }
  c.decisions = listening;
  if (c.Listening()) {
    const auto plain = [&](int slot) { return FoundAsItself(c.f, slot); };
    record.plain = std::all_of(record.candidates.begin(), record.candidates.end(), plain) &&
                   std::all_of(record.partners.begin(), record.partners.end(), plain);
    if (typeB && !any && !record.plain) record.unseen = Unseen(c, record);
  }
  c.Decide(std::move(record));
  return any ? 1 : 0;
}

const Test kAtBack = [](Context& c, std::int32_t fv, std::int32_t) { return AtEnd(c, fv, false); };
const Test kAtFront = [](Context& c, std::int32_t fv, std::int32_t) { return AtEnd(c, fv, true); };
const Test kAbove = [](Context& c, std::int32_t a, std::int32_t b) {
  return Compare(c, a, b, true);
};
const Test kBelow = [](Context& c, std::int32_t a, std::int32_t b) {
  return Compare(c, a, b, false);
};

// The owner of an end node as the object forms test it, before the narrowing.
void DecideEnd(Context& c, int type, bool front) {
  if (!c.Listening() || c.ListEmpty()) return;
  EndOwner end{front, EndNodeOwner(c, front)};
  if (end.slot != kNone) {
    const std::vector<int> candidates = InstancesInScope(c, type);
    end.candidate = std::find(candidates.begin(), candidates.end(), end.slot) != candidates.end();
    const std::int32_t own = FixedValueOf(c.f.slots[end.slot]);
    end.fixedValue = c.Resolve(own);
    end.storedStoodIn = own == 0;
  }
  c.Decide(end);
}

std::int32_t ObjectAtEnd(Context& c, int type, bool front) {
  DecideEnd(c, type, front);
  return Filter(c, type, std::nullopt, front ? FilterTest::AtFront : FilterTest::AtBack,
                front ? kAtFront : kAtBack);
}

std::int32_t ObjectBetween(Context& c, int a, int b, int other) {
  using enum FilterTest;
  if (c.Listening()) {
    BetweenPartners partners{b == a || other == a};
    for (const int type : {b, other})
      if (!partners.empty && c.FirstInScopeSlot(type) == kNone) partners.empty = ScopeOf(c.f, type);
    c.Decide(partners);
  }
  if (Filter(c, a, b, Above, kAbove, 0, 1) && Filter(c, a, other, Below, kBelow, 0, 2)) return 1;
  const bool marked = c.Current(a);
  if (marked) c.f.types[a].selectionStamp = 0xFFFF;
  c.Decide(MarkedNotCurrent{a, marked && c.Current(a)});
  if (Filter(c, a, b, Below, kBelow, 1, 1) && Filter(c, a, other, Above, kAbove, 1, 2)) return 1;
  return 0;
}

std::int32_t RunCondition(Context& c, const Call& call) {
  using Code = plugin::ConditionCode;
  switch (static_cast<plugin::ConditionCode>(call.code)) {
    case Code::CondAtBack:
      return AtEnd(c, call.first, false);
    case Code::CondAtFront:
      return AtEnd(c, call.first, true);
    case Code::CondAbove:
      return Compare(c, call.first, call.second, true);
    case Code::CondBelow:
      return Compare(c, call.first, call.second, false);
    case Code::CondBetween:
      for (int i = 0; i < 3; ++i) c.Fetch(Service::NextParameter, 0xFFFF, 0);
      return Between(c, call.nextParameters[0], call.nextParameters[1], call.nextParameters[2]);
    case Code::CondObjectAtBack:
      return ObjectAtEnd(c, call.typeA, false);
    case Code::CondObjectAtFront:
      return ObjectAtEnd(c, call.typeA, true);
    case Code::CondObjectAbove:
      return Filter(c, call.typeA, call.typeB, FilterTest::Above, kAbove);
    case Code::CondObjectBelow:
      return Filter(c, call.typeA, call.typeB, FilterTest::Below, kBelow);
    case Code::CondObjectBetween:
      for (int i = 0; i < 3; ++i) c.Fetch(Service::NextParameter, 0xFFFF, 0);
      return ObjectBetween(c, call.typeA, call.typeB, call.typeC);
  }
  c.CannotRun("no such condition");
  return 0;
}

void RunAction(Context& c, const Call& call) {
  // Object forms act on the first instance in scope of the parameter's type.
  const plugin::RoutineInfo* row = plugin::RowOf(plugin::RoutineKind::Action, call.code);
  const bool objectForm = row != nullptr && plugin::FixedValueTwin(*row) != nullptr;
  const std::int32_t a = objectForm ? c.FirstInScopeFixedValue(call.typeA, 0) : call.first;
  using Code = plugin::ActionCode;
  switch (static_cast<plugin::ActionCode>(call.code)) {
    case Code::SendBackOne:
    case Code::SendBackOneByObject:
      return StepBy(c, a, 1, -1);
    case Code::BringForwardOne:
    case Code::BringForwardOneByObject:
      return StepBy(c, a, 1, +1);
    case Code::SwapPair:
      return SwapPair(c, call.first, call.second);
    case Code::SwapPairByObject:
      return SwapPair(c, a, c.FirstInScopeFixedValue(call.typeB, 1));
    case Code::StoreFixedValue:
      c.f.storedFixedValue = c.FirstInScopeFixedValue(call.typeA, 0);
      return;
    case Code::BringToFront:
    case Code::BringToFrontByObject:
      return ToEnd(c, a, true);
    case Code::SendToBack:
    case Code::SendToBackByObject:
      return ToEnd(c, a, false);
    case Code::SendBackN:
    case Code::SendBackNByObject:
      return StepBy(c, a, call.second, -1);
    case Code::BringForwardN:
    case Code::BringForwardNByObject:
      return StepBy(c, a, call.second, +1);
    case Code::ReverseAll:
      return ReverseAll(c);
    case Code::MoveAbove:
      return MoveAboveOrBelow(c, call.first, call.second, true);
    case Code::MoveAboveByObject:
      return MoveAboveOrBelow(c, a, c.FirstInScopeFixedValue(call.typeB, 1), true);
    case Code::MoveBelow:
      return MoveAboveOrBelow(c, call.first, call.second, false);
    case Code::MoveBelowByObject:
      return MoveAboveOrBelow(c, a, c.FirstInScopeFixedValue(call.typeB, 1), false);
    case Code::MoveToLevel:
    case Code::MoveToLevelByObject:
      return MoveToLevel(c, a, call.second);
    case Code::IncreasingXSort:
      return Sort(c, SortKey::X, true, 0, 0);
    case Code::IncreasingYSort:
      return Sort(c, SortKey::Y, true, 0, 0);
    case Code::DecreasingXSort:
      return Sort(c, SortKey::X, false, 0, 0);
    case Code::DecreasingYSort:
      return Sort(c, SortKey::Y, false, 0, 0);
    case Code::IncreasingSortByValue:
      return Sort(c, SortKey::AlterableValue, true, call.second, call.valueIndex);
    case Code::DecreasingSortByValue:
      return Sort(c, SortKey::AlterableValue, false, call.second, call.valueIndex);
  }
  c.CannotRun("no such action");
}

// --- Expressions ----------------------------------------------------------------

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  const auto fold = [](unsigned char ch) {
    return ch >= 'A' && ch <= 'Z' ? static_cast<unsigned char>(ch - 'A' + 'a') : ch;
  };
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

std::int32_t FixedValueByName(Context& c, const std::optional<std::string>& argument) {
  if (!argument) return 0;
  const std::string name = argument->c_str();  // the host's text ends at its first zero
  if (name.empty()) return c.f.storedFixedValue;
  for (int slot = 0; slot <= int{c.f.objectCount}; ++slot) {
    const Object& object = c.f.slots[slot];
    if (!object.present || !SameName(name, c.f.types[object.type].name)) continue;
    const std::int32_t value = FixedValueOf(object);
    const int node = c.LookupNode(value, 0);
    if (node != kNone && Counted(c.f.nodes[node])) return value;
  }
  return 0;
}

std::int32_t EndFixedValue(const Context& c, bool front) {
  std::vector<int> walk = c.f.order;
  if (front) std::reverse(walk.begin(), walk.end());
  for (int node : walk)
    if (Counted(c.f.nodes[node])) return c.NodeFixedValue(node);
  return 0;
}

std::int32_t LevelOfFixedValue(const Context& c, std::int32_t fixedValue) {
  const std::int32_t wanted = c.Resolve(fixedValue);
  std::int32_t position = 1;
  for (int node : c.f.order) {
    if (!Counted(c.f.nodes[node])) continue;
    if (c.NodeFixedValue(node) == wanted) return position;
    ++position;
  }
  return 0;
}

std::int32_t FixedValueAtLevel(const Context& c, std::int32_t level) {
  std::int64_t position = 1;
  for (int node : c.f.order) {
    if (position != level)
      ++position;
    else if (Counted(c.f.nodes[node]))
      return c.NodeFixedValue(node);
  }
  return 0;
}

std::string Describe(const Context& c, std::int32_t start, std::int32_t count) {
  std::string text = "Lvl\tName\tFV\n\n";
  const std::int64_t limit = std::int64_t{start} + count;
  std::int64_t position = 0;
  for (int node : c.f.order) {
    ++position;
    if (position >= limit) break;
    if (position < start) continue;
    if (!Counted(c.f.nodes[node])) {
      --position;
      continue;
    }
    const Object& owner = c.At(c.f.nodes[node].owner);
    if (c.unmodelled != nullptr) break;
    text += std::to_string(position) + "\t" + c.f.types[owner.type].name + "\t" +
            std::to_string(FixedValueOf(owner)) + "\n";
  }
  return text;
}

void RunExpression(Context& c, const Call& call) {
  const auto fetch = [&](std::uint32_t kind) {
    c.Fetch(Service::ExpressionParameter, kind, static_cast<std::uint32_t>(call.token));
  };
  Outcome& out = c.out;
  using Code = plugin::ExpressionCode;
  switch (static_cast<plugin::ExpressionCode>(call.code)) {
    case Code::GetFixedValueByName:
      fetch(1);
      out.result = FixedValueByName(c, call.textArgument);
      return;
    case Code::GetTopFixedValue:
      out.result = EndFixedValue(c, true);
      return;
    case Code::GetBottomFixedValue:
      out.result = EndFixedValue(c, false);
      return;
    case Code::GetDescription:
      fetch(0);
      out.text = Describe(c, call.integerArgument, 1);
      return;
    case Code::GetTenDescription:
      fetch(0);
      out.text = Describe(c, call.integerArgument, 10);
      return;
    case Code::GetLevelCount:
      out.result = static_cast<std::int32_t>(std::count_if(
          c.f.order.begin(), c.f.order.end(), [&](int node) { return Counted(c.f.nodes[node]); }));
      return;
    case Code::GetLevel:
      fetch(0);
      out.result = LevelOfFixedValue(c, call.integerArgument);
      return;
    case Code::GetLevelFixedValue:
      fetch(0);
      out.result = FixedValueAtLevel(c, call.integerArgument);
      return;
  }
  c.CannotRun("no such expression");
}

}  // namespace

int Frame::PositionOf(int node) const {
  const auto it = std::find(order.begin(), order.end(), node);
  return it == order.end() ? kNone : static_cast<int>(it - order.begin());
}

int ConditionSlot(const Frame& frame, std::int32_t fixedValue) {
  const std::int32_t wanted = fixedValue == 0 ? frame.storedFixedValue : fixedValue;
  for (int slot = 0; slot <= int{frame.objectCount}; ++slot) {
    const Object& object = frame.slots[slot];
    if (object.present && FixedValueOf(object) == wanted) return slot;
  }
  return kNone;
}

ScopeStart ScopeOf(const Frame& frame, int type) {
  const Type& t = frame.types[type];
  const bool current = t.selectionStamp == frame.eventCount;
  return {type, current, current ? t.firstSelected : t.firstObject};
}

int FirstInScopeSlot(const Frame& frame, int type) {
  const int n = ScopeOf(frame, type).first;
  if (n < 0 || n >= static_cast<int>(frame.slots.size()) || !frame.slots[n].present) return kNone;
  return n;
}

bool SortsByDefaultOnly(const Call& call) {
  const plugin::RoutineInfo* row =
      call.kind == Kind::Action ? plugin::RowOf(plugin::RoutineKind::Action, call.code) : nullptr;
  return row != nullptr && plugin::SortOf(*row).key == plugin::SortKey::AlterableValue &&
         !ValueIndexInRange(call.valueIndex);
}

std::int32_t FixedValueOf(const Object& object) {
  const auto number = static_cast<std::uint32_t>(std::int32_t{object.number});
  const auto creation = static_cast<std::uint32_t>(std::int32_t{object.creationCount});
  return static_cast<std::int32_t>(number + creation * 65536u);
}

Outcome Run(Frame& frame, const Call& call, Decisions* decisions,
            const ServiceObserver& atService) {
  Outcome out;
  Context c{frame, out, decisions, atService};
  switch (call.kind) {
    case Kind::Condition:
      out.result = RunCondition(c, call);
      break;
    case Kind::Action:
      RunAction(c, call);
      break;
    case Kind::Expression:
      RunExpression(c, call);
      break;
  }
  if (c.unmodelled != nullptr) out.unmodelled = c.unmodelled;
  return out;
}

}  // namespace tier::model
