#include "order/sort_actions.h"


namespace tier::order {

// Not built yet: returns 0 and touches nothing.
std::int32_t IncreasingXSort(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t IncreasingYSort(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t DecreasingXSort(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t DecreasingYSort(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t IncreasingSortByValue(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t DecreasingSortByValue(RunData&, std::int32_t, std::int32_t) { return 0; }

}  // namespace tier::order
