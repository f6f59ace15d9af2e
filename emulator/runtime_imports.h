// The functions an emulated library may import, each declared on one line
// with its calling convention and argument words: the module start-up's
// KERNEL32 functions, and the C runtime's heap, start-up, memory and string
// functions from msvcrt. An embedder adds its own (Embedding::imports); an
// import that neither provides makes the load fail with its name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tier::emulator {

class EmulatedDll;

// One call of an import or a call gate, as its native answer sees it.
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

using ImportFunction = std::function<std::uint32_t(ImportCall& call)>;

// stdcall: the callee removes its argument words; cdecl: the caller does.
enum class Convention : std::uint8_t { kStdcall, kCdecl };

struct Import {
  std::string dll;   // compared without regard to case
  std::string name;  // empty for an import by ordinal
  std::uint16_t ordinal = 0;
  Convention convention = Convention::kCdecl;
  int argumentWords = 0;
  ImportFunction function;  // empty for data or guest code
  // A data import: the bytes of guest memory its IAT slot points at.
  std::uint32_t dataBytes = 0;
  // Guest code to run instead of a native answer (a function that calls back
  // into the library, as _initterm does).
  std::vector<std::uint8_t> guestCode;

  // What the stub's return removes from the stack.
  std::uint32_t BytesTheCalleeRemoves() const {
    return convention == Convention::kStdcall ? 4u * static_cast<std::uint32_t>(argumentWords) : 0;
  }
};

// One line of a declaration each, as a .spec file of a system library reads.
Import Stdcall(std::string dll, std::string name, int words, ImportFunction function);
Import StdcallOrdinal(std::string dll, std::uint16_t ordinal, int words, ImportFunction function);
Import Cdecl(std::string dll, std::string name, ImportFunction function);
Import DataImport(std::string dll, std::string name, std::uint32_t bytes);
Import GuestCode(std::string dll, std::string name, std::vector<std::uint8_t> code);

// The import of `dll` by `name` (or by `ordinal` when `name` is empty) among
// `imports`; null when none matches.
const Import* FindImport(const std::vector<Import>& imports, const std::string& dll,
                         const std::string& name, std::uint16_t ordinal);

// Every import the emulator provides by itself.
const std::vector<Import>& RuntimeImports();

}  // namespace tier::emulator
