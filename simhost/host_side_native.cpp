// The host services natively: the plug-in's calls reach the simulated host's
// functions through handles, RefreshNode through an installed hook.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "simhost/host_side.h"
#include "simhost/test_hooks.h"

namespace tier::host {
namespace {

// Handles are index + 1, so that 0 stays "no service".
std::vector<ServiceFunction>& Services() {
  static std::vector<ServiceFunction> services;
  return services;
}

// Static tables get addresses in a range the address space never uses.
constexpr HostAddress kStaticBase = 0xFFF00000;
std::vector<const void*>& Statics() {
  static std::vector<const void*> statics;
  return statics;
}

RefreshHandler g_refresh = nullptr;
int g_text_countdown = -1;

[[noreturn]] void Fail(const char* what, std::uint32_t word) {
  std::fprintf(stderr, "\n*** %s (0x%08X) ***\n", what, static_cast<unsigned>(word));
  std::fflush(stderr);
  std::abort();
}

std::uint32_t Call(ServiceRef service, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  if (service.word == 0 || service.word > Services().size())
    Fail("call of a host service that the host does not offer", service.word);
  return Services()[service.word - 1](a, b, c);
}

}  // namespace

std::uint32_t GetNextParameter(const RunData& runData) {
  return Call(RunHeaderOf(runData)->getNextParameter, AddressOf(&runData), 0xFFFF, 0);
}

std::uint32_t GetExpressionParameter(const RunData& runData, std::int32_t kind,
                                     std::int32_t token) {
  return Call(RunHeaderOf(runData)->getExpressionParameter, AddressOf(&runData),
              static_cast<std::uint32_t>(kind), static_cast<std::uint32_t>(token));
}

void RefreshNode(Frame& frame, DisplayNode& node) {
  if (g_refresh != nullptr) g_refresh(AddressOf(&frame), AddressOf(&node), 1);
}

char* AllocateHostText(std::size_t size) {
  if (g_text_countdown == 0) return nullptr;
  if (g_text_countdown > 0) --g_text_countdown;
  return static_cast<char*>(std::malloc(size));
}

void FailHostTextAllocationAfter(int countdown) { g_text_countdown = countdown; }

HostAddress StaticAddress(const void* table) {
  auto& statics = Statics();
  for (std::size_t i = 0; i < statics.size(); ++i)
    if (statics[i] == table) return kStaticBase + static_cast<HostAddress>(i) * 16;
  statics.push_back(table);
  return kStaticBase + static_cast<HostAddress>(statics.size() - 1) * 16;
}

const void* ResolveStatic(HostAddress address) {
  const std::size_t index = (address - kStaticBase) / 16;
  if (address < kStaticBase || index >= Statics().size())
    Fail("not an address of one of the plug-in's tables", address);
  return Statics()[index];
}

ServiceRef MakeServiceRef(ServiceFunction function) {
  auto& services = Services();
  for (std::size_t i = 0; i < services.size(); ++i)
    if (services[i] == function) return ServiceRef{static_cast<std::uint32_t>(i + 1)};
  services.push_back(function);
  return ServiceRef{static_cast<std::uint32_t>(services.size())};
}

void InstallRefreshHandler(RefreshHandler handler) { g_refresh = handler; }

}  // namespace tier::host
