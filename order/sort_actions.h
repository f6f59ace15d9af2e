// The six actions that put the whole display list into a new order at once.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace tier::order {

using host::RunData;

std::int32_t IncreasingXSort(RunData& runData, std::int32_t unused1, std::int32_t unused2);
std::int32_t IncreasingYSort(RunData& runData, std::int32_t unused1, std::int32_t unused2);
std::int32_t DecreasingXSort(RunData& runData, std::int32_t unused1, std::int32_t unused2);
std::int32_t DecreasingYSort(RunData& runData, std::int32_t unused1, std::int32_t unused2);
// valueParam: an AltValueParam; defaultValue: the key of objects without values.
std::int32_t IncreasingSortByValue(RunData& runData, std::int32_t valueParam,
                                   std::int32_t defaultValue);
std::int32_t DecreasingSortByValue(RunData& runData, std::int32_t valueParam,
                                   std::int32_t defaultValue);

}  // namespace tier::order
