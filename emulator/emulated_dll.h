// A 32-bit Windows DLL run inside a CPU emulator, in an ordinary 64-bit
// process: its sections mapped at its base with their own access, a thread
// block behind FS, a stack and a C runtime heap of its own, and its imports
// answered by native functions (emulator/runtime_imports.cpp). The memory of
// the simulated host is shared with it at the host's own addresses, and the
// host's services are guest addresses that reach the simulated host.
//
// Every memory access of the library is checked. It must land in its own
// image (writes only in writable sections), its stack, a live block of its
// heap, or one block of the simulated host's address space; and it may only
// run its own code. Anything else stops the call, which then reports the
// address, the kind of access and the instruction with the nearest export.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emulator/guest_heap.h"
#include "emulator/pe_image.h"

namespace tier::emulator {

// Where things lie in the guest's 32-bit address space. The simulated host's
// records start at 0x00100000 (host/address_space.cpp).
namespace layout {
constexpr std::uint32_t kHeapBase = 0x40000000, kHeapSize = 0x04000000;
// Where an image goes whose preferred base lies in the memory above.
constexpr std::uint32_t kRelocatedBase = 0x50000000;
constexpr std::uint32_t kStackBase = 0x7F000000, kStackSize = 0x00100000;
// The GDT, the thread block and the runtime's data, a page each.
constexpr std::uint32_t kGdt = 0x7FFD0000, kThreadBlock = 0x7FFD1000, kRuntimeData = 0x7FFD2000;
// Stubs of the imports, 32 bytes each; the last one is where calls return.
constexpr std::uint32_t kImportStubs = 0x7FFE0000, kImportStubsSize = 0x2000;
constexpr std::uint32_t kStubBytes = 32;
constexpr std::uint32_t kReturnAddress = kImportStubs + kImportStubsSize - kStubBytes;
}  // namespace layout

struct LoadOptions {
  // Where to lay the image out; 0: its preferred base, or kRelocatedBase when
  // that lies in memory the emulated host keeps for itself.
  std::uint32_t base = 0;
  // Count the instructions of each call (slower).
  bool countInstructions = false;
};

struct GuestCall {
  std::uint32_t result = 0;        // EAX
  std::int32_t bytesRemoved = 0;   // of the arguments, by the callee
  std::uint64_t instructions = 0;  // when counted
  std::string fault;               // empty when the call ran clean
};

class EmulatedDll {
 public:
  // Loads the file, answers its imports, runs its thread-local storage
  // callbacks and its entry function for process attach. Null with `error`
  // when the file is not a DLL this emulator can run, names an import it does
  // not provide, or its start-up fails.
  static std::unique_ptr<EmulatedDll> Load(const std::string& path, const LoadOptions& options,
                                           std::string& error);
  ~EmulatedDll();
  EmulatedDll(const EmulatedDll&) = delete;
  EmulatedDll& operator=(const EmulatedDll&) = delete;

  // Calls the function at `address` as the host calls the library: the words
  // on the stack, last first, the callee removing them. The simulated host's
  // active address space is shared for the call.
  GuestCall Call(std::uint32_t address, const std::vector<std::uint32_t>& words);

  const PeImage& image() const { return image_; }
  const std::string& path() const { return path_; }
  // Address of an export, 0 when there is none.
  std::uint32_t ExportAddress(const std::string& name) const;
  std::uint32_t ExportAddress(std::uint16_t ordinal) const;
  bool InsideImage(std::uint32_t address) const;
  // Names an address for messages, "Name+0x1C"; routines can be named too.
  void NameAddress(std::uint32_t address, const std::string& name);
  std::string Describe(std::uint32_t address) const;

  // The guest's memory as the library sees it. False when the bytes are not
  // all mapped.
  bool Read(std::uint32_t address, void* bytes, std::uint32_t size) const;
  bool Write(std::uint32_t address, const void* bytes, std::uint32_t size);
  // Changes bytes of the loaded image whatever its access (for tests that
  // plant faults).
  bool Patch(std::uint32_t address, const std::vector<std::uint8_t>& bytes);
  GuestHeap& heap() { return heap_; }
  // Why the library may not touch these bytes by its own rules (above);
  // empty when it may.
  std::string AccessProblem(std::uint32_t address, std::uint32_t size, bool write) const;

  // A text the library allocated and handed over: copied out, then released
  // on its heap as the host would. Nullopt for null; a fault message when it
  // is not a live block or has no end inside it.
  std::optional<std::string> TakeText(std::uint32_t address, std::string& fault);

  struct Machine;  // the emulator's state, in emulated_dll.cpp

 private:
  EmulatedDll() = default;

  std::string path_;
  PeImage image_;
  GuestHeap heap_{layout::kHeapBase, layout::kHeapSize};
  std::map<std::uint32_t, std::string> names_;  // address -> name, for messages
  std::unique_ptr<Machine> machine_;
};

}  // namespace tier::emulator
