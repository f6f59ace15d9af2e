// The six actions that put the whole display list into a new order at once.
// Each routine is declared from its catalogue row (plugin/routines.h).
#include <cstdint>

#include "host/records.h"
#include "order/sort.h"

namespace tier::order {

using host::RunData;

namespace {

// Runs a sort by alterable value: `valueParam` is the AltValueParam whose
// index (sign-extended) picks the value; a missing parameter sorts nothing.
std::int32_t SortByValue(RunData& runData, SortKind kind, std::int32_t valueParam,
                         std::int32_t defaultValue) {
  const host::AltValueParam* param = host::HostPtr<host::AltValueParam>::FromWord(valueParam).get();
  if (param == nullptr) return 0;
  const std::int32_t valueIndex = param->valueIndex;
  return SortDisplayList(runData, kind, defaultValue, valueIndex);
}

}  // namespace

std::int32_t IncreasingXSort(RunData& runData, std::int32_t, std::int32_t) {
  return SortDisplayList(runData, SortKind::kLargestXFirst, 0, 0);
}

std::int32_t IncreasingYSort(RunData& runData, std::int32_t, std::int32_t) {
  return SortDisplayList(runData, SortKind::kLargestYFirst, 0, 0);
}

std::int32_t DecreasingXSort(RunData& runData, std::int32_t, std::int32_t) {
  return SortDisplayList(runData, SortKind::kSmallestXFirst, 0, 0);
}

std::int32_t DecreasingYSort(RunData& runData, std::int32_t, std::int32_t) {
  return SortDisplayList(runData, SortKind::kSmallestYFirst, 0, 0);
}

// valueParam: an AltValueParam; defaultValue: the key of objects without values.
std::int32_t IncreasingSortByValue(RunData& runData, std::int32_t valueParam,
                                   std::int32_t defaultValue) {
  return SortByValue(runData, SortKind::kLargestValueFirst, valueParam, defaultValue);
}

std::int32_t DecreasingSortByValue(RunData& runData, std::int32_t valueParam,
                                   std::int32_t defaultValue) {
  return SortByValue(runData, SortKind::kSmallestValueFirst, valueParam, defaultValue);
}

}  // namespace tier::order
