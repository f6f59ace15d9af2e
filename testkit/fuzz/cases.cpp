#include "testkit/fuzz/cases.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <sstream>

#include "host/records.h"
#include "support/quote.h"
#include "testkit/fuzz/parameters.h"

namespace tier::testkit::fuzz {
namespace {

using model::Kind;

const std::string kLongName = std::string(130, 'Q') + "long";

// Names shared between types, differing in ASCII case, in non-ASCII letters
// (which never fold) and in the neighbours of the letters.
std::string PickName(Source& s) {
  return s.Pick<std::string>({"Ball", "ball", "BALL", "Wall", "Active 2", "", "Caf\xE9", "CAF\xC9",
                              "a@b", "A`B", "x[", "X{", kLongName, "Ball "});
}

template <typename T>
void Shuffle(Source& s, std::vector<T>& items) {
  for (int i = static_cast<int>(items.size()) - 1; i > 0; --i)
    std::swap(items[i], items[s.Below(i + 1)]);
}

std::int16_t PickCoordinate(Source& s) {
  switch (s.Below(4)) {
    case 0:
      return static_cast<std::int16_t>(10 * s.Below(4));  // many equal keys
    case 1:
      return static_cast<std::int16_t>(s.Below(200) - 100);
    case 2:
      return s.Pick<std::int16_t>({INT16_MIN, INT16_MAX, -1, 0});
    default:
      return s.Half();
  }
}

std::int32_t PickValue(Source& s) {
  switch (s.Below(4)) {
    case 0:
      return s.Below(4);
    case 1:
      return s.Below(200) - 100;
    case 2:
      return s.Pick<std::int32_t>({INT32_MIN, INT32_MAX, -1, 0});
    default:
      return s.Word();
  }
}

// The catalogue's indexes of the routines the focused frames favour, each
// as many times as its row's focus shares, in the catalogue's order.
const std::vector<int>& FocusedRoutines() {
  static const std::vector<int> routines = [] {
    std::vector<int> indexes;
    for (const plugin::RoutineInfo& row : plugin::kCatalogue)
      indexes.insert(indexes.end(), row.focusShares, static_cast<int>(plugin::IndexOf(row)));
    return indexes;
  }();
  return routines;
}

int HighestSlot(const FrameRecipe& f) {
  int highest = 0;
  for (const ObjectRecipe& o : f.objects) highest = std::max(highest, o.slot);
  return highest;
}

// Objects numbered like others, in free slots, in no chain.
void AddTwins(Source& s, FrameRecipe& f, const std::vector<int>& freeSlots) {
  const int count = std::min(1 + s.Below(8), static_cast<int>(freeSlots.size()));
  for (int i = 0; i < count; ++i) {
    const ObjectRecipe& original = f.objects[s.Below(static_cast<int>(f.objects.size()))];
    ObjectRecipe twin = original;
    twin.slot = freeSlots[i];
    twin.number = original.number.value_or(static_cast<std::int16_t>(original.slot));
    twin.type = s.Below(static_cast<int>(f.types.size()));
    twin.x = PickCoordinate(s);
    f.objects.push_back(twin);
  }
}

void MakeSelection(Source& s, TypeRecipe& type, std::uint16_t eventCount) {
  std::vector<int> members = type.chain;
  Shuffle(s, members);
  if (s.Chance(40)) members = type.chain;  // often the type-chain order
  members.resize(static_cast<std::size_t>(s.Below(static_cast<int>(members.size()) + 1)));
  type.selected = members;
  type.selectedEnd = s.Pick<std::int16_t>({model::kChainEnd, model::kChainEnd, -1, -5});
  switch (s.Below(8)) {
    case 0:
    case 1:
    case 2:
      break;  // current, as built
    case 3:   // current and empty
      type.selected.clear();
      break;
    case 4:  // a count that disagrees with the chain
      type.selectedCount =
          static_cast<std::int16_t>(static_cast<int>(members.size()) + s.Below(5) - 2);
      break;
    case 5:  // an empty selection that still counts instances
      type.firstSelected = s.Pick<std::int16_t>({-1, -2, INT16_MIN});
      type.selectedCount = static_cast<std::int16_t>(s.Below(4));
      break;
    default:  // stale: left over from an earlier event pass
      type.staleStamp = s.Pick<std::uint16_t>({static_cast<std::uint16_t>(eventCount - 1),
                                               static_cast<std::uint16_t>(eventCount + 1), 0xFFFF,
                                               static_cast<std::uint16_t>(s.Next())});
      if (*type.staleStamp == eventCount)
        type.staleStamp = static_cast<std::uint16_t>(eventCount ^ 0x100);
      break;
  }
}

}  // namespace

FrameRecipe MakeFrame(Source& s, const FrameOptions& options) {
  FrameRecipe f;
  const bool large = options.largeFramePercent > 0 && s.Chance(options.largeFramePercent);
  int typeCount = 0, objectCount = 0;
  if (large) {
    // Enough types that the reference model's pairwise filter stays quick.
    objectCount = 200 + s.Below(std::max(options.largeFrameObjects - 199, 1));
    typeCount = std::max(2 + s.Below(4), objectCount / 300);
    for (int t = 0; t < typeCount; ++t)
      f.types.push_back({.name = s.Pick<std::string>({"Ball", "ball", "BALL", "Wall", "wall"})});
  } else {
    typeCount = 1 + s.Below(5);
    for (int t = 0; t < typeCount; ++t) f.types.push_back({.name = PickName(s)});
    objectCount = s.Pick<int>({0, 1, 2, 3, s.Below(10), s.Below(20), s.Below(40), s.Below(81)});
  }

  std::vector<int> slots(static_cast<std::size_t>(
      objectCount + (large ? s.Below(objectCount / 4) + 8 : s.Below(20)) + 1));
  for (std::size_t i = 0; i < slots.size(); ++i) slots[i] = static_cast<int>(i);
  Shuffle(s, slots);
  if (s.Chance(50)) std::swap(*std::find(slots.begin(), slots.end(), 0), slots[0]);  // slot 0 taken
  const int typesInUse = large ? typeCount : 1 + s.Below(typeCount);  // the rest have no objects
  for (int i = 0; i < objectCount; ++i) {
    ObjectRecipe o;
    o.slot = slots[i];
    o.type = s.Below(typesInUse);
    o.creationCount = s.Pick<std::int16_t>(
        {0, 0, 1, 2, static_cast<std::int16_t>(s.Below(100)), -1, INT16_MAX, INT16_MIN, s.Half()});
    o.x = PickCoordinate(s);
    o.y = PickCoordinate(s);
    o.hasValues = s.Chance(80);
    for (std::int32_t& v : o.values) v = PickValue(s);
    o.hasDisplayBlock = s.Chance(85);
    o.displayLevel = static_cast<std::uint16_t>(s.Chance(50) ? s.Below(100) : s.Next());
    o.looseLink = s.Pick<std::int16_t>({-1, -1, model::kChainEnd, -3});
    f.objects.push_back(o);
  }
  if (large && objectCount > 0)
    AddTwins(s, f, std::vector<int>(slots.begin() + objectCount, slots.end()));

  for (const ObjectRecipe& o : f.objects) {
    if (!s.Chance(85)) continue;
    std::uint8_t flags = 0;
    if (s.Chance(15)) flags |= model::kUncounted;
    if (s.Chance(15)) flags |= model::kNoRefresh;
    if (s.Chance(10))
      flags |= static_cast<std::uint8_t>(s.Next() & 0x5F);  // bits that mean nothing
    f.order.push_back({o.slot, flags});
  }
  Shuffle(s, f.order);
  const int n = static_cast<int>(f.order.size());
  f.firstLevel = s.Pick<std::uint16_t>(
      {1, 1, 1, 0, static_cast<std::uint16_t>(s.Below(1000)),
       static_cast<std::uint16_t>(65536 - std::max(n, 1)),  // the top level is 65535
       static_cast<std::uint16_t>(65500 + s.Below(36))});   // levels that wrap past 65535

  const int highest = HighestSlot(f);
  f.objectCount = static_cast<std::uint16_t>(s.Pick<int>(
      {highest, highest, highest + s.Below(5), std::max(0, highest - 1 - s.Below(3)), 0}));
  f.objectLimit = static_cast<std::int16_t>(
      s.Pick<int>({highest, highest, highest + s.Below(5), highest - 1 - s.Below(3), -1, 0,
                   s.Chance(20) ? INT16_MIN : highest}));
  if (large && s.Chance(40)) {  // well below the highest slot, or well above it
    f.objectCount = static_cast<std::uint16_t>(s.Chance(50) ? s.Below(highest + 1)
                                                            : highest + s.Below(highest / 4 + 1));
    f.objectLimit = static_cast<std::int16_t>(s.Chance(50) ? s.Below(highest + 1)
                                                           : highest + s.Below(highest / 4 + 1));
  }
  if (options.objectsWithinBounds && std::max<int>(f.objectCount, f.objectLimit) < highest) {
    if (s.Chance(50))
      f.objectCount = static_cast<std::uint16_t>(highest);
    else
      f.objectLimit = static_cast<std::int16_t>(highest);
  }
  f.eventCount = s.Pick<std::uint16_t>({7, 0, 0xFFFF, static_cast<std::uint16_t>(s.Next())});

  for (int t = 0; t < typeCount; ++t) {
    TypeRecipe& type = f.types[t];
    for (const ObjectRecipe& o : f.objects)
      if (o.type == t && !o.number) type.chain.push_back(o.slot);
    Shuffle(s, type.chain);
    type.chainEnd = s.Pick<std::int16_t>({-1, -1, model::kChainEnd, -7});
    if (s.Chance(20))
      type.typeObjectCount =
          static_cast<std::int16_t>(static_cast<int>(type.chain.size()) + s.Below(5) - 2);
    MakeSelection(s, type, f.eventCount);
  }

  switch (s.Below(5)) {
    case 0:
      f.storedFixedValue = 0;
      break;
    case 1:
      f.storedFixedValue = s.Word();
      break;  // most likely stale
    default:
      if (!f.objects.empty()) {
        f.storedFixedValue = FixedValueOf(f.objects[s.Below(objectCount)]);
      }
  }
  return f;
}

FuzzCall MakeCall(Source& s, const FrameRecipe& f, bool focused, const plugin::RoutineInfo* only) {
  FuzzCall fc;
  model::Call& c = fc.call;
  // Focused: half the calls go to the routines richest in branches.
  const std::vector<int>& favoured = FocusedRoutines();
  const int pick = only != nullptr ? static_cast<int>(plugin::IndexOf(*only))
                   : focused && !favoured.empty() && s.Chance(50)
                       ? favoured[s.Below(static_cast<int>(favoured.size()))]
                       : s.Below(static_cast<int>(plugin::kCatalogue.size()));
  const plugin::RoutineInfo& row = plugin::kCatalogue[static_cast<std::size_t>(pick)];
  c.kind = ModelKind(row);
  c.code = row.code;
  ParameterPicker p{s, f};
  c.first = p.FixedValue();
  c.typeA = p.Type();
  c.typeB = p.Type();
  c.typeC = p.Type();
  c.token = s.Word();
  fc.unusedFirst = s.Word();
  fc.unusedSecond = s.Word();
  const ParameterKinds kinds = KindsOf(c.kind, c.code);
  switch (kinds.second) {
    case Param::FixedValue:
      c.second = p.FixedValue();
      break;
    case Param::Count:
      c.second = p.Count();
      break;
    case Param::Level:
      c.second = p.Level();
      break;
    case Param::Default:
      c.second = PickValue(s);
      break;
    default:
      c.second = s.Word();
      break;
  }
  if (kinds.first == Param::AltValue)
    c.valueIndex = s.Pick<std::int16_t>(
        {0, 1, static_cast<std::int16_t>(s.Below(26)), 25, 26, -1, 100, INT16_MAX, INT16_MIN});
  for (std::int32_t& v : c.nextParameters) v = p.FixedValue();
  const plugin::ParamRole argument =
      c.kind == Kind::Expression ? row.parameters[0].role : plugin::ParamRole::None;
  if (argument == plugin::ParamRole::Text)
    c.textArgument = p.Name();
  else if (argument == plugin::ParamRole::Position)
    c.integerArgument = p.Level();
  else if (argument == plugin::ParamRole::FixedValue)
    c.integerArgument = p.FixedValue();
  else
    c.integerArgument = s.Word();
  return fc;
}

Case MakeCase(Source& s, int maxCalls, const FrameOptions& options,
              const plugin::RoutineInfo* only) {
  Case result;
  result.frame = MakeFrame(s, options);
  const bool large = result.frame.objects.size() >= 200;
  if (large) maxCalls = std::min(maxCalls, 6);
  for (int i = 0; i < maxCalls && !s.Exhausted(); ++i)
    result.calls.push_back(MakeCall(s, result.frame, large, only));
  return result;
}

std::int32_t FixedValueOf(const ObjectRecipe& o) {
  return host::MakeFixedValue(o.number.value_or(static_cast<std::int16_t>(o.slot)),
                              o.creationCount);
}

model::Frame ToModel(const FrameRecipe& r) {
  model::Frame f;
  const int highest = HighestSlot(r);
  const int slotCount = std::max({highest + 1, int{r.objectCount} + 1, int{r.objectLimit} + 1});
  f.slots.resize(static_cast<std::size_t>(slotCount));
  for (const ObjectRecipe& o : r.objects) {
    model::Object& m = f.slots[o.slot];
    m.present = true;
    m.number = o.number.value_or(static_cast<std::int16_t>(o.slot));
    m.nextSelected = o.looseLink;
    m.creationCount = o.creationCount;
    m.type = o.type;
    m.x = o.x;
    m.y = o.y;
    m.hasValues = o.hasValues;
    if (o.hasValues) m.values = o.values;
    m.hasDisplayBlock = o.hasDisplayBlock;
    m.displayLevel = o.hasDisplayBlock ? o.displayLevel : 0;
  }
  for (std::size_t i = 0; i < r.order.size(); ++i) {
    const NodeRecipe& n = r.order[i];
    f.nodes.push_back({n.slot, n.flags});
    f.order.push_back(static_cast<int>(i));
    const auto level = static_cast<std::uint16_t>(r.firstLevel + i);
    f.levelAt.push_back(level);
    model::Object& owner = f.slots[n.slot];
    owner.node = static_cast<int>(i);
    // The host mirrors counted nodes; an uncounted node's owner keeps what it had.
    if (owner.hasDisplayBlock && !(n.flags & model::kUncounted)) owner.displayLevel = level;
  }
  for (const TypeRecipe& t : r.types) {
    model::Type m;
    m.name = t.name;
    m.firstObject = t.chain.empty() ? std::int16_t{-1} : static_cast<std::int16_t>(t.chain[0]);
    m.typeObjectCount = t.typeObjectCount.value_or(static_cast<std::int16_t>(t.chain.size()));
    for (std::size_t i = 0; i < t.chain.size(); ++i)
      f.slots[t.chain[i]].nextOfType =
          i + 1 < t.chain.size() ? static_cast<std::int16_t>(t.chain[i + 1]) : t.chainEnd;
    for (std::size_t i = 0; i < t.selected.size(); ++i)
      f.slots[t.selected[i]].nextSelected =
          i + 1 < t.selected.size() ? static_cast<std::int16_t>(t.selected[i + 1]) : t.selectedEnd;
    m.firstSelected = t.firstSelected.value_or(
        t.selected.empty() ? std::int16_t{-1} : static_cast<std::int16_t>(t.selected[0]));
    m.selectedCount = t.selectedCount.value_or(static_cast<std::int16_t>(t.selected.size()));
    m.selectionStamp = t.staleStamp.value_or(r.eventCount);
    f.types.push_back(m);
  }
  f.objectCount = r.objectCount;
  f.objectLimit = r.objectLimit;
  f.eventCount = r.eventCount;
  f.storedFixedValue = r.storedFixedValue;
  return f;
}

FrameRecipe WithoutObject(const FrameRecipe& recipe, int slot) {
  FrameRecipe r = recipe;
  const auto drop = [slot](std::vector<int>& slots) {
    slots.erase(std::remove(slots.begin(), slots.end(), slot), slots.end());
  };
  std::erase_if(r.objects, [slot](const ObjectRecipe& o) { return o.slot == slot; });
  std::erase_if(r.order, [slot](const NodeRecipe& n) { return n.slot == slot; });
  for (TypeRecipe& t : r.types) {
    drop(t.chain);
    drop(t.selected);
    if (t.firstSelected && *t.firstSelected == slot) t.firstSelected.reset();
  }
  return r;
}

std::string Describe(const FrameRecipe& f) {
  std::ostringstream out;
  out << "  eventCount " << f.eventCount << ", objectCount " << f.objectCount << ", objectLimit "
      << f.objectLimit << ", storedFixedValue " << f.storedFixedValue << ", firstLevel "
      << f.firstLevel << "\n";
  for (std::size_t t = 0; t < f.types.size(); ++t) {
    const TypeRecipe& type = f.types[t];
    out << "  type " << t << " " << Quote(type.name) << ": chain [";
    for (int slot : type.chain) out << " " << slot;
    out << " ] end " << type.chainEnd;
    if (type.typeObjectCount) out << " count " << *type.typeObjectCount;
    out << "; selection "
        << (type.staleStamp ? "stale (stamp " + std::to_string(*type.staleStamp) + ")" : "current")
        << " [";
    for (int slot : type.selected) out << " " << slot;
    out << " ] end " << type.selectedEnd;
    if (type.firstSelected) out << " firstSelected " << *type.firstSelected;
    if (type.selectedCount) out << " selectedCount " << *type.selectedCount;
    out << "\n";
  }
  for (const ObjectRecipe& o : f.objects) {
    out << "  slot " << o.slot << ": type " << o.type << " cc " << o.creationCount << " fv "
        << FixedValueOf(o) << (o.number ? " (twin, in no chain)" : "") << " x " << o.x << " y "
        << o.y;
    if (o.hasValues)
      out << " values " << o.values[0] << "," << o.values[1] << ",..";
    else
      out << " no values";
    if (o.hasDisplayBlock)
      out << " displayLevel " << o.displayLevel;
    else
      out << " no display block";
    out << " looseLink " << o.looseLink << "\n";
  }
  out << "  order back to front (slot/flags):";
  for (const NodeRecipe& n : f.order) {
    out << " " << n.slot;
    if (n.flags & model::kUncounted) out << "u";
    if (n.flags & model::kNoRefresh) out << "n";
    if (n.flags & ~(model::kUncounted | model::kNoRefresh)) out << "+" << int{n.flags};
  }
  out << "\n";
  return out.str();
}

std::string Describe(const FuzzCall& fc) {
  const model::Call& c = fc.call;
  std::ostringstream out;
  const char* kindName = c.kind == Kind::Condition ? "condition"
                         : c.kind == Kind::Action  ? "action"
                                                   : "expression";
  out << kindName << " " << c.code << " " << model::RoutineName(c.kind, c.code) << "(";
  const ParameterKinds kinds = KindsOf(c.kind, c.code);
  const auto param = [&](Param kind, bool firstSlot) -> std::string {
    const std::int32_t number = firstSlot ? c.first : c.second;
    switch (kind) {
      case Param::FixedValue:
      case Param::Count:
      case Param::Level:
      case Param::Default:
        return std::to_string(number);
      case Param::Object:
        return "type " + std::to_string(firstSlot ? c.typeA : c.typeB);
      case Param::AltValue:
        return "value " + std::to_string(c.valueIndex);
      case Param::NextFixedValues:
        return "next " + std::to_string(c.nextParameters[0]) + ", " +
               std::to_string(c.nextParameters[1]) + ", " + std::to_string(c.nextParameters[2]);
      case Param::NextObjects:
        return "next types " + std::to_string(c.typeA) + ", " + std::to_string(c.typeB) + ", " +
               std::to_string(c.typeC);
      case Param::Unused:
        return "-";
    }
    return "?";
  };
  if (c.kind == Kind::Expression) {
    out << "token " << c.token;
    const plugin::RoutineInfo& row = RowOf(c.kind, c.code);
    if (row.parameters[0].kind == plugin::kArgumentText)
      out << ", name " << (c.textArgument ? Quote(*c.textArgument) : "null");
    else if (row.parameterCount == 1)
      out << ", argument " << c.integerArgument;
  } else {
    out << param(kinds.first, true) << ", " << param(kinds.second, false);
  }
  out << ")";
  return out.str();
}

}  // namespace tier::testkit::fuzz
