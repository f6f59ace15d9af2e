#include "expressions/expressions.h"


namespace tier::expressions {

// Not built yet: returns 0 and touches nothing.
std::intptr_t GetFixedValueByName(RunData&, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::intptr_t GetTopFixedValue(RunData&, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::intptr_t GetBottomFixedValue(RunData&, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::intptr_t GetDescription(RunData&, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::intptr_t GetTenDescription(RunData&, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::intptr_t GetLevelCount(RunData&, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::intptr_t GetLevel(RunData&, std::int32_t) { return 0; }

// Not built yet: returns 0 and touches nothing.
std::intptr_t GetLevelFixedValue(RunData&, std::int32_t) { return 0; }

}  // namespace tier::expressions
