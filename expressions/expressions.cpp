#include "expressions/expressions.h"

#include "expressions/describe.h"
#include "frame/frame_query.h"
#include "host/services.h"

namespace tier::expressions {
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

// The fixed values of the objects whose name matches, in slot order; at most
// one per slot of 0..objectCount (65536). Static: one routine runs at a time.
std::int32_t g_matches[65536];

}  // namespace

std::intptr_t GetFixedValueByName(RunData& runData, std::int32_t token) {
  const host::HostAddress nameAddress =
      host::GetExpressionParameter(runData, host::kExpressionText, token);
  if (nameAddress == 0) return 0;  // no text at all names no object
  const char* wanted = host::ResolveString(nameAddress);
  if (wanted[0] == '\0') return runData.storedFixedValue;

  // Each match counts only through a counted node found by the actions'
  // fixed-value lookup (over objectLimit, 0 meaning the stored value). All the
  // matches are looked up together in one sweep, then taken in slot order.
  const RunHeader& header = *host::RunHeaderOf(runData);
  std::int32_t matchCount = 0;
  const std::int32_t lastNameSlot = header.objectCount;
  for (std::int32_t slot = 0; slot <= lastNameSlot; ++slot) {
    const HostObject* object = host::ObjectInSlot(header, slot);
    if (object == nullptr) continue;
    const ObjectTypeEntry* type = object->typeEntry.get();
    if (type == nullptr || !NamesMatch(wanted, host::TypeName(*type))) continue;
    g_matches[matchCount++] = host::FixedValueOf(*object);
  }
  if (matchCount == 0) return 0;

  frame::WantedFixedValues& table = frame::EmptyWantedTable();
  for (std::int32_t i = 0; i < matchCount; ++i)
    frame::Want(table, frame::ZeroMeansStoredFixedValue(runData, g_matches[i]));
  frame::SweepSlots(header, header.objectLimit, table);
  for (std::int32_t i = 0; i < matchCount; ++i) {
    const std::int32_t slot =
        frame::LowestSlotOf(table, frame::ZeroMeansStoredFixedValue(runData, g_matches[i]));
    if (slot < 0) continue;  // kNoSlot: every match fits the table, so all were wanted
    const DisplayNode* node = host::ObjectInSlot(header, slot)->displayNode.get();
    if (node != nullptr && !(node->flags & host::kUncounted)) return g_matches[i];
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

// The position among the counted nodes, worked out from the list order.
std::intptr_t GetLevel(RunData& runData, std::int32_t token) {
  const std::int32_t wanted =
      frame::ZeroMeansStoredFixedValue(runData, IntegerArgument(runData, token));
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
