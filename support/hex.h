// The one way the project writes a number in hexadecimal: "0x" and upper-case
// digits, at least `digits` of them ("0x0010001C" for an address, "0x1C" for
// an offset).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tier {

inline std::string Hex(std::uint64_t value, int digits = 0) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

// A 32-bit address, all eight digits.
inline std::string HexAddress(std::uint32_t address) { return Hex(address, 8); }

}  // namespace tier
