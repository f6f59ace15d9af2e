// The action routines that move one object, swap two, reverse the order or
// remember a fixed value. Each takes RunData and the two parameter words.
#pragma once

#include <cstdint>
#include <optional>

#include "host/records.h"

namespace tier::order {

using host::RunData;

// Fixed-value forms: a fixed value of 0 stands for storedFixedValue.
std::int32_t SendBackOne(RunData& runData, std::int32_t fixedValue, std::int32_t unused);
std::int32_t BringForwardOne(RunData& runData, std::int32_t fixedValue, std::int32_t unused);
std::int32_t SwapPair(RunData& runData, std::int32_t fixedValue1, std::int32_t fixedValue2);
std::int32_t StoreFixedValue(RunData& runData, std::int32_t object, std::int32_t unused);
std::int32_t BringToFront(RunData& runData, std::int32_t fixedValue, std::int32_t unused);
std::int32_t SendToBack(RunData& runData, std::int32_t fixedValue, std::int32_t unused);
std::int32_t SendBackN(RunData& runData, std::int32_t fixedValue, std::int32_t count);
std::int32_t BringForwardN(RunData& runData, std::int32_t fixedValue, std::int32_t count);
std::int32_t ReverseAll(RunData& runData, std::int32_t unused1, std::int32_t unused2);
std::int32_t MoveAbove(RunData& runData, std::int32_t fixedValue, std::int32_t targetFixedValue);
std::int32_t MoveBelow(RunData& runData, std::int32_t fixedValue, std::int32_t targetFixedValue);
std::int32_t MoveToLevel(RunData& runData, std::int32_t fixedValue, std::int32_t levelNumber);

// The fixed value an action's object parameter stands for: that of the first
// instance in scope of the passed object's type, 0 when there is none. Empty
// when the host passed no object or one without a type.
std::optional<std::int32_t> ObjectFixedValue(const RunData& runData, std::int32_t objectWord);

// The object form of a fixed-value action: the first word is an object (a
// HostObject of the chosen type) and so, with kSecondObject, is the second;
// otherwise the second word (a count, a level number) is handed on unchanged.
// Nothing happens when an object stands for no fixed value.
enum class SecondWord { kHandedOn, kSecondObject };
template <std::int32_t (*Action)(RunData&, std::int32_t, std::int32_t),
          SecondWord Second = SecondWord::kHandedOn>
std::int32_t ByObject(RunData& runData, std::int32_t objectWord, std::int32_t second) {
  const std::optional<std::int32_t> a = ObjectFixedValue(runData, objectWord);
  if constexpr (Second == SecondWord::kSecondObject) {
    const std::optional<std::int32_t> b = ObjectFixedValue(runData, second);
    return a && b ? Action(runData, *a, *b) : 0;
  } else {
    return a ? Action(runData, *a, second) : 0;
  }
}

inline constexpr auto SendBackOneByObject = &ByObject<SendBackOne>;
inline constexpr auto BringForwardOneByObject = &ByObject<BringForwardOne>;
inline constexpr auto SwapPairByObject = &ByObject<SwapPair, SecondWord::kSecondObject>;
inline constexpr auto BringToFrontByObject = &ByObject<BringToFront>;
inline constexpr auto SendToBackByObject = &ByObject<SendToBack>;
inline constexpr auto SendBackNByObject = &ByObject<SendBackN>;
inline constexpr auto BringForwardNByObject = &ByObject<BringForwardN>;
inline constexpr auto MoveAboveByObject = &ByObject<MoveAbove, SecondWord::kSecondObject>;
inline constexpr auto MoveBelowByObject = &ByObject<MoveBelow, SecondWord::kSecondObject>;
inline constexpr auto MoveToLevelByObject = &ByObject<MoveToLevel>;

}  // namespace tier::order
