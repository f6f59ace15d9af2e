#include "conditions/conditions.h"


namespace tier::conditions {

// Not built yet: returns 0 and touches nothing.
std::int32_t CondAtBack(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t CondAtFront(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t CondAbove(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t CondBelow(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t CondBetween(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t CondObjectAtBack(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t CondObjectAtFront(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t CondObjectAbove(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t CondObjectBelow(RunData&, std::int32_t, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::int32_t CondObjectBetween(RunData&, std::int32_t, std::int32_t) { return 0; }

}  // namespace tier::conditions
