// The product build's side of the host services: real __stdcall function
// pointers in the run header. RefreshNode, imported from the host's runtime
// library by ordinal, is called inline (host/services.h).
#include <cstdlib>

#include "host/services.h"

namespace tier::host {

std::uint32_t GetNextParameter(const RunData& runData) {
  const auto service = reinterpret_cast<ServiceFunction>(
      static_cast<std::uintptr_t>(RunHeaderOf(runData)->getNextParameter.word));
  return service(AddressOf(&runData), 0xFFFF, 0);
}

std::uint32_t GetExpressionParameter(const RunData& runData, std::int32_t kind,
                                     std::int32_t token) {
  const auto service = reinterpret_cast<ServiceFunction>(
      static_cast<std::uintptr_t>(RunHeaderOf(runData)->getExpressionParameter.word));
  return service(AddressOf(&runData), static_cast<std::uint32_t>(kind),
                 static_cast<std::uint32_t>(token));
}

char* AllocateHostText(std::size_t size) { return static_cast<char*>(std::malloc(size)); }

HostAddress StaticAddress(const void* table) { return AddressOf(table); }

}  // namespace tier::host
