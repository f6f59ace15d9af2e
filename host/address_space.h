// Memory in which a host lays out its records, with the addresses that the
// records' 32-bit pointer fields hold.
//
// Natively the addresses are those of a private 32-bit address space; while a
// space is active every HostPtr resolves against it, and with checking on any
// access that does not lie inside one allocated block aborts with a message.
// In the Win32 build the addresses are the machine pointers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

#include "host/host_ptr.h"

namespace tier::host {

class AddressSpace {
 public:
  explicit AddressSpace(std::size_t capacity);
  ~AddressSpace();
  AddressSpace(const AddressSpace&) = delete;
  AddressSpace& operator=(const AddressSpace&) = delete;

  // A zero-filled block of `size` bytes, 8-aligned; aborts when full.
  HostAddress Allocate(std::size_t size);

  template <typename T>
  T* At(HostAddress address) const {
    return static_cast<T*>(Pointer(address, sizeof(T)));
  }
  void* Pointer(HostAddress address, std::size_t size) const;
  HostAddress AddressOf(const void* pointer) const;

  // True when [address, address + size) lies inside one allocated block.
  bool IsInsideBlock(HostAddress address, std::size_t size) const;

  // Makes this the space that HostPtr resolves against (natively).
  void Activate();
  void Deactivate();

  // Whether the native resolver checks block bounds (on by default; the
  // benchmarks turn it off).
  static void SetChecked(bool checked);

  // Natively, the space that HostPtr resolves against (null when none), and
  // what a CPU emulator needs to share it at the same addresses: its memory
  // is page-aligned and `capacity` a whole number of pages. `serial` tells
  // one space from any other made before or after it.
  static const AddressSpace* Active();
  HostAddress base() const { return base_; }
  std::size_t capacity() const { return capacity_; }
  std::uint8_t* memory() const { return memory_; }
  std::uint64_t serial() const { return serial_; }

 private:
  std::uint8_t* memory_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  HostAddress base_ = 0;
  std::uint64_t serial_ = 0;
  std::map<HostAddress, std::uint32_t> blocks_;  // start -> size

  friend void* ResolveAddress(HostAddress, std::size_t);
  friend HostAddress AddressOf(const void*);
  friend const char* ResolveString(HostAddress);
};

}  // namespace tier::host
