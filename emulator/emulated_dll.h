// A 32-bit Windows DLL run inside a CPU emulator, in an ordinary 64-bit
// process: its sections mapped at its base with their own access, a TEB
// behind FS, a stack and a C runtime heap of its own, and its imports
// answered by native functions (emulator/runtime_imports.h). The emulator
// knows nothing of who embeds it: the embedder hands it memory to share with
// an access rule, extra imports and call gates (struct Embedding).
//
// Every memory access of the library is checked. It must land in its own
// image (writes only in writable sections), its stack, a live block of its
// heap, or the embedder's memory where the embedder's rule allows it; and it
// may only run its own code. Anything else stops the call, which then
// reports the file, the access, the instruction with the nearest name and
// the call it happened in. A call that runs past its instruction budget is
// stopped too, so that a call that never returns ends deterministically.
//
// Every call is held to the stdcall convention as a Win32 caller relies on
// it: it hands back EBX, ESI, EDI and EBP as it found them, removes exactly
// its arguments, leaves the direction flag clear, the x87 control word, MXCSR
// and the thread block (FS:[0] above all) as they were, frees every block of
// its heap it allocated (but the one its result hands over, where the caller
// says so), and takes no more than kStackBound bytes of stack. A call that
// breaks one of these rules ends with a fault that says what was found
// against what was expected.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "emulator/guest_heap.h"
#include "emulator/guest_map.h"
#include "emulator/pe_image.h"
#include "emulator/runtime_imports.h"
#include "support/result.h"

namespace tier::emulator {

// Memory of the embedder's, shared with the library at the same addresses.
// Its pages must stay valid while shared; another `serial` shares anew.
struct SharedMemory {
  std::uint8_t* bytes = nullptr;  // page-aligned
  std::uint32_t base = 0;         // inside guest_map::kEmbedderMemory
  std::uint32_t size = 0;         // whole pages; 0: nothing to share
  std::uint64_t serial = 0;
};

// A page of the embedder's services: the library calls an address inside it
// through a pointer it was given, each slot one service, taking
// `argumentWords` words (stdcall).
struct CallGate {
  std::uint32_t begin = 0;  // inside guest_map::kEmbedderGates, page-aligned
  std::uint32_t size = guest_map::kPage;
  std::uint32_t slotBytes = 16;
  int argumentWords = 0;
  // Answers a call of the slot at `address`; calls.Fail() when it is none.
  std::function<std::uint32_t(std::uint32_t address, ImportCall& call)> answer;
};

struct Embedding {
  // The memory to share for the next call; called before each call.
  std::function<SharedMemory()> sharedMemory;
  // Whether the library may access [address, address + size) of the shared
  // memory: empty when it may, else where the bytes lie and why not, as the
  // message will read after "wrote 4 bytes at " ("0x00100010, outside every
  // record"). Without a rule all of the shared memory is the library's.
  std::function<std::string(std::uint32_t address, std::uint32_t size, bool write)> accessRule;
  std::vector<Import> imports;
  std::vector<CallGate> gates;
};

struct LoadOptions {
  // Where to lay the image out; 0: its preferred base, or
  // guest_map::kRelocatedBase when that lies in memory the emulator keeps.
  std::uint32_t base = 0;
  // Count the instructions of each call exactly, and find the deepest byte
  // of stack it touches (slower).
  bool countInstructions = false;
  Embedding embedding;
};

// The instructions a call may run unless the caller gives a budget: far
// above the library's start-up.
inline constexpr std::uint64_t kDefaultBudget = 50'000'000;

// The stack one call may take, counted from its return address down to the
// deepest byte it touches. A host's thread has 1 MiB of stack by default,
// which the host's own frames, its event loop and the other extensions share;
// an extension's routine may take a sixteenth of it. The emulated stack is the
// whole 1 MiB, so a call that goes further is stopped and named, far short of
// the stack's end; a call that goes past even that is stopped at the access.
inline constexpr std::uint32_t kStackBound = 64 * 1024;

// What a call may leave behind beyond what the convention allows every call.
struct CallRules {
  std::uint64_t budget = kDefaultBudget;
  // The library's start-up keeps its runtime's blocks; a call of any other
  // function frees every block it allocates before it returns...
  bool mayKeepHeap = false;
  // ...but the one its result points at, when it hands that block over (a
  // text for its caller, who releases it).
  bool handsOverResult = false;
};

struct GuestCall {
  std::uint32_t result = 0;        // EAX
  std::int32_t bytesRemoved = 0;   // of the arguments, by the callee
  std::uint64_t instructions = 0;  // when counted
  // The deepest byte of stack the call touched, below its return address
  // (when counted), and the most bytes of heap it held at once.
  std::uint32_t stackBytes = 0;
  std::uint32_t heapBytes = 0;
  std::string fault;  // empty when the call ran clean
};

class EmulatedDll {
 public:
  // Loads the file, answers its imports, runs its TLS callbacks and its entry
  // function for process attach. An error when the file is not a DLL this
  // emulator can run, names an import nobody provides, or its start-up fails.
  static Result<std::unique_ptr<EmulatedDll>> Load(const std::string& path,
                                                   LoadOptions options = {});
  ~EmulatedDll();
  EmulatedDll(const EmulatedDll&) = delete;
  EmulatedDll& operator=(const EmulatedDll&) = delete;

  // Calls the function at `address` stdcall, as the host calls the library,
  // and holds it to the convention and to `rules`.
  GuestCall Call(std::uint32_t address, const std::vector<std::uint32_t>& words,
                 const CallRules& rules = {});

  const PeImage& image() const { return image_; }
  // The file as the embedder named it; messages start with it.
  const std::string& path() const { return path_; }
  // Address of an export, 0 when there is none.
  std::uint32_t ExportAddress(const std::string& name) const;
  std::uint32_t ExportAddress(std::uint16_t ordinal) const;
  bool InsideImage(std::uint32_t address) const;
  // Names an address for messages ("Name+0x1C"); exports are named already.
  void NameAddress(std::uint32_t address, const std::string& name);
  std::string Describe(std::uint32_t address) const;
  // What a call of the function at `address` is called in messages
  // ("action 0 "Send %0 Back One""); without it, the function's name.
  void NameCall(std::uint32_t address, const std::string& name);

  // The guest's memory as the library sees it. False when the bytes are not
  // all mapped.
  bool Read(std::uint32_t address, void* bytes, std::uint32_t size) const;
  bool Write(std::uint32_t address, const void* bytes, std::uint32_t size);
  // Changes bytes of the loaded image whatever its access (for tests that
  // plant faults).
  bool Patch(std::uint32_t address, const std::vector<std::uint8_t>& bytes);
  GuestHeap& heap() { return heap_; }
  // While set (and the library counts instructions), every instruction the
  // library runs adds one to its address's count here: a profile of the
  // calls made meanwhile.
  void ProfileInto(std::unordered_map<std::uint32_t, std::uint64_t>* counts);
  // Why the library may not touch these bytes by its own rules (above):
  // where they lie and why ("0x7FFD3000, where it has no memory"); empty
  // when it may.
  std::string AccessProblem(std::uint32_t address, std::uint32_t size, bool write) const;

  // A text the library allocated and handed over: copied out, then released
  // on its heap as the host would. Nullopt for null; fails with a fault's
  // message when it is not a live block or has no end inside it.
  Result<std::optional<std::string>> TakeText(std::uint32_t address);

  struct Machine;  // the emulator's state, in emulated_dll.cpp

 private:
  EmulatedDll() = default;
  Status LayOut(const LoadOptions& options);
  Status StartMachine(const LoadOptions& options);
  Status BindImports(std::vector<std::uint8_t>& runtimeData, std::uint32_t& dataUsed);
  Status PrepareTls(std::vector<std::uint8_t>& runtimeData, std::uint32_t& dataUsed);
  Status MapImage();
  Status MapSystemPages(const std::vector<std::uint8_t>& runtimeData);
  Status SetUpSegments();
  Status AddHooks();
  Status Attach();
  std::string BrokenConvention(std::int32_t argumentBytes, const GuestCall& call,
                               const CallRules& rules);

  std::string path_;
  PeImage image_;
  Embedding embedding_;
  GuestHeap heap_{guest_map::kHeap.begin, guest_map::kHeap.size};
  std::map<std::uint32_t, std::string> names_;      // address -> name, for messages
  std::map<std::uint32_t, std::string> callNames_;  // function -> what a call of it is
  std::unique_ptr<Machine> machine_;
};

}  // namespace tier::emulator
