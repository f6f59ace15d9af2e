// The functions an emulated library may import, answered natively: the
// module start-up's KERNEL32 functions, the C runtime's heap, start-up and
// common memory and string functions from msvcrt, and the host's runtime
// library (RefreshNode, ordinal 108 of VELDRUN.dll). Whatever is not listed
// here makes the load fail with the import's name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tier::emulator {

class EmulatedDll;

// One call of an import, as its native answer sees it.
class ImportCall {
 public:
  ImportCall(EmulatedDll& dll, std::uint32_t esp, std::string& fault)
      : dll_(dll), esp_(esp), fault_(fault) {}

  // Argument `i` (0: the first), a 32-bit word on the guest's stack.
  std::uint32_t Argument(int i) const;
  EmulatedDll& dll() { return dll_; }
  // Guest memory through the library's own access rules; false (and a
  // fault) when the bytes are not the library's to read or write.
  bool Read(std::uint32_t address, void* bytes, std::uint32_t size, const char* what);
  bool Write(std::uint32_t address, const void* bytes, std::uint32_t size, const char* what);
  // A zero-terminated text of at most `limit` bytes; false with a fault when
  // it runs out of readable memory first.
  bool ReadText(std::uint32_t address, std::string& text, const char* what,
                std::uint32_t limit = 1u << 20);
  // Stops the call with this message.
  void Fail(const std::string& message);
  bool failed() const { return !fault_.empty(); }

 private:
  bool Access(std::uint32_t address, std::uint32_t size, bool write, const char* what,
              const std::function<bool()>& transfer);

  EmulatedDll& dll_;
  std::uint32_t esp_;
  std::string& fault_;
};

using ImportFunction = std::uint32_t (*)(ImportCall& call);

struct RuntimeImport {
  const char* dll;   // compared without regard to case
  const char* name;  // null for an import by ordinal
  std::uint16_t ordinal;
  // Bytes of arguments the function removes itself (the host's and the
  // system's convention); -1 for the C runtime's, where the caller does.
  int argumentBytes;
  ImportFunction function;  // null for a data import
  // A data import: the bytes of guest memory its slot points at.
  std::uint32_t dataBytes;
  // Guest code to run instead of a native answer (a function that calls back
  // into the library, as _initterm does); empty for a native one.
  std::vector<std::uint8_t> guestCode;
};

// The import of `dll` by `name` (or by `ordinal` when `name` is empty); null
// when the emulated host does not provide it.
const RuntimeImport* FindRuntimeImport(const std::string& dll, const std::string& name,
                                       std::uint16_t ordinal);

// Every import provided, for listings and tests.
const std::vector<RuntimeImport>& RuntimeImports();

}  // namespace tier::emulator
