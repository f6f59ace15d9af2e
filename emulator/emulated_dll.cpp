#include "emulator/emulated_dll.h"

#include <unicorn/unicorn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "emulator/runtime_imports.h"
#include "simhost/address_space.h"
#include "simhost/host_side.h"

namespace tier::emulator {
namespace {

constexpr std::uint32_t kPage = 0x1000;
constexpr std::uint32_t kProcessAttach = 1, kProcessDetach = 0;
// The simulated host's records lie between their base and the heap; every
// access there, and in the heap, is checked by a hook.
constexpr std::uint32_t kCheckedBegin = 0x00100000;
constexpr std::uint32_t kCheckedEnd = layout::kHeapBase + layout::kHeapSize;
// A call that has not returned after this long is stopped (microseconds).
constexpr std::uint64_t kCallTimeout = 120'000'000;
// The C runtime's x87 control word on Windows: double precision, all
// exceptions masked.
constexpr std::uint32_t kWindowsFpuControl = 0x027F;

std::uint32_t PageDown(std::uint32_t address) { return address & ~(kPage - 1); }
std::uint64_t PageUp(std::uint64_t address) {
  return (address + kPage - 1) & ~std::uint64_t{kPage - 1};
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

// A GDT descriptor: base, limit in pages, present, ring 0, 32-bit.
std::uint64_t Descriptor(std::uint32_t base, std::uint32_t pages, bool code) {
  const std::uint32_t limit = pages - 1;
  const std::uint64_t access = 0x80 | 0x10 | (code ? 0x0A : 0x02);  // present, code/data, rx/rw
  const std::uint64_t flags = 0x8 | 0x4;                            // 4 KiB granularity, 32-bit
  return (limit & 0xFFFF) | (std::uint64_t{base & 0xFFFFFF} << 16) | (access << 40) |
         (std::uint64_t{(limit >> 16) & 0xF} << 48) | (flags << 52) |
         (std::uint64_t{base >> 24} << 56);
}

}  // namespace

struct EmulatedDll::Machine {
  EmulatedDll* dll = nullptr;
  uc_engine* uc = nullptr;
  std::string fault;                        // the first fault of the current call
  std::vector<const RuntimeImport*> stubs;  // by import stub slot
  // The simulated host's space as shared now.
  std::uint64_t sharedSerial = 0;
  std::uint32_t sharedBase = 0, sharedSize = 0;
  const sim::AddressSpace* shared = nullptr;
  bool counting = false;
  std::uint64_t instructions = 0;
  std::uint32_t callTarget = 0;  // the function the current call entered

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

  // Shares the simulated host's active address space at its own addresses.
  bool ShareHostSpace(std::string& error) {
    const sim::AddressSpace* space = sim::AddressSpace::Active();
    const std::uint64_t serial = space != nullptr ? space->serial() : 0;
    if (serial == sharedSerial) return true;
    if (sharedSize != 0) uc_mem_unmap(uc, sharedBase, sharedSize);
    sharedSerial = 0;
    sharedSize = 0;
    shared = nullptr;
    if (space == nullptr) return true;  // calls that touch no record still run
    const std::uint64_t end = std::uint64_t{space->base()} + space->capacity();
    if (space->base() < kCheckedBegin || end > layout::kHeapBase) {
      error = "the host's records do not fit below the emulated library's heap";
      return false;
    }
    const uc_err status = uc_mem_map_ptr(uc, space->base(), space->capacity(),
                                         UC_PROT_READ | UC_PROT_WRITE, space->memory());
    if (status != UC_ERR_OK) {
      error = std::string("cannot share the host's records: ") + uc_strerror(status);
      return false;
    }
    shared = space;
    sharedSerial = serial;
    sharedBase = space->base();
    sharedSize = static_cast<std::uint32_t>(space->capacity());
    return true;
  }

  static void OnCheckedAccess(uc_engine*, uc_mem_type type, std::uint64_t address, int size,
                              std::int64_t, void* user) {
    auto* self = static_cast<Machine*>(user);
    if (!self->fault.empty()) return;
    const bool write = type == UC_MEM_WRITE;
    const std::string problem = self->dll->AccessProblem(static_cast<std::uint32_t>(address),
                                                         static_cast<std::uint32_t>(size), write);
    if (!problem.empty())
      self->Fault(self->AccessMessage(write ? "wrote" : "read", address, size, problem));
  }

  static bool OnInvalidAccess(uc_engine*, uc_mem_type type, std::uint64_t address, int size,
                              std::int64_t, void* user) {
    auto* self = static_cast<Machine*>(user);
    switch (type) {
      case UC_MEM_FETCH_UNMAPPED:
      case UC_MEM_FETCH_PROT:
        self->Fault("the library jumped to " + Hex(static_cast<std::uint32_t>(address)) +
                    ", outside its code (" +
                    self->dll->Describe(static_cast<std::uint32_t>(address)) + ")" +
                    self->DuringCall());
        break;
      case UC_MEM_WRITE_PROT:
        self->Fault(self->AccessMessage("wrote", address, size, "in read-only memory"));
        break;
      case UC_MEM_WRITE_UNMAPPED:
        self->Fault(self->AccessMessage("wrote", address, size, "where nothing is mapped"));
        break;
      default:
        self->Fault(self->AccessMessage("read", address, size, "where nothing is mapped"));
        break;
    }
    return false;
  }

  std::string AccessMessage(const char* verb, std::uint64_t address, int size,
                            const std::string& problem) const {
    const std::uint32_t eip = Register(UC_X86_REG_EIP);
    return std::string("the library ") + verb + " " + std::to_string(size) + " bytes at " +
           Hex(static_cast<std::uint32_t>(address)) + " " + problem + ", by the instruction at " +
           Hex(eip) + " (" + dll->Describe(eip) + ")" + DuringCall();
  }

  // Which call a fault happened in, when its function has a name.
  std::string DuringCall() const {
    const std::string called = dll->Describe(callTarget);
    return called.find('+') == std::string::npos
               ? ""
               : ", in a call of " + called.substr(0, called.find('+'));
  }

  static void OnImportStub(uc_engine*, std::uint64_t address, std::uint32_t, void* user) {
    auto* self = static_cast<Machine*>(user);
    const std::uint32_t slot = static_cast<std::uint32_t>(address - layout::kImportStubs);
    if (slot % layout::kStubBytes != 0) return;  // inside guest code of a stub
    const std::size_t index = slot / layout::kStubBytes;
    if (index >= self->stubs.size() || self->stubs[index] == nullptr) return;
    const RuntimeImport& import = *self->stubs[index];
    if (import.function == nullptr) return;  // guest code runs by itself
    ImportCall call(*self->dll, self->Register(UC_X86_REG_ESP), self->fault);
    const std::uint32_t result = import.function(call);
    if (call.failed())
      uc_emu_stop(self->uc);
    else
      self->SetRegister(UC_X86_REG_EAX, result);
  }

  static void OnServiceStub(uc_engine*, std::uint64_t address, std::uint32_t, void* user) {
    auto* self = static_cast<Machine*>(user);
    const host::ServiceFunction service = host::ServiceAt(static_cast<std::uint32_t>(address));
    if (service == nullptr) {
      self->Fault("the library called " + Hex(static_cast<std::uint32_t>(address)) +
                  ", which is no service of the host");
      return;
    }
    ImportCall call(*self->dll, self->Register(UC_X86_REG_ESP), self->fault);
    const std::uint32_t result = service(call.Argument(0), call.Argument(1), call.Argument(2));
    self->SetRegister(UC_X86_REG_EAX, result);
  }

  static void OnInstruction(uc_engine*, std::uint64_t, std::uint32_t, void* user) {
    ++static_cast<Machine*>(user)->instructions;
  }

  bool Map(std::uint32_t address, std::uint32_t size, std::uint32_t access, std::string& error) {
    const uc_err status = uc_mem_map(uc, address, size, access);
    if (status != UC_ERR_OK) error = "cannot map " + Hex(address) + ": " + uc_strerror(status);
    return status == UC_ERR_OK;
  }

  bool AddHook(int type, void* callback, std::uint64_t begin, std::uint64_t end,
               std::string& error) {
    uc_hook hook;
    const uc_err status = uc_hook_add(uc, &hook, type, callback, this, begin, end);
    if (status != UC_ERR_OK)
      error = std::string("cannot hook the emulator: ") + uc_strerror(status);
    return status == UC_ERR_OK;
  }
};

// --- Loading -------------------------------------------------------------------

namespace {

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = path + ": cannot open the file";
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (file.bad()) error = path + ": cannot read the file";
  return !file.bad();
}

bool Overlaps(std::uint64_t a, std::uint64_t aEnd, std::uint64_t b, std::uint64_t bEnd) {
  return a < bEnd && b < aEnd;
}

}  // namespace

std::unique_ptr<EmulatedDll> EmulatedDll::Load(const std::string& path, const LoadOptions& options,
                                               std::string& error) {
  std::unique_ptr<EmulatedDll> dll(new EmulatedDll());
  dll->path_ = path;
  std::vector<std::uint8_t> file;
  if (!ReadFile(path, file, error)) return nullptr;
  if (!ReadPeImage(file, dll->image_, error)) {
    error = path + ": " + error;
    return nullptr;
  }
  PeImage& image = dll->image_;
  const auto placeable = [&image](std::uint32_t base) {
    const std::uint64_t end = PageUp(std::uint64_t{base} + image.sizeOfImage);
    return base % kPage == 0 && !Overlaps(base, end, 0, layout::kHeapBase + layout::kHeapSize) &&
           !Overlaps(base, end, layout::kStackBase, 0x100000000ull);
  };
  std::uint32_t base = options.base != 0 ? options.base : image.preferredBase;
  if (options.base == 0 && !placeable(base)) base = layout::kRelocatedBase;
  if (!placeable(base)) {
    error = path + ": the image at " + Hex(base) +
            " would overlap the memory the emulated host keeps for itself";
    return nullptr;
  }
  if (base != image.base && !Rebase(image, base, error)) {
    error = path + ": " + error;
    return nullptr;
  }
  const std::uint64_t imageEnd = PageUp(std::uint64_t{image.base} + image.sizeOfImage);

  auto machine = std::make_unique<Machine>();
  machine->dll = dll.get();
  machine->counting = options.countInstructions;
  if (const uc_err status = uc_open(UC_ARCH_X86, UC_MODE_32, &machine->uc); status != UC_ERR_OK) {
    error = std::string("cannot start the CPU emulator: ") + uc_strerror(status);
    return nullptr;
  }
  Machine& m = *machine;

  // Imports: each slot of the address table points at a stub of its own,
  // or at the data the import stands for.
  std::vector<std::uint8_t> stubCode(layout::kImportStubsSize, 0xF4);  // hlt
  std::uint32_t dataUsed = 0x100;  // after the thread's storage array
  std::vector<std::uint8_t> runtimeData(kPage, 0);
  for (const PeImport& import : image.imports) {
    const RuntimeImport* provided = FindRuntimeImport(import.dll, import.name, import.ordinal);
    if (provided == nullptr) {
      error = path + " imports " +
              (import.name.empty() ? "ordinal " + std::to_string(import.ordinal) : import.name) +
              " from " + import.dll + ", which the emulated host does not provide";
      return nullptr;
    }
    std::uint32_t target = 0;
    if (provided->function == nullptr && provided->guestCode.empty()) {
      dataUsed = (dataUsed + 15) & ~15u;
      if (dataUsed + provided->dataBytes > kPage) {
        error = path + ": the runtime's data imports take more than a page";
        return nullptr;
      }
      target = layout::kRuntimeData + dataUsed;
      dataUsed += provided->dataBytes;
    } else {
      const std::size_t index = m.stubs.size();
      if ((index + 2) * layout::kStubBytes > layout::kImportStubsSize) {
        error = path + ": more imports than the emulated host has room for";
        return nullptr;
      }
      m.stubs.push_back(provided);
      target = layout::kImportStubs + static_cast<std::uint32_t>(index) * layout::kStubBytes;
      std::uint8_t* code = stubCode.data() + index * layout::kStubBytes;
      if (!provided->guestCode.empty()) {
        std::copy(provided->guestCode.begin(), provided->guestCode.end(), code);
      } else if (provided->argumentBytes > 0) {
        code[0] = 0xC2;  // ret imm16
        code[1] = static_cast<std::uint8_t>(provided->argumentBytes);
        code[2] = static_cast<std::uint8_t>(provided->argumentBytes >> 8);
      } else {
        code[0] = 0xC3;  // ret
      }
    }
    std::memcpy(image.bytes.data() + import.slotRva, &target, 4);
  }

  // Thread-local storage: slot 0 of the thread's array holds a copy of the
  // template, and the library's index variable says 0.
  std::uint32_t tlsBlock = 0;
  if (image.tls) {
    const PeTls& tls = *image.tls;
    const std::uint64_t templateBytes = tls.rawDataEnd - std::uint64_t{tls.rawDataStart};
    dataUsed = (dataUsed + 15) & ~15u;
    if (tls.rawDataEnd < tls.rawDataStart || dataUsed + templateBytes + tls.zeroFill > kPage) {
      error = path + ": its thread-local storage does not fit the emulated host";
      return nullptr;
    }
    if (templateBytes > 0) {
      if (tls.rawDataStart < image.base ||
          tls.rawDataEnd > std::uint64_t{image.base} + image.sizeOfImage) {
        error = path + ": its thread-local storage template lies outside the image";
        return nullptr;
      }
      std::memcpy(runtimeData.data() + dataUsed,
                  image.bytes.data() + (tls.rawDataStart - image.base), templateBytes);
    }
    tlsBlock = layout::kRuntimeData + dataUsed;
    dataUsed += static_cast<std::uint32_t>(templateBytes + tls.zeroFill);
    std::memcpy(runtimeData.data(), &tlsBlock, 4);  // the array, at the page's start
    if (tls.indexAddress != 0) {
      if (tls.indexAddress < image.base ||
          tls.indexAddress - image.base + 4ull > image.sizeOfImage) {
        error = path + ": its thread-local storage index lies outside the image";
        return nullptr;
      }
      std::memset(image.bytes.data() + (tls.indexAddress - image.base), 0, 4);
    }
  }

  // The image: mapped read-only, then each section with its own access.
  const std::uint32_t imageBytes = static_cast<std::uint32_t>(imageEnd - image.base);
  if (!m.Map(image.base, imageBytes, UC_PROT_READ, error)) return nullptr;
  uc_mem_write(m.uc, image.base, image.bytes.data(), image.bytes.size());
  for (const PeSection& section : image.sections) {
    std::uint32_t access = UC_PROT_NONE;
    if (section.readable) access |= UC_PROT_READ;
    if (section.writable) access |= UC_PROT_READ | UC_PROT_WRITE;
    if (section.executable) access |= UC_PROT_READ | UC_PROT_EXEC;
    const std::uint32_t start = image.base + section.rva;
    const std::uint64_t end =
        PageUp(std::uint64_t{start} + std::max<std::uint32_t>(section.virtualSize, 1));
    uc_mem_protect(m.uc, start, static_cast<std::size_t>(end - start), access);
  }

  // The rest of the guest: stack, heap, thread block, GDT, runtime data,
  // import stubs and the host's service stubs.
  if (!m.Map(layout::kStackBase, layout::kStackSize, UC_PROT_READ | UC_PROT_WRITE, error) ||
      !m.Map(layout::kHeapBase, layout::kHeapSize, UC_PROT_READ | UC_PROT_WRITE, error) ||
      !m.Map(layout::kGdt, 3 * kPage, UC_PROT_READ | UC_PROT_WRITE, error) ||
      !m.Map(layout::kImportStubs, layout::kImportStubsSize, UC_PROT_READ | UC_PROT_EXEC, error) ||
      !m.Map(host::kServiceStubs, kPage, UC_PROT_READ | UC_PROT_EXEC, error))
    return nullptr;
  uc_mem_write(m.uc, layout::kImportStubs, stubCode.data(), stubCode.size());
  std::vector<std::uint8_t> serviceCode(kPage, 0xF4);
  for (std::uint32_t at = 0; at + host::kServiceSlotBytes <= kPage; at += host::kServiceSlotBytes) {
    serviceCode[at] = 0xC2;  // ret 12: the services take three words
    serviceCode[at + 1] = 12;
    serviceCode[at + 2] = 0;
  }
  uc_mem_write(m.uc, host::kServiceStubs, serviceCode.data(), serviceCode.size());
  uc_mem_write(m.uc, layout::kRuntimeData, runtimeData.data(), runtimeData.size());

  // The thread block: its own address at 0x18 (the start-up code reads it),
  // the stack's bounds, the storage array, no exception handler.
  std::uint32_t block[16] = {};
  block[0x00 / 4] = 0xFFFFFFFF;
  block[0x04 / 4] = layout::kStackBase + layout::kStackSize;
  block[0x08 / 4] = layout::kStackBase;
  block[0x18 / 4] = layout::kThreadBlock;
  block[0x2C / 4] = layout::kRuntimeData;
  uc_mem_write(m.uc, layout::kThreadBlock, block, sizeof block);

  // Flat code and data segments, and FS on the thread block.
  const std::uint64_t gdt[4] = {0, Descriptor(0, 0x100000, true), Descriptor(0, 0x100000, false),
                                Descriptor(layout::kThreadBlock, 1, false)};
  uc_mem_write(m.uc, layout::kGdt, gdt, sizeof gdt);
  uc_x86_mmr gdtr{};
  gdtr.base = layout::kGdt;
  gdtr.limit = sizeof gdt - 1;
  uc_reg_write(m.uc, UC_X86_REG_GDTR, &gdtr);
  for (const auto& [reg, selector] :
       {std::pair{UC_X86_REG_SS, 2 << 3}, std::pair{UC_X86_REG_DS, 2 << 3},
        std::pair{UC_X86_REG_ES, 2 << 3}, std::pair{UC_X86_REG_GS, 2 << 3},
        std::pair{UC_X86_REG_FS, 3 << 3}}) {
    const std::uint32_t value = static_cast<std::uint32_t>(selector);
    if (uc_reg_write(m.uc, reg, &value) != UC_ERR_OK) {
      error = "cannot set up the emulator's segments";
      return nullptr;
    }
  }

  if (!m.AddHook(UC_HOOK_MEM_READ | UC_HOOK_MEM_WRITE,
                 reinterpret_cast<void*>(&Machine::OnCheckedAccess), kCheckedBegin, kCheckedEnd - 1,
                 error) ||
      !m.AddHook(UC_HOOK_MEM_INVALID, reinterpret_cast<void*>(&Machine::OnInvalidAccess), 1, 0,
                 error) ||
      !m.AddHook(UC_HOOK_CODE, reinterpret_cast<void*>(&Machine::OnImportStub),
                 layout::kImportStubs, layout::kImportStubs + layout::kImportStubsSize - 1,
                 error) ||
      !m.AddHook(UC_HOOK_CODE, reinterpret_cast<void*>(&Machine::OnServiceStub),
                 host::kServiceStubs, host::kServiceStubs + kPage - 1, error))
    return nullptr;
  if (options.countInstructions &&
      !m.AddHook(UC_HOOK_CODE, reinterpret_cast<void*>(&Machine::OnInstruction), 1, 0, error))
    return nullptr;

  dll->machine_ = std::move(machine);
  for (const PeExport& entry : image.exports)
    if (!entry.name.empty()) dll->NameAddress(image.base + entry.rva, entry.name);

  // Start-up, as the system's loader does it: the storage callbacks, then the
  // entry function, each for process attach.
  const std::vector<std::uint32_t> attach = {image.base, kProcessAttach, 0};
  if (image.tls) {
    for (std::uint32_t callback : image.tls->callbacks) {
      const GuestCall call = dll->Call(callback, attach);
      if (!call.fault.empty()) {
        error = path + ": its thread-local storage callback failed: " + call.fault;
        return nullptr;
      }
    }
  }
  if (image.entryRva != 0) {
    const GuestCall call = dll->Call(image.base + image.entryRva, attach);
    if (!call.fault.empty() || call.result == 0) {
      error = path + ": its entry function " +
              (call.fault.empty() ? std::string("refused to attach") : "failed: " + call.fault);
      return nullptr;
    }
  }
  return dll;
}

EmulatedDll::~EmulatedDll() {
  if (machine_ == nullptr || image_.entryRva == 0) return;
  const GuestCall call = Call(image_.base + image_.entryRva, {image_.base, kProcessDetach, 0});
  if (!call.fault.empty())
    std::fprintf(stderr, "%s: its entry function failed on detach: %s\n", path_.c_str(),
                 call.fault.c_str());
}

// --- Calls -----------------------------------------------------------------------

GuestCall EmulatedDll::Call(std::uint32_t address, const std::vector<std::uint32_t>& words) {
  Machine& m = *machine_;
  GuestCall call;
  m.fault.clear();
  m.instructions = 0;
  m.callTarget = address;
  if (!m.ShareHostSpace(call.fault)) return call;

  // The words, last first, then the return address; a little room above
  // them that no call may touch.
  std::uint32_t esp =
      layout::kStackBase + layout::kStackSize - 64 - 4 * static_cast<std::uint32_t>(words.size());
  const std::uint32_t argumentsAt = esp;
  if (!words.empty()) uc_mem_write(m.uc, esp, words.data(), 4 * words.size());
  esp -= 4;
  const std::uint32_t returnAddress = layout::kReturnAddress;
  uc_mem_write(m.uc, esp, &returnAddress, 4);
  m.SetRegister(UC_X86_REG_ESP, esp);
  m.SetRegister(UC_X86_REG_EBP, 0);
  m.SetRegister(UC_X86_REG_EFLAGS, 0x202);  // interrupts on, direction up
  m.SetRegister(UC_X86_REG_FPCW, kWindowsFpuControl);

  const uc_err status = uc_emu_start(m.uc, address, layout::kReturnAddress, kCallTimeout, 0);
  const std::uint32_t eip = m.Register(UC_X86_REG_EIP);
  if (m.fault.empty() && status != UC_ERR_OK)
    m.fault = std::string("the emulator stopped: ") + uc_strerror(status) + " at " + Hex(eip) +
              " (" + Describe(eip) + ")";
  if (m.fault.empty() && eip != layout::kReturnAddress)
    m.fault = "the call did not return within " + std::to_string(kCallTimeout / 1000000) +
              " s; it was at " + Hex(eip) + " (" + Describe(eip) + ")";
  call.result = m.Register(UC_X86_REG_EAX);
  call.bytesRemoved = static_cast<std::int32_t>(m.Register(UC_X86_REG_ESP) - argumentsAt);
  call.instructions = m.instructions;
  call.fault = m.fault;
  return call;
}

// --- Memory ------------------------------------------------------------------------

std::string EmulatedDll::AccessProblem(std::uint32_t address, std::uint32_t size,
                                       bool write) const {
  const std::uint64_t end = std::uint64_t{address} + size;
  const auto within = [&](std::uint64_t begin, std::uint64_t limit) {
    return address >= begin && end <= limit;
  };
  if (within(image_.base, std::uint64_t{image_.base} + image_.sizeOfImage)) {
    if (!write) return "";
    for (const PeSection& section : image_.sections) {
      const std::uint64_t start = std::uint64_t{image_.base} + section.rva;
      if (address >= start &&
          address < PageUp(start + std::max<std::uint32_t>(section.virtualSize, 1)))
        return section.writable ? "" : "in the read-only section " + section.name + " of its image";
    }
    return "in the headers of its image";
  }
  if (within(layout::kStackBase, std::uint64_t{layout::kStackBase} + layout::kStackSize)) return "";
  if (within(layout::kGdt, std::uint64_t{layout::kGdt} + 3 * kPage)) return "";
  if (address >= layout::kHeapBase &&
      address < std::uint64_t{layout::kHeapBase} + layout::kHeapSize) {
    if (heap_.IsLive(address, size)) return "";
    return heap_.WasFreed(address) ? "in a block of its heap that it freed"
                                   : "outside every live block of its heap";
  }
  const sim::AddressSpace* space = machine_ != nullptr ? machine_->shared : nullptr;
  if (space != nullptr && within(space->base(), std::uint64_t{space->base()} + space->capacity()))
    return space->IsInsideBlock(address, size) ? "" : "outside every record of the host";
  return "where it has no memory";
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

std::optional<std::string> EmulatedDll::TakeText(std::uint32_t address, std::string& fault) {
  if (address == 0) return std::nullopt;
  const std::uint32_t size = heap_.BlockSize(address);
  if (size == 0) {
    fault = "the text at " + Hex(address) + " is no block of the library's heap";
    return std::nullopt;
  }
  std::string text(size, '\0');
  Read(address, text.data(), size);
  const std::size_t length = text.find('\0');
  if (length == std::string::npos) {
    fault = "the text at " + Hex(address) + " has no end inside its block";
    return std::nullopt;
  }
  text.resize(length);
  heap_.Free(address);  // the host releases the text on the library's heap
  return text;
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

std::string EmulatedDll::Describe(std::uint32_t address) const {
  if (address >= layout::kImportStubs && address < layout::kImportStubs + layout::kImportStubsSize)
    return "in the emulated host's import stubs";
  if (!InsideImage(address)) return "outside the library's image";
  auto it = names_.upper_bound(address);
  if (it == names_.begin()) return "in the library, before its first export";
  --it;
  char offset[16];
  std::snprintf(offset, sizeof offset, "+0x%X", static_cast<unsigned>(address - it->first));
  return it->second + offset;
}

}  // namespace tier::emulator
