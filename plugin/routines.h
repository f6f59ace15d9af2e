// The routines themselves, declared from their catalogue rows: the conditions
// in tier::conditions (conditions/), the actions in tier::order (order/), the
// expressions in tier::expressions (expressions/). An action made by
// ACTION_BY_OBJECT has no function of its own (plugin/tables.h makes it from
// its twin), so none is declared for it.
#pragma once

#include <cstdint>

#include "host/records.h"
#include "plugin/catalogue.h"

#define TIER_DECLARE_EVENT(name, ...) \
  std::int32_t name(host::RunData& runData, std::int32_t first, std::int32_t second);
#define TIER_DECLARE_EXPRESSION(name, ...) \
  std::intptr_t name(host::RunData& runData, std::int32_t token);
#define TIER_DECLARE_NOTHING(...)

namespace tier::conditions {
TIER_ROUTINE_ROWS(TIER_DECLARE_EVENT, TIER_DECLARE_NOTHING, TIER_DECLARE_NOTHING,
                  TIER_DECLARE_NOTHING)
}  // namespace tier::conditions

namespace tier::order {
TIER_ROUTINE_ROWS(TIER_DECLARE_NOTHING, TIER_DECLARE_EVENT, TIER_DECLARE_NOTHING,
                  TIER_DECLARE_NOTHING)
}  // namespace tier::order

namespace tier::expressions {
TIER_ROUTINE_ROWS(TIER_DECLARE_NOTHING, TIER_DECLARE_NOTHING, TIER_DECLARE_NOTHING,
                  TIER_DECLARE_EXPRESSION)
}  // namespace tier::expressions

#undef TIER_DECLARE_NOTHING
#undef TIER_DECLARE_EXPRESSION
#undef TIER_DECLARE_EVENT
