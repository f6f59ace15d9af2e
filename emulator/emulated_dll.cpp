#include "emulator/emulated_dll.h"

#include <unicorn/unicorn.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "emulator/teb.h"
#include "support/hex.h"

namespace tier::emulator {

using guest_map::kPage;

namespace {

constexpr std::uint32_t kProcessAttach = 1, kProcessDetach = 0;
// The C runtime's x87 control word on Windows: double precision, all
// exceptions masked; and MXCSR as a thread starts: all exceptions masked.
constexpr std::uint32_t kWindowsFpuControl = 0x027F, kWindowsMxcsr = 0x1F80;
constexpr std::uint32_t kDirectionFlag = 1u << 10;
// Bytes above a call's arguments that no call may touch.
constexpr std::uint32_t kStackTopRoom = 64;

// The registers a stdcall function hands back as it found them, with what a
// caller keeps in them: frame and stack addresses of its own, each different,
// so that two swapped are seen too.
struct KeptRegister {
  uc_x86_reg id;
  const char* name;
  std::uint32_t callerValue;
};
constexpr KeptRegister kKeptRegisters[] = {{UC_X86_REG_EBX, "EBX", 0x0012FF40},
                                           {UC_X86_REG_ESI, "ESI", 0x0012FF44},
                                           {UC_X86_REG_EDI, "EDI", 0x0012FF48},
                                           {UC_X86_REG_EBP, "EBP", 0x0012FF78}};

// Words of the thread block that a call may change: the system sets the last
// error on a call's behalf (and SetLastError is the library's to call), which
// no caller keeps across a call; and the system lowers the stack limit as a
// call's stack grows into pages not yet committed (the emulated stack is all
// committed, so here it stays). Every other word is the caller's.
constexpr std::uint32_t kTebWordsACallMayChange[] = {offsetof(Teb, stackLimit),
                                                     offsetof(Teb, lastErrorValue)};

// A word of the thread block as a message names it.
std::string TebWordName(std::uint32_t offset) {
  switch (offset) {
    case offsetof(Teb, exceptionList):
      return "FS:[0] (the head of the exception-handler chain)";
    case offsetof(Teb, stackBase):
      return "FS:[0x04] (the stack's base)";
    case offsetof(Teb, self):
      return "FS:[0x18] (the thread block's own address)";
    case offsetof(Teb, threadLocalStoragePointer):
      return "FS:[0x2C] (the thread-local storage array)";
    default:
      return "FS:[" + Hex(offset) + "] of the thread block";
  }
}

constexpr std::uint8_t kHlt = 0xF4, kRet = 0xC3, kRetImm16 = 0xC2;

std::uint32_t PageDown(std::uint32_t address) { return address & ~(kPage - 1); }
std::uint64_t PageUp(std::uint64_t address) {
  return (address + kPage - 1) & ~std::uint64_t{kPage - 1};
}

Error Failure(std::string message) { return Error{std::move(message)}; }

// A GDT descriptor: base, limit in pages, present, ring 0, 32-bit.
std::uint64_t Descriptor(std::uint32_t base, std::uint32_t pages, bool code) {
  const std::uint32_t limit = pages - 1;
  const std::uint64_t access = 0x80 | 0x10 | (code ? 0x0A : 0x02);  // present, code/data, rx/rw
  const std::uint64_t flags = 0x8 | 0x4;                            // 4 KiB granularity, 32-bit
  return (limit & 0xFFFF) | (std::uint64_t{base & 0xFFFFFF} << 16) | (access << 40) |
         (std::uint64_t{(limit >> 16) & 0xF} << 48) | (flags << 52) |
         (std::uint64_t{base >> 24} << 56);
}

// A stub that returns at once, removing `bytes` of arguments (stdcall) or
// none (cdecl).
void WriteReturn(std::uint8_t* code, std::uint32_t bytes) {
  if (bytes == 0) {
    code[0] = kRet;
    return;
  }
  code[0] = kRetImm16;
  code[1] = static_cast<std::uint8_t>(bytes);
  code[2] = static_cast<std::uint8_t>(bytes >> 8);
}

}  // namespace

struct EmulatedDll::Machine {
  EmulatedDll* dll = nullptr;
  uc_engine* uc = nullptr;
  std::string fault;                    // the first fault of the current call
  std::vector<const Import*> stubs;     // by import stub slot
  std::vector<Import> providedImports;  // the runtime's and the embedder's
  SharedMemory shared;                  // as shared now
  bool counting = false;
  std::uint64_t instructions = 0;
  std::unordered_map<std::uint32_t, std::uint64_t>* profile = nullptr;
  std::uint64_t blocks = 0, budget = 0;
  std::uint32_t callTarget = 0;    // the function the current call entered
  std::uint32_t entryEsp = 0;      // at the current call's return address
  std::uint32_t deepestStack = 0;  // the lowest stack address it touched (counted)
  // The thread block as the caller keeps it, a page.
  std::vector<std::uint8_t> teb = std::vector<std::uint8_t>(kPage, 0);
  // An unaligned access that spans two pages reaches the memory hook once as
  // made, then once for each of the two aligned words the CPU emulator splits
  // it into; those two repeat bytes outside the access and are not checked.
  struct Split {
    std::uint64_t first = 0;  // the first aligned piece
    int size = 0;
    bool write = false;
    int piecesLeft = 0;
  } split;

  ~Machine() {
    if (uc != nullptr) uc_close(uc);
  }

  void Fault(const std::string& message) {
    if (fault.empty()) fault = message;
    uc_emu_stop(uc);
  }

  std::uint32_t Register(int id) const {
    std::uint32_t value = 0;
    uc_reg_read(uc, id, &value);
    return value;
  }
  void SetRegister(int id, std::uint32_t value) { uc_reg_write(uc, id, &value); }

  // Shares the embedder's memory of the moment at its own addresses.
  Status ShareEmbedderMemory() {
    const Embedding& embedding = dll->embedding_;
    const SharedMemory wanted = embedding.sharedMemory ? embedding.sharedMemory() : SharedMemory{};
    if (wanted.serial == shared.serial && wanted.size == shared.size) return Ok();
    if (shared.size != 0) uc_mem_unmap(uc, shared.base, shared.size);
    shared = {};
    if (wanted.size == 0) return Ok();  // calls that touch no shared memory still run
    if (!guest_map::kEmbedderMemory.Holds(wanted.base, wanted.size) || wanted.base % kPage != 0 ||
        wanted.size % kPage != 0)
      return Failure("the embedder's memory at " + HexAddress(wanted.base) +
                     " does not fit the room the emulator keeps for it");
    const uc_err status =
        uc_mem_map_ptr(uc, wanted.base, wanted.size, UC_PROT_READ | UC_PROT_WRITE, wanted.bytes);
    if (status != UC_ERR_OK)
      return Failure(std::string("cannot share the embedder's memory: ") + uc_strerror(status));
    shared = wanted;
    return Ok();
  }

  static void OnCheckedAccess(uc_engine*, uc_mem_type type, std::uint64_t address, int size,
                              std::int64_t, void* user) {
    auto* self = static_cast<Machine*>(user);
    if (!self->fault.empty()) return;
    const bool write = type == UC_MEM_WRITE;
    if (self->IsSplitPiece(address, size, write)) return;
    const std::string problem = self->dll->AccessProblem(static_cast<std::uint32_t>(address),
                                                         static_cast<std::uint32_t>(size), write);
    if (!problem.empty()) self->Fault(self->AccessMessage(write ? "wrote" : "read", size, problem));
  }

  bool IsSplitPiece(std::uint64_t address, int size, bool write) {
    Split& s = split;
    if (s.piecesLeft > 0 && size == s.size && write == s.write &&
        (address == s.first || address == s.first + static_cast<std::uint64_t>(size))) {
      --s.piecesLeft;
      return true;
    }
    const std::uint64_t aligned = address & ~static_cast<std::uint64_t>(size - 1);
    const bool spansPages = address / kPage != (address + size - 1) / kPage;
    s = spansPages && aligned != address ? Split{aligned, size, write, 2} : Split{};
    return false;
  }

  static bool OnInvalidAccess(uc_engine*, uc_mem_type type, std::uint64_t address, int size,
                              std::int64_t, void* user) {
    auto* self = static_cast<Machine*>(user);
    const std::string at = HexAddress(static_cast<std::uint32_t>(address));
    switch (type) {
      case UC_MEM_FETCH_UNMAPPED:
      case UC_MEM_FETCH_PROT:
        self->Fault(self->dll->path_ + " jumped to " + at + ", outside its code (" +
                    self->dll->Describe(static_cast<std::uint32_t>(address)) + ")" +
                    self->DuringCall());
        break;
      case UC_MEM_WRITE_PROT:
        self->Fault(self->AccessMessage("wrote", size, at + " in read-only memory"));
        break;
      case UC_MEM_WRITE_UNMAPPED:
      case UC_MEM_READ_UNMAPPED:
        if (BelowTheStack(address)) {  // a stack overflow, past even the emulated stack
          self->StackFault(type == UC_MEM_WRITE_UNMAPPED, size,
                           static_cast<std::uint32_t>(address));
          break;
        }
        [[fallthrough]];
      default:
        self->Fault(self->AccessMessage(type == UC_MEM_WRITE_UNMAPPED ? "wrote" : "read", size,
                                        at + " where nothing is mapped"));
        break;
    }
    return false;
  }

  // Within a stack's size below the stack: where an overflow lands.
  static bool BelowTheStack(std::uint64_t address) {
    return address < guest_map::kStack.begin &&
           address >= guest_map::kStack.begin - guest_map::kStack.size;
  }

  std::string AccessMessage(const char* verb, int size, const std::string& where) const {
    const std::uint32_t eip = Register(UC_X86_REG_EIP);
    return dll->path_ + " " + verb + " " + std::to_string(size) + " bytes at " + where +
           ", by the instruction at " + HexAddress(eip) + " (" + dll->Describe(eip) + ")" +
           DuringCall();
  }

  // What the current call is called in messages; empty when it has no name.
  // A function without a name of its own is not named after the one before it.
  std::string CallName() const {
    const auto named = dll->callNames_.find(callTarget);
    if (named != dll->callNames_.end()) return named->second;
    const auto name = dll->names_.find(callTarget);
    return name != dll->names_.end() ? name->second : "";
  }
  std::string ReturnedFrom() const {
    const std::string name = CallName();
    return dll->path_ + " returned from " +
           (name.empty() ? "the function at " + HexAddress(callTarget) : name);
  }
  std::string DuringCall() const {
    const std::string name = CallName();
    return name.empty() ? "" : ", in a call of " + name;
  }

  // An access of the stack below a call's bound (and, when counting, any
  // access of the stack, for the deepest).
  static void OnStackAccess(uc_engine*, uc_mem_type type, std::uint64_t address, int size,
                            std::int64_t, void* user) {
    auto* self = static_cast<Machine*>(user);
    const auto at = static_cast<std::uint32_t>(address);
    if (at < self->deepestStack) self->deepestStack = at;
    if (self->fault.empty() && at < self->entryEsp - kStackBound)
      self->StackFault(type == UC_MEM_WRITE, size, at);
  }

  void StackFault(bool write, int size, std::uint32_t address) {
    Fault(AccessMessage(write ? "wrote" : "read", size,
                        HexAddress(address) + ", " + std::to_string(entryEsp - address) +
                            " bytes down its stack, beyond the " + std::to_string(kStackBound) +
                            " a call may take"));
  }

  static void OnImportStub(uc_engine*, std::uint64_t address, std::uint32_t, void* user) {
    auto* self = static_cast<Machine*>(user);
    const std::uint32_t slot = static_cast<std::uint32_t>(address - guest_map::kImportStubs.begin);
    if (slot % guest_map::kStubBytes != 0) return;  // inside guest code of a stub
    const std::size_t index = slot / guest_map::kStubBytes;
    if (index >= self->stubs.size() || self->stubs[index] == nullptr) return;
    const Import& import = *self->stubs[index];
    if (!import.function) return;  // guest code runs by itself
    ImportCall call(*self->dll, self->Register(UC_X86_REG_ESP), self->fault);
    const std::uint32_t result = import.function(call);
    if (call.failed())
      uc_emu_stop(self->uc);
    else
      self->SetRegister(UC_X86_REG_EAX, result);
  }

  static void OnGate(uc_engine*, std::uint64_t address, std::uint32_t, void* user) {
    auto* self = static_cast<Machine*>(user);
    const auto at = static_cast<std::uint32_t>(address);
    for (const CallGate& gate : self->dll->embedding_.gates) {
      if (at < gate.begin || at - gate.begin >= gate.size) continue;
      if ((at - gate.begin) % gate.slotBytes != 0) return;  // the slot's own return
      ImportCall call(*self->dll, self->Register(UC_X86_REG_ESP), self->fault);
      const std::uint32_t result = gate.answer(at, call);
      if (call.failed())
        uc_emu_stop(self->uc);
      else
        self->SetRegister(UC_X86_REG_EAX, result);
      return;
    }
  }

  static void OnInstruction(uc_engine*, std::uint64_t address, std::uint32_t, void* user) {
    auto* self = static_cast<Machine*>(user);
    ++self->instructions;
    if (self->profile != nullptr) ++(*self->profile)[static_cast<std::uint32_t>(address)];
  }

  // Every block has at least one instruction, so more blocks than the budget
  // are more instructions than it too.
  static void OnBlock(uc_engine*, std::uint64_t, std::uint32_t, void* user) {
    auto* self = static_cast<Machine*>(user);
    if (++self->blocks <= self->budget || !self->fault.empty()) return;
    const std::string name = self->CallName();
    self->Fault(self->dll->path_ + " ran more than " + std::to_string(self->budget) +
                " instructions in a call of " +
                (name.empty() ? HexAddress(self->callTarget) : name) + "; it may never return");
  }

  Status Map(std::uint32_t address, std::uint32_t size, std::uint32_t access) {
    const uc_err status = uc_mem_map(uc, address, size, access);
    if (status != UC_ERR_OK)
      return Failure("cannot map " + HexAddress(address) + ": " + uc_strerror(status));
    return Ok();
  }

  Status AddHook(int type, void* callback, std::uint64_t begin, std::uint64_t end) {
    uc_hook hook;
    const uc_err status = uc_hook_add(uc, &hook, type, callback, this, begin, end);
    if (status != UC_ERR_OK)
      return Failure(std::string("cannot hook the emulator: ") + uc_strerror(status));
    return Ok();
  }
};

// --- Loading, step by step -------------------------------------------------------

namespace {

Result<std::vector<std::uint8_t>> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return Failure("cannot open the file");
  std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                  std::istreambuf_iterator<char>()};
  if (file.bad()) return Failure("cannot read the file");
  return bytes;
}

bool Overlaps(std::uint64_t a, std::uint64_t aEnd, std::uint64_t b, std::uint64_t bEnd) {
  return a < bEnd && b < aEnd;
}

// Whether an image of `size` bytes at `base` keeps clear of the memory the
// emulator and its embedder keep.
bool Placeable(std::uint32_t base, std::uint32_t size) {
  const std::uint64_t end = PageUp(std::uint64_t{base} + size);
  return base % kPage == 0 && !Overlaps(base, end, 0, guest_map::kHeap.end()) &&
         !Overlaps(base, end, guest_map::kStack.begin, 0x100000000ull);
}

}  // namespace

Result<std::unique_ptr<EmulatedDll>> EmulatedDll::Load(const std::string& path,
                                                       LoadOptions options) {
  std::unique_ptr<EmulatedDll> dll(new EmulatedDll());
  dll->path_ = path;
  dll->embedding_ = std::move(options.embedding);
  std::vector<std::uint8_t> runtimeData(kPage, 0);
  std::uint32_t dataUsed = 0x100;  // after the TLS array
  Status status = dll->LayOut(options);
  if (status) status = dll->StartMachine(options);
  if (status) status = dll->BindImports(runtimeData, dataUsed);
  if (status) status = dll->PrepareTls(runtimeData, dataUsed);
  if (status) status = dll->MapImage();
  if (status) status = dll->MapSystemPages(runtimeData);
  if (status) status = dll->SetUpSegments();
  if (status) status = dll->AddHooks();
  if (status) status = dll->Attach();
  if (!status) {
    dll->machine_.reset();  // no detach for a library that never attached
    return Failure(path + ": " + status.error());
  }
  return dll;
}

// Reads the file and lays the image out at its base.
Status EmulatedDll::LayOut(const LoadOptions& options) {
  Result<std::vector<std::uint8_t>> file = ReadFile(path_);
  if (!file) return Failure(file.error());
  if (Status read = ReadPeImage(*file, image_); !read) return Failure(read.error());
  std::uint32_t base = options.base != 0 ? options.base : image_.preferredBase;
  if (options.base == 0 && !Placeable(base, image_.sizeOfImage)) base = guest_map::kRelocatedBase;
  if (!Placeable(base, image_.sizeOfImage))
    return Failure("the image at " + HexAddress(base) +
                   " would overlap the memory the emulated host keeps for itself");
  if (Status moved = Rebase(image_, base); !moved) return Failure(moved.error());
  for (const PeExport& entry : image_.exports)
    if (!entry.name.empty()) NameAddress(image_.base + entry.rva, entry.name);
  return Ok();
}

Status EmulatedDll::StartMachine(const LoadOptions& options) {
  machine_ = std::make_unique<Machine>();
  machine_->dll = this;
  machine_->counting = options.countInstructions;
  machine_->providedImports = RuntimeImports();
  for (const Import& import : embedding_.imports) machine_->providedImports.push_back(import);
  if (const uc_err status = uc_open(UC_ARCH_X86, UC_MODE_32, &machine_->uc); status != UC_ERR_OK) {
    machine_->uc = nullptr;
    return Failure(std::string("cannot start the CPU emulator: ") + uc_strerror(status));
  }
  return Ok();
}

// Fills the IAT: each slot points at a stub of its own, or at the data the
// import stands for.
Status EmulatedDll::BindImports(std::vector<std::uint8_t>& runtimeData, std::uint32_t& dataUsed) {
  Machine& m = *machine_;
  std::vector<std::uint8_t> stubCode(guest_map::kImportStubs.size, kHlt);
  for (const PeImport& import : image_.imports) {
    const Import* provided = FindImport(m.providedImports, import.dll, import.name, import.ordinal);
    if (provided == nullptr)
      return Failure(
          "imports " +
          (import.name.empty() ? "ordinal " + std::to_string(import.ordinal) : import.name) +
          " from " + import.dll + ", which the emulated host does not provide");
    std::uint32_t target = 0;
    if (!provided->function && provided->guestCode.empty()) {
      dataUsed = (dataUsed + 15) & ~15u;
      if (dataUsed + provided->dataBytes > kPage)
        return Failure("the runtime's data imports take more than a page");
      target = guest_map::kRuntimeData + dataUsed;
      dataUsed += provided->dataBytes;
    } else {
      const std::size_t index = m.stubs.size();
      if ((index + 2) * guest_map::kStubBytes > guest_map::kImportStubs.size)
        return Failure("more imports than the emulated host has room for");
      m.stubs.push_back(provided);
      target =
          guest_map::kImportStubs.begin + static_cast<std::uint32_t>(index) * guest_map::kStubBytes;
      std::uint8_t* code = stubCode.data() + index * guest_map::kStubBytes;
      if (!provided->guestCode.empty())
        std::copy(provided->guestCode.begin(), provided->guestCode.end(), code);
      else
        WriteReturn(code, provided->BytesTheCalleeRemoves());
    }
    std::memcpy(image_.bytes.data() + import.slotRva, &target, 4);
  }
  if (const Status mapped = m.Map(guest_map::kImportStubs.begin, guest_map::kImportStubs.size,
                                  UC_PROT_READ | UC_PROT_EXEC);
      !mapped)
    return mapped;
  uc_mem_write(m.uc, guest_map::kImportStubs.begin, stubCode.data(), stubCode.size());
  return Ok();
}

// TLS: slot 0 of the thread's array holds a copy of the template, and the
// library's index variable says 0.
Status EmulatedDll::PrepareTls(std::vector<std::uint8_t>& runtimeData, std::uint32_t& dataUsed) {
  if (!image_.tls) return Ok();
  const PeTls& tls = *image_.tls;
  const std::uint64_t templateBytes = tls.rawDataEnd - std::uint64_t{tls.rawDataStart};
  dataUsed = (dataUsed + 15) & ~15u;
  if (tls.rawDataEnd < tls.rawDataStart || dataUsed + templateBytes + tls.zeroFill > kPage)
    return Failure("its thread-local storage does not fit the emulated host");
  if (templateBytes > 0) {
    if (tls.rawDataStart < image_.base ||
        tls.rawDataEnd > std::uint64_t{image_.base} + image_.sizeOfImage)
      return Failure("its thread-local storage template lies outside the image");
    std::memcpy(runtimeData.data() + dataUsed,
                image_.bytes.data() + (tls.rawDataStart - image_.base), templateBytes);
  }
  const std::uint32_t tlsBlock = guest_map::kRuntimeData + dataUsed;
  dataUsed += static_cast<std::uint32_t>(templateBytes + tls.zeroFill);
  std::memcpy(runtimeData.data(), &tlsBlock, 4);  // the array, at the page's start
  if (tls.indexAddress != 0) {
    if (tls.indexAddress < image_.base ||
        tls.indexAddress - image_.base + 4ull > image_.sizeOfImage)
      return Failure("its thread-local storage index lies outside the image");
    std::memset(image_.bytes.data() + (tls.indexAddress - image_.base), 0, 4);
  }
  return Ok();
}

// The image: mapped read-only, then each section with its own access.
Status EmulatedDll::MapImage() {
  Machine& m = *machine_;
  const std::uint64_t imageEnd = PageUp(std::uint64_t{image_.base} + image_.sizeOfImage);
  if (const Status mapped =
          m.Map(image_.base, static_cast<std::uint32_t>(imageEnd - image_.base), UC_PROT_READ);
      !mapped)
    return mapped;
  uc_mem_write(m.uc, image_.base, image_.bytes.data(), image_.bytes.size());
  for (const PeSection& section : image_.sections) {
    std::uint32_t access = UC_PROT_NONE;
    if (section.readable) access |= UC_PROT_READ;
    if (section.writable) access |= UC_PROT_READ | UC_PROT_WRITE;
    if (section.executable) access |= UC_PROT_READ | UC_PROT_EXEC;
    const std::uint32_t start = image_.base + section.rva;
    const std::uint64_t end =
        PageUp(std::uint64_t{start} + std::max<std::uint32_t>(section.virtualSize, 1));
    uc_mem_protect(m.uc, start, static_cast<std::size_t>(end - start), access);
  }
  return Ok();
}

// Stack, heap, the GDT, TEB and runtime data pages, and the embedder's gates.
Status EmulatedDll::MapSystemPages(const std::vector<std::uint8_t>& runtimeData) {
  Machine& m = *machine_;
  for (const guest_map::Range& range :
       {guest_map::kStack, guest_map::kHeap, guest_map::kSystemPages})
    if (const Status mapped = m.Map(range.begin, range.size, UC_PROT_READ | UC_PROT_WRITE); !mapped)
      return mapped;
  uc_mem_write(m.uc, guest_map::kRuntimeData, runtimeData.data(), runtimeData.size());

  Teb teb{};
  teb.exceptionList = 0xFFFFFFFF;
  teb.stackBase = static_cast<std::uint32_t>(guest_map::kStack.end());
  teb.stackLimit = guest_map::kStack.begin;
  teb.self = guest_map::kTeb;
  teb.threadLocalStoragePointer = guest_map::kRuntimeData;
  std::memcpy(m.teb.data(), &teb, sizeof teb);
  uc_mem_write(m.uc, guest_map::kTeb, m.teb.data(), m.teb.size());

  for (const CallGate& gate : embedding_.gates) {
    if (!guest_map::kEmbedderGates.Holds(gate.begin, gate.size) || gate.begin % kPage != 0 ||
        gate.size % kPage != 0 || gate.slotBytes < 4 || !gate.answer)
      return Failure("a call gate at " + HexAddress(gate.begin) + " the emulator cannot offer");
    if (const Status mapped = m.Map(gate.begin, gate.size, UC_PROT_READ | UC_PROT_EXEC); !mapped)
      return mapped;
    std::vector<std::uint8_t> code(gate.size, kHlt);
    for (std::uint32_t at = 0; at + gate.slotBytes <= gate.size; at += gate.slotBytes)
      WriteReturn(code.data() + at, 4u * static_cast<std::uint32_t>(gate.argumentWords));
    uc_mem_write(m.uc, gate.begin, code.data(), code.size());
  }
  return Ok();
}

// Flat code and data segments, and FS on the TEB.
Status EmulatedDll::SetUpSegments() {
  Machine& m = *machine_;
  const std::uint64_t gdt[4] = {0, Descriptor(0, 0x100000, true), Descriptor(0, 0x100000, false),
                                Descriptor(guest_map::kTeb, 1, false)};
  uc_mem_write(m.uc, guest_map::kGdt, gdt, sizeof gdt);
  uc_x86_mmr gdtr{};
  gdtr.base = guest_map::kGdt;
  gdtr.limit = sizeof gdt - 1;
  uc_reg_write(m.uc, UC_X86_REG_GDTR, &gdtr);
  for (const auto& [reg, selector] :
       {std::pair{UC_X86_REG_SS, 2 << 3}, std::pair{UC_X86_REG_DS, 2 << 3},
        std::pair{UC_X86_REG_ES, 2 << 3}, std::pair{UC_X86_REG_GS, 2 << 3},
        std::pair{UC_X86_REG_FS, 3 << 3}}) {
    const std::uint32_t value = static_cast<std::uint32_t>(selector);
    if (uc_reg_write(m.uc, reg, &value) != UC_ERR_OK)
      return Failure("cannot set up the emulator's segments");
  }
  return Ok();
}

Status EmulatedDll::AddHooks() {
  Machine& m = *machine_;
  const auto hook = [&m](int type, auto callback, std::uint64_t begin, std::uint64_t end) {
    return m.AddHook(type, reinterpret_cast<void*>(callback), begin, end);
  };
  Status status = hook(UC_HOOK_MEM_READ | UC_HOOK_MEM_WRITE, &Machine::OnCheckedAccess,
                       guest_map::kChecked.begin, guest_map::kChecked.end() - 1);
  if (status) status = hook(UC_HOOK_MEM_INVALID, &Machine::OnInvalidAccess, 1, 0);
  if (status)
    status = hook(UC_HOOK_CODE, &Machine::OnImportStub, guest_map::kImportStubs.begin,
                  guest_map::kImportStubs.end() - 1);
  if (status && !embedding_.gates.empty())
    status = hook(UC_HOOK_CODE, &Machine::OnGate, guest_map::kEmbedderGates.begin,
                  guest_map::kEmbedderGates.end() - 1);
  // The stack below every call's bound; counting, all of it, for the deepest.
  const std::uint64_t stackWatched =
      m.counting ? guest_map::kStack.end() - 1
                 : guest_map::kStack.end() - kStackTopRoom - kStackBound - 1;
  if (status)
    status = hook(UC_HOOK_MEM_READ | UC_HOOK_MEM_WRITE, &Machine::OnStackAccess,
                  guest_map::kStack.begin, stackWatched);
  if (status) status = hook(UC_HOOK_BLOCK, &Machine::OnBlock, 1, 0);
  if (status && m.counting) status = hook(UC_HOOK_CODE, &Machine::OnInstruction, 1, 0);
  return status;
}

void EmulatedDll::ProfileInto(std::unordered_map<std::uint32_t, std::uint64_t>* counts) {
  machine_->profile = counts;
}

// Start-up, as the system's loader does it: the TLS callbacks, then the entry
// function, each for process attach.
Status EmulatedDll::Attach() {
  const std::vector<std::uint32_t> attach = {image_.base, kProcessAttach, 0};
  const CallRules startUp{.mayKeepHeap = true};
  if (image_.tls) {
    for (std::uint32_t callback : image_.tls->callbacks) {
      const GuestCall call = Call(callback, attach, startUp);
      if (!call.fault.empty())
        return Failure("its thread-local storage callback failed: " + call.fault);
    }
  }
  if (image_.entryRva == 0) return Ok();
  const GuestCall call = Call(image_.base + image_.entryRva, attach, startUp);
  if (!call.fault.empty()) return Failure("its entry function failed: " + call.fault);
  if (call.result == 0) return Failure("its entry function refused to attach");
  return Ok();
}

EmulatedDll::~EmulatedDll() {
  if (machine_ == nullptr || image_.entryRva == 0) return;
  const GuestCall call =
      Call(image_.base + image_.entryRva, {image_.base, kProcessDetach, 0}, {.mayKeepHeap = true});
  if (!call.fault.empty())
    std::fprintf(stderr, "%s: its entry function failed on detach: %s\n", path_.c_str(),
                 call.fault.c_str());
}

// --- Calls -----------------------------------------------------------------------

GuestCall EmulatedDll::Call(std::uint32_t address, const std::vector<std::uint32_t>& words,
                            const CallRules& rules) {
  Machine& m = *machine_;
  GuestCall call;
  m.fault.clear();
  m.instructions = 0;
  m.blocks = 0;
  m.split = {};
  m.budget = rules.budget;
  m.callTarget = address;
  if (const Status shared = m.ShareEmbedderMemory(); !shared) {
    call.fault = path_ + ": " + shared.error();
    return call;
  }

  // The words, last first, then the return address; a little room above
  // them that no call may touch.
  std::uint32_t esp = static_cast<std::uint32_t>(guest_map::kStack.end()) - kStackTopRoom -
                      4 * static_cast<std::uint32_t>(words.size());
  const std::uint32_t argumentsAt = esp;
  if (!words.empty()) uc_mem_write(m.uc, esp, words.data(), 4 * words.size());
  esp -= 4;
  const std::uint32_t returnAddress = guest_map::kReturnAddress;
  uc_mem_write(m.uc, esp, &returnAddress, 4);
  m.entryEsp = m.deepestStack = esp;
  m.SetRegister(UC_X86_REG_ESP, esp);
  for (const KeptRegister& kept : kKeptRegisters) m.SetRegister(kept.id, kept.callerValue);
  m.SetRegister(UC_X86_REG_EFLAGS, 0x202);  // interrupts on, direction up
  m.SetRegister(UC_X86_REG_FPCW, kWindowsFpuControl);
  m.SetRegister(UC_X86_REG_MXCSR, kWindowsMxcsr);
  heap_.BeginCall();

  const uc_err status = uc_emu_start(m.uc, address, guest_map::kReturnAddress, 0, 0);
  const std::uint32_t eip = m.Register(UC_X86_REG_EIP);
  if (m.fault.empty() && status != UC_ERR_OK)
    m.fault = path_ + ": the emulator stopped: " + uc_strerror(status) + " at " + HexAddress(eip) +
              " (" + Describe(eip) + ")";
  if (m.fault.empty() && eip != guest_map::kReturnAddress)
    m.fault = path_ + ": the call stopped at " + HexAddress(eip) + " (" + Describe(eip) + ")";
  call.result = m.Register(UC_X86_REG_EAX);
  call.bytesRemoved = static_cast<std::int32_t>(m.Register(UC_X86_REG_ESP) - argumentsAt);
  call.instructions = m.instructions;
  call.stackBytes = m.counting ? m.entryEsp - m.deepestStack : 0;
  call.heapBytes = heap_.callPeakBytes();
  if (m.fault.empty())
    m.fault = BrokenConvention(4 * static_cast<std::int32_t>(words.size()), call, rules);
  // After a fault the thread block is put back as the caller keeps it, so
  // that the next call is not blamed for what this one left.
  if (!m.fault.empty()) Write(guest_map::kTeb, m.teb.data(), kPage);
  call.fault = m.fault;
  return call;
}

// The first rule of the convention, or of `rules`, that a call which returned
// broke, as "... returned from X with EBX changed (0x5A5A5A5A, was
// 0x0012FF40), which the caller keeps"; empty when it kept them all.
std::string EmulatedDll::BrokenConvention(std::int32_t argumentBytes, const GuestCall& call,
                                          const CallRules& rules) {
  Machine& m = *machine_;
  const std::string returned = m.ReturnedFrom();
  const auto changed = [&](const std::string& what, const std::string& found,
                           const std::string& was) {
    return returned + " with " + what + " changed (" + found + ", was " + was +
           "), which the caller keeps";
  };
  if (call.bytesRemoved != argumentBytes)
    return returned + " with ESP raised by " + std::to_string(call.bytesRemoved) +
           " bytes of arguments (" + std::to_string(argumentBytes) +
           " expected), which the callee removes";
  for (const KeptRegister& kept : kKeptRegisters)
    if (const std::uint32_t value = m.Register(kept.id); value != kept.callerValue)
      return changed(kept.name, HexAddress(value), HexAddress(kept.callerValue));
  if ((m.Register(UC_X86_REG_EFLAGS) & kDirectionFlag) != 0)
    return returned + " with the direction flag set, which the caller expects clear";
  if (const std::uint32_t control = m.Register(UC_X86_REG_FPCW) & 0xFFFF;
      control != kWindowsFpuControl)
    return changed("the x87 control word", Hex(control, 4), Hex(kWindowsFpuControl, 4));
  if (const std::uint32_t mxcsr = m.Register(UC_X86_REG_MXCSR); mxcsr != kWindowsMxcsr)
    return changed("MXCSR", Hex(mxcsr, 4), Hex(kWindowsMxcsr, 4));

  std::vector<std::uint8_t> teb(kPage);
  Read(guest_map::kTeb, teb.data(), kPage);
  for (std::uint32_t offset : kTebWordsACallMayChange)
    std::memcpy(m.teb.data() + offset, teb.data() + offset, 4);
  if (teb != m.teb) {
    std::uint32_t offset = 0;
    while (std::memcmp(teb.data() + offset, m.teb.data() + offset, 4) == 0) offset += 4;
    std::uint32_t found = 0, was = 0;
    std::memcpy(&found, teb.data() + offset, 4);
    std::memcpy(&was, m.teb.data() + offset, 4);
    return changed(TebWordName(offset), HexAddress(found), HexAddress(was));
  }

  std::size_t kept = heap_.callBlocksLive();
  if (rules.handsOverResult && heap_.AllocatedInCall(call.result)) --kept;
  if (!rules.mayKeepHeap && kept > 0) {
    std::uint64_t bytes = 0;
    std::string first;
    for (std::uint32_t block : heap_.KeptFromCall()) {
      if (rules.handsOverResult && block == call.result) continue;
      bytes += heap_.BlockSize(block);
      if (first.empty()) first = HexAddress(block);
    }
    return returned + " keeping " + std::to_string(bytes) + " bytes of its heap in " +
           std::to_string(kept) + (kept == 1 ? " block" : " blocks") +
           " allocated during the call (" + (kept == 1 ? "at " : "the first at ") + first +
           "), which it must free before it returns";
  }
  return "";
}

// --- Memory ------------------------------------------------------------------------

std::string EmulatedDll::AccessProblem(std::uint32_t address, std::uint32_t size,
                                       bool write) const {
  // Checked on every access: the address is written out only for a message.
  const auto at = [address] { return HexAddress(address); };
  const guest_map::Range image{image_.base, image_.sizeOfImage};
  if (image.Holds(address, size)) {
    if (!write) return "";
    for (const PeSection& section : image_.sections) {
      const std::uint64_t start = std::uint64_t{image_.base} + section.rva;
      if (address >= start &&
          address < PageUp(start + std::max<std::uint32_t>(section.virtualSize, 1)))
        return section.writable
                   ? ""
                   : at() + " in the read-only section " + section.name + " of its image";
    }
    return at() + " in the headers of its image";
  }
  if (guest_map::kStack.Holds(address, size) || guest_map::kSystemPages.Holds(address, size))
    return "";
  if (guest_map::kHeap.Holds(address)) {
    if (heap_.IsLive(address, size)) return "";
    return heap_.WasFreed(address) ? at() + " in a block of its heap that it freed"
                                   : at() + " outside every live block of its heap";
  }
  const SharedMemory* shared = machine_ != nullptr ? &machine_->shared : nullptr;
  if (shared != nullptr && guest_map::Range{shared->base, shared->size}.Holds(address, size))
    return embedding_.accessRule ? embedding_.accessRule(address, size, write) : "";
  return at() + " where it has no memory";
}

bool EmulatedDll::Read(std::uint32_t address, void* bytes, std::uint32_t size) const {
  return size == 0 || uc_mem_read(machine_->uc, address, bytes, size) == UC_ERR_OK;
}

bool EmulatedDll::Write(std::uint32_t address, const void* bytes, std::uint32_t size) {
  return size == 0 || uc_mem_write(machine_->uc, address, bytes, size) == UC_ERR_OK;
}

bool EmulatedDll::Patch(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
  if (!InsideImage(address) || !InsideImage(address + static_cast<std::uint32_t>(bytes.size()) - 1))
    return false;
  // Unprotected for the write, then as before; translated code is dropped.
  const std::uint32_t start = PageDown(address);
  const std::uint32_t length =
      static_cast<std::uint32_t>(PageUp(std::uint64_t{address} + bytes.size()) - start);
  uc_mem_region* regions = nullptr;
  std::uint32_t count = 0;
  uc_mem_regions(machine_->uc, &regions, &count);
  std::uint32_t access = UC_PROT_ALL;
  for (std::uint32_t i = 0; i < count; ++i)
    if (regions[i].begin <= address && address <= regions[i].end) access = regions[i].perms;
  uc_free(regions);
  uc_mem_protect(machine_->uc, start, length, UC_PROT_ALL);
  const bool written = Write(address, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  uc_mem_protect(machine_->uc, start, length, access);
  uc_ctl_remove_cache(machine_->uc, start, start + length);
  return written;
}

Result<std::optional<std::string>> EmulatedDll::TakeText(std::uint32_t address) {
  if (address == 0) return std::optional<std::string>();
  const std::uint32_t size = heap_.BlockSize(address);
  if (size == 0)
    return Error{path_ + ": the text at " + HexAddress(address) +
                 " is no block of the library's heap"};
  std::string text(size, '\0');
  Read(address, text.data(), size);
  const std::size_t length = text.find('\0');
  if (length == std::string::npos)
    return Error{path_ + ": the text at " + HexAddress(address) + " has no end inside its block"};
  text.resize(length);
  heap_.Free(address);  // the host releases the text on the library's heap
  return std::optional<std::string>(std::move(text));
}

// --- Names ---------------------------------------------------------------------------

std::uint32_t EmulatedDll::ExportAddress(const std::string& name) const {
  const PeExport* entry = FindExport(image_, name);
  return entry != nullptr ? image_.base + entry->rva : 0;
}

std::uint32_t EmulatedDll::ExportAddress(std::uint16_t ordinal) const {
  const PeExport* entry = FindExport(image_, ordinal);
  return entry != nullptr ? image_.base + entry->rva : 0;
}

bool EmulatedDll::InsideImage(std::uint32_t address) const {
  return address >= image_.base && address - image_.base < image_.sizeOfImage;
}

void EmulatedDll::NameAddress(std::uint32_t address, const std::string& name) {
  names_[address] = name;
}

void EmulatedDll::NameCall(std::uint32_t address, const std::string& name) {
  callNames_[address] = name;
}

std::string EmulatedDll::Describe(std::uint32_t address) const {
  if (guest_map::kImportStubs.Holds(address)) return "in the emulated host's import stubs";
  if (!InsideImage(address)) return "outside the library's image";
  auto it = names_.upper_bound(address);
  if (it == names_.begin()) return "in the library, before its first export";
  --it;
  return it->second + "+" + Hex(address - it->first);
}

}  // namespace tier::emulator
