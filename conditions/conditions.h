// The ten condition routines: where an object stands in the display order.
// Each returns 1 or 0.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace tier::conditions {

using host::RunData;

// Fixed-value forms; they also serve as the instance tests of the object forms.
std::int32_t CondAtBack(RunData& runData, std::int32_t fixedValue, std::int32_t unused);
std::int32_t CondAtFront(RunData& runData, std::int32_t fixedValue, std::int32_t unused);
std::int32_t CondAbove(RunData& runData, std::int32_t fixedValue1, std::int32_t fixedValue2);
std::int32_t CondBelow(RunData& runData, std::int32_t fixedValue1, std::int32_t fixedValue2);
// Reads no argument word: its three fixed values come from GetNextParameter.
std::int32_t CondBetween(RunData& runData, std::int32_t unused1, std::int32_t unused2);

// Object forms: the parameters are ObjectParams; they narrow A's selection.
std::int32_t CondObjectAtBack(RunData& runData, std::int32_t objectA, std::int32_t unused);
std::int32_t CondObjectAtFront(RunData& runData, std::int32_t objectA, std::int32_t unused);
std::int32_t CondObjectAbove(RunData& runData, std::int32_t objectA, std::int32_t objectB);
std::int32_t CondObjectBelow(RunData& runData, std::int32_t objectA, std::int32_t objectB);
// Reads no argument word: A, B and C come from GetNextParameter.
std::int32_t CondObjectBetween(RunData& runData, std::int32_t unused1, std::int32_t unused2);

}  // namespace tier::conditions
