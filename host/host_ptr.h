// Pointers as the host stores them: 32-bit addresses inside its records.
//
// In the product build an address is the machine pointer. In the native build
// it is an address in the simulated host's 32-bit address space, resolved on
// every access (and bounds-checked there, so a stray access fails at once).
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/platform.h"

namespace tier::host {

using HostAddress = std::uint32_t;

#if TIER_WIN32
inline void* ResolveAddress(HostAddress address, std::size_t) {
  return reinterpret_cast<void*>(static_cast<std::uintptr_t>(address));
}
inline HostAddress AddressOf(const void* pointer) {
  return static_cast<HostAddress>(reinterpret_cast<std::uintptr_t>(pointer));
}
inline const char* ResolveString(HostAddress address) {
  return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(address));
}
#else
// Pointer to `size` bytes at `address`; aborts with a message when they do not
// lie inside one block of the active address space.
void* ResolveAddress(HostAddress address, std::size_t size);
HostAddress AddressOf(const void* pointer);
// A zero-terminated text at `address`, checked to end inside its block.
const char* ResolveString(HostAddress address);
#endif

#pragma pack(push, 1)
// A 32-bit host pointer to a T. Alignment 1, so it may sit at any offset of a
// packed record; trivially copyable, so it passes as one 32-bit word.
template <typename T>
class HostPtr {
 public:
  HostPtr() = default;
  constexpr explicit HostPtr(HostAddress address) : address_(address) {}

  static HostPtr To(const T* pointer) { return HostPtr(pointer ? AddressOf(pointer) : 0); }
  // A parameter word that the host hands over as a pointer.
  static HostPtr FromWord(std::int32_t word) { return HostPtr(static_cast<HostAddress>(word)); }

  T* get() const {
    return address_ ? static_cast<T*>(ResolveAddress(address_, sizeof(T))) : nullptr;
  }
  T* operator->() const { return get(); }
  explicit operator bool() const { return address_ != 0; }
  HostAddress address() const { return address_; }

  friend bool operator==(HostPtr a, HostPtr b) { return a.address_ == b.address_; }
  friend bool operator!=(HostPtr a, HostPtr b) { return a.address_ != b.address_; }

 private:
  HostAddress address_;
};
#pragma pack(pop)

static_assert(sizeof(HostPtr<int>) == 4 && alignof(HostPtr<int>) == 1);

}  // namespace tier::host
