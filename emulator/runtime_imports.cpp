#include "emulator/runtime_imports.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "emulator/emulated_dll.h"
#include "support/hex.h"

namespace tier::emulator {

// --- ImportCall ------------------------------------------------------------------

std::uint32_t ImportCall::Argument(int i) const {
  std::uint32_t word = 0;
  // The return address sits at ESP; the arguments follow it.
  dll_.Read(esp_ + 4 + 4 * static_cast<std::uint32_t>(i), &word, 4);
  return word;
}

void ImportCall::Fail(const std::string& message) {
  if (fault_.empty()) {
    std::uint32_t returnAddress = 0;
    dll_.Read(esp_, &returnAddress, 4);
    fault_ = dll_.path() + ": " + message + ", called from " + dll_.Describe(returnAddress);
  }
}

// A native answer touches guest memory by the library's own rules: what it
// may not touch stops the call as the library's own access would.
bool ImportCall::Access(std::uint32_t address, std::uint32_t size, bool write, const char* what,
                        const std::function<bool()>& transfer) {
  if (size == 0) return true;
  const std::string problem = dll_.AccessProblem(address, size, write);
  if (problem.empty() && transfer()) return true;
  Fail(std::string(what) + (write ? " wrote " : " read ") + std::to_string(size) + " bytes at " +
       (problem.empty() ? HexAddress(address) + " where nothing is mapped" : problem));
  return false;
}

bool ImportCall::Read(std::uint32_t address, void* bytes, std::uint32_t size, const char* what) {
  return Access(address, size, false, what, [&] { return dll_.Read(address, bytes, size); });
}

bool ImportCall::Write(std::uint32_t address, const void* bytes, std::uint32_t size,
                       const char* what) {
  return Access(address, size, true, what, [&] { return dll_.Write(address, bytes, size); });
}

bool ImportCall::ReadText(std::uint32_t address, std::string& text, const char* what,
                          std::uint32_t limit) {
  text.clear();
  for (std::uint32_t i = 0; i < limit; ++i) {
    char c = 0;
    if (!Read(address + i, &c, 1, what)) return false;
    if (c == '\0') return true;
    text += c;
  }
  Fail(std::string(what) + " found no end of the text at its limit");
  return false;
}

namespace {

// --- KERNEL32: what the module start-up of the C runtime asks of the system --------

std::uint32_t ReturnZero(ImportCall&) { return 0; }
std::uint32_t ReturnOne(ImportCall&) { return 1; }

// VirtualQuery(address, MEMORY_BASIC_INFORMATION*, length): one page, committed,
// with the access the library's rules give it.
std::uint32_t VirtualQuery(ImportCall& call) {
  const std::uint32_t address = call.Argument(0) & ~0xFFFu;
  const std::uint32_t length = call.Argument(2);
  if (length < 28) return 0;
  const bool readable = call.dll().AccessProblem(address, 1, false).empty();
  const bool writable = call.dll().AccessProblem(address, 1, true).empty();
  const bool inImage = call.dll().InsideImage(address);
  const std::uint32_t protect = !readable ? 0x01 : writable ? 0x04 : 0x02;
  const std::uint32_t info[7] = {address,
                                 inImage ? call.dll().image().base : address,
                                 protect,
                                 0x1000,
                                 readable ? 0x1000u : 0x10000u,
                                 protect,
                                 inImage ? 0x1000000u : 0x20000u};
  return call.Write(call.Argument(1), info, sizeof info, "VirtualQuery") ? 28 : 0;
}

// VirtualProtect(address, size, new, &old): the old access is reported as
// read-write; the emulated host keeps its own access rules.
std::uint32_t VirtualProtect(ImportCall& call) {
  const std::uint32_t old = 0x04;
  return call.Write(call.Argument(3), &old, 4, "VirtualProtect") ? 1 : 0;
}

// --- msvcrt: heap ------------------------------------------------------------------

std::uint32_t Malloc(ImportCall& call) { return call.dll().heap().Allocate(call.Argument(0)); }

std::uint32_t Calloc(ImportCall& call) {
  const std::uint64_t bytes = std::uint64_t{call.Argument(0)} * call.Argument(1);
  if (bytes > 0xFFFFFFFFu) return 0;
  const std::uint32_t block = call.dll().heap().Allocate(static_cast<std::uint32_t>(bytes));
  if (block != 0) {
    const std::vector<std::uint8_t> zeros(static_cast<std::size_t>(bytes), 0);
    call.dll().Write(block, zeros.data(), static_cast<std::uint32_t>(bytes));
  }
  return block;
}

std::uint32_t Free(ImportCall& call) {
  const std::uint32_t block = call.Argument(0);
  if (!call.dll().heap().Free(block)) {
    call.Fail("free of " + HexAddress(block) + ", which is no live block of the heap");
  }
  return 0;
}

std::uint32_t Realloc(ImportCall& call) {
  const std::uint32_t old = call.Argument(0), size = call.Argument(1);
  GuestHeap& heap = call.dll().heap();
  if (old == 0) return heap.Allocate(size);
  const std::uint32_t oldSize = heap.BlockSize(old);
  if (oldSize == 0) {
    call.Fail("realloc of a pointer that is no live block of the heap");
    return 0;
  }
  if (size == 0) {
    heap.Free(old);
    return 0;
  }
  const std::uint32_t block = heap.Allocate(size);
  if (block == 0) return 0;  // the old block stays
  std::vector<std::uint8_t> bytes(std::min(oldSize, size));
  call.dll().Read(old, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  call.dll().Write(block, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  heap.Free(old);
  return block;
}

// --- msvcrt: start-up and failure ---------------------------------------------------

std::uint32_t Abort(ImportCall& call) {
  call.Fail("abort was called");
  return 0;
}

std::uint32_t AmsgExit(ImportCall& call) {
  call.Fail("the C runtime gave up (_amsg_exit " + std::to_string(call.Argument(0)) + ")");
  return 0;
}

// Output of the runtime goes to the process's standard error.
std::uint32_t Fwrite(ImportCall& call) {
  const std::uint64_t bytes = std::uint64_t{call.Argument(1)} * call.Argument(2);
  if (bytes > (1u << 20)) return 0;
  std::string text(static_cast<std::size_t>(bytes), '\0');
  if (!call.Read(call.Argument(0), text.data(), static_cast<std::uint32_t>(bytes), "fwrite"))
    return 0;
  std::fwrite(text.data(), 1, text.size(), stderr);
  return call.Argument(2);
}

// vfprintf(stream, format, arguments): the conversions a runtime's message
// uses (%s %d %i %u %x %X %p %c %%), with flags and widths passed through.
std::uint32_t Vfprintf(ImportCall& call) {
  std::string format, out;
  if (!call.ReadText(call.Argument(1), format, "vfprintf")) return 0;
  std::uint32_t next = call.Argument(2);
  const auto word = [&] {
    std::uint32_t value = 0;
    call.Read(next, &value, 4, "vfprintf");
    next += 4;
    return value;
  };
  for (std::size_t i = 0; i < format.size() && !call.failed(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    std::size_t end = i + 1;
    while (end < format.size() && std::strchr("-+ #0123456789.l", format[end]) != nullptr) ++end;
    if (end >= format.size()) break;
    std::string spec = format.substr(i, end - i);
    spec.erase(std::remove(spec.begin(), spec.end(), 'l'), spec.end());
    const char conversion = format[end];
    char piece[64] = "";
    switch (conversion) {
      case 's': {
        std::string text;
        if (call.ReadText(word(), text, "vfprintf", 4096)) out += text;
        break;
      }
      case 'd':
      case 'i':
        std::snprintf(piece, sizeof piece, (spec + "d").c_str(), static_cast<int>(word()));
        break;
      case 'u':
      case 'x':
      case 'X':
      case 'c':
        std::snprintf(piece, sizeof piece, (spec + conversion).c_str(), word());
        break;
      case 'p':
        std::snprintf(piece, sizeof piece, "%08X", static_cast<unsigned>(word()));
        break;
      default:
        piece[0] = conversion;
        piece[1] = '\0';
        break;
    }
    out += piece;
    i = end;
  }
  std::fwrite(out.data(), 1, out.size(), stderr);
  return static_cast<std::uint32_t>(out.size());
}

// --- msvcrt: memory and strings ------------------------------------------------------

std::uint32_t Memmove(ImportCall& call) {
  const std::uint32_t target = call.Argument(0), size = call.Argument(2);
  std::vector<std::uint8_t> bytes(size);
  if (call.Read(call.Argument(1), bytes.data(), size, "memmove"))
    call.Write(target, bytes.data(), size, "memmove");
  return target;
}

std::uint32_t Memset(ImportCall& call) {
  const std::uint32_t target = call.Argument(0), size = call.Argument(2);
  const std::vector<std::uint8_t> bytes(size, static_cast<std::uint8_t>(call.Argument(1)));
  call.Write(target, bytes.data(), size, "memset");
  return target;
}

std::uint32_t Memcmp(ImportCall& call) {
  const std::uint32_t size = call.Argument(2);
  std::vector<std::uint8_t> a(size), b(size);
  if (!call.Read(call.Argument(0), a.data(), size, "memcmp") ||
      !call.Read(call.Argument(1), b.data(), size, "memcmp"))
    return 0;
  return static_cast<std::uint32_t>(size == 0 ? 0 : std::memcmp(a.data(), b.data(), size));
}

std::uint32_t Memchr(ImportCall& call) {
  const std::uint32_t start = call.Argument(0), size = call.Argument(2);
  const auto wanted = static_cast<std::uint8_t>(call.Argument(1));
  for (std::uint32_t i = 0; i < size; ++i) {
    std::uint8_t byte = 0;
    if (!call.Read(start + i, &byte, 1, "memchr")) return 0;
    if (byte == wanted) return start + i;
  }
  return 0;
}

std::uint32_t Strlen(ImportCall& call) {
  std::string text;
  return call.ReadText(call.Argument(0), text, "strlen") ? static_cast<std::uint32_t>(text.size())
                                                         : 0;
}

// Reads at most `limit` bytes of a text, stopping after its terminator.
bool ReadUpTo(ImportCall& call, std::uint32_t address, std::uint32_t limit, std::string& text,
              const char* what) {
  text.clear();
  for (std::uint32_t i = 0; i < limit; ++i) {
    char c = 0;
    if (!call.Read(address + i, &c, 1, what)) return false;
    text += c;
    if (c == '\0') break;
  }
  return true;
}

int Compare(const std::string& a, const std::string& b, bool ignoreCase) {
  for (std::size_t i = 0;; ++i) {
    int x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    int y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    if (ignoreCase) {
      x = std::tolower(x);
      y = std::tolower(y);
    }
    if (x != y || x == 0) return x - y;
  }
}

std::uint32_t CompareTexts(ImportCall& call, std::uint32_t limit, bool ignoreCase,
                           const char* what) {
  std::string a, b;
  if (!ReadUpTo(call, call.Argument(0), limit, a, what) ||
      !ReadUpTo(call, call.Argument(1), limit, b, what))
    return 0;
  return static_cast<std::uint32_t>(Compare(a, b, ignoreCase));
}

std::uint32_t Strcmp(ImportCall& call) { return CompareTexts(call, 1u << 20, false, "strcmp"); }
std::uint32_t Strncmp(ImportCall& call) {
  return CompareTexts(call, call.Argument(2), false, "strncmp");
}
std::uint32_t Stricmp(ImportCall& call) { return CompareTexts(call, 1u << 20, true, "_stricmp"); }
std::uint32_t Strnicmp(ImportCall& call) {
  return CompareTexts(call, call.Argument(2), true, "_strnicmp");
}

std::uint32_t Strcpy(ImportCall& call) {
  std::string text;
  if (call.ReadText(call.Argument(1), text, "strcpy"))
    call.Write(call.Argument(0), text.c_str(), static_cast<std::uint32_t>(text.size() + 1),
               "strcpy");
  return call.Argument(0);
}

// strncpy: the text, then zeros up to the count.
std::uint32_t Strncpy(ImportCall& call) {
  std::string text;
  const std::uint32_t count = call.Argument(2);
  if (ReadUpTo(call, call.Argument(1), count, text, "strncpy")) {
    text.resize(count, '\0');
    call.Write(call.Argument(0), text.data(), count, "strncpy");
  }
  return call.Argument(0);
}

std::uint32_t Strcat(ImportCall& call) {
  std::string head, tail;
  if (call.ReadText(call.Argument(0), head, "strcat") &&
      call.ReadText(call.Argument(1), tail, "strcat"))
    call.Write(call.Argument(0) + static_cast<std::uint32_t>(head.size()), tail.c_str(),
               static_cast<std::uint32_t>(tail.size() + 1), "strcat");
  return call.Argument(0);
}

std::uint32_t FindInText(ImportCall& call, bool last, const char* what) {
  std::string text;
  if (!call.ReadText(call.Argument(0), text, what)) return 0;
  const char wanted = static_cast<char>(call.Argument(1));
  const std::size_t at = wanted == '\0' ? text.size()
                         : last         ? text.rfind(wanted)
                                        : text.find(wanted);
  return at == std::string::npos ? 0 : call.Argument(0) + static_cast<std::uint32_t>(at);
}
std::uint32_t Strchr(ImportCall& call) { return FindInText(call, false, "strchr"); }
std::uint32_t Strrchr(ImportCall& call) { return FindInText(call, true, "strrchr"); }

std::uint32_t Strstr(ImportCall& call) {
  std::string text, part;
  if (!call.ReadText(call.Argument(0), text, "strstr") ||
      !call.ReadText(call.Argument(1), part, "strstr"))
    return 0;
  const std::size_t at = text.find(part);
  return at == std::string::npos ? 0 : call.Argument(0) + static_cast<std::uint32_t>(at);
}

std::uint32_t Tolower(ImportCall& call) {
  return static_cast<std::uint32_t>(std::tolower(static_cast<int>(call.Argument(0))));
}
std::uint32_t Toupper(ImportCall& call) {
  return static_cast<std::uint32_t>(std::toupper(static_cast<int>(call.Argument(0))));
}

// _initterm(begin, end) calls each function of a table of the library's own,
// so it runs as guest code:
//   push esi; push edi; mov esi,[esp+12]; mov edi,[esp+16]
//   next: cmp esi,edi; jae done; mov eax,[esi]; test eax,eax; jz skip; call eax
//   skip: add esi,4; jmp next
//   done: pop edi; pop esi; ret
const std::vector<std::uint8_t> kInitTermCode = {
    0x56, 0x57, 0x8B, 0x74, 0x24, 0x0C, 0x8B, 0x7C, 0x24, 0x10, 0x39, 0xFE, 0x73, 0x0D, 0x8B,
    0x06, 0x85, 0xC0, 0x74, 0x02, 0xFF, 0xD0, 0x83, 0xC6, 0x04, 0xEB, 0xEF, 0x5F, 0x5E, 0xC3};

}  // namespace

Import Stdcall(std::string dll, std::string name, int words, ImportFunction function) {
  return {std::move(dll), std::move(name),     0, Convention::kStdcall,
          words,          std::move(function), 0, {}};
}
Import StdcallOrdinal(std::string dll, std::uint16_t ordinal, int words, ImportFunction function) {
  return {std::move(dll), "", ordinal, Convention::kStdcall, words, std::move(function), 0, {}};
}
Import Cdecl(std::string dll, std::string name, ImportFunction function) {
  return {std::move(dll), std::move(name), 0, Convention::kCdecl, 0, std::move(function), 0, {}};
}
Import DataImport(std::string dll, std::string name, std::uint32_t bytes) {
  return {std::move(dll), std::move(name), 0, Convention::kCdecl, 0, nullptr, bytes, {}};
}
Import GuestCode(std::string dll, std::string name, std::vector<std::uint8_t> code) {
  return {std::move(dll), std::move(name), 0, Convention::kCdecl, 0, nullptr, 0, std::move(code)};
}

const std::vector<Import>& RuntimeImports() {
  static const std::string k = "KERNEL32.dll", c = "msvcrt.dll";
  static const std::vector<Import> imports = {
      Stdcall(k, "DeleteCriticalSection", 1, &ReturnZero),
      Stdcall(k, "EnterCriticalSection", 1, &ReturnZero),
      Stdcall(k, "InitializeCriticalSection", 1, &ReturnZero),
      Stdcall(k, "LeaveCriticalSection", 1, &ReturnZero),
      Stdcall(k, "FreeLibrary", 1, &ReturnOne),
      Stdcall(k, "GetLastError", 0, &ReturnZero),
      Stdcall(k, "GetModuleHandleA", 1, &ReturnZero),  // no other module is loaded
      Stdcall(k, "GetProcAddress", 2, &ReturnZero),
      Stdcall(k, "LoadLibraryA", 1, &ReturnZero),
      Stdcall(k, "Sleep", 1, &ReturnZero),
      Stdcall(k, "TlsGetValue", 1, &ReturnZero),
      Stdcall(k, "VirtualProtect", 4, &VirtualProtect),
      Stdcall(k, "VirtualQuery", 3, &VirtualQuery),

      GuestCode(c, "_initterm", kInitTermCode),
      DataImport(c, "_iob", 3 * 32),  // stdin, stdout, stderr
      Cdecl(c, "_amsg_exit", &AmsgExit),
      Cdecl(c, "_lock", &ReturnZero),
      Cdecl(c, "_unlock", &ReturnZero),
      Cdecl(c, "abort", &Abort),
      Cdecl(c, "malloc", &Malloc),
      Cdecl(c, "calloc", &Calloc),
      Cdecl(c, "realloc", &Realloc),
      Cdecl(c, "free", &Free),
      Cdecl(c, "fwrite", &Fwrite),
      Cdecl(c, "vfprintf", &Vfprintf),
      Cdecl(c, "memcpy", &Memmove),
      Cdecl(c, "memmove", &Memmove),
      Cdecl(c, "memset", &Memset),
      Cdecl(c, "memcmp", &Memcmp),
      Cdecl(c, "memchr", &Memchr),
      Cdecl(c, "strlen", &Strlen),
      Cdecl(c, "strcmp", &Strcmp),
      Cdecl(c, "strncmp", &Strncmp),
      Cdecl(c, "_stricmp", &Stricmp),
      Cdecl(c, "_strnicmp", &Strnicmp),
      Cdecl(c, "strcpy", &Strcpy),
      Cdecl(c, "strncpy", &Strncpy),
      Cdecl(c, "strcat", &Strcat),
      Cdecl(c, "strchr", &Strchr),
      Cdecl(c, "strrchr", &Strrchr),
      Cdecl(c, "strstr", &Strstr),
      Cdecl(c, "tolower", &Tolower),
      Cdecl(c, "toupper", &Toupper),
  };
  return imports;
}

const Import* FindImport(const std::vector<Import>& imports, const std::string& dll,
                         const std::string& name, std::uint16_t ordinal) {
  for (const Import& import : imports) {
    if (strcasecmp(import.dll.c_str(), dll.c_str()) != 0) continue;
    if (name.empty() ? import.name.empty() && import.ordinal == ordinal : name == import.name)
      return &import;
  }
  return nullptr;
}

}  // namespace tier::emulator
