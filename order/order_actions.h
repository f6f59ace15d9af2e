// What the action routines that move one object, swap two, reverse the order
// or remember a fixed value share with the routine tables: how an object form
// is made from its fixed-value action. The routines themselves are declared
// from their catalogue rows (plugin/routines.h).
#pragma once

#include <cstdint>
#include <optional>

#include "host/records.h"

namespace tier::order {

using host::RunData;

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

}  // namespace tier::order
