// The eight expressions: numeric reads of the display order and the
// description text. Each fetches its argument (if any) with
// GetExpressionParameter and the token it received. Each routine is declared
// from its catalogue row (plugin/routines.h).
#include <cstdint>

#include "expressions/describe.h"
#include "frame/frame_query.h"
#include "frame/working_memory.h"
#include "host/services.h"

namespace tier::expressions {

using host::RunData;

namespace {

using host::DisplayNode;
using host::HostObject;
using host::ObjectTypeEntry;
using host::RunHeader;

// A node that stands for a level of the expressions: its uncounted bit is
// clear. A node without an owner names no object and is left out the same way.
bool IsCounted(const DisplayNode& node) { return !(node.flags & host::kUncounted) && node.owner; }

std::int32_t FixedValueOfNode(const DisplayNode& node) {
  return host::FixedValueOf(*node.owner.get());
}

char FoldAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Same length, and each pair of characters identical or the same ASCII letter
// in the other case; no other character folds.
bool NamesMatch(const char* wanted, const char* name) {
  for (;; ++wanted, ++name) {
    if (FoldAsciiLetter(*wanted) != FoldAsciiLetter(*name)) return false;
    if (*wanted == '\0') return true;
  }
}

std::int32_t IntegerArgument(const RunData& runData, std::int32_t token) {
  return static_cast<std::int32_t>(
      host::GetExpressionParameter(runData, host::kExpressionInteger, token));
}

DisplayNode* Head(const RunData& runData) { return host::DisplayListOf(runData)->head.get(); }
DisplayNode* Tail(const RunData& runData) { return host::DisplayListOf(runData)->tail.get(); }

// Whether a type record's name is `wanted`, compared once per type record:
// a frame holds few types and many objects of each. The answers last for
// this call only.
class TypeNameMatches {
 public:
  explicit TypeNameMatches(const char* wanted) : wanted_(wanted) {}

  bool operator()(const ObjectTypeEntry& type) {
    for (int i = 0; i < remembered_; ++i)
      if (types_[i] == &type) return matches_[i];
    const bool matches = NamesMatch(wanted_, host::TypeName(type));
    // The oldest answer makes room when all are taken.
    const int at = remembered_ < kRemembered ? remembered_++ : next_++ % kRemembered;
    types_[at] = &type;
    matches_[at] = matches;
    return matches;
  }

 private:
  static constexpr int kRemembered = 8;
  const char* wanted_;
  const ObjectTypeEntry* types_[kRemembered] = {};
  bool matches_[kRemembered] = {};
  int remembered_ = 0;
  int next_ = 0;
};

// The object in the slot when its object name is `wanted`; else null.
const HostObject* NamedObjectInSlot(const RunHeader& header, std::int32_t slot,
                                    TypeNameMatches& named) {
  const HostObject* object = host::ObjectInSlot(header, slot);
  if (object == nullptr) return nullptr;
  const ObjectTypeEntry* type = object->typeEntry.get();
  if (type == nullptr || !named(*type)) return nullptr;
  return object;
}

// Whether a name match counts: the object that the actions' fixed-value
// lookup finds for its fixed value (0 meaning the stored one) has a counted
// node. `lookup` is that lookup over slots 0..objectLimit.
bool CountsAsNamed(const RunData& runData, const frame::WantedFixedValues& lookup,
                   std::int32_t fixedValue) {
  const RunHeader& header = *host::RunHeaderOf(runData);
  const HostObject* object = lookup.Find(header, frame::FixedValueMeant(runData, fixedValue));
  if (object == nullptr) return false;
  const DisplayNode* node = object->displayNode.get();
  return node != nullptr && !(node->flags & host::kUncounted);
}

}  // namespace

std::intptr_t GetFixedValueByName(RunData& runData, std::int32_t token) {
  const host::HostAddress nameAddress =
      host::GetExpressionParameter(runData, host::kExpressionText, token);
  if (nameAddress == 0) return 0;  // no text at all names no object
  const char* wanted = host::ResolveString(nameAddress);
  if (wanted[0] == '\0') return runData.storedFixedValue;

  // Each match counts only through a counted node found by the actions'
  // fixed-value lookup. All the matches are looked up together in one sweep,
  // then taken in slot order.
  const RunHeader& header = *host::RunHeaderOf(runData);
  const std::int32_t lastNameSlot = header.objectCount;
  // The matches' fixed values and the sweep's table are scratch memory of
  // this call, released before it returns. Without the first, each match is
  // looked up in slot order by a scan of its own, as without the table: the
  // same result either way.
  TypeNameMatches named(wanted);
  frame::WorkingList<std::int32_t, 256> matches;
  for (std::int32_t slot = 0; slot <= lastNameSlot; ++slot) {
    const HostObject* object = NamedObjectInSlot(header, slot, named);
    if (object != nullptr && !matches.Append(host::FixedValueOf(*object))) break;
  }
  const auto found = static_cast<std::int32_t>(matches.size());
  frame::WantedFixedValues lookup(matches.failed() ? 0 : found);
  for (std::int32_t i = 0; i < found; ++i) lookup.Want(frame::FixedValueMeant(runData, matches[i]));
  lookup.Sweep(header, header.objectLimit);
  if (matches.failed()) {
    for (std::int32_t slot = 0; slot <= lastNameSlot; ++slot) {
      const HostObject* object = NamedObjectInSlot(header, slot, named);
      if (object != nullptr && CountsAsNamed(runData, lookup, host::FixedValueOf(*object)))
        return host::FixedValueOf(*object);
    }
    return 0;
  }
  for (std::int32_t i = 0; i < found; ++i)
    if (CountsAsNamed(runData, lookup, matches[i])) return matches[i];
  return 0;
}

std::intptr_t GetTopFixedValue(RunData& runData, std::int32_t) {
  for (const DisplayNode* node = Tail(runData); node != nullptr; node = node->prev.get())
    if (IsCounted(*node)) return FixedValueOfNode(*node);
  return 0;
}

std::intptr_t GetBottomFixedValue(RunData& runData, std::int32_t) {
  for (const DisplayNode* node = Head(runData); node != nullptr; node = node->next.get())
    if (IsCounted(*node)) return FixedValueOfNode(*node);
  return 0;
}

std::intptr_t GetDescription(RunData& runData, std::int32_t token) {
  const std::int32_t start = IntegerArgument(runData, token);
  return reinterpret_cast<std::intptr_t>(DescribeLevels(runData, start, 1));
}

std::intptr_t GetTenDescription(RunData& runData, std::int32_t token) {
  const std::int32_t start = IntegerArgument(runData, token);
  return reinterpret_cast<std::intptr_t>(DescribeLevels(runData, start, 10));
}

std::intptr_t GetLevelCount(RunData& runData, std::int32_t) {
  std::int32_t count = 0;
  for (const DisplayNode* node = Head(runData); node != nullptr; node = node->next.get())
    if (IsCounted(*node)) ++count;
  return count;
}

// The position among the counted nodes, worked out from the list order.
std::intptr_t GetLevel(RunData& runData, std::int32_t token) {
  const std::int32_t wanted = frame::FixedValueMeant(runData, IntegerArgument(runData, token));
  std::int32_t position = 1;
  for (const DisplayNode* node = Head(runData); node != nullptr; node = node->next.get()) {
    if (!IsCounted(*node)) continue;
    if (FixedValueOfNode(*node) == wanted) return position;
    ++position;
  }
  return 0;
}

// Every node before the wanted level takes a position, uncounted ones
// included; an uncounted node at the wanted level hands the level on to the
// node after it.
std::intptr_t GetLevelFixedValue(RunData& runData, std::int32_t token) {
  const std::int32_t wanted = IntegerArgument(runData, token);
  std::int32_t position = 1;
  for (const DisplayNode* node = Head(runData); node != nullptr; node = node->next.get()) {
    if (position != wanted)
      ++position;
    else if (IsCounted(*node))
      return FixedValueOfNode(*node);
  }
  return 0;
}

}  // namespace tier::expressions
