#include "simhost/address_space.h"

#include <cstdio>
#include <cstdlib>

#if !TIER_WIN32
#include <sys/mman.h>
#endif

namespace tier::sim {
namespace {

// Blocks are kept apart so that a read running off one block never lands in
// the next.
constexpr std::size_t kGuardGap = 16;

#if !TIER_WIN32
// Natively, host addresses start well above 0 so that null stays distinct and
// small garbage values never resolve.
constexpr HostAddress kNativeBase = 0x00100000;
#endif

// The simulated host's own misuse of its memory: a broken test or program,
// never the plug-in (whose stray accesses host/native_memory.cpp reports).
[[noreturn]] void Fail(const char* what, HostAddress address, std::size_t size) {
  std::fprintf(stderr, "\n*** simulated host: %s (address 0x%08X, %zu bytes) ***\n", what,
               static_cast<unsigned>(address), size);
  std::fflush(stderr);
  std::abort();
}

}  // namespace

AddressSpace::AddressSpace(std::size_t capacity) : capacity_(capacity) {
#if TIER_WIN32
  // calloc: large blocks come zero-filled from the system without a memset.
  memory_ = static_cast<std::uint8_t*>(std::calloc(capacity_, 1));
  if (memory_ == nullptr) Fail("no memory for the address space", 0, capacity_);
  base_ = static_cast<HostAddress>(reinterpret_cast<std::uintptr_t>(memory_));
  blocks_ = host::RecordIndex(base_);
#else
  // Whole pages, zero-filled by the system, so that an emulator can map them.
  constexpr std::size_t kPage = 4096;
  capacity_ = (capacity_ + kPage - 1) & ~(kPage - 1);
  if (capacity_ > 0x3FF00000 - kNativeBase) Fail("address space too large", 0, capacity_);
  void* pages =
      mmap(nullptr, capacity_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages == MAP_FAILED) Fail("no memory for the address space", 0, capacity_);
  memory_ = static_cast<std::uint8_t*>(pages);
  base_ = kNativeBase;
  blocks_ = host::RecordIndex(base_);
  view_ = {memory_, base_, capacity_, 0, &blocks_};
#endif
}

AddressSpace::~AddressSpace() {
#if TIER_WIN32
  std::free(memory_);
#else
  munmap(memory_, capacity_);
#endif
}

HostAddress AddressSpace::Allocate(std::size_t size) {
  const std::size_t start = (used_ + kGuardGap + 7) & ~std::size_t{7};
  if (size == 0 || start + size > capacity_) Fail("address space full", 0, size);
  used_ = start + size;
#if !TIER_WIN32
  view_.used = used_;
#endif
  const HostAddress address = base_ + static_cast<HostAddress>(start);
  blocks_.Add(address, static_cast<std::uint32_t>(size));
  return address;
}

bool AddressSpace::IsInsideBlock(HostAddress address, std::size_t size) const {
  return host::RecordHolding(blocks_, address, size) != nullptr;
}

void* AddressSpace::Pointer(HostAddress address, std::size_t size) const {
  if (address < base_ || std::uint64_t{address} + size > std::uint64_t{base_} + used_)
    Fail("address outside the address space", address, size);
  return memory_ + (address - base_);
}

HostAddress AddressSpace::AddressOf(const void* pointer) const {
  const auto* bytes = static_cast<const std::uint8_t*>(pointer);
  if (bytes < memory_ || bytes >= memory_ + capacity_)
    Fail("pointer outside the address space", 0, 0);
  return base_ + static_cast<HostAddress>(bytes - memory_);
}

}  // namespace tier::sim
