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

// The record blocks of a host's memory, start -> size.
using RecordMap = std::map<HostAddress, std::uint32_t>;

// The record that holds all of [address, address + size), or null: the one
// lookup of a block, for the plug-in's pointers and for the emulator alike.
inline const RecordMap::value_type* RecordHolding(const RecordMap& records, HostAddress address,
                                                  std::size_t size) {
  auto it = records.upper_bound(address);
  if (it == records.begin()) return nullptr;
  --it;
  return std::uint64_t{address} + size <= std::uint64_t{it->first} + it->second ? &*it : nullptr;
}

#if !TIER_WIN32

struct HostMemory {
  std::uint8_t* bytes = nullptr;  // the memory at `base`
  HostAddress base = 0;
  std::size_t capacity = 0;
  std::size_t used = 0;  // bytes handed out so far
  const RecordMap* records = nullptr;
  // Whether each access must lie inside one record (the benchmarks turn it
  // off).
  bool checked = true;
};

inline bool IsInsideRecord(const HostMemory& memory, HostAddress address, std::size_t size) {
  return RecordHolding(*memory.records, address, size) != nullptr;
}

// The memory of the host in effect, which every host address resolves
// against; null when no host is in effect or it has no memory. The program
// that plays the host defines it (simhost/host_session.h), so that the
// plug-in's side holds no state.
const HostMemory* HostMemoryInEffect();

// Stops the program with a message about a stray access.
[[noreturn]] void FailAccess(const char* what, HostAddress address, std::size_t size);

#endif

}  // namespace tier::host
