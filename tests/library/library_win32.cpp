// The library under test in the Win32 build: Tier.vdx loaded by the system,
// as the host program loads it; calls measured on the machine's own stack,
// resources read through the system's functions.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "hostlink/plugin_module.h"
#include "tests/library/library_under_test.h"

// CallWords(function, words, count, &espDelta), caller-cleans itself: records
// ESP before pushing the words, pushes them last to first, calls, and stores
// ESP after the call minus ESP before the pushes (0 when the callee removed
// every word). ESP is restored from the saved value whatever the callee did.
extern "C" std::uint32_t CallWords(std::uint32_t function, const std::uint32_t* words,
                                   std::uint32_t count, std::int32_t* espDelta);

asm(R"(
    .text
    .globl _CallWords
_CallWords:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    movl %esp, %edi
1:  testl %ecx, %ecx
    jz 2f
    pushl -4(%esi,%ecx,4)
    decl %ecx
    jmp 1b
2:  call *8(%ebp)
    movl %esp, %ecx
    subl %edi, %ecx
    movl 20(%ebp), %edx
    movl %ecx, (%edx)
    movl %edi, %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

namespace tier::test {
namespace {

HMODULE Library() {
  static const HMODULE library = [] {
    // Loaded as the host program loads it, and kept loaded.
    static const std::unique_ptr<hostlink::PluginModule> module = hostlink::LoadTierModule();
    const HMODULE loaded = GetModuleHandleA("Tier.vdx");
    if (!module->ok() || loaded == nullptr) {
      std::fprintf(stderr, "cannot load Tier.vdx: %s\n", module->error().c_str());
      std::abort();
    }
    return loaded;
  }();
  return library;
}

std::uint32_t AddressOf(const void* pointer) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

}  // namespace

std::uint32_t ExportByName(const char* name) {
  return AddressOf(reinterpret_cast<const void*>(GetProcAddress(Library(), name)));
}

std::uint32_t ExportByOrdinal(std::uint16_t ordinal) {
  return AddressOf(
      reinterpret_cast<const void*>(GetProcAddress(Library(), MAKEINTRESOURCEA(ordinal))));
}

bool InsideLibrary(std::uint32_t address) {
  const auto* image = reinterpret_cast<const BYTE*>(Library());
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image + dos->e_lfanew);
  return address >= AddressOf(image) && address - AddressOf(image) < nt->OptionalHeader.SizeOfImage;
}

std::vector<std::string> ExportNames() {
  const auto* image = reinterpret_cast<const BYTE*>(Library());
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  std::vector<std::string> names;
  if (directory.VirtualAddress == 0) return names;
  const auto* exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(image + directory.VirtualAddress);
  const auto* nameRvas = reinterpret_cast<const DWORD*>(image + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i)
    names.emplace_back(reinterpret_cast<const char*>(image + nameRvas[i]));
  return names;
}

std::uint32_t LibraryWord(std::uint32_t address) {
  std::uint32_t word;
  std::memcpy(&word, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address)), 4);
  return word;
}

MeasuredCall CallAndMeasure(std::uint32_t function, const std::vector<std::uint32_t>& words) {
  std::int32_t delta = 0;
  const std::uint32_t count = static_cast<std::uint32_t>(words.size());
  const std::uint32_t result = CallWords(function, words.data(), count, &delta);
  return {result, static_cast<std::int32_t>(4 * count) + delta};
}

void ReleaseText(std::uint32_t text) {
  std::free(reinterpret_cast<void*>(static_cast<std::uintptr_t>(text)));  // msvcrt's heap
}

std::string LibraryString(unsigned id) {
  char buffer[4096];
  const int length = LoadStringA(Library(), id, buffer, sizeof buffer);
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

// Strings live in blocks of sixteen, resource id = id / 16 + 1, and an absent
// string has length 0.
bool StringExists(unsigned id, std::uint16_t language) {
  HRSRC block = FindResourceExA(Library(), reinterpret_cast<LPCSTR>(RT_STRING),
                                MAKEINTRESOURCEA(id / 16 + 1), language);
  if (block == nullptr) return false;
  const auto* words = static_cast<const WORD*>(LockResource(LoadResource(Library(), block)));
  for (unsigned i = 0; i < id % 16; ++i) words += 1 + words[0];
  return words[0] != 0;
}

LibraryVersion VersionOfLibrary() {
  LibraryVersion version;
  char path[MAX_PATH];
  if (GetModuleFileNameA(Library(), path, MAX_PATH) == 0) return version;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  std::vector<BYTE> block(size);
  if (size == 0 || !GetFileVersionInfoA(path, 0, size, block.data())) return version;
  const auto query = [&block](const std::string& key, UINT* length) -> const void* {
    void* value = nullptr;
    *length = 0;
    return VerQueryValueA(block.data(), key.c_str(), &value, length) ? value : nullptr;
  };
  UINT length = 0;
  if (const auto* fixed = static_cast<const DWORD*>(query("\\", &length)))
    version.fixed.assign(fixed, fixed + length / 4);
  if (const auto* words = static_cast<const WORD*>(query("\\VarFileInfo\\Translation", &length)))
    for (UINT i = 0; i + 1 < length / 2; i += 2)
      version.translations.push_back(words[i] | static_cast<std::uint32_t>(words[i + 1]) << 16);
  for (const char* name : {"FileVersion", "ProductVersion", "FileDescription", "InternalName",
                           "OriginalFilename", "CompanyName", "LegalCopyright", "Comments",
                           "LegalTrademarks", "PrivateBuild", "ProductName", "SpecialBuild"}) {
    const auto* value = static_cast<const char*>(
        query(std::string("\\StringFileInfo\\040904E4\\") + name, &length));
    if (value != nullptr) version.strings[name] = std::string(value, strnlen(value, length));
  }
  return version;
}

std::optional<std::vector<std::uint8_t>> RawData(unsigned id, std::uint16_t language) {
  HRSRC found = FindResourceExA(Library(), reinterpret_cast<LPCSTR>(RT_RCDATA),
                                MAKEINTRESOURCEA(id), language);
  if (found == nullptr) return std::nullopt;
  const auto* bytes =
      static_cast<const std::uint8_t*>(LockResource(LoadResource(Library(), found)));
  if (bytes == nullptr) return std::nullopt;
  return std::vector<std::uint8_t>(bytes, bytes + SizeofResource(Library(), found));
}

}  // namespace tier::test
