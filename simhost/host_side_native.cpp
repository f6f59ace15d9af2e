// The host services natively: the plug-in's calls reach the simulated host's
// functions through handles, RefreshNode through an installed hook.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "simhost/host_side.h"
#include "simhost/test_hooks.h"

namespace tier::host {
namespace {

// A service's reference is the address of its slot in the service page.
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
  const ServiceFunction function = ServiceAt(service.word);
  if (function == nullptr)
    Fail("call of a host service that the host does not offer", service.word);
  return function(a, b, c);
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
  DeliverRefresh(AddressOf(&frame), AddressOf(&node), 1);
}

void DeliverRefresh(HostAddress frame, HostAddress node, std::int32_t flag) {
  if (g_refresh != nullptr) g_refresh(frame, node, flag);
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
  std::size_t index = 0;
  while (index < services.size() && services[index] != function) ++index;
  if (index == services.size()) {
    if (services.size() == 4096 / kServiceSlotBytes) Fail("no room for another host service", 0);
    services.push_back(function);
  }
  return ServiceRef{kServiceStubs + static_cast<std::uint32_t>(index) * kServiceSlotBytes};
}

ServiceFunction ServiceAt(HostAddress address) {
  const std::size_t index = (address - kServiceStubs) / kServiceSlotBytes;
  if (address < kServiceStubs || (address - kServiceStubs) % kServiceSlotBytes != 0 ||
      index >= Services().size())
    return nullptr;
  return Services()[index];
}

void InstallRefreshHandler(RefreshHandler handler) { g_refresh = handler; }

}  // namespace tier::host
