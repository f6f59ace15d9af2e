// The memory in which the simulated host lays out its records, with the
// addresses that the records' 32-bit pointer fields hold, and the record
// blocks handed out so far.
//
// Natively the addresses are those of a private 32-bit address space, and
// while a space is entered every host pointer of the plug-in resolves against
// it (host/native_memory.h). In the Win32 build the addresses are the machine
// pointers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/host_ptr.h"
#include "host/native_memory.h"

namespace tier::sim {

using host::HostAddress;

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

  // Natively the memory is page-aligned and `capacity` a whole number of
  // pages, so that a CPU emulator can share it at the same addresses.
  HostAddress base() const { return base_; }
  std::size_t capacity() const { return capacity_; }
  std::uint8_t* memory() const { return memory_; }
#if !TIER_WIN32
  // The space as the plug-in's host pointers resolve against it while its
  // host is in effect (host/native_memory.h).
  const host::HostMemory& view() const { return view_; }
  // Whether each such access must lie inside one block (on unless turned off).
  void CheckAccesses(bool checked) { view_.checked = checked; }
#endif

 private:
  std::uint8_t* memory_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  HostAddress base_ = 0;
  host::RecordIndex blocks_;
#if !TIER_WIN32
  host::HostMemory view_;  // what the plug-in's pointers resolve against
#endif
};

}  // namespace tier::sim
