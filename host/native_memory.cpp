#include "host/native_memory.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tier::host {
namespace {

const HostMemory* g_memory = nullptr;  // the view in effect: the last of g_views
std::vector<const HostMemory*> g_views;
bool g_checked = true;

const RecordMap::value_type* RecordHolding(HostAddress address, std::size_t size) {
  return host::RecordHolding(*g_memory->records, address, size);
}

void* Bytes(HostAddress address, std::size_t size) {
  if (address < g_memory->base ||
      std::uint64_t{address} + size > std::uint64_t{g_memory->base} + g_memory->used)
    FailAccess("address outside the address space", address, size);
  return g_memory->bytes + (address - g_memory->base);
}

}  // namespace

void FailAccess(const char* what, HostAddress address, std::size_t size) {
  std::fprintf(stderr,
               "\n*** host memory access outside the host's records: %s at address 0x%08X, "
               "%zu bytes ***\n",
               what, static_cast<unsigned>(address), size);
  std::fflush(stderr);
  std::abort();
}

void EnterView(const HostMemory* memory) {
  g_views.push_back(memory);
  g_memory = memory;
}

void LeaveView(const HostMemory* memory) {
  const auto it = std::find(g_views.rbegin(), g_views.rend(), memory);
  if (it != g_views.rend()) g_views.erase(std::next(it).base());
  g_memory = g_views.empty() ? nullptr : g_views.back();
}

const HostMemory* ResolvingAgainst() { return g_memory; }
void CheckAccesses(bool checked) { g_checked = checked; }

void* ResolveAddress(HostAddress address, std::size_t size) {
  if (g_memory == nullptr) FailAccess("no host address space is active", address, size);
  if (g_checked && RecordHolding(address, size) == nullptr)
    FailAccess("access not inside one host record", address, size);
  return Bytes(address, size);
}

HostAddress AddressOf(const void* pointer) {
  if (g_memory == nullptr) FailAccess("no host address space is active", 0, 0);
  const auto* bytes = static_cast<const std::uint8_t*>(pointer);
  if (bytes < g_memory->bytes || bytes >= g_memory->bytes + g_memory->capacity)
    FailAccess("pointer outside the address space", 0, 0);
  return g_memory->base + static_cast<HostAddress>(bytes - g_memory->bytes);
}

const char* ResolveString(HostAddress address) {
  if (g_memory == nullptr) FailAccess("no host address space is active", address, 1);
  const auto* record = RecordHolding(address, 1);
  if (record == nullptr) FailAccess("text not inside a host record", address, 1);
  const std::uint64_t end = std::uint64_t{record->first} + record->second;
  const char* text = static_cast<const char*>(Bytes(address, 1));
  if (std::memchr(text, '\0', static_cast<std::size_t>(end - address)) == nullptr)
    FailAccess("text runs past the end of its host record", address, end - address);
  return text;
}

}  // namespace tier::host
