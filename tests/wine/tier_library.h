// The product library loaded as the host loads it, once per test program.
#pragma once

#include <windows.h>

namespace tier::test {

HMODULE TierLibrary();
// Whether `address` lies inside the library's loaded image.
bool InsideLibrary(const void* address);

}  // namespace tier::test
