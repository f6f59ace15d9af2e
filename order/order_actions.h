// The action routines that move one object, swap two, reverse the order or
// remember a fixed value. Each takes RunData and the two parameter words.
#pragma once

#include <cstdint>

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

// Object forms: each object parameter (a HostObject of the chosen type) stands
// for the first instance in scope of its type.
std::int32_t SendBackOneByObject(RunData& runData, std::int32_t object, std::int32_t unused);
std::int32_t BringForwardOneByObject(RunData& runData, std::int32_t object, std::int32_t unused);
std::int32_t SwapPairByObject(RunData& runData, std::int32_t objectA, std::int32_t objectB);
std::int32_t BringToFrontByObject(RunData& runData, std::int32_t object, std::int32_t unused);
std::int32_t SendToBackByObject(RunData& runData, std::int32_t object, std::int32_t unused);
std::int32_t SendBackNByObject(RunData& runData, std::int32_t object, std::int32_t count);
std::int32_t BringForwardNByObject(RunData& runData, std::int32_t object, std::int32_t count);
std::int32_t MoveAboveByObject(RunData& runData, std::int32_t objectA, std::int32_t objectB);
std::int32_t MoveBelowByObject(RunData& runData, std::int32_t objectA, std::int32_t objectB);
std::int32_t MoveToLevelByObject(RunData& runData, std::int32_t object, std::int32_t levelNumber);

}  // namespace tier::order
