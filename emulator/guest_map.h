// Where everything lies in the guest's 32-bit address space: the one map of
// it. The emulator keeps the ranges below for itself; an embedder shares its
// memory inside kEmbedderMemory and puts its call gates inside
// kEmbedderGates, and a library image goes wherever the rest leaves room.
#pragma once

#include <cstdint>

namespace tier::emulator::guest_map {

constexpr std::uint32_t kPage = 0x1000;

struct Range {
  std::uint32_t begin;
  std::uint32_t size;
  constexpr std::uint64_t end() const { return std::uint64_t{begin} + size; }
  constexpr bool Holds(std::uint64_t address, std::uint64_t bytes = 1) const {
    return address >= begin && address + bytes <= end();
  }
};

// The embedder's memory, shared at its own addresses (a simulated host's
// records start at its bottom).
constexpr Range kEmbedderMemory{0x00100000, 0x3FF00000};
// The C runtime heap of the library.
constexpr Range kHeap{0x40000000, 0x04000000};
// Where an image goes whose preferred base lies in the memory above.
constexpr std::uint32_t kRelocatedBase = 0x50000000;
constexpr Range kStack{0x7F000000, 0x00100000};
// The GDT, the TEB and the runtime's data (TLS array and template, data
// imports), a page each.
constexpr std::uint32_t kGdt = 0x7FFD0000, kTeb = 0x7FFD1000, kRuntimeData = 0x7FFD2000;
constexpr Range kSystemPages{kGdt, 3 * kPage};
// Stubs of the imports, 32 bytes each; the last one is where calls return.
constexpr Range kImportStubs{0x7FFE0000, 0x2000};
constexpr std::uint32_t kStubBytes = 32;
constexpr std::uint32_t kReturnAddress = kImportStubs.begin + kImportStubs.size - kStubBytes;
// The embedder's call gates (services the library reaches through pointers).
constexpr Range kEmbedderGates{0x7FFF0000, 0x00010000};

// The memory that the per-access check watches: the embedder's and the heap.
constexpr Range kChecked{kEmbedderMemory.begin, kHeap.begin + kHeap.size - kEmbedderMemory.begin};

static_assert(kEmbedderMemory.end() == kHeap.begin);
static_assert(kHeap.end() <= kRelocatedBase && kRelocatedBase < kStack.begin);
static_assert(kStack.end() <= kGdt && kSystemPages.end() <= kImportStubs.begin);
static_assert(kImportStubs.end() <= kEmbedderGates.begin);

}  // namespace tier::emulator::guest_map
