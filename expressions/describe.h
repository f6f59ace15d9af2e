// The description text of the two text expressions: a header, then one line
// per listed level ("level<TAB>name<TAB>fixed value").
#pragma once

#include <cstdint>

#include "host/records.h"

namespace tier::expressions {

// Lists up to `count` counted nodes from level `start` on. Positions before
// `start` are used up by every node, uncounted ones included. Returns a fresh
// zero-terminated text from the host-text heap (never freed here), or null
// when no memory can be had.
char* DescribeLevels(host::RunData& runData, std::int32_t start, std::int32_t count);

}  // namespace tier::expressions
