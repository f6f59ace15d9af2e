// The eight expressions: numeric reads of the display order and the
// description text. Each fetches its argument (if any) with
// GetExpressionParameter and the token it received. Each routine is declared
// from its catalogue row (plugin/routines.h).
#include <cstdint>

#include "expressions/describe.h"
#include "frame/frame_query.h"
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
// this call only, filed by the record's address; the two records most lately
// found not to match (at first none, which matches nothing) and the one most
// lately found to match are tested first.
class TypeNameMatches {
 public:
  explicit TypeNameMatches(const char* wanted) : wanted_(wanted) {}

  bool operator()(const ObjectTypeEntry* type) {
    if (type == notNamed_[0] || type == notNamed_[1]) [[likely]]
      return false;
    if (type == named_) return true;
    return Filed(type);
  }

 private:
  static constexpr int kBucketBits = 4;

  [[gnu::noinline]] bool Filed(const ObjectTypeEntry* type) {
    if (type == nullptr) return false;
    const auto address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(type));
    const std::uint32_t at = (address * 0x9E3779B1u) >> (32 - kBucketBits);
    if (types_[at] != type) {
      // Another record filed here before gives way.
      types_[at] = type;
      matches_[at] = NamesMatch(wanted_, host::TypeName(*type));
    }
    if (matches_[at]) {
      named_ = type;
    } else {
      notNamed_[1] = notNamed_[0];
      notNamed_[0] = type;
    }
    return matches_[at];
  }

  const char* wanted_;
  const ObjectTypeEntry* notNamed_[2] = {};
  const ObjectTypeEntry* named_ = nullptr;  // the record most lately found to match
  const ObjectTypeEntry* types_[1 << kBucketBits] = {};
  bool matches_[1 << kBucketBits] = {};
};

// Whether a name match counts: the object that the actions' fixed-value
// lookup finds for its fixed value (0 meaning the stored one) has a counted
// node. `lookup` is that lookup over slots 0..objectLimit.
[[gnu::always_inline]] inline bool CountsAsNamed(const RunData& runData,
                                                 frame::FixedValueIndex& lookup, HostObject& object,
                                                 std::int32_t slot) {
  const HostObject* found = object.number == 0 && object.creationCount == 0
                                ? lookup.Find(runData.storedFixedValue)
                                : lookup.LowestSlotObjectLike(object, slot);
  if (found == nullptr) return false;
  const DisplayNode* node = found->displayNode.get();
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
  // fixed-value lookup, the matches taken in slot order. The lookup sweeps
  // its slots no further than the matches so far need.
  const RunHeader& header = *host::RunHeaderOf(runData);
  TypeNameMatches named(wanted);
  frame::FixedValueIndex lookup(header, header.objectLimit);
  const std::int32_t lastNameSlot = header.objectCount;
  constexpr host::HostAddress kStride = sizeof(host::ObjectSlot);
  host::HostAddress at = header.objectTable.address();
  for (std::int32_t slot = 0; slot <= lastNameSlot; ++slot, at += kStride) {
    HostObject* object = host::HostPtr<host::ObjectSlot>(at)->object.get();
    if (object == nullptr || !named(object->typeEntry.get())) [[likely]]
      continue;
    if (CountsAsNamed(runData, lookup, *object, slot)) return host::FixedValueOf(*object);
  }
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

// The position among the counted nodes, worked out from the list order. The
// owner's 16-bit number, compared first, turns almost every node away.
std::intptr_t GetLevel(RunData& runData, std::int32_t token) {
  const std::int32_t wanted = frame::FixedValueMeant(runData, IntegerArgument(runData, token));
  const auto wantedNumber = static_cast<std::int16_t>(wanted & 0xFFFF);
  const auto wantedCreationCount = static_cast<std::int16_t>((wanted >> 16) & 0xFFFF);
  std::int32_t position = 1;
  for (const DisplayNode* node = Head(runData); node != nullptr; node = node->next.get()) {
    if (!IsCounted(*node)) continue;
    const HostObject& owner = *node->owner.get();
    if (owner.number == wantedNumber && owner.creationCount == wantedCreationCount) return position;
    ++position;
  }
  return 0;
}

// Every node before the wanted level takes a position, uncounted ones
// included; an uncounted node at the wanted level hands the level on to the
// node after it. Positions start at 1, so a level below 1 is never reached.
std::intptr_t GetLevelFixedValue(RunData& runData, std::int32_t token) {
  const std::int32_t wanted = IntegerArgument(runData, token);
  const DisplayNode* node = Head(runData);
  if (wanted < 1 || node == nullptr) return 0;
  // The wanted - 1 nodes before the level, two a round.
  for (std::int32_t pairs = (wanted - 1) / 2; pairs > 0; --pairs) {
    node = node->next.get();
    if (node == nullptr) return 0;
    node = node->next.get();
    if (node == nullptr) return 0;
  }
  if ((wanted - 1) % 2 != 0 && (node = node->next.get()) == nullptr) return 0;
  for (; node != nullptr; node = node->next.get())
    if (IsCounted(*node)) return FixedValueOfNode(*node);
  return 0;
}

}  // namespace tier::expressions
