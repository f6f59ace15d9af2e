#include "host/native_memory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tier::host {
namespace {

const HostMemory& Memory(HostAddress address, std::size_t size) {
  const HostMemory* memory = HostMemoryInEffect();
  if (memory == nullptr) FailAccess("no host address space is active", address, size);
  return *memory;
}

void* Bytes(const HostMemory& memory, HostAddress address, std::size_t size) {
  if (address < memory.base ||
      std::uint64_t{address} + size > std::uint64_t{memory.base} + memory.used)
    FailAccess("address outside the address space", address, size);
  return memory.bytes + (address - memory.base);
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

void* ResolveAddress(HostAddress address, std::size_t size) {
  const HostMemory& memory = Memory(address, size);
  if (memory.checked && RecordHolding(*memory.records, address, size) == nullptr)
    FailAccess("access not inside one host record", address, size);
  return Bytes(memory, address, size);
}

HostAddress AddressOf(const void* pointer) {
  const HostMemory& memory = Memory(0, 0);
  const auto* bytes = static_cast<const std::uint8_t*>(pointer);
  if (bytes < memory.bytes || bytes >= memory.bytes + memory.capacity)
    FailAccess("pointer outside the address space", 0, 0);
  return memory.base + static_cast<HostAddress>(bytes - memory.bytes);
}

const char* ResolveString(HostAddress address) {
  const HostMemory& memory = Memory(address, 1);
  const auto* record = RecordHolding(*memory.records, address, 1);
  if (record == nullptr) FailAccess("text not inside a host record", address, 1);
  const std::uint64_t end = std::uint64_t{record->start} + record->size;
  const char* text = static_cast<const char*>(Bytes(memory, address, 1));
  if (std::memchr(text, '\0', static_cast<std::size_t>(end - address)) == nullptr)
    FailAccess("text runs past the end of its host record", address, end - address);
  return text;
}

}  // namespace tier::host
