// Calls a function with N 32-bit words on the stack and reports how many
// bytes of arguments the callee itself removed: 4 x N for the host's calling
// convention, 0 for a caller-cleans one.
#pragma once

#include <cstdint>
#include <vector>

namespace tier::test {

struct MeasuredCall {
  std::uint32_t result;       // EAX after the call
  std::int32_t bytesRemoved;  // by the callee
};

MeasuredCall CallAndMeasure(const void* function, const std::vector<std::uint32_t>& words);

}  // namespace tier::test
