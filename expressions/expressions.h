// The eight expressions: numeric reads of the display order and the
// description text. Each fetches its argument (if any) with
// GetExpressionParameter and the token it received.
#pragma once

#include <cstdint>

#include "host/records.h"

namespace tier::expressions {

using host::RunData;

std::intptr_t GetFixedValueByName(RunData& runData, std::int32_t token);  // "tirGetFV("
std::intptr_t GetTopFixedValue(RunData& runData, std::int32_t token);     // "tirGetTopFV("
std::intptr_t GetBottomFixedValue(RunData& runData, std::int32_t token);  // "tirGetBottomFV("
std::intptr_t GetDescription(RunData& runData, std::int32_t token);       // "tirGetDesc$("
std::intptr_t GetTenDescription(RunData& runData, std::int32_t token);    // "tirGetTenDesc$("
std::intptr_t GetLevelCount(RunData& runData, std::int32_t token);        // "tirGetNumLvls("
std::intptr_t GetLevel(RunData& runData, std::int32_t token);             // "tirGetLevel("
std::intptr_t GetLevelFixedValue(RunData& runData, std::int32_t token);   // "tirGetLevelFV("

}  // namespace tier::expressions
