#include "order/order_actions.h"


namespace tier::order {

// Not built yet: returns 0 and touches nothing.
std::int32_t SendBackOne(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t BringForwardOne(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t SwapPair(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t StoreFixedValue(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t BringToFront(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t SendToBack(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t SendBackN(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t BringForwardN(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t ReverseAll(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t MoveAbove(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t MoveBelow(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t MoveToLevel(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t SendBackOneByObject(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t BringForwardOneByObject(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t SwapPairByObject(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t BringToFrontByObject(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t SendToBackByObject(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t SendBackNByObject(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t BringForwardNByObject(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t MoveAboveByObject(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t MoveBelowByObject(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t MoveToLevelByObject(RunData&, std::int32_t, std::int32_t) { return 0; }

}  // namespace tier::order
