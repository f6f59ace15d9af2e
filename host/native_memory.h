// How the plug-in's host pointers resolve natively: against the memory in
// which a simulated host laid out its records (simhost/address_space.h), each
// access checked to lie inside one record, so that a stray access of the
// plug-in stops at once with a message. The Win32 build needs none of this:
// there a host address is the machine pointer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

#include "host/host_ptr.h"

namespace tier::host {

#if !TIER_WIN32

struct HostMemory {
  std::uint8_t* bytes = nullptr;  // the memory at `base`
  HostAddress base = 0;
  std::size_t capacity = 0;
  std::size_t used = 0;                                           // bytes handed out so far
  const std::map<HostAddress, std::uint32_t>* records = nullptr;  // start -> size
};

// Makes `memory` what every host address resolves against; null: nothing.
void ResolveAgainst(const HostMemory* memory);
const HostMemory* ResolvingAgainst();

// Whether each access must lie inside one record (on by default; the
// benchmarks turn it off).
void CheckAccesses(bool checked);

// Stops the program with a message about a stray access.
[[noreturn]] void FailAccess(const char* what, HostAddress address, std::size_t size);

#endif

}  // namespace tier::host
